#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "service/Base64.h"

namespace orvo {
namespace {

std::vector<uint8_t> Bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

TEST(XmlBase64, KnownVectorsEncodeAndDecode) {
    const std::pair<const char*, const char*> vectors[] = {{"", ""},
                                                           {"f", "Zg=="},
                                                           {"fo", "Zm8="},
                                                           {"foo", "Zm9v"},
                                                           {"foob", "Zm9vYg=="},
                                                           {"fooba", "Zm9vYmE="},
                                                           {"foobar", "Zm9vYmFy"}};
    for (const auto& [plain, encoded] : vectors) {
        const std::vector<uint8_t> bytes = Bytes(plain);
        EXPECT_EQ(Base64Encode(bytes.data(), bytes.size()), encoded);
        XmlError code = XML_EMPTY;
        EXPECT_EQ(Base64Decode(encoded, &code), bytes) << encoded;
        EXPECT_EQ(code, XML_NO_ERROR);
    }
    const uint8_t all[] = {0x00, 0xFF, 0xFB, 0xEF, 0x10};
    EXPECT_EQ(Base64Encode(all, sizeof all), "AP/77xA=");
    XmlError code;
    EXPECT_EQ(Base64Decode("Zm9v\r\n YmFy\t", &code), Bytes("foobar")); // white space is skipped
    EXPECT_EQ(code, XML_NO_ERROR);
}

TEST(XmlBase64, EachErrorCodeFromItsInput) {
    XmlError code;
    // Illegal: outside the alphabet, data after padding, three '='.
    for (const char* text : {"Zm9v!", "Zm=v", "Zg===", "Zm9v-_"}) {
        EXPECT_TRUE(Base64Decode(text, &code).empty());
        EXPECT_EQ(code, XML_BASE64_ILLEGAL_CHARACTER) << text;
    }
    // A length that is not a multiple of four: the decoder delivers what the incomplete group
    // holds and warns that the text is truncated.
    EXPECT_EQ(Base64Decode("Zm9vY", &code), Bytes("foo"));
    EXPECT_EQ(code, XML_BASE64_TRUNCATED);
    uint8_t out[3] = {1, 2, 3};
    size_t written = 99;
    EXPECT_EQ(Base64Decode("Zm9vYg==", out, sizeof out, &written), XML_BASE64_BUFFER_TOO_SMALL);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(out[0], 1); // nothing written
}

} // namespace
} // namespace orvo

#include <cryptopp/filters.h>
#include <cryptopp/hex.h>
#include <cryptopp/sha.h>

#include <gtest/gtest.h>

#include "ExportSample.h"
#include "results/MshaFile.h"
#include "results/MshaVerify.h"

namespace orvo {
namespace {

using test::Golden;
using test::SampleDownload;

// The checksums sha256sum printed for "card_tag4\r\n" followed by each hand-written file
// without its ",checksum" and ",<digits>".
constexpr const char* kOldChecksum = "1A745A6F8087A6C3A023193EFB3E77194AB4B15ABE7627EBF1B45908942DA1C7";
constexpr const char* kNewChecksum = "9BBC539BFB72F5EDDE19310EDE1FDBC8EF28BE95231F0CB47C593DF10B408999";

// SHA-256 of the key and a file's bytes with both insertions taken out, straight from Crypto++.
std::string IndependentChecksum(std::string file, const std::string& digits) {
    file.erase(file.find(",checksum\r\n"), 9);
    file.erase(file.find("," + digits), 1 + digits.size());
    std::string hex;
    CryptoPP::SHA256 hash;
    CryptoPP::StringSource source(
        "card_tag4\r\n" + file, true,
        new CryptoPP::HashFilter(hash, new CryptoPP::HexEncoder(new CryptoPP::StringSink(hex))));
    return hex;
}

class MshaFileTest : public ::testing::Test {};

TEST_F(MshaFileTest, BothFirmwareClassesMatchTheHandWrittenFiles) {
    struct Case {
        bool newFirmware;
        const char* golden;
        const char* checksum;
    };
    for (const Case& c : {Case{false, "old-firmware-A.MSHA", kOldChecksum},
                          Case{true, "new-firmware-A.MSHA", kNewChecksum}}) {
        SCOPED_TRACE(c.golden);
        const SampleDownload download(c.newFirmware);
        const MshaFile file(download.source);
        const std::string expected = Golden(c.golden);
        EXPECT_EQ(file.Checksum(), c.checksum);
        EXPECT_EQ(IndependentChecksum(expected, c.checksum), c.checksum);
        EXPECT_EQ(file.Bytes(), expected);
        EXPECT_EQ(VerifyMshaFile(expected), MshaVerdict::Unaltered);
    }
}

TEST_F(MshaFileTest, SampleTypeAndEmptyStatusSection) {
    // Sample type 5 is its number; without multi-unit no serial numbers, however the fields were
    // left; without status changes the section is its heading only.
    SampleDownload download(true);
    download.source.entry = "1709643600,1709643900,2,30,W1,4601234,K7P,Mine,Company,5,0010,123,M87654321,";
    download.source.shift.multiUnit = false;
    download.table.changes.clear();
    const std::string bytes = MshaFile(download.source).Bytes();
    EXPECT_NE(bytes.find(",Mine,Company,5,0010,123,M87654321,M00000042,,,7.52,\""), std::string::npos)
        << bytes;
    const std::string tail =
        "08:05:00 03/05/2024,ORV1234567,TE NOT DETECTED;HIGH FILTER LOAD;POWER LOW,0.040000\r\n"
        "#\r\nTime,StatusCode\r\n#\r\n";
    ASSERT_GE(bytes.size(), tail.size());
    EXPECT_EQ(bytes.substr(bytes.size() - tail.size()), tail);
}

TEST_F(MshaFileTest, ChangingAnyByteIsNoticed) {
    const std::string original = Golden("old-firmware-A.MSHA");
    for (size_t i = 0; i < original.size(); ++i) {
        std::string changed = original;
        changed[i] = char(changed[i] ^ 0x01);
        ASSERT_NE(VerifyMshaFile(changed), MshaVerdict::Unaltered) << "byte " << i << " changed unnoticed";
    }
    // A byte away from the insertions leaves the layout, so the file reads as altered.
    std::string edited = original;
    edited[edited.find("Deep Hollow")] = 'K';
    EXPECT_EQ(VerifyMshaFile(edited), MshaVerdict::Altered);
    std::string lowered = original;
    lowered[lowered.find(kOldChecksum)] = 'a'; // '1' -> 'a': another checksum
    EXPECT_EQ(VerifyMshaFile(lowered), MshaVerdict::Altered);
}

TEST_F(MshaFileTest, NotesWithLineBreaksAndDigitsStillVerify) {
    // The notes box is multi-line; a note may even hold something that looks like a checksum.
    SampleDownload download(false);
    download.source.shift.notes =
        "see\r\nline,0123456789012345678901234567890123456789012345678901234567890123\r\nend";
    EXPECT_EQ(VerifyMshaFile(MshaFile(download.source).Bytes()), MshaVerdict::Unaltered);
}

TEST_F(MshaFileTest, FilesOfAnotherKindAreNotMshaFiles) {
    std::string noDigits = Golden("old-firmware-A.MSHA");
    noDigits.erase(noDigits.find(kOldChecksum) - 1, 65);
    std::string lineFeeds = Golden("old-firmware-A.MSHA");
    std::erase(lineFeeds, '\r');
    for (const std::string& bytes :
         {std::string(), Golden("old-firmware-A.CSV"), noDigits, lineFeeds, std::string("x,checksum\r\n")})
        EXPECT_EQ(VerifyMshaFile(bytes), MshaVerdict::NotMsha) << bytes.substr(0, 40);
}

} // namespace
} // namespace orvo

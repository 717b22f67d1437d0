#include "service/Base64.h"

namespace orvo {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int ValueOf(char c) {
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

struct Scan {
    size_t data = 0;    // alphabet characters
    size_t padding = 0; // closing '='
    bool illegal = false;
};

Scan ScanText(std::string_view text) {
    Scan scan;
    for (const char c : text) {
        if (IsSpace(c))
            continue;
        if (c == '=') {
            if (++scan.padding > 2)
                scan.illegal = true;
        } else if (scan.padding > 0 || ValueOf(c) < 0) {
            scan.illegal = true; // data after the padding, or outside the alphabet
        } else {
            ++scan.data;
        }
        if (scan.illegal)
            break;
    }
    return scan;
}

} // namespace

std::string Base64Encode(const uint8_t* data, size_t length) {
    std::string out;
    out.reserve((length + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= length; i += 3) {
        const uint32_t v = uint32_t(data[i]) << 16 | uint32_t(data[i + 1]) << 8 | data[i + 2];
        out += kAlphabet[v >> 18];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    if (length - i == 1) {
        const uint32_t v = uint32_t(data[i]) << 16;
        out += kAlphabet[v >> 18];
        out += kAlphabet[(v >> 12) & 63];
        out += "==";
    } else if (length - i == 2) {
        const uint32_t v = uint32_t(data[i]) << 16 | uint32_t(data[i + 1]) << 8;
        out += kAlphabet[v >> 18];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += '=';
    }
    return out;
}

size_t Base64DecodedSize(std::string_view text, XmlError* code) {
    const Scan scan = ScanText(text);
    if (scan.illegal) {
        *code = XML_BASE64_ILLEGAL_CHARACTER;
        return 0;
    }
    *code = (scan.data + scan.padding) % 4 != 0 ? XML_BASE64_SIZE_NOT_MULTIPLE_OF_4 : XML_NO_ERROR;
    return scan.data * 6 / 8;
}

XmlError Base64Decode(std::string_view text, uint8_t* out, size_t capacity, size_t* written) {
    *written = 0;
    const Scan scan = ScanText(text);
    if (scan.illegal)
        return XML_BASE64_ILLEGAL_CHARACTER;
    const size_t size = scan.data * 6 / 8;
    if (size > capacity)
        return XML_BASE64_BUFFER_TOO_SMALL;
    uint32_t bits = 0;
    int held = 0;
    size_t n = 0;
    for (const char c : text) {
        const int v = ValueOf(c);
        if (v < 0)
            continue; // white space and the padding
        bits = (bits << 6) | uint32_t(v);
        held += 6;
        if (held >= 8) {
            held -= 8;
            out[n++] = uint8_t(bits >> held);
            bits &= (1u << held) - 1;
        }
    }
    *written = n;
    return (scan.data + scan.padding) % 4 != 0 ? XML_BASE64_TRUNCATED : XML_NO_ERROR;
}

std::vector<uint8_t> Base64Decode(std::string_view text, XmlError* code) {
    std::vector<uint8_t> bytes(Base64DecodedSize(text, code));
    if (*code == XML_BASE64_ILLEGAL_CHARACTER)
        return {};
    size_t written = 0;
    *code = Base64Decode(text, bytes.data(), bytes.size(), &written);
    bytes.resize(written);
    return bytes;
}

} // namespace orvo

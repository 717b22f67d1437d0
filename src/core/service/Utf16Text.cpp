#include "service/Utf16Text.h"

#include <algorithm>
#include <cstdint>

#ifndef _WIN32
#include <iconv.h>
#endif

namespace orvo {

namespace {

constexpr size_t kSniffBytes = 1024;

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

bool Utf8ToShiftJis(const std::string& utf8, std::string& out) {
#ifdef _WIN32
    (void)utf8;
    (void)out;
    return false;
#else
    iconv_t cd = iconv_open("SHIFT_JIS", "UTF-8");
    if (cd == iconv_t(-1))
        return false;
    std::string result(utf8.size() * 2 + 4, '\0'); // Shift-JIS never needs more bytes than UTF-8
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size();
    char* outPtr = result.data();
    size_t outLeft = result.size();
    const size_t status = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (status == size_t(-1) || inLeft != 0)
        return false;
    result.resize(result.size() - outLeft);
    out = std::move(result);
    return true;
#endif
}

} // namespace

Utf16Order DetectUtf16(std::string_view bytes, size_t* bomLength) {
    *bomLength = 0;
    if (bytes.size() >= 2) {
        const auto b0 = uint8_t(bytes[0]);
        const auto b1 = uint8_t(bytes[1]);
        if (b0 == 0xFF && b1 == 0xFE) {
            *bomLength = 2;
            return Utf16Order::LittleEndian;
        }
        if (b0 == 0xFE && b1 == 0xFF) {
            *bomLength = 2;
            return Utf16Order::BigEndian;
        }
    }
    const size_t pairs = std::min(bytes.size(), kSniffBytes) / 2;
    size_t zeroLow = 0;  // zero bytes at even offsets
    size_t zeroHigh = 0; // at odd offsets
    for (size_t i = 0; i < pairs; ++i) {
        zeroLow += bytes[2 * i] == 0;
        zeroHigh += bytes[2 * i + 1] == 0;
    }
    if (zeroHigh * 2 > pairs && zeroLow * 8 < zeroHigh)
        return Utf16Order::LittleEndian;
    if (zeroLow * 2 > pairs && zeroHigh * 8 < zeroLow)
        return Utf16Order::BigEndian;
    return Utf16Order::None;
}

bool ConvertUtf16(std::string_view bytes, Utf16Order order, XmlEncoding target, std::string& out) {
    const bool big = order == Utf16Order::BigEndian;
    const size_t units = bytes.size() / 2;
    auto unitAt = [&](size_t i) -> uint32_t {
        const auto a = uint8_t(bytes[2 * i]);
        const auto b = uint8_t(bytes[2 * i + 1]);
        return big ? (uint32_t(a) << 8 | b) : (uint32_t(b) << 8 | a);
    };
    std::string text;
    text.reserve(units);
    for (size_t i = 0; i < units; ++i) {
        uint32_t cp = unitAt(i);
        if (cp == 0)
            break;
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            if (i + 1 >= units)
                return false;
            const uint32_t low = unitAt(i + 1);
            if (low < 0xDC00 || low > 0xDFFF)
                return false;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            ++i;
        } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
            return false;
        }
        if (target == XmlEncoding::SingleByte) {
            if (cp > 0xFF)
                return false;
            text += char(cp);
        } else {
            AppendUtf8(text, cp);
        }
    }
    if (target == XmlEncoding::ShiftJis)
        return Utf8ToShiftJis(text, out);
    out = std::move(text);
    return true;
}

} // namespace orvo

#include "results/MshaVerify.h"

#include "results/MshaFile.h"

namespace orvo {

namespace {

constexpr std::string_view kChecksumColumn = ",checksum";
constexpr size_t kDigits = 64;
// Notes may hold line breaks and digits of their own; a written file has its checksum among the
// first few candidates, and a hostile one must not make us hash it over and over.
constexpr int kMaxCandidates = 16;

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// "," and 64 digits at `at`, ending the line (or the file).
bool ChecksumAt(std::string_view text, size_t at) {
    if (text[at] != ',' || text.size() - at < 1 + kDigits)
        return false;
    for (size_t i = 1; i <= kDigits; ++i)
        if (!IsHexDigit(text[at + i]))
            return false;
    const std::string_view after = text.substr(at + 1 + kDigits);
    return after.empty() || after.substr(0, 2) == "\r\n";
}

} // namespace

MshaVerdict VerifyMshaFile(std::string_view bytes) {
    const size_t firstLineEnd = bytes.find("\r\n");
    if (firstLineEnd == std::string_view::npos || firstLineEnd < kChecksumColumn.size() ||
        bytes.substr(firstLineEnd - kChecksumColumn.size(), kChecksumColumn.size()) != kChecksumColumn)
        return MshaVerdict::NotMsha;
    const std::string_view piece0 = bytes.substr(0, firstLineEnd - kChecksumColumn.size());
    const std::string_view rest = bytes.substr(firstLineEnd);

    int candidates = 0;
    for (size_t at = rest.find(','); at != std::string_view::npos && candidates < kMaxCandidates;
         at = rest.find(',', at + 1)) {
        if (!ChecksumAt(rest, at))
            continue;
        ++candidates;
        const std::string_view digits = rest.substr(at + 1, kDigits);
        if (MshaChecksum(piece0, rest.substr(0, at), rest.substr(at + 1 + kDigits)) == digits)
            return MshaVerdict::Unaltered;
    }
    return candidates > 0 ? MshaVerdict::Altered : MshaVerdict::NotMsha;
}

const char* MshaVerdictText(MshaVerdict verdict) {
    switch (verdict) {
    case MshaVerdict::Unaltered:
        return "unaltered";
    case MshaVerdict::Altered:
        return "altered";
    case MshaVerdict::NotMsha:
        break;
    }
    return "not an MSHA file";
}

} // namespace orvo

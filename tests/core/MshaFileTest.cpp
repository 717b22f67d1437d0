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
        const MshaFile file = MshaFile::Build(download.source);
        const std::string expected = Golden(c.golden);
        EXPECT_EQ(file.Checksum(), c.checksum);
        EXPECT_EQ(IndependentChecksum(expected, c.checksum), c.checksum);
        EXPECT_EQ(file.Bytes(), expected);
    }
}

TEST_F(MshaFileTest, SavedFileHoldsExactlyTheBytes) {
    const SampleDownload download(true);
    const test::ScratchFolder folder;
    const std::string path = folder / "out.MSHA";
    std::string reason;
    ASSERT_TRUE(MshaFile::Build(download.source).Save(path, &reason)) << reason;
    EXPECT_EQ(test::ReadBytes(path), Golden("new-firmware-A.MSHA"));
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"out.MSHA"});
}

TEST_F(MshaFileTest, NoStatusChangesLeaveOnlyTheSectionHeading) {
    SampleDownload download(false);
    download.table.changes.clear();
    const std::string bytes = MshaFile::Build(download.source).Bytes();
    const std::string tail =
        "08:05:00 03/05/2024,1234567,TE NOT DETECTED;HIGH FILTER LOAD;POWER LOW,0.040000\r\n"
        "#\r\nTime,StatusCode\r\n#\r\n";
    ASSERT_GE(bytes.size(), tail.size());
    EXPECT_EQ(bytes.substr(bytes.size() - tail.size()), tail);
}

TEST_F(MshaFileTest, SampleTypesOtherThanNineAreWrittenAsTheirNumber) {
    SampleDownload download(true);
    download.source.entry = "1709643600,1709643900,2,30,W1,4601234,K7P,Mine,Company,5,0010,123,M87654321,";
    download.source.shift.multiUnit = false; // no serial numbers however the fields were left
    const std::string bytes = MshaFile::Build(download.source).Bytes();
    EXPECT_NE(bytes.find(",Mine,Company,5,0010,123,M87654321,M00000042,,,7.52,\""), std::string::npos)
        << bytes;
}

TEST_F(MshaFileTest, VerifierAcceptsTheHandWrittenFiles) {
    EXPECT_EQ(VerifyMshaFile(Golden("old-firmware-A.MSHA")), MshaVerdict::Unaltered);
    EXPECT_EQ(VerifyMshaFile(Golden("new-firmware-A.MSHA")), MshaVerdict::Unaltered);
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
    const std::string bytes = MshaFile::Build(download.source).Bytes();
    EXPECT_EQ(VerifyMshaFile(bytes), MshaVerdict::Unaltered);
}

TEST_F(MshaFileTest, FilesOfAnotherKindAreNotMshaFiles) {
    const std::string csv = Golden("old-firmware-A.CSV");
    std::string noDigits = Golden("old-firmware-A.MSHA");
    noDigits.erase(noDigits.find(kOldChecksum) - 1, 65);
    std::string lineFeeds = Golden("old-firmware-A.MSHA");
    for (size_t at = lineFeeds.find('\r'); at != std::string::npos; at = lineFeeds.find('\r', at))
        lineFeeds.erase(at, 1);
    for (const std::string& bytes : {std::string(), csv, noDigits, lineFeeds, std::string("x,checksum\r\n")})
        EXPECT_EQ(VerifyMshaFile(bytes), MshaVerdict::NotMsha) << bytes.substr(0, 40);
    EXPECT_STREQ(MshaVerdictText(MshaVerdict::NotMsha), "not an MSHA file");
    EXPECT_STREQ(MshaVerdictText(MshaVerdict::Altered), "altered");
    EXPECT_STREQ(MshaVerdictText(MshaVerdict::Unaltered), "unaltered");
}

TEST_F(MshaFileTest, ProposedNameHasNoServiceLogForm) {
    SampleDownload download(true);
    download.source.serviceLog = true;
    EXPECT_EQ(MshaFile::ProposedName(download.source), "20240305-08-ORV1234567-4601234-A");
}

} // namespace
} // namespace orvo

#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "ExportSample.h"
#include "platform/AtomicFile.h"
#include "results/CsvExport.h"
#include "results/ExportFile.h"
#include "results/MshaFile.h"

namespace orvo {
namespace {

using test::ReadBytes;
using test::ScratchFolder;

void Put(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Files larger than `bytes` cannot be written while it lives: the one failure even root meets.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = signal(SIGXFSZ, SIG_IGN); // the write fails with EFBIG instead of killing us
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_saved{};
    sighandler_t m_handler;
};

TEST(AtomicFile, WritesTheBytesAndLeavesNothingElseBehind) {
    const ScratchFolder folder;
    const std::string path = folder / "data.CSV";
    Put(path, std::string(10000, 'x')); // a longer old file must not leave a tail
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(path, "a,b\n", &error)) << error;
    EXPECT_EQ(ReadBytes(path), "a,b\n");
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"data.CSV"});
}

TEST(AtomicFile, FailuresLeaveTheOldFileAndNoTemporaryFile) {
    const ScratchFolder folder;
    const std::string old = "the file as it was\n";
    const std::string big(1 << 20, 'y');

    {
        // The disk fills up half-way (here: the size limit).
        const std::string path = folder / "full.CSV";
        Put(path, old);
        AtomicFileWriter writer;
        bool ok;
        {
            const FileSizeLimit limit(4096);
            ok = writer.Open(path) && writer.Write(big) && writer.Commit();
        }
        EXPECT_FALSE(ok);
        EXPECT_NE(writer.Error().find("full.CSV"), std::string::npos) << writer.Error();
        EXPECT_EQ(ReadBytes(path), old);
    }
    {
        // The target is a folder: the rename at the end fails.
        const std::string path = folder / "folder.CSV";
        std::filesystem::create_directory(path);
        Put(path + "/inside", old);
        std::string error;
        EXPECT_FALSE(WriteFileAtomically(path, "new", &error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(ReadBytes(path + "/inside"), old);
    }
    {
        // Abandoned before Commit: the target never changes.
        const std::string path = folder / "abandoned.CSV";
        Put(path, old);
        {
            AtomicFileWriter writer;
            ASSERT_TRUE(writer.Open(path));
            ASSERT_TRUE(writer.Write("half"));
        }
        EXPECT_EQ(ReadBytes(path), old);
    }
    std::vector<std::string> entries = folder.Entries();
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{"abandoned.CSV", "folder.CSV", "full.CSV"}));
}

TEST(AtomicFile, MissingFolderFailsAtOnceWithTheReason) {
    std::string error;
    EXPECT_FALSE(WriteFileAtomically("/nonexistent-orvo-folder/x.CSV", "x", &error));
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
}

TEST(AtomicFile, ExportsGoThroughIt) {
    // A failed export keeps the previous export whole and tells why.
    const test::SampleDownload download(false);
    const ScratchFolder folder;
    const std::string csv = folder / "sample.CSV";
    const std::string msha = folder / "sample.MSHA";
    Put(csv, "previous csv");
    Put(msha, "previous msha");
    {
        const FileSizeLimit limit(100);
        std::string reason;
        EXPECT_FALSE(SaveExportFile(csv, {CsvExport::SampleData(download.source)}, &reason));
        EXPECT_FALSE(reason.empty());
        EXPECT_FALSE(MshaFile::Build(download.source).Save(msha, &reason));
    }
    EXPECT_EQ(ReadBytes(csv), "previous csv");
    EXPECT_EQ(ReadBytes(msha), "previous msha");
    EXPECT_EQ(folder.Entries().size(), 2u);
    EXPECT_STREQ(kOutputFileError, "There was an error opening the output file!");
}

} // namespace
} // namespace orvo

#include <filesystem>

#include <gtest/gtest.h>

#include "ExportSample.h"
#include "platform/AtomicFile.h"
#include "results/CsvExport.h"
#include "results/ExportFile.h"
#include "results/MshaFile.h"

namespace orvo {
namespace {

using test::FileSizeLimit;
using test::TempFolder;

TEST(AtomicFile, FailuresLeaveTheOldFileAndNoTemporaryFile) {
    const TempFolder folder;
    const std::string old = "the file as it was\n";
    // A longer old file must not leave a tail.
    const std::string replaced = folder.Write("data.CSV", std::string(10000, 'x'));
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(replaced, "a,b\n", &error)) << error;
    EXPECT_EQ(folder.Read("data.CSV"), "a,b\n");

    {
        // The disk fills up half-way (here: the size limit).
        const std::string path = folder.Write("full.CSV", old);
        AtomicFileWriter writer;
        const FileSizeLimit limit(4096);
        EXPECT_FALSE(writer.Open(path) && writer.Write(std::string(1 << 20, 'y')) && writer.Commit());
        EXPECT_NE(writer.Error().find("full.CSV"), std::string::npos) << writer.Error();
    }
    EXPECT_EQ(folder.Read("full.CSV"), old);
    // The target is a folder: the rename at the end fails.
    std::filesystem::create_directory(folder.File("folder.CSV"));
    folder.Write("folder.CSV/inside", old);
    EXPECT_FALSE(WriteFileAtomically(folder.File("folder.CSV"), "new", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(folder.Read("folder.CSV/inside"), old);
    {
        // Abandoned before Commit: the target never changes.
        AtomicFileWriter writer;
        ASSERT_TRUE(writer.Open(folder.Write("abandoned.CSV", old)));
        ASSERT_TRUE(writer.Write("half"));
    }
    EXPECT_EQ(folder.Read("abandoned.CSV"), old);
    EXPECT_EQ(folder.Entries(), 4u);

    EXPECT_FALSE(WriteFileAtomically("/nonexistent-orvo-folder/x.CSV", "x", &error));
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
}

TEST(AtomicFile, ExportsGoThroughIt) {
    const test::SampleDownload download(true);
    const TempFolder folder;
    std::string reason;
    ASSERT_TRUE(MshaFile(download.source).Save(folder.File("out.MSHA"), &reason)) << reason;
    EXPECT_EQ(folder.Read("out.MSHA"), test::Golden("new-firmware-A.MSHA"));

    // A failed export keeps the previous export whole and tells why.
    const std::string csv = folder.Write("sample.CSV", "previous csv");
    const std::string msha = folder.Write("sample.MSHA", "previous msha");
    {
        const FileSizeLimit limit(100);
        EXPECT_FALSE(SaveExportFile(
            csv, [&](const ExportSink& sink) { return CsvExport::WriteSampleData(download.source, sink); },
            &reason));
        EXPECT_FALSE(reason.empty());
        EXPECT_FALSE(MshaFile(download.source).Save(msha, &reason));
    }
    EXPECT_EQ(folder.Read("sample.CSV"), "previous csv");
    EXPECT_EQ(folder.Read("sample.MSHA"), "previous msha");
    // An export that stops without a failed write says so rather than leave a short file.
    EXPECT_FALSE(SaveExportFile(
        csv, [](const ExportSink& sink) { return sink("half") && false; }, &reason));
    EXPECT_EQ(reason, "the export stopped before its end");
    EXPECT_EQ(folder.Read("sample.CSV"), "previous csv");
    EXPECT_EQ(folder.Entries(), 3u);
}

} // namespace
} // namespace orvo

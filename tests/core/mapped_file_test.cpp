// Reading report files through a memory mapping, and what happens when another program
// cuts a mapped file short.
#include "bench/report_generator.hpp"
#include "core/export.hpp"
#include "core/platform/platform.hpp"
#include "core/report.hpp"
#include "tests/support/stand_in_programs.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#ifndef _WIN32
#include <csignal>
#include <sys/stat.h>
#include <thread>
#endif

using namespace varscope::core;

namespace {

namespace fs = std::filesystem;

// A file of the given bytes in a temporary folder, removed with it.
class TempFile {
public:
    explicit TempFile(const std::string& bytes) : m_path(m_folder.file("report.txt")) {
        std::ofstream(m_path, std::ios::binary) << bytes;
    }
    const std::string& path() const { return m_path; }

private:
    varscope::testing::TempFolder m_folder;
    std::string m_path;
};

// Cuts the report file short when the first record comes, as another program writing a
// new report over it would.
class CuttingSink final : public ReportSink {
public:
    explicit CuttingSink(std::string path) : m_path(std::move(path)) {}
    bool variable(const ConfigVariable&) override {
        if (m_records++ == 0)
            fs::resize_file(m_path, 10);
        return true;
    }
    bool configFile(std::string_view) override { return true; }
    bool summaryLine(std::string_view) override { return true; }
    std::size_t records() const { return m_records; }

private:
    std::string m_path;
    std::size_t m_records = 0;
};

} // namespace

TEST(MappedFile, regularFile_bytesAsOnDisk_othersNotMapped) {
    const std::string bytes = varscope::bench::GenerateReport(300, 9);
    const TempFile file(bytes);
    const auto mapped = platform::MapFileForReading(file.path());
    ASSERT_NE(mapped, nullptr);
    EXPECT_TRUE(mapped->bytes() == bytes);
    EXPECT_FALSE(mapped->cutShort());

    const TempFile empty("");
    EXPECT_EQ(platform::MapFileForReading(empty.path()), nullptr);
    EXPECT_EQ(platform::MapFileForReading(fs::temp_directory_path().string()), nullptr);
    EXPECT_EQ(platform::MapFileForReading(file.path() + ".missing"), nullptr);
}

#ifndef _WIN32

TEST(MappedFile, cutShortWhileMapped_restReadsAsZerosAndIsToldNotFatal) {
    const std::string bytes(5 * 4096 + 100, 'r');
    const TempFile file(bytes);
    const auto mapped = platform::MapFileForReading(file.path());
    ASSERT_NE(mapped, nullptr);
    fs::resize_file(file.path(), 4096 + 7);

    const std::string_view seen = mapped->bytes();
    ASSERT_EQ(seen.size(), bytes.size());
    // The page that still holds the file's end reads on; the pages past it are zeros.
    EXPECT_EQ(seen.substr(0, 4096 + 7), bytes.substr(0, 4096 + 7));
    EXPECT_EQ(seen.substr(2 * 4096), std::string(seen.size() - 2 * 4096, '\0'));
    EXPECT_TRUE(mapped->cutShort());

    // Another mapping knows nothing of it.
    const TempFile other(bytes);
    EXPECT_FALSE(platform::MapFileForReading(other.path())->cutShort());
}

TEST(MappedFile, reportCutShortWhileRead_readingEndsAndSaysSo) {
    const std::string report = varscope::bench::GenerateReport(30'000, 2);
    for (const unsigned threads : {1u, 2u}) {
        const TempFile file(report);
        CuttingSink sink(file.path());
        const ReportFileOutcome outcome = ReadReportFile(file.path(), sink, threads);
        EXPECT_NE(outcome.readError.find(file.path()), std::string::npos) << outcome.readError;
        EXPECT_NE(outcome.readError.find("changed by another program"), std::string::npos)
            << outcome.readError;
        EXPECT_GE(sink.records(), 1u);
    }
}

TEST(MappedFileDeathTest, busErrorNotFromAMappedFile_stillEndsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // Killed by the signal, or ended by a handler that was there before (a sanitizer's).
    EXPECT_DEATH(
        {
            const TempFile file("(user): A=1\r\n");
            const auto mapped = platform::MapFileForReading(file.path());
            std::raise(SIGBUS);
            std::_Exit(0);
        },
        "");
}

TEST(ReportFile, pipeIsReadInBlocks_sameExportAsTheFile) {
    const std::string report = varscope::bench::GenerateReport(8'000, 13);
    const TempFile file(report);
    const std::string pipe = file.path() + ".pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    for (const unsigned threads : {1u, 2u}) {
        std::thread writer([&] { std::ofstream(pipe, std::ios::binary) << report; });
        std::string fromPipe;
        const ExportOutcome outcome = ExportReportFile(
            pipe, ExportView{},
            [&fromPipe](std::string_view bytes) {
                fromPipe.append(bytes);
                return true;
            },
            threads);
        writer.join();
        EXPECT_TRUE(outcome.readError.empty()) << outcome.readError;
        std::string fromFile;
        ExportReportFile(
            file.path(), ExportView{},
            [&fromFile](std::string_view bytes) {
                fromFile.append(bytes);
                return true;
            },
            threads);
        EXPECT_GT(fromFile.size(), report.size() / 2);
        EXPECT_TRUE(fromPipe == fromFile) << "threads " << threads;
    }
    fs::remove(pipe);
}

#endif

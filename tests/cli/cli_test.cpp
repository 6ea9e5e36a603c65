// Runs the real varscope-cli binary and checks its exit code, standard output and
// standard error byte for byte.
#include "bench/report_generator.hpp"
#include "core/category/category_tree.hpp"
#include "core/export/export.hpp"
#include "core/report/report.hpp"
#include "core/system/platform/platform.hpp"
#include "core/version.hpp"
#include "tests/support/stand_in_programs.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#if __has_include(<sys/wait.h>)
#include <sys/wait.h>
#define VARSCOPE_TEST_WAIT_STATUS 1
#endif
#if __has_include(<sys/mount.h>)
#include "tests/support/small_disk.hpp"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
extern char** environ;
#define VARSCOPE_TEST_SMALL_DISK 1
#endif

namespace fs = std::filesystem;

namespace {

const std::string kFixtures = VARSCOPE_FIXTURES;
const std::string kRealistic = kFixtures + "/realistic_msdebug.txt";
const std::string kHostile = kFixtures + "/hostile_msdebug.txt";
const std::string kCrOnly = kFixtures + "/cr_only_msdebug.txt";
const std::string kRandom = kFixtures + "/random.bin";
const std::string kExamples = VARSCOPE_EXAMPLES;
const std::string kSample = kExamples + "/sample-msdebug.txt";
const std::string kDemoCategories = kExamples + "/DebugCategory.Txt";

std::string Crlf(std::initializer_list<std::string_view> lines) {
    std::string out;
    for (const std::string_view line : lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

const std::string kMsconfig = "C:\\Bentley\\Program\\MicroStation\\config\\msconfig.cfg";
const std::string kCivil = "C:\\Bentley\\Program\\MicroStation\\config\\appl\\civil.cfg";
const std::string kSite = "C:\\Bentley\\Workspace\\Standards\\site.cfg";
const std::string kPcf = "C:\\Bentley\\Workspace\\projects\\Civil.pcf";
const std::string kUcf = "C:\\Bentley\\Workspace\\users\\jsmith.ucf";

// The All Variables view of realistic_msdebug.txt, every column, delimiter "|".
const std::string kRealisticAll = Crlf({
    "Predefined|_USTN_INSTALLED|C:/Bentley/Program/MicroStation/ "
    "|C:/Bentley/Program/MicroStation/|" +
        kMsconfig,
    "Predefined|_ROOTDIR|C:/Bentley/ |C:/Bentley/|" + kMsconfig,
    "System|_USTN_WORKSPACEROOT|$(_ROOTDIR)Workspace/ |C:/Bentley/Workspace/|" + kMsconfig,
    // "(system env)" is no level: neither a level name nor its delimiter.
    "TEMP|C:/Temp/ |C:/Temp/|" + kMsconfig,
    "Application|CIVIL_DATA|$(_USTN_INSTALLED)civil/ "
    "|C:/Bentley/Program/MicroStation/civil/|" +
        kCivil,
    "Site|MS_CELL|$(_USTN_SITE)cell/ |C:/Bentley/Workspace/Standards/cell/|" + kSite,
    "Site|MS_DEF|$(_USTN_SITE)dgn/ |C:/Bentley/Workspace/Standards/dgn/|" + kSite,
    "User|_USTN_USER|$(_USTN_WORKSPACEROOT)users/ |C:/Bentley/Workspace/users/|" + kSite,
    "User|_USTN_PROJECT|$(_USTN_WORKSPACEROOT)projects/ |C:/Bentley/Workspace/projects/|" + kSite,
    "Project|MS_DEF|$(_USTN_PROJECTDATA)dgn/ |C:/Bentley/Workspace/projects/Civil/dgn/|" + kPcf,
    "Project|ms_def|lower/ |lower/|" + kPcf,
    "Project|PROJECT_CODE|C-104||" + kPcf,
    "User|MS_DEF|$(_USTN_PROJECTDATA)dgn/jsmith/ "
    "|C:/Bentley/Workspace/projects/Civil/dgn/jsmith/|" +
        kUcf,
    "User|MS_BACKUP|(null) |(null)|" + kUcf,
    "Site|MS_SEEDFILES|$(_USTN_SITE)seed/ |C:/Bentley/Workspace/Standards/seed/|" + kSite,
});

struct Result {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string ReadBytes(const fs::path& path) {
    return varscope::testing::ReadTextFile(path.string());
}

void WriteBytes(const fs::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device seed;
        m_folder = fs::temp_directory_path() / ("varscope-cli-" + std::to_string(seed()));
        fs::create_directories(m_folder);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }

    std::string temp(const std::string& name) const { return (m_folder / name).string(); }

    // Runs the binary through the system's shell with both outputs sent to files, so the
    // bytes arrive exactly as written.
    // Runs at the same time need their own `tag`, which names the output files; `input`
    // names a file for standard input; `shellFirst`, when given, runs in the shell before the
    // binary (POSIX shells only).
    Result Run(const std::vector<std::string>& args, const std::string& tag = {},
               const std::string& input = {}, const std::string& shellFirst = {}) const {
        const bool windowsShell = varscope::core::platform::Separator() == '\\';
        const auto quote = [windowsShell](const std::string& word) {
            if (windowsShell)
                return "\"" + word + "\"";
            std::string quoted = "'";
            for (const char c : word)
                quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
            return quoted + "'";
        };
        const std::string outPath = temp("stdout" + tag + ".bin");
        const std::string errPath = temp("stderr" + tag + ".bin");
        std::string command = shellFirst + quote(VARSCOPE_CLI);
        for (const std::string& arg : args)
            command += " " + quote(arg);
        if (!input.empty())
            command += " < " + quote(input);
        command += " > " + quote(outPath) + " 2> " + quote(errPath);
        // cmd.exe strips the outermost quotes of a command line that starts with one.
        if (windowsShell)
            command = "\"" + command + "\"";

        Result result;
        // -1: the shell itself could not be started (seen under Wine on a loaded machine),
        // which says nothing of the program; try again a few times before counting it.
        int status = std::system(command.c_str());
        for (int retry = 0; status == -1 && retry < 5; ++retry)
            status = std::system(command.c_str());
#ifdef VARSCOPE_TEST_WAIT_STATUS
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#else
        result.exitCode = status;
#endif
        result.out = ReadBytes(outPath);
        // Messages are text: on Windows their lines end with CR LF; only the data is exact.
        result.err = ReadBytes(errPath);
        std::erase(result.err, '\r');
        return result;
    }

    // A successful run: exit 0, nothing on standard error; its standard output, in the
    // export format's CR LF lines unless the arguments choose.
    std::string Export(std::vector<std::string> args, const std::string& input = {}) const {
        if (std::find_if(args.begin(), args.end(), [](const std::string& arg) {
                return arg.rfind("--eol", 0) == 0;
            }) == args.end())
            args.insert(args.begin(), "--eol=crlf");
        args.insert(args.begin(), "export");
        const Result result = Run(args, {}, input);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.err, "");
        return result.out;
    }

    // Bad usage: exit 2, a message on standard error, nothing on standard output.
    void ExpectUsageError(const std::vector<std::string>& args, std::string_view mentions) const {
        const Result result = Run(args);
        std::string shown;
        for (const std::string& arg : args)
            shown += arg + " ";
        EXPECT_EQ(result.exitCode, 2) << shown;
        EXPECT_EQ(result.out, "") << shown;
        EXPECT_NE(result.err.find(mentions), std::string::npos) << shown << "\n" << result.err;
    }

    fs::path m_folder;
};

// Every "\n" of the output is the end of a CR LF, and the output ends with one.
void ExpectCrLfLines(const std::string& out, std::size_t lines) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (out[i] == '\n') {
            ASSERT_TRUE(i > 0 && out[i - 1] == '\r') << "bare LF at byte " << i;
            ++count;
        }
    }
    EXPECT_EQ(count, lines);
    if (!out.empty()) {
        EXPECT_EQ(out.substr(out.size() - 2), "\r\n");
    }
}

} // namespace

TEST_F(CliTest, help_explainsEveryOptionAndExitsZero) {
    for (const auto& args :
         {std::vector<std::string>{"--help"}, std::vector<std::string>{"-h"},
          std::vector<std::string>{"export", "--help"}, std::vector<std::string>{"export", "-h"},
          std::vector<std::string>{"export", kRealistic, "--help"},
          std::vector<std::string>{"export", kRealistic, "--view", "files", "-h"}}) {
        const Result result = Run(args);
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.err, "");
        for (const std::string_view word :
             {"varscope-cli export", "REPORT", "--view", "all", "isolate", "summary", "files",
              "--name", "--level", "--columns", "--delimiter", "tab", "space", "--out", "category",
              "--categories"})
            EXPECT_NE(result.out.find(word), std::string::npos) << word;
    }
}

TEST_F(CliTest, allView_everyVariableInReportOrderWithCrLf) {
    const std::string out = Export({kRealistic});
    EXPECT_EQ(out, kRealisticAll);
    ExpectCrLfLines(out, 15);
    EXPECT_EQ(Export({kRealistic, "--view", "all", "--columns",
                      "level,variable,value,expansion,file", "--delimiter", "|"}),
              kRealisticAll);
}

TEST_F(CliTest, summaryView_linesAfterTheMarker) {
    const std::string out = Export({kRealistic, "--view", "summary"});
    EXPECT_EQ(out, Crlf({
                       "#",
                       "#########################################",
                       "",
                       "MS_CELL          : site         = C:/Bentley/Workspace/Standards/cell/  ",
                       "MS_DEF           : user         = "
                       "C:/Bentley/Workspace/projects/Civil/dgn/jsmith/  ",
                       "_USTN_USER       : user         = C:/Bentley/Workspace/users/ <Locked>",
                       "",
                       "#########################################",
                       "# End of Configuration Variable Summary #",
                       "#########################################",
                   }));
}

TEST_F(CliTest, filesView_processingOrderWithRepeats) {
    const std::string out = Export({kRealistic, "--view", "files"});
    EXPECT_EQ(out, Crlf({kMsconfig, kCivil, kSite, kPcf, kUcf, kSite}));
    // The columns and delimiter belong to the variable lists only.
    EXPECT_EQ(Export({kRealistic, "--view", "files", "--columns", "level", "--delimiter", "tab"}),
              out);
}

TEST_F(CliTest, isolateByName_exactNameOnly) {
    EXPECT_EQ(
        Export({kRealistic, "--view", "isolate", "--name", "MS_DEF", "--columns", "level,value"}),
        Crlf({"Site||$(_USTN_SITE)dgn/ ", "Project||$(_USTN_PROJECTDATA)dgn/ ",
              "User||$(_USTN_PROJECTDATA)dgn/jsmith/ "}));
    EXPECT_EQ(Export({kRealistic, "--view", "isolate", "--name", "ms_def", "--columns",
                      "variable,expansion"}),
              Crlf({"ms_def|lower/"}));
    EXPECT_EQ(Export({kRealistic, "--view", "isolate", "--name", "MS_DE"}), "");
}

TEST_F(CliTest, isolateByLevel_nameInAnyCaseOrCode) {
    const std::string expected = Crlf({"_USTN_USER", "_USTN_PROJECT", "MS_DEF", "MS_BACKUP"});
    for (const std::string level : {"User", "user", "USER", "8"})
        EXPECT_EQ(
            Export({kRealistic, "--view", "isolate", "--level", level, "--columns", "variable"}),
            expected)
            << level;
    EXPECT_EQ(Export({kRealistic, "--view", "isolate", "--level", "application"}),
              Crlf({"Application|CIVIL_DATA|$(_USTN_INSTALLED)civil/ "
                    "|C:/Bentley/Program/MicroStation/civil/|" +
                    kCivil}));
    EXPECT_EQ(Export({kRealistic, "--view", "isolate", "--level", "7", "--columns", "variable"}),
              Crlf({"MS_CELL", "MS_DEF", "MS_SEEDFILES"}));
}

TEST_F(CliTest, isolateByNewerLevel_nameInAnyCaseOrCode) {
    const std::string newer = kFixtures + "/newer_msdebug.txt";
    for (const std::string level : {"WorkSet", "workset", "12"})
        EXPECT_EQ(
            Export({newer, "--view", "isolate", "--level", level, "--columns", "level,variable"}),
            Crlf({"WorkSet|MS_DEF", "WorkSet|MS_RFDIR"}))
            << level;
    for (const std::string level : {"Organization", "WorkSpace", "Role"})
        EXPECT_NE(Export({newer, "--view", "isolate", "--level", level}), "") << level;
    const std::string help = Run({"--help"}).out;
    for (const std::string_view name : {"Organization", "WorkSpace", "WorkSet", "Role"})
        EXPECT_NE(help.find(name), std::string::npos) << name;
}

TEST_F(CliTest, finalAndLockedColumns_markWinnersAndEveryRecordOfALockedVariable) {
    const std::string newer = kFixtures + "/newer_msdebug.txt";
    EXPECT_EQ(Export({newer, "--columns", "locked,final,variable"}),
              Crlf({"_USTN_INSTALLED|1|", "_USTN_CONFIGURATION|1|", "MS_SEEDFILES||",
                    "_USTN_WORKSPACESROOT|1|", "MS_CELL||", "MS_SEEDFILES||", "MS_LINESTYLE|1|1",
                    "MS_OLDSETTING||", "CIVIL_ROOT|1|", "_USTN_WORKSETSROOT|1|", "MS_SEEDFILES|1|",
                    "MS_RFDIR||", "MS_DEF|1|1", "MS_RFDIR|1|", "MS_CELL||", "MS_LINESTYLE||1",
                    "MS_CELL|1|", "MS_DEF||1"}));
    // After the five columns, each after its delimiter; a report without a summary: the
    // last record wins.
    EXPECT_EQ(Export({newer, "--view", "isolate", "--name", "MS_CELL", "--columns", "level,final"}),
              Crlf({"Organization||", "Role||", "User||1"}));
    const std::string plain = temp("plain.txt");
    WriteBytes(plain, Crlf({"(user): A=1 [1]", "(user): A=2 [2]"}));
    EXPECT_EQ(Export({plain, "--columns", "expansion,final,locked", "--delimiter", ";"}),
              Crlf({";1;;", ";2;1;"}));
    // Views without variable columns take no notice of them.
    EXPECT_EQ(Export({newer, "--view", "files", "--columns", "final"}),
              Export({newer, "--view", "files"}));
}

TEST_F(CliTest, columns_chosenSubsetInFixedOrder) {
    EXPECT_EQ(Export({kRealistic, "--view", "isolate", "--name", "PROJECT_CODE", "--columns",
                      "file,VARIABLE"}),
              Crlf({"PROJECT_CODE|" + kPcf}));
    // Without level and variable the line begins with the delimiter.
    EXPECT_EQ(Export({kRealistic, "--view", "isolate", "--name", "PROJECT_CODE", "--columns",
                      "value,expansion"}),
              Crlf({"|C-104|"}));
}

TEST_F(CliTest, delimiter_tabSpaceTextAndEmpty) {
    const std::vector<std::string> base = {kRealistic, "--view", "isolate", "--name", "MS_BACKUP"};
    const auto with = [&](const std::string& delimiter) {
        std::vector<std::string> args = base;
        args.insert(args.end(), {"--delimiter", delimiter});
        return Export(args);
    };
    EXPECT_EQ(with("tab"), Crlf({"User\tMS_BACKUP\t(null) \t(null)\t" + kUcf}));
    EXPECT_EQ(with("space"), Crlf({"User MS_BACKUP (null)  (null) " + kUcf}));
    EXPECT_EQ(with(" ; "), Crlf({"User ; MS_BACKUP ; (null)  ; (null) ; " + kUcf}));
    EXPECT_EQ(with(""), Crlf({"UserMS_BACKUP(null) (null)" + kUcf}));
}

TEST_F(CliTest, outFile_receivesExactlyWhatStandardOutputWould) {
    const std::string path = temp("export out.txt");
    WriteBytes(path, std::string(100000, 'x')); // an older, longer export is replaced
    EXPECT_EQ(Export({kRealistic, "--out", path}), "");
    EXPECT_EQ(ReadBytes(path), kRealisticAll);
}

// The export of a report as the records table gives it.
std::string ExportOfTable(const std::string& report) {
    const varscope::core::ReportData data = varscope::core::ParseReport(report);
    std::string lines;
    for (const varscope::core::ConfigVariable& record : data.Variables)
        varscope::core::AppendVariableLine(lines, record, varscope::core::AllColumns, "|");
    return lines;
}

TEST_F(CliTest, outFileIsTheReport_reportReplacedByItsExport) {
    // Larger than what is written at once, so that writing starts before reading ends.
    const std::string report = varscope::bench::GenerateReport(20'000, 78);
    const std::string path = temp("msdebug.txt");
    WriteBytes(path, report);
    EXPECT_EQ(Export({path, "--out", path}), "");
    EXPECT_TRUE(ReadBytes(path) == ExportOfTable(report));
}

TEST_F(CliTest, reportMissing_outFileLeftAsItWas) {
    const std::string path = temp("old export.txt");
    WriteBytes(path, "kept");
    const Result result = Run({"export", temp("no such report.txt"), "--out", path});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(ReadBytes(path), "kept");
}

// Two exports to one file at once both succeed, and the file is one of them, whole.
TEST_F(CliTest, outFile_twoExportsAtOnce_fileIsOneOfThemWhole) {
    const std::string report = temp("msdebug.txt");
    WriteBytes(report, varscope::bench::GenerateReport(30'000, 11));
    const std::vector<std::vector<std::string>> views = {{"--columns", "variable,value"},
                                                         {"--columns", "file,level"}};
    std::vector<std::string> expected;
    for (const auto& view : views) {
        std::vector<std::string> args = {report};
        args.insert(args.end(), view.begin(), view.end());
        expected.push_back(Export(args));
    }
    fs::create_directory(temp("out"));
    const std::string out = temp("out/export.txt");
    for (int round = 0; round < 3; ++round) {
        std::vector<Result> results(views.size());
        std::vector<std::thread> runs;
        for (std::size_t i = 0; i < views.size(); ++i) {
            runs.emplace_back([&, i] {
                std::vector<std::string> args = {"export", report, "--out", out};
                args.insert(args.end(), views[i].begin(), views[i].end());
                results[i] = Run(args, std::to_string(i));
            });
        }
        for (std::thread& run : runs)
            run.join();
        for (const Result& result : results)
            EXPECT_EQ(result.exitCode, 0) << result.err;
        const std::string written = ReadBytes(out);
        EXPECT_TRUE(written == expected[0] || written == expected[1]) << written.size();
        EXPECT_EQ(std::distance(fs::directory_iterator(temp("out")), fs::directory_iterator()), 1);
    }
}

#ifdef VARSCOPE_TEST_SMALL_DISK

// A full disk while the output is written: exit 1, the reason told, the old file whole.
TEST_F(CliTest, outFile_fullDisk_oldFileKeptWholeExitNonZero) {
    const varscope::testing::SmallDisk disk(temp("disk"), "size=64k");
    if (!disk.error().empty())
        GTEST_SKIP() << disk.error();
    const std::string oldReport = temp("old.txt");
    const std::string newReport = temp("new.txt");
    WriteBytes(oldReport, varscope::bench::GenerateReport(4'000, 1));
    WriteBytes(newReport, varscope::bench::GenerateReport(4'000, 2));
    const std::string out = temp("disk/out.txt");
    const std::string old(20'000, 'o');
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string command;
    };
    const std::vector<Case> cases = {
        {{"export", newReport, "--out", out}, 1, "varscope-cli"},
        {{"export", newReport, "--columns", "variable,final", "--out", out}, 1, "varscope-cli"},
        {{"diff", "--all", oldReport, newReport, "--out", out}, 2, "varscope-cli diff"},
    };
    for (const Case& test : cases) {
        WriteBytes(out, old);
        const Result result = Run(test.args);
        EXPECT_EQ(result.exitCode, test.exitCode) << test.args[0];
        EXPECT_EQ(result.err,
                  test.command + ": cannot write " + out + ": " + std::strerror(ENOSPC) + "\n");
        EXPECT_TRUE(ReadBytes(out) == old) << test.args[0];
        EXPECT_EQ(std::distance(fs::directory_iterator(temp("disk")), fs::directory_iterator()), 1);
    }
}

// Killed while writing: the old file is whole; the next export removes what was left.
TEST_F(CliTest, outFile_killedWhileWriting_oldFileWholeLeftoverGoneNextTime) {
    const std::string report = varscope::bench::GenerateReport(60'000, 21);
    const std::string pipe = temp("report.pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    fs::create_directory(temp("out"));
    const std::string out = temp("out/export.txt");
    WriteBytes(out, "old export");

    std::vector<std::string> words = {VARSCOPE_CLI, "export", pipe, "--out", out};
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    ASSERT_EQ(::posix_spawn(&child, VARSCOPE_CLI, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    // Half the report, so the export has lines to write and waits for the rest.
    {
        std::ofstream writer(pipe, std::ios::binary);
        writer.write(report.data(), static_cast<std::streamsize>(report.size() / 2));
        writer.flush();
        // Until its temporary file holds lines; at most a minute, so a fault fails the test.
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(1);
        bool writing = false;
        while (!writing && std::chrono::steady_clock::now() < giveUp) {
            for (const auto& entry : fs::directory_iterator(temp("out")))
                writing = writing || (entry.path() != fs::path(out) && entry.file_size() > 0);
            std::this_thread::yield();
        }
        ASSERT_TRUE(writing);
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
    }
    EXPECT_EQ(ReadBytes(out), "old export");
    EXPECT_EQ(std::distance(fs::directory_iterator(temp("out")), fs::directory_iterator()), 2);

    const std::string whole = temp("msdebug.txt");
    WriteBytes(whole, report);
    EXPECT_EQ(Export({whole, "--out", out}), "");
    EXPECT_TRUE(ReadBytes(out) == ExportOfTable(report));
    EXPECT_EQ(std::distance(fs::directory_iterator(temp("out")), fs::directory_iterator()), 1);
}

#endif

TEST_F(CliTest, largeReport_sameLinesAsTheRecordsTable) {
    // Many blocks of the file.
    const std::string report = varscope::bench::GenerateReport(40'000, 77);
    const std::string path = temp("large.txt");
    WriteBytes(path, report);
    const std::string expected = ExportOfTable(report);
    const std::string out = Export({path});
    EXPECT_EQ(out.size(), expected.size());
    EXPECT_TRUE(out == expected);
}

TEST_F(CliTest, hostileBytes_copiedExactlyAndSkippedLineCounted) {
    const std::string file = "C:\\cfg\\\xE9t\xE9.cfg";
    const std::string expected = std::string("User|NAME\xFF|val") + '\0' + "ue |exp\x80|" + file +
                                 "\r\n"
                                 "System|B|x||" +
                                 file +
                                 "\r\n"
                                 "Application|C|y||" +
                                 file +
                                 "\r\n"
                                 "Predefined|D|z||" +
                                 file + "\r\n";
    const std::string skipped = "varscope-cli: 1 malformed line skipped in " + kHostile + "\n";

    Result result = Run({"export", "--eol", "crlf", kHostile});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, expected);
    EXPECT_EQ(result.err, skipped);

    result = Run({"export", "--eol", "crlf", kHostile, "--view", "summary"});
    EXPECT_EQ(result.out, std::string("S1 \xE9") + '\0' + "\r\n(predefined): D=z\r\n");
    EXPECT_EQ(result.err, skipped);

    result = Run({"export", "--eol", "crlf", kHostile, "--view", "files"});
    EXPECT_EQ(result.out, file + "\r\n");
}

TEST_F(CliTest, loneCrLineEnds_readAsLines) {
    EXPECT_EQ(Export({kCrOnly}), Crlf({"User|A|1 |one|a.cfg", "Site|B|2||a.cfg"}));
    EXPECT_EQ(Export({kCrOnly, "--view", "summary"}), Crlf({"A : user = one"}));
}

TEST_F(CliTest, malformedLines_oneStderrLineWithTheCount) {
    const std::string path = temp("malformed.txt");
    WriteBytes(path, "(user): NOEQUALS\r\n(site):\r\nProcessing macro file no brackets\r\n"
                     "(user): OK=1\r\n");
    const Result result = Run({"export", "--eol", "crlf", path});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "User|OK|1||\r\n");
    EXPECT_EQ(result.err, "varscope-cli: 3 malformed lines skipped in " + path + "\n");
}

TEST_F(CliTest, optionsEnd_reportLikeAnOptionAndValuesNeverOptions) {
    WriteBytes(temp("-x.txt"), "(user): --help=h\r\n(site): -h=s\r\n(user): --=d\r\n");
    // A relative name is the only way to name a report that begins with "-".
    const std::string before = varscope::core::platform::CurrentFolder();
    ASSERT_TRUE(varscope::core::platform::SetCurrentFolder(m_folder.string()));
    struct Case {
        std::vector<std::string> args;
        std::string out;
    };
    const std::vector<Case> cases = {
        {{"--", "-x.txt"}, Crlf({"User|--help|h||", "Site|-h|s||", "User|--|d||"})},
        {{"--view", "isolate", "--name", "--help", "--", "-x.txt"}, Crlf({"User|--help|h||"})},
        {{"--view", "isolate", "--name", "-h", "--", "-x.txt"}, Crlf({"Site|-h|s||"})},
        {{"--view", "isolate", "--name", "--", "--", "-x.txt"}, Crlf({"User|--|d||"})},
        {{"--delimiter", "--help", "--columns", "level,value", "--", "-x.txt"},
         Crlf({"User--help--helph", "Site--help--helps", "User--help--helpd"})},
    };
    for (const Case& test : cases)
        EXPECT_EQ(Export(test.args), test.out) << test.args.front();
    const Result unnamed = Run({"export", "-x.txt"});
    varscope::core::platform::SetCurrentFolder(before);
    EXPECT_EQ(unnamed.exitCode, 2);
    EXPECT_NE(unnamed.err.find("unknown option '-x'"), std::string::npos) << unnamed.err;
}

TEST_F(CliTest, emptyReport_emptyOutputExitZero) {
    const std::string path = temp("empty.txt");
    WriteBytes(path, "");
    EXPECT_EQ(Export({path}), "");
    EXPECT_EQ(Export({path, "--view", "summary"}), "");
}

TEST_F(CliTest, randomBytes_readLikeAnyReport) {
    // Random bytes around one definition line, as in a damaged or foreign file.
    EXPECT_EQ(Export({kRandom}), std::string("User|EMBEDDED|") + '\0' + "\xFF |x|\r\n");
    for (const std::string view : {"summary", "files"})
        EXPECT_EQ(Run({"export", kRandom, "--view", view}).exitCode, 0) << view;
}

TEST_F(CliTest, missingOrFolderReport_exitOneNamingTheFile) {
    for (const std::string& path : {temp("no such report.txt"), m_folder.string()}) {
        const Result result = Run({"export", path});
        EXPECT_EQ(result.exitCode, 1) << path;
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err.find(path), std::string::npos) << result.err;
    }
}

TEST_F(CliTest, unwritableOut_exitOneNamingTheFile) {
    for (const std::string& path : {temp("missing folder/out.txt"), m_folder.string()}) {
        const Result result = Run({"export", kRealistic, "--out", path});
        EXPECT_EQ(result.exitCode, 1) << path;
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err.find(path), std::string::npos) << result.err;
    }
    EXPECT_TRUE(fs::is_directory(m_folder));
}

TEST_F(CliTest, badUsage_exitTwoWithMessage) {
    const std::string missing = temp("missing.txt");
    ExpectUsageError({}, "no command");
    ExpectUsageError({"import", kRealistic}, "import");
    ExpectUsageError({"export"}, "no report");
    ExpectUsageError({"export", kRealistic, kRealistic}, "more than one report");
    ExpectUsageError({"export", kRealistic, "--colour"}, "--colour");
    ExpectUsageError({"export", kRealistic, "--out"}, "--out needs a value");
    ExpectUsageError({"export", kRealistic, "--out", ""}, "--out needs a file name");
    ExpectUsageError({"export", "--", kRealistic, "--view", "files"}, "more than one report");
    ExpectUsageError({"export", kRealistic, "--view", "tree"}, "tree");
    ExpectUsageError({"export", kRealistic, "--view", "isolate"}, "--name");
    ExpectUsageError({"export", kRealistic, "--view", "isolate", "--name", "A", "--level", "8"},
                     "--level");
    ExpectUsageError({"export", kRealistic, "--name", "MS_DEF"}, "isolate");
    ExpectUsageError({"export", kRealistic, "--columns", "level,size"}, "level,size");
    ExpectUsageError({"export", kRealistic, "--columns", ""}, "column");
    // Bad usage is told as such even when the report is missing as well.
    ExpectUsageError({"export", missing, "--view", "isolate", "--level", "Workspaces"},
                     "Workspaces");
    ExpectUsageError({"export", missing, "--view", "isolate", "--level", "14"}, "'14'");
    ExpectUsageError({"export", missing, "--view", "isolate", "--level", "3"}, "'3'");
}

TEST_F(CliTest, categoryView_theDemoTreeAsTheExportWritesIt) {
    const std::string out =
        Export({kSample, "--view", "category", "--categories", kDemoCategories});
    // A member defined at two levels, then one the report lacks, which is a leaf.
    const std::string seeds = "Seeds\n"
                              "\tSeed files   [MS_SEEDFILES]\n"
                              "\t\tC:/Bentley/Workspace/Standards/seed/\n"
                              "\t\tC:/Bentley/Workspace/ProjectData/Civil/seed/\n"
                              "\t\tCell seed   [MS_CELLSEED]\n"
                              "Design files\n";
    EXPECT_EQ(out.substr(0, seeds.size()), seeds);
    varscope::core::ReportData report = varscope::core::ParseReport(ReadBytes(kSample));
    const auto tree = varscope::core::BuildCategoryTree(
        varscope::core::ReadCategoryListing(kDemoCategories), report);
    EXPECT_EQ(out, varscope::core::CategoryExportText(tree) + "\r\n");
    EXPECT_EQ(std::count(out.begin(), out.end(), '\r'), 1);
    EXPECT_EQ(Export({kSample, "--view", "category", "--categories", kDemoCategories, "--columns",
                      "level", "--delimiter", "tab"}),
              out);

    // A missing category file is an empty tree.
    EXPECT_EQ(Export({kSample, "--view", "category", "--categories", temp("missing.txt")}), "\r\n");

    // A repeated name is told as the window tells it; what was built before it goes out.
    WriteBytes(temp("repeated.txt"), "[node=Seeds]\r\nSeed files=MS_SEEDFILES\r\n"
                                     "[node=Plot]\r\nseed FILES=MS_PENTABLE\r\n");
    const Result repeated = Run({"export", "--eol=crlf", kSample, "--view", "category",
                                 "--categories", temp("repeated.txt")});
    EXPECT_EQ(repeated.exitCode, 0);
    EXPECT_EQ(repeated.err, "Error. Unique Name Required in Category File.\n"
                            "Multiple Instances of: seed FILES\n");
    EXPECT_EQ(repeated.out, "Seeds\n\t\tSeed files   [MS_SEEDFILES]\nPlot\n\r\n");

    ExpectUsageError({"export", kSample, "--view", "category"}, "--categories");
    ExpectUsageError({"export", kSample, "--categories", kDemoCategories}, "--categories");
}

// The two names had one 64-bit hash in the reader that the winners once keyed by.
TEST_F(CliTest, namesOfOneOldHash_diffAndFinalKeepThemApart) {
    const std::string oldReport = temp("old.txt");
    const std::string newReport = temp("new.txt");
    WriteBytes(oldReport,
               Crlf({"Processing macro file [C:\\cfg\\a.cfg]", "(system): MS_SEEDFILES_XYZ=s [s]",
                     "(user): AXYWZ_OGiLOiqOKX=a [a]"}));
    WriteBytes(newReport,
               Crlf({"Processing macro file [C:\\cfg\\a.cfg]", "(system): MS_SEEDFILES_XYZ=s [s]",
                     "(user): AXYWZ_OGiLOiqOKX=b [b]", "(user): AXYWZ_OGiLOiqOKX=c [c]"}));
    const Result diff = Run({"diff", "--all", "--eol=crlf", oldReport, newReport});
    EXPECT_EQ(diff.exitCode, 1) << diff.err;
    EXPECT_EQ(diff.out,
              Crlf({"changed|AXYWZ_OGiLOiqOKX|User|a|C:\\cfg\\a.cfg|User|c|C:\\cfg\\a.cfg",
                    "same|MS_SEEDFILES_XYZ|System|s|C:\\cfg\\a.cfg|System|s|C:\\cfg\\a.cfg"}));
    EXPECT_EQ(Export({newReport, "--columns", "variable,final"}),
              Crlf({"MS_SEEDFILES_XYZ|1", "AXYWZ_OGiLOiqOKX|", "AXYWZ_OGiLOiqOKX|1"}));
}

TEST_F(CliTest, diff_exitsZeroWhenTheSameOneWhenDifferentTwoOnTrouble) {
    const std::string oldReport = kFixtures + "/compare_old_msdebug.txt";
    const std::string newReport = kFixtures + "/compare_new_msdebug.txt";

    const Result same = Run({"diff", oldReport, oldReport});
    EXPECT_EQ(same.exitCode, 0) << same.err;
    EXPECT_EQ(same.out, "");

    const Result different =
        Run({"diff", "--eol", "crlf", "--delimiter", "tab", oldReport, newReport});
    EXPECT_EQ(different.exitCode, 1) << different.err;
    ExpectCrLfLines(different.out, 8);
    EXPECT_EQ(different.out.rfind("changed\tCIVIL_LOG\tSystem\tC:/Work/jsmith/tmp/civil.log\t", 0),
              0u);

    const Result all = Run({"diff", "--all", "--out", temp("diff.txt"), oldReport, newReport});
    EXPECT_EQ(all.exitCode, 1) << all.err;
    EXPECT_EQ(all.out, "");
    ExpectCrLfLines(ReadBytes(temp("diff.txt")), 9);

    const Result missing = Run({"diff", oldReport, temp("missing.txt")});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_NE(missing.err.find("missing.txt"), std::string::npos) << missing.err;
    ExpectUsageError({"diff", oldReport}, "two reports");
    ExpectUsageError({"diff", oldReport, newReport, "--bogus"}, "--bogus");

    const Result help = Run({"diff", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("Exit status"), std::string::npos);
}

TEST_F(CliTest, version_nameAndVersionExitZero) {
    for (const std::string option : {"--version", "--vers"}) {
        Result result = Run({option});
        EXPECT_EQ(result.exitCode, 0) << option;
        EXPECT_EQ(result.err, "");
        // A message, not data: its line end is of no account.
        std::erase(result.out, '\r');
        EXPECT_EQ(result.out, "varscope-cli " + std::string(varscope::core::kVersionText) + "\n");
    }
}

TEST_F(CliTest, longWithEqualsShortAndJoined_sameAsSpelledOut) {
    const std::string out = temp("out.txt");
    const std::string expected =
        Crlf({"Site\t\t$(_USTN_SITE)dgn/ ", "Project\t\t$(_USTN_PROJECTDATA)dgn/ ",
              "User\t\t$(_USTN_PROJECTDATA)dgn/jsmith/ "});
    const std::vector<std::vector<std::string>> spellings = {
        {"--view", "isolate", "--name", "MS_DEF", "--columns", "level,value", "--delimiter", "tab"},
        {"--view=isolate", "--name=MS_DEF", "--columns=level,value", "--delimiter=tab"},
        {"-v", "isolate", "-n", "MS_DEF", "-c", "level,value", "-d", "tab"},
        {"-visolate", "-nMS_DEF", "-clevel,value", "-dtab"},
        {"--vi=isolate", "--na", "MS_DEF", "--col=level,value", "--del", "tab"},
        {"-v", "all", "--view=isolate", "-n", "A", "-nMS_DEF", "-c", "level,value", "-d", "tab"},
    };
    for (const std::vector<std::string>& spelling : spellings) {
        std::vector<std::string> args = spelling;
        args.push_back(kRealistic);
        EXPECT_EQ(Export(args), expected) << spelling.front();
        // The out file and the level by their short forms too.
        args.insert(args.end(), {"-o", out});
        EXPECT_EQ(Export(args), "");
        EXPECT_EQ(ReadBytes(out), expected) << spelling.front();
    }
    EXPECT_EQ(Export({"-l", "site", "-c", "variable", kRealistic, "-v", "isolate"}),
              Crlf({"MS_CELL", "MS_DEF", "MS_SEEDFILES"}));
    EXPECT_EQ(Run({"diff", "-a", "-d", "tab", "-o", out, kRealistic, kRealistic}).exitCode, 0);
    EXPECT_NE(ReadBytes(out).find("same\tMS_DEF\tUser\t"), std::string::npos);
}

TEST_F(CliTest, unknownOption_namesTheNearestKnownOne) {
    const struct {
        std::vector<std::string> args;
        std::string mentions;
    } cases[] = {
        {{"export", kRealistic, "--colour", "level"},
         "'--colour'; the nearest known one is -c, --columns"},
        {{"export", "--vew=summary", kRealistic}, "'--vew'; the nearest known one is -v, --view"},
        {{"export", "--delimter", "tab", kRealistic}, "-d, --delimiter"},
        {{"export", "--c", "x", kRealistic},
         "'--c' is ambiguous; it may be --categories or --columns"},
        {{"export", "-q", kRealistic}, "unknown option '-q'"},
        {{"export", "--help=yes", kRealistic}, "--help takes no value"},
        {{"export", kRealistic, "-o"}, "--out needs a value"},
        {{"export", kRealistic, "--eol"}, "--eol needs a value"},
        {{"diff", "--al", "--bogus", kRealistic, kRealistic},
         "'--bogus'; the nearest known one is"},
        {{"--verison"}, "the nearest known one is --version"},
        {{"exprot", kRealistic}, "the commands are export, diff"},
    };
    for (const auto& test : cases)
        ExpectUsageError(test.args, test.mentions);
}

TEST_F(CliTest, dashReport_readsStandardInput) {
    const std::vector<std::vector<std::string>> views = {
        {},
        {"--view", "summary"},
        {"--view", "files"},
        {"-c", "variable,final"},
        {"--view", "category", "--categories", kDemoCategories}};
    for (const std::vector<std::string>& view : views) {
        std::vector<std::string> fromFile = view;
        fromFile.push_back(kSample);
        std::vector<std::string> fromInput = view;
        fromInput.push_back("-");
        const std::string expected = Export(fromFile);
        EXPECT_FALSE(expected.empty());
        EXPECT_EQ(Export(fromInput, kSample), expected) << (view.empty() ? "all" : view.back());
    }
    // Either side of a comparison.
    const std::string oldReport = kFixtures + "/compare_old_msdebug.txt";
    const std::string newReport = kFixtures + "/compare_new_msdebug.txt";
    const Result files = Run({"diff", oldReport, newReport});
    const Result input = Run({"diff", "-", newReport}, {}, oldReport);
    EXPECT_EQ(input.exitCode, 1) << input.err;
    EXPECT_EQ(input.out, files.out);
    ExpectUsageError({"diff", "-", "-"}, "standard input");
    // Malformed lines are counted against standard input by that name.
    const Result hostile = Run({"export", "-"}, {}, kHostile);
    EXPECT_EQ(hostile.err, "varscope-cli: 1 malformed line skipped in standard input\n");
}

TEST_F(CliTest, outDashOrNone_standardOutputNeverAFileNamedDash) {
    const std::string before = varscope::core::platform::CurrentFolder();
    ASSERT_TRUE(varscope::core::platform::SetCurrentFolder(m_folder.string()));
    const std::string named = Export({"--out", "-", kRealistic});
    const std::string joined = Export({"-o-", kRealistic});
    const std::string none = Export({kRealistic});
    const bool dashMade = fs::exists(m_folder / "-");
    varscope::core::platform::SetCurrentFolder(before);
    EXPECT_EQ(named, kRealisticAll);
    EXPECT_EQ(joined, kRealisticAll);
    EXPECT_EQ(none, kRealisticAll);
    EXPECT_FALSE(dashMade);
}

// CR LF from the format into files; standard output in the system's text line ends, so that
// grep's "$" matches on Linux; --eol chooses either anywhere.
TEST_F(CliTest, eol_filesCrLfStandardOutputNativeEitherOnRequest) {
    const bool windows = varscope::core::platform::Separator() == '\\';
    const auto lf = [](std::string text) {
        std::string out;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
                out += text[i];
        }
        return out;
    };
    const std::string file = temp("eol.txt");
    const std::vector<std::vector<std::string>> views = {
        {"-c", "variable"},
        {"--view", "summary"},
        {"--view", "category", "--categories", kDemoCategories},
        {"-c", "level,final"}};
    for (const std::vector<std::string>& view : views) {
        std::vector<std::string> args = view;
        args.push_back(kSample);
        const std::string crlf = Export(args); // --eol=crlf, the format itself
        ASSERT_NE(crlf.find("\r\n"), std::string::npos);
        std::vector<std::string> plain = args;
        plain.insert(plain.begin(), "export");
        EXPECT_EQ(Run(plain).out, windows ? crlf : lf(crlf)) << view.back();
        args.push_back("--eol=lf");
        EXPECT_EQ(Export(args), lf(crlf)) << view.back();
        args.insert(args.end(), {"--out", file});
        Export(args);
        EXPECT_EQ(ReadBytes(file), lf(crlf));
        args.pop_back();
        args.pop_back();
        args.pop_back();
        args.insert(args.end(), {"--out", file});
        plain = args;
        plain.insert(plain.begin(), "export");
        EXPECT_EQ(Run(plain).exitCode, 0);
        EXPECT_EQ(ReadBytes(file), crlf) << view.back();
    }
    // The count a Linux user expects from grep.
    const std::string names = Run({"export", "-c", "variable", "-"}, {}, kSample).out;
    std::size_t matches = 0;
    for (std::size_t at = names.find("MS_DEF\n"); at != std::string::npos;
         at = names.find("MS_DEF\n", at + 1))
        matches += at == 0 || names[at - 1] == '\n';
    EXPECT_EQ(matches, windows ? 0u : 1u);
    // A large export, written in many blocks, loses no CR that is not before an LF.
    const std::string report = varscope::bench::GenerateReport(20'000, 79);
    WriteBytes(temp("large.txt"), report);
    EXPECT_TRUE(Export({"--eol", "lf", temp("large.txt")}) == lf(ExportOfTable(report)));
    ExpectUsageError({"export", "--eol", "cr", kSample}, "'cr' (use lf or crlf)");
    ExpectUsageError({"diff", "--eol=unix", kSample, kSample}, "'unix'");
}

TEST_F(CliTest, oneColumn_neitherLeadsNorEndsWithADelimiter) {
    const struct {
        std::string name;
        std::string column;
        std::string line;
    } cases[] = {{"MS_CELL", "level", "Site"},
                 {"MS_CELL", "variable", "MS_CELL"},
                 {"MS_CELL", "value", "$(_USTN_SITE)cell/ "},
                 {"MS_CELL", "expansion", "C:/Bentley/Workspace/Standards/cell/"},
                 {"MS_CELL", "file", kSite},
                 {"MS_CELL", "final", "1"},
                 {"MS_CELL", "locked", ""},
                 {"_USTN_USER", "locked", "1"}};
    for (const auto& test : cases)
        EXPECT_EQ(Export({"--view", "isolate", "--name", test.name, "--columns", test.column,
                          "--delimiter", ";", kRealistic}),
                  Crlf({test.line}))
            << test.column;
}

namespace {

const std::string kSecondUser = kExamples + "/sample-mbrown-msdebug.txt";
const std::string kDemoPcf = "C:\\Bentley\\Workspace\\Projects\\jsmith\\Civil.pcf";
const std::string kDemoLocal = "C:\\Bentley\\MicroStation\\config\\mslocal.cfg";
const std::string kDemoMsconfig = "C:\\Bentley\\MicroStation\\config\\msconfig.cfg";
const std::string kMbrownUcf = "C:\\Bentley\\Workspace\\Users\\mbrown.ucf";

std::string Lf(std::initializer_list<std::string_view> lines) {
    std::string out;
    for (const std::string_view line : lines) {
        out += line;
        out += "\n";
    }
    return out;
}

// The chain of MS_DEF in the demo report, down to a predefined variable.
const std::string kDemoMsDef = Lf({
    "MS_DEF = $(_USTN_PROJECTDATA)dgn/  [C:/Bentley/Workspace/ProjectData/Civil/dgn/]  "
    "(Project, " +
        kDemoPcf + ")",
    "  _USTN_PROJECTDATA = $(_USTN_PROJECTSDATA)Civil/  [C:/Bentley/Workspace/ProjectData/Civil/]  "
    "(Project, " +
        kDemoPcf + ")",
    "    _USTN_PROJECTSDATA = $(_USTN_WORKSPACEROOT)ProjectData/  "
    "[C:/Bentley/Workspace/ProjectData/]  (System, " +
        kDemoLocal + ")",
    "      _USTN_WORKSPACEROOT = $(_ROOTDIR)Workspace/  [C:/Bentley/Workspace/]  (System, " +
        kDemoLocal + ")",
    "        _ROOTDIR = C:/Bentley/  [C:/Bentley/]  (Predefined, " + kDemoMsconfig + ")",
});

} // namespace

TEST_F(CliTest, explain_theDemoChainItsHelpExampleAndTheUndefinedLines) {
    Result result = Run({"explain", kSample, "MS_DEF"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, kDemoMsDef);
    // MS_DEF has one definition: at its moment the same chain.
    EXPECT_EQ(Run({"explain", kSample, "MS_DEF", "--record", "1"}).out, kDemoMsDef);

    result = Run({"explain", "--help"});
    EXPECT_EQ(result.exitCode, 0);
    std::string example;
    for (std::size_t at = result.out.find("  MS_DEF = "); at < result.out.size();) {
        const std::size_t end = result.out.find('\n', at);
        example += result.out.substr(at + 2, end - at - 1);
        at = end + 1;
    }
    EXPECT_EQ(example, kDemoMsDef);

    EXPECT_EQ(
        Run({"explain", kSecondUser, "MS_PENTABLE"}).out,
        Lf({"MS_PENTABLE = ${MBROWN_PLOTDIR}drainage.tbl  [drainage.tbl]  (User, " + kMbrownUcf +
                ")",
            "  MBROWN_PLOTDIR: not defined at this point; first defined later in " + kMbrownUcf}));
    const std::string shared = Run({"explain", kSecondUser, "MS_REFERENCE_LIB"}).out;
    EXPECT_NE(shared.find("\n  MBROWN_SHARED: never defined\n"), std::string::npos) << shared;
}

TEST_F(CliTest, explainUsedBy_everyReferringDefinitionInReportOrder) {
    const Result result = Run({"explain", kSecondUser, "MBROWN_ARCHIVE", "--used-by"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, Lf({"MS_ARCHIVE_DGN = $(MBROWN_ARCHIVE)dgn/  "
                              "[C:/Bentley/Workspace/UserData/mbrown/archivedgn/]  (User, " +
                              kMbrownUcf + ")"}));
    // Used by nothing: printed, nothing to print.
    const Result unused = Run({"explain", kSecondUser, "MS_ARCHIVE_DGN", "--used-by"});
    EXPECT_EQ(unused.exitCode, 0);
    EXPECT_EQ(unused.out, "");
}

TEST_F(CliTest, explainExitCodes_oneWithoutADefinitionTwoForTrouble) {
    Result result = Run({"explain", kSample, "ms_def"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "varscope-cli: the report has no definition of ms_def\n");

    result = Run({"explain", kSample, "MS_DEF", "--record", "2"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("MS_DEF has 1 definition"), std::string::npos) << result.err;

    ExpectUsageError({"explain", kSample, "MS_DEF", "--record", "0"}, "--record");
    ExpectUsageError({"explain", kSample, "MS_DEF", "--record", "x1"}, "--record");
    ExpectUsageError({"explain", kSample, "MS_DEF", "--record"}, "--record");
    ExpectUsageError({"explain", kSample}, "needs a report and a name");
    ExpectUsageError({"explain", kSample, "MS_DEF", "--bogus"}, "--bogus");
    ExpectUsageError({"explain", kSample, "MS_DEF", "--record", "1", "--used-by"}, "--used-by");
    ExpectUsageError({"explain", temp("missing.txt"), "MS_DEF"}, "missing.txt");
}

TEST_F(CliTest, check_theSecondUsersMistakesCountAndExitCodes) {
    const std::string locked = ": MS_LINESTYLE: warning: tries to change MS_LINESTYLE after it "
                               "was locked; it kept "
                               "C:/Bentley/Workspace/Standards/symb/office_lstyle.rsc "
                               "[locked-change]";
    Result result = Run({"check", kSecondUser});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out,
              Lf({kMbrownUcf + locked,
                  kMbrownUcf + ": MS_REFERENCE_LIB: warning: refers to MBROWN_SHARED, which the "
                               "report never defines; it expands to nothing [undefined]",
                  kMbrownUcf +
                      ": MS_PENTABLE: warning: uses ${MBROWN_PLOTDIR} before it is "
                      "defined (first in " +
                      kMbrownUcf + "); it expanded to nothing here [defined-later]",
                  kMbrownUcf + ": MS_ARCHIVE_DGN: warning: $(MBROWN_ARCHIVE) is "
                               "C:/Bentley/Workspace/UserData/mbrown/archive, with no separator "
                               "before dgn [missing-separator]",
                  "C:\\Bentley\\Workspace\\Projects\\mbrown\\Drainage.pcf" + locked}));
    EXPECT_EQ(result.err, "5 warnings\n");

    result = Run({"check", kSecondUser, "--rule", "undefined,missing-separator"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "2 warnings\n");

    // The first user's report is clean; a report with notes only passes --severity warning.
    result = Run({"check", kSample});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "no problems found\n");
    const std::string twice = temp("twice.txt");
    WriteBytes(twice, "Processing macro file [C:\\a.cfg]\r\nProcessing macro file [C:\\A.cfg]\r\n"
                      "(user): BROKEN\r\n");
    result = Run({"check", twice});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out,
              "C:\\a.cfg: -: note: was processed 2 times [file-twice]\n" + twice +
                  ": -: note: 1 line of the report was not understood [unread-lines]\n");
    EXPECT_EQ(result.err, "2 notes\n");
    result = Run({"check", twice, "--severity", "warning"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "");

    ExpectUsageError({"check", kSample, "--rule", "undefined,bogus"},
                     "unknown rule 'bogus' (the rules are undefined, defined-later");
    ExpectUsageError({"check", kSample, "--severity", "error"}, "unknown severity 'error'");
    ExpectUsageError({"check"}, "no report given");
    ExpectUsageError({"check", temp("missing.txt")}, "missing.txt");
}

TEST_F(CliTest, utf16Report_refusedSayingSoExitTwo) {
    using namespace std::literals;
    std::string little = "\xFF\xFE"s;
    for (const char c : std::string_view(kRealisticAll).substr(0, 200))
        little += {c, '\0'};
    const std::string utf16 = temp("unicode.txt");
    WriteBytes(utf16, little);
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"export", utf16},
             {"export", utf16, "--columns", "variable,final"},
             {"export", utf16, "--view", "category", "--categories", kDemoCategories},
             {"export", utf16, "--out", utf16},
             {"diff", utf16, kRealistic},
             {"diff", kRealistic, utf16}}) {
        std::string shown;
        for (const std::string& arg : args)
            shown += arg + " ";
        SCOPED_TRACE(shown);
        const Result result = Run(args);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.out, "");
        EXPECT_NE(
            result.err.find(utf16 + ": is UTF-16 and is not a report as MicroStation writes it"),
            std::string::npos)
            << result.err;
    }
    EXPECT_EQ(ReadBytes(utf16), little);
}

// The paths that read a report whole, under a limit on the memory the program may have.
class CliMemoryTest : public CliTest {
protected:
    void SetUp() override {
#if defined(__SANITIZE_ADDRESS__)
        GTEST_SKIP() << "the sanitizer's shadow memory does not fit under a memory limit";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
        GTEST_SKIP() << "the sanitizer's shadow memory does not fit under a memory limit";
#endif
#endif
        if (varscope::core::platform::Separator() == '\\')
            GTEST_SKIP() << "ulimit is a POSIX shell's";
        CliTest::SetUp();
        // 200 MiB of NUL bytes without a line end, taking no room on the disk.
        m_zeros = temp("zeros.bin");
        WriteBytes(m_zeros, "");
        fs::resize_file(m_zeros, std::uintmax_t{200} << 20);
    }

    // Each command that reads a report whole, with the exit status it gives on failure.
    std::vector<std::pair<std::vector<std::string>, int>> WholeReadings() const {
        return {{{"diff", m_zeros, m_zeros}, 2},
                {{"export", m_zeros, "--columns", "variable,final,locked"}, 1},
                {{"export", m_zeros, "--view", "category", "--categories", kDemoCategories}, 1}};
    }

    std::string m_zeros;
};

TEST_F(CliMemoryTest, reportWithoutLineEnds_heldNoLongerThanTheLongestLine) {
    // Read whole, the file would take more than the limit; a line over 64 MiB is skipped.
    for (const auto& [args, failure] : WholeReadings()) {
        SCOPED_TRACE(args[0]);
        const Result result = Run(args, {}, {}, "ulimit -v 150000; ");
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_NE(result.err.find("1 malformed line skipped"), std::string::npos) << result.err;
    }
}

TEST_F(CliMemoryTest, memoryRunsOut_toldWithTheExitStatusNotAnAbort) {
    for (const auto& [args, failure] : WholeReadings()) {
        SCOPED_TRACE(args[0]);
        const Result result = Run(args, {}, {}, "ulimit -v 40000; ");
        EXPECT_EQ(result.exitCode, failure) << result.err;
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err.find(m_zeros + ": does not fit in the memory there is"),
                  std::string::npos)
            << result.err;
    }
}

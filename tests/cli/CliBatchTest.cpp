// The built ombreltenc-cli program running batches through the application's job: generated and
// typed passwords recorded in the password file open the copies in qpdf, several files at once
// give the same result as one at a time, the window's checks refuse a bad password file, and
// Ctrl-C leaves a password file that matches the copies.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/pdf/io/TestPdf.h"
#include "tests/support/CsvReader.h"
#include "tests/support/TestTools.h"

extern char** environ;

namespace cli {
namespace {

using pdf::testing::HasProgram;
using pdf::testing::Quote;
using pdf::testing::ReadCsv;
using pdf::testing::ReadFile;
using pdf::testing::RunCommand;
using pdf::testing::TempFolder;
using pdf::testing::WriteFile;

namespace fs = std::filesystem;

constexpr std::string_view kDefaultPool = "1234567890ABCDEFGHJKLMNPQRSTUVWXYZ";
constexpr std::string_view kSpecials = "!?/*+-@#$";

bool Contains(const std::string& text, std::string_view part) { return text.find(part) != std::string::npos; }

bool AllFrom(const std::string& text, std::string_view pool) {
  return std::all_of(text.begin(), text.end(), [&](char c) { return pool.find(c) != std::string_view::npos; });
}

// What qpdf makes of password on file: "owner", "user", or "" when it does not open the file.
std::string QpdfRole(const fs::path& file, const std::string& password) {
  const std::string report =
      RunCommand("qpdf --show-encryption " + Quote("--password=" + password) + " " + Quote(file.string())).output;
  if (Contains(report, "Supplied password is owner password")) return "owner";
  if (Contains(report, "Supplied password is user password")) return "user";
  return "";
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

// The names in folder, hidden ones (temporary files) included.
std::set<std::string> Names(const fs::path& folder) {
  std::set<std::string> names;
  if (!fs::exists(folder)) return names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
  return names;
}

struct TRecord {
  std::string name;
  std::string open;
  std::string owner;
  std::string path;
};

class CliBatch : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(Path("in"));
    WriteFile(Path("open.txt"), "typed open\n");
  }

  std::string Path(const std::string& name) const { return (folder_ / name).string(); }

  // Inputs in/f00.pdf ... in the test folder.
  void MakeInputs(int count) {
    const std::string pdf = pdf::testing::OnePageDocument().Finish("/Root 1 0 R");
    for (int i = 0; i < count; ++i) WriteFile(Path(InputName(i)), pdf);
  }
  static std::string InputName(int i) { return "in/f" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".pdf"; }

  pdf::testing::CommandResult Cli(const std::string& arguments, const std::string& environment = "") const {
    return RunCommand("cd " + Quote(folder_.Path().string()) + " && " + environment + " " + Quote(OMBRELT_CLI_PATH) +
                      " " + arguments);
  }

  // The password file's lines after its header, which must be there once.
  std::vector<TRecord> Records(const std::string& csv = "passwords.csv") const {
    const auto rows = ReadCsv(ReadFile(Path(csv)));
    std::vector<TRecord> records;
    EXPECT_FALSE(rows.empty());
    for (std::size_t i = 0; i < rows.size(); ++i) {
      EXPECT_EQ(rows[i].size(), 4u) << i;
      if (rows[i].size() != 4) continue;
      if (i == 0) {
        EXPECT_EQ(rows[i], (std::vector<std::string>{"File Name", "Open Password", "Owner Password", "File Path"}));
        continue;
      }
      records.push_back({rows[i][0], rows[i][1], rows[i][2], rows[i][3]});
    }
    return records;
  }

  TempFolder folder_;
};

struct PasswordCase {
  std::string name;
  std::string options;
  std::string expectedOpen;   // "typed", "generated" or "" (none)
  std::string expectedOwner;  // likewise
  std::string_view openPool;
  std::string_view ownerPool;
  std::size_t openLength;
  std::size_t ownerLength;
};

const PasswordCase kPasswordCases[] = {
    {"both generated with the defaults", "--open-password-auto --owner-password-auto", "generated", "generated",
     kDefaultPool, kDefaultPool, 8, 8},
    {"typed open, generated owner of specials",
     "--open-password-file open.txt --owner-password-auto --owner-length 12 --owner-chars specials",
     "typed",
     "generated",
     {},
     kSpecials,
     0,
     12},
    {"generated lower-case open, typed owner",
     "--open-password-auto --open-lower --open-chars letters --open-length 20 --owner-password-env OWNER",
     "generated",
     "typed",
     "abcdefghjklmnpqrstuvwxyz",
     {},
     20,
     0},
    {"generated open alone, no owner",
     "--open-password-auto --open-chars digits",
     "generated",
     "",
     "1234567890",
     {},
     8,
     0},
};

TEST_F(CliBatch, EveryCopyHasOneLineWhosePasswordsOpenIt) {
  if (!HasProgram("qpdf")) GTEST_SKIP() << "qpdf is not installed";
  MakeInputs(3);
  for (const PasswordCase& c : kPasswordCases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(Path("out"));
    fs::remove(Path("passwords.csv"));
    const auto run =
        Cli("encrypt " + c.options + " --password-file passwords.csv --output-dir out in", "OWNER='typed owner'");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(run.output, "in/f00.pdf: Succeed!\nin/f01.pdf: Succeed!\nin/f02.pdf: Succeed!\n");
    const std::vector<TRecord> records = Records();
    ASSERT_EQ(records.size(), 3u);
    std::set<std::string> generated;
    for (std::size_t i = 0; i < records.size(); ++i) {
      const TRecord& r = records[i];
      const fs::path copy = Path("out/f0" + std::to_string(i) + "_Secure.pdf");
      EXPECT_EQ(r.name, "f0" + std::to_string(i));
      EXPECT_EQ(r.path, Path(InputName(static_cast<int>(i))));
      const auto expect = [&](const std::string& password, const std::string& kind, std::string_view pool,
                              std::size_t length, const std::string& typed) {
        if (kind != "generated") {
          EXPECT_EQ(password, kind == "typed" ? typed : "");
          return;
        }
        EXPECT_EQ(password.size(), length) << password;
        EXPECT_TRUE(AllFrom(password, pool)) << password;
        EXPECT_TRUE(generated.insert(password).second) << "repeated: " << password;
      };
      expect(r.open, c.expectedOpen, c.openPool, c.openLength, "typed open");
      expect(r.owner, c.expectedOwner, c.ownerPool, c.ownerLength, "typed owner");
      EXPECT_EQ(RunCommand("qpdf --check " + Quote("--password=" + r.open) + " " + Quote(copy.string())).exitCode, 0);
      EXPECT_EQ(QpdfRole(copy, r.open), r.owner.empty() ? "owner" : "user") << r.open;
      if (!r.owner.empty()) {
        EXPECT_EQ(QpdfRole(copy, r.owner), "owner") << r.owner;
      }
    }
  }
}

TEST_F(CliBatch, NamedOutputIsRecordedAndWrittenWithoutLeftovers) {
  if (!HasProgram("qpdf")) GTEST_SKIP() << "qpdf is not installed";
  MakeInputs(1);
  fs::create_directories(Path("single"));
  const auto run =
      Cli("encrypt --owner-password-auto --password-file passwords.csv -o single/Chosen.pdf --level aes-128 " +
          InputName(0));
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(Names(Path("single")), std::set<std::string>{"Chosen.pdf"});
  const std::vector<TRecord> records = Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].name, "f00");
  EXPECT_EQ(QpdfRole(Path("single/Chosen.pdf"), records[0].owner), "owner");
}

// The warning reaches the user of the command line before the status lines; the file's mode is
// the user's to change.
TEST_F(CliBatch, AddingToAPasswordFileOthersCanReadWarns) {
  MakeInputs(1);
  WriteFile(Path("passwords.csv"), "");
  ASSERT_EQ(::chmod(Path("passwords.csv").c_str(), 0644), 0);
  const auto run = Cli("encrypt --open-password-auto --password-file passwords.csv --output-dir out in");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(run.output, "ombreltenc-cli: warning: the password file \"" + Path("passwords.csv") +
                            "\" can be read by other users (mode 644), and so can the passwords this batch adds to "
                            "it\nin/f00.pdf: Succeed!\n");
  struct stat info {};
  ASSERT_EQ(::stat(Path("passwords.csv").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0644u);
}

struct RefusalCase {
  std::string options;
  std::string message;
};

// The window's checks, with the window's messages, before anything is written.
const RefusalCase kRefusalCases[] = {
    {"--open-password-auto", "Password file path is invalid. Please choose correct one."},
    {"--owner-password-auto --open-password-file open.txt --password-file passwords.txt",
     "Password file path is invalid. Please choose correct one."},
    {"--open-password-auto --password-file missing-folder/passwords.csv",
     "Password file path is invalid. Please choose correct one."},
    {"--open-password-file open.txt --password-file in", "Password file path is invalid. Please choose correct one."},
    {"--open-password-file open.txt --owner-password-env OWNER", "Do not use same password for user and owner."},
    {"--open-password-file open.txt --owner-password-env EMPTY", "No owner password provided."},
};

TEST_F(CliBatch, SettingsTheWindowRefusesAreUsageErrors) {
  MakeInputs(1);
  for (const RefusalCase& c : kRefusalCases) {
    SCOPED_TRACE(c.options);
    const auto run = Cli("encrypt " + c.options + " --output-dir out in", "OWNER='typed open' EMPTY=");
    EXPECT_EQ(run.exitCode, 2) << run.output;
    EXPECT_TRUE(Contains(run.output, "ombreltenc-cli: " + c.message + "\n")) << run.output;
    EXPECT_FALSE(fs::exists(Path("out")));
    EXPECT_FALSE(fs::exists(Path("passwords.csv")));
  }
  // A password file named without a folder is in the current one, which exists.
  const auto run = Cli("encrypt --open-password-auto --password-file PASSWORDS.CSV --output-dir out in");
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(ReadCsv(ReadFile(Path("PASSWORDS.CSV"))).size(), 2u);
}

TEST_F(CliBatch, SeveralJobsGiveTheSameOutputsAndListOrderAndLaterBatchesAppend) {
  if (!HasProgram("qpdf")) GTEST_SKIP() << "qpdf is not installed";
  MakeInputs(9);
  WriteFile(Path("in/f04.pdf"), "not a PDF");  // refused before the batch, in the middle of the list
  const std::string options = "encrypt --open-password-auto --owner-password-auto --password-file passwords.csv ";
  const auto one = Cli(options + "--jobs 1 --output-dir out1 in");
  const auto two = Cli(options + "--jobs 2 --output-dir out2 in");
  EXPECT_EQ(one.exitCode, 1) << one.output;
  EXPECT_EQ(two.exitCode, 1) << two.output;
  EXPECT_EQ(one.output, two.output);
  const std::vector<std::string> lines = Lines(two.output);
  ASSERT_EQ(lines.size(), 9u) << two.output;
  for (int i = 0; i < 9; ++i) {
    EXPECT_TRUE(lines[i].starts_with(InputName(i) + (i == 4 ? ": Failed! not a readable PDF file" : ": Succeed!")))
        << lines[i];
  }
  EXPECT_EQ(Names(Path("out1")), Names(Path("out2")));
  EXPECT_EQ(Names(Path("out2")).size(), 8u);

  // One password file for both batches: the second batch's lines follow the first's, each batch in
  // list order, and each line opens the copy of its own batch.
  const std::vector<TRecord> records = Records();
  ASSERT_EQ(records.size(), 16u);
  for (std::size_t i = 0; i < records.size(); ++i) {
    const int input = static_cast<int>(i % 8) + (i % 8 >= 4 ? 1 : 0);
    EXPECT_EQ(records[i].path, Path(InputName(input))) << i;
    const std::string copy =
        Path((i < 8 ? "out1/" : "out2/") + fs::path(InputName(input)).stem().string() + "_Secure.pdf");
    EXPECT_EQ(QpdfRole(copy, records[i].owner), "owner") << copy;
  }
}

TEST_F(CliBatch, ACopyThatDoesNotFitFailsAndTheBatchKeepsTheOthers) {
  if (!HasProgram("qpdf")) GTEST_SKIP() << "qpdf is not installed";
  // A file size limit stands in for a full disk: writes past it fail (the tool ignores SIGXFSZ, whose
  // default would end the whole batch), as a full disk fails them with ENOSPC. The middle input's
  // copy cannot fit, the small ones can.
  MakeInputs(3);
  pdf::testing::TestPdf big = pdf::testing::OnePageDocument();
  for (int n = 5; n < 2000; ++n) big.Object(n, "(" + std::string(200, 'x') + ")");
  WriteFile(Path(InputName(1)), big.Finish("/Root 1 0 R"));
  const std::string bigInput = ReadFile(Path(InputName(1)));
  const auto run = RunCommand("cd " + Quote(folder_.Path().string()) + " && ulimit -f 64 && " +
                              Quote(OMBRELT_CLI_PATH) +
                              " encrypt --open-password-auto --owner-password-auto --password-file passwords.csv"
                              " --output-dir out in");
  EXPECT_EQ(run.exitCode, 1) << run.output;
  EXPECT_EQ(run.output,
            "in/f00.pdf: Succeed!\nin/f01.pdf: Failed! creating or writing the output file failed: cannot write the "
            "file: File too large\n"
            "in/f02.pdf: Succeed!\n");
  EXPECT_EQ(Names(Path("out")), (std::set<std::string>{"f00_Secure.pdf", "f02_Secure.pdf"}));
  EXPECT_EQ(ReadFile(Path(InputName(1))), bigInput);
  const std::vector<TRecord> records = Records();
  ASSERT_EQ(records.size(), 2u);
  for (const TRecord& r : records) {
    const std::string copy = Path("out/" + r.name + "_Secure.pdf");
    EXPECT_EQ(QpdfRole(copy, r.open), "user") << copy;
    EXPECT_EQ(QpdfRole(copy, r.owner), "owner") << copy;
  }
}

// A password file that stops taking lines ends the run, and every input still gets its status line:
// the files under way fail with the password file's reason, those never started say why the run
// stopped.
TEST_F(CliBatch, APasswordFileThatFillsUpGivesEveryInputItsStatusLine) {
  constexpr std::size_t kLimit = 64 * 1024;
  MakeInputs(6);
  // Room for the first input's line but not for the second's (a line here has about 60 bytes).
  const std::string header = "\"File Name\",\"Open Password\",\"Owner Password\",\"File Path\"\r\n";
  const std::string filler = "\"old\",\"\",\"\",\"" + std::string(kLimit - header.size() - 120, 'x') + "\"\r\n";
  WriteFile(Path("passwords.csv"), header + filler);
  // bash counts the limit in KiB (sh may count 512-byte blocks).
  const std::string command = "ulimit -f " + std::to_string(kLimit / 1024) + " && exec " + Quote(OMBRELT_CLI_PATH) +
                              " encrypt --open-password-auto --password-file passwords.csv --jobs 1 --output-dir out in";
  const auto run = RunCommand("cd " + Quote(folder_.Path().string()) + " && bash -c " + Quote(command));
  EXPECT_EQ(run.exitCode, 1) << run.output;
  const std::vector<std::string> lines = Lines(run.output);
  std::vector<std::string> statusLines;
  std::copy_if(lines.begin(), lines.end(), std::back_inserter(statusLines),
               [](const std::string& line) { return line.starts_with("in/"); });
  ASSERT_EQ(statusLines.size(), 6u) << run.output;
  // The first line may still fit, unless its commit took the second line along.
  const std::size_t succeeded = statusLines[0] == "in/f00.pdf: Succeed!" ? 1 : 0;
  for (std::size_t i = succeeded; i < statusLines.size(); ++i) {
    EXPECT_TRUE(statusLines[i].starts_with(InputName(static_cast<int>(i)) + ": Failed! ")) << statusLines[i];
    EXPECT_TRUE(Contains(statusLines[i], "File too large")) << statusLines[i];
  }
  EXPECT_TRUE(statusLines[5].starts_with("in/f05.pdf: Failed! not started: the run stopped: The password file"))
      << statusLines[5];
  EXPECT_TRUE(Contains(run.output, "ombreltenc-cli: The password file")) << run.output;
  EXPECT_EQ(Names(Path("out")).size(), succeeded);
}

// The program started in the background, its standard output read line by line.
class TRunningCli {
 public:
  TRunningCli(const std::vector<std::string>& arguments, const fs::path& errorFile) {
    int fds[2];
    EXPECT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> argv{const_cast<char*>(OMBRELT_CLI_PATH)};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    EXPECT_EQ(::posix_spawn(&pid_, OMBRELT_CLI_PATH, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    out_ = ::fdopen(fds[0], "r");
  }
  ~TRunningCli() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (out_ != nullptr) std::fclose(out_);
  }
  TRunningCli(const TRunningCli&) = delete;
  TRunningCli& operator=(const TRunningCli&) = delete;

  // The next line of standard output without its end; empty at the end.
  std::string ReadLine() {
    char buffer[4096];
    if (std::fgets(buffer, sizeof buffer, out_) == nullptr) return "";
    std::string line(buffer);
    if (line.ends_with('\n')) line.pop_back();
    return line;
  }
  void Signal(int signal) const { ::kill(pid_, signal); }
  // The exit status, or -1 when a signal ended the program.
  int Wait() {
    int status = 0;
    ::waitpid(std::exchange(pid_, -1), &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
  std::FILE* out_ = nullptr;
};

TEST_F(CliBatch, CtrlCFinishesTheStartedCopiesAndLeavesAMatchingPasswordFile) {
  if (!HasProgram("qpdf")) GTEST_SKIP() << "qpdf is not installed";
  constexpr int kFiles = 40;
  MakeInputs(kFiles);
  TRunningCli cli({"encrypt", "--open-password-auto", "--owner-password-auto", "--jobs", "2", "--password-file",
                   Path("passwords.csv"), "--output-dir", Path("out"), Path("in")},
                  Path("stderr.txt"));
  std::vector<std::string> lines = {cli.ReadLine()};
  ASSERT_TRUE(lines[0].ends_with(": Succeed!")) << lines[0];
  cli.Signal(SIGINT);
  for (std::string line; !(line = cli.ReadLine()).empty();) lines.push_back(line);
  EXPECT_EQ(cli.Wait(), 1);
  EXPECT_TRUE(Contains(ReadFile(Path("stderr.txt")), "stopped; ")) << ReadFile(Path("stderr.txt"));

  // Stopped part of the way, every started file finished, every other one told it was not started,
  // and nothing else in the folder.
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(kFiles));
  const auto notStarted = std::find_if(lines.begin(), lines.end(),
                                       [](const std::string& line) { return !line.ends_with(": Succeed!"); });
  ASSERT_NE(notStarted, lines.end());
  for (auto line = notStarted; line != lines.end(); ++line) {
    const auto i = static_cast<int>(line - lines.begin());
    EXPECT_EQ(*line, Path(InputName(i)) + ": Failed! not started: the run was stopped");
  }
  lines.erase(notStarted, lines.end());
  const std::vector<TRecord> records = Records();
  ASSERT_EQ(records.size(), lines.size());
  std::set<std::string> expected;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i], Path(InputName(static_cast<int>(i))) + ": Succeed!");
    EXPECT_EQ(records[i].path, Path(InputName(static_cast<int>(i))));
    const std::string name = fs::path(InputName(static_cast<int>(i))).stem().string() + "_Secure.pdf";
    expected.insert(name);
    EXPECT_EQ(QpdfRole(Path("out/" + name), records[i].open), "user") << name;
  }
  EXPECT_EQ(Names(Path("out")), expected);
}

}  // namespace
}  // namespace cli

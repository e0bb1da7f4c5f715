// Every file of the shared corpus goes through the reader and then through the writer as a plain
// copy (one revision, every object written as it was read). qpdf then judges each copy against
// what it reports for the original: a copy may never be in worse shape than its source, and it
// must keep the source's pages.

#include <fcntl.h>
#include <stdlib.h>  // mkdtemp
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "pdf/io/ByteText.h"
#include "pdf/io/FileOperations.h"
#include "pdf/io/PDFReader.h"
#include "pdf/io/PDFWriter.h"
#include "pdf/objects/PDFStructure.h"
#include "pdf/objects/TextConversions.h"

namespace pdf {
namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = OMBRELT_CORPUS_DIR;
constexpr std::int32_t kArenaTurnover = 100;

// Files that do not open, or whose copy keeps fewer pages than qpdf finds in the original. Damaged
// cross-reference data is no reason: the reader rebuilds the table by scanning the file, as qpdf
// does "after xref reconstruction".
struct TExpectation {
  std::string_view file;
  std::uint8_t openError;
  // What qpdf counts in the copy when that differs from the original; empty: as the original.
  std::string_view copyPages;
  std::string_view reason;
};

constexpr TExpectation kExpectations[] = {
    {"not-a-pdf-text.pdf", TSmartPDFReader::kOpenNoHeader, "", "five bytes of text"},
    {"not-a-pdf-png-image.pdf", TSmartPDFReader::kOpenNoHeader, "", "a PNG image"},
};

TExpectation ExpectationFor(std::string_view file) {
  for (const TExpectation& expectation : kExpectations) {
    if (expectation.file == file) return expectation;
  }
  return {file, TSmartPDFReader::kOpenOk, "", ""};
}

using TRow = std::map<std::string, std::string>;

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> fields;
  std::istringstream in(line);
  for (std::string field; std::getline(in, field, '\t');) fields.push_back(field);
  if (!line.empty() && line.back() == '\t') fields.emplace_back();
  return fields;
}

// expected.tsv by file name, each row by column name.
const std::map<std::string, TRow>& ExpectedRows() {
  static const std::map<std::string, TRow> rows = [] {
    std::map<std::string, TRow> result;
    std::ifstream in(kCorpus / "expected.tsv");
    std::string line;
    std::getline(in, line);
    const std::vector<std::string> columns = SplitTabs(line);
    while (std::getline(in, line)) {
      const std::vector<std::string> fields = SplitTabs(line);
      TRow row;
      for (std::size_t i = 0; i < columns.size(); ++i) row[columns[i]] = i < fields.size() ? fields[i] : "";
      result[row["file"]] = row;
    }
    return result;
  }();
  return rows;
}

std::vector<std::string> CorpusFiles() {
  std::vector<std::string> files;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(kCorpus, error)) {
    if (entry.path().extension() == ".pdf") files.push_back(entry.path().filename().string());
  }
  std::sort(files.begin(), files.end());
  // One empty name stands for the missing corpus, so that the suite still exists and skips.
  if (files.empty()) files.emplace_back();
  return files;
}

struct TToolResult {
  int status;  // the exit status; 128 + signal when killed; 127 when it could not run
  std::string output;
};

// Runs a program found on PATH with exact arguments (passwords hold spaces and non-ASCII text).
TToolResult RunTool(const std::vector<std::string>& arguments, bool withErrorOutput) {
  int pipeEnds[2];
  if (::pipe(pipeEnds) != 0) return {127, ""};
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(pipeEnds[1], STDOUT_FILENO);
    ::dup2(withErrorOutput ? pipeEnds[1] : ::open("/dev/null", O_WRONLY), STDERR_FILENO);
    ::close(pipeEnds[0]);
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(pipeEnds[1]);
  TToolResult result{127, ""};
  char buffer[4096];
  for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;) result.output.append(buffer, static_cast<std::size_t>(n));
  ::close(pipeEnds[0]);
  int status = 0;
  if (child > 0 && ::waitpid(child, &status, 0) == child) {
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  return result;
}

bool QpdfAvailable() {
  static const bool available = RunTool({"qpdf", "--version"}, false).status == 0;
  return available;
}

// qpdf --check: 0 clean, 3 warnings, 2 errors; anything else (a crash) ranks worst.
int SeverityOfStatus(int status) { return status == 0 ? 0 : status == 3 ? 1 : status == 2 ? 2 : 3; }
int SeverityOfManifest(std::string_view check) {
  return check == "ok" ? 0 : check == "warnings" ? 1 : check == "errors" ? 2 : 3;
}

// Every object into a scratch arena that is replaced now and then, as a long copy would do.
void ReadEveryObject(TSmartPDFReader& reader) {
  auto arena = std::make_unique<TPDFStructure>();
  for (std::int32_t n = 1; n <= reader.MaxObjectNumber(); ++n) {
    if (n % kArenaTurnover == 0) arena = std::make_unique<TPDFStructure>();
    reader.GetObject(n, arena.get());
  }
}

void WritePlainCopy(TSmartPDFReader& reader, const fs::path& path) {
  const auto output = OpenWideFileStream(UTF8ToUnicode(path.native()), kFileModeCreate);
  TSmartPDFWriter writer(*output);
  writer.WriteHeader(reader.Version().empty() ? "1.4" : reader.Version());
  auto arena = std::make_unique<TPDFStructure>();
  for (std::int32_t n = 1; n <= reader.MaxObjectNumber(); ++n) {
    if (n % kArenaTurnover == 0) arena = std::make_unique<TPDFStructure>();
    const TPDFObject* object = reader.GetObject(n, arena.get());
    writer.WriteObject(n, reader.Generation(n), object != nullptr ? object->ToText() : "null");
  }
  // Encrypted strings and streams are copied as they are, so the key derived from the first /ID
  // must not change: a file that had no /ID was keyed with an empty one and must not gain one.
  const bool hadIdentifier = reader.Trailer()->IndexOfKey("ID") >= 0;
  reader.OnFileIDChanged = [hadIdentifier](TSmartPDFReader& changed) {
    if (changed.HasEncrypt() && !hadIdentifier) changed.Trailer()->DeleteKey("ID");
  };
  reader.PrepareTrailer();
  // The copy has one cross-reference section: a hybrid file's stream section is gone.
  reader.Trailer()->DeleteKey("XRefStm");
  writer.WriteXRefTable(*reader.Trailer(), 0, false);
}

// Objects inside encrypted object streams come back null: decrypting the stream is the
// security handler's part (OnObjectStreamLoaded), which a plain copy does not have.
bool ObjectStreamsEncrypted(TSmartPDFReader& reader) {
  if (!reader.HasEncrypt()) return false;
  bool compressed = false;
  for (std::int32_t n = 1; n <= reader.MaxObjectNumber() && !compressed; ++n) compressed = reader.IsCompressed(n);
  if (!compressed) return false;
  const TPDFDictionary* encrypt = reader.TrailerDictionary("Encrypt");
  if (encrypt == nullptr) return true;
  // Before crypt filters (/V below 4) every stream is encrypted; afterwards /StmF decides,
  // and its default is /Identity.
  if (NumberAsInt64(encrypt->GetValue("V", false)).value_or(0) < 4) return true;
  const auto* filter = As<TPDFName>(encrypt->GetValue("StmF", false));
  return filter != nullptr && filter->Value() != "Identity";
}

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  return text;
}

class CorpusCopy : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "ombrelt-corpus-XXXXXX").native();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  fs::path dir_;
};

TEST_P(CorpusCopy, ReadsEveryObjectAndCopiesWhatOpens) {
  const std::string& file = GetParam();
  if (file.empty()) GTEST_SKIP() << "no corpus at " << kCorpus;
  const auto found = ExpectedRows().find(file);
  ASSERT_NE(found, ExpectedRows().end()) << "expected.tsv has no row for " << file;
  const TRow& row = found->second;
  const TExpectation expectation = ExpectationFor(file);

  const auto input = OpenWideFileStream(UTF8ToUnicode((kCorpus / file).native()), kFileModeInput);
  TSmartPDFReader reader(*input);
  EXPECT_EQ(int{reader.OpenError()}, int{expectation.openError}) << expectation.reason;
  // Objects are read even after a failed open: whatever the table holds must not crash.
  ReadEveryObject(reader);
  if (reader.OpenError() != TSmartPDFReader::kOpenOk) return;

  const fs::path copy = dir_ / "copy.pdf";
  const bool objectStreamsEncrypted = ObjectStreamsEncrypted(reader);
  WritePlainCopy(reader, copy);

  if (!QpdfAvailable()) GTEST_SKIP() << "qpdf is not on PATH (scripts/setup installs it)";
  const std::string& password = row.at("user_password");
  const bool withPassword = row.at("encrypted") == "y" && !password.empty() && password != "?";
  const auto qpdf = [&](std::string option) {
    std::vector<std::string> arguments = {"qpdf", std::move(option)};
    if (withPassword) arguments.push_back("--password=" + password);
    arguments.push_back(copy.native());
    return arguments;
  };

  // Without its object streams' objects, such a copy can be no better than "warnings".
  const int allowed = std::max(SeverityOfManifest(row.at("qpdf_check")), objectStreamsEncrypted ? 1 : 0);
  const TToolResult check = RunTool(qpdf("--check"), true);
  EXPECT_LE(SeverityOfStatus(check.status), allowed)
      << "qpdf --check exit " << check.status << ", original: " << row.at("qpdf_check") << "\n"
      << check.output.substr(0, 2000);

  const std::string pages = expectation.copyPages.empty() ? row.at("pages_qpdf") : std::string(expectation.copyPages);
  // Empty: qpdf cannot count the original's pages either.
  if (objectStreamsEncrypted || pages.empty()) return;
  EXPECT_EQ(Trimmed(RunTool(qpdf("--show-npages"), false).output), pages) << expectation.reason;
}

std::string TestName(const ::testing::TestParamInfo<std::string>& info) {
  if (info.param.empty()) return "CorpusMissing";
  std::string name = info.param.substr(0, info.param.size() - 4);
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusCopy, ::testing::ValuesIn(CorpusFiles()), TestName);

}  // namespace
}  // namespace pdf

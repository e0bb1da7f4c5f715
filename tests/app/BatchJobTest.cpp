#include "app/core/BatchJob.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

#include "pdf/facade/VelloPDF.h"
#include "pdf/objects/TextConversions.h"
#include "app/core/PasswordList.h"
#include "pdf/facade/TemporaryName.h"
#include "tests/pdf/io/TestPdf.h"
#include "tests/support/EndedProcess.h"
#include "tests/support/CsvReader.h"
#include "tests/support/TestTools.h"

namespace ombrelt::app {
namespace {

namespace fs = std::filesystem;
using pdf::testing::ReadCsv;
using pdf::testing::ReadFile;
using pdf::testing::TempFolder;
using pdf::testing::WriteFile;

std::u16string Wide(const fs::path& path) { return pdf::UTF8ToUnicode(path.string()); }
std::string Utf8(std::u16string_view text) { return pdf::UnicodeToUTF8(text); }

std::string OnePagePdf() { return pdf::testing::OnePageDocument().Finish("/Root 1 0 R"); }

// Records what the job reports; cancelWhen, when set, answers CancellationPending.
class TRecorder : public TBatchObserver {
 public:
  bool CancellationPending() override {
    const std::lock_guard lock(mutex_);
    return cancelWhen && cancelWhen(*this);
  }
  void AcceptCancellation() override {
    const std::lock_guard lock(mutex_);
    ++accepted;
  }
  void ReportStatus(std::size_t row, TFileStatus status) override {
    {
      const std::lock_guard lock(mutex_);
      statuses[row].push_back(status);
    }
    changed_.notify_all();
    if (onStatus) onStatus(row, status);
  }
  void ReportFailure(std::size_t row, std::int32_t errorCode, std::u16string_view reason) override {
    const std::lock_guard lock(mutex_);
    errorCodes[row] = errorCode;
    reasons[row] = Utf8(reason);
  }
  void ReportNotStarted(std::size_t row, std::u16string_view reason) override {
    const std::lock_guard lock(mutex_);
    EXPECT_FALSE(statuses.contains(row)) << row;
    EXPECT_FALSE(notStarted.contains(row)) << row;
    notStarted[row] = Utf8(reason);
  }
  void ReportProgress(std::size_t row, int percent) override {
    {
      const std::lock_guard lock(mutex_);
      progress[row].push_back(percent);
    }
    if (onProgress) onProgress(row, percent);
  }
  void ReportWarning(std::u16string_view warning) override {
    const std::lock_guard lock(mutex_);
    warnings.push_back(Utf8(warning));
  }
  // Blocks until every row has reported status.
  void WaitForRows(const std::vector<std::size_t>& rows, TFileStatus status) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] {
      return std::all_of(rows.begin(), rows.end(), [&](std::size_t row) {
        const auto found = statuses.find(row);
        return found != statuses.end() && std::count(found->second.begin(), found->second.end(), status) > 0;
      });
    });
  }
  // Each row's reports, which must be "Encrypting..." then one outcome.
  std::vector<TFileStatus> Outcomes(std::size_t rows) const {
    std::vector<TFileStatus> outcomes;
    for (std::size_t row = 0; row < rows; ++row) {
      const auto found = statuses.find(row);
      if (found == statuses.end()) continue;
      EXPECT_EQ(found->second.size(), 2u) << row;
      EXPECT_EQ(found->second.front(), kStatusEncrypting) << row;
      outcomes.push_back(found->second.back());
    }
    return outcomes;
  }

  std::function<bool(const TRecorder&)> cancelWhen;
  std::function<void(std::size_t, TFileStatus)> onStatus;
  std::function<void(std::size_t, int)> onProgress;
  std::map<std::size_t, std::vector<TFileStatus>> statuses;
  std::map<std::size_t, std::int32_t> errorCodes;
  std::map<std::size_t, std::string> reasons;
  std::map<std::size_t, std::string> notStarted;  // why
  std::map<std::size_t, std::vector<int>> progress;
  std::vector<std::string> warnings;
  int accepted = 0;

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
};

const std::vector<std::string> kHeader = {"File Name", "Open Password", "Owner Password", "File Path"};

// Names in the folder that start with "." : the job's and the library's temporary files.
std::vector<std::string> HiddenFiles(const fs::path& folder) {
  std::vector<std::string> hidden;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with(".")) hidden.push_back(name);
  }
  return hidden;
}

std::set<std::string> Names(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
  return names;
}

// What our own library makes of a file opened with password: "" when it does not open.
struct TOpened {
  std::u16string encryption;
  std::vector<std::u16string> securityItems;  // items 3 ... 9 (printing ... assembling)
};
TOpened Open(const fs::path& file, std::u16string_view password) {
  pdf::TCorvanePDFLibrary1013 library;
  const std::int32_t handle = library.InspectFile(Wide(file), password);
  TOpened opened;
  if (handle == 0) return opened;
  opened.encryption = library.InspectionItem(handle, 13);
  for (int item = 23; item <= 29; ++item) opened.securityItems.push_back(library.InspectionItem(handle, item));
  return opened;
}

bool QpdfOpens(const fs::path& file, const std::string& password) {
  return pdf::testing::RunCommand("qpdf --check " + pdf::testing::Quote("--password=" + password) + " " +
                                  pdf::testing::Quote(file.string()))
             .exitCode == 0;
}

TEST(NormalisedSettings, TrimsTypedTextsAndDropsHighQualityPrintWithoutPrint) {
  TBatchSettings settings;
  settings.permissions.print = false;
  settings.permissions.highQualityPrint = true;
  settings.openPassword.typed = u"\t user ";
  settings.restrictionsPassword.typed = u" owner\r\n";
  settings.suffix = u" _S ";
  settings.outputFolder = u" out ";
  const TBatchSettings normalised = NormalisedSettings(settings);
  EXPECT_FALSE(normalised.permissions.highQualityPrint);
  EXPECT_EQ(normalised.openPassword.typed, u"user");
  EXPECT_EQ(normalised.restrictionsPassword.typed, u"owner");
  EXPECT_EQ(normalised.suffix, u"_S");
  EXPECT_EQ(normalised.outputFolder, u" out ");
  settings.permissions.print = true;
  EXPECT_TRUE(NormalisedSettings(settings).permissions.highQualityPrint);
}

class BatchJob : public ::testing::Test {
 protected:
  // Writes one-page PDFs of these names into the input folder and lists them.
  TBatchSettings Settings(const std::vector<std::string>& names) {
    TBatchSettings settings;
    settings.level = 2;
    settings.openPassword.mode = TPasswordMode::kTyped;
    settings.openPassword.typed = u"user";
    settings.outputFolder = Wide(out.Path());
    settings.passwordFilePath = Wide(csvFolder / "passwords.csv");
    for (const std::string& name : names) {
      WriteFile(in / name, OnePagePdf());
      settings.files.push_back(Wide(in / name));
    }
    return settings;
  }
  fs::path Csv() const { return csvFolder / "passwords.csv"; }

  void TearDown() override {
    EXPECT_EQ(HiddenFiles(in.Path()), std::vector<std::string>{});
    EXPECT_EQ(HiddenFiles(out.Path()), std::vector<std::string>{});
  }

  TempFolder in;
  TempFolder out;
  TempFolder csvFolder;
  TRecorder recorder;
};

TEST_F(BatchJob, TypedOpenPasswordGivesSuffixedCopiesAndNoPasswordFile) {
  const TBatchSettings settings = Settings({"a.pdf", "b.pdf"});
  EncryptPDF(settings, recorder);
  EXPECT_EQ(recorder.Outcomes(2), (std::vector{kStatusSucceeded, kStatusSucceeded}));
  EXPECT_EQ(Names(out.Path()), (std::set<std::string>{"a_Secure.pdf", "b_Secure.pdf"}));
  EXPECT_TRUE(fs::is_empty(csvFolder.Path()));
  for (const char* name : {"a_Secure.pdf", "b_Secure.pdf"}) {
    EXPECT_EQ(Open(out / name, u"").encryption, u"");
    EXPECT_NE(Open(out / name, u"user").encryption, u"");
  }
  EXPECT_EQ(recorder.accepted, 0);
}

TEST_F(BatchJob, OutputNames) {
  struct Case {
    std::string input;
    TNamingMode naming;
    std::u16string suffix;
    bool folderWithSlash;
    std::string output;
  };
  // Every case names an output; only kNamed uses it.
  const std::u16string chosenName = u"Chosen name.pdf";
  const Case cases[] = {
      {"Scan.PDF", TNamingMode::kKeep, u"_Secure", false, "Scan.PDF"},
      {"report.v2.pdf", TNamingMode::kSuffix, u"_Secure", false, "report.v2_Secure.pdf"},
      {"plain.pdf", TNamingMode::kSuffix, u"   ", false, "plain.pdf"},
      {"noext", TNamingMode::kSuffix, u" -x\t", true, "noext-x.pdf"},
      {"slash.pdf", TNamingMode::kKeep, u"", true, "slash.pdf"},
      {"named.pdf", TNamingMode::kNamed, u"_Secure", false, "Chosen name.pdf"},
      {"named-slash.pdf", TNamingMode::kNamed, u"", true, "Chosen name.pdf"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    TRecorder caseRecorder;
    TBatchSettings settings = Settings({c.input});
    settings.naming = c.naming;
    settings.suffix = c.suffix;
    settings.outputName = chosenName;
    if (c.folderWithSlash) settings.outputFolder += u'/';
    EXPECT_EQ(OutputPathFor(NormalisedSettings(settings), settings.files[0]), Wide(out / c.output));
    EncryptPDF(settings, caseRecorder);
    EXPECT_EQ(caseRecorder.Outcomes(1), std::vector{kStatusSucceeded});
    EXPECT_EQ(Names(out.Path()), std::set<std::string>{c.output});
    fs::remove(out / c.output);
  }
}

TEST_F(BatchJob, GeneratedPasswordsAreRecordedOneLinePerFileAndOpenTheCopies) {
  TBatchSettings settings = Settings({"a.pdf", "b.pdf"});
  settings.openPassword.mode = TPasswordMode::kGenerated;
  settings.openPassword.generator = {u"10", true, false, false, false};
  settings.restrictionsPassword.mode = TPasswordMode::kGenerated;
  settings.restrictionsPassword.generator = {u"12", false, true, false, true};
  settings.passwordFileWanted = true;
  EncryptPDF(settings, recorder);
  EXPECT_EQ(recorder.Outcomes(2), (std::vector{kStatusSucceeded, kStatusSucceeded}));

  const std::string text = ReadFile(Csv());
  const auto records = ReadCsv(text);
  ASSERT_EQ(records.size(), 3u) << text;
  EXPECT_EQ(records[0], kHeader);
  std::set<std::string> passwords;
  for (std::size_t row = 0; row < 2; ++row) {
    const auto& record = records[row + 1];
    ASSERT_EQ(record.size(), 4u);
    EXPECT_EQ(record[0], row == 0 ? "a" : "b");
    EXPECT_EQ(record[3], Utf8(settings.files[row]));
    EXPECT_EQ(record[1].size(), 10u);
    EXPECT_EQ(record[1].find_first_not_of("0123456789"), std::string::npos);
    EXPECT_EQ(record[2].size(), 12u);
    EXPECT_EQ(record[2].find_first_not_of("abcdefghjklmnpqrstuvwxyz"), std::string::npos);
    passwords.insert(record[1]);
    passwords.insert(record[2]);
    const fs::path copy = out / (record[0] + "_Secure.pdf");
    EXPECT_EQ(Open(copy, pdf::UTF8ToUnicode(record[2])).encryption, u"Owner");
    EXPECT_EQ(Open(copy, u"").encryption, u"");
    if (pdf::testing::HasProgram("qpdf")) {
      EXPECT_TRUE(QpdfOpens(copy, record[1]));
      EXPECT_TRUE(QpdfOpens(copy, record[2]));
      EXPECT_FALSE(QpdfOpens(copy, "wrong"));
    }
  }
  EXPECT_EQ(passwords.size(), 4u) << "every password comes from its own generator call";
  // Only its owner may read the passwords of a new password file.
  EXPECT_EQ(fs::status(Csv()).permissions() & (fs::perms::group_all | fs::perms::others_all), fs::perms::none);
}

// Two rows writing one output: the later one fails with the reason and leaves the earlier copy and
// its password line alone, whichever front end listed them.
TEST_F(BatchJob, RowsWhoseOutputAnEarlierRowWritesFail) {
  struct Case {
    const char* what;
    std::vector<std::string> inputs;  // relative to the input folder
    TNamingMode naming;
    std::vector<TFileStatus> outcomes;
  };
  const Case cases[] = {
      {"the same file twice", {"a.pdf", "a.pdf"}, TNamingMode::kSuffix, {kStatusSucceeded, kStatusFailed}},
      {"one name in two folders", {"x/report.pdf", "y/report.pdf"}, TNamingMode::kKeep,
       {kStatusSucceeded, kStatusFailed}},
      {"names differing in their extension's case", {"b.pdf", "c.pdf", "b.PDF"}, TNamingMode::kSuffix,
       {kStatusSucceeded, kStatusSucceeded, kStatusFailed}},
      {"one name in two folders, suffixed", {"x/report.pdf", "y/report.pdf"}, TNamingMode::kSuffix,
       {kStatusSucceeded, kStatusFailed}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TRecorder caseRecorder;
    TBatchSettings settings = Settings({});
    for (const std::string& input : c.inputs) {
      fs::create_directories((in / input).parent_path());
      WriteFile(in / input, OnePagePdf());
      settings.files.push_back(Wide(in / input));
    }
    settings.naming = c.naming;
    settings.openPassword.mode = TPasswordMode::kGenerated;
    settings.passwordFileWanted = true;
    EncryptPDF(settings, caseRecorder);
    EXPECT_EQ(caseRecorder.Outcomes(c.inputs.size()), c.outcomes);
    const std::size_t refused = c.inputs.size() - 1;
    EXPECT_EQ(caseRecorder.reasons[refused].rfind("another input of this run has the same output file ", 0), 0u)
        << caseRecorder.reasons[refused];
    const auto records = ReadCsv(ReadFile(Csv()));
    ASSERT_EQ(records.size(), c.inputs.size()) << "a line for every copy written, none for the refused row";
    const fs::path copy = out / (fs::path(c.inputs.front()).stem().string() +
                                 (c.naming == TNamingMode::kSuffix ? "_Secure.pdf" : ".pdf"));
    EXPECT_NE(Open(copy, pdf::UTF8ToUnicode(records[1][1])).encryption, u"") << "the copy is the first row's";
    fs::remove_all(out.Path());
    fs::create_directory(out.Path());
    fs::remove(Csv());
  }
}

TEST_F(BatchJob, EveryLevelPassesVerificationWithOnlyARestrictionsPassword) {
  for (const std::int32_t level : {0, 1, 2, 4}) {
    SCOPED_TRACE(level);
    TRecorder levelRecorder;
    TBatchSettings settings = Settings({"a.pdf"});
    settings.level = level;
    settings.openPassword.mode = TPasswordMode::kNone;
    settings.restrictionsPassword.mode = TPasswordMode::kTyped;
    settings.restrictionsPassword.typed = u"owner";
    EncryptPDF(settings, levelRecorder);
    EXPECT_EQ(levelRecorder.Outcomes(1), std::vector{kStatusSucceeded});
    EXPECT_EQ(Open(out / "a_Secure.pdf", u"").encryption, u"User");
    EXPECT_EQ(Open(out / "a_Secure.pdf", u"owner").encryption, u"Owner");
  }
}

// "Keep metadata readable": the copies say /EncryptMetadata false and pass verification.
TEST_F(BatchJob, KeptReadableMetadataReachesTheCopiesAndVerifies) {
  for (const std::int32_t level : {2, 4}) {
    SCOPED_TRACE(level);
    TRecorder levelRecorder;
    TBatchSettings settings = Settings({"a.pdf"});
    settings.level = level;
    settings.keepMetadataReadable = true;
    EncryptPDF(settings, levelRecorder);
    EXPECT_EQ(levelRecorder.Outcomes(1), std::vector{kStatusSucceeded});
    EXPECT_NE(pdf::testing::ReadFile(out / "a_Secure.pdf").find("/EncryptMetadata false"), std::string::npos);
  }
}

TEST_F(BatchJob, EachPermissionFlagReachesItsOwnPermission) {
  // Security items 3 ... 9 of the copy: printing, changing, copying, annotating, forms, accessibility,
  // assembling. "4" is full-quality printing, "10" low resolution, "6" allowed, "5" not allowed.
  struct Case {
    const char* name;
    TPermissionFlags flags;
    std::vector<std::u16string> items;
  };
  TPermissionFlags none;
  none.highQualityPrint = false;
  const auto with = [&](bool TPermissionFlags::*flag) {
    TPermissionFlags flags = none;
    flags.*flag = true;
    return flags;
  };
  TPermissionFlags printHigh = with(&TPermissionFlags::print);
  printHigh.highQualityPrint = true;
  const std::u16string n = u"5";
  const std::u16string y = u"6";
  const Case cases[] = {
      {"print, low resolution", with(&TPermissionFlags::print), {u"10", n, n, n, n, n, n}},
      {"print, high resolution", printHigh, {u"4", n, n, n, n, n, n}},
      {"high resolution without print", with(&TPermissionFlags::highQualityPrint), {n, n, n, n, n, n, n}},
      {"change", with(&TPermissionFlags::change), {n, y, n, n, n, n, n}},
      {"copy", with(&TPermissionFlags::copy), {n, n, y, n, n, n, n}},
      {"annotations", with(&TPermissionFlags::annotations), {n, n, n, y, n, n, n}},
      {"form filling", with(&TPermissionFlags::formFilling), {n, n, n, n, y, n, n}},
      {"accessibility", with(&TPermissionFlags::accessibility), {n, n, n, n, n, y, n}},
      {"assembling", with(&TPermissionFlags::assembling), {n, n, n, n, n, n, y}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TRecorder caseRecorder;
    TBatchSettings settings = Settings({"a.pdf"});
    settings.permissions = c.flags;
    EncryptPDF(settings, caseRecorder);
    EXPECT_EQ(Open(out / "a_Secure.pdf", u"user").securityItems, c.items);
  }
}

TEST_F(BatchJob, RefusedOutputsFailAndLeaveTheInputUntouched) {
  // Keep mode into the input's own folder would replace the input; an output path that is a folder
  // cannot be replaced either. Neither gets a password line; the batch goes on.
  for (const bool intoInputFolder : {true, false}) {
    SCOPED_TRACE(intoInputFolder);
    TRecorder caseRecorder;
    TBatchSettings settings = Settings({"a.pdf", "b.pdf"});
    settings.openPassword.mode = TPasswordMode::kGenerated;
    settings.passwordFileWanted = true;
    if (intoInputFolder) {
      settings.naming = TNamingMode::kKeep;
      settings.outputFolder = Wide(in.Path());
    } else {
      fs::create_directory(out / "a_Secure.pdf");
    }
    EncryptPDF(settings, caseRecorder);
    const std::vector expected = intoInputFolder ? std::vector{kStatusFailed, kStatusFailed}
                                                 : std::vector{kStatusFailed, kStatusSucceeded};
    EXPECT_EQ(caseRecorder.Outcomes(2), expected);
    EXPECT_EQ(caseRecorder.errorCodes[0], pdf::kErrorOutputReplace);
    EXPECT_EQ(ReadFile(in / "a.pdf"), OnePagePdf());
    EXPECT_EQ(ReadFile(in / "b.pdf"), OnePagePdf());
    const auto records = ReadCsv(ReadFile(Csv()));
    EXPECT_EQ(records.size(), intoInputFolder ? 1u : 2u);
    fs::remove(Csv());
  }
}

// One page, then enough filler objects that the library is still reading the input half-way through.
std::string LargeOnePagePdf() {
  pdf::testing::TestPdf pdf = pdf::testing::OnePageDocument();
  for (int n = 5; n < 2000; ++n) pdf.Object(n, "(" + std::string(200, 'x') + ")");
  return pdf.Finish("/Root 1 0 R");
}

TEST_F(BatchJob, AnInputChangedWhileItIsEncryptedFailsAndTheBatchGoesOn) {
  // The library takes objects it cannot read for damage and writes them as null: without a check,
  // a truncated input gives a copy that has its pages, passes verification and lacks its content.
  struct Case {
    const char* name;
    std::function<void(const fs::path& input)> change;
  };
  const Case cases[] = {
      {"truncated", [](const fs::path& input) { fs::resize_file(input, fs::file_size(input) / 4); }},
      {"replaced by another file",
       [](const fs::path& input) {
         WriteFile(input.string() + ".new", OnePagePdf());
         fs::rename(input.string() + ".new", input);
       }},
      {"removed", [](const fs::path& input) { fs::remove(input); }},
  };
  for (const Case& c : cases) {
    for (const bool verify : {true, false}) {
      SCOPED_TRACE(std::string(c.name) + (verify ? ", verified" : ", not verified"));
      TRecorder caseRecorder;
      TBatchSettings settings = Settings({"a.pdf", "b.pdf"});
      WriteFile(in / "a.pdf", LargeOnePagePdf());
      settings.verify = verify;
      settings.openPassword.mode = TPasswordMode::kGenerated;
      settings.passwordFileWanted = true;
      bool changed = false;
      caseRecorder.onProgress = [&](std::size_t row, int percent) {
        if (row == 0 && percent >= 50 && !std::exchange(changed, true)) c.change(in / "a.pdf");
      };
      EncryptPDF(settings, caseRecorder);
      ASSERT_TRUE(changed);
      EXPECT_EQ(caseRecorder.Outcomes(2), (std::vector{kStatusFailed, kStatusSucceeded}));
      EXPECT_EQ(caseRecorder.errorCodes[0], 0);
      EXPECT_NE(caseRecorder.reasons[0].find("changed or removed while it was being copied"), std::string::npos)
          << caseRecorder.reasons[0];
      EXPECT_EQ(Names(out.Path()), std::set<std::string>{"b_Secure.pdf"});
      const auto records = ReadCsv(ReadFile(Csv()));
      ASSERT_EQ(records.size(), 2u);
      EXPECT_EQ(records[1][0], "b");
      fs::remove(Csv());
      fs::remove(out / "b_Secure.pdf");
    }
  }
}

TEST_F(BatchJob, AFailedRenameGivesTheSystemsReason) {
  // A folder that appears at the output path while the copy is written: the rename fails, and the
  // reason must say why rather than blame the input. The line was on disk before the rename.
  TBatchSettings settings = Settings({"a.pdf"});
  WriteFile(in / "a.pdf", LargeOnePagePdf());
  settings.openPassword.mode = TPasswordMode::kGenerated;
  settings.passwordFileWanted = true;
  recorder.onProgress = [&](std::size_t, int percent) {
    if (percent >= 50) fs::create_directories(out / "a_Secure.pdf" / "inside");
  };
  EncryptPDF(settings, recorder);
  EXPECT_EQ(recorder.Outcomes(1), std::vector{kStatusFailed});
  EXPECT_EQ(recorder.errorCodes[0], 0);
  EXPECT_EQ(recorder.reasons[0], "cannot rename the copy to the output path: " + std::string(std::strerror(EISDIR)));
  EXPECT_EQ(ReadFile(in / "a.pdf"), LargeOnePagePdf());
  EXPECT_TRUE(fs::is_directory(out / "a_Secure.pdf" / "inside"));
}

TEST_F(BatchJob, EncryptedInputFailsWithoutAPasswordLine) {
  for (const bool verify : {true, false}) {
    SCOPED_TRACE(verify);
    TRecorder caseRecorder;
    TBatchSettings settings = Settings({"locked.pdf", "open.pdf"});
    {
      pdf::TCorvanePDFLibrary1013 library;
      library.EncryptFileToFile(settings.files[0], Wide(in / "tmp.pdf"), u"o", u"u", 2,
                                pdf::TVelloPDF::BuildPermissionMask(0, 0, 0, 0, 0, 0, 0, 0));
      ASSERT_EQ(library.ErrorCode(), 0);
      fs::rename(in / "tmp.pdf", in / "locked.pdf");
    }
    const std::string locked = ReadFile(in / "locked.pdf");
    settings.verify = verify;
    settings.restrictionsPassword.mode = TPasswordMode::kGenerated;
    settings.passwordFileWanted = true;
    EncryptPDF(settings, caseRecorder);
    EXPECT_EQ(caseRecorder.Outcomes(2), (std::vector{kStatusFailed, kStatusSucceeded}));
    EXPECT_EQ(caseRecorder.errorCodes[0], pdf::kErrorEncrypted);
    EXPECT_EQ(ReadFile(in / "locked.pdf"), locked);
    EXPECT_EQ(Names(out.Path()), std::set<std::string>{"open_Secure.pdf"});
    const auto records = ReadCsv(ReadFile(Csv()));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1][0], "open");
    fs::remove(Csv());
    fs::remove(out / "open_Secure.pdf");
  }
}

TEST_F(BatchJob, SecondBatchAppendsToThePasswordFile) {
  TBatchSettings settings = Settings({"a.pdf"});
  settings.openPassword.mode = TPasswordMode::kGenerated;
  settings.passwordFileWanted = true;
  EncryptPDF(settings, recorder);
  EncryptPDF(settings, recorder);
  const auto records = ReadCsv(ReadFile(Csv()));
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0], kHeader);
  EXPECT_EQ(records[1][0], "a");
  EXPECT_EQ(records[2][0], "a");
  EXPECT_NE(records[1][1], records[2][1]);
  // The copy on disk is the second batch's.
  EXPECT_NE(Open(out / "a_Secure.pdf", pdf::UTF8ToUnicode(records[2][1])).encryption, u"");
}

// Files may not grow past a size while it lives, as on a disk that is nearly full; the hard limit
// stays, so the old soft limit can be put back.
class TFileSizeLimit {
 public:
  explicit TFileSizeLimit(rlim_t bytes) : oldSignal_(std::signal(SIGXFSZ, SIG_IGN)) {
    getrlimit(RLIMIT_FSIZE, &old_);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~TFileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, oldSignal_);
  }
  TFileSizeLimit(const TFileSizeLimit&) = delete;
  TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

 private:
  rlimit old_{};
  void (*oldSignal_)(int);
};

TEST_F(BatchJob, APasswordFileThatStopsTakingLinesEndsTheBatch) {
  constexpr std::size_t kLimit = 16384;
  TBatchSettings settings = Settings({"a.pdf", "b.pdf", "c.pdf", "d.pdf"});
  settings.openPassword.mode = TPasswordMode::kGenerated;
  settings.passwordFileWanted = true;
  // Room for one more line (21 bytes and the path, with the default 8-character password) but not two.
  const std::string header = "\"File Name\",\"Open Password\",\"Owner Password\",\"File Path\"\r\n";
  const std::size_t room = 21 + Utf8(settings.files[0]).size() + 10;
  const std::string earlier = header + "\"" + std::string(kLimit - room - header.size() - 14, 'x') + "\",\"\",\"\",\"x\"\r\n";
  ASSERT_EQ(earlier.size(), kLimit - room);
  WriteFile(Csv(), earlier);
  {
    const TFileSizeLimit limit(kLimit);
    EXPECT_THROW(EncryptPDF(settings, recorder), EBatchJobError);
  }
  // A file copied while b waited for the disk fails too: its line cannot be recorded either.
  const std::vector<TFileStatus> outcomes = recorder.Outcomes(4);
  ASSERT_GE(outcomes.size(), 2u);
  EXPECT_EQ(outcomes[0], kStatusSucceeded);
  for (std::size_t i = 1; i < outcomes.size(); ++i) EXPECT_EQ(outcomes[i], kStatusFailed) << i;
  EXPECT_NE(recorder.reasons[1].find("password file"), std::string::npos) << recorder.reasons[1];
  EXPECT_NE(recorder.reasons[1].find(std::strerror(EFBIG)), std::string::npos) << recorder.reasons[1];
  // Every file has its outcome: those never started say why the batch stopped.
  EXPECT_EQ(recorder.statuses.size() + recorder.notStarted.size(), 4u);
  for (const auto& [row, reason] : recorder.notStarted) {
    EXPECT_TRUE(reason.starts_with("the run stopped: The password file")) << reason;
    EXPECT_NE(reason.find(std::strerror(EFBIG)), std::string::npos) << reason;
  }
  EXPECT_EQ(Names(out.Path()), std::set<std::string>{"a_Secure.pdf"});
  const std::string text = ReadFile(Csv());
  EXPECT_TRUE(text.starts_with(earlier));
  const auto records = ReadCsv(text);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[2][0], "a");
}

TEST_F(BatchJob, ALastLineCutShortDoesNotSwallowTheNextOne) {
  WriteFile(Csv(), "\"File Name\",\"Open Password\",\"Owner Password\",\"File Path\"\r\n\"x\",\"\",\"\",\"x.pdf\"");
  TBatchSettings settings = Settings({"a.pdf"});
  settings.passwordFileWanted = true;
  EncryptPDF(settings, recorder);
  const auto records = ReadCsv(ReadFile(Csv()));
  ASSERT_EQ(records.size(), 3u) << ReadFile(Csv());
  EXPECT_EQ(records[1][0], "x");
  EXPECT_EQ(records[2], (std::vector<std::string>{"a", "user", "", Utf8(settings.files[0])}));
}

TEST_F(BatchJob, FieldsWithQuotesAndCommasRoundTripThroughThePasswordFile) {
  TBatchSettings settings = Settings({"we\"ird, name.pdf"});
  settings.openPassword.typed = u"  pa\"ss,word\"  ";
  settings.restrictionsPassword.mode = TPasswordMode::kGenerated;
  settings.passwordFileWanted = true;
  EncryptPDF(settings, recorder);
  EXPECT_EQ(recorder.Outcomes(1), std::vector{kStatusSucceeded});
  const auto records = ReadCsv(ReadFile(Csv()));
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1][0], "we\"ird, name");
  EXPECT_EQ(records[1][1], "pa\"ss,word\"");
  EXPECT_EQ(records[1][3], Utf8(settings.files[0]));
  const fs::path copy = out / "we\"ird, name_Secure.pdf";
  EXPECT_NE(Open(copy, pdf::UTF8ToUnicode(records[1][1])).encryption, u"");
  if (pdf::testing::HasProgram("qpdf")) {
    EXPECT_TRUE(QpdfOpens(copy, records[1][1]));
  }
}

TEST_F(BatchJob, CancellationStopsAfterTheCurrentFileWithACompletePasswordFile) {
  TBatchSettings settings = Settings({"a.pdf", "b.pdf", "c.pdf"});
  settings.openPassword.mode = TPasswordMode::kGenerated;
  settings.passwordFileWanted = true;
  recorder.cancelWhen = [](const TRecorder& r) { return !r.statuses.empty(); };
  EncryptPDF(settings, recorder);
  EXPECT_EQ(recorder.Outcomes(3), std::vector{kStatusSucceeded});
  EXPECT_EQ(recorder.accepted, 1);
  EXPECT_EQ(recorder.notStarted,
            (std::map<std::size_t, std::string>{{1, "the run was stopped"}, {2, "the run was stopped"}}));
  EXPECT_EQ(Names(out.Path()), std::set<std::string>{"a_Secure.pdf"});
  const std::string text = ReadFile(Csv());
  const auto records = ReadCsv(text);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1][0], "a");
}

TEST_F(BatchJob, CancellationBeforeTheStartTouchesNothing) {
  TBatchSettings settings = Settings({"a.pdf"});
  settings.passwordFileWanted = true;
  recorder.cancelWhen = [](const TRecorder&) { return true; };
  EncryptPDF(settings, recorder);
  EXPECT_EQ(recorder.accepted, 1);
  EXPECT_TRUE(recorder.statuses.empty());
  EXPECT_EQ(recorder.notStarted, (std::map<std::size_t, std::string>{{0, "the run was stopped"}}));
  EXPECT_TRUE(fs::is_empty(out.Path()));
  EXPECT_TRUE(fs::is_empty(csvFolder.Path()));
}

TEST_F(BatchJob, ErrorsOutsideTheFilesEndTheBatchBeforeAnyFile) {
  struct Case {
    const char* name;
    std::function<void(TBatchSettings&)> change;
    std::string messagePart;
  };
  const Case cases[] = {
      {"password file in a missing folder",
       [&](TBatchSettings& s) { s.passwordFilePath = Wide(csvFolder / "none" / "p.csv"); }, "/none/p.csv"},
      {"password file path is a folder", [&](TBatchSettings& s) { s.passwordFilePath = Wide(csvFolder.Path()); },
       "cannot be created"},
      {"open generator length not a number",
       [](TBatchSettings& s) {
         s.openPassword.mode = TPasswordMode::kGenerated;
         s.openPassword.generator.lengthText = u"x8";
       },
       "'x8' is not a valid integer value"},
      {"restrictions generator length empty",
       [](TBatchSettings& s) { s.restrictionsPassword.mode = TPasswordMode::kGenerated;
                               s.restrictionsPassword.generator.lengthText = u""; },
       "'' is not a valid integer value"},
      {"a NUL inside a typed password", [](TBatchSettings& s) { s.openPassword.typed = std::u16string(u"us\0er", 5); },
       "Cannot use the open password: it holds a control character (U+0000, NUL)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TRecorder caseRecorder;
    TBatchSettings settings = Settings({"a.pdf"});
    settings.passwordFileWanted = true;
    c.change(settings);
    try {
      EncryptPDF(settings, caseRecorder);
      ADD_FAILURE() << "no error";
    } catch (const EBatchJobError& error) {
      EXPECT_NE(std::string(error.what()).find(c.messagePart), std::string::npos) << error.what();
    }
    EXPECT_TRUE(caseRecorder.statuses.empty());
    ASSERT_EQ(caseRecorder.notStarted.size(), 1u);
    EXPECT_NE(caseRecorder.notStarted[0].find(c.messagePart), std::string::npos) << caseRecorder.notStarted[0];
    EXPECT_TRUE(fs::is_empty(out.Path()));
    EXPECT_FALSE(fs::exists(Csv()));
  }
}

// Each file's passwords from a list: a line the level cannot hold fails that file alone; a list
// read wrongly would give copies that open with nothing anyone knows, so it ends the batch before
// any file is touched.
TEST_F(BatchJob, AListedPasswordTheLevelCannotHoldFailsThatFileAlone) {
  TBatchSettings settings = Settings({"alice.pdf", "bob.pdf", "carol.pdf"});
  settings.level = 1;
  settings.openPassword.mode = TPasswordMode::kListed;
  settings.passwordListPath = Wide(csvFolder / "list.csv");
  WriteFile(csvFolder / "list.csv",
            "\"File Name\",\"Open Password\"\r\nalice,a-pw\r\nbob,\xE5\xAF\x86\xE7\xA0\x81\r\ncarol,c-pw\r\n");
  EncryptPDF(settings, recorder);
  EXPECT_EQ(recorder.Outcomes(3), (std::vector{kStatusSucceeded, kStatusFailed, kStatusSucceeded}));
  EXPECT_NE(recorder.reasons[1].find("has characters this encryption level cannot hold"), std::string::npos)
      << recorder.reasons[1];
  EXPECT_EQ(Names(out.Path()), (std::set<std::string>{"alice_Secure.pdf", "carol_Secure.pdf"}));
  EXPECT_NE(Open(out / "carol_Secure.pdf", u"c-pw").encryption, u"");
}

TEST_F(BatchJob, AListThatCannotBeReadAsMeantEndsTheBatchBeforeAnyFile) {
  const std::pair<std::string, std::string> lists[] = {
      {"\"File Name\",\"Open Password\"\r\nalice,a-pw\r\nbob\r\n", "line 3: it has 1 field"},
      {"\"File Name\",\"Open Password\"\r\nbob,b-pw\r\nalice,a-pw\r\nbob,other\r\n", "lines 2 and 4 both name"},
  };
  for (const auto& [list, messagePart] : lists) {
    SCOPED_TRACE(list);
    TRecorder caseRecorder;
    TBatchSettings settings = Settings({"alice.pdf", "bob.pdf"});
    settings.openPassword.mode = TPasswordMode::kListed;
    settings.passwordListPath = Wide(csvFolder / "list.csv");
    WriteFile(csvFolder / "list.csv", list);
    try {
      EncryptPDF(settings, caseRecorder);
      ADD_FAILURE() << "no error";
    } catch (const EBatchJobError& error) {
      EXPECT_NE(std::string(error.what()).find(messagePart), std::string::npos) << error.what();
    }
    EXPECT_TRUE(caseRecorder.statuses.empty());
    EXPECT_EQ(caseRecorder.notStarted.size(), 2u);
    EXPECT_TRUE(fs::is_empty(out.Path()));
  }
}

TEST_F(BatchJob, ParallelFilesKeepListOrderInThePasswordFile) {
  TBatchSettings settings = Settings({"f0.pdf", "f1.pdf", "f2.pdf", "f3.pdf", "f4.pdf", "f5.pdf"});
  WriteFile(in / "f2.pdf", "not a pdf");
  settings.openPassword.mode = TPasswordMode::kGenerated;
  settings.passwordFileWanted = true;
  // The first file starts its work only once the next two are under way, so they are ready to be
  // recorded before it.
  recorder.onStatus = [&](std::size_t row, TFileStatus status) {
    if (row == 0 && status == kStatusEncrypting) recorder.WaitForRows({1, 2}, kStatusEncrypting);
  };
  EncryptPDF(settings, recorder, 3);
  EXPECT_EQ(recorder.Outcomes(6), (std::vector{kStatusSucceeded, kStatusSucceeded, kStatusFailed, kStatusSucceeded,
                                               kStatusSucceeded, kStatusSucceeded}));
  const auto records = ReadCsv(ReadFile(Csv()));
  std::vector<std::string> names;
  for (std::size_t i = 1; i < records.size(); ++i) names.push_back(records[i][0]);
  EXPECT_EQ(names, (std::vector<std::string>{"f0", "f1", "f3", "f4", "f5"}));
  // Each file's progress arrives under its own row and runs up to 100.
  for (const std::size_t row : {0u, 1u, 3u, 4u, 5u}) {
    const std::vector<int>& percents = recorder.progress[row];
    ASSERT_FALSE(percents.empty()) << row;
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end())) << row;
    EXPECT_EQ(percents.back(), 100) << row;
  }
}


// A run killed while it wrote leaves its hidden copies (in clear, for a decryption); the next run
// into that folder removes them, but never one a running process may still be writing.
TEST_F(BatchJob, ARunRemovesTheTemporaryFilesAKilledRunLeftInItsOutputFolder) {
  const std::string left = pdf::TemporaryName("a_Secure.pdf", pdf::testing::EndedProcessId(), "0123456789abcdef");
  const std::string running = pdf::TemporaryName("b_Secure.pdf", ::getppid(), "0123456789abcdef");
  WriteFile(out / left, "%PDF-1.7\nclear text");
  WriteFile(out / running, "%PDF-1.7\n");
  EncryptPDF(Settings({"a.pdf"}), recorder);
  EXPECT_EQ(recorder.Outcomes(1), std::vector{kStatusSucceeded});
  EXPECT_EQ(Names(out.Path()), (std::set<std::string>{"a_Secure.pdf", running}));
  fs::remove(out / running);
}

TEST_F(BatchJob, APasswordFileOthersCanReadIsWarnedAboutAndKeepsItsMode) {
  TBatchSettings settings = Settings({"a.pdf"});
  settings.passwordFileWanted = true;
  const std::pair<mode_t, bool> cases[] = {{0600, false}, {0640, true}, {0604, true}, {0660, true}};
  for (const auto& [mode, warned] : cases) {
    SCOPED_TRACE(mode);
    WriteFile(Csv(), "");
    ASSERT_EQ(::chmod(Csv().c_str(), mode), 0);
    TRecorder observer;
    EncryptPDF(settings, observer);
    ASSERT_EQ(observer.warnings.size(), warned ? 1u : 0u);
    if (warned) {
      EXPECT_NE(observer.warnings[0].find("can be read by other users"), std::string::npos);
    }
    struct stat info {};
    ASSERT_EQ(::stat(Csv().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, mode);
  }
  // A new password file is its owner's alone: nothing to say.
  fs::remove(Csv());
  TRecorder observer;
  EncryptPDF(settings, observer);
  EXPECT_EQ(observer.warnings.size(), 0u);
}

// A spreadsheet would run a field beginning with "=", "+", "-" or "@" as a formula; the password
// file guards such fields and the password list reads them back as they were.
TEST_F(BatchJob, FieldsThatLookLikeFormulasAreGuardedAndReadBackExactly) {
  TBatchSettings settings = Settings({"@sum.pdf"});
  settings.openPassword.typed = u"=1+2";
  settings.restrictionsPassword.mode = TPasswordMode::kTyped;
  settings.restrictionsPassword.typed = u"-owner";
  settings.passwordFileWanted = true;
  EncryptPDF(settings, recorder);
  EXPECT_EQ(recorder.Outcomes(1), std::vector{kStatusSucceeded});
  const auto records = ReadCsv(ReadFile(Csv()));
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1], (std::vector<std::string>{"'@sum", "'=1+2", "'-owner", Utf8(settings.files[0])}));
  const std::vector<TPasswordRecord> lines = TPasswordList(Wide(Csv()), TListUse::kLedger).LinesFor(settings.files[0]);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].fileName, u"@sum");
  EXPECT_EQ(lines[0].openPassword, u"=1+2");
  EXPECT_EQ(lines[0].ownerPassword, u"-owner");
  EXPECT_NE(Open(out / "@sum_Secure.pdf", u"=1+2").encryption, u"");
}

}  // namespace
}  // namespace ombrelt::app

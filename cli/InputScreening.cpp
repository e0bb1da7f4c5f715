#include "cli/InputScreening.h"

#include <set>
#include <system_error>

#include "cli/Inspection.h"
#include "cli/JobSettings.h"
#include "cli/SecurityWords.h"
#include "cli/Utf8Text.h"
#include "pdf/objects/TextConversions.h"

namespace cli {

namespace fs = std::filesystem;

namespace {

bool IsEncrypted(const TInspection& inspection) {
  return inspection.Error == pdf::kErrorPassword ||
         (inspection.Error == pdf::kErrorNone && inspection.Item(kItemEncryption) != "None");
}

// Why the job cannot take the inspected input, or nothing when it goes to the batch. Without a
// password for encrypted inputs this is what the desktop window refuses; with one, an encrypted
// input's pages are counted by the job, once it has opened the file.
std::optional<std::string> RefusalReason(const TInspection& inspection, const ombrelt::app::TBatchSettings& job) {
  const bool opensEncrypted = job.currentPassword.kind != ombrelt::app::TCurrentPasswordSettings::TKind::kNone;
  if (IsEncrypted(inspection) && opensEncrypted) return std::nullopt;
  if (job.operation == ombrelt::app::TOperation::kDecrypt && inspection.Error == pdf::kErrorNone) {
    return ErrorWords(pdf::kErrorNotEncrypted);
  }
  if (inspection.Error == pdf::kErrorPassword) return "the file is already encrypted (it needs a password to open)";
  if (inspection.Error != pdf::kErrorNone) return ErrorWords(inspection.Error);
  if (inspection.Item(kItemEncryption) != "None") return ErrorWords(pdf::kErrorEncrypted);
  const std::optional<std::int64_t> pages = ItemNumber(inspection.Item(kItemPages));
  if (!pages || *pages <= 0) return "the file has no pages";
  return std::nullopt;
}

// The identity of an output path for spotting two inputs that would write the same copy.
std::string OutputKey(const fs::path& output) {
  std::error_code error;
  const fs::path full = fs::weakly_canonical(fs::absolute(output, error), error);
  return (error ? output : full).lexically_normal().string();
}

}  // namespace

std::vector<TScreenedInput> ScreenInputs(const std::vector<fs::path>& inputs, const ombrelt::app::TBatchSettings& job) {
  pdf::TCorvanePDFLibrary1013 library;
  std::set<std::string> outputs;
  std::vector<TScreenedInput> screened;
  for (const fs::path& input : inputs) {
    TScreenedInput& entry = screened.emplace_back();
    entry.Name = input.string();
    // Converting ill-formed names would quietly name other files.
    if (!IsWellFormedUTF8(entry.Name)) {
      entry.Refusal = "the file name is not UTF-8 text";
      continue;
    }
    entry.FullPath = pdf::UTF8ToUnicode(FullPath(entry.Name));
    const TInspection inspection = Inspect(library, entry.Name, "");
    if ((entry.Refusal = RefusalReason(inspection, job))) continue;
    // An encrypted input's notices would need its password; inspect shows them with it.
    const bool inspected = inspection.Error == pdf::kErrorNone;
    if (inspected && job.operation == ombrelt::app::TOperation::kEncrypt) entry.Notices = EncryptionNotices(inspection);
    // Folders of a recursive run, or a.pdf beside a.PDF, can give two inputs one output name.
    const std::string output = pdf::UnicodeToUTF8(ombrelt::app::OutputPathFor(job, entry.FullPath));
    if (!outputs.insert(OutputKey(output)).second) {
      entry.Refusal = "another input of this run has the same output file " + output;
    }
  }
  return screened;
}

}  // namespace cli

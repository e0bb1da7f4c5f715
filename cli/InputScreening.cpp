#include "cli/InputScreening.h"

#include <set>
#include <system_error>

#include "app/core/OutputClashes.h"
#include "cli/JobSettings.h"
#include "cli/Utf8Text.h"
#include "pdf/objects/TextConversions.h"

namespace cli {

namespace fs = std::filesystem;

std::vector<TScreenedInput> ScreenInputs(const std::vector<fs::path>& inputs, const ombrelt::app::TBatchSettings& job) {
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
    // Folders of a recursive run, or a.pdf beside a.PDF, can give two inputs one output name.
    const std::u16string output = ombrelt::app::OutputPathFor(job, entry.FullPath);
    if (!outputs.insert(ombrelt::app::OutputIdentity(output)).second) {
      entry.Refusal = pdf::UnicodeToUTF8(ombrelt::app::OutputClashReason(output));
    }
  }
  return screened;
}

}  // namespace cli

#include "app/core/OutputClashes.h"

#include <filesystem>
#include <map>
#include <system_error>

#include "pdf/io/FileOperations.h"
#include "pdf/objects/TextConversions.h"

namespace ombrelt::app {

namespace fs = std::filesystem;

std::string OutputIdentity(std::u16string_view output) {
  const std::optional<std::string> native = pdf::NativePath(output);
  if (!native) return pdf::UnicodeToUTF8(output);
  std::error_code error;
  const fs::path absolute = fs::absolute(fs::path(*native), error);
  if (error) return *native;
  const fs::path resolved = fs::weakly_canonical(absolute, error);
  return (error ? absolute : resolved).lexically_normal().string();
}

std::vector<TOutputClash> FindOutputClashes(const TBatchSettings& rawSettings) {
  const TBatchSettings settings = NormalisedSettings(rawSettings);
  std::map<std::string, std::size_t> firstRowOf;
  std::vector<TOutputClash> clashes;
  for (std::size_t row = 0; row < settings.files.size(); ++row) {
    std::u16string output = OutputPathFor(settings, settings.files[row]);
    const auto [first, inserted] = firstRowOf.emplace(OutputIdentity(output), row);
    if (!inserted) clashes.push_back({row, first->second, std::move(output)});
  }
  return clashes;
}

std::u16string OutputClashReason(std::u16string_view output) {
  return u"another input of this run has the same output file " + std::u16string(output);
}

}  // namespace ombrelt::app

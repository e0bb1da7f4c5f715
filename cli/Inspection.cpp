#include "cli/Inspection.h"

#include <charconv>

#include "pdf/objects/TextConversions.h"

namespace cli {

namespace {

// The list behind handle read out and released; error is the library's code for the call that made it.
TInspection ReadInspection(pdf::TVelloPDF& library, std::int32_t handle, std::int32_t error) {
  TInspection inspection;
  inspection.Error = error;
  if (handle == 0 || inspection.Error != pdf::kErrorNone) {
    // A list begun before a failure is incomplete; a failure without a code would read as success.
    if (handle != 0) library.ReleaseInspection(handle);
    if (inspection.Error == pdf::kErrorNone) inspection.Error = pdf::kErrorInputFile;
    return inspection;
  }
  inspection.Items.reserve(pdf::kInspectionItemCount);
  for (std::int32_t index = 0; index < pdf::kInspectionItemCount; ++index) {
    inspection.Items.push_back(pdf::UnicodeToUTF8(library.InspectionItem(handle, index)));
  }
  library.ReleaseInspection(handle);
  return inspection;
}

}  // namespace

TInspection Inspect(pdf::TVelloPDF& library, const std::string& file, const std::string& password) {
  const std::int32_t handle = library.InspectFile(pdf::UTF8ToUnicode(file), pdf::UTF8ToUnicode(password));
  return ReadInspection(library, handle, library.ErrorCode());
}

TInspection InspectLocked(pdf::TVelloPDF& library, const std::string& file) {
  const std::int32_t handle = library.InspectLockedFile(pdf::UTF8ToUnicode(file));
  return ReadInspection(library, handle, library.ErrorCode());
}

std::optional<std::int64_t> ItemNumber(std::string_view item) {
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(item.data(), item.data() + item.size(), value);
  if (item.empty() || error != std::errc() || end != item.data() + item.size()) return std::nullopt;
  return value;
}

}  // namespace cli

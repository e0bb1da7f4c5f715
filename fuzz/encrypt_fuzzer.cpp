// The whole path a user's file takes: arbitrary bytes are inspected, then encrypted to a file,
// and the outcome is held to the promises the tool makes:
// - a success is a file that our own reader opens with the open password, encrypted, with the
//   page count the inspection of the input reported;
// - a failure leaves nothing at all in the output folder (no partial output, no temporary file);
// - the result and the error code agree.
// A broken promise aborts, so the fuzzer records the input.
//
// The strength is taken from the input's size, so every strength gets its share of inputs and a
// saved input replays the same way.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

#include "pdf/facade/VelloPDF.h"
#include "pdf/objects/TextConversions.h"

namespace {

namespace fs = std::filesystem;

constexpr std::int32_t kPageItem = 9;
constexpr std::int32_t kEncryptionItem = 13;
constexpr std::int32_t kStrengthCount = 5;
constexpr std::u16string_view kOwner = u"owner";
constexpr std::u16string_view kUser = u"user";

// One folder per process: parallel fuzzing jobs must not see each other's files.
const fs::path& WorkFolder() {
  static const fs::path folder = [] {
    const char* base = std::getenv("TMPDIR");
    fs::path path = fs::path(base != nullptr ? base : "/tmp") / ("ombrelt-fuzz-" + std::to_string(::getpid()));
    fs::create_directories(path / "out");
    return path;
  }();
  return folder;
}

std::u16string Wide(const fs::path& path) { return pdf::UTF8ToUnicode(path.string()); }

void WriteInput(const fs::path& path, const std::uint8_t* data, std::size_t size) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

void Fail(const char* promise) {
  std::fprintf(stderr, "broken promise: %s\n", promise);
  std::abort();
}

// The page count item of the inspection, or "" when the file was refused.
std::u16string InspectedPages(const fs::path& file, std::u16string_view password, std::u16string* encryption) {
  pdf::TCorvanePDFLibrary1013 library;
  const std::int32_t handle = library.InspectFile(Wide(file), password);
  if (handle == 0) return std::u16string();
  for (std::int32_t item = 0; item < pdf::kInspectionItemCount; ++item) library.InspectionItem(handle, item);
  std::u16string pages = library.InspectionItem(handle, kPageItem);
  if (encryption != nullptr) *encryption = library.InspectionItem(handle, kEncryptionItem);
  library.ReleaseInspection(handle);
  return pages;
}

std::size_t EntriesIn(const fs::path& folder) {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) ++count;
  return count;
}

bool IsDocumentedError(std::int32_t error) {
  switch (error) {
    case pdf::kErrorInputFile:
    case pdf::kErrorOutputReplace:
    case pdf::kErrorOutputWrite:
    case pdf::kErrorPassword:
    case pdf::kErrorEncrypted:
    case pdf::kErrorStrength:
    case pdf::kErrorPermissions:
    case pdf::kErrorNotPDF:
      return true;
    default:
      return false;
  }
}

void CheckOutcome(std::int32_t result, std::int32_t error, const fs::path& output, const std::u16string& inputPages) {
  if (error != pdf::kErrorNone) {
    if (!IsDocumentedError(error)) Fail("an error code outside the documented ones");
    if (EntriesIn(output.parent_path()) != 0) Fail("a failure left a file in the output folder");
    return;
  }
  if (result != 1) Fail("no error reported but the input was not accepted");
  if (EntriesIn(output.parent_path()) != 1) Fail("a success left more than its output");
  std::u16string encryption;
  const std::u16string pages = InspectedPages(output, kUser, &encryption);
  if (pages.empty()) Fail("a reported success does not open with its open password");
  if (encryption != u"User") Fail("a reported success is not encrypted");
  if (!inputPages.empty() && pages != inputPages) Fail("the output's page count differs from the input's");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fs::path input = WorkFolder() / "in.pdf";
  const fs::path output = WorkFolder() / "out" / "out.pdf";
  WriteInput(input, data, size);

  const std::u16string inputPages = InspectedPages(input, u"", nullptr);
  pdf::TCorvanePDFLibrary1013 library;
  const std::int32_t strength = static_cast<std::int32_t>(size % kStrengthCount);
  const std::int32_t result = library.EncryptFileToFile(Wide(input), Wide(output), kOwner, kUser, strength,
                                                        pdf::TVelloPDF::BuildPermissionMask(1, 0, 1, 0, 1, 0, 1, 1));
  CheckOutcome(result, library.ErrorCode(), output, inputPages);

  std::error_code ignored;
  fs::remove(output, ignored);
  return 0;
}

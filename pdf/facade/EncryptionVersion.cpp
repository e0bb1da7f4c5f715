#include "pdf/facade/EncryptionVersion.h"

#include <charconv>
#include <utility>

#include "pdf/objects/PDFArray.h"
#include "pdf/objects/PDFDictionary.h"
#include "pdf/objects/PDFScalars.h"
#include "pdf/objects/PDFStructure.h"

namespace pdf {
namespace {

constexpr std::string_view kAdobeBaseVersion = "1.7";
constexpr std::int32_t kRevisionFiveLevel = 3;
constexpr std::int32_t kRevisionSixLevel = 8;

// "1.7" as (1, 7); a version that does not read as one counts as (0, 0), below every real one.
std::pair<int, int> VersionNumbers(std::string_view version) {
  int major = 0;
  int minor = 0;
  const char* end = version.data() + version.size();
  const auto [dot, error] = std::from_chars(version.data(), end, major);
  if (error != std::errc() || dot == end || *dot != '.') return {0, 0};
  if (std::from_chars(dot + 1, end, minor).ec != std::errc()) return {0, 0};
  return {major, minor};
}

std::string_view LevelVersion(std::int32_t strength) {
  return strength >= 3 ? "1.7" : strength == 2 ? "1.6" : "1.4";
}

bool DeclaresLevel(const TPDFObject* extension, std::int32_t level) {
  const auto* dictionary = As<TPDFDictionary>(extension);
  if (dictionary == nullptr) return false;
  const auto* base = As<TPDFName>(dictionary->GetValue("BaseVersion", false));
  const auto* declared = As<TPDFNumeric>(dictionary->GetValue("ExtensionLevel", false));
  return base != nullptr && base->Value() == kAdobeBaseVersion && declared != nullptr && declared->AsInteger() >= level;
}

TPDFDictionary* AdobeExtension(TPDFStructure& arena, std::int32_t level) {
  TPDFDictionary* extension = arena.NewDictionary();
  extension->SetValue("BaseVersion", arena.NewName(std::string(kAdobeBaseVersion)));
  extension->SetValue("ExtensionLevel", arena.NewNumber(level));
  return extension;
}

}  // namespace

std::string CopyHeaderVersion(std::string_view inputVersion, std::int32_t strength) {
  const std::string_view needed = LevelVersion(strength);
  return std::string(VersionNumbers(inputVersion) > VersionNumbers(needed) ? inputVersion : needed);
}

std::int32_t AdobeExtensionLevel(std::string_view headerVersion, std::int32_t strength) {
  if (strength < 3 || VersionNumbers(headerVersion).first >= 2) return 0;
  return strength == 3 ? kRevisionFiveLevel : kRevisionSixLevel;
}

bool RaiseAdobeExtension(TPDFStructure& arena, TPDFDictionary& extensions, const TPDFObject* adbe, std::int32_t level) {
  if (const auto* list = As<TPDFArray>(adbe)) {
    for (std::int32_t i = 0; i < list->ItemCount(); ++i) {
      if (DeclaresLevel(list->GetItem(i), level)) return false;
    }
    TPDFArray* joined = arena.NewArray();
    for (std::int32_t i = 0; i < list->ItemCount(); ++i) joined->Add(list->GetItem(i));
    joined->Add(AdobeExtension(arena, level));
    extensions.SetValue("ADBE", joined);
    return true;
  }
  if (DeclaresLevel(adbe, level)) return false;
  extensions.SetValue("ADBE", AdobeExtension(arena, level));
  return true;
}

}  // namespace pdf

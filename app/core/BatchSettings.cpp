#include "app/core/BatchSettings.h"

namespace ombrelt::app {

namespace {

std::u16string_view FileName(std::u16string_view path) {
  const std::size_t slash = path.rfind(u'/');
  return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::u16string TrimText(std::u16string_view text) {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && text[first] <= u' ') ++first;
  while (last > first && text[last - 1] <= u' ') --last;
  return std::u16string(text.substr(first, last - first));
}

TPasswordMode PasswordModeOf(bool boxChecked, bool autoChecked) {
  if (!boxChecked) return TPasswordMode::kNone;
  return autoChecked ? TPasswordMode::kGenerated : TPasswordMode::kTyped;
}

TBatchSettings NormalisedSettings(TBatchSettings settings) {
  settings.permissions.highQualityPrint = settings.permissions.print && settings.permissions.highQualityPrint;
  settings.openPassword.typed = TrimText(settings.openPassword.typed);
  settings.restrictionsPassword.typed = TrimText(settings.restrictionsPassword.typed);
  settings.suffix = TrimText(settings.suffix);
  return settings;
}

std::u16string BaseName(std::u16string_view inputPath) {
  const std::u16string_view name = FileName(inputPath);
  return std::u16string(name.substr(0, name.rfind(u'.')));
}

std::u16string OutputPathFor(const TBatchSettings& settings, std::u16string_view inputPath) {
  std::u16string path = settings.outputFolder;
  if (!path.ends_with(u'/')) path += u'/';
  if (settings.naming == TNamingMode::kKeep) {
    path += FileName(inputPath);
  } else if (settings.naming == TNamingMode::kNamed) {
    path += settings.outputName;
  } else {
    path += BaseName(inputPath) + settings.suffix + u".pdf";
  }
  return path;
}

}  // namespace ombrelt::app

// Encrypts one file through the library facade, for campaigns that need a strength the command
// line does not offer (256-bit AES revision 5) or want to bypass the command line's own checks.
//
// Usage: ombrelt_encrypt_file IN OUT STRENGTH OWNER USER [PERMISSIONS]
//   STRENGTH     0 = RC4 40-bit, 1 = RC4 128-bit, 2 = AES 128-bit, 3 = AES 256-bit revision 5,
//                4 = AES 256-bit revision 6
//   OWNER, USER  passwords as UTF-8 (may be empty)
//   PERMISSIONS  comma list of print, copy, change, annotate, fill-forms, accessibility, assemble,
//                print-high, or "all" / "none"; default all
// Exit status: 0 written, 1 the library refused or failed (its error code is printed), 2 usage.

#include <array>
#include <cstdint>
#include <iostream>
#include <string_view>

#include "pdf/facade/VelloPDF.h"
#include "pdf/objects/TextConversions.h"

namespace {

// In the argument order of BuildPermissionMask.
constexpr std::array<std::string_view, 8> kPermissionNames = {
    "print", "copy", "change", "annotate", "fill-forms", "accessibility", "assemble", "print-high"};

bool ParsePermissions(std::string_view text, std::array<std::int32_t, 8>& flags) {
  flags.fill(text == "all" ? 1 : 0);
  if (text == "all" || text == "none") return true;
  while (!text.empty()) {
    const std::size_t comma = text.find(',');
    const std::string_view name = text.substr(0, comma);
    bool known = false;
    for (std::size_t i = 0; i < kPermissionNames.size(); ++i) {
      if (kPermissionNames[i] == name) {
        flags[i] = 1;
        known = true;
      }
    }
    if (!known) return false;
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
  }
  return true;
}

int Usage() {
  std::cerr << "usage: ombrelt_encrypt_file IN OUT STRENGTH(0-4) OWNER USER [PERMISSIONS]\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 6 || argc > 7) return Usage();
  const std::string_view strengthText = argv[3];
  if (strengthText.size() != 1 || strengthText[0] < '0' || strengthText[0] > '4') return Usage();
  std::array<std::int32_t, 8> flags{};
  if (!ParsePermissions(argc == 7 ? argv[6] : "all", flags)) return Usage();

  const std::int32_t mask = pdf::TVelloPDF::BuildPermissionMask(flags[0], flags[1], flags[2], flags[3], flags[4],
                                                                 flags[5], flags[6], flags[7]);
  pdf::TCorvanePDFLibrary1013 library;
  library.EncryptFileToFile(pdf::UTF8ToUnicode(argv[1]), pdf::UTF8ToUnicode(argv[2]), pdf::UTF8ToUnicode(argv[4]),
                            pdf::UTF8ToUnicode(argv[5]), strengthText[0] - '0', mask);
  const std::int32_t error = library.ErrorCode();
  if (error != pdf::kErrorNone) {
    std::cerr << argv[1] << ": error " << error << '\n';
    return 1;
  }
  return 0;
}

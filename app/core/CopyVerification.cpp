#include "app/core/CopyVerification.h"

#include <optional>
#include <span>

#include "app/core/FileFailure.h"
#include "pdf/facade/VelloPDF.h"
#include "pdf/objects/TextConversions.h"

namespace ombrelt::app {

namespace {

// The level status an output of each strength must show.
std::u16string_view ExpectedLevelStatus(std::int32_t level) {
  switch (level) {
    case 0:
      return u"7";
    case 1:
      return u"8";
    case 2:
      return u"12";
    case 3:
      return u"13";
    case 4:
      return u"15";
    default:
      return u"";
  }
}

void ExpectPages(const TInspection& copy, std::u16string_view inputPages) {
  if (copy.pages != inputPages) {
    throw TFileFailure{0, u"verification: the copy has " + copy.pages + u" pages, the input " +
                              std::u16string(inputPages)};
  }
}

// errorCode counts only when the file did not open; a failure without a code would read as success.
TInspection InspectionOf(const std::optional<pdf::TVelloPDF::TOpenedFile>& opened, std::int32_t errorCode) {
  TInspection inspection;
  if (!opened) {
    inspection.errorCode = errorCode != 0 ? errorCode : pdf::kErrorInputFile;
    return inspection;
  }
  inspection.encryption = !opened->encrypted ? u"None" : opened->asOwner ? u"Owner" : u"User";
  inspection.pages = pdf::UTF8ToUnicode(std::to_string(opened->pages));
  inspection.level = pdf::UTF8ToUnicode(opened->levelStatus);
  return inspection;
}

}  // namespace

TInspection Inspect(std::u16string_view path, std::u16string_view password, bool askOwner) {
  pdf::TCorvanePDFLibrary1013 library;
  const std::optional<pdf::TVelloPDF::TOpenedFile> opened = library.OpenFile(path, password, askOwner);
  return InspectionOf(opened, library.ErrorCode());
}

void VerifyEncryptedCopy(std::u16string_view copy, std::u16string_view openPassword, std::u16string_view ownerPassword,
                         std::int32_t level, std::u16string_view inputPages) {
  // Any encryption will do for the open password; only the owner's must open the copy as owner.
  // Both are tried on one reading of the copy's cross-reference data.
  const pdf::TVelloPDF::TPasswordTry tries[] = {{openPassword, false}, {ownerPassword, true}};
  pdf::TCorvanePDFLibrary1013 library;
  const auto opened = library.OpenFileWithEach(copy, std::span(tries, ownerPassword.empty() ? 1 : 2));
  const TInspection open = InspectionOf(opened.front(), library.ErrorCode());
  if (open.errorCode != 0) throw TFileFailure{0, u"verification: the copy does not open with its open password"};
  if (open.encryption == u"None") throw TFileFailure{0, u"verification: the copy is not encrypted"};
  if (open.level != ExpectedLevelStatus(level)) {
    throw TFileFailure{0, u"verification: the copy's encryption level status is " + open.level + u", not " +
                              std::u16string(ExpectedLevelStatus(level))};
  }
  ExpectPages(open, inputPages);
  if (opened.size() > 1 && !(opened.back() && opened.back()->asOwner)) {
    throw TFileFailure{0, u"verification: the restrictions password does not open the copy as owner"};
  }
}

void VerifyClearCopy(std::u16string_view copy, std::u16string_view inputPages) {
  const TInspection opened = Inspect(copy, u"", false);
  if (opened.errorCode != 0) throw TFileFailure{0, u"verification: the copy does not open without a password"};
  if (opened.encryption != u"None") throw TFileFailure{0, u"verification: the copy is still encrypted"};
  ExpectPages(opened, inputPages);
}

}  // namespace ombrelt::app

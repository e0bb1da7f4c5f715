#include "app/core/CopyVerification.h"

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

}  // namespace

TInspection Inspect(std::u16string_view path, std::u16string_view password, bool askOwner) {
  pdf::TCorvanePDFLibrary1013 library;
  const std::optional<pdf::TVelloPDF::TOpenedFile> opened = library.OpenFile(path, password, askOwner);
  TInspection inspection;
  inspection.errorCode = library.ErrorCode();
  if (!opened) {
    if (inspection.errorCode == 0) inspection.errorCode = pdf::kErrorInputFile;
    return inspection;
  }
  inspection.encryption = !opened->encrypted ? u"None" : opened->asOwner ? u"Owner" : u"User";
  inspection.pages = pdf::UTF8ToUnicode(std::to_string(opened->pages));
  inspection.level = pdf::UTF8ToUnicode(opened->levelStatus);
  return inspection;
}

void VerifyEncryptedCopy(std::u16string_view copy, std::u16string_view openPassword, std::u16string_view ownerPassword,
                         std::int32_t level, std::u16string_view inputPages) {
  // Any encryption will do for the open password; only the owner's must open the copy as owner.
  const TInspection opened = Inspect(copy, openPassword, false);
  if (opened.errorCode != 0) throw TFileFailure{0, u"verification: the copy does not open with its open password"};
  if (opened.encryption == u"None") throw TFileFailure{0, u"verification: the copy is not encrypted"};
  if (opened.level != ExpectedLevelStatus(level)) {
    throw TFileFailure{0, u"verification: the copy's encryption level status is " + opened.level + u", not " +
                              std::u16string(ExpectedLevelStatus(level))};
  }
  ExpectPages(opened, inputPages);
  if (!ownerPassword.empty() && Inspect(copy, ownerPassword, true).encryption != u"Owner") {
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

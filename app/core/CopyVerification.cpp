#include "app/core/CopyVerification.h"

#include "app/core/FileFailure.h"
#include "pdf/facade/VelloPDF.h"

namespace ombrelt::app {

namespace {

// Items of the library's inspection list.
constexpr std::int32_t kItemPages = 9;
constexpr std::int32_t kItemEncryption = 13;  // "None", "User" or "Owner"
constexpr std::int32_t kItemLevel = 30;       // security item 10, the encryption level status

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

TInspection Inspect(std::u16string_view path, std::u16string_view password) {
  pdf::TCorvanePDFLibrary1013 library;
  const std::int32_t handle = library.InspectFile(path, password);
  TInspection inspection;
  inspection.errorCode = library.ErrorCode();
  if (handle == 0) {
    if (inspection.errorCode == 0) inspection.errorCode = pdf::kErrorInputFile;
    return inspection;
  }
  inspection.encryption = library.InspectionItem(handle, kItemEncryption);
  inspection.pages = library.InspectionItem(handle, kItemPages);
  inspection.level = library.InspectionItem(handle, kItemLevel);
  library.ReleaseInspection(handle);
  return inspection;
}

void VerifyEncryptedCopy(std::u16string_view copy, std::u16string_view openPassword, std::u16string_view ownerPassword,
                         std::int32_t level, std::u16string_view inputPages) {
  const TInspection opened = Inspect(copy, openPassword);
  if (opened.errorCode != 0) throw TFileFailure{0, u"verification: the copy does not open with its open password"};
  if (opened.encryption == u"None") throw TFileFailure{0, u"verification: the copy is not encrypted"};
  if (opened.level != ExpectedLevelStatus(level)) {
    throw TFileFailure{0, u"verification: the copy's encryption level status is " + opened.level + u", not " +
                              std::u16string(ExpectedLevelStatus(level))};
  }
  ExpectPages(opened, inputPages);
  if (!ownerPassword.empty() && Inspect(copy, ownerPassword).encryption != u"Owner") {
    throw TFileFailure{0, u"verification: the restrictions password does not open the copy as owner"};
  }
}

void VerifyClearCopy(std::u16string_view copy, std::u16string_view inputPages) {
  const TInspection opened = Inspect(copy, u"");
  if (opened.errorCode != 0) throw TFileFailure{0, u"verification: the copy does not open without a password"};
  if (opened.encryption != u"None") throw TFileFailure{0, u"verification: the copy is still encrypted"};
  ExpectPages(opened, inputPages);
}

}  // namespace ombrelt::app

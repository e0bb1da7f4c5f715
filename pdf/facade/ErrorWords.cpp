#include "pdf/facade/ErrorWords.h"

#include "pdf/facade/VelloPDF.h"

namespace pdf {

std::string ErrorWords(std::int32_t errorCode) {
  switch (errorCode) {
    case kErrorNone: return "no error";
    case kErrorInputFile: return "the file is missing or cannot be read";
    case kErrorOutputReplace: return "the output file cannot be replaced (is it the input file?)";
    case kErrorOutputWrite: return "creating or writing the output file failed";
    case kErrorPassword: return "the file is encrypted and the password opens it neither as owner nor as user";
    case kErrorEncrypted: return "the file is already encrypted";
    case kErrorStrength: return "the encryption level is out of range";
    case kErrorPermissions: return "the permission value is invalid";
    case kErrorNotPDF: return "not a readable PDF file";
    case kErrorAuthority: return "the password given does not carry the authority to change protection: the restrictions password is needed";
    case kErrorNotEncrypted: return "the file is not encrypted";
    case kErrorInflation:
      return "its compressed object data inflates to far more than a file of its size holds (a decompression bomb?)";
    default: return "error " + std::to_string(errorCode);
  }
}

std::string ErrorWords(std::int32_t errorCode, bool passwordGiven) {
  if (errorCode == kErrorPassword && !passwordGiven) return "the file is encrypted and a password is needed to open it";
  return ErrorWords(errorCode);
}

}  // namespace pdf

#include "app/core/EncryptionNotices.h"

namespace ombrelt::app {

std::vector<std::u16string> EncryptionNotices(std::u16string_view signedItem, std::u16string_view pdfaItem) {
  std::vector<std::u16string> notices;
  if (signedItem == u"Yes") notices.emplace_back(u"Signed: encrypting invalidates its signatures");
  if (!pdfaItem.empty()) {
    notices.push_back(u"Claims " + std::u16string(pdfaItem) + u": an encrypted copy is no longer PDF/A");
  }
  return notices;
}

}  // namespace ombrelt::app

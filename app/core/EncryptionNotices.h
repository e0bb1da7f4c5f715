#pragma once
// What encrypting a file changes beyond who may open it, as the window's tooltips and the command
// line's warnings say it: signatures stop verifying, and a PDF/A file stops being one.

#include <string>
#include <string_view>
#include <vector>

namespace ombrelt::app {

// The sentences for a file's inspection items kInspectionItemSigned ("Yes" or "No") and
// kInspectionItemPDFA (a claim such as "PDF/A-1B", or empty); none for a file encrypting leaves be.
std::vector<std::u16string> EncryptionNotices(std::u16string_view signedItem, std::u16string_view pdfaItem);

}  // namespace ombrelt::app

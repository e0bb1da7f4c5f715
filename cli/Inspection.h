#pragma once
// One file's inspection list read out of the library into plain strings, and the positions of
// the items the commands use.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/facade/VelloPDF.h"

namespace cli {

enum TInspectionIndex : int {
  kItemPath = 0,
  kItemSize = 1,
  kItemAuthor = 2,
  kItemTitle = 3,
  kItemSubject = 4,
  kItemKeywords = 5,
  kItemCreator = 6,
  kItemProducer = 7,
  kItemVersion = 8,
  kItemPages = 9,
  kItemCreationDate = 10,
  kItemModDate = 11,
  kItemEncryption = 13,  // "None", "Owner" or "User"
  kItemUsageRights = 14,  // "Yes" or "No"
  kItemUsageRightsName = 15,
  kItemFormFields = 31,
  kItemSigned = pdf::kInspectionItemSigned,  // "Yes" or "No"
  kItemPDFA = pdf::kInspectionItemPDFA,      // "PDF/A-1B" and the like, or empty
  kItemRepaired = pdf::kInspectionItemRepaired,  // what reading a damaged file took, or empty
  kItemSecurityFilter = pdf::kInspectionItemSecurityFilter,  // "Standard" and the like, or empty
  kItemPermsAgree = pdf::kInspectionItemPermsAgree,          // "Yes", "No" or empty
};

struct TInspection {
  std::int32_t Error = pdf::kErrorNone;  // the library's error code; Items is empty unless 0
  std::vector<std::string> Items;         // UTF-8, kInspectionItemCount of them

  const std::string& Item(int index) const { return Items.at(static_cast<std::size_t>(index)); }
};

// Inspects file (a UTF-8 path) with password (UTF-8, empty for none) and releases the library's list.
TInspection Inspect(pdf::TVelloPDF& library, const std::string& file, const std::string& password);

// What an encrypted file tells without a password (see TVelloPDF::InspectLockedFile).
TInspection InspectLocked(pdf::TVelloPDF& library, const std::string& file);

// A decimal item as a number; nothing for an empty or malformed item.
std::optional<std::int64_t> ItemNumber(std::string_view item);

}  // namespace cli

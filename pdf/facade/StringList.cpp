#include "pdf/facade/StringList.h"

#include <algorithm>
#include <cstring>

namespace pdf {

namespace {
// Locale-aware order, as the user's language sorts text.
bool Before(const std::string& a, const std::string& b) { return std::strcoll(a.c_str(), b.c_str()) < 0; }
}  // namespace

std::int32_t TVelloPDFStringList::Add(std::string item, const void* object) {
  auto at = items_.end();
  if (sorted_) {
    at = std::upper_bound(items_.begin(), items_.end(), item,
                          [](const std::string& text, const Entry& entry) { return Before(text, entry.text); });
  }
  at = items_.insert(at, Entry{std::move(item), object});
  return static_cast<std::int32_t>(at - items_.begin());
}

std::string TVelloPDFStringList::Item(std::int32_t index) const {
  return index >= 0 && index < Count() ? items_[static_cast<std::size_t>(index)].text : std::string();
}

const void* TVelloPDFStringList::Object(std::int32_t index) const {
  return index >= 0 && index < Count() ? items_[static_cast<std::size_t>(index)].object : nullptr;
}

std::int32_t TVelloPDFStringList::IndexOf(std::string_view item) const {
  const auto found = std::find_if(items_.begin(), items_.end(), [item](const Entry& entry) { return entry.text == item; });
  return found != items_.end() ? static_cast<std::int32_t>(found - items_.begin()) : -1;
}

void TVelloPDFStringList::Sort() {
  std::stable_sort(items_.begin(), items_.end(), [](const Entry& a, const Entry& b) { return Before(a.text, b.text); });
}

}  // namespace pdf

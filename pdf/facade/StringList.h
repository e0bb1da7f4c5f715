#pragma once
// An ordered list of byte strings, each with an attached object reference; sorted lists
// keep their items in locale order.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pdf {

class TVelloPDFStringList {
 public:
  explicit TVelloPDFStringList(bool sorted = false) : sorted_(sorted) {}

  // Appends the item, or inserts it at its place in a sorted list; returns its index.
  std::int32_t Add(std::string item, const void* object = nullptr);
  std::int32_t Count() const { return static_cast<std::int32_t>(items_.size()); }
  // The item at index, empty outside the list.
  std::string Item(std::int32_t index) const;
  const void* Object(std::int32_t index) const;
  std::int32_t IndexOf(std::string_view item) const;
  void Clear() { items_.clear(); }
  void Sort();

 private:
  struct Entry {
    std::string text;
    const void* object;
  };
  bool sorted_;
  std::vector<Entry> items_;
};

}  // namespace pdf

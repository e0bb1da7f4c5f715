#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "pdf/objects/PDFObject.h"

namespace pdf {

class TPDFName;

// An ordered dictionary: entries keep the position at which their key was first stored.
class TPDFDictionary final : public TPDFObject {
 public:
  static constexpr TPDFObjectKind kKind = TPDFObjectKind::Dictionary;
  using TPDFObject::TPDFObject;
  TPDFObjectKind Kind() const override { return kKind; }
  bool IsModified() const override;
  void WriteText(std::string& out) const override;
  void Release() override;
  void ReleaseHeld() override { ReleaseMembers(); }
  void ShiftObjectNumbers(std::int32_t delta) override;
  bool Refers(const TPDFObject* object) const override;

  std::int32_t EntryCount() const { return static_cast<std::int32_t>(entries_.size()); }
  // The pair at index, or two nullptrs outside the range.
  void GetEntry(std::int32_t index, TPDFName*& key, TPDFObject*& value) const;
  std::int32_t IndexOfKey(std::string_view text) const;
  TPDFObject* GetValue(std::string_view text, bool resolve) const;
  std::string GetTypeName() const;
  std::int32_t GetInteger(std::string_view text, std::int32_t defaultValue) const;
  void PutEntry(TPDFName* key, TPDFObject* value);
  void SetValue(std::string_view text, TPDFObject* value);
  void RemoveKey(std::string_view text);
  void DeleteKey(std::string_view text);
  void Clear();
  void CopyFrom(const TPDFDictionary& source);
  // Release of every key and value without offering the dictionary itself.
  void ReleaseMembers();

 private:
  struct Entry {
    TPDFName* key;
    TPDFObject* value;
  };
  void WriteEntry(const Entry& entry, std::string& out) const;
  void ReplaceEntries(std::vector<Entry> entries);
  std::int32_t ScanForKey(std::string_view text) const;
  void RebuildIndex() const;

  std::vector<Entry> entries_;
  // Key positions of large dictionaries; empty while the dictionary is small.
  mutable std::unordered_map<std::string, std::size_t> index_;
  // The structure's count of name renames when the index was built.
  mutable std::uint64_t indexedAtRename_ = 0;
};

}  // namespace pdf

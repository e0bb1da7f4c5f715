#include "pdf/objects/PDFDictionary.h"

#include <algorithm>
#include <exception>

#include "pdf/objects/Limits.h"
#include "pdf/objects/PDFArray.h"
#include "pdf/objects/PDFScalars.h"
#include "pdf/objects/PDFStructure.h"

namespace pdf {

bool TPDFDictionary::IsModified() const {
  return TPDFObject::IsModified() ||
         std::any_of(entries_.begin(), entries_.end(), [](const Entry& entry) {
           return entry.value != nullptr && entry.value->IsModified();
         });
}

void TPDFDictionary::WriteText(std::string& out) const {
  out += "<<\n";
  for (const Entry& entry : entries_) WriteEntry(entry, out);
  out += ">>\n";
}

void TPDFDictionary::WriteEntry(const Entry& entry, std::string& out) const {
  const std::size_t start = out.size();
  try {
    if (entry.key != nullptr) entry.key->WriteText(out);
    out += ' ';
    if (entry.value != nullptr) entry.value->WriteText(out);
    if (out.back() != '\n') out += '\n';
  } catch (const std::exception&) {
    // One unwritable value must not lose the rest of the dictionary: a comment marks the gap.
    out.resize(start);
    out += "% bug \n";
  }
}

void TPDFDictionary::Release() {
  ReleaseMembers();
  TPDFObject::Release();
}

void TPDFDictionary::ReleaseMembers() {
  // Keys and values are still held here, so the structure would free none of them; they
  // stay owned until it is reset.
  for (const Entry& entry : entries_) {
    if (entry.value != nullptr) entry.value->ReleaseHeld();
  }
  Touch();
}

void TPDFDictionary::ShiftObjectNumbers(std::int32_t delta) {
  for (const Entry& entry : entries_) {
    if (entry.value != nullptr) entry.value->ShiftObjectNumbers(delta);
  }
  Touch();
}

bool TPDFDictionary::Refers(const TPDFObject* object) const {
  return std::any_of(entries_.begin(), entries_.end(), [object](const Entry& entry) {
    return entry.key == object || entry.value == object;
  });
}

void TPDFDictionary::GetEntry(std::int32_t index, TPDFName*& key, TPDFObject*& value) const {
  key = nullptr;
  value = nullptr;
  if (index < 0 || index >= EntryCount()) return;
  key = entries_[static_cast<std::size_t>(index)].key;
  value = entries_[static_cast<std::size_t>(index)].value;
}

std::int32_t TPDFDictionary::ScanForKey(std::string_view text) const {
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].key != nullptr && entries_[i].key->Value() == text) {
      return static_cast<std::int32_t>(i);
    }
  }
  return -1;
}

void TPDFDictionary::RebuildIndex() const {
  index_.clear();
  indexedAtRename_ = Structure().NameChanges();
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].key != nullptr) index_.try_emplace(entries_[i].key->Value(), i);
  }
}

std::int32_t TPDFDictionary::IndexOfKey(std::string_view text) const {
  if (entries_.size() <= limits::kDictionaryIndexThreshold) return ScanForKey(text);
  // A key renamed in place, to another text or from one, leaves the index stale.
  if (index_.empty() || indexedAtRename_ != Structure().NameChanges()) RebuildIndex();
  const auto found = index_.find(std::string(text));
  if (found == index_.end()) return -1;
  const Entry& entry = entries_[found->second];
  if (entry.key != nullptr && entry.key->Value() == text) {
    return static_cast<std::int32_t>(found->second);
  }
  // A key from another arena is renamed without this arena's count: what was found is checked.
  RebuildIndex();
  return ScanForKey(text);
}

TPDFObject* TPDFDictionary::GetValue(std::string_view text, bool resolve) const {
  const std::int32_t index = IndexOfKey(text);
  if (index < 0) return nullptr;
  TPDFObject* value = entries_[static_cast<std::size_t>(index)].value;
  if (TPDFIndRef* reference = As<TPDFIndRef>(value); resolve && reference != nullptr) {
    return reference->Resolve();
  }
  return value;
}

std::string TPDFDictionary::GetTypeName() const {
  const TPDFName* type = As<TPDFName>(GetValue("Type", false));
  return type != nullptr ? type->Value() : std::string();
}

std::int32_t TPDFDictionary::GetInteger(std::string_view text, std::int32_t defaultValue) const {
  const TPDFNumeric* number = As<TPDFNumeric>(GetValue(text, true));
  return number != nullptr ? number->AsInteger() : defaultValue;
}

void TPDFDictionary::PutEntry(TPDFName* key, TPDFObject* value) {
  const std::int32_t index = key != nullptr ? IndexOfKey(key->Value()) : -1;
  if (index >= 0) {
    entries_[static_cast<std::size_t>(index)] = Entry{key, value};
  } else {
    entries_.push_back(Entry{key, value});
    if (!index_.empty() && key != nullptr) index_.try_emplace(key->Value(), entries_.size() - 1);
  }
  Touch();
}

void TPDFDictionary::SetValue(std::string_view text, TPDFObject* value) {
  if (value != this) PutEntry(Structure().CommonName(text), value);
  Touch();
}

void TPDFDictionary::RemoveKey(std::string_view text) {
  const std::int32_t index = IndexOfKey(text);
  if (index < 0) return;
  entries_.erase(entries_.begin() + index);
  index_.clear();
  Touch();
}

void TPDFDictionary::DeleteKey(std::string_view text) {
  const std::int32_t index = IndexOfKey(text);
  if (index < 0) return;
  const Entry entry = entries_[static_cast<std::size_t>(index)];
  // The entry is still in place, so nothing held here could be freed: the key and value stay
  // owned by the structure until it is reset.
  if (As<TPDFDictionary>(entry.value) != nullptr || As<TPDFArray>(entry.value) != nullptr) {
    entry.value->ReleaseHeld();
  }
  RemoveKey(text);
}

void TPDFDictionary::Clear() {
  // Every member is still held here, so offering it for freeing could free nothing:
  // dropped members stay owned by the structure until it is reset.
  ReplaceEntries({});
}

void TPDFDictionary::CopyFrom(const TPDFDictionary& source) {
  if (&source.Structure() == &Structure()) {
    ReplaceEntries(source.entries_);
  } else if (auto* copy = As<TPDFDictionary>(Structure().ParseObject(source.ToText()))) {
    ReplaceEntries(copy->entries_);
  }
  Touch();
}

void TPDFDictionary::ReplaceEntries(std::vector<Entry> entries) {
  entries_ = std::move(entries);
  index_.clear();
  Touch();
}

}  // namespace pdf

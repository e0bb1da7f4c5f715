// Whether a document is signed: its catalog's form and permission entries, then a walk of its form
// fields for a signature field with a value.

#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "pdf/io/PDFReader.h"
#include "pdf/security/DocumentNotices.h"
#include "pdf/security/SecurityInfo.h"

namespace pdf {
namespace {

// The /SigFlags bit that says the document holds at least one signature.
constexpr std::int32_t kSignaturesExist = 1;

// Indirect objects looked up through the reader, each loaded once: a hostile form can refer to one
// large object from thousands of places.
class TObjectLookup {
 public:
  explicit TObjectLookup(TSmartPDFReader& reader) : reader_(reader) {}

  TPDFObject* Resolve(TPDFObject* object) {
    const auto* reference = As<TPDFIndRef>(object);
    if (reference == nullptr) return object;
    const auto [place, added] = loaded_.try_emplace(reference->TargetNumber(), nullptr);
    if (added) place->second = reader_.GetObject(reference->TargetNumber());
    return place->second;
  }

  template <class T>
  T* Entry(const TPDFDictionary* dictionary, std::string_view key) {
    return dictionary != nullptr ? As<T>(Resolve(dictionary->GetValue(key, false))) : nullptr;
  }

 private:
  TSmartPDFReader& reader_;
  std::unordered_map<std::int32_t, TPDFObject*> loaded_;
};

// A field waiting to be looked at, with the field type its ancestors pass down (/FT is inherited).
struct TPendingField {
  TPDFObject* node = nullptr;
  bool signatureType = false;
  int depth = 0;
};

// Depth-first over /Fields and /Kids, at most limits::kMaxSignatureSearchFields nodes; an indirect
// node is looked at once, so a /Kids that leads back to an ancestor ends there.
class TSignatureFieldSearch {
 public:
  explicit TSignatureFieldSearch(TObjectLookup& lookup) : lookup_(lookup) {}

  bool FindsSignedField(const TPDFArray& fields) {
    Push(fields, false, 0);
    while (!pending_.empty()) {
      const TPendingField field = pending_.back();
      pending_.pop_back();
      if (IsSignedField(field)) return true;
    }
    return false;
  }

 private:
  void Push(const TPDFArray& kids, bool signatureType, int depth) {
    if (depth > limits::kMaxFieldDepth) return;
    for (std::int32_t i = 0; i < kids.ItemCount() && budget_ > 0; ++i, --budget_) {
      pending_.push_back({kids.GetItem(i), signatureType, depth});
    }
  }

  bool IsSignedField(const TPendingField& field) {
    if (const auto* reference = As<TPDFIndRef>(field.node)) {
      if (!visited_.insert(reference->TargetNumber()).second) return false;
    }
    const auto* dictionary = As<TPDFDictionary>(lookup_.Resolve(field.node));
    if (dictionary == nullptr) return false;
    const auto* type = lookup_.Entry<TPDFName>(dictionary, "FT");
    const bool signatureType = type != nullptr ? type->Value() == "Sig" : field.signatureType;
    if (signatureType && lookup_.Entry<TPDFDictionary>(dictionary, "V") != nullptr) return true;
    if (const auto* kids = lookup_.Entry<TPDFArray>(dictionary, "Kids")) Push(*kids, signatureType, field.depth + 1);
    return false;
  }

  TObjectLookup& lookup_;
  std::vector<TPendingField> pending_;
  std::unordered_set<std::int32_t> visited_;
  std::size_t budget_ = limits::kMaxSignatureSearchFields;
};

bool HasEntry(TObjectLookup& lookup, const TPDFDictionary* dictionary, std::string_view key) {
  if (dictionary == nullptr) return false;
  const TPDFObject* value = lookup.Resolve(dictionary->GetValue(key, false));
  return value != nullptr && As<TPDFNull>(value) == nullptr;
}

}  // namespace

bool DeclaresSignature(TSmartPDFReader& reader, TSmartPDFInfo& info) {
  const TPDFDictionary* catalog = info.Catalog();
  if (catalog == nullptr) return false;
  TObjectLookup lookup(reader);
  const auto* perms = lookup.Entry<TPDFDictionary>(catalog, "Perms");
  if (HasEntry(lookup, perms, "DocMDP") || HasEntry(lookup, perms, "UR3")) return true;
  const auto* form = lookup.Entry<TPDFDictionary>(catalog, "AcroForm");
  const auto* flags = lookup.Entry<TPDFNumeric>(form, "SigFlags");
  return flags != nullptr && (flags->AsInteger() & kSignaturesExist) != 0;
}

bool HasSignedField(TSmartPDFReader& reader, TSmartPDFInfo& info) {
  const TPDFDictionary* catalog = info.Catalog();
  if (catalog == nullptr) return false;
  TObjectLookup lookup(reader);
  const auto* form = lookup.Entry<TPDFDictionary>(catalog, "AcroForm");
  const auto* fields = lookup.Entry<TPDFArray>(form, "Fields");
  return fields != nullptr && TSignatureFieldSearch(lookup).FindsSignedField(*fields);
}

bool IsSignedDocument(TSmartPDFReader& reader, TSmartPDFInfo& info) {
  return DeclaresSignature(reader, info) || HasSignedField(reader, info);
}

}  // namespace pdf

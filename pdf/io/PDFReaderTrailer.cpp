// Trailer look-ups and the trailer rewrite for a single-revision copy.

#include "pdf/io/PDFReader.h"
#include "pdf/security/RandomSource.h"

namespace pdf {

namespace {

// Keys that describe the cross-reference data of the old file, not the document.
constexpr std::string_view kObsoleteTrailerKeys[] = {"Prev", "DecodeParms", "Filter", "Length",
                                                     "Type", "W", "Index"};
// The bytes of a new /ID string: 128 bits, so no two files ever share one by chance.
constexpr std::size_t kFileIdentifierSize = 16;

}  // namespace

TPDFObject* TSmartPDFReader::ValueInTrailers(std::string_view key) const {
  if (trailer_ != nullptr && trailer_->IndexOfKey(key) >= 0) return trailer_->GetValue(key, false);
  for (const TPDFDictionary* trailer : trailers_) {
    if (trailer->IndexOfKey(key) >= 0) return trailer->GetValue(key, false);
  }
  return nullptr;
}

TPDFIndRef* TSmartPDFReader::TrailerReference(std::string_view key) const {
  return As<TPDFIndRef>(ValueInTrailers(key));
}

TPDFDictionary* TSmartPDFReader::TrailerDictionary(std::string_view key) {
  const auto resolve = [this](TPDFObject* value) {
    const auto* reference = As<TPDFIndRef>(value);
    return reference != nullptr ? GetObject(reference->TargetNumber()) : value;
  };
  TPDFObject* value = trailer_ != nullptr ? resolve(trailer_->GetValue(key, false)) : nullptr;
  for (std::size_t i = 0; value == nullptr && i < trailers_.size(); ++i) {
    value = resolve(trailers_[i]->GetValue(key, false));
  }
  return As<TPDFDictionary>(value);
}

// The copy's /ID: always a direct array of two strings, which is all readers accept when they
// derive keys from it. The input's first string stays when it is a usable one and the renewal
// keeps it (it names the document for good); the second is fresh, as for any new revision.
TPDFArray* TSmartPDFReader::CopyIdentifier(TIdentifierRenewal renewal, TRandomSource& random) {
  TPDFObject* id = trailer_->GetValue("ID", false);
  if (const auto* reference = As<TPDFIndRef>(id)) id = GetObject(reference->TargetNumber());
  const auto* pair = As<TPDFArray>(id);
  const auto* first = pair != nullptr ? As<TPDFString>(pair->GetItem(0)) : nullptr;
  TPDFString* fresh = arena_.NewString(RandomBytes(kFileIdentifierSize, random), true);
  if (renewal == TIdentifierRenewal::kBoth) {
    return arena_.NewArrayOf({arena_.NewString(RandomBytes(kFileIdentifierSize, random), true), fresh});
  }
  if (first == nullptr || first->Value().empty()) return arena_.NewArrayOf({fresh, arena_.NewString(fresh->Value(), true)});
  return arena_.NewArrayOf({arena_.NewString(first->Value(), true), fresh});
}

void TSmartPDFReader::PrepareTrailer(TIdentifierRenewal renewal, TRandomSource& random) {
  if (trailer_ == nullptr) return;
  trailer_->DeleteKey("Size");
  trailer_->SetValue("Size", arena_.NewNumber(MaxObjectNumber() + 1.0));
  for (const std::string_view key : {std::string_view("Info"), std::string_view("Root")}) {
    if (trailer_->IndexOfKey(key) < 0) {
      if (TPDFIndRef* reference = TrailerReference(key)) trailer_->SetValue(key, reference);
    }
  }
  trailer_->SetValue("ID", CopyIdentifier(renewal, random));
  // Keys derive from the first string, so the handler must learn the one the copy carries.
  if (OnFileIDChanged) OnFileIDChanged(*this);
  for (const std::string_view key : kObsoleteTrailerKeys) trailer_->DeleteKey(key);
}

}  // namespace pdf

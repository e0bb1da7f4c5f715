#include "pdf/objects/PDFStream.h"

#include "pdf/objects/PDFDictionary.h"
#include "pdf/objects/PDFScalars.h"
#include "pdf/objects/PDFStructure.h"
#include "pdf/objects/StreamFilters.h"
#include "pdf/objects/TextConversions.h"

namespace pdf {

TPDFStream::TPDFStream(TPDFStructure& structure)
    : TPDFObject(structure), dictionary_(structure.NewDictionary()) {}

TPDFStream::TPDFStream(TPDFStructure& structure, TPDFDictionary* dictionary, std::string data)
    : TPDFObject(structure), dictionary_(dictionary), data_(std::move(data)) {}

void TPDFStream::WriteText(std::string& out) const {
  dictionary_->WriteText(out);
  out += "stream\n";
  out += data_;
  out += kTailText;
}

std::string TPDFStream::HeadText() const {
  std::string head = dictionary_->ToText();
  head += "stream\n";
  return head;
}

void TPDFStream::Release() {
  dictionary_->ReleaseMembers();
  TPDFDictionary* dictionary = dictionary_;
  TPDFStructure& structure = Structure();
  // The dictionary goes only together with the stream: a stream still held elsewhere
  // must not be left pointing at a freed dictionary.
  if (structure.FreeObject(this)) structure.FreeObject(dictionary);
}

void TPDFStream::ReleaseHeld() { dictionary_->ReleaseMembers(); }

void TPDFStream::ShiftObjectNumbers(std::int32_t delta) {
  dictionary_->ShiftObjectNumbers(delta);
  Touch();
}

bool TPDFStream::Refers(const TPDFObject* object) const { return dictionary_->Refers(object); }

void TPDFStream::SetRawData(std::string bytes) {
  data_ = std::move(bytes);
  SetLengthEntry(data_.size());
}

void TPDFStream::SetLengthEntry(std::size_t count) {
  const auto value = static_cast<double>(count);
  if (auto* length = As<TPDFNumeric>(dictionary_->GetValue("Length", false))) {
    length->SetValue(value);
  } else {
    dictionary_->SetValue("Length", Structure().NewNumber(value));
  }
  Touch();
}

void TPDFStream::SetData(std::string_view bytes, bool compress) {
  SetRawData(compress ? DeflateData(bytes) : std::string(bytes));
  dictionary_->DeleteKey("Filter");
  if (compress) dictionary_->SetValue("Filter", Structure().CommonName("FlateDecode"));
  Touch();
}

void TPDFStream::SetDictionary(TPDFDictionary* dictionary) {
  Touch();
  if (dictionary == dictionary_) return;
  TPDFDictionary* old = dictionary_;
  dictionary_ = dictionary;
  Structure().FreeObject(old);
}

std::u16string TPDFStream::AsText() const { return PDFTextToUnicode(GetDecodedData()); }

}  // namespace pdf

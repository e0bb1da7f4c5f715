#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "pdf/objects/PDFObject.h"

namespace pdf {

class TPDFDictionary;

// A stream: its dictionary and its data as stored in the file (still encoded).
class TPDFStream final : public TPDFObject {
 public:
  static constexpr TPDFObjectKind kKind = TPDFObjectKind::Stream;
  // A new stream gets a new empty dictionary from the structure.
  explicit TPDFStream(TPDFStructure& structure);
  TPDFStream(TPDFStructure& structure, TPDFDictionary* dictionary, std::string data);
  TPDFObjectKind Kind() const override { return kKind; }
  // The text is HeadText(), the data, then kTailText.
  void WriteText(std::string& out) const override;
  std::string HeadText() const;
  static constexpr std::string_view kTailText = "\nendstream";
  void Release() override;
  void ReleaseHeld() override;
  void ShiftObjectNumbers(std::int32_t delta) override;
  bool Refers(const TPDFObject* object) const override;

  TPDFDictionary* Dictionary() const { return dictionary_; }
  const std::string& Data() const { return data_; }
  // Stores the bytes as they are and keeps /Length equal to their count.
  void SetRawData(std::string bytes);
  // Sets /Length alone, for data that is written in another form than it is held.
  void SetLengthEntry(std::size_t count);
  // Stores the bytes, Flate-encoded when compress is true, and sets /Filter to match.
  void SetData(std::string_view bytes, bool compress);
  void SetDictionary(TPDFDictionary* dictionary);
  // Data with the /Filter chain undone (unknown filters are passed over).
  std::string GetDecodedData() const;
  // The same, each filter's output cut at maxOutput bytes (below the decoders' own cap).
  std::string GetDecodedData(std::size_t maxOutput) const;
  std::u16string AsText() const;

 private:
  TPDFDictionary* dictionary_;
  std::string data_;
};

}  // namespace pdf

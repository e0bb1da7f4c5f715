#pragma once
// Writes a new PDF file front to back: the header, the indirect objects as their text arrives,
// then a classic cross-reference table, the trailer and the end marker. It never seeks back
// and keeps only where each object began.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/io/ByteStream.h"

namespace pdf {

class TPDFDictionary;

class TSmartPDFWriter {
 public:
  // The stream is positioned where the file begins; it is not owned and stays open afterwards.
  explicit TSmartPDFWriter(TByteStream& stream) : stream_(stream) {}
  TSmartPDFWriter(const TSmartPDFWriter&) = delete;
  TSmartPDFWriter& operator=(const TSmartPDFWriter&) = delete;

  // Every operation raises EPDFError when the stream stores fewer bytes than it was given.

  // version is the text after "%PDF-", e.g. "1.4".
  void WriteHeader(std::string_view version);
  // text is the serialised (and possibly encrypted) value, without the obj/endobj frame.
  // When a number is written twice, the table points at the first copy.
  void WriteObject(std::int32_t number, std::int32_t generation, std::string_view text);
  // The same for text given in consecutive parts (a stream's head, data and tail), so that a
  // large stream is written from where its data lies instead of from one joined copy.
  void WriteObjectParts(std::int32_t number, std::int32_t generation, std::initializer_list<std::string_view> parts);
  // The same with the parts handed over one by one, for text that is produced while it is written.
  void BeginObject(std::int32_t number, std::int32_t generation);
  void AppendToObject(std::string_view part);
  void EndObject();
  // offsetBase is added to every offset in the table and to startxref. The single-section
  // layout covers 0 .. highest number and sets the trailer's Size; the subsection layout lists
  // only written numbers and writes the trailer exactly as given. Ends with a flush.
  void WriteXRefTable(TPDFDictionary& trailer, std::int32_t offsetBase, bool singleSection);
  // The highest object number written so far; 0 before any. A trailer's /Size is one more.
  std::int32_t HighestObjectNumber() const;

 private:
  struct TRecord {
    std::int32_t number;
    std::int32_t generation;
    std::int64_t offset;  // of the object's opening line, before offsetBase
  };
  // One slot per table line in ascending number order: slot 0 is nullptr, standing for object 0
  // (the head of the free list); then the first copy of every written number above 0.
  using TSlots = std::vector<const TRecord*>;

  TSlots TableSlots() const;
  // The highest number in the table; 0 when nothing above 0 was written.
  static std::int32_t Highest(const TSlots& slots);
  void WriteRuns(const TSlots& slots, std::int32_t offsetBase);
  void WriteSingleSection(const TSlots& slots, std::int32_t offsetBase);
  void WriteTrailer(const TPDFDictionary& trailer);
  void Put(std::string_view bytes);

  TByteStream& stream_;
  std::vector<TRecord> records_;
  // Whether the object being written ends a line so far.
  bool endsLine_ = false;
};

}  // namespace pdf

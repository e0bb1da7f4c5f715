#pragma once
// Walks a file's cross-reference data from its last section back through every older one,
// handing each entry and trailer to the owner, newest revision first.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "pdf/io/ByteStream.h"
#include "pdf/io/DecodeBudget.h"

namespace pdf {
class TPDFArray;
class TPDFDictionary;
}  // namespace pdf

namespace pdf {

class TPDFXRefReader {
 public:
  // (object number, generation or index, kind 'n' 'f' 'c' or ' ', offset or stream number)
  using EntryCallback = std::function<void(std::int32_t, std::int32_t, char, std::int64_t)>;
  using TrailerCallback = std::function<void(const std::string& text)>;
  using SectionCallback = std::function<void(std::int64_t offset)>;

  explicit TPDFXRefReader(TByteStream& stream) : stream_(stream) {}

  // The offset written after the last "startxref", or 0; StartXRefKeyword says where that keyword is.
  std::int64_t FindStartXRef();
  // Reads the section at offset and everything it chains to; false when any part failed.
  bool ReadSection(std::int64_t offset);
  // Up to count bytes at BaseOffset + position, cut at the end of the file.
  std::string ReadAt(std::int64_t count, std::int64_t position);

  EntryCallback EntryHandler;
  TrailerCallback TrailerHandler;
  SectionCallback SectionHandler;
  bool HasXRefStream = false;
  bool IsHybrid = false;
  // Classic table sections read so far, and, while a hybrid file's /XRefStm is read, the number of
  // the table section whose trailer names it (0 otherwise).
  std::int32_t TableSections = 0;
  std::int32_t HybridStreamOf = 0;
  std::int64_t LastPrev = -1;
  std::int64_t StartXRefKeyword = -1;
  std::int64_t BaseOffset = 0;
  // What the owner's file may still inflate; a cross-reference stream past it fails its section.
  TDecodeBudget* Budget = nullptr;

 private:
  std::int64_t FileSize();
  std::int64_t ScanBackwards(std::string_view marker, std::int64_t from, std::int64_t overlap);
  bool DispatchSection(std::int64_t offset);
  bool ReadTableSection(std::int64_t position);
  bool ReadTableEntries(std::int64_t first, std::int64_t count, std::int64_t& position);
  std::int64_t FindForward(std::string_view marker, std::int64_t from);
  bool StartsAtOneByMistake(std::string_view entries);
  bool ReadTableTrailer(std::int64_t position);
  // The section's result once the trailer was read; nothing when the text ends inside it.
  std::optional<bool> HandleTableTrailer(std::string_view text);
  bool ReadStreamSection(std::int64_t position);
  std::int32_t OwnObjectNumber(std::int64_t position);
  void DeliverStreamEntries(const TPDFDictionary& dictionary, const TPDFArray& widths,
                            std::string_view data, std::int32_t ownNumber, std::int64_t dataPosition,
                            std::int64_t size);
  void DeliverStreamEntry(std::int32_t number, std::int32_t type, std::int32_t field2, std::int32_t field3,
                          std::int32_t ownNumber, std::int64_t dataPosition);

  TByteStream& stream_;
  std::int64_t fileSize_ = -1;
  // Sections being read (a chain that comes back to one of them is a loop) and sections read,
  // with their results.
  std::set<std::int64_t> active_;
  std::map<std::int64_t, bool> finished_;
};

}  // namespace pdf

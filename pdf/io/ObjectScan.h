#pragma once
// Where each object's "N G obj" header stands in a file, found by one pass over all its bytes. The
// reader turns to it when the cross-reference data sends it where an object is not (a table a few
// bytes off, an entry pointing at another object, an object the table leaves out) and, when the
// data cannot be used at all, to rebuild the object table: the same pass notes where trailers stand
// and which objects look like cross-reference streams, object streams or the catalog.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "pdf/io/ByteStream.h"

namespace pdf {

class TObjectScan {
 public:
  struct THeader {
    std::int64_t offset = -1;  // of the object number's first digit
    std::int32_t generation = 0;
  };

  // Scans stream once, in pieces; object numbers at or above numberBound are ignored, so memory
  // stays within what the reader's object table may hold.
  TObjectScan(TByteStream& stream, std::int64_t numberBound);

  // The last header of the object in the file (a later definition replaces an earlier one, as in
  // an incremental update), if any.
  std::optional<THeader> Find(std::int32_t number) const;

  // Every header's offset, ascending, superseded definitions included.
  const std::vector<std::int64_t>& Starts() const { return starts_; }
  // Every object's last header, indexed by object number; offset -1 where the file has none.
  const std::vector<THeader>& Headers() const { return headers_; }

  // Words whose objects a rebuild looks at: "/Type /XRef", "/Type /ObjStm" and "/Type /Catalog"
  // are only ever written with these names.
  enum class TMark : std::uint8_t { XRef, ObjStm, Catalog };
  // The objects whose last definition holds the word, in the order of the file; at most
  // kMaxMarkedObjects of each word are kept, the last ones in the file.
  std::vector<std::int32_t> MarkedObjects(TMark mark) const;
  // Offsets of the "trailer" keywords, in the order of the file; the last kMaxMarkedObjects at least.
  const std::vector<std::int64_t>& TrailerOffsets() const { return trailers_; }

  // Where the next header after offset starts, or -1: an object's text ends there at the latest.
  std::int64_t NextHeaderAfter(std::int64_t offset) const;

  // The last header of the object in text, its offset counted from text's start.
  static std::optional<THeader> FindIn(std::string_view text, std::int32_t number);
  // Whether text holds any object header.
  static bool HoldsHeader(std::string_view text);

  // Object streams hold every object of some files; trailers and cross-reference streams are one
  // per revision. A file with more of them than this is hostile, and the last ones are the newest.
  static constexpr std::size_t kMaxMarkedObjects = std::size_t{1} << 16;

 private:
  void ScanPiece(std::string_view piece, std::int64_t pieceOffset, bool last);
  void ScanMarks(std::string_view piece, std::int64_t pieceOffset, std::size_t limit);
  void Mark(std::vector<std::int64_t>& offsets, std::int64_t offset);

  std::int64_t numberBound_;
  // By object number, as the reader's table holds them: a file of millions of headers takes a
  // fraction of the memory a hash map would.
  std::vector<THeader> headers_;
  // Every header's offset, ascending, and the number it names.
  std::vector<std::int64_t> starts_;
  std::vector<std::int32_t> numbers_;
  // Offsets of the marking words, ascending, per TMark; and of "trailer".
  std::vector<std::int64_t> marks_[3];
  std::vector<std::int64_t> trailers_;
};

}  // namespace pdf

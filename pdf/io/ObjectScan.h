#pragma once
// Where each object's "N G obj" header stands in a file, found by one pass over all its bytes. The
// reader turns to it when the cross-reference data sends it where an object is not: a table a few
// bytes off, an entry pointing at another object, an object the table leaves out.

#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "pdf/io/ByteStream.h"

namespace pdf {

class TObjectScan {
 public:
  struct THeader {
    std::int64_t offset = 0;  // of the object number's first digit
    std::int32_t generation = 0;
  };

  // Scans stream once, in pieces; object numbers at or above numberBound are ignored, so memory
  // stays within what the reader's object table may hold.
  TObjectScan(TByteStream& stream, std::int64_t numberBound);

  // The last header of the object in the file (a later definition replaces an earlier one, as in
  // an incremental update), if any.
  std::optional<THeader> Find(std::int32_t number) const;

  // Where the next header after offset starts, or -1: an object's text ends there at the latest.
  std::int64_t NextHeaderAfter(std::int64_t offset) const;

  // The last header of the object in text, its offset counted from text's start.
  static std::optional<THeader> FindIn(std::string_view text, std::int32_t number);

 private:
  void ScanPiece(std::string_view piece, std::int64_t pieceOffset, bool last);

  std::int64_t numberBound_;
  std::unordered_map<std::int32_t, THeader> headers_;
  // Every header's offset, ascending.
  std::vector<std::int64_t> starts_;
};

}  // namespace pdf

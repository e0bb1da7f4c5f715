#pragma once
// The body of an object stream that holds one small object padded with blanks to `decoded` bytes:
// a few kilobytes on disk, a decompression bomb to a reader that inflates it whole.

#include <cstddef>
#include <string>

#include "pdf/objects/StreamFilters.h"

namespace pdf::testing {

inline std::string InflatingObjectStream(int member, std::size_t decoded) {
  const std::string offsets = std::to_string(member) + " 0 ";
  std::string objects = offsets + "[ " + std::to_string(member) + " ]";
  objects.resize(decoded, ' ');
  const std::string data = DeflateData(objects);
  return "<< /Type /ObjStm /N 1 /First " + std::to_string(offsets.size()) + " /Filter /FlateDecode /Length " +
         std::to_string(data.size()) + " >>\nstream\n" + data + "\nendstream";
}

}  // namespace pdf::testing

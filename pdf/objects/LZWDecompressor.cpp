// LZWDecode, with the EarlyChange variants and the byte-wise TIFF predictor.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pdf/objects/StreamFilters.h"

namespace pdf {
namespace {

constexpr unsigned kClearCode = 256;
constexpr unsigned kEndCode = 257;
constexpr unsigned kFirstFreeCode = 258;
constexpr unsigned kLastCode = 4095;
constexpr unsigned kMinWidth = 9;
constexpr unsigned kMaxWidth = 12;

// Reads codes most significant bit first, as if the data were followed by three zero bytes.
class CodeReader {
 public:
  explicit CodeReader(std::string_view data) : data_(data) {}

  // No code once it would start beyond the first byte after the data: the data has run out.
  std::optional<unsigned> Next(unsigned width) {
    const std::uint64_t firstByte = bitPos_ / 8;
    if (firstByte > data_.size()) return std::nullopt;
    // width + bit offset <= 12 + 7, so three bytes always hold the whole code.
    const std::uint32_t window = ByteAt(firstByte) << 16 | ByteAt(firstByte + 1) << 8 | ByteAt(firstByte + 2);
    const unsigned offset = static_cast<unsigned>(bitPos_ % 8);
    bitPos_ += width;
    return (window >> (24 - offset - width)) & ((1u << width) - 1);
  }

 private:
  std::uint32_t ByteAt(std::uint64_t index) const {
    return index < data_.size() ? static_cast<std::uint8_t>(data_[index]) : 0;
  }

  std::string_view data_;
  std::uint64_t bitPos_ = 0;
};

// The string table and the code width that goes with it. Entries 256 and 257 (and codes not yet
// defined) are empty. Each entry is at most one byte longer than an entry already written out,
// so the table never holds more than the output bound plus one byte per code read.
class StringTable {
 public:
  explicit StringTable(bool earlyChange) : earlyChange_(earlyChange), entries_(kLastCode + 1) {
    for (unsigned byte = 0; byte < 256; ++byte) entries_[byte].assign(1, static_cast<char>(byte));
    Reset();
  }

  void Reset() {
    defined_ = kFirstFreeCode;  // the strings above stay allocated for reuse, but are not defined
    nextCode_ = kFirstFreeCode;
    width_ = kMinWidth;
    widthLimit_ = LimitFor(kMinWidth);
  }

  const std::string& Entry(unsigned code) const { return code < defined_ ? entries_[code] : empty_; }
  unsigned NextCode() const { return nextCode_; }
  unsigned Width() const { return width_; }

  // Defines the next free code as `entry` (whose storage is taken). A full table keeps replacing
  // its last entry.
  void Add(std::string& entry) {
    std::swap(entries_[nextCode_], entry);
    defined_ = std::max(defined_, nextCode_ + 1);
    if (nextCode_ == widthLimit_ && width_ < kMaxWidth) {
      ++width_;
      widthLimit_ = LimitFor(width_);
    }
    nextCode_ = std::min(nextCode_ + 1, kLastCode);
  }

 private:
  unsigned LimitFor(unsigned width) const { return (1u << width) - (earlyChange_ ? 2 : 1); }

  bool earlyChange_;
  std::vector<std::string> entries_;
  const std::string empty_;
  unsigned defined_ = kFirstFreeCode;
  unsigned nextCode_ = kFirstFreeCode;
  unsigned width_ = kMinWidth;
  unsigned widthLimit_ = 0;
};

// Appends what fits below maxOutput; false once the output is full.
bool Emit(std::string& out, std::string_view bytes, std::size_t maxOutput) {
  out.append(bytes.substr(0, maxOutput - out.size()));
  return out.size() < maxOutput;
}

// `scratch` becomes `prefix` followed by the first byte of `source` (nothing when that is empty).
void Extend(std::string& scratch, const std::string& prefix, const std::string& source) {
  scratch.assign(prefix);
  if (!source.empty()) scratch.push_back(source.front());
}

std::string DecodeCodes(std::string_view data, bool earlyChange, std::size_t maxOutput) {
  std::string out;
  if (maxOutput == 0) return out;
  CodeReader reader(data);
  StringTable table(earlyChange);
  std::string scratch;
  // Codes beyond the next free code are damaged: they are read as the next free code.
  const auto clamp = [&](unsigned code) { return std::min(code, table.NextCode()); };

  std::optional<unsigned> code = reader.Next(table.Width());
  if (code == kClearCode) code = reader.Next(table.Width());
  if (!code) return out;
  unsigned previous = clamp(*code);
  // An end code in first place is tolerated: it is taken as an empty string, not as the end.
  if (previous != kEndCode && !Emit(out, table.Entry(previous), maxOutput)) return out;

  bool afterClear = false;
  while ((code = reader.Next(table.Width())) && *code != kEndCode) {
    if (*code == kClearCode) {
      table.Reset();
      afterClear = true;
      continue;
    }
    const unsigned current = clamp(*code);
    if (afterClear) {
      afterClear = false;
      if (!Emit(out, table.Entry(current), maxOutput)) break;
    } else if (current < table.NextCode()) {
      if (!Emit(out, table.Entry(current), maxOutput)) break;
      Extend(scratch, table.Entry(previous), table.Entry(current));
      table.Add(scratch);
    } else {
      Extend(scratch, table.Entry(previous), table.Entry(previous));
      table.Add(scratch);
      if (!Emit(out, table.Entry(current), maxOutput)) break;
    }
    previous = current;
  }
  return out;
}

// Rows of Columns * Colors bytes, each byte from position Colors on plus the byte Colors before it.
void UndoByteWiseTiff(std::string& out, const TPDFLZWParms& parms) {
  if (parms.Colors <= 0 || parms.Columns <= 0) return;  // no row to undo
  const auto colors = static_cast<std::uint64_t>(parms.Colors);
  const std::uint64_t rowLength = static_cast<std::uint64_t>(parms.Columns) * colors;  // < 2^62
  const std::uint64_t rows = out.size() / rowLength;  // a partial last row is left as it is
  for (std::uint64_t start = 0; start < rows * rowLength; start += rowLength) {
    for (std::uint64_t i = start + colors; i < start + rowLength; ++i) {
      const auto sum = static_cast<std::uint8_t>(out[i]) + static_cast<std::uint8_t>(out[i - colors]);
      out[i] = static_cast<char>(sum);
    }
  }
}

}  // namespace

std::string TPDFLZWDecompressor::Decode(std::string_view data, const TPDFLZWParms& parms,
                                        std::size_t maxOutput) {
  std::string out = DecodeCodes(data, earlyChange_, maxOutput);
  // Only the TIFF predictor is undone here; PNG predictor bytes are handed on as they are.
  if (parms.Predictor == 2) UndoByteWiseTiff(out, parms);
  return out;
}

}  // namespace pdf

#include "pdf/io/ObjectScan.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "pdf/io/ByteText.h"

namespace pdf {

namespace {

constexpr std::size_t kPieceSize = std::size_t{1} << 20;
// Pieces overlap by more than the longest header ("2147483647 65535 obj" and blanks), so that a
// header across a piece's edge is seen whole in the next piece (one seen twice is kept once).
constexpr std::size_t kOverlap = 64;

bool IsBlank(char c) { return c == ' ' || c == '\r' || c == '\n' || c == '\t' || c == '\f' || c == '\0'; }
bool IsDelimiterOrBlank(char c) { return IsBlank(c) || std::string_view("()<>[]{}/%").find(c) != std::string_view::npos; }

// The digits ending just before `end` (after blanks are skipped back); empty when there are none.
std::string_view DigitsBefore(std::string_view text, std::size_t& end) {
  while (end > 0 && IsBlank(text[end - 1])) --end;
  const std::size_t last = end;
  while (end > 0 && IsDecimalDigit(text[end - 1])) --end;
  return text.substr(end, last - end);
}

}  // namespace

TObjectScan::TObjectScan(TByteStream& stream, std::int64_t numberBound) : numberBound_(numberBound) {
  const std::int64_t size = stream.Size();
  std::string piece(kPieceSize, '\0');
  for (std::int64_t offset = 0; offset < size;) {
    stream.Seek(offset, TSeekOrigin::Beginning);
    piece.resize(kPieceSize);
    piece.resize(stream.Read(piece.data(), piece.size()));
    if (piece.empty()) break;
    const bool last = piece.size() < kPieceSize || offset + static_cast<std::int64_t>(piece.size()) >= size;
    ScanPiece(piece, offset, last);
    ScanMarks(piece, offset, last ? piece.size() : kPieceSize - kOverlap);
    if (last) break;
    offset += static_cast<std::int64_t>(kPieceSize - kOverlap);
  }
}

namespace {

// Calls found(number, generation, start) for every "N G obj" header in piece, in order.
template <class Found>
void ForEachHeader(std::string_view piece, bool last, const Found& found) {
  for (std::size_t obj = piece.find("obj"); obj != std::string_view::npos; obj = piece.find("obj", obj + 3)) {
    // The byte after "obj" decides; at a piece's edge the next piece has it.
    if (obj + 3 == piece.size() && !last) continue;
    if (obj + 3 < piece.size() && !IsDelimiterOrBlank(piece[obj + 3])) continue;
    std::size_t start = obj;
    if (start == 0 || !IsBlank(piece[start - 1])) continue;  // "endobj", "nobj"
    const std::string_view generation = DigitsBefore(piece, start);
    if (generation.empty() || start == 0 || !IsBlank(piece[start - 1])) continue;
    const std::string_view number = DigitsBefore(piece, start);
    if (number.empty() || (start > 0 && !IsDelimiterOrBlank(piece[start - 1]))) continue;
    const std::int64_t numberValue = DecimalValue(number, -1);
    const std::int64_t generationValue = DecimalValue(generation, -1);
    if (numberValue < 1 || numberValue > INT32_MAX || generationValue < 0 || generationValue > 65535) continue;
    found(static_cast<std::int32_t>(numberValue), static_cast<std::int32_t>(generationValue), start);
  }
}

}  // namespace

void TObjectScan::ScanPiece(std::string_view piece, std::int64_t pieceOffset, bool last) {
  ForEachHeader(piece, last, [&](std::int32_t number, std::int32_t generation, std::size_t start) {
    // A number cut by the piece's start ("2 0 obj" of "12 0 obj") is no header; the whole one lies
    // in the overlap and was seen in the previous piece.
    if (start == 0 && pieceOffset != 0) return;
    const std::int64_t offset = pieceOffset + static_cast<std::int64_t>(start);
    if (!starts_.empty() && offset <= starts_.back()) return;  // seen in the previous piece
    starts_.push_back(offset);
    numbers_.push_back(number);
    if (number >= numberBound_) return;
    if (static_cast<std::size_t>(number) >= headers_.size()) headers_.resize(static_cast<std::size_t>(number) + 1);
    headers_[static_cast<std::size_t>(number)] = THeader{offset, generation};
  });
}

namespace {

constexpr std::string_view kMarkWords[] = {"/XRef", "/ObjStm", "/Catalog"};

// Calls found(offset) for every whole word starting before limit in piece: followed by a
// delimiter, a blank or the end.
template <class Found>
void ForEachWord(std::string_view piece, std::size_t limit, std::string_view word, const Found& found) {
  for (std::size_t at = piece.find(word); at < limit; at = piece.find(word, at + 1)) {
    const std::size_t end = at + word.size();
    if (end == piece.size() || IsDelimiterOrBlank(piece[end])) found(at);
  }
}

}  // namespace

// Words are taken in each piece when they start before the next piece does (limit), so that none
// is seen twice; the overlap holds the rest of a word across that edge.
void TObjectScan::ScanMarks(std::string_view piece, std::int64_t pieceOffset, std::size_t limit) {
  const auto at = [pieceOffset](std::size_t position) { return pieceOffset + static_cast<std::int64_t>(position); };
  for (std::size_t mark = 0; mark < std::size(kMarkWords); ++mark) {
    ForEachWord(piece, limit, kMarkWords[mark], [&](std::size_t position) { Mark(marks_[mark], at(position)); });
  }
  ForEachWord(piece, limit, "trailer", [&](std::size_t position) { Mark(trailers_, at(position)); });
}

void TObjectScan::Mark(std::vector<std::int64_t>& offsets, std::int64_t offset) {
  // Keeping the last ones in bounded memory: drop the older half when full.
  if (offsets.size() >= 2 * kMaxMarkedObjects) offsets.erase(offsets.begin(), offsets.begin() + static_cast<std::ptrdiff_t>(kMaxMarkedObjects));
  offsets.push_back(offset);
}

std::vector<std::int32_t> TObjectScan::MarkedObjects(TMark mark) const {
  const std::vector<std::int64_t>& offsets = marks_[static_cast<std::size_t>(mark)];
  std::vector<std::int32_t> objects;
  for (std::size_t i = offsets.size() > kMaxMarkedObjects ? offsets.size() - kMaxMarkedObjects : 0; i < offsets.size(); ++i) {
    // The object a word belongs to is the one whose header comes last before it, if that header
    // is its object's last definition (an older one is no longer part of the document).
    const auto header = std::upper_bound(starts_.begin(), starts_.end(), offsets[i]);
    if (header == starts_.begin()) continue;
    const auto index = static_cast<std::size_t>(header - starts_.begin() - 1);
    const std::optional<THeader> last = Find(numbers_[index]);
    if (!last || last->offset != starts_[index]) continue;
    if (objects.empty() || objects.back() != numbers_[index]) objects.push_back(numbers_[index]);
  }
  return objects;
}

std::int64_t TObjectScan::NextHeaderAfter(std::int64_t offset) const {
  const auto next = std::upper_bound(starts_.begin(), starts_.end(), offset);
  return next != starts_.end() ? *next : -1;
}

std::optional<TObjectScan::THeader> TObjectScan::FindIn(std::string_view text, std::int32_t number) {
  std::optional<THeader> header;
  ForEachHeader(text, true, [&](std::int32_t found, std::int32_t generation, std::size_t start) {
    if (found == number) header = THeader{static_cast<std::int64_t>(start), generation};
  });
  return header;
}

bool TObjectScan::HoldsHeader(std::string_view text) {
  bool found = false;
  ForEachHeader(text, true, [&](std::int32_t, std::int32_t, std::size_t) { found = true; });
  return found;
}

std::optional<TObjectScan::THeader> TObjectScan::Find(std::int32_t number) const {
  if (number < 0 || static_cast<std::size_t>(number) >= headers_.size() || headers_[static_cast<std::size_t>(number)].offset < 0) {
    return std::nullopt;
  }
  return headers_[static_cast<std::size_t>(number)];
}

}  // namespace pdf

#include "pdf/io/XRefReader.h"

#include <algorithm>
#include <cctype>

#include "pdf/io/ByteText.h"
#include "pdf/objects/Limits.h"
#include "pdf/objects/PDFError.h"
#include "pdf/objects/PDFParser.h"
#include "pdf/objects/PDFStructure.h"

namespace pdf {

namespace {

constexpr std::int64_t kScanWindow = 1024;
constexpr std::int64_t kEntrySize = 20;
constexpr std::int64_t kFirstTrailerWindow = 2048;

// The first line of text after leading CR, LF and NUL bytes.
std::string_view FirstLine(std::string_view text) {
  const std::size_t start = text.find_first_not_of(std::string_view("\r\n\0", 3));
  if (start == std::string_view::npos) return {};
  text.remove_prefix(start);
  return text.substr(0, text.find_first_of(std::string_view("\r\n\0", 3)));
}

// Reads a run of digits at i (after skipping non-digits); -1 when there is none.
std::int64_t ReadHeaderNumber(std::string_view text, std::size_t& i) {
  while (i < text.size() && !IsDecimalDigit(text[i])) ++i;
  const std::size_t start = i;
  while (i < text.size() && IsDecimalDigit(text[i])) ++i;
  return start == i ? -1 : DecimalValue(text.substr(start, i - start), -1);
}

}  // namespace

std::int64_t TPDFXRefReader::FileSize() {
  if (fileSize_ < 0) fileSize_ = stream_.Size();
  return fileSize_;
}

std::string TPDFXRefReader::ReadAt(std::int64_t count, std::int64_t position) {
  position = std::max<std::int64_t>(BaseOffset + position, 0);
  count = std::min(count, FileSize() - position);
  if (count < 1) return {};
  std::string bytes(static_cast<std::size_t>(count), '\0');
  stream_.Seek(position, TSeekOrigin::Beginning);
  bytes.resize(stream_.Read(bytes.data(), bytes.size()));
  return bytes;
}

std::int64_t TPDFXRefReader::ScanBackwards(std::string_view marker, std::int64_t from,
                                           std::int64_t overlap) {
  std::int64_t start = from;
  for (;;) {
    start = std::max<std::int64_t>(start - kScanWindow, 0);
    const std::string window = ReadAt(kScanWindow, start);
    const std::size_t found = window.rfind(marker);
    if (found != std::string::npos) return start + static_cast<std::int64_t>(found);
    if (start == 0) return -1;
    start += overlap;  // windows overlap so that a marker across their edge is found
  }
}

std::int64_t TPDFXRefReader::FindStartXRef() {
  const std::int64_t size = FileSize();
  const std::string tail = ReadAt(10, size - 10);
  std::int64_t end = -1;
  const std::size_t cut = tail.rfind("%%E");
  if (cut != std::string::npos && tail.compare(cut, 5, "%%EOF") != 0) {
    // A cut-off end marker still marks the end.
    end = size - static_cast<std::int64_t>(tail.size()) + static_cast<std::int64_t>(cut) - 1;
  } else {
    end = ScanBackwards("%%EOF", size, 4);
  }
  if (end < 0) return 0;
  const std::int64_t start = ScanBackwards("startxref", end, 8);
  if (start < 0) return 0;
  StartXRefKeyword = start;
  const std::string after = ReadAt(end - start - 9, start + 9);
  std::string_view line = TrimLow(FirstLine(after));
  line = TrimLow(line.substr(0, line.find('%')));
  return DecimalValue(line, 0);
}

bool TPDFXRefReader::ReadSection(std::int64_t offset) {
  if (SectionHandler) SectionHandler(offset);
  bool ok = false;
  if (const auto done = finished_.find(offset); done != finished_.end()) {
    // Reached again by another path (a hybrid file's stream and table may share a /Prev):
    // its entries were delivered already.
    ok = done->second;
  } else if (active_.count(offset) == 0 && active_.size() + finished_.size() < limits::kMaxXRefSections) {
    active_.insert(offset);
    ok = DispatchSection(offset);
    active_.erase(offset);
    finished_.emplace(offset, ok);
  }
  // A section that leads back to itself is a loop: the chain ends there as failed.
  if (!ok && SectionHandler) SectionHandler(-offset);
  return ok;
}

bool TPDFXRefReader::DispatchSection(std::int64_t offset) {
  const std::int64_t start = offset < 10 ? 0 : offset - 10;
  const std::string head = ReadAt(40, start);
  std::size_t xref = head.find("xref");
  const std::size_t txref = head.find("txref");
  if (txref != std::string::npos && txref + 1 == xref) xref = std::string::npos;  // "startxref"
  const std::size_t obj = head.find(" obj");
  if (xref != std::string::npos && (obj == std::string::npos || xref < obj)) {
    return ReadTableSection(start + static_cast<std::int64_t>(xref) + 4);
  }
  if (obj != std::string::npos && xref == std::string::npos) {
    return ReadStreamSection(start + static_cast<std::int64_t>(obj) + 4);
  }
  return false;
}

bool TPDFXRefReader::ReadTableSection(std::int64_t position) {
  ++TableSections;
  for (;;) {
    const std::string header = ReadAt(kEntrySize, position);
    if (header.empty() || header.substr(0, 3).find('%') != std::string::npos ||
        header.find("trailer") != std::string::npos) {
      break;
    }
    std::size_t i = 0;
    const std::int64_t first = ReadHeaderNumber(header, i);
    const std::int64_t count = std::max<std::int64_t>(ReadHeaderNumber(header, i), 0);
    if (i < header.size()) ++i;
    while (i < header.size() && !IsDecimalDigit(header[i])) ++i;
    position += static_cast<std::int64_t>(i);
    if (first < 0 || count <= 0) break;
    if (!ReadTableEntries(first, count, position)) return false;
  }
  return ReadTableTrailer(position);
}

bool TPDFXRefReader::ReadTableEntries(std::int64_t first, std::int64_t count, std::int64_t& position) {
  const std::string entries = ReadAt(count > INT64_MAX / kEntrySize ? INT64_MAX : count * kEntrySize, position);
  const std::string_view text(entries);
  if (first == 1 && StartsAtOneByMistake(text)) first = 0;
  std::size_t at = 0;  // start of the current entry
  // Entries the file does not hold (a count beyond its end) are not delivered.
  for (std::int64_t k = 0; k < count && at + 18 <= text.size() && first + k <= INT32_MAX; ++k) {
    // A row that is not an entry (a comment line, a cut table) would file garbage under
    // real object numbers and the copy would silently lose those objects.
    if (!std::isalpha(static_cast<unsigned char>(text[at + 17]))) return false;
    const std::int64_t offset = DecimalValue(text.substr(at, 10), 0);
    const auto generation = static_cast<std::int32_t>(DecimalValue(text.substr(at + 11, 5), 0));
    try {
      if (EntryHandler) EntryHandler(static_cast<std::int32_t>(first + k), generation, text[at + 17], offset);
    } catch (const EPDFError&) {
      return false;
    }
    at += 18;
    // 19- and 20-byte entries, and stray blank lines between them, read alike.
    while (at < text.size() && (text[at] == ' ' || text[at] == '\r' || text[at] == '\n')) ++at;
  }
  position += static_cast<std::int64_t>(at);
  return true;
}

// Some writers head their first subsection "1 n" although its first entry is the free-list
// head of object 0: the object at the second entry's offset then calls itself object 1.
bool TPDFXRefReader::StartsAtOneByMistake(std::string_view entries) {
  if (entries.size() < 2 * 18 || DecimalValue(entries.substr(0, 10), -1) != 0 ||
      DecimalValue(entries.substr(11, 5), -1) != 65535 || entries[17] != 'f') {
    return false;
  }
  std::size_t second = 18;
  while (second < entries.size() && (entries[second] == ' ' || entries[second] == '\r' || entries[second] == '\n')) ++second;
  const std::int64_t offset = DecimalValue(entries.substr(second, 10), -1);
  return offset > 0 && ReadAt(7, offset) == "1 0 obj";
}

std::int64_t TPDFXRefReader::FindForward(std::string_view marker, std::int64_t from) {
  constexpr std::int64_t kChunk = 65536;
  for (std::int64_t start = from;; start += kChunk - static_cast<std::int64_t>(marker.size()) + 1) {
    const std::string chunk = ReadAt(kChunk, start);
    const std::size_t found = chunk.find(marker);
    if (found != std::string::npos) return start + static_cast<std::int64_t>(found);
    if (chunk.size() < static_cast<std::size_t>(kChunk)) return -1;  // the search ends with the file
  }
}

bool TPDFXRefReader::ReadTableTrailer(std::int64_t position) {
  const std::int64_t start = FindForward("trailer", position);
  if (start < 0) return false;
  // The dictionary may be longer than the first window: retry with ones twice as large, up to a
  // size only hostile files reach (producers put whole document information into trailers).
  for (std::int64_t window = kFirstTrailerWindow;; window *= 2) {
    const std::string text = ReadAt(window, start);
    const std::optional<bool> handled = HandleTableTrailer(text);
    if (handled) return *handled;
    if (static_cast<std::int64_t>(text.size()) < window || window >= limits::kMaxTrailerBytes) return false;
  }
}

std::optional<bool> TPDFXRefReader::HandleTableTrailer(std::string_view text) {
  const std::size_t keyword = text.find("trailer");
  if (keyword != std::string_view::npos) text.remove_prefix(keyword + 7);
  if (text.find("<<") == std::string_view::npos || text.find(">>") == std::string_view::npos) return std::nullopt;
  TPDFStructure scratch;
  TPDFParser parser(scratch, text);
  std::size_t consumed = 0;
  const auto* trailer = As<TPDFDictionary>(parser.ParseObjectAt(consumed));
  // A dictionary cut off by the window's end is read again from a larger window.
  if (trailer == nullptr || (!parser.ClosedEveryContainer() && consumed >= text.size())) return std::nullopt;
  if (TrailerHandler) TrailerHandler(trailer->ToText());
  if (const auto xrefStm = NumberAsInt64(trailer->GetValue("XRefStm", false))) {
    IsHybrid = true;
    const std::int32_t outer = HybridStreamOf;
    HybridStreamOf = TableSections;
    ReadSection(*xrefStm);
    HybridStreamOf = outer;
  }
  const auto prev = NumberAsInt64(trailer->GetValue("Prev", false));
  if (!prev) return true;
  if (*prev == LastPrev) return false;
  LastPrev = *prev;
  return ReadSection(*prev);
}

}  // namespace pdf

// Opening a file: the header and the object table built from the cross-reference data.

#include "pdf/io/PDFReader.h"

#include <algorithm>
#include <optional>

#include "pdf/io/ByteText.h"
#include "pdf/io/XRefReader.h"
#include "pdf/objects/Limits.h"
#include "pdf/objects/PDFParser.h"

namespace pdf {

namespace {

constexpr std::int64_t kHeaderWindow = 1024;
// An object's header must start within this many bytes of its table offset.
constexpr std::int64_t kObjectHeaderWindow = 1024;

// The leading run of digits and dots of text, when it reads as a number.
std::string VersionText(std::string_view text) {
  const std::size_t end = text.find_first_not_of("0123456789.");
  const std::string_view version = text.substr(0, end);
  return IsNumberText(version) ? std::string(version) : std::string();
}

// The "obj" that ends an object header ("12 0 obj"): an offset a few bytes too small can
// start inside "endobj", whose tail ("dobj", "obj") must not be taken for it.
std::size_t FindObjectKeyword(std::string_view text) {
  for (std::size_t obj = text.find("obj"); obj != std::string_view::npos; obj = text.find("obj", obj + 1)) {
    std::size_t before = obj;
    while (before > 0 && (text[before - 1] == ' ' || text[before - 1] == '\r' || text[before - 1] == '\n')) --before;
    if (before > 0 && IsDecimalDigit(text[before - 1])) return obj;
  }
  return text.find("obj");
}

// Where the number of an object header whose "obj" is at obj ("12 0 obj") starts, and its text
// (empty when there is none).
std::pair<std::size_t, std::string_view> HeaderNumberText(std::string_view text, std::size_t obj) {
  std::size_t i = obj;
  const auto skipBlanks = [&] { while (i > 0 && (text[i - 1] == ' ' || text[i - 1] == '\r' || text[i - 1] == '\n')) --i; };
  const auto skipDigits = [&] { while (i > 0 && IsDecimalDigit(text[i - 1])) --i; };
  skipBlanks();
  skipDigits();  // the generation
  skipBlanks();
  const std::size_t digitsEnd = i;
  skipDigits();
  return {i, text.substr(i, digitsEnd - i)};
}

// The number of an object header whose "obj" is at obj ("12 0 obj"), if it has one.
std::optional<std::int64_t> HeaderNumber(std::string_view text, std::size_t obj) {
  const std::string_view digits = HeaderNumberText(text, obj).second;
  if (digits.empty()) return std::nullopt;
  return DecimalValue(digits, -1);
}

// Where the object's text begins after its header, or npos when the bytes hold no header of
// this object. An offset a little too small starts inside the previous object's "endobj".
std::size_t ObjectBodyStart(std::string_view head, std::int32_t number) {
  std::size_t from = 0;
  // Only an "endobj" before the header matters, and its "obj" is then the first one.
  const std::size_t firstObj = head.find("obj");
  if (firstObj != std::string_view::npos && firstObj >= 3 && head.substr(firstObj - 3, 3) == "end") from = firstObj + 3;
  const std::size_t obj = FindObjectKeyword(head.substr(from));
  if (obj == std::string_view::npos) return obj;
  // A table entry pointing at another object's header is damage: that object is not this one.
  const std::optional<std::int64_t> named = HeaderNumber(head.substr(from), obj);
  if (named && *named != number) return std::string_view::npos;
  return from + obj + 3;
}

// Documents of many small objects hold one per 100 bytes or so; denser files still grow the table.
constexpr std::int64_t kBytesPerObjectGuess = 64;

}  // namespace

TSmartPDFReader::TSmartPDFReader(TByteStream& stream) : stream_(stream), fileSize_(stream.Size()) {
  maxTableSize_ = limits::kMinObjectTableSize + fileSize_ / limits::kFileBytesPerTableEntry;
  // Room for as many objects as a file of this size usually holds, so that the table, read entry by
  // entry, is not moved and faulted in again each time it outgrows itself. Pages are touched only
  // as entries fill them.
  entries_.reserve(static_cast<std::size_t>(std::min<std::int64_t>(maxTableSize_, fileSize_ / kBytesPerObjectGuess)));
  if (!ReadHeader()) {
    openError_ = kOpenNoHeader;
    return;
  }
  const bool loaded = LoadCrossReferences() && !ObjectsAfterTheLastEnd();
  if (!loaded || trailers_.empty() || !ReachesPageTree(*trailers_.front(), trailers_.front()->IndexOfKey("Encrypt") >= 0)) {
    Rebuild(loaded);
  }
  if (trailers_.empty()) {
    openError_ = kOpenNoXRef;
    return;
  }
  trailer_ = trailers_.front();
  hasEncrypt_ = trailer_->IndexOfKey("Encrypt") >= 0;
}

std::string TSmartPDFReader::ReadBytes(std::int64_t position, std::int64_t count) {
  position = std::max<std::int64_t>(position, 0);
  count = std::min(count, fileSize_ - position);
  if (count < 1) return {};
  std::string bytes(static_cast<std::size_t>(count), '\0');
  stream_.Seek(position, TSeekOrigin::Beginning);
  bytes.resize(stream_.Read(bytes.data(), bytes.size()));
  return bytes;
}

bool TSmartPDFReader::ReadHeader() {
  const std::string head = ReadBytes(0, kHeaderWindow);
  const std::size_t pdf = head.find("%PDF-");
  const std::size_t postScript = head.find("%!PS-Adobe-");
  if (pdf == std::string::npos && postScript == std::string::npos) return false;
  headerOffset_ = pdf == std::string::npos ? -1 : static_cast<std::int32_t>(pdf);
  if (pdf != std::string::npos) version_ = VersionText(std::string_view(head).substr(pdf + 5, 10));
  if (postScript != std::string::npos) {
    const std::string_view after = std::string_view(head).substr(postScript + 11, 20);
    const std::size_t marker = after.find("PDF-");
    if (marker != std::string_view::npos) {
      const std::string version = VersionText(std::string_view(head).substr(postScript + 11 + marker + 4, 10));
      if (!version.empty()) version_ = version;
    }
  }
  return true;
}

bool TSmartPDFReader::LoadCrossReferences() {
  try {
    TPDFXRefReader finder(stream_);
    startXRef_ = finder.FindStartXRef();
    startXRefKeyword_ = finder.StartXRefKeyword;
  } catch (...) {
    startXRef_ = 0;
  }
  bool loaded = startXRef_ > 0 && WalkCrossReferences(0);
  if (startXRef_ > 0 && headerOffset_ > 0 && (entries_.empty() || OffsetsCountFromHeader())) {
    // Offsets of files with bytes in front of the header may count from the header. The
    // table itself can be found either way (its keyword is searched near the offset), so
    // the objects it points at decide.
    entries_.clear();
    offsets_ = TVelloSortedInt64List();
    trailers_.clear();
    loaded = WalkCrossReferences(headerOffset_);
    headerRelative_ = !entries_.empty();
  }
  offsets_.Sort();
  return loaded && startXRef_ > 0;
}

bool TSmartPDFReader::WalkCrossReferences(std::int64_t baseOffset) {
  TPDFXRefReader reader(stream_);
  reader.BaseOffset = baseOffset;
  reader.EntryHandler = [this, &reader](std::int32_t number, std::int32_t second, char kind, std::int64_t offset) {
    HandleEntry(number, second, kind, offset, reader);
  };
  reader.TrailerHandler = [this](const std::string& text) { HandleTrailer(text); };
  const bool ok = reader.ReadSection(startXRef_);
  hasXRefStream_ = reader.HasXRefStream;
  return ok;
}

// Whether objects follow, far beyond it, the last startxref the file has: an update whose own end
// was lost, which other readers find by rebuilding the table (they look for startxref near the end
// of the file only). A short tail is a cut-off update those readers ignore, as we do.
bool TSmartPDFReader::ObjectsAfterTheLastEnd() {
  constexpr std::int64_t kEndWindow = 1024;
  constexpr std::int64_t kTailLooked = std::int64_t{16} << 20;
  if (startXRefKeyword_ < 0 || fileSize_ - startXRefKeyword_ <= kEndWindow) return false;
  return TObjectScan::HoldsHeader(ReadBytes(startXRefKeyword_, kTailLooked));
}

bool TSmartPDFReader::ObjectHeaderAt(std::int64_t position, std::int32_t number) {
  const std::string head = ReadBytes(position, 24);
  const std::size_t start = head.find_first_not_of(" \t\r\n\f");
  const std::string expected = std::to_string(number) + " ";
  return start != std::string::npos && head.compare(start, expected.size(), expected) == 0;
}

bool TSmartPDFReader::OffsetsCountFromHeader() {
  constexpr int kSamples = 8;
  int checked = 0;
  int absolute = 0;
  int relative = 0;
  for (std::size_t n = 1; n < entries_.size() && checked < kSamples; ++n) {
    const Entry& entry = entries_[n];
    if (entry.kind != 'n' || entry.offset <= 0) continue;
    ++checked;
    const auto number = static_cast<std::int32_t>(n);
    absolute += ObjectHeaderAt(entry.offset, number) ? 1 : 0;
    relative += ObjectHeaderAt(entry.offset + headerOffset_, number) ? 1 : 0;
  }
  return relative > absolute;
}

void TSmartPDFReader::HandleEntry(std::int32_t number, std::int32_t second, char kind, std::int64_t offset,
                                  const TPDFXRefReader& source) {
  // A number the file is far too small to hold is damage, not a reason to allocate.
  if (number < 0 || number >= maxTableSize_) return;
  // Tables come mostly in order: the next number is one entry more, not a resize.
  if (static_cast<std::size_t>(number) == entries_.size()) {
    entries_.emplace_back();
  } else if (static_cast<std::size_t>(number) > entries_.size()) {
    entries_.resize(static_cast<std::size_t>(number) + 1);
  }
  if (offset > fileSize_) {
    kind = 'n';
    offset = 0;
    second = 0;
  }
  // A generation no object header can carry is damage to the entry: the object keeps its own.
  if (kind == 'n' && (second < 0 || second > 65535)) second = 0;
  if (kind == 'n') offsets_.Append(offset);
  Entry& entry = entries_[static_cast<std::size_t>(number)];
  // A hybrid file's table marks the objects of its /XRefStm free: the stream's entries stand for them.
  const bool hybridStreamEntry =
      source.HybridStreamOf != 0 && entry.kind == 'f' && entry.freeInTable == source.HybridStreamOf;
  // Otherwise the first definition delivered comes from the newest revision and wins.
  if (number == 0 || (entry.filled && !hybridStreamEntry)) return;
  const bool tableFree = kind == 'f' && source.HybridStreamOf == 0;
  entry = Entry{offset, second, kind, true, tableFree ? source.TableSections : 0};
}

void TSmartPDFReader::HandleTrailer(const std::string& text) {
  if (auto* dictionary = As<TPDFDictionary>(arena_.ParseObject(text))) trailers_.push_back(dictionary);
}

std::int32_t TSmartPDFReader::Generation(std::int32_t number) const {
  if (number > MaxObjectNumber() && scan_ != nullptr) {
    const std::optional<TObjectScan::THeader> header = scan_->Find(number);
    return header ? header->generation : 0;
  }
  if (number < 1 || number > MaxObjectNumber()) return 0;
  const Entry& entry = entries_[static_cast<std::size_t>(number)];
  return entry.kind == 'c' ? 0 : entry.second;
}

bool TSmartPDFReader::IsCompressed(std::int32_t number) const {
  return number >= 1 && number <= MaxObjectNumber() && entries_[static_cast<std::size_t>(number)].kind == 'c';
}

std::int32_t TSmartPDFReader::ObjectStreamOf(std::int32_t number) const {
  if (!IsCompressed(number)) return 0;
  const std::int64_t stream = entries_[static_cast<std::size_t>(number)].offset;
  return stream >= 1 && stream <= INT32_MAX ? static_cast<std::int32_t>(stream) : 0;
}

std::string TSmartPDFReader::ReadObjectText(std::int32_t number) {
  return std::string(ReadObjectUnguarded(number).Body());
}

TSmartPDFReader::TObjectText TSmartPDFReader::ReadObjectUnguarded(std::int32_t number) {
  if (number < 1) return {};
  IndexObjectStreamsOnMiss(number);
  // An object the table leaves out may still be in the file, and referred to.
  if (number > MaxObjectNumber()) return number < maxTableSize_ ? ReadRelocated(number, nullptr) : TObjectText{};
  const Entry& entry = entries_[static_cast<std::size_t>(number)];
  if (entry.kind == 'c') return TObjectText{ReadCompressedObjectText(number, entry), 0, false};
  if (entry.kind != 'n' || entry.offset < 0) return {};
  const std::int64_t end = offsets_.NextAfter(entry.offset) - 1;
  const std::int64_t position = entry.offset + (headerRelative_ ? headerOffset_ : 0);
  TObjectText text = ReadObjectAt(number, position, end > entry.offset ? end - entry.offset + 1 : -1);
  if (text.bodyStart == std::string::npos) return ReadRelocated(number, &entry);
  if (EndsBeforeItsEndobj(text, position)) text = ReadObjectAt(number, position, ScannedExtent(position));
  return text;
}

// The object whose header should start at position; extent -1 reads to the end of the file. The
// header is looked for in the first bytes only, and the whole extent is read only for an object
// that calls itself by this number: a damaged table pointing thousands of entries at one place
// must not read that place thousands of times. bodyStart is npos when the header is not there.
TSmartPDFReader::TObjectText TSmartPDFReader::ReadObjectAt(std::int32_t number, std::int64_t position,
                                                           std::int64_t extent) {
  if (extent < 0) extent = fileSize_ - position;
  std::string head = ReadBytes(position, std::min(extent, kObjectHeaderWindow));
  const std::size_t bodyStart = ObjectBodyStart(head, number);
  if (bodyStart == std::string::npos) return TObjectText{{}, std::string::npos, true};
  // Offsets a few bytes short (bytes inserted earlier in the file) put the header a little after
  // the offset: the object then ends as far after the next offset, where everything is shifted alike.
  const auto headerStart = static_cast<std::int64_t>(HeaderNumberText(head, bodyStart - 3).first);
  const std::int64_t leading = static_cast<std::int64_t>(std::min(head.find_first_not_of(" \t\r\n\f\0"), head.size()));
  if (headerStart > leading) extent = std::min(extent + headerStart, fileSize_ - position);
  if (extent > static_cast<std::int64_t>(head.size())) head = ReadBytes(position, extent);
  return TObjectText{std::move(head), bodyStart, true};
}

// Whether an object read up to the next offset of the table lacks its "endobj": an object grown
// since the table was written (bytes inserted into it) runs on past that offset. Only the end of
// the text is looked at, where "endobj" stands.
bool TSmartPDFReader::EndsBeforeItsEndobj(const TObjectText& text, std::int64_t position) const {
  constexpr std::size_t kEndWindow = 1024;
  const std::string_view body = text.Body();
  if (position + static_cast<std::int64_t>(text.bytes.size()) >= fileSize_) return false;
  return body.substr(body.size() - std::min(body.size(), kEndWindow)).find("endobj") == std::string_view::npos;
}

// How far an object runs by the scan of the file: up to the next header after it, or -1 for the end.
std::int64_t TSmartPDFReader::ScannedExtent(std::int64_t position) {
  if (!scan_) scan_ = std::make_unique<TObjectScan>(stream_, maxTableSize_);
  const std::int64_t next = scan_->NextHeaderAfter(position + 1);
  return next > position ? next - position : -1;
}

// An object that is not where the cross-reference data says: its header is looked for near the
// given offset, then anywhere in the file, as other readers find it. Failing both, an object the
// data calls in use is counted unreadable.
TSmartPDFReader::TObjectText TSmartPDFReader::ReadRelocated(std::int32_t number, const Entry* entry) {
  if (!scan_) scan_ = std::make_unique<TObjectScan>(stream_, maxTableSize_);
  const std::int64_t start = RelocatedStart(number, entry);
  TObjectText text = start >= 0 ? ReadObjectAt(number, start, RelocatedExtent(start)) : TObjectText{};
  if (start < 0 || text.bodyStart == std::string::npos) {
    if (entry != nullptr) unreadable_.insert(number);
    return {};
  }
  relocated_.insert(number);
  return text;
}

// Where the object's header is: near the table's offset, else where the scan last saw it; -1 when
// neither has it.
std::int64_t TSmartPDFReader::RelocatedStart(std::int32_t number, const Entry* entry) {
  if (entry != nullptr) {
    if (const std::optional<TObjectScan::THeader> near = FindNear(number, entry->offset)) return near->offset;
  }
  const std::optional<TObjectScan::THeader> scanned = scan_->Find(number);
  return scanned ? scanned->offset : -1;
}

// A relocated object ends where the scan saw the next header start: the table's offsets, which
// were wrong for this object, may fall inside it. When the scan saw none, the table's next offset
// bounds it still: reading every such object to the end of the file would take time quadratic in
// their number.
std::int64_t TSmartPDFReader::RelocatedExtent(std::int64_t start) const {
  std::int64_t end = scan_->NextHeaderAfter(start);
  const std::int64_t base = headerRelative_ ? headerOffset_ : 0;
  const std::int64_t tableNext = offsets_.NextAfter(start - base) + base;
  if (end < 0 && tableNext > start) end = tableNext;
  return end > start ? end - start : -1;
}

std::optional<TObjectScan::THeader> TSmartPDFReader::FindNear(std::int32_t number, std::int64_t offset) {
  constexpr std::int64_t kNearWindow = 1024;
  const std::int64_t start = std::max<std::int64_t>(offset + (headerRelative_ ? headerOffset_ : 0) - kNearWindow, 0);
  std::optional<TObjectScan::THeader> header = TObjectScan::FindIn(ReadBytes(start, 2 * kNearWindow), number);
  if (header) header->offset += start;
  return header;
}

}  // namespace pdf

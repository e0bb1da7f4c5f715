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
// An object's header is looked for in this many bytes at its table offset (blanks may come first).
constexpr std::int64_t kObjectHeaderWindow = 1024;

// The leading run of digits and dots of text, when it reads as a number.
std::string VersionText(std::string_view text) {
  const std::size_t end = text.find_first_not_of("0123456789.");
  const std::string_view version = text.substr(0, end);
  return IsNumberText(version) ? std::string(version) : std::string();
}

constexpr std::string_view kBlanks{" \t\r\n\f\0", 6};

// The decimal number of up to ten digits at i, which then stands after it; nothing when i is at
// no digit.
std::optional<std::int64_t> NumberAt(std::string_view text, std::size_t& i) {
  const std::size_t start = i;
  while (i < text.size() && i - start < 10 && IsDecimalDigit(text[i])) ++i;
  if (i == start) return std::nullopt;
  return DecimalValue(text.substr(start, i - start), -1);
}

// Whether blanks stand at i, which then stands after them.
bool SkipBlanks(std::string_view text, std::size_t& i) {
  const std::size_t start = i;
  i = std::min(text.find_first_not_of(kBlanks, i), text.size());
  return i > start;
}

// Where the object's text begins after its header, when the bytes begin (after blanks) with the
// header "N G obj" of this number and generation (any generation when generation is -1); npos
// otherwise. Nothing else is taken for the header: a table offset a few bytes off lands in the end
// of the object before or inside the header, where the bytes may read as another object's header
// ("1 0 obj" inside "11 0 obj") or as a number alone.
std::size_t ObjectBodyStart(std::string_view head, std::int32_t number, std::int32_t generation) {
  std::size_t i = 0;
  SkipBlanks(head, i);
  if (NumberAt(head, i) != number || !SkipBlanks(head, i)) return std::string_view::npos;
  const std::optional<std::int64_t> headerGeneration = NumberAt(head, i);
  if (!headerGeneration || (generation >= 0 && *headerGeneration != generation)) return std::string_view::npos;
  if (!SkipBlanks(head, i) || !head.substr(i).starts_with("obj")) return std::string_view::npos;
  i += 3;
  const bool delimited = i == head.size() || kBlanks.find(head[i]) != std::string_view::npos ||
                         std::string_view("()<>[]{}/%").find(head[i]) != std::string_view::npos;
  return delimited ? i : std::string_view::npos;
}

// Documents of many small objects hold one per 100 bytes or so; denser files still grow the table.
constexpr std::int64_t kBytesPerObjectGuess = 64;

}  // namespace

TSmartPDFReader::TSmartPDFReader(TByteStream& stream)
    : stream_(stream), fileSize_(stream.Size()), decodeBudget_(fileSize_) {
  maxTableSize_ = limits::kMinObjectTableSize + fileSize_ / limits::kFileBytesPerTableEntry;
  // Room for as many objects as a file of this size usually holds, so that the table, read entry by
  // entry, is not moved and faulted in again each time it outgrows itself. Pages are touched only
  // as entries fill them.
  entries_.reserve(static_cast<std::size_t>(std::min<std::int64_t>(maxTableSize_, fileSize_ / kBytesPerObjectGuess)));
  // Without a header in the first kilobyte the file is read all the same, offsets counting from its
  // start: a lost header line costs no content. It is no PDF file only when no document is found.
  headerMissing_ = !ReadHeader();
  if (headerMissing_ && !LooksLikeADocument()) {
    openError_ = kOpenNoHeader;
    return;
  }
  const bool loaded = LoadCrossReferences() && !ObjectsAfterTheLastEnd();
  if (!loaded || trailers_.empty() || !ReachesPageTree(*trailers_.front(), trailers_.front()->IndexOfKey("Encrypt") >= 0)) {
    Rebuild(loaded);
  }
  if (trailers_.empty()) {
    openError_ = headerMissing_ ? kOpenNoHeader : kOpenNoXRef;
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

// Without a header, a file is read only when it shows another sign of a document: an object header
// near its start or "startxref" at its end. Pictures and texts added by mistake are not scanned whole.
bool TSmartPDFReader::LooksLikeADocument() {
  constexpr std::int64_t kStartLookedAt = std::int64_t{64} << 10;
  constexpr std::int64_t kEndLookedAt = 1024;
  return TObjectScan::HoldsHeader(ReadBytes(0, kStartLookedAt)) ||
         ReadBytes(fileSize_ - kEndLookedAt, kEndLookedAt).find("startxref") != std::string::npos;
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
  reader.Budget = &decodeBudget_;
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
  return ObjectBodyStart(ReadBytes(position, 64), number, -1) != std::string::npos;
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
  TObjectText text = ReadObjectAt(number, entry.second, position, end > entry.offset ? end - entry.offset + 1 : -1);
  if (text.bodyStart == std::string::npos) return ReadRelocated(number, &entry);
  if (EndsBeforeItsEndobj(text, position)) {
    const std::int64_t bodyStart = position + static_cast<std::int64_t>(text.bodyStart);
    text = ReadObjectAt(number, entry.second, position, ScannedExtent(position, bodyStart));
  }
  return text;
}

// The object whose header should start at position (after blanks), with this generation (-1: any);
// extent -1 reads to the end of the file. The header is looked for in the first bytes only, and the
// whole extent is read only for an object that calls itself by this number: a damaged table pointing
// thousands of entries at one place must not read that place thousands of times. bodyStart is npos
// when the header is not there.
TSmartPDFReader::TObjectText TSmartPDFReader::ReadObjectAt(std::int32_t number, std::int32_t generation,
                                                           std::int64_t position, std::int64_t extent) {
  if (extent < 0) extent = fileSize_ - position;
  std::string head = ReadBytes(position, std::min(extent, kObjectHeaderWindow));
  const std::size_t bodyStart = ObjectBodyStart(head, number, generation);
  if (bodyStart == std::string::npos) return TObjectText{{}, std::string::npos, true};
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

// How far an object read from position runs by the scan of the file: up to the next header after its
// own, which ends before bodyStart, or -1 for the end.
std::int64_t TSmartPDFReader::ScannedExtent(std::int64_t position, std::int64_t bodyStart) {
  if (!scan_) scan_ = std::make_unique<TObjectScan>(stream_, maxTableSize_);
  const std::int64_t next = scan_->NextHeaderAfter(bodyStart);
  return next > position ? next - position : -1;
}

// An object that is not where the cross-reference data says: its header is looked for near the
// given offset, then anywhere in the file, as other readers find it. Failing both, an object the
// data calls in use is counted unreadable.
TSmartPDFReader::TObjectText TSmartPDFReader::ReadRelocated(std::int32_t number, const Entry* entry) {
  if (!scan_) scan_ = std::make_unique<TObjectScan>(stream_, maxTableSize_);
  const std::int64_t start = RelocatedStart(number, entry);
  TObjectText text = start >= 0 ? ReadObjectAt(number, -1, start, RelocatedExtent(start)) : TObjectText{};
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
// past the object's header bounds it still: reading every such object to the end of the file would
// take time quadratic in their number. (An offset inside the header is the object's own, a few bytes
// off.)
std::int64_t TSmartPDFReader::RelocatedExtent(std::int64_t start) const {
  constexpr std::int64_t kLongestHeader = 32;  // "2147483647 65535 obj" and blanks
  std::int64_t end = scan_->NextHeaderAfter(start);
  const std::int64_t base = headerRelative_ ? headerOffset_ : 0;
  const std::int64_t pastHeader = start + kLongestHeader;
  const std::int64_t tableNext = offsets_.NextAfter(pastHeader - base) + base;
  if (end < 0 && tableNext > pastHeader) end = tableNext;
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

// Loading objects: the object cache, stream data and objects inside object streams.

#include <algorithm>

#include "pdf/io/ByteText.h"
#include "pdf/io/PDFReader.h"
#include "pdf/objects/Limits.h"

namespace pdf {

namespace {

// Index just past "stream" and its end of line, searching from `from`; npos when the
// keyword is not followed by a proper end of line.
std::size_t StreamDataStart(std::string_view text, std::size_t from) {
  const std::size_t keyword = text.find("stream", from);
  if (keyword == std::string_view::npos) return keyword;
  // The tail of "endstream" after a damaged "stream" keyword starts nothing.
  if (keyword >= from + 3 && text.substr(keyword - 3, 3) == "end") return std::string_view::npos;
  // A "stream" past the end of this object belongs to the next one.
  if (text.substr(from, keyword - from).find("endobj") != std::string_view::npos) return std::string_view::npos;
  return StreamDataAfterKeyword(text, keyword);
}

// A stream's data taken out of its object's bytes. When the data is most of them, the bytes
// themselves become the data: a large stream is moved, not copied.
std::string TakeRange(std::string&& bytes, std::size_t start, std::size_t length) {
  if (length < bytes.size() / 2) return bytes.substr(start, length);
  bytes.erase(0, start);
  bytes.resize(length);
  return std::move(bytes);
}

// Where data followed by a keyword at `keyword` ends: the end of line before the keyword belongs to
// the syntax, not the data.
std::size_t EndOfLineBefore(std::string_view text, std::size_t keyword) {
  if (keyword > 0 && text[keyword - 1] == '\n') --keyword;
  if (keyword > 0 && text[keyword - 1] == '\r') --keyword;
  return keyword;
}

using TOffsetPairs = std::vector<std::pair<std::int64_t, std::int64_t>>;

// The first count (object number, offset) pairs of an object stream's header when it is nothing
// but plain integers, as it nearly always is; nothing when it holds anything else.
std::optional<TOffsetPairs> PlainHeaderPairs(std::string_view header, std::int64_t count) {
  // Longer digit runs are left to the parser, which reads numbers by way of a double.
  constexpr std::size_t kMaxDigits = 15;
  constexpr std::string_view kWhiteSpace{" \t\r\n\f\0", 6};
  TOffsetPairs pairs;
  std::int64_t values[2] = {0, 0};
  std::size_t position = header.find_first_not_of(kWhiteSpace);
  for (std::int64_t i = 0; i < 2 * count; ++i) {
    if (position == std::string_view::npos) return std::nullopt;
    const std::size_t end = std::min(header.find_first_not_of("0123456789", position), header.size());
    if (end == position || end - position > kMaxDigits) return std::nullopt;
    if (end < header.size() && kWhiteSpace.find(header[end]) == std::string_view::npos) return std::nullopt;
    values[i % 2] = DecimalValue(header.substr(position, end - position), 0);
    if (i % 2 == 1) pairs.emplace_back(values[0], values[1]);
    position = header.find_first_not_of(kWhiteSpace, end);
  }
  return pairs;
}

// The header's first count pairs; nothing when it holds fewer. Headers with anything but plain
// integers are read the way every value is.
std::optional<TOffsetPairs> HeaderPairs(std::string_view header, std::int64_t count) {
  if (std::optional<TOffsetPairs> plain = PlainHeaderPairs(header, count)) return plain;
  TPDFStructure scratch;
  const auto* items = As<TPDFArray>(scratch.ParseObject("[ " + std::string(header) + " ]"));
  if (items == nullptr || items->ItemCount() / 2 < count) return std::nullopt;
  TOffsetPairs pairs;
  for (std::int32_t i = 0; i < count; ++i) {
    pairs.emplace_back(NumberAsInt64(items->GetItem(2 * i)).value_or(0), NumberAsInt64(items->GetItem(2 * i + 1)).value_or(0));
  }
  return pairs;
}

}  // namespace

TSmartPDFReader::TLoadGuard::TLoadGuard(std::set<std::int32_t>& loading, std::int32_t number)
    : loading_(loading), number_(number) {
  // A /Length or object stream that refers back to an object being loaded is a loop.
  if (loading_.count(number) != 0 || loading_.size() >= static_cast<std::size_t>(limits::kMaxObjectLoadDepth)) return;
  loading_.insert(number);
  entered_ = true;
}

TSmartPDFReader::TLoadGuard::~TLoadGuard() {
  if (entered_) loading_.erase(number_);
}

TPDFObject* TSmartPDFReader::GetObject(std::int32_t number, TPDFStructure* arena) {
  if (arena != nullptr) return LoadObject(number, *arena);
  for (const auto& [cachedNumber, object] : objectCache_) {
    if (cachedNumber == number && object != nullptr) return object;
  }
  TPDFObject* object = LoadObject(number, arena_);
  if (objectCache_.size() >= CacheCapacity) objectCache_.pop_front();
  objectCache_.emplace_back(number, object);
  return object;
}

void TSmartPDFReader::ForgetLoadedObjects() {
  objectCache_.clear();
  objectStreams_.clear();
  objectStreamBytes_ = 0;
  brokenObjectStreams_.clear();
  if (rebuilt_ && hasEncrypt_) objectStreamsIndexed_ = false;
}

TPDFObject* TSmartPDFReader::LoadObject(std::int32_t number, TPDFStructure& arena) {
  const TLoadGuard guard(loading_, number);
  return guard.Refused() ? nullptr : ParseUnguarded(ReadObjectUnguarded(number), arena);
}

TSmartPDFReader::TObjectText TSmartPDFReader::ReadObject(std::int32_t number) {
  const TLoadGuard guard(loading_, number);
  return guard.Refused() ? TObjectText{} : ReadObjectUnguarded(number);
}

TPDFObject* TSmartPDFReader::ParseObject(std::int32_t number, TObjectText text, TPDFStructure& arena) {
  const TLoadGuard guard(loading_, number);
  return guard.Refused() ? nullptr : ParseUnguarded(std::move(text), arena);
}

TPDFObject* TSmartPDFReader::ParseUnguarded(TObjectText text, TPDFStructure& arena) {
  const std::string_view body = text.Body();
  if (body.empty()) return nullptr;
  std::size_t dictionaryEnd = 0;
  TPDFObject* object = arena.ParseObjectAt(body, dictionaryEnd);
  auto* dictionary = As<TPDFDictionary>(object);
  if (dictionary == nullptr) return object;
  const std::optional<TDataRange> range = FindStreamData(body, dictionaryEnd, *dictionary);
  if (!range) return object;
  return arena.NewStreamOf(TakeRange(std::move(text.bytes), text.bodyStart + range->start, range->length),
                           dictionary);
}

std::int64_t TSmartPDFReader::DeclaredLength(TPDFDictionary& dictionary) {
  TPDFObject* length = dictionary.GetValue("Length", false);
  if (const auto* reference = As<TPDFIndRef>(length)) length = GetObject(reference->TargetNumber());
  return NumberAsInt64(length).value_or(-1);
}

std::optional<TSmartPDFReader::TDataRange> TSmartPDFReader::FindStreamData(std::string_view text,
                                                                           std::size_t dictionaryEnd,
                                                                           TPDFDictionary& dictionary) {
  if (text.size() < dictionaryEnd + 7) return std::nullopt;
  const std::size_t start = StreamDataStart(text, dictionaryEnd);
  if (start == std::string_view::npos) return std::nullopt;
  const std::int64_t declared = DeclaredLength(dictionary);
  const std::size_t available = text.size() - start;
  // The declared length holds when "endstream" follows the data, after white space at most.
  if (declared >= 0 && static_cast<std::uint64_t>(declared) <= available) {
    const auto n = static_cast<std::size_t>(declared);
    const std::size_t after = text.find_first_not_of(" \t\r\n\f", start + n);
    if (after != std::string_view::npos && text.substr(after).starts_with("endstream")) return TDataRange{start, n};
  }
  // Otherwise the data runs up to the first "endstream", as other readers recover it.
  const std::size_t endstream = text.find("endstream", start);
  if (endstream != std::string_view::npos) return TDataRange{start, endstream - start};
  // A damaged "endstream" keyword: the declared length still says where the data ends.
  if (declared > 0 && static_cast<std::uint64_t>(declared) <= available) return TDataRange{start, static_cast<std::size_t>(declared)};
  // A stream cut short, by a truncated file or a lost keyword: its data is kept up to the cut (or
  // to its "endobj"), which its copy's /Length then says.
  const std::size_t endobj = text.find("endobj", start);
  const std::size_t end = endobj == std::string_view::npos ? text.size() : EndOfLineBefore(text, endobj);
  return TDataRange{start, std::max(end, start) - start};
}

std::string TSmartPDFReader::ReadCompressedObjectText(std::int32_t number, const Entry& entry) {
  if (entry.offset < 1 || entry.offset > INT32_MAX) return {};
  const ObjectStream* objectStream = LoadObjectStream(static_cast<std::int32_t>(entry.offset));
  const std::int64_t index = entry.second;
  if (objectStream == nullptr || index < 0 || static_cast<std::size_t>(index) >= objectStream->pairs.size()) {
    return {};
  }
  const auto& [pairNumber, relative] = objectStream->pairs[static_cast<std::size_t>(index)];
  if (pairNumber != number) return {};
  const std::string& data = objectStream->stream->Data();
  const std::int64_t begin = relative + objectStream->first;
  const std::int64_t end = static_cast<std::size_t>(index) + 1 < objectStream->pairs.size()
                               ? objectStream->pairs[static_cast<std::size_t>(index) + 1].second + objectStream->first
                               : static_cast<std::int64_t>(data.size());
  if (begin < 0 || begin >= static_cast<std::int64_t>(data.size()) || end <= begin) return {};
  return data.substr(static_cast<std::size_t>(begin), static_cast<std::size_t>(end - begin));
}

const TSmartPDFReader::ObjectStream* TSmartPDFReader::LoadObjectStream(std::int32_t number) {
  for (const ObjectStream& cached : objectStreams_) {
    if (cached.number == number) return &cached;
  }
  if (brokenObjectStreams_.count(number) != 0) return nullptr;
  // A kept stream over the byte bound (one was kept because it was the newest) goes before the
  // next is decoded, so that two such never live at once.
  DropObjectStreamsOver(limits::kObjectStreamCacheBytes);
  ObjectStream loaded;
  loaded.number = number;
  loaded.arena = std::make_unique<TPDFStructure>();
  loaded.stream = As<TPDFStream>(LoadObject(number, *loaded.arena));
  if (loaded.stream != nullptr && hasEncrypt_ && OnObjectStreamLoaded) OnObjectStreamLoaded(number, *loaded.stream);
  const TPDFDictionary* dictionary = loaded.stream != nullptr ? loaded.stream->Dictionary() : nullptr;
  const auto count = dictionary != nullptr ? NumberAsInt64(dictionary->GetValue("N", false)) : std::nullopt;
  const auto first = dictionary != nullptr ? NumberAsInt64(dictionary->GetValue("First", false)) : std::nullopt;
  if (dictionary == nullptr || dictionary->GetTypeName() != "ObjStm" || !count || !first || *count < 1 || *first < 0) {
    brokenObjectStreams_.insert(number);
    return nullptr;
  }
  const std::int64_t budgetKey = TDecodeBudget::ObjectStreamKey(number);
  std::string decoded = loaded.stream->GetDecodedData(decodeBudget_.NextCap(budgetKey));
  if (!decodeBudget_.Spend(budgetKey, decoded.size())) {
    brokenObjectStreams_.insert(number);
    return nullptr;
  }
  // The decoded data replaces the stream's own without a copy: it may be hundreds of megabytes.
  loaded.stream->SetRawData(std::move(decoded));
  loaded.stream->Dictionary()->DeleteKey("Filter");
  ++objectStreamsDecoded_;
  loaded.first = *first;
  const std::string_view data = loaded.stream->Data();
  std::optional<TOffsetPairs> pairs = HeaderPairs(data.substr(0, static_cast<std::size_t>(std::min<std::int64_t>(*first, static_cast<std::int64_t>(data.size())))), *count);
  if (!pairs) {
    brokenObjectStreams_.insert(number);
    return nullptr;
  }
  loaded.pairs = std::move(*pairs);
  loaded.decodedBytes = data.size();
  KeepObjectStream(std::move(loaded));
  return &objectStreams_.back();
}

// Decoded object streams are kept a while, not for the reader's whole life, so that memory stays
// bounded on files with many or large ones.
void TSmartPDFReader::KeepObjectStream(ObjectStream loaded) {
  if (objectStreams_.size() >= limits::kObjectStreamCacheSize) DropOldestObjectStream();
  DropObjectStreamsOver(limits::kObjectStreamCacheBytes - std::min(loaded.decodedBytes, limits::kObjectStreamCacheBytes));
  objectStreamBytes_ += loaded.decodedBytes;
  objectStreams_.push_back(std::move(loaded));
}

void TSmartPDFReader::DropObjectStreamsOver(std::size_t bytes) {
  while (!objectStreams_.empty() && objectStreamBytes_ > bytes) DropOldestObjectStream();
}

void TSmartPDFReader::DropOldestObjectStream() {
  objectStreamBytes_ -= objectStreams_.front().decodedBytes;
  objectStreams_.pop_front();
}

}  // namespace pdf

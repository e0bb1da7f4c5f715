#include "pdf/facade/ObjectCopy.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "pdf/objects/PlainValue.h"

namespace pdf {

namespace {

// Objects a work arena may hold before it is emptied, so memory stays bounded.
constexpr std::int32_t kWorkArenaObjects = 100;
// A stream this large is encrypted in pieces as it is written.
constexpr std::size_t kLargeStreamBytes = std::size_t{1} << 20;
// Objects copied as they stand are at most this long; anything longer is rare enough to parse.
constexpr std::size_t kVerbatimLimit = std::size_t{64} * 1024;

std::string_view TrimWhiteSpace(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r\n\f");
  return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

// The object's value when it can be copied as it stands: a plain dictionary or array (nothing
// in it to encrypt or decrypt) that is all the object holds. Such objects are most of a document
// (pages, resources, page tree nodes); copying them skips the parse, the encryption walk and the
// writing.
std::optional<std::string_view> VerbatimText(const TSmartPDFReader::TObjectText& text, std::int64_t& highestReference) {
  const std::string_view body = TrimWhiteSpace(text.Body());
  if (body.size() > kVerbatimLimit) return std::nullopt;
  const std::optional<std::size_t> end = PlainContainerEnd(body, &highestReference);
  if (!end) return std::nullopt;
  std::string_view rest = TrimWhiteSpace(body.substr(*end));
  // After "endobj" there must be nothing but white space up to the next object: anything else
  // is damage that only the parse treats as it always has.
  if (text.framed) {
    if (!rest.starts_with("endobj")) return std::nullopt;
    rest = TrimWhiteSpace(rest.substr(6));
  }
  if (!rest.empty()) return std::nullopt;
  return body.substr(0, *end);
}

}  // namespace

void TObjectCopy::Copy(std::int32_t number) { CopyText(number, reader_.ReadObject(number)); }

void TObjectCopy::WriteNew(std::int32_t number, TPDFObject* object) {
  if (target_ != nullptr) target_->EncryptObject(object, number, 0);
  Write(number, 0, object);
}

void TObjectCopy::CopyReferencedBeyond(std::int32_t last, const TPDFDictionary& trailer) {
  for (const std::string_view key : {"Root", "Info"}) {
    if (const auto* reference = As<TPDFIndRef>(trailer.GetValue(key, false))) NoteReference(reference->TargetNumber());
  }
  for (std::int64_t number = last + 1; number <= highestReference_ && number < reader_.ObjectNumberBound(); ++number) {
    const auto n = static_cast<std::int32_t>(number);
    TSmartPDFReader::TObjectText text = reader_.ReadObject(n);
    if (!text.Body().empty()) CopyText(n, std::move(text));
  }
}

void TObjectCopy::CopyText(std::int32_t number, TSmartPDFReader::TObjectText text) {
  const std::int32_t generation = reader_.Generation(number);
  if (const std::optional<std::string_view> verbatim = VerbatimText(text, highestReference_)) {
    writer_.WriteObject(number, generation, *verbatim);
    return;
  }
  CopyParsed(number, generation, reader_.ParseObject(number, std::move(text), arena_));
}

void TObjectCopy::CopyParsed(std::int32_t number, std::int32_t generation, TPDFObject* object) {
  // The arena knows the highest reference the parse made: no second walk of the object.
  NoteReference(arena_.HighestReferenceNumber());
  source_.DecryptObject(object, number, generation);
  auto* stream = As<TPDFStream>(object);
  const bool large = stream != nullptr && stream->Data().size() >= kLargeStreamBytes;
  if (large && target_ != nullptr) {
    WriteLarge(number, generation, *stream);
  } else {
    if (target_ != nullptr) target_->EncryptObject(object, number, generation);
    Write(number, generation, object);
  }
  // Emptied after every large stream too, so that a few of them never pile up.
  if (large || arena_.ObjectCount() > kWorkArenaObjects) arena_.Reset();
}

// A large stream is encrypted in pieces on its way out, never held a second time.
void TObjectCopy::WriteLarge(std::int32_t number, std::int32_t generation, TPDFStream& stream) {
  target_->EncryptStreamDictionary(stream, number, generation);
  writer_.BeginObject(number, generation);
  writer_.AppendToObject(stream.HeadText());
  target_->EncryptStreamData(stream, number, generation, [this](std::string_view piece) { writer_.AppendToObject(piece); });
  writer_.AppendToObject(TPDFStream::kTailText);
  writer_.EndObject();
}

void TObjectCopy::Write(std::int32_t number, std::int32_t generation, const TPDFObject* object) {
  if (const auto* stream = As<TPDFStream>(object)) {
    writer_.WriteObjectParts(number, generation, {stream->HeadText(), stream->Data(), TPDFStream::kTailText});
  } else {
    writer_.WriteObject(number, generation, object != nullptr ? object->ToText() : "null");
  }
}

void TObjectCopy::NoteReference(std::int64_t number) { highestReference_ = std::max(highestReference_, number); }

}  // namespace pdf

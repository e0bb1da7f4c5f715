#include "pdf/facade/ObjectCopy.h"

#include "pdf/facade/EncryptionVersion.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace pdf {

namespace {

// Objects a work arena may hold before it is emptied, so memory stays bounded.
constexpr std::int32_t kWorkArenaObjects = 100;
// A stream this large is encrypted in pieces as it is written.
constexpr std::size_t kLargeStreamBytes = std::size_t{1} << 20;
// Objects copied from their text are at most this long; anything longer is rare enough to parse.
constexpr std::size_t kScannedLimit = std::size_t{64} * 1024;

std::string_view TrimWhiteSpace(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r\n\f");
  return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

// Whether the value that ends at valueEnd is all the object holds. After "endobj" there must be
// nothing but white space up to the next object: anything else is damage that only the parse
// treats as it always has.
bool EndsTheObject(const TSmartPDFReader::TObjectText& text, std::string_view body, std::size_t valueEnd) {
  std::string_view rest = TrimWhiteSpace(body.substr(valueEnd));
  if (text.framed) {
    if (!rest.starts_with("endobj")) return false;
    rest = TrimWhiteSpace(rest.substr(6));
  }
  return rest.empty();
}

// Whether a parsed object holds the name /Sig as a value, at any depth. The parse has read any
// escapes a name was written with.
bool HoldsSignatureName(const TPDFObject* object) {
  if (const auto* name = As<TPDFName>(object)) return name->Value() == "Sig";
  if (const auto* stream = As<TPDFStream>(object)) return HoldsSignatureName(stream->Dictionary());
  if (const auto* array = As<TPDFArray>(object)) {
    for (std::int32_t i = 0; i < array->ItemCount(); ++i) {
      if (HoldsSignatureName(array->GetItem(i))) return true;
    }
  } else if (const auto* dictionary = As<TPDFDictionary>(object)) {
    for (std::int32_t i = 0; i < dictionary->EntryCount(); ++i) {
      TPDFName* key = nullptr;
      TPDFObject* value = nullptr;
      dictionary->GetEntry(i, key, value);
      if (HoldsSignatureName(value)) return true;
    }
  }
  return false;
}

}  // namespace

void TObjectCopy::Copy(std::int32_t number) { CopyText(number, reader_.ReadObject(number)); }

void TObjectCopy::CopyAll(std::int32_t last, std::int32_t skipped, const std::function<void(std::int32_t)>& progress) {
  std::unordered_map<std::int32_t, std::vector<std::int32_t>> members;
  for (std::int32_t number = 1; number <= last; ++number) {
    if (const std::int32_t stream = reader_.ObjectStreamOf(number)) members[stream].push_back(number);
  }
  std::vector<bool> copied(static_cast<std::size_t>(last) + 1);
  std::int32_t count = 0;
  const auto copyOnce = [&](std::int32_t number) {
    if (copied[static_cast<std::size_t>(number)] || number == skipped) return;
    copied[static_cast<std::size_t>(number)] = true;
    Copy(number);
    progress(++count);
  };
  for (std::int32_t number = 1; number <= last; ++number) {
    copyOnce(number);
    const auto stream = members.find(reader_.ObjectStreamOf(number));
    if (stream == members.end()) continue;
    for (const std::int32_t member : stream->second) copyOnce(member);
    // Every member is copied now; the list is not needed again.
    members.erase(stream);
  }
}

void TObjectCopy::WriteNew(std::int32_t number, TPDFObject* object) {
  if (const TEncryptionTarget* target = TargetFor(number)) target->EncryptObject(object, number, 0);
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
  if (path_ == TObjectCopyPath::kScanWherePlain && !EditsObject(number)) {
    if (std::optional<TScannedObject> scanned = Scan(text)) {
      // A scanned value has no escaped names: the scan saw /Sig wherever it is.
      sawSignatureName_ = sawSignatureName_ || scanned->value.namesTypeApart;
      WriteScanned(number, generation, *scanned);
      return;
    }
  }
  TPDFObject* object = reader_.ParseObject(number, std::move(text), arena_);
  sawSignatureName_ = sawSignatureName_ || HoldsSignatureName(object);
  CopyParsed(number, generation, object);
}

// Most objects of a document (pages, resources, annotations, outline items) are plain values:
// copying them from their text skips the parse, the encryption walk and the writing. A signature
// dictionary is parsed, its /Contents being left in clear by the walk alone.
std::optional<TObjectCopy::TScannedObject> TObjectCopy::Scan(const TSmartPDFReader::TObjectText& text) {
  const std::string_view body = TrimWhiteSpace(text.Body());
  if (body.size() > kScannedLimit) return std::nullopt;
  std::optional<TPlainValue> value = ScanPlainValue(body, kSignatureTypes, &highestReference_);
  if (!value || !EndsTheObject(text, body, value->end)) return std::nullopt;
  return TScannedObject{body, std::move(*value)};
}

void TObjectCopy::WriteScanned(std::int32_t number, std::int32_t generation, TScannedObject& scanned) {
  if (scanned.value.strings.empty()) {
    writer_.WriteObject(number, generation, scanned.text.substr(0, scanned.value.end));
    return;
  }
  CryptStrings(number, generation, scanned.value.strings);
  writer_.WriteObject(number, generation, PlainValueText(scanned.text, scanned.value));
}

// Each string as the parse would leave it: decrypted with the input's key, then encrypted with the
// copy's.
void TObjectCopy::CryptStrings(std::int32_t number, std::int32_t generation, std::vector<TStringToken>& strings) const {
  const std::optional<std::string> sourceKey = source_.DecryptionKey(number, generation);
  const TEncryptionTarget* target = TargetFor(number);
  const std::string targetKey = target != nullptr ? target->ObjectKey(number, generation) : std::string();
  for (TStringToken& token : strings) {
    if (sourceKey) token.bytes = source_.DecryptString(*sourceKey, token.bytes);
    if (target != nullptr) token.bytes = target->EncryptString(targetKey, token.bytes);
  }
}

void TObjectCopy::CopyParsed(std::int32_t number, std::int32_t generation, TPDFObject* object) {
  // The arena knows the highest reference the parse made: no second walk of the object.
  NoteReference(arena_.HighestReferenceNumber());
  source_.DecryptObject(object, number, generation);
  if (EditsObject(number)) RaiseExtensionLevel(object);
  auto* stream = As<TPDFStream>(object);
  const bool large = stream != nullptr && stream->Data().size() >= kLargeStreamBytes;
  const TEncryptionTarget* target = TargetFor(number);
  if (large && target != nullptr) {
    WriteLarge(number, generation, *stream);
  } else {
    if (target != nullptr) target->EncryptObject(object, number, generation);
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

// The catalog's /Extensions, and its /ADBE, may be objects of their own: the copy reads them in
// clear and holds the raised ones in the catalog itself (the old objects stay, unreferenced).
void TObjectCopy::RaiseExtensionLevel(TPDFObject* catalog) {
  auto* dictionary = As<TPDFDictionary>(catalog);
  if (dictionary == nullptr) return;
  auto* extensions = As<TPDFDictionary>(DecryptedValue(dictionary->GetValue("Extensions", false)));
  if (extensions == nullptr) extensions = arena_.NewDictionary();
  const TPDFObject* adbe = DecryptedValue(extensions->GetValue("ADBE", false));
  if (RaiseAdobeExtension(arena_, *extensions, adbe, extensionLevel_)) dictionary->SetValue("Extensions", extensions);
}

// A value as it reads in clear: a direct one as it is, an indirect one parsed anew into the work
// arena and decrypted with the input's key.
TPDFObject* TObjectCopy::DecryptedValue(TPDFObject* value) {
  const auto* reference = As<TPDFIndRef>(value);
  if (reference == nullptr) return value;
  const std::int32_t number = reference->TargetNumber();
  if (number <= 0 || number >= reader_.ObjectNumberBound()) return nullptr;
  TPDFObject* object = reader_.ParseObject(number, reader_.ReadObject(number), arena_);
  source_.DecryptObject(object, number, reader_.Generation(number));
  return object;
}

}  // namespace pdf

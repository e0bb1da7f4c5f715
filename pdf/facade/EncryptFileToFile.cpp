// Encrypting a file into a new one-revision file, object by object.

#include <algorithm>
#include <memory>
#include <optional>

#include "pdf/facade/AtomicOutput.h"
#include "pdf/facade/VelloPDF.h"
#include "pdf/io/FileOperations.h"
#include "pdf/io/PDFReader.h"
#include "pdf/io/PDFWriter.h"
#include "pdf/objects/PlainValue.h"
#include "pdf/security/SecurityInfo.h"

namespace pdf {

namespace {

// Objects a work arena may hold before it is emptied, so memory stays bounded.
constexpr std::int32_t kWorkArenaObjects = 100;
// A stream this large is encrypted in pieces as it is written.
constexpr std::size_t kLargeStreamBytes = std::size_t{1} << 20;
// Objects copied as they stand are at most this long; anything longer is rare enough to parse.
constexpr std::size_t kVerbatimLimit = std::size_t{64} * 1024;

// The handler's strength scale skips 4 (RC4 keys of odd lengths, read only).
std::uint8_t HandlerStrength(std::int32_t strength) { return static_cast<std::uint8_t>(strength == 4 ? 5 : strength); }

std::string_view HeaderVersion(std::int32_t strength) { return strength >= 3 ? "1.7" : strength == 2 ? "1.6" : "1.4"; }

std::string PasswordBytes(std::u16string_view password, std::int32_t strength) {
  return strength >= 3 ? PreparedPasswordBytes(password) : AnsiPasswordBytes(password);
}

// The newest trailer as the copy's only one: none of the input's cross-reference sections may be
// named.
void PrepareSingleSectionTrailer(TSmartPDFReader& reader) {
  reader.PrepareTrailer();
  reader.Trailer()->DeleteKey("Prev");
  reader.Trailer()->DeleteKey("XRefStm");
}

// Without a document catalog the copy would be a file no reader opens. The catalog is written
// with its cross-reference generation, so the trailer's reference must name that generation too.
bool HasReadableCatalog(TSmartPDFReader& reader) {
  TPDFObject* root = reader.Trailer()->GetValue("Root", false);
  if (const auto* reference = As<TPDFIndRef>(root)) {
    const std::int32_t number = reference->TargetNumber();
    if (reference->TargetGeneration() != reader.Generation(number)) return false;
    root = reader.GetObject(number);
  }
  return As<TPDFDictionary>(root) != nullptr;
}

// Failures before the input is accepted keep their own code; later ones are write failures.
struct TEncryptFailure {
  std::int32_t code;
};

// The input changed size while it was copied: what could not be read was taken for damage and
// written as null, so the copy is no copy of the file as it was or as it is.
struct TInputChanged {};

std::string_view TrimWhiteSpace(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r\n\f");
  return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

// The object's value when it can be copied as it stands: a plain dictionary or array (nothing
// in it to encrypt) that is all the object holds. Such objects are most of a document (pages,
// resources, page tree nodes); copying them skips the parse, the encryption walk and the writing.
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

// Copies the input's objects into the writer one at a time, encrypted.
class TEncryptedObjectCopy {
 public:
  TEncryptedObjectCopy(TSmartPDFReader& reader, TSmartPDFInfo& info, TSmartPDFWriter& writer)
      : reader_(reader), info_(info), writer_(writer) {}

  void Copy(std::int32_t number) { CopyText(number, reader_.ReadObject(number)); }

  // An object the copy adds (a direct /Info made indirect), encrypted like every other.
  void WriteNew(std::int32_t number, TPDFObject* object) {
    info_.EncryptObject(object, number, 0);
    Write(number, 0, object);
  }

  // Objects the cross-reference data leaves out but the trailer or copied objects refer to, when
  // the file holds them: other readers find them by scanning the file, and the copy must hold them.
  void CopyReferencedBeyond(std::int32_t last, const TPDFDictionary& trailer) {
    for (const std::string_view key : {"Root", "Info"}) {
      if (const auto* reference = As<TPDFIndRef>(trailer.GetValue(key, false))) NoteReference(reference->TargetNumber());
    }
    for (std::int64_t number = last + 1; number <= highestReference_ && number < reader_.ObjectNumberBound(); ++number) {
      const auto n = static_cast<std::int32_t>(number);
      TSmartPDFReader::TObjectText text = reader_.ReadObject(n);
      if (!text.Body().empty()) CopyText(n, std::move(text));
    }
  }

  // The highest object number any copied object refers to (within the reader's bound).
  std::int64_t HighestReference() const { return highestReference_; }

 private:
  void CopyText(std::int32_t number, TSmartPDFReader::TObjectText text) {
    const std::int32_t generation = reader_.Generation(number);
    if (const std::optional<std::string_view> verbatim = VerbatimText(text, highestReference_)) {
      writer_.WriteObject(number, generation, *verbatim);
      return;
    }
    CopyParsed(number, generation, reader_.ParseObject(number, std::move(text), arena_));
  }

  void CopyParsed(std::int32_t number, std::int32_t generation, TPDFObject* object) {
    // The arena knows the highest reference the parse made: no second walk of the object.
    NoteReference(arena_.HighestReferenceNumber());
    auto* stream = As<TPDFStream>(object);
    const bool large = stream != nullptr && stream->Data().size() >= kLargeStreamBytes;
    if (large) {
      WriteLarge(number, generation, *stream);
    } else {
      info_.EncryptObject(object, number, generation);
      Write(number, generation, object);
    }
    // Emptied after every large stream too, so that a few of them never pile up.
    if (large || arena_.ObjectCount() > kWorkArenaObjects) arena_.Reset();
  }

  // A large stream is encrypted in pieces on its way out, never held a second time.
  void WriteLarge(std::int32_t number, std::int32_t generation, TPDFStream& stream) {
    info_.EncryptStreamDictionary(stream, number, generation);
    writer_.BeginObject(number, generation);
    writer_.AppendToObject(stream.HeadText());
    info_.EncryptStreamData(stream, number, generation, [this](std::string_view piece) { writer_.AppendToObject(piece); });
    writer_.AppendToObject(TPDFStream::kTailText);
    writer_.EndObject();
  }

  void Write(std::int32_t number, std::int32_t generation, const TPDFObject* object) {
    if (const auto* stream = As<TPDFStream>(object)) {
      writer_.WriteObjectParts(number, generation, {stream->HeadText(), stream->Data(), TPDFStream::kTailText});
    } else {
      writer_.WriteObject(number, generation, object != nullptr ? object->ToText() : "null");
    }
  }

  void NoteReference(std::int64_t number) { highestReference_ = std::max(highestReference_, number); }

  TSmartPDFReader& reader_;
  TSmartPDFInfo& info_;
  TSmartPDFWriter& writer_;
  TPDFStructure arena_;
  std::int64_t highestReference_ = 0;
};

// The numbers of the objects the copy adds lie above every number the input defines or refers
// to: a reference to an object the table does not list must not come to name the /Encrypt
// dictionary. References past the reader's bound name nothing and are not followed.
class TNewObjectNumbers {
 public:
  TNewObjectNumbers(const TSmartPDFReader& reader, std::int64_t highestReference)
      : next_(std::max<std::int64_t>(reader.MaxObjectNumber(),
                                     highestReference < reader.ObjectNumberBound() ? highestReference : 0) + 1) {}
  std::int32_t Take() { return static_cast<std::int32_t>(next_++); }

 private:
  std::int64_t next_;
};

// A trailer /Info given directly would be written in clear inside the trailer: the copy holds
// it as an object of its own, so that its strings are encrypted.
void MoveDirectInfo(TPDFDictionary& trailer, TEncryptedObjectCopy& copy, TNewObjectNumbers& numbers) {
  auto* info = As<TPDFDictionary>(trailer.GetValue("Info", false));
  if (info == nullptr) return;
  const std::int32_t number = numbers.Take();
  copy.WriteNew(number, info);
  trailer.SetValue("Info", trailer.Structure().NewReference(number, 0));
}

void PointTrailerAtEncrypt(TPDFDictionary& trailer, std::int32_t number) {
  trailer.SetValue("Encrypt", trailer.Structure().NewReference(number, 0));
  trailer.SetValue("Size", trailer.Structure().NewNumber(number + 1.0));
}

}  // namespace

std::int32_t TVelloPDF::EncryptFileToFile(std::u16string_view inputName, std::u16string_view outputName,
                                          std::u16string_view ownerPassword, std::u16string_view userPassword,
                                          std::int32_t strength, std::int32_t permissions) {
  lastError_ = kErrorNone;
  lastRepairs_ = TCopyRepairs{};
  if (strength < 0 || strength > 4) {
    lastError_ = kErrorStrength;
    return 0;
  }
  if (!PermissionMaskIsValid(permissions)) {
    lastError_ = kErrorPermissions;
    return 0;
  }
  std::unique_ptr<TVelloPDFWideFileStream> input;
  try {
    input = OpenWideFileStream(inputName, kFileModeInput);
  } catch (...) {
    lastError_ = kErrorInputFile;
    return 0;
  }
  // The output is written beside the target and renamed over it: the file being read must
  // never be the one replaced, whatever path names it.
  if (!CanReplaceOutput(outputName, WideFileIdentity(inputName))) {
    lastError_ = kErrorOutputReplace;
    return 0;
  }
  std::int32_t result = 0;
  try {
    TAtomicOutput output(outputName);
    CopyEncrypted(*input, output, PasswordBytes(ownerPassword, strength), PasswordBytes(userPassword, strength),
                  strength, permissions, result);
  } catch (const TEncryptFailure& failure) {
    lastError_ = failure.code;
  } catch (...) {
    lastError_ = kErrorOutputWrite;
  }
  return result;
}

void TVelloPDF::CopyEncrypted(TByteStream& input, TAtomicOutput& output, std::string_view ownerBytes,
                              std::string_view userBytes, std::int32_t strength, std::int32_t permissions,
                              std::int32_t& result) {
  const std::int64_t inputSize = input.Size();
  TSmartPDFReader reader(input);
  if (reader.OpenError() != 0) throw TEncryptFailure{kErrorNotPDF};
  TSmartPDFInfo info(reader, false, u"");
  if (info.EncryptionState() != 0) throw TEncryptFailure{kErrorEncrypted};
  PrepareSingleSectionTrailer(reader);
  if (!HasReadableCatalog(reader)) throw TEncryptFailure{kErrorNotPDF};
  result = 1;
  try {
    const std::int32_t last = reader.MaxObjectNumber();
    const auto basic = static_cast<std::uint8_t>(permissions & 0x0F);
    const auto extended = static_cast<std::uint8_t>((permissions >> 4) & 0x0F);
    TPDFDictionary* encrypt =
        info.BuildEncryptDictionary(ownerBytes, userBytes, HandlerStrength(strength), basic, extended);
    TSmartPDFWriter writer(output.Stream());
    writer.WriteHeader(HeaderVersion(strength));
    ProgressScale = 1.0;
    ProgressOffset = 0;
    TEncryptedObjectCopy copy(reader, info, writer);
    for (std::int32_t number = 1; number <= last; ++number) {
      ReportProgress(static_cast<std::int32_t>(static_cast<std::int64_t>(number) * 100 / last));
      copy.Copy(number);
    }
    copy.CopyReferencedBeyond(last, *reader.Trailer());
    ReportProgress(100);
    TNewObjectNumbers numbers(reader, copy.HighestReference());
    MoveDirectInfo(*reader.Trailer(), copy, numbers);
    const std::int32_t encryptNumber = numbers.Take();
    writer.WriteObject(encryptNumber, 0, encrypt->ToText());
    PointTrailerAtEncrypt(*reader.Trailer(), encryptNumber);
    writer.WriteXRefTable(*reader.Trailer(), 0, false);
    if (input.Size() != inputSize) throw TInputChanged{};
    output.Commit();
    lastRepairs_ = TCopyRepairs{reader.RelocatedObjects(), reader.UnreadableObjects(), reader.Rebuilt()};
  } catch (const TInputChanged&) {
    throw TEncryptFailure{kErrorInputFile};
  } catch (...) {
    throw TEncryptFailure{kErrorOutputWrite};
  }
}

}  // namespace pdf

// Encrypting a file into a new one-revision file, object by object.

#include <memory>

#include "pdf/facade/AtomicOutput.h"
#include "pdf/facade/VelloPDF.h"
#include "pdf/io/FileOperations.h"
#include "pdf/io/PDFReader.h"
#include "pdf/io/PDFWriter.h"
#include "pdf/security/SecurityInfo.h"

namespace pdf {

namespace {

// Objects a work arena may hold before it is replaced, so memory stays bounded.
constexpr std::int32_t kWorkArenaObjects = 100;

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

}  // namespace

std::int32_t TVelloPDF::EncryptFileToFile(std::u16string_view inputName, std::u16string_view outputName,
                                          std::u16string_view ownerPassword, std::u16string_view userPassword,
                                          std::int32_t strength, std::int32_t permissions) {
  lastError_ = kErrorNone;
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
    TPDFDictionary* encrypt = info.BuildEncryptDictionary(ownerBytes, userBytes, HandlerStrength(strength), basic,
                                                          extended, last + 1);
    TSmartPDFWriter writer(output.Stream());
    writer.WriteHeader(HeaderVersion(strength));
    ProgressScale = 1.0;
    ProgressOffset = 0;
    auto arena = std::make_unique<TPDFStructure>();
    for (std::int32_t number = 1; number <= last; ++number) {
      ReportProgress(static_cast<std::int32_t>(static_cast<std::int64_t>(number) * 100 / last));
      TPDFObject* object = reader.GetObject(number, arena.get());
      const std::int32_t generation = reader.Generation(number);
      info.EncryptObject(object, number, generation);
      writer.WriteObject(number, generation, object != nullptr ? object->ToText() : "null");
      if (arena->ObjectCount() > kWorkArenaObjects) arena = std::make_unique<TPDFStructure>();
    }
    ReportProgress(100);
    writer.WriteObject(last + 1, 0, encrypt->ToText());
    writer.WriteXRefTable(*reader.Trailer(), 0, false);
    output.Commit();
  } catch (...) {
    throw TEncryptFailure{kErrorOutputWrite};
  }
}

}  // namespace pdf

// Copying a file into a new one-revision file, object by object: encrypted, decrypted, or
// decrypted and encrypted anew.

#include <algorithm>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "pdf/facade/AtomicOutput.h"
#include "pdf/facade/EncryptionVersion.h"
#include "pdf/facade/ObjectCopy.h"
#include "pdf/facade/VelloPDF.h"
#include "pdf/io/FileOperations.h"
#include "pdf/io/PDFReader.h"
#include "pdf/io/PDFWriter.h"
#include "pdf/security/DocumentNotices.h"
#include "pdf/security/EncryptionTarget.h"
#include "pdf/security/SecurityInfo.h"

namespace pdf {

namespace {

// The handler's strength scale skips 4 (RC4 keys of odd lengths, read only).
std::uint8_t HandlerStrength(std::int32_t strength) { return static_cast<std::uint8_t>(strength == 4 ? 5 : strength); }

std::string PasswordBytes(std::u16string_view password, std::int32_t strength) {
  return strength >= 3 ? PreparedPasswordBytes(password) : StandardPasswordBytes(password);
}

// The newest trailer as the copy's only one: none of the input's cross-reference sections may be
// named. RC4 copies get a new first /ID string as well (see TIdentifierRenewal).
void PrepareSingleSectionTrailer(TSmartPDFReader& reader, bool rc4Copy) {
  reader.PrepareTrailer(rc4Copy ? TSmartPDFReader::TIdentifierRenewal::kBoth
                                : TSmartPDFReader::TIdentifierRenewal::kSecondOnly);
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
struct TCopyFailure {
  explicit TCopyFailure(std::int32_t failureCode, std::string failureReason = {})
      : code(failureCode), reason(std::move(failureReason)) {}

  std::int32_t code;
  std::string reason;  // the system's or the library's words for a write failure, or empty
};

// The input changed size while it was copied: what could not be read was taken for damage and
// written as null, so the copy is no copy of the file as it was or as it is.
struct TInputChanged {};

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
void MoveDirectInfo(TPDFDictionary& trailer, TObjectCopy& copy, TNewObjectNumbers& numbers) {
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

// The number of the input's own /Encrypt dictionary, which the copy leaves out; 0 when it has
// none or holds it directly in the trailer.
std::int32_t InputEncryptNumber(const TSmartPDFReader& reader) {
  const TPDFIndRef* reference = reader.TrailerReference("Encrypt");
  return reference != nullptr ? reference->TargetNumber() : 0;
}

// Whether the input is signed, as an inspection tells. The copy has seen every object: unless one
// held the name /Sig, no form field is a signature field, and the walk of the fields is skipped.
bool SignedInput(TSmartPDFReader& reader, TSmartPDFInfo& source, const TObjectCopy& copy) {
  return DeclaresSignature(reader, source) || (copy.SawSignatureName() && HasSignedField(reader, source));
}

std::int32_t CatalogNumber(const TSmartPDFReader& reader) {
  const TPDFIndRef* reference = reader.TrailerReference("Root");
  return reference != nullptr ? reference->TargetNumber() : 0;
}

}  // namespace

TPDFDictionary* TVelloPDF::BuildEncryptDictionary(TEncryptionTarget& target, TPDFStructure& arena,
                                                  const TNewProtection& protection) const {
  const std::int32_t strength = protection.strength;
  return target.BuildEncryptDictionary(
      arena, PasswordBytes(protection.ownerPassword, strength), PasswordBytes(protection.userPassword, strength),
      HandlerStrength(strength), static_cast<std::uint8_t>(protection.permissions & 0x0F),
      static_cast<std::uint8_t>((protection.permissions >> 4) & 0x0F),
      KeepMetadataReadable ? TMetadataProtection::kClear : TMetadataProtection::kEncrypted);
}

std::int32_t TVelloPDF::EncryptFileToFile(std::u16string_view inputName, std::u16string_view outputName,
                                          std::u16string_view ownerPassword, std::u16string_view userPassword,
                                          std::int32_t strength, std::int32_t permissions) {
  const TNewProtection protection{ownerPassword, userPassword, strength, permissions};
  return CopyFile(inputName, outputName, TCopyRequest{TInputProtection::kRefused, u"", &protection});
}

std::int32_t TVelloPDF::DecryptFileToFile(std::u16string_view inputName, std::u16string_view outputName,
                                          std::u16string_view password) {
  return CopyFile(inputName, outputName, TCopyRequest{TInputProtection::kRequired, password, nullptr});
}

std::int32_t TVelloPDF::ReencryptFileToFile(std::u16string_view inputName, std::u16string_view outputName,
                                            std::u16string_view currentPassword, std::u16string_view ownerPassword,
                                            std::u16string_view userPassword, std::int32_t strength,
                                            std::int32_t permissions) {
  const TNewProtection protection{ownerPassword, userPassword, strength, permissions};
  return CopyFile(inputName, outputName, TCopyRequest{TInputProtection::kAccepted, currentPassword, &protection});
}

std::int32_t TVelloPDF::CopyFile(std::u16string_view inputName, std::u16string_view outputName,
                                 const TCopyRequest& request) {
  lastError_ = kErrorNone;
  lastErrorReason_.clear();
  lastRepairs_ = TCopyRepairs{};
  lastInputPages_ = 0;
  lastNotices_ = TCopyNotices{};
  if (const TNewProtection* protection = request.protection) {
    if (protection->strength < 0 || protection->strength > 4) {
      lastError_ = kErrorStrength;
      return 0;
    }
    if (!PermissionMaskIsValid(protection->permissions)) {
      lastError_ = kErrorPermissions;
      return 0;
    }
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
    CopyProtected(*input, output, request, result);
  } catch (const TCopyFailure& failure) {
    lastError_ = failure.code;
    lastErrorReason_ = failure.reason;
  } catch (const std::exception& error) {
    lastError_ = kErrorOutputWrite;
    lastErrorReason_ = error.what();
  } catch (...) {
    lastError_ = kErrorOutputWrite;
  }
  return result;
}

// Opens the input's protection as the request allows: nothing to open, or a password that
// carries the authority to remove or change it.
void TVelloPDF::CheckInputProtection(TSmartPDFInfo& source, const TCopyRequest& request) {
  const bool encrypted = source.EncryptionState() != 0;
  if (!encrypted) {
    if (request.input == TInputProtection::kRequired) throw TCopyFailure{kErrorNotEncrypted};
    return;
  }
  if (request.input == TInputProtection::kRefused) throw TCopyFailure{kErrorEncrypted};
  if (source.EncryptionState() != 1 || !source.CheckPassword(request.password)) throw TCopyFailure{kErrorPassword};
  if (!source.MayChangeProtection(request.password)) throw TCopyFailure{kErrorAuthority};
}

void TVelloPDF::CopyProtected(TByteStream& input, TAtomicOutput& output, const TCopyRequest& request,
                              std::int32_t& result) {
  const std::int64_t inputSize = input.Size();
  TSmartPDFReader reader(input);
  if (reader.OpenError() != 0) throw TCopyFailure{reader.DecodeBudgetSpent() ? kErrorInflation : kErrorNotPDF};
  TSmartPDFInfo source(reader, false, request.password);
  CheckInputProtection(source, request);
  const std::int32_t inputEncrypt = InputEncryptNumber(reader);
  PrepareSingleSectionTrailer(reader, request.protection != nullptr && request.protection->strength <= 1);
  if (!HasReadableCatalog(reader)) throw TCopyFailure{reader.DecodeBudgetSpent() ? kErrorInflation : kErrorNotPDF};
  result = 1;
  try {
    // The page count is all the caller checks the copy against: no form fields.
    source.LoadCatalog();
    const std::uint32_t inputPages = source.NumberOfPages();
    const TNewProtection* protection = request.protection;
    const bool notices = protection != nullptr && source.EncryptionState() == 0;
    const std::string claimedPDFA = notices ? ClaimedPDFA(reader, source) : std::string();
    std::optional<TEncryptionTarget> target;
    TPDFDictionary* encrypt = nullptr;
    if (protection != nullptr) {
      // Keys derive from the first string of the /ID the copy carries.
      target.emplace(source.ReadFileID());
      encrypt = BuildEncryptDictionary(*target, reader.Arena(), *protection);
      target->LeaveInClear(source.MetadataNumber());
    }
    const std::int32_t last = reader.MaxObjectNumber();
    TSmartPDFWriter writer(output.Stream());
    const std::string version = protection != nullptr ? CopyHeaderVersion(reader.Version(), protection->strength)
                                : reader.Version().empty() ? std::string("1.4")
                                                           : reader.Version();
    writer.WriteHeader(version);
    ProgressScale = 1.0;
    ProgressOffset = 0;
    TObjectCopy copy(reader, source, target ? &*target : nullptr, writer);
    if (protection != nullptr) {
      copy.RequireExtensionLevel(CatalogNumber(reader), AdobeExtensionLevel(version, protection->strength));
    }
    copy.CopyAll(last, inputEncrypt, [this, last](std::int32_t copied) {
      ReportProgress(static_cast<std::int32_t>(static_cast<std::int64_t>(copied) * 100 / last));
    });
    copy.CopyReferencedBeyond(last, *reader.Trailer());
    const TCopyNotices found = notices ? TCopyNotices{SignedInput(reader, source, copy), claimedPDFA} : TCopyNotices{};
    ReportProgress(100);
    TNewObjectNumbers numbers(reader, copy.HighestReference());
    MoveDirectInfo(*reader.Trailer(), copy, numbers);
    if (encrypt != nullptr) {
      const std::int32_t encryptNumber = numbers.Take();
      writer.WriteObject(encryptNumber, 0, encrypt->ToText());
      PointTrailerAtEncrypt(*reader.Trailer(), encryptNumber);
    } else {
      reader.Trailer()->DeleteKey("Encrypt");
      // Numbers at the top may be gone with the input's /Encrypt or unreadable objects.
      reader.Trailer()->SetValue("Size", reader.Arena().NewNumber(writer.HighestObjectNumber() + 1.0));
    }
    writer.WriteXRefTable(*reader.Trailer(), 0, false);
    if (input.Size() != inputSize) throw TInputChanged{};
    // Objects in streams left undecoded would be nulls in the copy.
    if (reader.DecodeBudgetSpent()) throw TCopyFailure{kErrorInflation};
    output.Commit(SyncOutputFolder);
    lastRepairs_ = TCopyRepairs{reader.RelocatedObjects(), reader.UnreadableObjects(), reader.Rebuilt(),
                                reader.HeaderMissing()};
    lastInputPages_ = inputPages;
    lastNotices_ = found;
  } catch (const TInputChanged&) {
    throw TCopyFailure{kErrorInputFile};
  } catch (const TCopyFailure&) {
    throw;
  } catch (const std::exception& error) {
    throw TCopyFailure{kErrorOutputWrite, error.what()};
  } catch (...) {
    throw TCopyFailure{kErrorOutputWrite};
  }
}

}  // namespace pdf

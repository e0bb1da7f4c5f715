#pragma once
// The PDF library's single entry object: plain integers and wide strings in and out, a last
// error code instead of exceptions, handles for the results it hands out, the checked
// permission value and progress notification. One instance serves one thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/facade/StringList.h"

namespace pdf {

class TAtomicOutput;
class TByteStream;
class TEncryptionTarget;
class TPDFDictionary;
class TPDFStructure;
class TSmartPDFInfo;
class TSmartPDFReader;

// Codes of the last error.
enum TPDFErrorCode : std::int32_t {
  kErrorNone = 0,
  kErrorInputFile = 401,      // the input does not exist, cannot be opened or reading it failed
  kErrorOutputReplace = 402,  // a file at the output path cannot be replaced
  kErrorOutputWrite = 403,    // creating or writing the output failed
  kErrorPassword = 404,       // encrypted, and the password opens it neither as owner nor as user
  kErrorEncrypted = 406,      // the input is already encrypted
  kErrorStrength = 407,       // strength outside 0..4
  kErrorPermissions = 408,    // the permission value fails its check byte
  kErrorNotPDF = 409,         // no header, or no usable cross-reference data and trailer
  kErrorAuthority = 410,      // the password opens the file but may not remove or change its protection
  kErrorNotEncrypted = 411,   // decryption asked of a file that is not encrypted
  kErrorInflation = 412,      // its object and cross-reference streams inflate past what its size allows
};

// Items of an inspection list that say what encrypting the file changes, after the older ones;
// callers rely on every item keeping its position.
enum TInspectionNoticeItem : std::int32_t {
  kInspectionItemSigned = 44,  // "Yes" or "No": encrypting invalidates its signatures
  kInspectionItemPDFA = 45,    // the PDF/A conformance it claims, such as "PDF/A-1B", or empty
  // What reading the damaged file took, such as "object table rebuilt by scanning the file", or
  // empty for a file read as it stands; its copy is a sound file all the same.
  kInspectionItemRepaired = 46,
  // The /Filter of the file's /Encrypt dictionary, such as "Standard" (or "Adobe.PubSec", which
  // this library cannot open); empty for a file that is not encrypted.
  kInspectionItemSecurityFilter = 47,
  // At 256-bit AES, "Yes" when /Perms, decrypted with the file key, repeats /P and /EncryptMetadata,
  // "No" when it does not: the file opens all the same, but its permissions were
  // changed after it was encrypted or its writer is at fault. Empty where there is nothing to check.
  kInspectionItemPermsAgree = 48,
};

// Number of items of an inspection list.
inline constexpr std::int32_t kInspectionItemCount = kInspectionItemPermsAgree + 1;

class TVelloPDF {
 public:
  using ProgressHandler = std::function<void(std::int32_t percent)>;

  TVelloPDF();
  virtual ~TVelloPDF();
  TVelloPDF(const TVelloPDF&) = delete;
  TVelloPDF& operator=(const TVelloPDF&) = delete;

  // The last error code, which the call resets to 0.
  std::int32_t ErrorCode();
  // Why the last copy (EncryptFileToFile, DecryptFileToFile, ReencryptFileToFile) failed to write,
  // in the words of whatever failed, such as "Cannot write the file: No space left on device";
  // empty when there are none. Kept until the next copy.
  const std::string& LastErrorReason() const { return lastErrorReason_; }
  static std::int32_t BuildPermissionMask(std::int32_t print, std::int32_t copy, std::int32_t change,
                                          std::int32_t annotate, std::int32_t fillForms,
                                          std::int32_t accessibility, std::int32_t assemble,
                                          std::int32_t printHighQuality);
  static bool PermissionMaskIsValid(std::int32_t permissions);

  std::int32_t RegisterHandle(const void* object);
  const void* ResolveHandle(std::int32_t handle) const;
  TVelloPDFStringList* ResolveInspection(std::int32_t handle) const;
  void ReportProgress(std::int32_t percent);

  // The file's inspection list of kInspectionItemCount items, or 0 (see ErrorCode).
  std::int32_t InspectFile(std::u16string_view fileName, std::u16string_view password);
  // What an encrypted file tells without a password that opens it, for showing why InspectFile
  // refused it: a list of the same layout with the path, size, header version, the security filter
  // (item 47) and the security items /Encrypt answers alone (encryption, whether a user password
  // is needed, permissions, level, key length), the others "unknown" or "not applicable"; the
  // document's own items are empty, its strings being encrypted. 0 with kErrorNotEncrypted for a
  // file that is not encrypted, and with the codes of InspectFile for one that cannot be read.
  std::int32_t InspectLockedFile(std::u16string_view fileName);
  std::u16string InspectionItem(std::int32_t handle, std::int32_t index) const;
  std::int32_t ReleaseInspection(std::int32_t handle);

  // What a check of a file opened with a password needs, at a fraction of InspectFile's cost: only
  // the password given is tried (an inspection also tries the empty one, two key derivations at
  // 256-bit AES, the slowest step of opening such a file), and whether it opens the file as owner
  // is asked only with askOwner (one derivation more).
  struct TOpenedFile {
    bool encrypted = false;
    bool asOwner = false;  // asked with askOwner only
    std::uint32_t pages = 0;
    std::string levelStatus;  // inspection item 30, the encryption level status
  };
  // Nothing when the file does not open with the password (see ErrorCode, as for InspectFile).
  std::optional<TOpenedFile> OpenFile(std::u16string_view fileName, std::u16string_view password, bool askOwner);
  // OpenFile with several passwords, the file's cross-reference data read once: each password
  // opens it with a handler and loaded objects of its own, as a reader started afresh would. One
  // result per try; ErrorCode is that of the last one that failed, or of a file that cannot be read
  // at all (every result nothing then).
  struct TPasswordTry {
    std::u16string_view password;
    bool askOwner = false;
  };
  std::vector<std::optional<TOpenedFile>> OpenFileWithEach(std::u16string_view fileName,
                                                           std::span<const TPasswordTry> tries);

  // 1 once the input was accepted for encryption, else 0; ErrorCode 0 means the output is complete.
  std::int32_t EncryptFileToFile(std::u16string_view inputName, std::u16string_view outputName,
                                 std::u16string_view ownerPassword, std::u16string_view userPassword,
                                 std::int32_t strength, std::int32_t permissions);

  // A copy in clear of an encrypted input: no /Encrypt, every string and stream decrypted. The
  // password must open the input as owner, or as user of a file that grants every permission
  // (else kErrorAuthority); an input that is not encrypted fails with kErrorNotEncrypted. 1 once
  // the input was accepted, else 0; ErrorCode 0 means the output is complete.
  std::int32_t DecryptFileToFile(std::u16string_view inputName, std::u16string_view outputName,
                                 std::u16string_view password);
  // EncryptFileToFile for an input that may be encrypted already: currentPassword opens it, with
  // the authority DecryptFileToFile asks for, and the copy is encrypted anew with the passwords,
  // strength and permissions given. An input that is not encrypted is simply encrypted.
  std::int32_t ReencryptFileToFile(std::u16string_view inputName, std::u16string_view outputName,
                                   std::u16string_view currentPassword, std::u16string_view ownerPassword,
                                   std::u16string_view userPassword, std::int32_t strength,
                                   std::int32_t permissions);

  // What the last copy (EncryptFileToFile, DecryptFileToFile, ReencryptFileToFile) had to mend: an object table rebuilt from a scan of the file
  // (its cross-reference data being unusable), objects found elsewhere than the data says (by
  // scanning the file), and objects the data lists that no reading could find, which the copy
  // holds as null.
  struct TCopyRepairs {
    std::size_t relocatedObjects = 0;
    std::size_t unreadableObjects = 0;
    bool rebuiltTable = false;
    bool headerMissing = false;
    bool Any() const { return rebuiltTable || headerMissing || relocatedObjects != 0 || unreadableObjects != 0; }
  };
  // The repairs in words: "no PDF header, object table rebuilt by scanning the file, 2 objects found
  // away from their table offsets, 1 unreadable object written as null"; empty when there were none.
  static std::string RepairWords(const TCopyRepairs& repairs);
  const TCopyRepairs& LastCopyRepairs() const { return lastRepairs_; }
  // The input's page count as the last complete copy read it: a caller checking the copy needs no
  // reading of the input of its own.
  std::uint32_t LastCopyInputPages() const { return lastInputPages_; }
  // What encrypting the last complete copy's input changes beyond who may open it, found while
  // copying it (so a caller need not inspect the input first): its signatures no longer verify,
  // and it is no longer PDF/A. Set for an input in clear that was encrypted; empty otherwise.
  struct TCopyNotices {
    bool signedDocument = false;
    std::string claimedPDFA;  // as "PDF/A-2B"; empty when the input claims none
  };
  const TCopyNotices& LastCopyNotices() const { return lastNotices_; }

  ProgressHandler OnProgress;
  // Whether a copy's folder is synced once the copy has its name. A caller that renames the copy
  // again within the same folder, and syncs the folder after that, turns it off: one sync of the
  // folder then serves both renames.
  bool SyncOutputFolder = true;
  // Whether copies encrypted at 128-bit or 256-bit AES (strengths 2 to 4) keep their catalog's XMP
  // metadata stream readable without a password (/EncryptMetadata false), for search tools and
  // document stores that index it. RC4 cannot say so: its copies encrypt the metadata regardless.
  bool KeepMetadataReadable = false;
  double ProgressScale = 0.0;
  std::int32_t ProgressOffset = 0;
  std::int32_t StepIndex = 1;
  std::int32_t StepCount = 1;

 private:
  // Opens fileName for inspection and hands it to inspect, which returns a handle or 0; 0 with
  // lastError_ set when the file cannot be opened or read.
  template <typename Inspect>
  std::int32_t InspectWith(std::u16string_view fileName, Inspect inspect);
  // A new inspection list, kept until ReleaseInspection, and its handle.
  std::int32_t NewInspection(TVelloPDFStringList*& list);
  void FillInspection(TVelloPDFStringList& list, std::u16string_view fileName, TSmartPDFReader& reader,
                      TSmartPDFInfo& info, std::int64_t fileSize);
  static void FillLockedInspection(TVelloPDFStringList& list, std::u16string_view fileName, TSmartPDFReader& reader,
                                   TSmartPDFInfo& info, std::int64_t fileSize);
  // What a copy does with an encrypted input: refuse it, decrypt it, or take either kind.
  enum class TInputProtection { kRefused, kRequired, kAccepted };
  struct TNewProtection {
    std::u16string_view ownerPassword;
    std::u16string_view userPassword;
    std::int32_t strength;
    std::int32_t permissions;
  };
  TPDFDictionary* BuildEncryptDictionary(TEncryptionTarget& target, TPDFStructure& arena,
                                         const TNewProtection& protection) const;
  struct TCopyRequest {
    TInputProtection input;
    std::u16string_view password;       // opens an encrypted input
    const TNewProtection* protection;  // the copy's encryption; nullptr for a copy in clear
  };
  std::int32_t CopyFile(std::u16string_view inputName, std::u16string_view outputName, const TCopyRequest& request);
  static void CheckInputProtection(TSmartPDFInfo& source, const TCopyRequest& request);
  void CopyProtected(TByteStream& input, TAtomicOutput& output, const TCopyRequest& request, std::int32_t& result);

  std::int32_t lastError_ = kErrorNone;
  std::string lastErrorReason_;
  TCopyRepairs lastRepairs_;
  std::uint32_t lastInputPages_ = 0;
  TCopyNotices lastNotices_;
  std::int32_t lastProgress_ = 0;
  std::vector<std::unique_ptr<TVelloPDFStringList>> inspections_;
  // Slot i holds the object of handle 0x58000000 + i; released slots are cleared, never reused.
  std::vector<const void*> handles_;
};

// The class the application instantiates.
class TCorvanePDFLibrary1013 final : public TVelloPDF {};

}  // namespace pdf

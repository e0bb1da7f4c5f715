// Inspecting a file: page count, encryption, document information and security items.

#include <algorithm>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "pdf/facade/VelloPDF.h"
#include "pdf/io/FileOperations.h"
#include "pdf/io/PDFReader.h"
#include "pdf/objects/TextConversions.h"
#include "pdf/security/DocumentNotices.h"
#include "pdf/security/SecurityInfo.h"

namespace pdf {

namespace {

// Info entries of items 2 to 7, then 10 and 11.
constexpr std::string_view kInfoKeys[] = {"Author", "Title", "Subject", "Keywords", "Creator", "Producer"};

void AddEmpty(TVelloPDFStringList& list, int count) {
  for (int i = 0; i < count; ++i) list.Add(std::string());
}

void AddSecurityItems(TVelloPDFStringList& list, TSmartPDFInfo& info, int first, int last) {
  for (int item = first; item <= last; ++item) list.Add(info.SecurityItemText(item));
}

std::string EncryptionText(TSmartPDFInfo& info) {
  if (info.EncryptionState() == 0) return "None";
  return info.OpenedAsOwner() ? "Owner" : "User";
}

// Reads fileName's cross-reference data once; Unlock then opens it with a password, and may be
// called again with another, each time with a handler and loaded objects of its own.
class TOpenForInspection {
 public:
  TOpenForInspection(std::u16string_view fileName, std::int32_t& error)
      : stream_(OpenWideFileStream(fileName, kFileModeInput)), reader_(*stream_) {
    if (reader_.OpenError() != 0) error = kErrorNotPDF;
  }

  bool Readable() const { return reader_.OpenError() == 0; }

  // withFormFields: the full inspection counts them; a check of a copy needs only the catalog.
  // False, with error set, when the password does not open the file.
  bool Unlock(std::u16string_view password, bool withFormFields, std::int32_t& error) {
    // The previous handler goes first: it unhooks itself from the reader.
    info_.reset();
    // Checked once with the password given: a check of the empty password first would cost two
    // more key derivations at 256-bit AES.
    info_.emplace(reader_, false, password);
    if (info_->EncryptionState() != 0 && (info_->EncryptionState() != 1 || !info_->CheckPassword(password))) {
      error = kErrorPassword;
      info_.reset();
      return false;
    }
    // Loads the catalog too.
    info_->SetPassword(password);
    if (withFormFields) info_->LoadFormFields();
    return true;
  }

  // The file's security state without a password: what /Encrypt tells by itself.
  TSmartPDFInfo& Locked() {
    info_.reset();
    info_.emplace(reader_, false, u"");
    return *info_;
  }

  TSmartPDFReader& Reader() { return reader_; }
  TSmartPDFInfo& Info() { return *info_; }
  std::int64_t Size() const { return stream_->Size(); }

 private:
  std::unique_ptr<TVelloPDFWideFileStream> stream_;
  TSmartPDFReader reader_;
  std::optional<TSmartPDFInfo> info_;
};

constexpr std::int32_t kSecurityItemLevel = 10;

// Whether /Perms agrees with /P, where the file has one to check.
std::string PermsAgreeText(TSmartPDFInfo& info) {
  if (info.EncryptionState() != 1 || info.EncryptRecord().Revision < 5) return {};
  return info.Handler().PermsAgree() ? "Yes" : "No";
}

}  // namespace

template <typename Inspect>
std::int32_t TVelloPDF::InspectWith(std::u16string_view fileName, Inspect inspect) {
  lastError_ = kErrorNone;
  if (!WideFileExists(fileName)) {
    lastError_ = kErrorInputFile;
    return 0;
  }
  try {
    TOpenForInspection file(fileName, lastError_);
    return file.Readable() ? inspect(file) : 0;
  } catch (...) {
    lastError_ = kErrorInputFile;
  }
  return 0;
}

std::int32_t TVelloPDF::NewInspection(TVelloPDFStringList*& list) {
  auto owned = std::make_unique<TVelloPDFStringList>();
  list = owned.get();
  inspections_.push_back(std::move(owned));
  return RegisterHandle(list);
}

std::int32_t TVelloPDF::InspectFile(std::u16string_view fileName, std::u16string_view password) {
  return InspectWith(fileName, [&](TOpenForInspection& file) -> std::int32_t {
    if (!file.Unlock(password, true, lastError_)) return 0;
    TVelloPDFStringList* items = nullptr;
    const std::int32_t handle = NewInspection(items);
    FillInspection(*items, fileName, file.Reader(), file.Info(), file.Size());
    return handle;
  });
}

std::int32_t TVelloPDF::InspectLockedFile(std::u16string_view fileName) {
  return InspectWith(fileName, [&](TOpenForInspection& file) -> std::int32_t {
    TSmartPDFInfo& info = file.Locked();
    if (info.EncryptionState() == 0) {
      lastError_ = kErrorNotEncrypted;
      return 0;
    }
    TVelloPDFStringList* items = nullptr;
    const std::int32_t handle = NewInspection(items);
    FillLockedInspection(*items, fileName, file.Reader(), info, file.Size());
    return handle;
  });
}

std::optional<TVelloPDF::TOpenedFile> TVelloPDF::OpenFile(std::u16string_view fileName, std::u16string_view password,
                                                         bool askOwner) {
  const TPasswordTry tries[] = {{password, askOwner}};
  return std::move(OpenFileWithEach(fileName, tries).front());
}

std::vector<std::optional<TVelloPDF::TOpenedFile>> TVelloPDF::OpenFileWithEach(std::u16string_view fileName,
                                                                              std::span<const TPasswordTry> tries) {
  lastError_ = kErrorNone;
  std::vector<std::optional<TOpenedFile>> results(tries.size());
  if (!WideFileExists(fileName)) {
    lastError_ = kErrorInputFile;
    return results;
  }
  try {
    TOpenForInspection file(fileName, lastError_);
    if (!file.Readable()) return results;
    for (std::size_t i = 0; i < tries.size(); ++i) {
      if (!file.Unlock(tries[i].password, false, lastError_)) continue;
      TSmartPDFInfo& info = file.Info();
      TOpenedFile& opened = results[i].emplace();
      opened.encrypted = info.EncryptionState() != 0;
      opened.asOwner = tries[i].askOwner && opened.encrypted && info.OpenedAsOwner();
      opened.pages = info.NumberOfPages();
      opened.levelStatus = info.SecurityItemText(kSecurityItemLevel);
    }
  } catch (...) {
    lastError_ = kErrorInputFile;
    std::fill(results.begin(), results.end(), std::nullopt);
  }
  return results;
}

void TVelloPDF::FillInspection(TVelloPDFStringList& list, std::u16string_view fileName, TSmartPDFReader& reader,
                               TSmartPDFInfo& info, std::int64_t fileSize) {
  list.Add(UnicodeToUTF8(WideFullPathName(fileName)));
  // The full size: a file beyond 2 GiB must not read as a negative number.
  list.Add(std::to_string(fileSize));
  for (const std::string_view key : kInfoKeys) list.Add(UnicodeToUTF8(info.InfoString(key)));
  list.Add(info.HeaderVersion());
  list.Add(std::to_string(info.NumberOfPages()));
  list.Add(UnicodeToUTF8(info.InfoString("CreationDate")));
  list.Add(UnicodeToUTF8(info.InfoString("ModDate")));
  AddEmpty(list, 1);
  list.Add(EncryptionText(info));
  const bool rights = info.HasUsageRights();
  list.Add(rights ? "Yes" : "No");
  list.Add(rights ? UnicodeToUTF8(info.UsageRightsName()) : std::string());
  AddEmpty(list, 4);
  AddSecurityItems(list, info, 0, 10);
  list.Add(std::to_string(info.NumberOfFields()));
  AddEmpty(list, 9);
  AddSecurityItems(list, info, 11, 13);
  list.Add(IsSignedDocument(reader, info) ? "Yes" : "No");
  list.Add(ClaimedPDFA(reader, info));
  // Nothing is written by an inspection: objects no reading could find are not counted as nulls.
  list.Add(RepairWords(TCopyRepairs{reader.RelocatedObjects(), 0, reader.Rebuilt(), reader.HeaderMissing()}));
  list.Add(info.SecurityFilter());
  list.Add(PermsAgreeText(info));
}

void TVelloPDF::FillLockedInspection(TVelloPDFStringList& list, std::u16string_view fileName, TSmartPDFReader& reader,
                                     TSmartPDFInfo& info, std::int64_t fileSize) {
  list.Add(UnicodeToUTF8(WideFullPathName(fileName)));
  list.Add(std::to_string(fileSize));
  AddEmpty(list, 6);
  list.Add(info.HeaderVersion());
  AddEmpty(list, 11);
  AddSecurityItems(list, info, 0, 10);
  AddEmpty(list, 10);
  AddSecurityItems(list, info, 11, 13);
  AddEmpty(list, 2);
  list.Add(RepairWords(TCopyRepairs{reader.RelocatedObjects(), 0, reader.Rebuilt(), reader.HeaderMissing()}));
  list.Add(info.SecurityFilter());
  // /Perms needs the file key.
  AddEmpty(list, 1);
}

}  // namespace pdf

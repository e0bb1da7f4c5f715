// Inspecting a file: page count, encryption, document information and security items.

#include <string>

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

}  // namespace

std::int32_t TVelloPDF::InspectFile(std::u16string_view fileName, std::u16string_view password) {
  lastError_ = kErrorNone;
  if (!WideFileExists(fileName)) {
    lastError_ = kErrorInputFile;
    return 0;
  }
  std::int32_t handle = 0;
  try {
    const auto stream = OpenWideFileStream(fileName, kFileModeInput);
    const std::int64_t size = stream->Size();
    TSmartPDFReader reader(*stream);
    if (reader.OpenError() != 0) {
      lastError_ = kErrorNotPDF;
      return 0;
    }
    TSmartPDFInfo info(reader, false, u"");
    if (info.EncryptionState() != 0 && (info.EncryptionState() != 1 || !info.CheckPassword(password))) {
      lastError_ = kErrorPassword;
      return 0;
    }
    info.SetPassword(password);
    info.LoadDocument();
    auto list = std::make_unique<TVelloPDFStringList>();
    TVelloPDFStringList& items = *list;
    inspections_.push_back(std::move(list));
    handle = RegisterHandle(&items);
    FillInspection(items, fileName, reader, info, size);
  } catch (...) {
    lastError_ = kErrorInputFile;
  }
  return handle;
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
  list.Add(RepairWords(TCopyRepairs{reader.RelocatedObjects(), 0, reader.Rebuilt()}));
}

}  // namespace pdf

#include "cli/InspectCommand.h"

#include <array>
#include <algorithm>
#include <iostream>
#include <optional>
#include <string_view>

#include "app/core/PasswordList.h"
#include "cli/Inspection.h"
#include "cli/JobSettings.h"
#include "cli/JsonWriter.h"
#include "cli/PasswordSource.h"
#include "cli/SecurityWords.h"
#include "cli/Utf8Text.h"
#include "pdf/objects/TextConversions.h"

namespace cli {

namespace {

// Why a file could not be inspected; for an encrypted file that no password given opens, what its
// /Encrypt tells without one.
struct TFailedInspection {
  std::int32_t Error = pdf::kErrorNone;
  bool PasswordGiven = false;
  std::optional<TInspection> Locked;
};

TFailedInspection Failure(pdf::TVelloPDF& library, const std::string& file, std::int32_t error, bool passwordGiven) {
  TFailedInspection failed{error, passwordGiven, std::nullopt};
  if (error != pdf::kErrorPassword) return failed;
  TInspection locked = InspectLocked(library, file);
  if (locked.Error == pdf::kErrorNone) failed.Locked = std::move(locked);
  return failed;
}

struct TTextItem {
  int Index;
  std::string_view Key;    // JSON key
  std::string_view Label;  // text output label
  bool IsNumber;
};

// The document items in output order; the empty reserved items of the list are left out.
constexpr std::array<TTextItem, 15> kDocumentItems = {{
    {kItemPath, "path", "Path", false},
    {kItemSize, "size", "Size (bytes)", true},
    {kItemVersion, "pdf_version", "PDF version", false},
    {kItemPages, "pages", "Pages", true},
    {kItemEncryption, "encryption", "Encryption", false},
    {kItemTitle, "title", "Title", false},
    {kItemAuthor, "author", "Author", false},
    {kItemSubject, "subject", "Subject", false},
    {kItemKeywords, "keywords", "Keywords", false},
    {kItemCreator, "creator", "Creator", false},
    {kItemProducer, "producer", "Producer", false},
    {kItemCreationDate, "creation_date", "Created", false},
    {kItemModDate, "modification_date", "Modified", false},
    {kItemFormFields, "form_fields", "Form fields", true},
    {kItemUsageRightsName, "usage_rights_name", "Usage rights name", false},
}};

constexpr std::size_t kLabelWidth = 36;

std::string CodeText(const std::string& item) {
  const std::optional<std::int64_t> code = ItemNumber(item);
  return code ? SecurityCodeWords(static_cast<int>(*code)) : "unreadable value '" + item + "'";
}

void PrintLine(std::ostream& out, std::size_t indent, std::string_view label, const std::string& value) {
  std::string line = std::string(indent, ' ') + std::string(label) + ":";
  if (!value.empty()) line += std::string(kLabelWidth - std::min(line.size(), kLabelWidth - 1), ' ') + TerminalText(value);
  out << line << '\n';
}

bool IsEncrypted(const TInspection& inspection) { return ItemNumber(inspection.Item(kSecurityItems[0].ListIndex)) == 1; }

// The RC4 key length item: it holds bits only for a file encrypted with RC4 (0 at AES); otherwise
// the library puts a status code there, which must not read as a number of bits.
std::optional<std::int64_t> RC4KeyBits(const TInspection& inspection) {
  const std::optional<std::int64_t> bits =
      IsEncrypted(inspection) ? ItemNumber(inspection.Item(kSecurityItems[13].ListIndex)) : std::nullopt;
  return bits && *bits > 0 ? bits : std::nullopt;
}

// The key length at every level, from the level item (and the RC4 key length where RC4 keys of
// other lengths have one level code for all).
std::optional<std::int64_t> KeyBits(const TInspection& inspection) {
  if (!IsEncrypted(inspection)) return std::nullopt;
  switch (ItemNumber(inspection.Item(kSecurityItems[10].ListIndex)).value_or(0)) {
    case 7: return 40;
    case 8:
    case 12: return 128;
    case 13:
    case 15: return 256;
    default: return RC4KeyBits(inspection);
  }
}

// The filter of /Encrypt ("Standard"), or nothing for a file that is not encrypted.
std::optional<std::string_view> SecurityFilter(const TInspection& inspection) {
  const std::string& filter = inspection.Item(kItemSecurityFilter);
  return filter.empty() ? std::nullopt : std::optional<std::string_view>(filter);
}

// Whether /Perms agrees with /P; nothing where there is none to check.
std::optional<bool> PermsAgree(const TInspection& inspection) {
  const std::string& agree = inspection.Item(kItemPermsAgree);
  return agree.empty() ? std::nullopt : std::optional<bool>(agree == "Yes");
}

std::string BitsText(std::optional<std::int64_t> bits) { return bits ? std::to_string(*bits) : "not applicable"; }

// The two items that say what encrypting the file changes.
bool IsSigned(const TInspection& inspection) { return inspection.Item(kItemSigned) == "Yes"; }
std::optional<std::string_view> PDFAClaim(const TInspection& inspection) {
  const std::string& claim = inspection.Item(kItemPDFA);
  return claim.empty() ? std::nullopt : std::optional<std::string_view>(claim);
}

// What reading a damaged file took; nothing for a file read as it stands.
std::optional<std::string_view> Repairs(const TInspection& inspection) {
  const std::string& repairs = inspection.Item(kItemRepaired);
  return repairs.empty() ? std::nullopt : std::optional<std::string_view>(repairs);
}

void PrintSecurity(std::ostream& out, const TInspection& inspection) {
  out << "  Security:\n";
  PrintLine(out, 4, "Security handler", std::string(SecurityFilter(inspection).value_or("none")));
  for (const TSecurityItem& item : kSecurityItems) {
    const std::string& value = inspection.Item(item.ListIndex);
    if (item.IsCode) {
      PrintLine(out, 4, item.Label, CodeText(value) + " (" + value + ")");
    } else {
      PrintLine(out, 4, item.Label, BitsText(RC4KeyBits(inspection)));
    }
  }
  PrintLine(out, 4, "Key length (bits)", BitsText(KeyBits(inspection)));
  if (const std::optional<bool> agree = PermsAgree(inspection)) {
    PrintLine(out, 4, "/Perms agrees with /P", *agree ? "yes" : "no: the permissions were changed after encryption");
  }
}

void PrintText(std::ostream& out, const std::string& file, const TInspection& inspection) {
  out << TerminalText(file) << '\n';
  for (const TTextItem& item : kDocumentItems) {
    if (item.Index == kItemUsageRightsName) {
      PrintLine(out, 2, "Usage rights", inspection.Item(kItemUsageRights));
      if (inspection.Item(kItemUsageRights) != "Yes") continue;
    }
    PrintLine(out, 2, item.Label, inspection.Item(item.Index));
  }
  PrintLine(out, 2, "Signed", IsSigned(inspection) ? "Yes" : "No");
  PrintLine(out, 2, "PDF/A claim", std::string(PDFAClaim(inspection).value_or("none")));
  PrintLine(out, 2, "Repaired", std::string(Repairs(inspection).value_or("no")));
  PrintSecurity(out, inspection);
}

TJsonObject SecurityJson(const TInspection& inspection) {
  TJsonObject security;
  for (const TSecurityItem& item : kSecurityItems) {
    const std::string& value = inspection.Item(item.ListIndex);
    if (!item.IsCode) {
      security.AddNumber(item.Key, RC4KeyBits(inspection));
      continue;
    }
    const std::optional<std::int64_t> code = ItemNumber(value);
    TJsonObject entry;
    entry.AddNumber("code", code).AddString("meaning", CodeText(value));
    security.AddObject(item.Key, entry);
  }
  security.AddNumber("key_bits", KeyBits(inspection));
  security.AddStringOrNull("filter", SecurityFilter(inspection));
  const std::optional<bool> agree = PermsAgree(inspection);
  if (agree) {
    security.AddBool("perms_agree", *agree);
  } else {
    security.AddStringOrNull("perms_agree", std::nullopt);
  }
  return security;
}

std::string JsonLine(const std::string& file, const TInspection& inspection) {
  TJsonObject object;
  object.AddString("input", file);
  for (const TTextItem& item : kDocumentItems) {
    if (item.Index == kItemUsageRightsName) object.AddBool("usage_rights", inspection.Item(kItemUsageRights) == "Yes");
    const std::string& value = inspection.Item(item.Index);
    if (item.IsNumber) {
      object.AddNumber(item.Key, ItemNumber(value));
    } else {
      object.AddString(item.Key, value);
    }
  }
  object.AddBool("signed", IsSigned(inspection)).AddStringOrNull("pdfa", PDFAClaim(inspection));
  object.AddStringOrNull("repaired", Repairs(inspection));
  object.AddObject("security", SecurityJson(inspection));
  return object.Text();
}

// A failure in words: without a password, an encrypted file needs one rather than refusing it.
std::string FailureWords(const TFailedInspection& failed) { return ErrorWords(failed.Error, failed.PasswordGiven); }

std::string JsonFailureLine(const std::string& file, const TFailedInspection& failed) {
  TJsonObject failure;
  failure.AddNumber("code", failed.Error).AddString("meaning", FailureWords(failed));
  TJsonObject line;
  line.AddString("input", file).AddObject("error", failure);
  if (failed.Locked) {
    line.AddString("pdf_version", failed.Locked->Item(kItemVersion));
    line.AddObject("security", SecurityJson(*failed.Locked));
  }
  return line.Text();
}

void PrintFailure(std::ostream& out, const std::string& file, const TFailedInspection& failed) {
  out << TerminalText(file) << ": Failed! " << FailureWords(failed) << '\n';
  if (!failed.Locked) return;
  PrintLine(out, 2, "PDF version", failed.Locked->Item(kItemVersion));
  PrintSecurity(out, *failed.Locked);
}

// The file inspected with the first password of its ledger lines that opens it as owner, else the
// first that opens it; without a line that opens it, the inspection without a password.
TInspection InspectWithLedger(pdf::TVelloPDF& library, const std::string& file, const ombrelt::app::TPasswordList& ledger) {
  std::optional<TInspection> opened;
  for (const std::u16string& password : ledger.PasswordsFor(pdf::UTF8ToUnicode(FullPath(file)))) {
    TInspection inspection = Inspect(library, file, pdf::UnicodeToUTF8(password));
    if (inspection.Error != pdf::kErrorNone) continue;
    if (inspection.Item(kItemEncryption) == "Owner") return inspection;
    if (!opened) opened = std::move(inspection);
  }
  return opened ? *opened : Inspect(library, file, "");
}

// Whether any password was tried on the file: the one given, or a line of the ledger naming it.
bool PasswordGiven(const std::string& file, const std::string& password,
                   const std::optional<ombrelt::app::TPasswordList>& ledger) {
  if (!ledger) return !password.empty();
  return !ledger->PasswordsFor(pdf::UTF8ToUnicode(FullPath(file))).empty();
}

std::optional<ombrelt::app::TPasswordList> ReadLedger(const TInspectSettings& settings) {
  if (settings.Ledger.empty()) return std::nullopt;
  try {
    return ombrelt::app::TPasswordList(pdf::UTF8ToUnicode(FullPath(settings.Ledger)), ombrelt::app::TListUse::kLedger);
  } catch (const ombrelt::app::EBatchJobError& error) {
    throw TPasswordError(error.what());
  }
}

}  // namespace

int RunInspect(const TInspectSettings& settings) {
  const std::string password = ReadPassword(settings.Password, std::cin);
  const std::optional<ombrelt::app::TPasswordList> ledger = ReadLedger(settings);
  pdf::TCorvanePDFLibrary1013 library;
  bool anyFailed = false;
  bool first = true;
  for (const std::string& file : settings.Files) {
    const TInspection inspection = ledger ? InspectWithLedger(library, file, *ledger) : Inspect(library, file, password);
    const bool failed = inspection.Error != pdf::kErrorNone;
    anyFailed = anyFailed || failed;
    const auto failure = [&] { return Failure(library, file, inspection.Error, PasswordGiven(file, password, ledger)); };
    if (settings.Json) {
      std::cout << (failed ? JsonFailureLine(file, failure()) : JsonLine(file, inspection)) << '\n';
    } else {
      if (!first) std::cout << '\n';
      if (failed) {
        PrintFailure(std::cout, file, failure());
      } else {
        PrintText(std::cout, file, inspection);
      }
    }
    first = false;
  }
  std::cout.flush();
  return anyFailed ? 1 : 0;
}

}  // namespace cli

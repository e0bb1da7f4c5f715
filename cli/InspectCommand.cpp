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

// The RC4 key length item: it holds bits only for an encrypted file; otherwise the library puts a
// status code there, which must not read as a number of bits.
std::optional<std::int64_t> RC4KeyBits(const TInspection& inspection) {
  const bool encrypted = ItemNumber(inspection.Item(kSecurityItems[0].ListIndex)) == 1;
  return encrypted ? ItemNumber(inspection.Item(kSecurityItems[13].ListIndex)) : std::nullopt;
}

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
  out << "  Security:\n";
  for (const TSecurityItem& item : kSecurityItems) {
    const std::string& value = inspection.Item(item.ListIndex);
    if (item.IsCode) {
      PrintLine(out, 4, item.Label, CodeText(value) + " (" + value + ")");
    } else {
      const std::optional<std::int64_t> bits = RC4KeyBits(inspection);
      PrintLine(out, 4, item.Label, bits && *bits > 0 ? std::to_string(*bits) : "not applicable");
    }
  }
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
  object.AddObject("security", security);
  return object.Text();
}

std::string JsonFailureLine(const std::string& file, std::int32_t error) {
  TJsonObject failure;
  failure.AddNumber("code", error).AddString("meaning", ErrorWords(error));
  return TJsonObject().AddString("input", file).AddObject("error", failure).Text();
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
    if (settings.Json) {
      std::cout << (failed ? JsonFailureLine(file, inspection.Error) : JsonLine(file, inspection)) << '\n';
    } else {
      if (!first) std::cout << '\n';
      if (failed) {
        std::cout << TerminalText(file) << ": Failed! " << ErrorWords(inspection.Error) << '\n';
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

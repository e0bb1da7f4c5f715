#include "app/core/PasswordList.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>

#include "app/core/BatchSettings.h"
#include "pdf/io/FileOperations.h"
#include "pdf/objects/TextConversions.h"

namespace ombrelt::app {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// The columns of a record in the password file's order.
enum TColumn : std::size_t { kFileName, kOpenPassword, kOwnerPassword, kFilePath, kColumnCount };
constexpr std::array<std::string_view, kColumnCount> kHeader = {"File Name", "Open Password", "Owner Password",
                                                                 "File Path"};

bool IsWellFormedUTF8(std::string_view bytes) {
  return pdf::UnicodeToUTF8(pdf::UTF8ToUnicode(bytes)) == bytes;
}

// Where each column is in the records: the header's order when the list starts with one (a list
// may leave out "File Path" or order its columns otherwise), else the password file's.
std::array<std::optional<std::size_t>, kColumnCount> ColumnPositions(const std::vector<std::string>& first,
                                                                      bool& hasHeader) {
  std::array<std::optional<std::size_t>, kColumnCount> positions;
  for (std::size_t column = 0; column < kColumnCount; ++column) {
    const auto at = std::find(first.begin(), first.end(), kHeader[column]);
    if (at != first.end()) positions[column] = static_cast<std::size_t>(at - first.begin());
  }
  hasHeader = positions[kFileName].has_value() || positions[kFilePath].has_value();
  if (!hasHeader) {
    for (std::size_t column = 0; column < kColumnCount; ++column) positions[column] = column;
  }
  return positions;
}

TPasswordRecord RecordOf(const std::vector<std::string>& fields,
                         const std::array<std::optional<std::size_t>, kColumnCount>& positions) {
  const bool utf8 = std::all_of(fields.begin(), fields.end(), [](const std::string& f) { return IsWellFormedUTF8(f); });
  const auto field = [&](TColumn column) {
    const std::optional<std::size_t> at = positions[column];
    if (!at || *at >= fields.size()) return std::u16string();
    // Only UTF-8 lines can come from a password file that guards formulas (FormulaGuarded).
    return utf8 ? pdf::UTF8ToUnicode(FormulaUnguarded(fields[*at])) : pdf::Windows1252ToUnicode(fields[*at]);
  };
  return {field(kFileName), field(kOpenPassword), field(kOwnerPassword), field(kFilePath)};
}

// One field from text[at] on; at ends on the character after it.
std::string Field(std::string_view text, std::size_t& at) {
  std::string field;
  if (at < text.size() && text[at] == '"') {
    for (++at; at < text.size(); ++at) {
      if (text[at] != '"') {
        field += text[at];
      } else if (at + 1 < text.size() && text[at + 1] == '"') {
        field += '"';
        ++at;
      } else {
        ++at;
        break;
      }
    }
  }
  // Unquoted text, or what follows a closing quote before the separator, is kept as it stands.
  while (at < text.size() && text[at] != ',' && text[at] != '\n' && text[at] != '\r') field += text[at++];
  return field;
}

}  // namespace

std::vector<std::vector<std::string>> ParseCsv(std::string_view text) {
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  std::vector<std::vector<std::string>> records;
  std::size_t at = 0;
  while (at < text.size()) {
    std::vector<std::string> record;
    for (;;) {
      record.push_back(Field(text, at));
      if (at < text.size() && text[at] == ',') {
        ++at;
        continue;
      }
      break;
    }
    if (at < text.size() && text[at] == '\r') ++at;
    if (at < text.size() && text[at] == '\n') ++at;
    // Blank lines (an editor's last line) hold no record.
    if (!(record.size() == 1 && record.front().empty())) records.push_back(std::move(record));
  }
  return records;
}

TPasswordList::TPasswordList(std::u16string_view path) : path_(path) {
  const std::optional<std::string> native = pdf::NativePath(path);
  std::ifstream file;
  if (native) file.open(*native, std::ios::binary);
  if (!file) {
    const std::string name = native ? *native : pdf::UnicodeToUTF8(path);
    throw EBatchJobError("The password list \"" + name + "\" cannot be read: " + std::strerror(errno));
  }
  const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  Read(text);
}

TPasswordList::TPasswordList(std::u16string_view path, std::string_view text) : path_(path) { Read(text); }

void TPasswordList::Read(std::string_view text) {
  const std::vector<std::vector<std::string>> rows = ParseCsv(text);
  if (rows.empty()) return;
  bool hasHeader = false;
  const auto positions = ColumnPositions(rows.front(), hasHeader);
  givesOpen_ = positions[kOpenPassword].has_value();
  givesOwner_ = positions[kOwnerPassword].has_value();
  for (std::size_t i = hasHeader ? 1 : 0; i < rows.size(); ++i) {
    // A batch appends a header only to an empty file; one found further on (two files joined) is no record.
    if (rows[i].size() > kFilePath && rows[i][0] == kHeader[0] && rows[i][1] == kHeader[1]) continue;
    records_.push_back(RecordOf(rows[i], positions));
  }
}

std::vector<TPasswordRecord> TPasswordList::LinesFor(std::u16string_view inputPath, TNameMatch match) const {
  std::vector<TPasswordRecord> byPath;
  std::vector<TPasswordRecord> byName;
  std::vector<TPasswordRecord> byStart;
  const std::u16string name = BaseName(inputPath);
  for (auto record = records_.rbegin(); record != records_.rend(); ++record) {
    if (!record->filePath.empty() && record->filePath == inputPath) {
      byPath.push_back(*record);
    } else if (!record->fileName.empty() && record->fileName == name) {
      byName.push_back(*record);
    } else if (match == TNameMatch::kEqualOrStart && !record->fileName.empty() && name.starts_with(record->fileName)) {
      byStart.push_back(*record);
    }
  }
  if (!byPath.empty()) return byPath;
  byName.insert(byName.end(), byStart.begin(), byStart.end());
  return byName;
}

std::vector<std::u16string> TPasswordList::PasswordsFor(std::u16string_view inputPath) const {
  std::vector<std::u16string> passwords;
  const auto add = [&passwords](const std::u16string& password) {
    if (std::find(passwords.begin(), passwords.end(), password) == passwords.end()) passwords.push_back(password);
  };
  for (const TPasswordRecord& line : LinesFor(inputPath)) {
    add(line.ownerPassword);
    add(line.openPassword);
  }
  return passwords;
}

}  // namespace ombrelt::app

#include "app/core/PasswordList.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>

#include "app/core/BatchSettings.h"
#include "app/core/BatchValidation.h"
#include "pdf/io/FileOperations.h"
#include "pdf/objects/TextConversions.h"

namespace ombrelt::app {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// The columns of a record in the password file's order.
enum TColumn : std::size_t { kFileName, kOpenPassword, kOwnerPassword, kFilePath, kColumnCount };
constexpr std::array<std::string_view, kColumnCount> kHeader = {"File Name", "Open Password", "Owner Password",
                                                                 "File Path"};
using TPositions = std::array<std::optional<std::size_t>, kColumnCount>;

// Walks CSV text record by record, counting lines and noting the first flaw of each record.
class TCsvCursor {
 public:
  explicit TCsvCursor(std::string_view text) : text_(text) {}

  bool AtEnd() const { return at_ >= text_.size(); }

  TCsvRecord NextRecord() {
    TCsvRecord record;
    record.line = line_;
    for (;;) {
      record.fields.push_back(At('"') ? QuotedField(record) : UnquotedField(record, {}));
      if (!At(',')) break;
      ++at_;
    }
    EndLine();
    return record;
  }

 private:
  bool At(char c) const { return at_ < text_.size() && text_[at_] == c; }
  bool AtFieldEnd() const { return AtEnd() || At(',') || At('\r') || At('\n'); }

  static void Note(TCsvRecord& record, std::size_t line, std::string_view what) {
    if (!record.flaw.empty()) return;
    record.flaw = what;
    record.flawLine = line;
  }

  std::string QuotedField(TCsvRecord& record) {
    const std::size_t opened = line_;
    std::string field;
    for (++at_;; ++at_) {
      if (AtEnd()) {
        Note(record, opened, "a quote opened on this line is never closed");
        return field;
      }
      if (text_[at_] == '\n') ++line_;
      if (text_[at_] != '"') {
        field += text_[at_];
      } else if (at_ + 1 < text_.size() && text_[at_ + 1] == '"') {
        field += '"';
        ++at_;
      } else {
        ++at_;
        break;
      }
    }
    if (AtFieldEnd()) return field;
    // A quote left open swallows the line end and closes on a later line's first quote; the text
    // after it is where that shows.
    if (line_ != opened) {
      Note(record, opened, "a quote opened on this line is not closed before the line ends");
    } else {
      Note(record, line_, "text follows a closing quote");
    }
    return UnquotedField(record, std::move(field));
  }

  // Unquoted text, or what follows a closing quote before the separator, is kept as it stands.
  std::string UnquotedField(TCsvRecord& record, std::string field) {
    for (; !AtFieldEnd(); ++at_) {
      if (text_[at_] == '"') Note(record, line_, "a double quote stands in a field that does not start with one");
      field += text_[at_];
    }
    return field;
  }

  void EndLine() {
    const std::size_t start = at_;
    if (At('\r')) ++at_;
    if (At('\n')) ++at_;
    if (at_ != start) ++line_;
  }

  std::string_view text_;
  std::size_t at_ = 0;
  std::size_t line_ = 1;
};

bool IsWellFormedUTF8(std::string_view bytes) {
  return pdf::UnicodeToUTF8(pdf::UTF8ToUnicode(bytes)) == bytes;
}

// Where each column is in the records: the header's order when the list starts with one (a list
// may leave out "File Path" or order its columns otherwise), else the password file's.
TPositions ColumnPositions(const std::vector<std::string>& first, bool& hasHeader) {
  TPositions positions;
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

TPasswordRecord RecordOf(const std::vector<std::string>& fields, const TPositions& positions) {
  const bool utf8 = std::all_of(fields.begin(), fields.end(), [](const std::string& f) { return IsWellFormedUTF8(f); });
  const auto field = [&](TColumn column) {
    const std::optional<std::size_t> at = positions[column];
    if (!at || *at >= fields.size()) return std::u16string();
    // Only UTF-8 lines can come from a password file that guards formulas (FormulaGuarded).
    return utf8 ? pdf::UTF8ToUnicode(FormulaUnguarded(fields[*at])) : pdf::Windows1252ToUnicode(fields[*at]);
  };
  return {field(kFileName), field(kOpenPassword), field(kOwnerPassword), field(kFilePath)};
}

// A batch appends a header only to an empty file; one found further on (two files joined) is no record.
bool IsRepeatedHeader(const std::vector<std::string>& fields) {
  return fields.size() > kFilePath && fields[0] == kHeader[0] && fields[1] == kHeader[1];
}

std::string FieldCount(std::size_t count) { return std::to_string(count) + (count == 1 ? " field" : " fields"); }

// What makes a line of a list of new passwords unusable, or nothing. headerFields is 0 for a list
// without a header, whose lines hold the password file's columns, "File Path" optional.
std::optional<std::string> LineFault(const TCsvRecord& row, std::size_t headerFields, const TPasswordRecord& record) {
  const std::size_t count = row.fields.size();
  if (headerFields != 0 && count != headerFields) {
    return "it has " + FieldCount(count) + " where the header has " + std::to_string(headerFields);
  }
  if (headerFields == 0 && (count < kFilePath || count > kColumnCount)) {
    return "it has " + FieldCount(count) +
           " where a list without a header has 3 or 4 (name, open password, owner password, path)";
  }
  if (const auto fault = NewPasswordFault(record.openPassword)) {
    return "its open password " + pdf::UnicodeToUTF8(*fault);
  }
  if (const auto fault = NewPasswordFault(record.ownerPassword)) {
    return "its owner password " + pdf::UnicodeToUTF8(*fault);
  }
  return std::nullopt;
}

}  // namespace

std::vector<TCsvRecord> ReadCsvRecords(std::string_view text) {
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  std::vector<TCsvRecord> records;
  TCsvCursor cursor(text);
  while (!cursor.AtEnd()) {
    TCsvRecord record = cursor.NextRecord();
    // Blank lines (an editor's last line) hold no record.
    const bool blank = record.fields.size() == 1 && record.fields.front().empty() && record.flaw.empty();
    if (!blank) records.push_back(std::move(record));
  }
  return records;
}

std::vector<std::vector<std::string>> ParseCsv(std::string_view text) {
  std::vector<std::vector<std::string>> rows;
  for (TCsvRecord& record : ReadCsvRecords(text)) rows.push_back(std::move(record.fields));
  return rows;
}

TPasswordList::TPasswordList(std::u16string_view path, TListUse use) : path_(path) {
  const std::optional<std::string> native = pdf::NativePath(path);
  std::ifstream file;
  if (native) file.open(*native, std::ios::binary);
  if (!file) {
    const std::string name = native ? *native : pdf::UnicodeToUTF8(path);
    throw EBatchJobError("The password list \"" + name + "\" cannot be read: " + std::strerror(errno));
  }
  const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  Read(text, use);
}

TPasswordList::TPasswordList(std::u16string_view path, std::string_view text, TListUse use) : path_(path) {
  Read(text, use);
}

void TPasswordList::Read(std::string_view text, TListUse use) {
  const std::vector<TCsvRecord> rows = ReadCsvRecords(text);
  if (rows.empty()) return;
  bool hasHeader = false;
  const TPositions positions = ColumnPositions(rows.front().fields, hasHeader);
  givesOpen_ = positions[kOpenPassword].has_value();
  givesOwner_ = positions[kOwnerPassword].has_value();
  const bool strict = use == TListUse::kNewPasswords;
  if (strict && hasHeader && !rows.front().flaw.empty()) Refuse(rows.front().flawLine, rows.front().flaw);
  for (std::size_t i = hasHeader ? 1 : 0; i < rows.size(); ++i) {
    const TCsvRecord& row = rows[i];
    if (IsRepeatedHeader(row.fields)) continue;
    TPasswordRecord record = RecordOf(row.fields, positions);
    if (strict) {
      if (!row.flaw.empty()) Refuse(row.flawLine, row.flaw);
      const std::size_t headerFields = hasHeader ? rows.front().fields.size() : 0;
      if (const auto fault = LineFault(row, headerFields, record)) Refuse(row.line, *fault);
    }
    records_.push_back(std::move(record));
    lines_.push_back(row.line);
  }
}

void TPasswordList::Refuse(std::size_t line, const std::string& what) const {
  throw EBatchJobError("The password list \"" + pdf::UnicodeToUTF8(path_) + "\" cannot be used: line " +
                       std::to_string(line) + ": " + what);
}

std::vector<std::size_t> TPasswordList::IndicesFor(std::u16string_view inputPath, TNameMatch match) const {
  std::vector<std::size_t> byPath;
  std::vector<std::size_t> byName;
  std::vector<std::size_t> byStart;
  const std::u16string name = BaseName(inputPath);
  for (std::size_t i = records_.size(); i-- > 0;) {
    const TPasswordRecord& record = records_[i];
    if (!record.filePath.empty() && record.filePath == inputPath) {
      byPath.push_back(i);
    } else if (!record.fileName.empty() && record.fileName == name) {
      byName.push_back(i);
    } else if (match == TNameMatch::kEqualOrStart && !record.fileName.empty() && name.starts_with(record.fileName)) {
      byStart.push_back(i);
    }
  }
  if (!byPath.empty()) return byPath;
  byName.insert(byName.end(), byStart.begin(), byStart.end());
  return byName;
}

std::vector<TPasswordRecord> TPasswordList::LinesFor(std::u16string_view inputPath, TNameMatch match) const {
  std::vector<TPasswordRecord> lines;
  for (const std::size_t i : IndicesFor(inputPath, match)) lines.push_back(records_[i]);
  return lines;
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

void TPasswordList::CheckOneLinePerInput(const std::vector<std::u16string>& inputPaths) const {
  for (const std::u16string& input : inputPaths) {
    const std::vector<std::size_t> found = IndicesFor(input, TNameMatch::kEqual);
    for (const std::size_t other : found) {
      const TPasswordRecord& a = records_[found.front()];
      const TPasswordRecord& b = records_[other];
      if (a.openPassword == b.openPassword && a.ownerPassword == b.ownerPassword) continue;
      const auto [first, second] = std::minmax(lines_[found.front()], lines_[other]);
      throw EBatchJobError("The password list \"" + pdf::UnicodeToUTF8(path_) + "\" cannot be used: lines " +
                           std::to_string(first) + " and " + std::to_string(second) + " both name \"" +
                           pdf::UnicodeToUTF8(input) + "\" and give it different passwords");
    }
  }
}

}  // namespace ombrelt::app

#pragma once
// A list of passwords per file, read back: the password file the batch writes (a ledger of the
// passwords each copy received) or a list the user prepared in the same CSV form, with the header
// "File Name","Open Password","Owner Password","File Path" (RFC 4180). Lines are UTF-8; a line that
// is not valid UTF-8 is read as Windows-1252, the encoding spreadsheets on Windows save CSV in.
//
// How strictly a list is read depends on what its passwords are for (TListUse):
// - A ledger's passwords are only tried on inputs encrypted already. A wrong one opens nothing, so
//   a ledger is read leniently: a run killed mid-line may have left a partial last line, and the
//   lines before it must still open their files.
// - A list of new passwords decides what opens each copy. A line read wrongly gives a copy that
//   opens with a password nobody knows, or with none, so the whole list is refused, naming the line
//   and what is wrong with it, before any file is touched: a line with another number of fields
//   than the header, a quote that is never closed, text after a closing quote, a quote inside a
//   field that does not start with one, or a password holding a control character
//   (NewPasswordFault). Two lines for one input are refused by CheckOneLinePerInput.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "app/core/PasswordFile.h"

namespace ombrelt::app {

// One record of CSV text: fields quoted or not, "" inside quotes, lines ended by CR LF or LF.
struct TCsvRecord {
  std::vector<std::string> fields;
  std::size_t line = 0;     // the line it starts on, counted from 1
  std::string flaw;         // what breaks RFC 4180 in it, or empty; its fields are read as best they can be
  std::size_t flawLine = 0;  // the line the flaw is on
};

// The records of CSV text, blank lines left out.
std::vector<TCsvRecord> ReadCsvRecords(std::string_view text);
// Their fields alone.
std::vector<std::vector<std::string>> ParseCsv(std::string_view text);

// How a line's "File Name" may name an input.
enum class TNameMatch {
  kEqual,         // the input's name without its extension
  kEqualOrStart,  // that, or the start of it: a copy's name is its input's name and a suffix
};

// What a list's passwords are for; it decides how strictly the list is read (see above).
enum class TListUse {
  kLedger,        // passwords to try on inputs encrypted already
  kNewPasswords,  // the passwords each copy gets
};

class TPasswordList {
 public:
  // Reads the file at path. Raises EBatchJobError when it cannot be read or, for new passwords,
  // when a line is malformed.
  TPasswordList(std::u16string_view path, TListUse use);
  // From text already read, for tests and callers that hold the bytes.
  TPasswordList(std::u16string_view path, std::string_view text, TListUse use);

  // The lines for an input, most likely first: those whose "File Path" is the input's path, newest
  // first; when there are none, those whose "File Name" is the input's name without its extension
  // ("report" for report.pdf), then, with kEqualOrStart, those whose name begins it ("report" for
  // report_Secure.pdf, a copy made with the default suffix), each newest first. A ledger's passwords
  // are only tried, so it may look further; a list that gives new passwords must not hand
  // payslip_1's line to payslip_13.
  std::vector<TPasswordRecord> LinesFor(std::u16string_view inputPath,
                                        TNameMatch match = TNameMatch::kEqualOrStart) const;

  // The passwords to try on an input, each once: of each of its lines (LinesFor, kEqualOrStart), the
  // owner password before the open one, since only the owner's may change protection.
  std::vector<std::u16string> PasswordsFor(std::u16string_view inputPath) const;

  // Raises EBatchJobError, naming both lines, when two lines of a list of new passwords would give
  // one of the inputs different passwords: which one was meant cannot be known. Lines giving the
  // same passwords (a list joined with itself, a ledger of two runs with typed passwords) are one.
  void CheckOneLinePerInput(const std::vector<std::u16string>& inputPaths) const;

  const std::u16string& Path() const { return path_; }
  // Whether the list gives that side's passwords: it has the column (a list without a header has all).
  bool GivesOpenPasswords() const { return givesOpen_; }
  bool GivesOwnerPasswords() const { return givesOwner_; }
  std::size_t Size() const { return records_.size(); }

 private:
  void Read(std::string_view text, TListUse use);
  std::vector<std::size_t> IndicesFor(std::u16string_view inputPath, TNameMatch match) const;
  [[noreturn]] void Refuse(std::size_t line, const std::string& what) const;

  std::u16string path_;
  std::vector<TPasswordRecord> records_;  // in file order, the header left out
  std::vector<std::size_t> lines_;        // the line each record starts on
  bool givesOpen_ = false;
  bool givesOwner_ = false;
};

}  // namespace ombrelt::app

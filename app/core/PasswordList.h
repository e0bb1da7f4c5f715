#pragma once
// A list of passwords per file, read back: the password file the batch writes (a ledger of the
// passwords each copy received) or a list the user prepared in the same CSV form, with the header
// "File Name","Open Password","Owner Password","File Path" (RFC 4180). Lines are UTF-8; a line that
// is not valid UTF-8 is read as Windows-1252, as password files of the Windows version were written.

#include <string>
#include <string_view>
#include <vector>

#include "app/core/PasswordFile.h"

namespace ombrelt::app {

// The records of CSV text: fields quoted or not, "" inside quotes, lines ended by CR LF or LF.
std::vector<std::vector<std::string>> ParseCsv(std::string_view text);

// How a line's "File Name" may name an input.
enum class TNameMatch {
  kEqual,         // the input's name without its extension
  kEqualOrStart,  // that, or the start of it: a copy's name is its input's name and a suffix
};

class TPasswordList {
 public:
  // Reads the file at path. Raises EBatchJobError when it cannot be read.
  explicit TPasswordList(std::u16string_view path);
  // From text already read, for tests and callers that hold the bytes.
  TPasswordList(std::u16string_view path, std::string_view text);

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

  const std::u16string& Path() const { return path_; }
  // Whether the list gives that side's passwords: it has the column (a list without a header has all).
  bool GivesOpenPasswords() const { return givesOpen_; }
  bool GivesOwnerPasswords() const { return givesOwner_; }
  std::size_t Size() const { return records_.size(); }

 private:
  void Read(std::string_view text);

  std::u16string path_;
  std::vector<TPasswordRecord> records_;  // in file order, the header left out
  bool givesOpen_ = false;
  bool givesOwner_ = false;
};

}  // namespace ombrelt::app

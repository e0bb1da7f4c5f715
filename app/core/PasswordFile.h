#pragma once
// The CSV file that records which passwords each encrypted file received. A generated password
// exists nowhere else, so a line must be on disk before the file it opens appears: every append
// is synced before it returns.

#include <sys/stat.h>

#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ombrelt::app {

// The batch cannot go on (the password file cannot be created or written, a generator length is
// not a number). what() is a sentence for the user, in UTF-8, naming the cause.
class EBatchJobError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TPasswordRecord {
  std::u16string fileName;  // the input's base name
  std::u16string openPassword;
  std::u16string ownerPassword;
  std::u16string filePath;  // the input's full path
};

// The characters that make a spreadsheet take a cell for a formula when the cell begins with one.
inline constexpr std::string_view kFormulaStarts = "=+-@\t\r";

// A spreadsheet opening the password file would run a field that begins with one of kFormulaStarts
// as a formula (a file named "=HYPERLINK(...).pdf", a password typed or listed as "-x+1"). Such a
// field is written after an apostrophe, which spreadsheets take for "what follows is text". So that
// every field reads back exactly, a field that already begins with apostrophes and then one of
// those characters gets one apostrophe more; no other field changes, so the lines of files written
// without the guard read back as they always did, unless a field of theirs began so.
// FormulaGuarded adds the apostrophe, FormulaUnguarded (the password list reader) removes it.
std::string FormulaGuarded(std::string_view text);
std::string FormulaUnguarded(std::string_view text);

// One CSV field: the UTF-8 text, formula-guarded, between double quotes, inner double quotes
// doubled (RFC 4180).
std::string CsvField(std::u16string_view text);

// The line of a record (or of the header), ended by CR LF.
std::string CsvLine(const TPasswordRecord& record);

// Appends to the file at path; earlier batches' lines stay. Thread-safe: appends are serialised.
class TPasswordFile {
 public:
  // Opens (creating it when missing) and writes the header when the file is empty. Raises
  // EBatchJobError when the file cannot be opened, created or written.
  explicit TPasswordFile(std::u16string_view path);
  ~TPasswordFile();
  TPasswordFile(const TPasswordFile&) = delete;
  TPasswordFile& operator=(const TPasswordFile&) = delete;

  // Appends the record's line and syncs it to disk. On failure the file is cut back to where it
  // was, so no half line stays, and EBatchJobError is raised.
  void Append(const TPasswordRecord& record);
  // The same for several records at once, with one sync: all their lines are on disk, or none.
  void Append(const std::vector<TPasswordRecord>& records);

  // The file's permissions when it was opened, and whether they let other users read it.
  mode_t Mode() const { return mode_; }
  bool ReadableByOthers() const { return (mode_ & (S_IRGRP | S_IROTH)) != 0; }
  const std::string& Path() const { return path_; }

 private:
  void WriteSynced(std::string_view bytes);

  std::string path_;  // native, for messages
  int fd_ = -1;
  mode_t mode_ = 0;
  std::mutex mutex_;
};

}  // namespace ombrelt::app

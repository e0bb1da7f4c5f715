#include "app/core/PasswordFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "pdf/io/FileOperations.h"
#include "pdf/objects/TextConversions.h"

namespace ombrelt::app {

namespace {

const TPasswordRecord kHeader{u"File Name", u"Open Password", u"Owner Password", u"File Path"};

std::string Problem(const std::string& what, const std::string& path, int error) {
  return "The password file \"" + path + "\" " + what + ": " + std::strerror(error);
}

// Apostrophes, then a character that starts a formula.
bool StartsLikeFormula(std::string_view text) {
  const std::size_t first = text.find_first_not_of('\'');
  return first != std::string_view::npos && kFormulaStarts.find(text[first]) != std::string_view::npos;
}

}  // namespace

std::string FormulaGuarded(std::string_view text) {
  return StartsLikeFormula(text) ? "'" + std::string(text) : std::string(text);
}

std::string FormulaUnguarded(std::string_view text) {
  const bool guarded = text.starts_with('\'') && StartsLikeFormula(text);
  return std::string(guarded ? text.substr(1) : text);
}

std::string CsvField(std::u16string_view text) {
  std::string field = "\"";
  for (const char c : FormulaGuarded(pdf::UnicodeToUTF8(text))) {
    if (c == '"') field += '"';
    field += c;
  }
  return field + "\"";
}

std::string CsvLine(const TPasswordRecord& record) {
  return CsvField(record.fileName) + "," + CsvField(record.openPassword) + "," + CsvField(record.ownerPassword) +
         "," + CsvField(record.filePath) + "\r\n";
}

TPasswordFile::TPasswordFile(std::u16string_view path) {
  const std::optional<std::string> native = pdf::NativePath(path);
  path_ = native ? *native : pdf::UnicodeToUTF8(path);
  if (!native) throw EBatchJobError("The password file \"" + path_ + "\" cannot be created: invalid file name");
  // Read access for the check of the last line below. O_NONBLOCK: a FIFO at the path must give an
  // error, not hang the batch; regular files ignore it. The file holds the only way into the
  // encrypted copies, so a new one is readable by its owner alone.
  fd_ = ::open(native->c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0600);
  if (fd_ < 0) throw EBatchJobError(Problem("cannot be created", path_, errno));
  struct stat info {};
  const int error = ::fstat(fd_, &info) != 0 ? errno : S_ISREG(info.st_mode) ? 0 : EINVAL;
  if (error != 0) {
    ::close(fd_);
    throw EBatchJobError(Problem("cannot be used", path_, error));
  }
  mode_ = info.st_mode & 07777;
  std::string start;
  if (info.st_size == 0) {
    start = CsvLine(kHeader);
  } else {
    // A line cut short (a crash, an editor) must not swallow this batch's first line.
    char last = '\n';
    if (::pread(fd_, &last, 1, info.st_size - 1) == 1 && last != '\n') start = "\r\n";
  }
  try {
    if (!start.empty()) WriteSynced(start);
    pdf::SyncFolderOf(path_);
  } catch (...) {
    ::close(fd_);
    throw;
  }
}

TPasswordFile::~TPasswordFile() { ::close(fd_); }

void TPasswordFile::Append(const TPasswordRecord& record) { Append(std::vector<TPasswordRecord>{record}); }

void TPasswordFile::Append(const std::vector<TPasswordRecord>& records) {
  std::string lines;
  for (const TPasswordRecord& record : records) lines += CsvLine(record);
  const std::lock_guard lock(mutex_);
  WriteSynced(lines);
}

void TPasswordFile::WriteSynced(std::string_view bytes) {
  struct stat info {};
  if (::fstat(fd_, &info) != 0) throw EBatchJobError(Problem("cannot be written", path_, errno));
  std::size_t written = 0;
  int error = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd_, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? errno : EIO;
      break;
    }
    written += static_cast<std::size_t>(n);
  }
  if (error == 0 && ::fsync(fd_) != 0) error = errno;
  if (error != 0) {
    if (::ftruncate(fd_, info.st_size) == 0) ::fsync(fd_);
    throw EBatchJobError(Problem("cannot be written", path_, error));
  }
}

}  // namespace ombrelt::app

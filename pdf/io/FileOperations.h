#pragma once
// The file operations the direct operations use before opening anything, on UTF-16 paths.

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "pdf/io/WideFileStream.h"

namespace pdf {

// The file system's name for a path (UTF-8). Nothing for a path that cannot name a file: the empty
// path, and a path with a NUL unit, which the system would cut short and so take for another file.
std::optional<std::string> NativePath(std::u16string_view path);

// A new stream on the file; raises EFCreateError as the stream's constructor does.
std::unique_ptr<TVelloPDFWideFileStream> OpenWideFileStream(std::u16string_view path,
                                                            std::uint16_t mode);

// True when the path names an existing file (through symlinks) that is not a directory. The path is
// taken literally, never as a wildcard pattern: callers pass real file names, and on POSIX '*', '?'
// and '[' are ordinary characters of such names.
bool WideFileExists(std::u16string_view path);

// Deletes the file's name; false when that fails or when the path names a protected input (see
// OpenInputRegistry.h), whether directly or through another link to it.
bool WideDeleteFile(std::u16string_view path);

// The absolute form of the path against the current directory, normalised lexically ("." and ".."
// removed without resolving symlinks); no length limit. Empty when the path is empty or the current
// directory is unavailable.
std::u16string WideFullPathName(std::u16string_view path);

// Syncs the folder that holds the file at nativePath (a native, UTF-8 path): a new or renamed name
// is durable only once its folder is. False when the folder cannot be opened or synced.
bool SyncFolderOf(const std::string& nativePath);
// The same for the folder itself ("" is the current folder).
bool SyncFolder(const std::string& nativeFolder);

// The permissions a new file gets from this process: 0666 less the umask, read without changing
// it (other threads may be creating files).
mode_t NewFileMode();

}  // namespace pdf

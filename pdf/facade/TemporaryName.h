#pragma once
// The names of the hidden files outputs are written to before they take their own name:
// ".NAME.PPPPPPPPRRRRRRRRRRRRRRRR.tmp" beside the output, where NAME is the output's name (cut short
// when long), P the creating process's id and R random, both in lowercase hexadecimal. The id lets
// a later run tell a file an interrupted run left from one a running process still writes.

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

namespace pdf {

// The output's name is kept to this many bytes in a temporary name (cut at a character boundary),
// so that the temporary of a temporary still fits the file system's 255-byte names.
inline constexpr std::size_t kTemporaryNameKept = 128;
inline constexpr std::size_t kTemporaryRandomDigits = 16;

// The temporary name (without folder) for an output named targetName, made by process creator;
// random is kTemporaryRandomDigits lowercase hexadecimal digits.
std::string TemporaryName(std::string_view targetName, pid_t creator, std::string_view random);

// The creating process of a name of that exact form; nothing for any other name.
std::optional<pid_t> TemporaryNameCreator(std::string_view name);

}  // namespace pdf

#pragma once
// What the library's error codes mean, in the words every front end shows for them.

#include <cstdint>
#include <string>

namespace pdf {

// The meaning of an error code, e.g. 406 -> "the file is already encrypted".
std::string ErrorWords(std::int32_t errorCode);
// The same for an attempt made without a password: 404 then says that one is needed, rather than
// that a password (none was given) fails.
std::string ErrorWords(std::int32_t errorCode, bool passwordGiven);

}  // namespace pdf

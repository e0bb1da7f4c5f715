#pragma once
// Checks and repairs of UTF-8 text that comes from outside: password files, file names, document
// information read from PDF files someone else made.

#include <string>
#include <string_view>

namespace cli {

bool IsWellFormedUTF8(std::string_view bytes);

// The text with each ill-formed sequence replaced by U+FFFD, so that JSON output stays valid.
std::string WellFormedUTF8(std::string_view bytes);

// The text as it may be shown on a terminal: well-formed, and with control characters (C0, DEL,
// C1) shown as "?". A document title or a file name must not move the cursor, end a status line
// early or send escape sequences to the terminal.
std::string TerminalText(std::string_view bytes);

}  // namespace cli

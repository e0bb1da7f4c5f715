#pragma once
// Booleans as the settings store keeps them: the texts "-1" (on) and "0" (off), read back with the
// desktop runtime's lenient rules, so stores written by hand or by older versions still load.

#include <string>
#include <string_view>

namespace ombrelt::app {

// "-1" or "0".
std::u16string BoolToText(bool value);

// Any decimal number (non-zero is on, "2.5" and "-1" included) or the words True and False in any
// case; blanks around the text are ignored. Raises EConvertError "'<text>' is not a valid boolean
// value" for anything else.
bool TextToBool(std::u16string_view text);

}  // namespace ombrelt::app

#pragma once
// Booleans as the settings store keeps them: the texts "-1" (on) and "0" (off). Reading is lenient
// (any number, zero for off; "true" and "false" in any case), so a store edited by hand still loads.

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

#pragma once
// Recognises values whose text can be copied from one file into another as it stands: nothing in
// them is encrypted or needs writing anew. Checking this is much cheaper than parsing the value
// into objects and writing it back.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace pdf {

// Where the dictionary or array that starts text (after white space) ends, when it is made of
// nothing but names, numbers, references, true, false, null and nested dictionaries and arrays
// (every dictionary key a name), all in printable ASCII: no strings, streams, comments, escaped
// names or other keywords. Nothing for any other text, and for nesting the parser would refuse.
// With highestReference, the highest object number a reference in the value names is kept there
// (it is only raised, never lowered).
std::optional<std::size_t> PlainContainerEnd(std::string_view text, std::int64_t* highestReference = nullptr);

}  // namespace pdf

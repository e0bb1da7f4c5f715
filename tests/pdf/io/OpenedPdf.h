#pragma once
// Reader tests' view of a file built in memory: each object by number, as its text.

#include <cstdint>
#include <string>
#include <utility>

#include "pdf/io/MemoryStream.h"
#include "pdf/io/PDFReader.h"
#include "pdf/objects/PDFStructure.h"

namespace pdf::testing {

struct OpenFile {
  explicit OpenFile(std::string bytes) : stream(std::move(bytes)), reader(stream) {}
  // The object's text, or "none" when the reader finds no object by that number.
  std::string Text(std::int32_t number) {
    TPDFObject* object = reader.GetObject(number, &arena);
    return object != nullptr ? object->ToText() : "none";
  }
  TMemoryStream stream;
  TSmartPDFReader reader;
  TPDFStructure arena;
};

}  // namespace pdf::testing

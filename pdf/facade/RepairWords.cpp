// What reading a damaged file took, in the words the inspection, the command line and the window
// show.

#include <string>
#include <vector>

#include "pdf/facade/VelloPDF.h"

namespace pdf {

std::string TVelloPDF::RepairWords(const TCopyRepairs& repairs) {
  const auto count = [](std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
  };
  std::vector<std::string> parts;
  if (repairs.headerMissing) parts.emplace_back("no PDF header");
  if (repairs.rebuiltTable) parts.emplace_back("object table rebuilt by scanning the file");
  if (repairs.relocatedObjects != 0) {
    parts.push_back(count(repairs.relocatedObjects, "object found away from its table offset",
                          "objects found away from their table offsets"));
  }
  if (repairs.unreadableObjects != 0) {
    parts.push_back(count(repairs.unreadableObjects, "unreadable object", "unreadable objects") + " written as null");
  }
  std::string words;
  for (const std::string& part : parts) words += (words.empty() ? "" : ", ") + part;
  return words;
}

}  // namespace pdf

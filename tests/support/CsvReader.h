#pragma once
// Reading back the password file the batch job writes.

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pdf::testing {

// A strict RFC 4180 reader: quoted fields only, "" inside them, every record ended by CR LF.
inline std::vector<std::vector<std::string>> ReadCsv(const std::string& text) {
  std::vector<std::vector<std::string>> records;
  std::size_t at = 0;
  while (at < text.size()) {
    std::vector<std::string> record;
    for (;;) {
      EXPECT_EQ(text[at], '"') << "field not quoted at " << at;
      std::string field;
      for (++at;; ++at) {
        if (at >= text.size()) {
          ADD_FAILURE() << "unterminated field";
          return records;
        }
        if (text[at] == '"') {
          if (at + 1 < text.size() && text[at + 1] == '"') {
            field += '"';
            ++at;
          } else {
            break;
          }
        } else {
          field += text[at];
        }
      }
      ++at;
      record.push_back(field);
      if (text.compare(at, 1, ",") == 0) {
        ++at;
        continue;
      }
      EXPECT_EQ(text.substr(at, 2), "\r\n") << "record not ended by CR LF at " << at;
      at += 2;
      break;
    }
    records.push_back(record);
  }
  return records;
}

}  // namespace pdf::testing

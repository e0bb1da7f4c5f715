#pragma once
// Builds small PDF files for reader tests: objects in order, a classic table with the
// right offsets (or one the test damages on purpose), a trailer and the end lines.

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>

namespace pdf::testing {

class TestPdf {
 public:
  explicit TestPdf(std::string header = "%PDF-1.4\n") : bytes_(std::move(header)) {}

  // Appends "n 0 obj\n" + body + "\nendobj\n" and records its offset.
  TestPdf& Object(int number, const std::string& body, int generation = 0) {
    offsets_[number] = static_cast<std::int64_t>(bytes_.size()) - base_;
    generations_[number] = generation;
    bytes_ += std::to_string(number) + " " + std::to_string(generation) + " obj\n" + body + "\nendobj\n";
    return *this;
  }
  TestPdf& Raw(const std::string& text) {
    bytes_ += text;
    return *this;
  }
  // Offsets recorded from now on count from the current end (for junk before the header).
  TestPdf& CountOffsetsFromHere() {
    base_ = static_cast<std::int64_t>(bytes_.size());
    return *this;
  }
  std::int64_t Offset(int number) const { return offsets_.at(number); }
  std::int64_t Size() const { return static_cast<std::int64_t>(bytes_.size()); }

  static std::string Entry(std::int64_t offset, int generation, char kind, const std::string& eol = " \n") {
    char line[32];
    std::snprintf(line, sizeof line, "%010lld %05d %c", static_cast<long long>(offset), generation, kind);
    return line + eol;
  }

  // The table of every recorded object (one subsection from 0), the trailer and the end lines.
  std::string Finish(const std::string& trailerEntries, const std::string& eol = " \n") {
    const std::int64_t xref = static_cast<std::int64_t>(bytes_.size()) - base_;
    const int size = offsets_.empty() ? 1 : offsets_.rbegin()->first + 1;
    bytes_ += "xref\n0 " + std::to_string(size) + "\n" + Entry(0, 65535, 'f', eol);
    for (int n = 1; n < size; ++n) {
      bytes_ += offsets_.count(n) ? Entry(offsets_[n], generations_[n], 'n', eol) : Entry(0, 0, 'f', eol);
    }
    bytes_ += "trailer\n<< /Size " + std::to_string(size) + " " + trailerEntries + " >>\n";
    return EndLines(xref);
  }

  std::string EndLines(std::int64_t xref) {
    bytes_ += "startxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return bytes_;
  }
  std::string& Bytes() { return bytes_; }

 private:
  std::string bytes_;
  std::int64_t base_ = 0;
  std::map<int, std::int64_t> offsets_;
  std::map<int, int> generations_;
};

// A minimal one-page document as objects 1 to 4 (catalog, pages, page, contents).
inline TestPdf OnePageDocument(std::string header = "%PDF-1.4\n") {
  TestPdf pdf(std::move(header));
  pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R >>")
      .Object(2, "<< /Type /Pages /Kids [ 3 0 R ] /Count 1 >>")
      .Object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [ 0 0 612 792 ] /Contents 4 0 R >>")
      .Object(4, "<< /Length 8 >>\nstream\nBT ET q\nendstream");
  return pdf;
}

// A one-page document whose catalog has the given entries, and object 10.
inline std::string OnePagePdfWith(const std::string& catalogEntries, const std::string& object10) {
  TestPdf pdf;
  pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R " + catalogEntries + " >>")
      .Object(2, "<< /Type /Pages /Kids [ 3 0 R ] /Count 1 >>")
      .Object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [ 0 0 612 792 ] >>")
      .Object(10, object10);
  return pdf.Finish("/Root 1 0 R");
}

}  // namespace pdf::testing

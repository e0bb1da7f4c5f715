#include "pdf/io/PDFWriter.h"

#include <algorithm>
#include <cstddef>
#include <limits>

#include "pdf/objects/PDFDictionary.h"
#include "pdf/objects/PDFError.h"
#include "pdf/objects/PDFScalars.h"
#include "pdf/objects/PDFStructure.h"

namespace pdf {

namespace {

// A percent sign and four bytes above 127, so that transfer tools treat the file as binary.
constexpr std::string_view kBinaryComment = "%\xE2\xE3\xCF\xD3\n";
constexpr std::string_view kFreeListHead = "0000000000 65535 f \n";
constexpr std::size_t kEntrySize = 20;
constexpr std::int64_t kMaxOffset = 9'999'999'999;
constexpr std::int32_t kMaxGeneration = 99'999;
constexpr std::int32_t kFreeGeneration = 1;
constexpr std::int32_t kFreeListHeadGeneration = 65'535;

// The caller guarantees 0 <= value < 10^width.
void PutDigits(char* out, std::int64_t value, int width) {
  for (int i = width - 1; i >= 0; --i) {
    out[i] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
}

void FormatEntry(char* out, std::int64_t first, std::int32_t generation, char kind) {
  PutDigits(out, first, 10);
  out[10] = ' ';
  PutDigits(out + 11, generation, 5);
  out[16] = ' ';
  out[17] = kind;
  out[18] = ' ';
  out[19] = '\n';
}

// A value wider than its fixed field would shift every later entry and leave a table that no
// reader can use, so such a value is refused instead of written.
std::int64_t TableOffset(std::int64_t offset, std::int32_t offsetBase) {
  // Compared before adding, so the sum cannot overflow.
  if (offset < -std::int64_t{offsetBase} || offset > kMaxOffset - offsetBase) {
    throw EPDFError("Object offset " + std::to_string(offset) + " + " + std::to_string(offsetBase) +
                    " does not fit a cross-reference entry");
  }
  return offset + offsetBase;
}

std::int32_t TableGeneration(std::int32_t generation) {
  if (generation < 0 || generation > kMaxGeneration) {
    throw EPDFError("Generation " + std::to_string(generation) + " does not fit a cross-reference entry");
  }
  return generation;
}

void FormatInUseEntry(char* out, std::int64_t offset, std::int32_t generation, std::int32_t offsetBase) {
  FormatEntry(out, TableOffset(offset, offsetBase), TableGeneration(generation), 'n');
}

std::size_t SingleSectionBytes(std::int64_t entryCount) {
  if (static_cast<std::uint64_t>(entryCount) > std::numeric_limits<std::size_t>::max() / kEntrySize) {
    throw EPDFError("A cross-reference section of " + std::to_string(entryCount) + " entries is too large");
  }
  return static_cast<std::size_t>(entryCount) * kEntrySize;
}

}  // namespace

void TSmartPDFWriter::WriteHeader(std::string_view version) {
  Put("%PDF-" + std::string(version) + "\n");
  Put(kBinaryComment);
}

void TSmartPDFWriter::WriteObject(std::int32_t number, std::int32_t generation, std::string_view text) {
  WriteObjectParts(number, generation, {text});
}

void TSmartPDFWriter::WriteObjectParts(std::int32_t number, std::int32_t generation,
                                       std::initializer_list<std::string_view> parts) {
  BeginObject(number, generation);
  for (const std::string_view part : parts) AppendToObject(part);
  EndObject();
}

void TSmartPDFWriter::BeginObject(std::int32_t number, std::int32_t generation) {
  records_.push_back(TRecord{number, generation, stream_.Position()});
  Put(std::to_string(number) + " " + std::to_string(generation) + " obj\n");
  endsLine_ = false;
}

void TSmartPDFWriter::AppendToObject(std::string_view part) {
  Put(part);
  if (!part.empty()) endsLine_ = part.ends_with('\n');
}

void TSmartPDFWriter::EndObject() {
  // The line end goes in a write of its own rather than a copy of the text: stream objects
  // can be large, and the bytes in the file are the same.
  if (!endsLine_) Put("\n");
  Put("endobj\n");
}

void TSmartPDFWriter::WriteXRefTable(TPDFDictionary& trailer, std::int32_t offsetBase, bool singleSection) {
  const std::int64_t startXRef = stream_.Position() + offsetBase;
  const TSlots slots = TableSlots();
  Put("xref\n");
  if (singleSection) {
    WriteSingleSection(slots, offsetBase);
  } else {
    WriteRuns(slots, offsetBase);
  }
  Put("trailer\n");
  if (singleSection) {
    trailer.SetValue("Size", trailer.Structure().NewNumber(static_cast<double>(Highest(slots)) + 1));
  }
  WriteTrailer(trailer);
  Put("startxref\n" + std::to_string(startXRef) + "\n%%EOF\n");
  // Buffered file streams report a failed store only here.
  stream_.Flush();
}

TSmartPDFWriter::TSlots TSmartPDFWriter::TableSlots() const {
  TSlots slots;
  slots.reserve(records_.size() + 1);
  slots.push_back(nullptr);
  // A written object 0 or negative number never gets an entry: object 0 heads the free list.
  for (const TRecord& record : records_) {
    if (record.number > 0) slots.push_back(&record);
  }
  const auto byNumber = [](const TRecord* a, const TRecord* b) { return a->number < b->number; };
  const auto sameNumber = [](const TRecord* a, const TRecord* b) { return a->number == b->number; };
  // Stable, so copies of one number stay in write order and unique keeps the earliest.
  std::stable_sort(slots.begin() + 1, slots.end(), byNumber);
  slots.erase(std::unique(slots.begin() + 1, slots.end(), sameNumber), slots.end());
  return slots;
}

std::int32_t TSmartPDFWriter::HighestObjectNumber() const {
  std::int32_t highest = 0;
  for (const TRecord& record : records_) highest = std::max(highest, record.number);
  return highest;
}

std::int32_t TSmartPDFWriter::Highest(const TSlots& slots) {
  return slots.back() != nullptr ? slots.back()->number : 0;
}

// Each run of consecutive numbers gets a header line and one write per entry; numbers never
// written are left out.
void TSmartPDFWriter::WriteRuns(const TSlots& slots, std::int32_t offsetBase) {
  const auto numberAt = [&slots](std::size_t i) { return slots[i] != nullptr ? slots[i]->number : 0; };
  for (std::size_t first = 0; first < slots.size();) {
    std::size_t end = first + 1;
    while (end < slots.size() && numberAt(end) == numberAt(end - 1) + 1) ++end;
    Put(std::to_string(numberAt(first)) + " " + std::to_string(end - first) + "\n");
    for (std::size_t i = first; i < end; ++i) {
      if (slots[i] == nullptr) {
        Put(kFreeListHead);
        continue;
      }
      char entry[kEntrySize];
      FormatInUseEntry(entry, slots[i]->offset, slots[i]->generation, offsetBase);
      Put(std::string_view(entry, kEntrySize));
    }
    first = end;
  }
}

// One section over 0 .. highest number, written in one piece. Numbers never written become
// free entries chained in ascending order from object 0, the last pointing back to 0.
void TSmartPDFWriter::WriteSingleSection(const TSlots& slots, std::int32_t offsetBase) {
  const std::int64_t highest = Highest(slots);
  Put("0 " + std::to_string(highest + 1) + "\n");
  std::string table(SingleSectionBytes(highest + 1), ' ');
  // Filled from the top down, so each free entry already knows the next free number above it.
  std::int64_t nextFree = 0;
  std::size_t slot = slots.size() - 1;
  for (std::int64_t k = highest; k >= 0; --k) {
    char* const entry = table.data() + static_cast<std::size_t>(k) * kEntrySize;
    if (slot > 0 && slots[slot]->number == k) {
      FormatInUseEntry(entry, slots[slot]->offset, slots[slot]->generation, offsetBase);
      --slot;
    } else {
      FormatEntry(entry, nextFree, k == 0 ? kFreeListHeadGeneration : kFreeGeneration, 'f');
      nextFree = k;
    }
  }
  Put(table);
}

void TSmartPDFWriter::WriteTrailer(const TPDFDictionary& trailer) {
  std::string text = trailer.ToText();
  if (!text.ends_with('\n')) text += '\n';
  Put(text);
}

// A short count is how a full disk shows itself; it must not pass as a finished file.
void TSmartPDFWriter::Put(std::string_view bytes) {
  const std::size_t stored = stream_.Write(bytes);
  if (stored != bytes.size()) {
    // A file stream knows the system's reason (no space left, a file size limit) and raises it here.
    stream_.Flush();
    throw EPDFError("Output stream stored " + std::to_string(stored) + " of " + std::to_string(bytes.size()) +
                    " bytes");
  }
}

}  // namespace pdf

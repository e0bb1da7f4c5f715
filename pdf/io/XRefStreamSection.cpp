// The cross-reference stream form of a section.

#include <algorithm>
#include <vector>

#include "pdf/io/ByteText.h"
#include "pdf/io/XRefReader.h"
#include "pdf/objects/PDFStructure.h"
#include "pdf/objects/StreamFilters.h"

namespace pdf {

namespace {

constexpr std::int64_t kHeadWindow = 20480;

// True when the window holds the whole stream dictionary, /Index array included.
bool HeadIsComplete(std::string_view window) {
  const std::size_t open = window.find("<<");
  const std::size_t index = window.find("/Index");
  if (index == std::string_view::npos) {
    return open != std::string_view::npos && window.find("stream") != std::string_view::npos;
  }
  const std::size_t bracket = window.find('[', index);
  const std::size_t close = bracket == std::string_view::npos ? bracket : window.find(']', bracket);
  return open < index && close != std::string_view::npos &&
         window.find("stream", close) != std::string_view::npos;
}

// Index of the first data byte after "stream" and its end of line, once the dictionary
// text has been blanked out; npos when there is none.
std::size_t FindStreamData(std::string window, std::size_t dictionaryEnd) {
  std::fill_n(window.begin(), std::min(dictionaryEnd, window.size()), ' ');
  std::size_t stream = window.find("stream");
  for (std::size_t close = window.find(">>"); close != std::string::npos && close < stream;
       close = window.find(">>")) {
    std::fill_n(window.begin(), close + 2, ' ');
    stream = window.find("stream");
  }
  if (stream == std::string::npos) return std::string::npos;
  return StreamDataAfterKeyword(window, stream);
}

struct Subsection {
  std::int64_t first;
  std::int64_t count;
};

std::vector<Subsection> ReadSubsections(const TPDFDictionary& dictionary, std::int64_t size) {
  const auto* index = As<TPDFArray>(dictionary.GetValue("Index", false));
  if (index == nullptr) return {{0, size}};
  std::vector<Subsection> subsections;
  for (std::int32_t i = 0; i + 1 < index->ItemCount(); i += 2) {
    subsections.push_back({NumberAsInt64(index->GetItem(i)).value_or(0),
                           NumberAsInt64(index->GetItem(i + 1)).value_or(0)});
  }
  return subsections;
}

// Reads big-endian fields of fixed widths from decoded entry data.
class FieldReader {
 public:
  explicit FieldReader(std::string_view data) : data_(data) {}
  bool HasRoom(std::size_t bytes) const { return position_ + bytes <= data_.size(); }
  std::int32_t Read(std::int64_t width) {
    if (width <= 0 || width > 8) return 0;
    std::uint32_t value = 0;
    // Widths of 5 to 8 keep only their last four bytes.
    for (std::int64_t i = 0; i < width; ++i) {
      value = (value << 8) | static_cast<unsigned char>(data_[position_++]);
    }
    return static_cast<std::int32_t>(value);
  }

 private:
  std::string_view data_;
  std::size_t position_ = 0;
};

// Entries behind a filter we cannot undo would be read from encoded bytes as garbage.
bool HasUndecodableFilter(const TPDFDictionary& dictionary) {
  const TPDFObject* filter = dictionary.GetValue("Filter", false);
  if (const auto* name = As<TPDFName>(filter)) return !IsDecodableFilter(name->Value());
  const auto* filters = As<TPDFArray>(filter);
  for (std::int32_t i = 0; filters != nullptr && i < filters->ItemCount(); ++i) {
    const auto* item = As<TPDFName>(filters->GetItem(i));
    if (item == nullptr || !IsDecodableFilter(item->Value())) return true;
  }
  return false;
}

std::int64_t ReadWidth(const TPDFArray& widths, std::int32_t i) {
  return std::clamp<std::int64_t>(NumberAsInt64(widths.GetItem(i)).value_or(0), -1, 9);
}

}  // namespace

std::int32_t TPDFXRefReader::OwnObjectNumber(std::int64_t position) {
  std::string text = ReadAt(21, position - 20);
  const auto dropUntil = [&text](std::string_view ending, bool atLeastOne) {
    if (atLeastOne && !text.empty()) text.pop_back();
    while (!text.empty() && !std::string_view(text).ends_with(ending)) text.pop_back();
  };
  dropUntil("obj", false);
  dropUntil("0", true);
  dropUntil(" ", true);
  while (!text.empty() && text.back() == ' ') text.pop_back();
  std::size_t digits = text.size();
  while (digits > 0 && IsDecimalDigit(text[digits - 1])) --digits;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(DecimalValue(text.substr(digits), 0), 0, INT32_MAX));
}

bool TPDFXRefReader::ReadStreamSection(std::int64_t position) {
  HasXRefStream = true;
  std::string window;
  // Windows grow until they hold the whole dictionary head or reach the end of the file.
  for (std::int64_t size = kHeadWindow;; size *= 2) {
    window = ReadAt(size, position);
    if (HeadIsComplete(window) || static_cast<std::int64_t>(window.size()) < size) break;
  }
  TPDFStructure scratch;
  std::size_t dictionaryEnd = 0;
  auto* dictionary = As<TPDFDictionary>(scratch.ParseObjectAt(window, dictionaryEnd));
  if (dictionary == nullptr || dictionary->GetTypeName() != "XRef" || HasUndecodableFilter(*dictionary)) return false;
  const auto size = NumberAsInt64(dictionary->GetValue("Size", false));
  if (!size) return false;
  const std::int64_t prev = NumberAsInt64(dictionary->GetValue("Prev", false)).value_or(0);
  const std::size_t dataIndex = FindStreamData(window, dictionaryEnd);
  const auto* widths = As<TPDFArray>(dictionary->GetValue("W", false));
  if (widths != nullptr && widths->ItemCount() >= 3 && dataIndex != std::string::npos) {
    const std::int64_t dataPosition = position + static_cast<std::int64_t>(dataIndex);
    const std::int64_t budgetKey = TDecodeBudget::CrossReferenceStreamKey(position);
    const auto length = NumberAsInt64(dictionary->GetValue("Length", false));
    std::string data = length ? ReadAt(*length, dataPosition) : std::string();
    if (!data.empty()) {
      const std::size_t cap = Budget != nullptr ? Budget->NextCap(budgetKey) : limits::kMaxDecodedBytes;
      data = scratch.NewStreamOf(std::move(data), dictionary)->GetDecodedData(cap);
    }
    if (Budget != nullptr && !Budget->Spend(budgetKey, data.size())) return false;
    DeliverStreamEntries(*dictionary, *widths, data, OwnObjectNumber(position), dataPosition, *size);
  }
  if (TrailerHandler) TrailerHandler(dictionary->ToText());
  return prev < 1 || ReadSection(prev);
}

void TPDFXRefReader::DeliverStreamEntries(const TPDFDictionary& dictionary, const TPDFArray& widths,
                                          std::string_view data, std::int32_t ownNumber,
                                          std::int64_t dataPosition, std::int64_t size) {
  const std::int64_t w1 = ReadWidth(widths, 0), w2 = ReadWidth(widths, 1), w3 = ReadWidth(widths, 2);
  const auto consumed = [](std::int64_t w) { return w > 0 && w <= 8 ? static_cast<std::size_t>(w) : 0; };
  const std::size_t entrySize = consumed(w1) + consumed(w2) + consumed(w3);
  if (entrySize == 0) return;  // entries of no bytes would repeat without end
  FieldReader fields(data);
  for (const Subsection& subsection : ReadSubsections(dictionary, size)) {
    for (std::int64_t j = subsection.first; j < subsection.first + subsection.count; ++j) {
      // A short stream ends the entries; numbers outside 32 bits cannot name objects.
      if (!fields.HasRoom(entrySize) || j < INT32_MIN || j > INT32_MAX) return;
      const std::int32_t type = w1 == 0 ? 1 : fields.Read(w1);
      const std::int32_t field2 = fields.Read(w2);
      const std::int32_t field3 = fields.Read(w3);
      DeliverStreamEntry(static_cast<std::int32_t>(j), type, field2, field3, ownNumber, dataPosition);
    }
  }
}

void TPDFXRefReader::DeliverStreamEntry(std::int32_t number, std::int32_t type, std::int32_t field2,
                                        std::int32_t field3, std::int32_t ownNumber,
                                        std::int64_t dataPosition) {
  if (!EntryHandler) return;
  switch (type) {
    case 0:
      EntryHandler(number, field3, 'f', field2);
      break;
    case 1: {
      std::int64_t offset = field2;
      // Some writers file the stream's own entry with its number as the offset.
      if (number == ownNumber && ownNumber > 0 && offset == number) {
        const std::string digits = std::to_string(number);
        if (ReadAt(static_cast<std::int64_t>(digits.size()), offset) != digits) offset = dataPosition;
      }
      EntryHandler(number, field3, 'n', offset);
      break;
    }
    case 2:
      EntryHandler(number, field3, 'c', field2);
      break;
    default:
      EntryHandler(number, 0, ' ', 0);
  }
}

}  // namespace pdf

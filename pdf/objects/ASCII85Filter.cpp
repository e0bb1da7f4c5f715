// ASCII85Decode.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "pdf/objects/StreamFilters.h"

namespace pdf {
namespace {

constexpr char kFirstDigit = '!';
constexpr char kLastDigit = 'u';
constexpr char kZeroGroup = 'z';  // stands for "!!!!!"
constexpr std::string_view kEndMarker = "~>";
constexpr std::uint64_t kMaxGroupValue = 0xFFFFFFFF;

// The digits, "z" and "~" of the data; everything else (white space included) is dropped.
// "z" stays one character here and is expanded while decoding, so this never outgrows the data.
std::string Gather(std::string_view data) {
  std::string text;
  text.reserve(data.size());
  for (const char c : data) {
    if ((c >= kFirstDigit && c <= kLastDigit) || c == kZeroGroup || c == '~') text.push_back(c);
  }
  return text;
}

// Collects digits in groups of five and writes each group as four bytes, up to maxOutput.
class GroupDecoder {
 public:
  explicit GroupDecoder(std::size_t maxOutput) : maxOutput_(maxOutput) {}

  void Add(char digit) {
    group_[count_++] = digit;
    if (count_ == group_.size()) Flush(4);
  }
  // A partial group of r digits, padded with "u", gives its first r - 1 bytes.
  void Finish() {
    if (count_ == 0) return;
    const std::size_t keep = count_ - 1;
    while (count_ < group_.size()) group_[count_++] = kLastDigit;
    Flush(keep);
  }
  bool Full() const { return out_.size() >= maxOutput_; }
  std::string Take() { return std::move(out_); }

 private:
  // A group whose value does not fit 32 bits gives zero bytes.
  void Flush(std::size_t byteCount) {
    std::uint64_t value = 0;
    for (const char digit : group_) value = value * 85 + static_cast<std::uint64_t>(digit - kFirstDigit);
    if (value > kMaxGroupValue) value = 0;
    for (std::size_t i = 0; i < byteCount && !Full(); ++i) {
      out_.push_back(static_cast<char>(value >> (24 - 8 * i)));
    }
    count_ = 0;
  }

  std::size_t maxOutput_;
  std::array<char, 5> group_{};
  std::size_t count_ = 0;
  std::string out_;
};

}  // namespace

std::string DecodeASCII85(std::string_view data, std::size_t maxOutput) {
  const std::string text = Gather(data);
  // Anything after the last end marker is ignored; data without one is not trusted at all.
  const std::size_t marker = text.rfind(kEndMarker);
  if (marker == std::string::npos) return {};
  GroupDecoder decoder(maxOutput);
  for (const char c : std::string_view(text).substr(0, marker)) {
    if (decoder.Full()) break;
    if (c == kZeroGroup) {
      for (int i = 0; i < 5; ++i) decoder.Add(kFirstDigit);
    } else {
      decoder.Add(c);
    }
  }
  decoder.Finish();
  return decoder.Take();
}

}  // namespace pdf

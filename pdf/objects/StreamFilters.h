#pragma once
// The stream decoders and the Flate encoder. Corrupt data yields what could be decoded;
// every decoder stops once its output reaches maxOutput bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "pdf/objects/Limits.h"

namespace pdf {

// Predictor parameters of FlateDecode and LZWDecode, with their defaults.
struct TPDFFlateParms {
  std::int32_t Predictor = 1;
  std::int32_t Colors = 1;
  std::int32_t BitsPerComponent = 8;
  std::int32_t Columns = 1;
};
struct TPDFLZWParms : TPDFFlateParms {};

// True for the filter names GetDecodedData can undo (the others are passed over).
bool IsDecodableFilter(std::string_view name);

std::string InflateData(std::string_view data, std::size_t maxOutput = limits::kMaxDecodedBytes);
std::string InflateWithPredictor(std::string_view data, const TPDFFlateParms& parms,
                                 std::size_t maxOutput = limits::kMaxDecodedBytes);
std::string DeflateData(std::string_view data);

// Undoes PNG (Predictor >= 10) or TIFF (Predictor 2) prediction on already inflated data.
std::string UndoFlatePredictor(std::string_view data, const TPDFFlateParms& parms);

std::string DecodeASCII85(std::string_view data, std::size_t maxOutput = limits::kMaxDecodedBytes);
// Takes the data with its angle brackets, as "<" + data + ">".
std::string DecodeASCIIHex(std::string_view text);
std::string DecodeRunLength(std::string_view data, std::size_t maxOutput = limits::kMaxDecodedBytes);

class TPDFLZWDecompressor {
 public:
  explicit TPDFLZWDecompressor(bool earlyChange) : earlyChange_(earlyChange) {}
  std::string Decode(std::string_view data, const TPDFLZWParms& parms,
                     std::size_t maxOutput = limits::kMaxDecodedBytes);

 private:
  bool earlyChange_;
};

}  // namespace pdf

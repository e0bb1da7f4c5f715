// Decodes arbitrary stream data through a filter chain and parameters chosen by the
// first bytes of the input, so every decoder and predictor path is reached.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "pdf/objects/PDFStructure.h"

namespace {

constexpr std::array<std::string_view, 8> kFilterNames = {
    "FlateDecode", "LZWDecode", "ASCII85Decode", "ASCIIHexDecode",
    "RunLengthDecode", "Fl", "A85", "DCTDecode"};

constexpr std::array<int, 8> kPredictors = {1, 2, 10, 11, 12, 13, 14, 15};

struct Reader {
  std::string_view bytes;
  std::uint8_t Next() {
    if (bytes.empty()) return 0;
    const auto byte = static_cast<std::uint8_t>(bytes.front());
    bytes.remove_prefix(1);
    return byte;
  }
};

pdf::TPDFDictionary* MakeParms(pdf::TPDFStructure& structure, Reader& reader) {
  pdf::TPDFDictionary* parms = structure.NewDictionary();
  parms->SetValue("Predictor", structure.NewNumber(kPredictors[reader.Next() % kPredictors.size()]));
  parms->SetValue("Colors", structure.NewNumber(reader.Next() % 12));
  parms->SetValue("BitsPerComponent", structure.NewNumber(reader.Next() % 17));
  parms->SetValue("Columns", structure.NewNumber(reader.Next() * 4 - 2));
  parms->SetValue("EarlyChange", structure.NewNumber(reader.Next() % 2));
  return parms;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Reader reader{std::string_view(reinterpret_cast<const char*>(data), size)};
  pdf::TPDFStructure structure;
  pdf::TPDFArray* filters = structure.NewArray();
  pdf::TPDFArray* parmsList = structure.NewArray();
  const int count = reader.Next() % 4;
  for (int i = 0; i < count; ++i) {
    filters->Add(structure.NewName(kFilterNames[reader.Next() % kFilterNames.size()]));
    parmsList->Add(reader.Next() % 2 == 0 ? static_cast<pdf::TPDFObject*>(MakeParms(structure, reader))
                                          : structure.NewNull());
  }
  pdf::TPDFStream* stream = structure.NewStreamOf(std::string(reader.bytes), structure.NewDictionary());
  stream->Dictionary()->SetValue("Filter", filters);
  stream->Dictionary()->SetValue("DecodeParms", parmsList);
  const std::string decoded = stream->GetDecodedData();
  (void)decoded;
  return 0;
}

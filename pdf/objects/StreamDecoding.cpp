// Undoing a stream's /Filter chain.

#include <vector>

#include "pdf/objects/PDFStructure.h"
#include "pdf/objects/StreamFilters.h"

namespace pdf {

namespace {

struct FilterStep {
  std::string name;
  const TPDFDictionary* parms = nullptr;
};

TPDFObject* ResolveOnce(TPDFObject* object) {
  auto* reference = As<TPDFIndRef>(object);
  return reference != nullptr ? reference->Resolve() : object;
}

std::vector<FilterStep> CollectFilters(const TPDFDictionary& dictionary) {
  std::vector<FilterStep> steps;
  TPDFObject* filter = ResolveOnce(dictionary.GetValue("Filter", false));
  if (const auto* name = As<TPDFName>(filter)) {
    steps.push_back({name->Value()});
  } else if (const auto* array = As<TPDFArray>(filter)) {
    for (std::int32_t i = 0; i < array->ItemCount(); ++i) {
      if (const auto* item = As<TPDFName>(ResolveOnce(array->GetItem(i)))) {
        steps.push_back({item->Value()});
      }
    }
  }
  return steps;
}

void AttachParameters(const TPDFDictionary& dictionary, std::vector<FilterStep>& steps) {
  TPDFObject* parms = dictionary.IndexOfKey("DecodeParms") >= 0 ? dictionary.GetValue("DecodeParms", true)
                                                                 : dictionary.GetValue("DP", true);
  if (steps.empty()) return;
  if (const auto* single = As<TPDFDictionary>(parms)) {
    steps.front().parms = single;
  } else if (const auto* array = As<TPDFArray>(parms)) {
    const std::size_t count = std::min(steps.size(), static_cast<std::size_t>(array->ItemCount()));
    for (std::size_t i = 0; i < count; ++i) {
      steps[i].parms = As<TPDFDictionary>(array->GetItem(static_cast<std::int32_t>(i)));
    }
  }
}

std::int32_t NumericParameter(const TPDFDictionary* parms, std::string_view key, std::int32_t fallback) {
  const auto* number = parms != nullptr ? As<TPDFNumeric>(parms->GetValue(key, false)) : nullptr;
  return number != nullptr ? number->AsInteger() : fallback;
}

template <class Parms>
Parms ReadPredictorParms(const TPDFDictionary* parms) {
  Parms result;
  result.Predictor = NumericParameter(parms, "Predictor", 1);
  result.Colors = NumericParameter(parms, "Colors", 1);
  result.BitsPerComponent = NumericParameter(parms, "BitsPerComponent", 8);
  result.Columns = NumericParameter(parms, "Columns", 1);
  return result;
}

std::string ApplyFilter(const FilterStep& step, const std::string& data, std::size_t maxOutput) {
  const std::string& name = step.name;
  if (name == "FlateDecode" || name == "Fl") {
    const auto parms = ReadPredictorParms<TPDFFlateParms>(step.parms);
    if (step.parms == nullptr || parms.Predictor < 2) return InflateData(data, maxOutput);
    return InflateWithPredictor(data, parms, maxOutput);
  }
  if (name == "RunLengthDecode" || name == "RL") return DecodeRunLength(data, maxOutput);
  if (name == "ASCII85Decode" || name == "A85") return DecodeASCII85(data, maxOutput);
  if (name == "ASCIIHexDecode") return DecodeASCIIHex("<" + data + ">");
  if (name == "LZWDecode") {
    const bool earlyChange = NumericParameter(step.parms, "EarlyChange", 1) == 1;
    return TPDFLZWDecompressor(earlyChange).Decode(data, ReadPredictorParms<TPDFLZWParms>(step.parms), maxOutput);
  }
  // Image codecs and unknown filters are passed over: the data stays as it is.
  return data;
}

}  // namespace

bool IsDecodableFilter(std::string_view name) {
  for (const std::string_view known : {"FlateDecode", "Fl", "RunLengthDecode", "RL", "ASCII85Decode", "A85",
                                       "ASCIIHexDecode", "LZWDecode"}) {
    if (name == known) return true;
  }
  return false;
}

std::string TPDFStream::GetDecodedData() const { return GetDecodedData(limits::kMaxDecodedBytes); }

std::string TPDFStream::GetDecodedData(std::size_t maxOutput) const {
  std::vector<FilterStep> steps = CollectFilters(*dictionary_);
  AttachParameters(*dictionary_, steps);
  std::string data = data_;
  for (const FilterStep& step : steps) data = ApplyFilter(step, data, maxOutput);
  return data;
}

}  // namespace pdf

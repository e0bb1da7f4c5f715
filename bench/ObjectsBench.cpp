// Parse and ToText throughput of the object layer on a realistic mix of objects: page
// dictionaries, a page tree node with a long /Kids array, content-stream dictionaries,
// font dictionaries with /Widths, and an Info dictionary.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "pdf/objects/PDFStructure.h"

namespace {

std::string PageTreeNode(int kids) {
  std::string text = "<< /Type /Pages /Count " + std::to_string(kids) + " /Kids [";
  for (int i = 0; i < kids; ++i) text += ' ' + std::to_string(10 + i) + " 0 R";
  return text + " ] >>";
}

std::vector<std::string> RealisticMix() {
  std::vector<std::string> mix;
  for (int page = 0; page < 200; ++page) {
    const std::string n = std::to_string(page);
    mix.push_back("<< /Type /Page /Parent 3 0 R /MediaBox [ 0 0 612 792 ] /CropBox [ 0 0 612.0 792.0 ] "
                  "/Resources << /Font << /F1 5 0 R /F2 6 0 R >> /XObject << /Im" + n + " 7 0 R >> "
                  "/ProcSet [ /PDF /Text /ImageB /ImageC /ImageI ] >> /Contents " + n + "1 0 R "
                  "/Annots [ 8 0 R 9 0 R ] /Rotate 0 /Group << /S /Transparency /CS /DeviceRGB >> >>");
    mix.push_back("<< /Length 1234 /Filter /FlateDecode /DecodeParms << /Predictor 12 /Columns 5 >> >>");
  }
  std::string widths = "<< /Type /Font /Subtype /TrueType /BaseFont /ABCDEF+Helvetica#20Neue /FirstChar 32 "
                       "/LastChar 255 /Encoding /WinAnsiEncoding /Widths [";
  for (int i = 32; i < 256; ++i) widths += ' ' + std::to_string(250 + i * 3 % 700);
  mix.push_back(widths + " ] /FontDescriptor 12 0 R >>");
  mix.push_back("<< /Title (Annual report \\(draft\\)) /Author <FEFF00C9006C00E9006E0065> "
                "/CreationDate (D:20240101120000+01'00') /Producer (pdfTeX-1.40.25) >>");
  mix.push_back(PageTreeNode(5000));
  return mix;
}

void BM_ParseMix(benchmark::State& state) {
  const std::vector<std::string> mix = RealisticMix();
  pdf::TPDFStructure structure;
  for (auto _ : state) {
    for (const std::string& text : mix) benchmark::DoNotOptimize(structure.ParseObject(text));
    structure.Reset();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(mix.size()));
}
BENCHMARK(BM_ParseMix);

void BM_ToTextMix(benchmark::State& state) {
  const std::vector<std::string> mix = RealisticMix();
  pdf::TPDFStructure structure;
  std::vector<pdf::TPDFObject*> objects;
  for (const std::string& text : mix) objects.push_back(structure.ParseObject(text));
  for (auto _ : state) {
    for (const pdf::TPDFObject* object : objects) benchmark::DoNotOptimize(object->ToText());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(objects.size()));
}
BENCHMARK(BM_ToTextMix);

void BM_ParseLongKids(benchmark::State& state) {
  const std::string text = PageTreeNode(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    pdf::TPDFStructure structure;
    benchmark::DoNotOptimize(structure.ParseObject(text));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_ParseLongKids)->Arg(100000);

}  // namespace

// Reads every object of large generated files: one of many small objects behind a classic
// table, and the same document rewritten with object streams (by pikepdf, when present).
// Reports objects per second; peak RSS is printed once at the end.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "pdf/io/FileOperations.h"
#include "pdf/io/PDFReader.h"
#include "pdf/io/PDFWriter.h"
#include "pdf/objects/TextConversions.h"

namespace {

namespace fs = std::filesystem;

constexpr int kPages = 50000;

std::u16string Wide(const fs::path& path) { return pdf::UTF8ToUnicode(path.string()); }

fs::path Folder() {
  static const fs::path folder = [] {
    fs::path path = fs::temp_directory_path() / ("ombrelt-reader-bench-" + std::to_string(::getpid()));
    fs::create_directories(path);
    return path;
  }();
  return folder;
}

// Catalog, a page tree node and, per page, a page dictionary and a small content stream.
fs::path TableFile() {
  const fs::path path = Folder() / "table.pdf";
  if (fs::exists(path)) return path;
  auto stream = pdf::OpenWideFileStream(Wide(path), pdf::kFileModeCreate);
  pdf::TSmartPDFWriter writer(*stream);
  writer.WriteHeader("1.4");
  writer.WriteObject(1, 0, "<< /Type /Catalog /Pages 2 0 R >>");
  std::string kids = "<< /Type /Pages /Count " + std::to_string(kPages) + " /Kids [";
  for (int i = 0; i < kPages; ++i) kids += " " + std::to_string(3 + 2 * i) + " 0 R";
  writer.WriteObject(2, 0, kids + " ] >>");
  for (int i = 0; i < kPages; ++i) {
    const int page = 3 + 2 * i;
    writer.WriteObject(page, 0, "<< /Type /Page /Parent 2 0 R /MediaBox [ 0 0 612 792 ] /Contents " +
                                    std::to_string(page + 1) + " 0 R >>");
    const std::string content = "BT /F1 12 Tf 72 720 Td (Page " + std::to_string(i + 1) + ") Tj ET";
    writer.WriteObject(page + 1, 0, "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream");
  }
  pdf::TPDFStructure arena;
  auto* trailer = pdf::As<pdf::TPDFDictionary>(arena.ParseObject("<< /Size " + std::to_string(3 + 2 * kPages) + " /Root 1 0 R >>"));
  writer.WriteXRefTable(*trailer, 0, false);
  return path;
}

fs::path ObjectStreamFile() {
  const fs::path path = Folder() / "objstm.pdf";
  if (fs::exists(path)) return path;
  const std::string command = "/usr/bin/python3 -c \"import pikepdf,sys; p=pikepdf.open(sys.argv[1]); "
                              "p.save(sys.argv[2], object_stream_mode=pikepdf.ObjectStreamMode.generate)\" '" +
                              TableFile().string() + "' '" + path.string() + "' 2>/dev/null";
  return std::system(command.c_str()) == 0 ? path : fs::path();
}

void ReadEveryObject(benchmark::State& state, const fs::path& path) {
  if (path.empty()) {
    state.SkipWithError("input could not be generated (python3-pikepdf missing?)");
    return;
  }
  std::int64_t objects = 0;
  for (auto _ : state) {
    auto stream = pdf::OpenWideFileStream(Wide(path), pdf::kFileModeInput);
    pdf::TSmartPDFReader reader(*stream);
    auto arena = std::make_unique<pdf::TPDFStructure>();
    for (std::int32_t n = 1; n <= reader.MaxObjectNumber(); ++n) {
      benchmark::DoNotOptimize(reader.GetObject(n, arena.get()));
      if (n % 100 == 0) arena = std::make_unique<pdf::TPDFStructure>();
    }
    objects += reader.MaxObjectNumber();
  }
  state.SetItemsProcessed(objects);
}

void BM_ReadTableFile(benchmark::State& state) { ReadEveryObject(state, TableFile()); }
void BM_ReadObjectStreamFile(benchmark::State& state) { ReadEveryObject(state, ObjectStreamFile()); }
BENCHMARK(BM_ReadTableFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadObjectStreamFile)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("VmHWM")) std::cout << "peak RSS " << line.substr(6) << "\n";
  }
  fs::remove_all(Folder());
  return 0;
}

// Cost of the security handler's two hot paths: the revision 6 password hash (run once per AESV3 key
// computation and per password test, so it sets how fast an AES-256 file opens or is prepared), and
// the per-object work of an encryption: one ObjectKey and the AES encryption of one short string.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "pdf/objects/PDFStructure.h"
#include "pdf/security/SecurityHandler.h"

namespace {

void BM_RevisionSixHash(benchmark::State& state) {
  const std::string password = "correct horse battery staple";
  const std::string userValue(48, '\x5A');
  const std::string input = password + std::string(8, '\x11') + userValue;
  for (auto _ : state) benchmark::DoNotOptimize(pdf::TSmartPDFCrypt::RevisionSixHash(input, password, userValue));
}
BENCHMARK(BM_RevisionSixHash)->Unit(benchmark::kMicrosecond);

// ObjectKey plus EncryptObject of a 100-byte string; items per second are objects per second.
void BM_ObjectKeyAndAESString(benchmark::State& state) {
  const auto strength = static_cast<std::uint8_t>(state.range(0));
  pdf::TSmartPDFCrypt handler(pdf::TSmartPDFEncryption{}, std::string(16, '\x01'), 0);
  handler.PrepareEncryption("owner", "user", strength, 15, 15);
  const std::string plain(100, 'p');
  pdf::TPDFStructure structure;
  pdf::TPDFString* text = structure.NewString(plain, false);
  std::int32_t number = 1;
  for (auto _ : state) {
    text->SetValue(plain);
    const std::string key = handler.ObjectKey(number++, 0);
    handler.EncryptObject(key, text);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ObjectKeyAndAESString)->Arg(pdf::kCipherAES_128)->Arg(pdf::kCipherAES_256_R6);

}  // namespace

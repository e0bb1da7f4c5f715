// Cost per call of the crypto primitives on the sizes PDF encryption meets most: short strings (an
// MD5 of a 16-byte key, RC4 or AES of a 16-byte string) and a 64 KiB stream. The Naive variants fetch
// the algorithm from OpenSSL on every call, which is what the library avoids by fetching each once.

#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "pdf/security/CryptoPrimitives.h"

namespace {

const std::string kKey16(16, '\x5A');
const std::string kData16(16, '\x11');
const std::string kData64(64, '\x22');
const std::string kData64K(64 * 1024, '\x33');

void Require(bool ok) {
  if (!ok) throw std::runtime_error("OpenSSL call failed in benchmark");
}

const unsigned char* UBytes(const std::string& bytes) {
  return reinterpret_cast<const unsigned char*>(bytes.data());
}

// What each call costs when it fetches its algorithm itself.
std::string NaiveDigest(const char* name, const std::string& data) {
  using TDigestPtr = std::unique_ptr<EVP_MD, decltype(&EVP_MD_free)>;
  const TDigestPtr md(EVP_MD_fetch(nullptr, name, nullptr), EVP_MD_free);
  Require(md != nullptr);
  std::string digest(static_cast<std::size_t>(EVP_MD_get_size(md.get())), '\0');
  Require(EVP_Digest(data.data(), data.size(), reinterpret_cast<unsigned char*>(digest.data()), nullptr,
                     md.get(), nullptr) == 1);
  return digest;
}

std::string NaiveCipher(const char* name, const std::string& key, const unsigned char* iv, bool pad,
                        const std::string& data) {
  using TCipherPtr = std::unique_ptr<EVP_CIPHER, decltype(&EVP_CIPHER_free)>;
  using TContextPtr = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;
  const TCipherPtr cipher(EVP_CIPHER_fetch(nullptr, name, nullptr), EVP_CIPHER_free);
  const TContextPtr context(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
  Require(cipher != nullptr && context != nullptr);
  Require(EVP_EncryptInit_ex2(context.get(), cipher.get(), nullptr, nullptr, nullptr) == 1);
  Require(EVP_CIPHER_CTX_set_key_length(context.get(), static_cast<int>(key.size())) == 1);
  Require(EVP_CIPHER_CTX_set_padding(context.get(), pad ? 1 : 0) == 1);
  Require(EVP_EncryptInit_ex2(context.get(), nullptr, UBytes(key), iv, nullptr) == 1);
  std::string out(data.size() + 16, '\0');
  int written = 0;
  int tail = 0;
  auto* const target = reinterpret_cast<unsigned char*>(out.data());
  const int length = static_cast<int>(data.size());
  Require(EVP_EncryptUpdate(context.get(), target, &written, UBytes(data), length) == 1);
  Require(EVP_EncryptFinal_ex(context.get(), target + written, &tail) == 1);
  out.resize(static_cast<std::size_t>(written + tail));
  return out;
}

std::string NaiveAESEncryptPadded(const std::string& key, const std::string& data) {
  unsigned char iv[16];
  Require(RAND_bytes(iv, sizeof iv) == 1);
  const std::string ivBytes(reinterpret_cast<const char*>(iv), sizeof iv);
  return ivBytes + NaiveCipher("AES-128-CBC", key, iv, true, data);
}

// A source that costs nothing, to separate the cipher from the CSPRNG.
class TFixedRandom final : public pdf::TRandomSource {
 public:
  void Fill(std::span<std::uint8_t> bytes) override {
    for (std::uint8_t& byte : bytes) byte = 0x42;
  }
};

void SetBytes(benchmark::State& state, std::size_t perCall) {
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(perCall));
}

void BM_MD5_16(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(pdf::MD5Digest(kData16));
}
BENCHMARK(BM_MD5_16);

void BM_MD5_16_Naive(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(NaiveDigest("MD5", kData16));
}
BENCHMARK(BM_MD5_16_Naive);

void BM_SHA256_64(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(pdf::SHA256Digest(kData64));
}
BENCHMARK(BM_SHA256_64);

void BM_SHA256_64_Naive(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(NaiveDigest("SHA2-256", kData64));
}
BENCHMARK(BM_SHA256_64_Naive);

void BM_RC4_16(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(pdf::RC4Crypt(kKey16, kData16));
}
BENCHMARK(BM_RC4_16);

void BM_RC4_16_Naive(benchmark::State& state) {
  pdf::RC4Crypt(kKey16, kData16);  // loads the legacy provider that the naive fetch needs
  for (auto _ : state) benchmark::DoNotOptimize(NaiveCipher("RC4", kKey16, nullptr, false, kData16));
}
BENCHMARK(BM_RC4_16_Naive);

void BM_AESEncryptPadded(benchmark::State& state) {
  const std::string data(static_cast<std::size_t>(state.range(0)), '\x44');
  for (auto _ : state) benchmark::DoNotOptimize(pdf::AESEncryptPadded(kKey16, data));
  SetBytes(state, data.size());
}
BENCHMARK(BM_AESEncryptPadded)->Arg(16)->Arg(64 * 1024);

void BM_AESEncryptPadded_FixedIV(benchmark::State& state) {
  const std::string data(static_cast<std::size_t>(state.range(0)), '\x44');
  TFixedRandom random;
  for (auto _ : state) benchmark::DoNotOptimize(pdf::AESEncryptPadded(kKey16, data, random));
  SetBytes(state, data.size());
}
BENCHMARK(BM_AESEncryptPadded_FixedIV)->Arg(16)->Arg(64 * 1024);

void BM_AESEncryptPadded_Naive(benchmark::State& state) {
  const std::string data(static_cast<std::size_t>(state.range(0)), '\x44');
  for (auto _ : state) benchmark::DoNotOptimize(NaiveAESEncryptPadded(kKey16, data));
  SetBytes(state, data.size());
}
BENCHMARK(BM_AESEncryptPadded_Naive)->Arg(16)->Arg(64 * 1024);

void BM_AESDecryptPadded_64K(benchmark::State& state) {
  const std::string encrypted = pdf::AESEncryptPadded(kKey16, kData64K);
  for (auto _ : state) benchmark::DoNotOptimize(pdf::AESDecryptPadded(kKey16, encrypted));
  SetBytes(state, kData64K.size());
}
BENCHMARK(BM_AESDecryptPadded_64K);

void BM_RandomBelow(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(pdf::RandomBelow(2147483647));
}
BENCHMARK(BM_RandomBelow);

}  // namespace

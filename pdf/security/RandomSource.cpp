#include "pdf/security/RandomSource.h"

#include <openssl/crypto.h>
#include <openssl/rand.h>
#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>

#include "pdf/objects/PDFError.h"
#include "pdf/security/OpenSSLSupport.h"

namespace pdf {
namespace {

class TSystemRandom final : public TRandomSource {
 public:
  void Fill(std::span<std::uint8_t> bytes) override {
    // RAND_bytes counts in int.
    while (!bytes.empty()) {
      const std::size_t chunk = std::min<std::size_t>(bytes.size(), INT_MAX);
      CheckOpenSSL(RAND_bytes(bytes.data(), static_cast<int>(chunk)), "RAND_bytes");
      bytes = bytes.subspan(chunk);
    }
  }
};

std::uint32_t DrawUInt32(TRandomSource& source) {
  std::uint8_t bytes[4];
  source.Fill(bytes);
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

std::atomic<unsigned> forkCount{0};

// How many times this process came out of a fork as the child; counted from the first call on.
unsigned ForkGeneration() {
  static const bool registered = [] {
    return ::pthread_atfork(nullptr, nullptr, [] { forkCount.fetch_add(1, std::memory_order_relaxed); }) == 0;
  }();
  if (!registered) throw EPDFError("cannot watch for forks: pooled random bytes would be unsafe");
  return forkCount.load(std::memory_order_relaxed);
}

}  // namespace

TPooledRandom::TPooledRandom(TRandomSource& source) : source_(source), forkGeneration_(ForkGeneration()) {}

TPooledRandom::~TPooledRandom() { OPENSSL_cleanse(block_.data(), block_.size()); }

void TPooledRandom::Fill(std::span<std::uint8_t> bytes) {
  if (bytes.size() >= kBlockSize) {
    source_.Fill(bytes);
    return;
  }
  while (!bytes.empty()) {
    if (served_ == kBlockSize || forkGeneration_ != ForkGeneration()) Refill();
    const std::size_t n = std::min(bytes.size(), kBlockSize - served_);
    std::memcpy(bytes.data(), block_.data() + served_, n);
    OPENSSL_cleanse(block_.data() + served_, n);
    served_ += n;
    bytes = bytes.subspan(n);
  }
}

void TPooledRandom::Refill() {
  OPENSSL_cleanse(block_.data(), block_.size());
  served_ = kBlockSize;
  forkGeneration_ = ForkGeneration();
  source_.Fill(block_);
  served_ = 0;
}

TRandomSource& SystemRandom() {
  static TSystemRandom system;
  return system;
}

std::string RandomBytes(std::size_t count, TRandomSource& source) {
  std::string bytes(count, '\0');
  source.Fill({reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size()});
  return bytes;
}

std::uint32_t RandomBelow(std::uint32_t n, TRandomSource& source) {
  if (n == 0) throw EPDFError("RandomBelow needs a bound of at least 1");
  // Only the draws below the largest multiple of n under 2^32 map evenly onto 0 ... n - 1; the few
  // above it are drawn again.
  constexpr std::uint64_t kRange = std::uint64_t{1} << 32;
  const std::uint64_t limit = kRange - kRange % n;
  for (;;) {
    const std::uint32_t draw = DrawUInt32(source);
    if (draw < limit) return draw % n;
  }
}

}  // namespace pdf

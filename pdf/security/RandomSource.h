#pragma once
// Where file keys, salts, IVs and generated passwords get their randomness. Production code draws from
// the operating system's CSPRNG through OpenSSL; tests pass a source of their own to make encrypted
// output reproducible.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace pdf {

class TRandomSource {
 public:
  virtual ~TRandomSource() = default;
  // Fills every byte with a uniformly random value 0 ... 255.
  virtual void Fill(std::span<std::uint8_t> bytes) = 0;
};

// Serves bytes out of blocks drawn from another source: one draw from the generator covers the IVs
// of hundreds of strings and streams instead of one. Every byte is served once: it is wiped from
// the block as it goes out, and the rest of a block is dropped (wiped) in a process forked since
// the block was drawn, so parent and child never hand out the same bytes. Not for use by two
// threads at once; requests of a block or more go to the source directly.
class TPooledRandom final : public TRandomSource {
 public:
  static constexpr std::size_t kBlockSize = 4096;

  explicit TPooledRandom(TRandomSource& source);
  ~TPooledRandom() override;
  TPooledRandom(const TPooledRandom&) = delete;
  TPooledRandom& operator=(const TPooledRandom&) = delete;

  void Fill(std::span<std::uint8_t> bytes) override;

 private:
  void Refill();

  TRandomSource& source_;
  std::array<std::uint8_t, kBlockSize> block_{};
  // Bytes of the block already served (wiped); the whole block before the first draw.
  std::size_t served_ = kBlockSize;
  unsigned forkGeneration_ = 0;
};

// The process-wide CSPRNG source (OpenSSL RAND_bytes). It holds no state of its own, so every thread
// may use it; a failure of the generator raises EPDFError rather than giving weak bytes.
TRandomSource& SystemRandom();

std::string RandomBytes(std::size_t count, TRandomSource& source = SystemRandom());

// A uniform integer 0 ... n - 1 for n >= 1 (EPDFError for n = 0), without modulo bias.
std::uint32_t RandomBelow(std::uint32_t n, TRandomSource& source = SystemRandom());

}  // namespace pdf

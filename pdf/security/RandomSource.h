#pragma once
// Where file keys, salts, IVs and generated passwords get their randomness. Production code draws from
// the operating system's CSPRNG through OpenSSL; tests pass a source of their own to make encrypted
// output reproducible.

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

// The process-wide CSPRNG source (OpenSSL RAND_bytes). It holds no state of its own, so every thread
// may use it; a failure of the generator raises EPDFError rather than giving weak bytes.
TRandomSource& SystemRandom();

std::string RandomBytes(std::size_t count, TRandomSource& source = SystemRandom());

// A uniform integer 0 ... n - 1 for n >= 1 (EPDFError for n = 0), without modulo bias.
std::uint32_t RandomBelow(std::uint32_t n, TRandomSource& source = SystemRandom());

}  // namespace pdf

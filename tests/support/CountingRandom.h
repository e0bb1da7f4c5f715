#pragma once
// A reproducible random source for tests: the endless stream 0, 1, 2, ... 255, 0, 1, ...
// (the known-answer generator script assumes exactly this stream).

#include <cstdint>
#include <span>

#include "pdf/security/RandomSource.h"

namespace pdf::testing {

class TCountingRandom final : public TRandomSource {
 public:
  void Fill(std::span<std::uint8_t> out) override {
    for (std::uint8_t& byte : out) byte = next_++;
  }

 private:
  std::uint8_t next_ = 0;
};

}  // namespace pdf::testing

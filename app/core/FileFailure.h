#pragma once
// Why one file of a batch failed, carried out of the per-file steps to the observer.

#include <cstdint>
#include <string>

namespace ombrelt::app {

struct TFileFailure {
  std::int32_t errorCode = 0;  // the library's code; 0 when one of the job's own checks refused the file
  std::u16string reason;       // a short English reason
};

}  // namespace ombrelt::app

#include "app/core/HeapSettings.h"

#include <malloc.h>

namespace ombrelt::app {

namespace {

// glibc's largest fixed mapping threshold on 64-bit systems; larger blocks are still mapped apart.
constexpr int kMapThresholdBytes = 32 << 20;
// Free memory at the heap's top is handed back only beyond this, so one file's buffers serve the next.
constexpr int kTrimThresholdBytes = 64 << 20;

}  // namespace

void KeepLargeBuffersForReuse() {
  // Fixing the thresholds also stops glibc from moving them as blocks are freed.
  mallopt(M_MMAP_THRESHOLD, kMapThresholdBytes);
  mallopt(M_TRIM_THRESHOLD, kTrimThresholdBytes);
}

}  // namespace ombrelt::app

#pragma once
// How the process's heap treats the large buffers a batch allocates and frees over and over.

namespace ombrelt::app {

// Called once at start, before any thread: buffers up to 32 MiB (a stream's data, a decoded object
// stream, an object table) come from the heap and stay there when freed, instead of each being
// mapped afresh and faulted in page by page, or handed back to the system as the heap's top
// shrinks. The heap holds no more than what the largest file at hand needed.
void KeepLargeBuffersForReuse();

}  // namespace ombrelt::app

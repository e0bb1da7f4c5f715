#pragma once
// Every resource limit the object layer applies to hostile input, kept in one place.
// Fuzz builds use tighter values so that greedy inputs show up within a fuzzer's time-out.

#include <cstddef>

namespace pdf::limits {

#ifdef OMBRELT_FUZZ_LIMITS
inline constexpr std::size_t kMaxDecodedBytes = std::size_t{16} << 20;
#else
inline constexpr std::size_t kMaxDecodedBytes = std::size_t{256} << 20;
#endif

// Arrays and dictionaries nested deeper than this are treated as malformed: the parser
// recurses once per level and must never exhaust the stack.
inline constexpr int kMaxNestingDepth = 256;

// Dictionaries larger than this keep a hash index of their keys, so that a hostile
// dictionary of a million entries parses in linear rather than quadratic time.
inline constexpr std::size_t kDictionaryIndexThreshold = 32;

}  // namespace pdf::limits

#pragma once
// Every resource limit the object layer applies to hostile input, kept in one place.
// Fuzz builds use tighter values so that greedy inputs show up within a fuzzer's time-out.

#include <cstddef>
#include <cstdint>

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

namespace pdf::limits {

// Cross-reference sections followed in one walk (/Prev and /XRefStm chains); real files
// have a few dozen revisions at most, and every section costs a level of recursion.
inline constexpr std::size_t kMaxXRefSections = 512;

// The object table may hold this many numbers plus one per 16 bytes of file: an entry
// claiming object 2,000,000,000 in a tiny file is ignored instead of allocated.
inline constexpr std::int64_t kMinObjectTableSize = 1 << 20;
inline constexpr std::int64_t kFileBytesPerTableEntry = 16;

// A classic trailer dictionary is read from windows of growing size up to this many bytes. Real
// trailers hold a few entries, and some producers' whole document information: tens of kilobytes.
inline constexpr std::int64_t kMaxTrailerBytes = std::int64_t{4} << 20;

// Nested object loads (a /Length or an object stream that needs another object first).
inline constexpr int kMaxObjectLoadDepth = 32;

// Decoded object streams kept at once, by number and by their decoded bytes (a newly decoded
// stream is always kept, however large); older ones are decoded again when needed. Without the
// byte bound, sixteen small compressed streams that each inflate to the decoder's cap would be held
// together: gigabytes from a file of a few megabytes.
inline constexpr std::size_t kObjectStreamCacheSize = 16;
inline constexpr std::size_t kObjectStreamCacheBytes = std::size_t{64} << 20;

// The decoded bytes of all the object and cross-reference streams of one file together: this many
// per byte of the file, and at least the floor. Object streams of real files inflate to a few times
// their size, and the copy decodes each once; a file past the bound is refused, not read in part.
inline constexpr std::uint64_t kDecodeBudgetPerFileByte = 16;
inline constexpr std::uint64_t kMinDecodeBudget = std::uint64_t{64} << 20;

// Form fields looked at, and the depth of /Kids followed, in the search for a signature. Real
// forms have a few thousand fields at most, nested a few levels.
inline constexpr std::size_t kMaxSignatureSearchFields = 20000;
inline constexpr int kMaxFieldDepth = 32;
// Decoded bytes of the /Metadata stream searched for its PDF/A identification, which XMP puts
// near the start of the packet.
inline constexpr std::size_t kMaxMetadataSearchBytes = std::size_t{4} << 20;

}  // namespace pdf::limits

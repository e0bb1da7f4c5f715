#pragma once
// Random access to the objects of a PDF file by object number, without loading the file:
// each object is cut out of the file (or out of an object stream) and parsed on request.

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pdf/io/ByteStream.h"
#include "pdf/io/DecodeBudget.h"
#include "pdf/io/ObjectScan.h"
#include "pdf/io/SortedOffsets.h"
#include "pdf/objects/PDFStructure.h"
#include "pdf/security/RandomSource.h"

namespace pdf {

class TSmartPDFReader {
 public:
  // 0 = usable; 1 = no PDF header and no document found by scanning the file; 2 = no usable
  // cross-reference data or trailer.
  enum : std::uint8_t { kOpenOk = 0, kOpenNoHeader = 1, kOpenNoXRef = 2 };

  // Reads the header and the cross-reference data; check OpenError() before anything else.
  // The stream is borrowed and must outlive the reader.
  explicit TSmartPDFReader(TByteStream& stream);
  TSmartPDFReader(const TSmartPDFReader&) = delete;
  TSmartPDFReader& operator=(const TSmartPDFReader&) = delete;

  std::uint8_t OpenError() const { return openError_; }
  const std::string& Version() const { return version_; }
  // Decoded bytes of the object streams kept for later objects; at most limits::kObjectStreamCacheBytes
  // once another object stream is needed.
  std::size_t KeptObjectStreamBytes() const { return objectStreamBytes_; }
  // How many times an object stream was decoded: once per stream when its objects are read
  // together, more when the reading goes back to streams already dropped.
  std::size_t ObjectStreamsDecoded() const { return objectStreamsDecoded_; }
  std::int64_t StartXRef() const { return startXRef_; }
  bool HasEncrypt() const { return hasEncrypt_; }
  bool HasXRefStream() const { return hasXRefStream_; }
  // Whether the object and cross-reference streams inflated past what a file of this size may
  // (TDecodeBudget): streams are then no longer decoded, and a copy must be refused.
  bool DecodeBudgetSpent() const { return decodeBudget_.Spent(); }
  std::int32_t HeaderOffset() const { return headerOffset_; }
  // Whether the first kilobyte holds no "%PDF-" (or "%!PS-Adobe-") header: the file was read without.
  bool HeaderMissing() const { return headerMissing_; }
  bool HeaderRelative() const { return headerRelative_; }
  TPDFDictionary* Trailer() const { return trailer_; }
  TPDFStructure& Arena() { return arena_; }

  // An object's bytes as read. They are kept whole, header included, so that a large stream is
  // not shifted in memory to cut its header off.
  struct TObjectText {
    std::string bytes;
    std::size_t bodyStart = 0;
    // Read from the file: the body runs on to "endobj" and whatever follows up to the next
    // object. False for an object inside an object stream, whose body is the value alone.
    bool framed = false;
    std::string_view Body() const { return std::string_view(bytes).substr(std::min(bodyStart, bytes.size())); }
  };

  std::int32_t MaxObjectNumber() const { return static_cast<std::int32_t>(entries_.size()) - 1; }
  // Object numbers at or above this are never taken from this file, whatever it claims.
  std::int64_t ObjectNumberBound() const { return maxTableSize_; }
  // The object parsed afresh into arena, or (arena null) from the cache or the reader's arena.
  TPDFObject* GetObject(std::int32_t number, TPDFStructure* arena = nullptr);
  // GetObject into an arena in two steps, for callers that look at the text before parsing it:
  // the object's text (empty body when there is none), and the object parsed from that text.
  TObjectText ReadObject(std::int32_t number);
  TPDFObject* ParseObject(std::int32_t number, TObjectText text, TPDFStructure& arena);
  std::int32_t Generation(std::int32_t number) const;
  bool IsCompressed(std::int32_t number) const;
  // The object stream the table says holds the object, or 0 for one that is not compressed.
  std::int32_t ObjectStreamOf(std::int32_t number) const;
  TPDFDictionary* TrailerDictionary(std::string_view key);
  TPDFIndRef* TrailerReference(std::string_view key) const;
  // Which strings of the copy's /ID are new. Keys of 40-bit and 128-bit RC4 derive from the first
  // string and the passwords alone: two copies sharing it and a password would share a file key,
  // and so repeat RC4 keystreams across documents. Such copies get a new first string too.
  enum class TIdentifierRenewal : std::uint8_t { kSecondOnly, kBoth };
  // Rewrites the trailer to close a single-revision copy of the file. New /ID strings are 16 bytes
  // drawn from random.
  void PrepareTrailer(TIdentifierRenewal renewal = TIdentifierRenewal::kSecondOnly,
                      TRandomSource& random = SystemRandom());
  // Objects read from elsewhere than where the cross-reference data says (found near their offset
  // or by scanning the file), and objects in use by the data that could not be found at all.
  std::size_t RelocatedObjects() const { return relocated_.size(); }
  std::size_t UnreadableObjects() const { return unreadable_.size(); }
  // Whether the object table was rebuilt by scanning the file, its cross-reference data being
  // unusable.
  bool Rebuilt() const { return rebuilt_; }
  // Drops the cached objects and object streams, so that later look-ups read them afresh (after
  // a decryption hook was installed, say). Objects handed out before stay valid. The object
  // streams of an encrypted file whose table was rebuilt are looked into again on the next miss.
  void ForgetLoadedObjects();
  // The object's text after "obj", or empty.
  std::string ReadObjectText(std::int32_t number);

  std::function<void(TSmartPDFReader&)> OnFileIDChanged;
  // Told when an object stream of an encrypted file is loaded, before its data is decoded.
  std::function<void(std::int32_t, TPDFStream&)> OnObjectStreamLoaded;

  static constexpr std::size_t CacheCapacity = 100;

 private:
  struct Entry {
    std::int64_t offset = 0;
    std::int32_t second = 0;
    char kind = 0;
    bool filled = false;
    // The classic table section that marked the entry free, or 0.
    std::int32_t freeInTable = 0;
  };
  // One decoded object stream with its parsed (object number, offset) header.
  struct ObjectStream {
    std::int32_t number = 0;
    std::unique_ptr<TPDFStructure> arena;
    TPDFStream* stream = nullptr;
    std::vector<std::pair<std::int64_t, std::int64_t>> pairs;
    std::int64_t first = 0;
    std::size_t decodedBytes = 0;
  };

  bool ReadHeader();
  bool LooksLikeADocument();
  bool LoadCrossReferences();
  bool WalkCrossReferences(std::int64_t baseOffset);
  void HandleEntry(std::int32_t number, std::int32_t second, char kind, std::int64_t offset,
                   const class TPDFXRefReader& source);
  void HandleTrailer(const std::string& text);
  bool OffsetsCountFromHeader();
  bool ObjectsAfterTheLastEnd();

  // Rebuilding the table from a scan of the whole file.
  struct TTable {
    std::vector<Entry> entries;
    TVelloSortedInt64List offsets;
    std::vector<TPDFDictionary*> trailers;
    bool headerRelative = false;
    bool hasXRefStream = false;
  };
  struct TFoundTrailer {
    std::int64_t offset = 0;
    TPDFDictionary* dictionary = nullptr;
  };
  bool ReachesPageTree(const TPDFDictionary& trailer, bool encrypted);
  bool HasEntry(std::int32_t number) const;
  TTable TakeTable();
  void RestoreTable(TTable table);
  void Rebuild(bool dataReadWhole);
  void TableFromScan();
  std::vector<TFoundTrailer> FoundTrailers();
  void DropUnreadableEncrypt(std::vector<TFoundTrailer>& found);
  TPDFDictionary* RebuiltTrailer(const std::vector<TFoundTrailer>& found, bool encrypted);
  TPDFIndRef* FoundCatalog(bool encrypted);
  void IndexFoundObjectStreams(bool gapsOnly);
  void IndexObjectStreamsOnMiss(std::int32_t number);
  // Marks an object as being loaded while it lives; Refused() when that would repeat a load
  // already under way (a loop in the file) or nest loads too deeply.
  class TLoadGuard {
   public:
    TLoadGuard(std::set<std::int32_t>& loading, std::int32_t number);
    ~TLoadGuard();
    TLoadGuard(const TLoadGuard&) = delete;
    TLoadGuard& operator=(const TLoadGuard&) = delete;
    bool Refused() const { return !entered_; }

   private:
    std::set<std::int32_t>& loading_;
    const std::int32_t number_;
    bool entered_ = false;
  };
  // Where a stream's data lies in its object's body.
  struct TDataRange {
    std::size_t start = 0;
    std::size_t length = 0;
  };

  bool ObjectHeaderAt(std::int64_t position, std::int32_t number);
  std::string ReadBytes(std::int64_t position, std::int64_t count);
  TObjectText ReadObjectUnguarded(std::int32_t number);
  TObjectText ReadObjectAt(std::int32_t number, std::int32_t generation, std::int64_t start, std::int64_t extent);
  TObjectText ReadRelocated(std::int32_t number, const Entry* entry);
  bool EndsBeforeItsEndobj(const TObjectText& text, std::int64_t position) const;
  std::int64_t ScannedExtent(std::int64_t position, std::int64_t bodyStart);
  std::optional<TObjectScan::THeader> FindNear(std::int32_t number, std::int64_t offset);
  std::int64_t RelocatedStart(std::int32_t number, const Entry* entry);
  std::int64_t RelocatedExtent(std::int64_t start) const;
  std::string ReadCompressedObjectText(std::int32_t number, const Entry& entry);
  const ObjectStream* LoadObjectStream(std::int32_t number);
  void KeepObjectStream(ObjectStream loaded);
  void DropObjectStreamsOver(std::size_t bytes);
  void DropOldestObjectStream();
  TPDFObject* LoadObject(std::int32_t number, TPDFStructure& arena);
  TPDFObject* ParseUnguarded(TObjectText text, TPDFStructure& arena);
  // dictionaryEnd is where the parse of the dictionary stopped in text.
  std::optional<TDataRange> FindStreamData(std::string_view text, std::size_t dictionaryEnd,
                                           TPDFDictionary& dictionary);
  std::int64_t DeclaredLength(TPDFDictionary& dictionary);
  TPDFArray* CopyIdentifier(TIdentifierRenewal renewal, TRandomSource& random);
  TPDFObject* ValueInTrailers(std::string_view key) const;

  TByteStream& stream_;
  std::int64_t fileSize_ = 0;
  TDecodeBudget decodeBudget_;
  TPDFStructure arena_;
  std::string version_;
  TPDFDictionary* trailer_ = nullptr;
  std::uint8_t openError_ = kOpenOk;
  std::int64_t startXRef_ = 0;
  std::int64_t startXRefKeyword_ = -1;
  bool hasEncrypt_ = false;
  bool hasXRefStream_ = false;
  std::int32_t headerOffset_ = -1;
  bool headerMissing_ = false;
  bool headerRelative_ = false;
  std::vector<Entry> entries_;
  std::int64_t maxTableSize_ = 0;
  TVelloSortedInt64List offsets_;
  std::vector<TPDFDictionary*> trailers_;
  std::deque<std::pair<std::int32_t, TPDFObject*>> objectCache_;
  std::deque<ObjectStream> objectStreams_;
  std::size_t objectStreamBytes_ = 0;  // decodedBytes of objectStreams_ together
  std::size_t objectStreamsDecoded_ = 0;
  std::set<std::int32_t> brokenObjectStreams_;
  // Built on the first object that is not where the cross-reference data says.
  std::unique_ptr<TObjectScan> scan_;
  std::set<std::int32_t> relocated_;
  std::set<std::int32_t> unreadable_;
  bool rebuilt_ = false;
  bool objectStreamsIndexed_ = false;
  // Objects being loaded right now: a /Length or object stream that leads back to one of
  // them is a loop in the file.
  std::set<std::int32_t> loading_;
};

}  // namespace pdf

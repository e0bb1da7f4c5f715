// Rebuilding the object table of a file whose cross-reference data cannot be used: no startxref,
// a table or stream that does not parse, a /Prev into nothing, no trailer, or a trailer whose
// catalog leads to no page tree. Every major reader opens such files by scanning them for their
// objects; so do we, once, and only when the data read normally leaves us without a document.

#include <algorithm>
#include <utility>

#include "pdf/io/PDFReader.h"
#include "pdf/objects/Limits.h"

namespace pdf {

namespace {

// Trailers and cross-reference streams looked at, newest first: one per revision, and a file
// with more revisions than this has its document in the newest ones.
constexpr std::size_t kMaxTrailers = 100;
constexpr std::int64_t kTrailerWindow = std::int64_t{64} << 10;
// Object streams are decoded to learn what they hold; together no more than this.
constexpr std::size_t kObjectStreamIndexBudget = 4 * limits::kMaxDecodedBytes;
// The entries a rebuilt trailer takes from the trailers found.
constexpr std::string_view kDocumentKeys[] = {"Info", "ID", "Encrypt"};

template <class T>
std::vector<T> Newest(const std::vector<T>& items, std::size_t count) {
  return std::vector<T>(items.end() - static_cast<std::ptrdiff_t>(std::min(count, items.size())), items.end());
}

}  // namespace

// Whether the trailer's /Root leads to a catalog with a page tree. Objects of an encrypted file
// inside object streams cannot be read before its key is known: they are given the benefit of
// the doubt, and so are objects a rebuilt table does not have yet (its object streams are looked
// into once the key is known).
bool TSmartPDFReader::ReachesPageTree(const TPDFDictionary& trailer, bool encrypted) {
  const auto* root = As<TPDFIndRef>(trailer.GetValue("Root", false));
  if (root == nullptr) return false;
  const auto resolve = [&](const TPDFIndRef& reference, TPDFObject*& object) {
    const std::int32_t number = reference.TargetNumber();
    if (encrypted && (IsCompressed(number) || (rebuilt_ && !HasEntry(number)))) return true;
    object = GetObject(number);
    return false;
  };
  TPDFObject* object = nullptr;
  if (resolve(*root, object)) return true;
  const auto* catalog = As<TPDFDictionary>(object);
  if (catalog == nullptr) return false;
  TPDFObject* pages = catalog->GetValue("Pages", false);
  if (const auto* reference = As<TPDFIndRef>(pages)) {
    if (resolve(*reference, pages)) return true;
  }
  return As<TPDFDictionary>(pages) != nullptr;
}

bool TSmartPDFReader::HasEntry(std::int32_t number) const {
  return number >= 1 && number <= MaxObjectNumber() && entries_[static_cast<std::size_t>(number)].kind != 0;
}

TSmartPDFReader::TTable TSmartPDFReader::TakeTable() {
  TTable table{std::move(entries_), std::move(offsets_), std::move(trailers_), headerRelative_, hasXRefStream_};
  entries_.clear();
  offsets_ = TVelloSortedInt64List();
  trailers_.clear();
  headerRelative_ = false;
  hasXRefStream_ = false;
  return table;
}

void TSmartPDFReader::RestoreTable(TTable table) {
  entries_ = std::move(table.entries);
  offsets_ = std::move(table.offsets);
  trailers_ = std::move(table.trailers);
  headerRelative_ = table.headerRelative;
  hasXRefStream_ = table.hasXRefStream;
  rebuilt_ = false;
  ForgetLoadedObjects();
}

// Replaces the table read from the cross-reference data by one built from the scan. When the data
// was read whole and the scan finds no better document than the data did, the data's table stays;
// data read only in part always gives way to the scan, which saw every object.
void TSmartPDFReader::Rebuild(bool dataReadWhole) {
  const bool hadTable = dataReadWhole && !trailers_.empty();
  TTable normal = TakeTable();
  ForgetLoadedObjects();
  relocated_.clear();
  unreadable_.clear();
  if (!scan_) scan_ = std::make_unique<TObjectScan>(stream_, maxTableSize_);
  rebuilt_ = true;
  TableFromScan();
  std::vector<TFoundTrailer> found = FoundTrailers();
  DropUnreadableEncrypt(found);
  const bool encrypted = std::any_of(found.begin(), found.end(), [](const TFoundTrailer& trailer) {
    return trailer.dictionary->IndexOfKey("Encrypt") >= 0;
  });
  // An unencrypted file's object streams can be read now; an encrypted file's once its key is known.
  if (!encrypted) IndexFoundObjectStreams(false);
  TPDFDictionary* trailer = RebuiltTrailer(found, encrypted);
  if (trailer == nullptr || (hadTable && !ReachesPageTree(*trailer, encrypted))) {
    if (hadTable) RestoreTable(std::move(normal));
    return;
  }
  trailers_.push_back(trailer);
  for (const TFoundTrailer& each : found) trailers_.push_back(each.dictionary);
}

// Every object's last definition in the file, and every header as a bound on the text before it.
void TSmartPDFReader::TableFromScan() {
  const std::vector<TObjectScan::THeader>& headers = scan_->Headers();
  entries_.assign(std::max<std::size_t>(headers.size(), 1), Entry{});
  for (std::size_t number = 1; number < headers.size(); ++number) {
    if (headers[number].offset >= 0) entries_[number] = Entry{headers[number].offset, headers[number].generation, 'n', true, 0};
  }
  for (const std::int64_t start : scan_->Starts()) offsets_.Append(start);
}

// Trailer dictionaries and cross-reference stream dictionaries, newest (last in the file) first.
std::vector<TSmartPDFReader::TFoundTrailer> TSmartPDFReader::FoundTrailers() {
  std::vector<TFoundTrailer> found;
  for (const std::int64_t offset : Newest(scan_->TrailerOffsets(), kMaxTrailers)) {
    const std::string text = ReadBytes(offset + 7, kTrailerWindow);
    if (auto* dictionary = As<TPDFDictionary>(arena_.ParseObject(text))) found.push_back({offset, dictionary});
  }
  for (const std::int32_t number : Newest(scan_->MarkedObjects(TObjectScan::TMark::XRef), kMaxTrailers)) {
    const auto* stream = As<TPDFStream>(GetObject(number));
    TPDFDictionary* dictionary = stream != nullptr ? stream->Dictionary() : nullptr;
    if (dictionary != nullptr && dictionary->GetTypeName() == "XRef") found.push_back({entries_[static_cast<std::size_t>(number)].offset, dictionary});
  }
  std::sort(found.begin(), found.end(), [](const TFoundTrailer& a, const TFoundTrailer& b) { return a.offset > b.offset; });
  return found;
}

// A damaged file's trailers may name an /Encrypt that is gone (a trailer left over from a revision
// before the file was decrypted, or damage): such a file is read as not encrypted. Only
// a dictionary that names its security handler (/Filter) makes the file encrypted; an unknown handler
// still does, as its strings and streams cannot be read in clear.
void TSmartPDFReader::DropUnreadableEncrypt(std::vector<TFoundTrailer>& found) {
  for (const TFoundTrailer& trailer : found) {
    TPDFObject* encrypt = trailer.dictionary->GetValue("Encrypt", false);
    if (encrypt == nullptr) continue;
    if (const auto* reference = As<TPDFIndRef>(encrypt)) encrypt = GetObject(reference->TargetNumber());
    const auto* dictionary = As<TPDFDictionary>(encrypt);
    if (dictionary == nullptr || As<TPDFName>(dictionary->GetValue("Filter", false)) == nullptr) {
      trailer.dictionary->DeleteKey("Encrypt");
    }
  }
}

// A trailer for the rebuilt table: the /Root of the newest trailer that leads to a page tree, else
// the newest catalog that does, else the newest /Root at all; /Info, /ID and /Encrypt from the
// newest trailer that has them. Nothing when no catalog is to be found.
TPDFDictionary* TSmartPDFReader::RebuiltTrailer(const std::vector<TFoundTrailer>& found, bool encrypted) {
  TPDFObject* root = nullptr;
  for (std::size_t i = 0; root == nullptr && i < found.size(); ++i) {
    if (ReachesPageTree(*found[i].dictionary, encrypted)) root = found[i].dictionary->GetValue("Root", false);
  }
  if (root == nullptr) root = FoundCatalog(encrypted);
  for (std::size_t i = 0; root == nullptr && i < found.size(); ++i) root = As<TPDFIndRef>(found[i].dictionary->GetValue("Root", false));
  if (root == nullptr) return nullptr;
  TPDFDictionary* trailer = arena_.NewDictionary();
  trailer->SetValue("Root", root);
  for (const std::string_view key : kDocumentKeys) {
    const auto holder = std::find_if(found.begin(), found.end(), [key](const TFoundTrailer& each) {
      return each.dictionary->IndexOfKey(key) >= 0;
    });
    if (holder != found.end()) trailer->SetValue(key, holder->dictionary->GetValue(key, false));
  }
  return trailer;
}

// A reference to the newest /Type /Catalog object that leads to a page tree.
TPDFIndRef* TSmartPDFReader::FoundCatalog(bool encrypted) {
  std::vector<std::int32_t> catalogs = Newest(scan_->MarkedObjects(TObjectScan::TMark::Catalog), kMaxTrailers);
  for (auto number = catalogs.rbegin(); number != catalogs.rend(); ++number) {
    const auto* catalog = As<TPDFDictionary>(GetObject(*number));
    if (catalog == nullptr || catalog->GetTypeName() != "Catalog") continue;
    TPDFDictionary* probe = arena_.NewDictionary();
    TPDFIndRef* reference = arena_.NewReference(*number, Generation(*number));
    probe->SetValue("Root", reference);
    if (ReachesPageTree(*probe, encrypted)) return reference;
  }
  return nullptr;
}

// Adds the objects of the object streams the scan found, in the order of the file: a later
// definition, plain or in a stream, replaces an earlier one. With gapsOnly (an encrypted file,
// whose streams are read only once its key is known, after the table was first used) only objects
// the table does not have yet are added.
void TSmartPDFReader::IndexFoundObjectStreams(bool gapsOnly) {
  objectStreamsIndexed_ = true;
  std::size_t budget = kObjectStreamIndexBudget;
  for (const std::int32_t number : scan_->MarkedObjects(TObjectScan::TMark::ObjStm)) {
    if (!HasEntry(number) || entries_[static_cast<std::size_t>(number)].kind != 'n') continue;
    const std::int64_t streamOffset = entries_[static_cast<std::size_t>(number)].offset;
    const ObjectStream* objectStream = LoadObjectStream(number);
    if (objectStream == nullptr) continue;
    if (objectStream->decodedBytes > budget) break;
    budget -= objectStream->decodedBytes;
    for (std::size_t index = 0; index < objectStream->pairs.size(); ++index) {
      const std::int64_t member = objectStream->pairs[index].first;
      if (member < 1 || member >= maxTableSize_ || member == number) continue;
      if (static_cast<std::size_t>(member) >= entries_.size()) entries_.resize(static_cast<std::size_t>(member) + 1);
      Entry& entry = entries_[static_cast<std::size_t>(member)];
      const bool laterPlain = entry.kind == 'n' && entry.offset > streamOffset;
      if (laterPlain || (gapsOnly && entry.kind != 0)) continue;
      entry = Entry{number, static_cast<std::int32_t>(index), 'c', true, 0};
    }
  }
}

// An encrypted rebuilt file's object streams are indexed on the first look-up the table cannot
// answer once the decryption hook is in place.
void TSmartPDFReader::IndexObjectStreamsOnMiss(std::int32_t number) {
  if (!rebuilt_ || objectStreamsIndexed_ || !OnObjectStreamLoaded || HasEntry(number)) return;
  IndexFoundObjectStreams(true);
}

}  // namespace pdf

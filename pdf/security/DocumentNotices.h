#pragma once
// What encrypting a document changes beyond who may open it, found while inspecting it: a signed
// document's signatures no longer verify once it is rewritten, and a PDF/A document stops being one
// (PDF/A does not allow encryption). Both are read from the catalog with bounded work, so that a
// hostile form tree or metadata stream costs no more than the rest of the inspection.

#include <cstddef>
#include <string>
#include <string_view>

namespace pdf {

class TSmartPDFReader;
class TSmartPDFInfo;

namespace limits {

// Form fields looked at, and the depth of /Kids followed, in the search for a signature. Real
// forms have a few thousand fields at most, nested a few levels.
inline constexpr std::size_t kMaxSignatureSearchFields = 20000;
inline constexpr int kMaxFieldDepth = 32;
// Decoded bytes of the /Metadata stream searched for its PDF/A identification, which XMP puts
// near the start of the packet.
inline constexpr std::size_t kMaxMetadataSearchBytes = std::size_t{4} << 20;

}  // namespace limits

// True when the document carries a signature: /SigFlags with its SignaturesExist bit, a signature
// field with a value, or /Perms with /DocMDP or /UR3. Call after TSmartPDFInfo::LoadDocument.
bool IsSignedDocument(TSmartPDFReader& reader, TSmartPDFInfo& info);

// The PDF/A conformance its /Metadata declares, as "PDF/A-1B" (or "PDF/A-2" without a level);
// empty when it declares none.
std::string ClaimedPDFA(TSmartPDFReader& reader, TSmartPDFInfo& info);

// The same out of an XMP packet's text: pdfaid:part and pdfaid:conformance, each written as an
// attribute or as an element.
std::string PDFAIdentification(std::string_view xmp);

}  // namespace pdf

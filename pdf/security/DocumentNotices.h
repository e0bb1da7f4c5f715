#pragma once
// What encrypting a document changes beyond who may open it, found while inspecting it: a signed
// document's signatures no longer verify once it is rewritten, and a PDF/A document stops being one
// (PDF/A does not allow encryption). Both are read from the catalog with bounded work, so that a
// hostile form tree or metadata stream costs no more than the rest of the inspection.

#include <cstddef>
#include <string>
#include <string_view>

#include "pdf/objects/Limits.h"

namespace pdf {

class TSmartPDFReader;
class TSmartPDFInfo;

// True when the document carries a signature: /SigFlags with its SignaturesExist bit, a signature
// field with a value, or /Perms with /DocMDP or /UR3. Call after TSmartPDFInfo::LoadDocument.
bool IsSignedDocument(TSmartPDFReader& reader, TSmartPDFInfo& info);
// Its two halves. DeclaresSignature reads the catalog's /Perms and /SigFlags only. HasSignedField
// walks the form's fields, which costs a look at every field: a caller that has seen every object
// of the file, and no /Sig among them, can skip it.
bool DeclaresSignature(TSmartPDFReader& reader, TSmartPDFInfo& info);
bool HasSignedField(TSmartPDFReader& reader, TSmartPDFInfo& info);

// The PDF/A conformance its /Metadata declares, as "PDF/A-1B" (or "PDF/A-2" without a level);
// empty when it declares none.
std::string ClaimedPDFA(TSmartPDFReader& reader, TSmartPDFInfo& info);

// The same out of an XMP packet's text: pdfaid:part and pdfaid:conformance, each written as an
// attribute or as an element.
std::string PDFAIdentification(std::string_view xmp);

}  // namespace pdf

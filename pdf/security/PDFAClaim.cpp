// The PDF/A conformance a document claims in the XMP packet of its catalog's /Metadata stream.

#include "pdf/io/PDFReader.h"
#include "pdf/security/DocumentNotices.h"
#include "pdf/security/SecurityInfo.h"

namespace pdf {
namespace {

// The stream's decoded bytes, decrypted first in an encrypted file (the handler leaves metadata
// that /Encrypt keeps in clear as it is). The stream is parsed into an arena of its own, so the
// reader's copy stays as the file has it.
std::string MetadataBytes(TSmartPDFReader& reader, TSmartPDFInfo& info, const TPDFIndRef& reference) {
  TPDFStructure arena;
  const std::int32_t number = reference.TargetNumber();
  auto* stream = As<TPDFStream>(reader.GetObject(number, &arena));
  if (stream == nullptr) return {};
  info.DecryptObject(stream, number, reference.TargetGeneration());
  return stream->GetDecodedData();
}

}  // namespace

std::string ClaimedPDFA(TSmartPDFReader& reader, TSmartPDFInfo& info) {
  const TPDFDictionary* catalog = info.Catalog();
  const auto* reference = catalog != nullptr ? As<TPDFIndRef>(catalog->GetValue("Metadata", false)) : nullptr;
  if (reference == nullptr) return {};
  const std::string xmp = MetadataBytes(reader, info, *reference);
  return PDFAIdentification(std::string_view(xmp).substr(0, limits::kMaxMetadataSearchBytes));
}

}  // namespace pdf

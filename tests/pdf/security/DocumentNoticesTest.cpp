#include "pdf/security/DocumentNotices.h"

#include <gtest/gtest.h>

#include <string>

#include "pdf/io/MemoryStream.h"
#include "pdf/io/PDFReader.h"
#include "pdf/objects/StreamFilters.h"
#include "pdf/security/SecurityInfo.h"
#include "tests/pdf/io/TestPdf.h"

namespace pdf {
namespace {

using testing::TestPdf;

// A one-page document whose catalog has the given entries, with further objects from 10 on.
TestPdf DocumentWithCatalog(const std::string& catalogEntries) {
  TestPdf pdf;
  pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R " + catalogEntries + " >>")
      .Object(2, "<< /Type /Pages /Kids [ 3 0 R ] /Count 1 >>")
      .Object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [ 0 0 612 792 ] >>");
  return pdf;
}

struct OpenDocument {
  explicit OpenDocument(std::string bytes) : stream(std::move(bytes)), reader(stream), info(reader, true, u"") {}
  TMemoryStream stream;
  TSmartPDFReader reader;
  TSmartPDFInfo info;
};

// A chain of fields from object 10, each the only kid of the one before; the last is a signed
// signature field.
TestPdf SignedFieldAtDepth(int depth) {
  TestPdf pdf = DocumentWithCatalog("/AcroForm << /Fields [ 10 0 R ] >>");
  for (int level = 0; level < depth; ++level) {
    pdf.Object(10 + level, "<< /T (f" + std::to_string(level) + ") /Kids [ " + std::to_string(11 + level) + " 0 R ] >>");
  }
  pdf.Object(10 + depth, "<< /T (last) /FT /Sig /V << /Type /Sig /Filter /Adobe.PPKLite >> >>");
  return pdf;
}

TEST(SignedDocument, CatalogEntriesAndFields) {
  struct Case {
    const char* what;
    std::string catalog;
    std::string extra;  // object 10
    bool isSigned;
  };
  const Case cases[] = {
      {"no form", "", "<< >>", false},
      {"SignaturesExist flag", "/AcroForm << /Fields [ ] /SigFlags 3 >>", "<< >>", true},
      {"AppendOnly flag alone", "/AcroForm << /Fields [ ] /SigFlags 2 >>", "<< >>", false},
      {"flags in an indirect form", "/AcroForm 10 0 R", "<< /Fields [ ] /SigFlags 1 >>", true},
      {"signature field with a value", "/AcroForm << /Fields [ 10 0 R ] >>",
       "<< /FT /Sig /T (s) /V << /Type /Sig >> >>", true},
      {"empty signature field", "/AcroForm << /Fields [ 10 0 R ] >>", "<< /FT /Sig /T (s) >>", false},
      {"text field with a value", "/AcroForm << /Fields [ 10 0 R ] >>", "<< /FT /Tx /T (t) /V (text) >>", false},
      {"kid inherits the signature type", "/AcroForm << /Fields [ 10 0 R ] >>",
       "<< /FT /Sig /T (s) /Kids [ << /T (k) /V << /Type /Sig >> >> ] >>", true},
      {"certification", "/Perms << /DocMDP 10 0 R >>", "<< /Type /Sig >>", true},
      {"usage rights", "/Perms 10 0 R", "<< /UR3 << /Type /Sig >> >>", true},
      {"null permission", "/Perms << /DocMDP null >>", "<< >>", false},
      {"fields that lead back to themselves", "/AcroForm << /Fields [ 10 0 R ] >>",
       "<< /T (loop) /Kids [ 10 0 R 10 0 R ] >>", false},
  };
  for (const Case& c : cases) {
    OpenDocument document(DocumentWithCatalog(c.catalog).Object(10, c.extra).Finish("/Root 1 0 R"));
    EXPECT_EQ(IsSignedDocument(document.reader, document.info), c.isSigned) << c.what;
  }
}

TEST(SignedDocument, FieldTreesAreWalkedToABoundedDepth) {
  OpenDocument shallow(SignedFieldAtDepth(limits::kMaxFieldDepth).Finish("/Root 1 0 R"));
  EXPECT_TRUE(IsSignedDocument(shallow.reader, shallow.info));
  // Deeper than any real form: the walk stops before it, rather than following a hostile chain.
  OpenDocument deep(SignedFieldAtDepth(limits::kMaxFieldDepth + 1).Finish("/Root 1 0 R"));
  EXPECT_FALSE(IsSignedDocument(deep.reader, deep.info));
}

TEST(SignedDocument, FieldCountIsBounded) {
  // More fields than are looked at, every one of them the same unsigned field, then a signed one.
  std::string fields;
  for (std::size_t i = 0; i < limits::kMaxSignatureSearchFields; ++i) fields += "<< /FT /Tx >> ";
  OpenDocument document(DocumentWithCatalog("/AcroForm << /Fields [ " + fields + "10 0 R ] >>")
                            .Object(10, "<< /FT /Sig /V << >> >>")
                            .Finish("/Root 1 0 R"));
  EXPECT_FALSE(IsSignedDocument(document.reader, document.info));
}

TEST(PDFAIdentification, AttributeAndElementForms) {
  struct Case {
    std::string xmp;
    std::string claim;
  };
  const Case cases[] = {
      {R"(<rdf:Description pdfaid:part="1" pdfaid:conformance="B"/>)", "PDF/A-1B"},
      {"<rdf:Description xmlns:pdfaid='http://www.aiim.org/pdfa/ns/id/' pdfaid:part='2' pdfaid:conformance='u'/>",
       "PDF/A-2U"},
      {"<rdf:Description pdfaid:conformance = \"A\"\n pdfaid:part = \"3\"/>", "PDF/A-3A"},
      {"<pdfaid:part>2</pdfaid:part>\n<pdfaid:conformance>B</pdfaid:conformance>", "PDF/A-2B"},
      {"<pdfaid:part>\n  1\n</pdfaid:part>", "PDF/A-1"},
      {R"(<rdf:Description pdfaid:part="4"/>)", "PDF/A-4"},
      {R"(<x pdfaid:part="1" pdfaid:conformance="level B"/>)", "PDF/A-1"},
      {R"(<x pdfaid:partial="1" pdfaid:part="2"/>)", "PDF/A-2"},
      {R"(<x pdfaid:part="one"/>)", ""},
      {R"(<x pdfaid:part="0"/>)", ""},
      {R"(<x pdfaid:part=""/>)", ""},
      {"<pdfaid:part/>", ""},
      {R"(<x pdfuaid:part="1"/>)", ""},
      {R"(<x pdfaid:part="1)", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(PDFAIdentification(c.xmp), c.claim) << c.xmp;
}

TEST(ClaimedPDFA, ReadsTheDecodedMetadataStream) {
  const std::string xmp = "<?xpacket begin=''?><x:xmpmeta><rdf:RDF><rdf:Description pdfaid:part='2' "
                          "pdfaid:conformance='U'/></rdf:RDF></x:xmpmeta><?xpacket end='w'?>";
  const std::string packed = DeflateData(xmp);
  OpenDocument compressed(DocumentWithCatalog("/Metadata 10 0 R")
                              .Object(10, "<< /Type /Metadata /Subtype /XML /Filter /FlateDecode /Length " +
                                              std::to_string(packed.size()) + " >>\nstream\n" + packed + "\nendstream")
                              .Finish("/Root 1 0 R"));
  EXPECT_EQ(ClaimedPDFA(compressed.reader, compressed.info), "PDF/A-2U");

  OpenDocument none(DocumentWithCatalog("").Finish("/Root 1 0 R"));
  EXPECT_EQ(ClaimedPDFA(none.reader, none.info), "");
  OpenDocument notAStream(DocumentWithCatalog("/Metadata 10 0 R").Object(10, "(pdfaid:part='1')").Finish("/Root 1 0 R"));
  EXPECT_EQ(ClaimedPDFA(notAStream.reader, notAStream.info), "");
}

}  // namespace
}  // namespace pdf

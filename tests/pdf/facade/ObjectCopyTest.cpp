// The copy of objects from their text, held to the copy through the parse: every object must come
// out of both with the value it has in the input, at every strength, in a copy in clear of an
// encrypted input and in a copy encrypted anew.

#include "pdf/facade/ObjectCopy.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "pdf/io/MemoryStream.h"
#include "pdf/objects/PlainValue.h"
#include "tests/pdf/io/TestPdf.h"
#include "tests/support/CountingRandom.h"
#include "tests/support/TestTools.h"

namespace pdf {
namespace {

using namespace std::string_literals;
using testing::TestPdf;

struct TFixture {
  int number;
  std::string text;
  bool scanned;  // copied from its text, else parsed
  int generation = 0;
};

const std::vector<TFixture>& Fixtures() {
  static const std::vector<TFixture> fixtures = {
      {4, "<< /Type /Annot /Subtype /Text /Rect [ 0 0 10 10 ] /Contents (escapes \\n\\r\\t\\b\\f \\( \\) \\\\ "
          "\\101\\7\\0123 (nested (twice)) \\q end) /NM (nm-1) /M (D:20240101) >>", true},
      {5, "<< /T (joined \\\ntwo \\\r\nthree) /V (raw\rcr\nlf\r\ncrlf) >>", true},
      {6, "<< /V < 48 65\n6C 6C 6F 7 > /W <> /X <FEFF00410042> >>", true},
      {7, "<</T(a)/V<41>/DA(/Helv 0 Tf 0 g)/Ff 4096/P 3 0 R>>", true},
      {8, "[ (a) [ <62> << /K [ (c) << /L (d) >> ] >> ] 3 0 R ]", true},
      {9, "[ () <> ( ) (50% off) ]", true},
      {10, "(a top-level string)", true},
      {11, "<< /T (\xFE\xFF\x00" "A\x00\x7F) >>"s, true},
      {12, "<< /S /URI /URI (http://example.com/a\\(b\\)) >>", true, 3},
      {13, "<< /N#28x (a) /T (b) >>", false},
      {14, "<< /T (a) % note\n /U (b) >>", false},
      {15, "<< /Type /Sig /Filter /Adobe.PPKLite /ByteRange [ 0 1 2 3 ] /Contents <3082DEAD> /M (D:2024) >>", false},
      {16, "<< /FT /Sig /T (field) /V << /Type /DocTimeStamp /Contents <3082> >> >>", false},
      {17, "[ (a) 1E5 ]", false},
      {18, "<< /Length 3 /T (s) >>\nstream\nabc\nendstream", false},
  };
  return fixtures;
}

// The catalog refers to every fixture, so that qpdf keeps them when it rewrites the file.
std::string Input() {
  std::string references;
  for (const TFixture& fixture : Fixtures()) {
    references += " " + std::to_string(fixture.number) + " " + std::to_string(fixture.generation) + " R";
  }
  TestPdf pdf;
  pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R /Fixtures [" + references + " ] >>")
      .Object(2, "<< /Type /Pages /Kids [ 3 0 R ] /Count 1 >>")
      .Object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [ 0 0 612 792 ] >>");
  for (const TFixture& fixture : Fixtures()) pdf.Object(fixture.number, fixture.text, fixture.generation);
  return pdf.Finish("/Root 1 0 R /ID [ <00112233445566778899AABBCCDDEEFF> <00112233445566778899AABBCCDDEEFF> ]");
}

// The input, opened with password, copied object by object into a whole file: encrypted at strength
// (open password "user", owner password "owner") or, without strength, in clear.
std::string Copy(const std::string& input, std::u16string_view password, std::optional<std::uint8_t> strength,
                 TObjectCopyPath path) {
  TMemoryStream in(input);
  TSmartPDFReader reader(in);
  TSmartPDFInfo source(reader, false, password);
  const TPDFIndRef* inputEncrypt = reader.TrailerReference("Encrypt");
  const std::int32_t skipped = inputEncrypt != nullptr ? inputEncrypt->TargetNumber() : 0;
  reader.PrepareTrailer();
  TPDFDictionary& trailer = *reader.Trailer();
  trailer.DeleteKey("Encrypt");
  testing::TCountingRandom random;
  std::optional<TEncryptionTarget> target;
  TPDFDictionary* encrypt = nullptr;
  if (strength) {
    target.emplace(source.ReadFileID(), random);
    encrypt = target->BuildEncryptDictionary(reader.Arena(), "owner", "user", *strength, 15, 15);
  }
  TMemoryStream out;
  TSmartPDFWriter writer(out);
  writer.WriteHeader("1.7");
  TObjectCopy copy(reader, source, target ? &*target : nullptr, writer, path);
  const std::int32_t last = reader.MaxObjectNumber();
  copy.CopyAll(last, skipped, [](std::int32_t) {});
  if (encrypt != nullptr) {
    writer.WriteObject(last + 1, 0, encrypt->ToText());
    trailer.SetValue("Encrypt", reader.Arena().NewReference(last + 1, 0));
  }
  writer.WriteXRefTable(trailer, 0, false);
  return out.Bytes();
}

// Every object the file holds but its /Encrypt dictionary, as our reader reads it decrypted with password.
std::map<std::int32_t, std::string> Values(const std::string& file, std::u16string_view password) {
  TMemoryStream in(file);
  TSmartPDFReader reader(in);
  TSmartPDFInfo info(reader, false, password);
  const TPDFIndRef* encrypt = reader.TrailerReference("Encrypt");
  std::map<std::int32_t, std::string> values;
  TPDFStructure arena;
  for (std::int32_t number = 1; number <= reader.MaxObjectNumber(); ++number) {
    if (encrypt != nullptr && encrypt->TargetNumber() == number) continue;
    TPDFObject* object = reader.GetObject(number, &arena);
    if (object == nullptr) continue;
    info.DecryptObject(object, number, reader.Generation(number));
    values[number] = object->ToText();
  }
  return values;
}

// The copy takes a value from its text when the scan accepts it and nothing follows it.
TEST(ObjectCopyFixtures, TakeThePathTheyAreMeantFor) {
  for (const TFixture& fixture : Fixtures()) {
    const std::optional<TPlainValue> value = ScanPlainValue(fixture.text, kSignatureTypes);
    const bool scanned = value && fixture.text.find_first_not_of(" \n", value->end) == std::string::npos;
    EXPECT_EQ(scanned, fixture.scanned) << fixture.text;
  }
}

class ObjectCopyAtStrength : public ::testing::TestWithParam<std::uint8_t> {};

TEST_P(ObjectCopyAtStrength, EncryptedCopyDecryptsToTheInput) {
  const std::string input = Input();
  const auto expected = Values(input, u"");
  const std::string scanned = Copy(input, u"", GetParam(), TObjectCopyPath::kScanWherePlain);
  EXPECT_EQ(Values(scanned, u"user"), expected);
  EXPECT_EQ(Values(Copy(input, u"", GetParam(), TObjectCopyPath::kParseAlways), u"user"), expected);
  for (const std::string text : {"top-level", "nested", "Helv", "example.com", "50% off"}) {
    EXPECT_EQ(scanned.find(text), std::string::npos) << text << " in clear";
  }
}

TEST_P(ObjectCopyAtStrength, CopyInClearOrEncryptedAnewOfAnEncryptedInput) {
  const std::string input = Input();
  const auto expected = Values(input, u"");
  const std::string encrypted = Copy(input, u"", GetParam(), TObjectCopyPath::kParseAlways);
  for (const TObjectCopyPath path : {TObjectCopyPath::kScanWherePlain, TObjectCopyPath::kParseAlways}) {
    EXPECT_EQ(Values(Copy(encrypted, u"owner", std::nullopt, path), u""), expected);
    const std::uint8_t other = GetParam() == kCipherAES_256_R6 ? kCipherRC4_40 : kCipherAES_256_R6;
    EXPECT_EQ(Values(Copy(encrypted, u"user", other, path), u"user"), expected);
  }
}

INSTANTIATE_TEST_SUITE_P(EveryStrength, ObjectCopyAtStrength,
                         ::testing::Values(kCipherRC4_40, kCipherRC4_128, kCipherAES_128, kCipherAES_256_R5,
                                           kCipherAES_256_R6));

// Objects of an object stream come decrypted with their stream: their strings are not decrypted
// again. qpdf makes the encrypted input and reads every object of the copy in clear as it reads the
// input (tests/tools/compare_objects.py, on pikepdf).
TEST(ObjectCopyOfObjectStreams, StringsAreDecryptedOnceWithTheirStream) {
  const std::filesystem::path compareObjects =
      std::filesystem::path(OMBRELT_TEST_DATA_DIR).parent_path() / "tools" / "compare_objects.py";
  if (!testing::HasProgram("qpdf") || testing::RunCommand("/usr/bin/python3 -c 'import pikepdf'").exitCode != 0) {
    GTEST_SKIP() << "needs qpdf and pikepdf";
  }
  testing::TempFolder folder;
  const std::filesystem::path in = folder / "in.pdf";
  const std::filesystem::path encrypted = folder / "encrypted.pdf";
  const std::filesystem::path clear = folder / "clear.pdf";
  testing::WriteFile(in, Input());
  for (const std::string level : {"40", "128 --use-aes=y", "256"}) {
    const auto made = testing::RunCommand("qpdf --allow-weak-crypto --object-streams=generate --encrypt user owner " +
                                          level + " -- " + testing::Quote(in.string()) + " " +
                                          testing::Quote(encrypted.string()) + " 2>&1");
    ASSERT_NE(made.exitCode, 2) << made.output;
    for (const TObjectCopyPath path : {TObjectCopyPath::kScanWherePlain, TObjectCopyPath::kParseAlways}) {
      testing::WriteFile(clear, Copy(testing::ReadFile(encrypted), u"owner", std::nullopt, path));
      const auto compared =
          testing::RunCommand("/usr/bin/python3 " + testing::Quote(compareObjects.string()) + " " +
                              testing::Quote(encrypted.string()) + " " + testing::Quote(clear.string()) +
                              " --password '' --input-password owner");
      EXPECT_EQ(compared.exitCode, 0) << level << "\n" << compared.output;
    }
  }
}

// A writer may scatter an object stream's objects over the numbers: here object n lies in stream
// (n - 3) % 20, more streams than the reader keeps decoded. Each stream is decoded once all the
// same, and every number is copied, each once.
TEST(ObjectCopyOfObjectStreams, EachStreamIsDecodedOnceHoweverItsObjectsAreNumbered) {
  constexpr int kStreams = 20;
  constexpr int kPerStream = 3;
  constexpr int kFirstStream = 100;
  TestPdf pdf("%PDF-1.5\n");
  pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R >>").Object(2, "<< /Type /Pages /Kids [ ] /Count 0 >>");
  std::map<int, int> streamOf;  // object number: its stream's index
  for (int stream = 0; stream < kStreams; ++stream) {
    std::string header;
    std::string body;
    for (int k = 0; k < kPerStream; ++k) {
      const int number = 3 + stream + k * kStreams;
      streamOf[number] = stream;
      header += std::to_string(number) + " " + std::to_string(body.size()) + " ";
      body += "[ (object " + std::to_string(number) + ") ] ";
    }
    pdf.Object(kFirstStream + stream, "<< /Type /ObjStm /N " + std::to_string(kPerStream) + " /First " +
                                          std::to_string(header.size()) + " /Length " +
                                          std::to_string(header.size() + body.size()) + " >>\nstream\n" + header +
                                          body + "\nendstream");
  }
  std::string bytes = pdf.Bytes();
  const auto xref = static_cast<std::int64_t>(bytes.size());
  const int size = kFirstStream + kStreams;
  bytes += "xref\n0 " + std::to_string(size) + "\n" + TestPdf::Entry(0, 65535, 'f');
  for (int n = 1; n < size; ++n) {
    if (n <= 2 || n >= kFirstStream) {
      bytes += TestPdf::Entry(pdf.Offset(n), 0, 'n');
    } else if (streamOf.count(n) != 0) {
      bytes += TestPdf::Entry(kFirstStream + streamOf[n], (n - 3) / kStreams, 'c');
    } else {
      bytes += TestPdf::Entry(0, 0, 'f');
    }
  }
  bytes += "trailer\n<< /Size " + std::to_string(size) + " /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) +
           "\n%%EOF\n";

  TMemoryStream in(bytes);
  TSmartPDFReader reader(in);
  ASSERT_EQ(reader.OpenError(), 0);
  TSmartPDFInfo source(reader, false, u"");
  TMemoryStream out;
  TSmartPDFWriter writer(out);
  TObjectCopy copy(reader, source, nullptr, writer);
  std::int32_t copied = 0;
  copy.CopyAll(reader.MaxObjectNumber(), 0, [&copied](std::int32_t count) { copied = count; });
  EXPECT_EQ(reader.ObjectStreamsDecoded(), static_cast<std::size_t>(kStreams));
  EXPECT_EQ(copied, reader.MaxObjectNumber());
  const std::string written = out.Bytes();
  for (const auto& [number, stream] : streamOf) {
    const std::string object = std::to_string(number) + " 0 obj\n[ (object " + std::to_string(number) + ") ]";
    EXPECT_NE(written.find(object), std::string::npos) << number;
  }
}

}  // namespace
}  // namespace pdf

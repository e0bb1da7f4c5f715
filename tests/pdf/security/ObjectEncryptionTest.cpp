#include <gtest/gtest.h>

#include <algorithm>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "pdf/objects/PDFStructure.h"
#include "pdf/objects/TextConversions.h"
#include "pdf/security/CryptoPrimitives.h"
#include "pdf/security/SecurityHandler.h"
#include "tests/pdf/security/KnownAnswers.h"

namespace pdf {
namespace {

using namespace security_test;
using namespace std::string_literals;

const std::string kFileId = FromHex("00112233445566778899aabbccddeeff");

std::unique_ptr<TSmartPDFCrypt> Writer(std::uint8_t strength, TRandomSource& random = SystemRandom()) {
  auto writer = std::make_unique<TSmartPDFCrypt>(TSmartPDFEncryption{}, kFileId, 0, random);
  writer->PrepareEncryption("owner", "user", strength, 15, 15);
  return writer;
}

// A stream << /Type /<type> /Info [ << /Note (note) >> ] >> holding data.
TPDFStream* NestedStream(TPDFStructure& structure, std::string_view type, std::string data) {
  TPDFDictionary* dictionary = structure.NewDictionary();
  if (!type.empty()) dictionary->SetValue("Type", structure.NewName(type));
  TPDFDictionary* inner = structure.NewDictionary();
  inner->SetValue("Note", structure.NewString("note", false));
  inner->SetValue("Page", structure.NewReference(7, 0));
  dictionary->SetValue("Info", structure.NewArrayOf({inner, structure.NewNumber(3)}));
  TPDFStream* stream = structure.NewStreamOf("", dictionary);
  stream->SetRawData(std::move(data));
  return stream;
}

TPDFString* NoteOf(TPDFStream* stream) {
  auto* array = As<TPDFArray>(stream->Dictionary()->GetValue("Info", false));
  return As<TPDFString>(As<TPDFDictionary>(array->GetItem(0))->GetValue("Note", false));
}

std::int32_t LengthOf(const TPDFStream* stream) { return stream->Dictionary()->GetInteger("Length", -1); }

// --- Object keys ---------------------------------------------------------------------------------------

TEST(ObjectEncryptionKey, IsTheHashOfKeyNumberAndGeneration) {
  struct TCase {
    std::uint8_t strength;
    std::int32_t number, generation;
    std::string suffix;  // what follows the file key in the MD5 input
    std::size_t size;
  };
  const TCase cases[] = {
      {kCipherRC4_40, 12, 0, "\x0C\0\0\0\0"s, 10},
      {kCipherRC4_128, 0x123456, 0x0102, "\x56\x34\x12\x02\x01"s, 16},
      {kCipherAES_128, 12, 3, "\x0C\0\0\x03\0sAlT"s, 16},
      // Only the three lowest bytes of the number and two of the generation count.
      {kCipherRC4_128, 0x7F123456, 0x30102, "\x56\x34\x12\x02\x01"s, 16},
      {kCipherAES_128, -1, -1, "\xFF\xFF\xFF\xFF\xFFsAlT"s, 16},
  };
  for (const TCase& c : cases) {
    const auto writer = Writer(c.strength);
    const std::string expected = MD5Digest(writer->FileKey() + c.suffix).substr(0, c.size);
    EXPECT_EQ(ToHex(writer->ObjectKey(c.number, c.generation)), ToHex(expected)) << int{c.strength} << " " << c.number;
  }
}

TEST(ObjectEncryptionKey, FortyBitKeyMatchesTheIndependentComputation) {
  EXPECT_EQ(ToHex(Writer(kCipherRC4_40)->ObjectKey(12, 0)), ToHex(TKnownCase("string_rc4").Bytes("key")));
}

TEST(ObjectEncryptionKey, AES256UsesTheFileKeyForEveryObject) {
  for (const std::uint8_t strength : {kCipherAES_256_R5, kCipherAES_256_R6}) {
    const auto writer = Writer(strength);
    EXPECT_EQ(writer->ObjectKey(1, 0), writer->FileKey());
    EXPECT_EQ(writer->ObjectKey(12345, 7), writer->FileKey());
  }
}

// --- Known answers ---------------------------------------------------------------------------------------

// The content stream of each qpdf file decrypts under the key its number and generation give.
class QpdfStream : public ::testing::TestWithParam<const char*> {};

TEST_P(QpdfStream, DecryptsToTheOriginalContent) {
  const TKnownCase known(GetParam());
  TSmartPDFCrypt handler(KnownRecord(known), known.Bytes("ID"), 1);
  ASSERT_TRUE(handler.SetPassword(UTF8ToUnicode(known.Bytes("user"))));
  TPDFStructure structure;
  TPDFStream* stream = structure.NewStreamOf(known.Bytes("stream_data"), structure.NewDictionary());
  const std::string key = handler.ObjectKey(known.Number("stream_number"), known.Number("stream_generation"));
  handler.DecryptObject(key, stream);
  EXPECT_EQ(stream->Data(), known.Bytes("plain"));
  EXPECT_EQ(LengthOf(stream), static_cast<std::int32_t>(stream->Data().size()));
}

INSTANTIATE_TEST_SUITE_P(ObjectEncryption, QpdfStream,
                         ::testing::Values("qpdf_r2", "qpdf_r3", "qpdf_r4", "qpdf_r4_clear_metadata", "qpdf_r5",
                                           "qpdf_r6"),
                         [](const auto& info) { return std::string(info.param); });

TEST(ObjectEncryption, StringsMatchTheIndependentCiphers) {
  // RC4 under a 40-bit document's object key; AES with the IV the counting source hands out first.
  const std::pair<const char*, std::uint8_t> cases[] = {{"string_rc4", kCipherRC4_40}, {"string_aes", kCipherAES_128}};
  for (const auto& [name, strength] : cases) {
    const TKnownCase known(name);
    TCountingRandom random;
    const auto writer = Writer(strength);
    const TSmartPDFCrypt handler(writer->EncryptRecord(), kFileId, 0, random);
    TPDFStructure structure;
    TPDFString* text = structure.NewString(known.Bytes("plain"), false);
    handler.EncryptObject(known.Bytes("key"), text);
    EXPECT_EQ(ToHex(text->Value()), ToHex(known.Bytes("cipher"))) << name;
    EXPECT_TRUE(text->IsModified());
    EXPECT_FALSE(text->HexForm());
  }
}

// --- The walk --------------------------------------------------------------------------------------------

class ObjectWalk : public ::testing::TestWithParam<std::uint8_t> {};

TEST_P(ObjectWalk, EncryptsStreamDataAndNestedStringsWithOneKey) {
  const auto writer = Writer(GetParam());
  const std::string key = writer->ObjectKey(4, 0);
  TPDFStructure structure;
  TPDFStream* stream = NestedStream(structure, "XObject", "stream bytes");
  TPDFObject* object = structure.NewArrayOf({structure.NewName("N"), stream, structure.NewString("", true)});
  const std::string before = object->ToText();

  writer->EncryptObject(key, object);
  EXPECT_EQ(LengthOf(stream), static_cast<std::int32_t>(stream->Data().size()));
  auto* empty = As<TPDFString>(As<TPDFArray>(object)->GetItem(2));
  if (writer->EncryptRecord().UsesAES) {
    EXPECT_EQ(AESDecryptPadded(key, stream->Data()), "stream bytes");
    EXPECT_EQ(AESDecryptPadded(key, NoteOf(stream)->Value()), "note");
    EXPECT_EQ(stream->Data().size(), 16u + 16u);  // IV, then 12 bytes padded to one block
    EXPECT_EQ(empty->Value().size(), 32u);         // IV and one block of padding
  } else {
    EXPECT_EQ(stream->Data(), RC4Crypt(key, "stream bytes"));
    EXPECT_EQ(NoteOf(stream)->Value(), RC4Crypt(key, "note"));
    EXPECT_EQ(empty->Value(), "");
  }

  writer->DecryptObject(key, object);
  EXPECT_EQ(object->ToText(), before);
}

INSTANTIATE_TEST_SUITE_P(ObjectEncryption, ObjectWalk, ::testing::Values(0, 1, 2, 3, 5),
                         [](const auto& info) { return "Strength" + std::to_string(info.param); });

TEST(ObjectEncryption, EncryptionSparesNoStreamType) {
  const auto writer = Writer(kCipherRC4_128);
  const std::string key = writer->ObjectKey(9, 0);
  for (const char* type : {"XRef", "Metadata", "ObjStm"}) {
    TPDFStructure structure;
    TPDFStream* stream = NestedStream(structure, type, "data");
    writer->EncryptObject(key, stream);
    EXPECT_EQ(stream->Data(), RC4Crypt(key, "data")) << type;
    EXPECT_EQ(NoteOf(stream)->Value(), RC4Crypt(key, "note")) << type;
  }
}

// What protects a stream when it is decrypted: the cross-reference stream is never encrypted; a
// stream's own /Crypt filter names its crypt filter (/Identity when it names none), and is gone
// from /Filter afterwards; attachments follow /EFF, other streams /StmF, strings /StrF. The
// catalog's metadata is left to the document's security state (it knows which stream that is).
TEST(ObjectEncryption, DecryptionFollowsTheCryptFilters) {
  struct TCase {
    const char* what;
    const char* type;
    const char* filter;  // the stream's /Filter and /DecodeParms, or empty
    bool streams, strings, embeddedFiles;
    bool dataDecrypted, stringsDecrypted;
    const char* filterAfter;  // its /Filter afterwards, or empty for none
  };
  const TCase cases[] = {
      {"xref stream", "XRef", "", true, true, true, false, false, ""},
      {"metadata, however /EncryptMetadata reads", "Metadata", "", true, true, true, true, true, ""},
      {"object stream", "ObjStm", "", true, true, true, true, true, ""},
      {"identity /StmF", "", "", false, true, false, false, true, ""},
      {"identity /StrF", "", "", true, false, true, true, false, ""},
      {"attachment under /EFF alone", "EmbeddedFile", "", false, false, true, true, false, ""},
      {"attachment without /EFF's filter", "EmbeddedFile", "", true, true, false, false, true, ""},
      {"named /Crypt filter", "", "/Filter [ /Crypt /FlateDecode ] /DecodeParms [ << /Name /StdCF >> null ]", false,
       true, false, true, true, "/Filter [ /FlateDecode ] /DecodeParms [ null ]"},
      {"/Crypt without a name is /Identity", "Metadata", "/Filter [ /Crypt ]", true, true, true, false, true, ""},
      {"lone /Identity /Crypt", "", "/Filter /Crypt /DecodeParms << /Name /Identity >>", true, true, true, false,
       true, ""},
  };
  const auto writer = Writer(kCipherRC4_128);
  for (const TCase& c : cases) {
    TSmartPDFEncryption record = writer->EncryptRecord();
    record.StreamsEncrypted = c.streams;
    record.StringsEncrypted = c.strings;
    record.EmbeddedFilesEncrypted = c.embeddedFiles;
    TSmartPDFCrypt reader(record, kFileId, 1);
    const std::string key = "0123456789abcdef";
    TPDFStructure structure;
    TPDFStream* stream = NestedStream(structure, c.type, "data");
    if (*c.filter != '\0') {
      auto* filters = As<TPDFDictionary>(structure.ParseObject(std::string("<< ") + c.filter + " >>"));
      for (const char* entry : {"Filter", "DecodeParms"}) {
        if (TPDFObject* value = filters->GetValue(entry, false)) stream->Dictionary()->SetValue(entry, value);
      }
    }
    reader.DecryptObject(key, stream);
    EXPECT_EQ(stream->Data(), c.dataDecrypted ? RC4Crypt(key, "data") : "data") << c.what;
    EXPECT_EQ(NoteOf(stream)->Value(), c.stringsDecrypted ? RC4Crypt(key, "note") : "note") << c.what;
    std::string text = stream->Dictionary()->ToText();
    std::replace(text.begin(), text.end(), '\n', ' ');
    EXPECT_EQ(text.find("/Crypt"), std::string::npos) << c.what << ": " << text;
    if (*c.filterAfter != '\0') {
      EXPECT_NE(text.find(c.filterAfter), std::string::npos) << c.what << ": " << text;
    } else {
      EXPECT_EQ(text.find("/Filter"), std::string::npos) << c.what << ": " << text;
    }
  }
}

TEST(ObjectEncryption, FailedAESDecryptionGivesEmptyValues) {
  TSmartPDFEncryption record;
  record.UsesAES = true;
  const TSmartPDFCrypt reader(record, kFileId, 1);
  TPDFStructure structure;
  TPDFStream* stream = NestedStream(structure, "", std::string(48, 'x'));
  // A wrong-size key is what a handler without an accepted password derives.
  for (const std::string& key : {std::string(5, 'k'), std::string(16, 'k')}) {
    EXPECT_NO_THROW(reader.DecryptObject(key, stream));
    EXPECT_EQ(stream->Data(), "");
    EXPECT_EQ(NoteOf(stream)->Value(), "");
  }
}

TEST(ObjectEncryption, NullObjectsAndLeavesAreLeftAlone) {
  const auto writer = Writer(kCipherAES_128);
  const std::string key = writer->ObjectKey(1, 0);
  EXPECT_NO_THROW(writer->EncryptObject(key, nullptr));
  EXPECT_NO_THROW(writer->DecryptObject(key, nullptr));
  TPDFStructure structure;
  TPDFObject* leaves = structure.ParseObject("<< /A /Name /B 12.5 /C true /D null /E 3 0 R /F [ /G ] >>");
  const std::string before = leaves->ToText();
  writer->EncryptObject(key, leaves);
  EXPECT_EQ(leaves->ToText(), before);
}

}  // namespace
}  // namespace pdf

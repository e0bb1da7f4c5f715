#include "pdf/security/SecurityHandler.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/objects/PDFError.h"
#include "pdf/objects/TextConversions.h"
#include "pdf/security/CryptoPrimitives.h"
#include "tests/pdf/security/KnownAnswers.h"

namespace pdf {
namespace {

using namespace security_test;
using namespace std::string_literals;

constexpr std::uint8_t kAllFlags = 15;
const std::string kFileId = FromHex("00112233445566778899aabbccddeeff");
const std::string kZeroIV(16, '\0');

bool IsAES256(std::uint8_t strength) { return strength == kCipherAES_256_R5 || strength == kCipherAES_256_R6; }

// The bytes the caller of PrepareEncryption makes of password text at a strength.
std::string PasswordBytesFor(std::uint8_t strength, std::u16string_view text) {
  return IsAES256(strength) ? PreparedPasswordBytes(text) : StandardPasswordBytes(text);
}

// A handler of a document without /Encrypt, prepared for writing.
std::unique_ptr<TSmartPDFCrypt> Writer(std::uint8_t strength, std::u16string_view owner, std::u16string_view user,
                                       std::uint8_t basic = kAllFlags, std::uint8_t extended = kAllFlags,
                                       TRandomSource& random = SystemRandom()) {
  auto writer = std::make_unique<TSmartPDFCrypt>(TSmartPDFEncryption{}, kFileId, 0, random);
  writer->PrepareEncryption(PasswordBytesFor(strength, owner), PasswordBytesFor(strength, user), strength, basic,
                            extended);
  return writer;
}

// A handler reading the document the writer's values describe.
TSmartPDFCrypt Reader(const TSmartPDFCrypt& writer, std::uint8_t strength) {
  return TSmartPDFCrypt(WrittenRecord(writer, strength), writer.FileIdentifier(), 1);
}

std::string StrengthName(const ::testing::TestParamInfo<std::uint8_t>& info) {
  return "Strength" + std::to_string(info.param);
}

// --- Password text as bytes ----------------------------------------------------------------------------

TEST(SecurityPasswordBytes, StandardIsPDFDocEncodingWithQuestionMarks) {
  const std::pair<std::u16string, std::string> cases[] = {
      {u"user", "user"},
      {u"\u00DCser\u00FF", "\xDCser\xFF"},
      {u"\u20AC\u2019\uFB01\u0153\u2022", "\xA0\x90\x93\x9C\x80"},
      {u"\u02D8\u02DC", "\x18\x1F"},  // the accents in place of the controls 18-1F
      {u"\uFFFD\u0100\u03A9\u65E5", "????"},  // U+FFFD stands for no byte
      {u"a\U0001F600b", "a?b"},  // one "?" for a character beyond the BMP
      {u"a\xD800" u"b", "a?b"},  // a lone surrogate
      {std::u16string(40, u'x'), std::string(32, 'x')},
  };
  for (const auto& [text, bytes] : cases) EXPECT_EQ(ToHex(StandardPasswordBytes(text)), ToHex(bytes));
}

TEST(SecurityPasswordBytes, Windows1252WithQuestionMarks) {
  const std::pair<std::u16string, std::string> cases[] = {
      {u"user", "user"},
      {u"\u00DCser\u00FF", "\xDCser\xFF"},
      {u"\u20AC\u2030\u0178\u2122", "\x80\x89\x9F\x99"},
      {u"\u0081\u008D\u008F\u0090\u009D", "\x81\x8D\x8F\x90\x9D"},  // the five undefined bytes
      {u"\u0080\u0100\u03A9\u65E5", "????"},
      {u"a\U0001F600b", "a?b"},
      {std::u16string(40, u'x'), std::string(32, 'x')},
  };
  for (const auto& [text, bytes] : cases) EXPECT_EQ(ToHex(Windows1252PasswordBytes(text)), ToHex(bytes));
}

TEST(SecurityPasswordBytes, CandidatesAreWindows1252ThenPDFDocEncodingThenUTF8EachOnce) {
  const std::pair<std::u16string, std::vector<std::string>> cases[] = {
      {u"user", {"user"}},
      {u"p\u00E4ss", {"p\xE4ss", "p\xC3\xA4ss"}},
      {u"\u20AC1", {"\x80" "1", "\xA0" "1", "\xE2\x82\xAC" "1"}},
      {u"\u65E5", {"?", "\xE6\x97\xA5"}},
  };
  for (const auto& [text, candidates] : cases) {
    EXPECT_EQ(StandardPasswordCandidates(text), candidates) << ToHex(UnicodeToUTF8(text));
  }
  // UTF-8 too counts only its first 32 bytes, even inside a character.
  const std::u16string longText(11, u'\u65E5');
  const std::vector<std::string> cut = StandardPasswordCandidates(longText);
  ASSERT_EQ(cut.size(), 2u);
  EXPECT_EQ(ToHex(cut[1]), ToHex(UnicodeToUTF8(longText).substr(0, 32)));
}

TEST(SecurityPasswordBytes, PreparedIsSASLprepThenUTF8) {
  const std::pair<std::u16string, std::string> cases[] = {
      {u"a\u00A0b", "a b"},                     // non-ASCII space to space
      {u"S\u00AASL\u00ADprep", "SaSLprep"},     // NFKC of the ordinal indicator, soft hyphen removed
      {u"\u2168", "IX"},                        // compatibility form
      {u"\u00E4", "\xC3\xA4"},                  // already prepared
      {u"a\u0007b", "a\x07" "b"},               // prohibited: taken unprepared
      {u"\u0627\u0031", "\xD8\xA7\x31"},        // breaks the bidirectional rule: unprepared
      {u"a\u0000\u00A0"s, "a\0\xC2\xA0"s},      // U+0000 is prohibited, and libidn must not cut there
  };
  for (const auto& [text, bytes] : cases) {
    EXPECT_EQ(ToHex(PreparedPasswordBytes(text)), ToHex(bytes)) << ToHex(UnicodeToUTF8(text));
  }
  // 140 bytes of UTF-8 are cut to 127, even inside a character.
  std::string cut;
  for (int i = 0; i < 63; ++i) cut += "\xC3\xA4";
  cut += "\xC3";
  EXPECT_EQ(ToHex(PreparedPasswordBytes(std::u16string(70, u'\u00E4'))), ToHex(cut));
}

TEST(SecurityPasswordBytes, UnpreparedIsPlainUTF8CutTo127) {
  EXPECT_EQ(UnpreparedPasswordBytes(u"a\u00A0b"), "a\xC2\xA0" "b");
  EXPECT_EQ(UnpreparedPasswordBytes(std::u16string(200, u'x')), std::string(127, 'x'));
}

// --- Reading: documents that no password or every password opens ------------------------------------

TEST(SecurityHandlerReading, DocumentWithoutEncryptAcceptsOnlyTheEmptyPassword) {
  TSmartPDFCrypt handler(TSmartPDFEncryption{}, kFileId, 0);
  for (const std::u16string_view text : {u"", u"x", u" ", u"owner"}) {
    EXPECT_EQ(handler.CheckUserPassword(text), text.empty());
    EXPECT_EQ(handler.CheckOwnerPassword(text), text.empty());
  }
  EXPECT_TRUE(handler.SetPassword(u""));
  EXPECT_EQ(handler.AcceptedPassword(), u"!");
}

TEST(SecurityHandlerReading, EncryptionWithoutVersionRefusesEveryPassword) {
  TSmartPDFCrypt handler(TSmartPDFEncryption{}, kFileId, 2);
  for (const std::u16string_view text : {u"", u"x"}) {
    EXPECT_FALSE(handler.CheckUserPassword(text));
    EXPECT_FALSE(handler.CheckOwnerPassword(text));
    EXPECT_FALSE(handler.SetPassword(text));
    EXPECT_EQ(handler.AcceptedPassword(), u"");
    EXPECT_EQ(handler.ObjectKeyBase(), "");
  }
}

// --- Reading: documents encrypted by qpdf, and a 56-bit RC4 one from the Python route --------------

struct TKnownDocument {
  const char* name;
  std::uint8_t cipherLevel;
};

class KnownDocument : public ::testing::TestWithParam<TKnownDocument> {};

TEST_P(KnownDocument, OpensWithEitherPasswordToTheSameKey) {
  const TKnownCase known(GetParam().name);
  const std::u16string user = UTF8ToUnicode(known.Bytes("user"));
  const std::u16string owner = UTF8ToUnicode(known.Bytes("owner"));
  TSmartPDFCrypt handler(KnownRecord(known), known.Bytes("ID"), 1);

  ASSERT_TRUE(handler.CheckUserPassword(user));
  EXPECT_EQ(handler.CipherLevel(), GetParam().cipherLevel);
  EXPECT_EQ(ToHex(handler.FileKey()), ToHex(known.Bytes("key")));
  ASSERT_TRUE(handler.CheckOwnerPassword(owner));
  EXPECT_EQ(ToHex(handler.FileKey()), ToHex(known.Bytes("key")));
  EXPECT_FALSE(handler.CheckUserPassword(owner));
  EXPECT_FALSE(handler.CheckOwnerPassword(user));
  for (const std::u16string& wrong : {u""s, u"wrong"s, user + u"x"}) {
    EXPECT_FALSE(handler.CheckUserPassword(wrong));
    EXPECT_FALSE(handler.CheckOwnerPassword(wrong));
  }
  // The same questions again (answers may be remembered) give the same answers and key.
  for (const std::u16string& wrong : {u""s, u"wrong"s}) {
    EXPECT_FALSE(handler.CheckOwnerPassword(wrong));
    ASSERT_TRUE(handler.CheckUserPassword(user));
    EXPECT_EQ(ToHex(handler.FileKey()), ToHex(known.Bytes("key")));
    EXPECT_FALSE(handler.CheckUserPassword(wrong));
    ASSERT_TRUE(handler.CheckOwnerPassword(owner));
    EXPECT_EQ(ToHex(handler.FileKey()), ToHex(known.Bytes("key")));
  }

  EXPECT_FALSE(handler.SetPassword(u"wrong"));
  EXPECT_EQ(handler.ObjectKeyBase(), "");
  EXPECT_TRUE(handler.SetPassword(owner));
  EXPECT_EQ(handler.AcceptedPassword(), u"!" + owner);
  EXPECT_EQ(ToHex(handler.ObjectKeyBase()), ToHex(known.Bytes("key")));
  // A later wrong password leaves the key of the last accepted one.
  EXPECT_FALSE(handler.SetPassword(u"wrong"));
  EXPECT_EQ(handler.AcceptedPassword(), u"");
  EXPECT_EQ(ToHex(handler.ObjectKeyBase()), ToHex(known.Bytes("key")));
}

INSTANTIATE_TEST_SUITE_P(SecurityHandlerReading, KnownDocument,
                         ::testing::Values(TKnownDocument{"qpdf_r2", kCipherRC4_40},
                                           TKnownDocument{"qpdf_r3", kCipherRC4_128},
                                           TKnownDocument{"qpdf_r4", kCipherAES_128},
                                           TKnownDocument{"qpdf_r4_clear_metadata", kCipherAES_128},
                                           TKnownDocument{"qpdf_r5", kCipherAES_256_R5},
                                           TKnownDocument{"qpdf_r6", kCipherAES_256_R6},
                                           TKnownDocument{"rc4_56", kCipherRC4_Other}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SecurityHandlerReading, RevisionTwoComparesAllOfU) {
  // Revision 2 /U is the whole encrypted padding; from revision 3 on only its first 16 bytes count.
  const std::pair<const char*, bool> cases[] = {{"qpdf_r2", false}, {"qpdf_r3", true}, {"rc4_56", true}};
  for (const auto& [name, accepted] : cases) {
    const TKnownCase known(name);
    TSmartPDFEncryption record = KnownRecord(known);
    record.UserValue[31] ^= 1;
    TSmartPDFCrypt handler(record, known.Bytes("ID"), 1);
    EXPECT_EQ(handler.CheckUserPassword(UTF8ToUnicode(known.Bytes("user"))), accepted) << name;
  }
}

TEST(SecurityHandlerReading, UnpreparedUTF8DocumentStillOpens) {
  // qpdf hashed the no-break space as it is; SASLprep would have made it a space.
  const TKnownCase known("qpdf_r6");
  const std::u16string user = UTF8ToUnicode(known.Bytes("user"));
  ASSERT_NE(PreparedPasswordBytes(user), UnpreparedPasswordBytes(user));
  TSmartPDFCrypt handler(KnownRecord(known), known.Bytes("ID"), 1);
  EXPECT_TRUE(handler.CheckUserPassword(user));
  EXPECT_FALSE(handler.CheckUserPassword(u"u x"));
}

// Copies written before PDFDocEncoding hold Windows-1252 bytes, and other writers hash the typed
// UTF-8 as it comes: the typed text opens all of them, as either password, at every level that
// hashes bytes; a near miss opens none.
TEST(SecurityHandlerReading, EveryEncodingTheTypedTextWasWrittenInOpens) {
  using TEncode = std::string (*)(std::u16string_view);
  const TEncode encodings[] = {Windows1252PasswordBytes, StandardPasswordBytes,
                               [](std::u16string_view text) { return UnicodeToUTF8(text); }};
  const std::u16string words[] = {u"p\u00E4ssw\u00F6rd", u"Euro\u20AC1", u"it\u2019s", u"\u65E5\u672C"};
  for (const std::uint8_t strength : {kCipherRC4_40, kCipherRC4_128, kCipherAES_128}) {
    for (const TEncode encode : encodings) {
      for (const std::u16string& word : words) {
        const std::u16string owner = word + u"!";
        TSmartPDFCrypt writer(TSmartPDFEncryption{}, kFileId, 0);
        writer.PrepareEncryption(encode(owner), encode(word), strength, kAllFlags, kAllFlags);
        TSmartPDFCrypt reader = Reader(writer, strength);
        SCOPED_TRACE(ToHex(encode(word)) + " at strength " + std::to_string(strength));
        EXPECT_TRUE(reader.CheckUserPassword(word));
        EXPECT_EQ(ToHex(reader.FileKey()), ToHex(writer.FileKey()));
        EXPECT_TRUE(reader.CheckOwnerPassword(owner));
        EXPECT_EQ(ToHex(reader.FileKey()), ToHex(writer.FileKey()));
        EXPECT_FALSE(reader.CheckUserPassword(word + u"x"));
        EXPECT_FALSE(reader.CheckOwnerPassword(word));
      }
    }
  }
}

TEST(SecurityHandlerReading, DamagedAES256ValuesRefuseThePassword) {
  const TKnownCase known("qpdf_r6");
  const std::u16string user = UTF8ToUnicode(known.Bytes("user"));
  struct TDamage {
    const char* what;
    void (*apply)(TSmartPDFEncryption&);
    bool owner;
  };
  const TDamage damages[] = {
      {"/U without key salt", [](TSmartPDFEncryption& r) { r.UserValue.resize(40); }, false},
      {"/U empty", [](TSmartPDFEncryption& r) { r.UserValue.clear(); }, false},
      {"/UE of one block", [](TSmartPDFEncryption& r) { r.UserKeyValue.resize(16); }, false},
      {"/O without key salt", [](TSmartPDFEncryption& r) { r.OwnerValue.resize(40); }, true},
      {"/OE empty", [](TSmartPDFEncryption& r) { r.OwnerKeyValue.clear(); }, true},
      {"/U differs, owner test", [](TSmartPDFEncryption& r) { r.UserValue[47] ^= 1; }, true},
  };
  for (const TDamage& damage : damages) {
    TSmartPDFEncryption record = KnownRecord(known);
    damage.apply(record);
    TSmartPDFCrypt handler(record, known.Bytes("ID"), 1);
    EXPECT_FALSE(damage.owner ? handler.CheckOwnerPassword(u"owner") : handler.CheckUserPassword(user)) << damage.what;
  }
}

// --- Writing ---------------------------------------------------------------------------------------------

class WrittenKnownAnswer : public ::testing::TestWithParam<std::uint8_t> {};

TEST_P(WrittenKnownAnswer, EntriesMatchTheIndependentComputation) {
  const std::uint8_t strength = GetParam();
  const TKnownCase known("write_" + std::to_string(strength));
  TCountingRandom random;
  TSmartPDFCrypt writer(TSmartPDFEncryption{}, IsAES256(strength) ? "" : known.Bytes("ID"), 0, random);
  writer.PrepareEncryption(known.Bytes("owner"), known.Bytes("user"), strength,
                           static_cast<std::uint8_t>(known.Number("basic")),
                           static_cast<std::uint8_t>(known.Number("extended")));

  EXPECT_EQ(static_cast<std::int32_t>(writer.PermissionValue()), known.Number("P"));
  EXPECT_EQ(ToHex(writer.FileKey()), ToHex(known.Bytes("key")));
  EXPECT_EQ(writer.ObjectKeyBase(), writer.FileKey());
  EXPECT_EQ(ToHex(writer.OwnerEntry()), ToHex(known.Bytes("O")));
  EXPECT_EQ(ToHex(writer.UserEntry()), ToHex(known.Bytes("U")));
  EXPECT_EQ(writer.EncryptRecord().UsesAES, strength >= kCipherAES_128);
  if (IsAES256(strength)) {
    EXPECT_EQ(ToHex(writer.OwnerKeyEntry()), ToHex(known.Bytes("OE")));
    EXPECT_EQ(ToHex(writer.UserKeyEntry()), ToHex(known.Bytes("UE")));
    EXPECT_EQ(ToHex(writer.PermsEntry()), ToHex(known.Bytes("Perms")));
  }
}

INSTANTIATE_TEST_SUITE_P(SecurityHandlerWriting, WrittenKnownAnswer, ::testing::Values(0, 1, 2, 3, 5), StrengthName);

TEST(SecurityHandlerWriting, EntryShapes) {
  for (const std::uint8_t strength : {0, 1, 2}) {
    const auto writer = Writer(strength, u"owner", u"user");
    ASSERT_EQ(writer->OwnerEntry().size(), 32u);
    ASSERT_EQ(writer->UserEntry().size(), 32u);
    if (strength == kCipherRC4_40) {
      EXPECT_EQ(writer->FileKey().size(), 5u);
      EXPECT_EQ(writer->UserEntry(), RC4Crypt(writer->FileKey(), PasswordPad));
    } else {
      EXPECT_EQ(writer->FileKey().size(), 16u) << int{strength};
      EXPECT_EQ(writer->UserEntry().substr(16), std::string(16, '\0')) << int{strength};
    }
    EXPECT_EQ(writer->OwnerKeyEntry() + writer->UserKeyEntry() + writer->PermsEntry(), "");
  }
  for (const std::uint8_t strength : {3, 5}) {
    const auto writer = Writer(strength, u"owner", u"user", kPermPrint, kPermAssemble);
    EXPECT_EQ(writer->FileKey().size(), 32u);
    EXPECT_EQ(writer->OwnerEntry().size(), 48u);
    EXPECT_EQ(writer->UserEntry().size(), 48u);
    EXPECT_EQ(writer->OwnerKeyEntry().size(), 32u);
    EXPECT_EQ(writer->UserKeyEntry().size(), 32u);
    // /Perms is the P, four FF bytes and "Tadb" under the file key.
    const std::string perms = AESCBCDecrypt(writer->FileKey(), kZeroIV, writer->PermsEntry());
    EXPECT_EQ(ToHex(perms.substr(0, 12)), ToHex("\xC4\xF4\xFF\xFF\xFF\xFF\xFF\xFF" "Tadb"s)) << int{strength};
  }
}

// The reserved bits (7, 8, 13 to 32) are set at every revision, so /P is negative: readers and
// validators expect the value the standard describes, as qpdf and Acrobat write it.
TEST(SecurityHandlerWriting, PermissionValues) {
  struct TCase {
    std::uint8_t strength, basic, extended;
    std::int32_t p;
  };
  const TCase cases[] = {
      {0, 15, 15, -4},  {1, 15, 15, -4},    {2, 15, 15, -4},   {3, 15, 15, -4},    {5, 15, 15, -4},
      {0, 0, 0, -64},   {0, 0, 15, -64},    {0, 15, 0, -4},    {1, 0, 0, -3904},   {2, 0, 0, -3904},
      {1, kPermPrint | kPermCopy, kPermHighResPrint, -1836},  {5, 0, 0, -3904},
  };
  for (const TCase& c : cases) {
    const auto writer = Writer(c.strength, u"o", u"u", c.basic, c.extended);
    EXPECT_EQ(static_cast<std::int32_t>(writer->PermissionValue()), c.p)
        << int{c.strength} << " " << int{c.basic} << " " << int{c.extended};
  }
}

// /EncryptMetadata false: FF FF FF FF join the key input at 128-bit AES, /Perms says "F" at
// 256-bit AES, and RC4 keeps its metadata encrypted (its dictionaries cannot say otherwise).
TEST(SecurityHandlerWriting, ClearMetadata) {
  const TKnownCase known("write_2_clear_metadata");
  TSmartPDFCrypt aes128(TSmartPDFEncryption{}, known.Bytes("ID"), 0);
  aes128.PrepareEncryption(known.Bytes("owner"), known.Bytes("user"), kCipherAES_128, kAllFlags, kAllFlags,
                           TMetadataProtection::kClear);
  EXPECT_FALSE(aes128.EncryptRecord().MetadataEncrypted);
  EXPECT_EQ(static_cast<std::int32_t>(aes128.PermissionValue()), known.Number("P"));
  EXPECT_EQ(ToHex(aes128.FileKey()), ToHex(known.Bytes("key")));
  EXPECT_EQ(ToHex(aes128.UserEntry()), ToHex(known.Bytes("U")));

  for (const std::uint8_t strength : {3, 5}) {
    auto writer = std::make_unique<TSmartPDFCrypt>(TSmartPDFEncryption{}, kFileId, 0);
    writer->PrepareEncryption("owner", "user", strength, kAllFlags, kAllFlags, TMetadataProtection::kClear);
    EXPECT_EQ(AESCBCDecrypt(writer->FileKey(), kZeroIV, writer->PermsEntry()).substr(8, 4), "Fadb") << int{strength};
    TSmartPDFCrypt reader = Reader(*writer, strength);
    ASSERT_TRUE(reader.SetPassword(u"user"));
    EXPECT_TRUE(reader.PermsAgree()) << int{strength};
  }
  TSmartPDFCrypt rc4(TSmartPDFEncryption{}, kFileId, 0);
  rc4.PrepareEncryption("owner", "user", kCipherRC4_128, kAllFlags, kAllFlags, TMetadataProtection::kClear);
  EXPECT_TRUE(rc4.EncryptRecord().MetadataEncrypted);
}

// /Perms repeats /P under the file key at 256-bit AES; a file whose /P was changed afterwards, or
// whose /Perms is damaged, still opens but no longer agrees.
TEST(SecurityHandlerReading, PermsIsCheckedAgainstP) {
  for (const std::uint8_t strength : {3, 5}) {
    const auto writer = Writer(strength, u"owner", u"user", kPermPrint, 0);
    TSmartPDFEncryption changedP = WrittenRecord(*writer, strength);
    changedP.PermissionBits = 0xFFFFFFFCu;
    TSmartPDFEncryption damaged = WrittenRecord(*writer, strength);
    damaged.PermsValue[3] ^= 1;
    TSmartPDFEncryption clearMetadata = WrittenRecord(*writer, strength);
    clearMetadata.MetadataEncrypted = false;
    TSmartPDFEncryption missing = WrittenRecord(*writer, strength);
    missing.PermsValue.clear();
    const std::pair<const char*, TSmartPDFEncryption> cases[] = {
        {"as written", WrittenRecord(*writer, strength)}, {"/P changed", changedP}, {"/Perms damaged", damaged},
        {"/EncryptMetadata changed", clearMetadata}, {"/Perms missing", missing}};
    for (const auto& [what, record] : cases) {
      TSmartPDFCrypt reader(record, writer->FileIdentifier(), 1);
      ASSERT_TRUE(reader.SetPassword(u"user")) << what;
      EXPECT_EQ(reader.PermsAgree(), std::string_view(what) == "as written") << what << " " << int{strength};
    }
  }
  // Earlier revisions have no /Perms: nothing to disagree with.
  const auto rc4 = Writer(kCipherRC4_128, u"owner", u"user");
  TSmartPDFCrypt reader = Reader(*rc4, kCipherRC4_128);
  ASSERT_TRUE(reader.SetPassword(u"user"));
  EXPECT_TRUE(reader.PermsAgree());
}

TEST(SecurityHandlerWriting, PasswordBytesBeyondTheLimitDoNotCount) {
  for (const std::uint8_t strength : {0, 1, 2, 3, 5}) {
    const std::size_t limit = IsAES256(strength) ? 127 : 32;
    const std::string shared(limit, 'p');
    TCountingRandom firstRandom;
    TCountingRandom secondRandom;
    TSmartPDFCrypt first(TSmartPDFEncryption{}, kFileId, 0, firstRandom);
    TSmartPDFCrypt second(TSmartPDFEncryption{}, kFileId, 0, secondRandom);
    first.PrepareEncryption(shared, shared, strength, kAllFlags, kAllFlags);
    second.PrepareEncryption(shared + "owner123", shared + "user4567", strength, kAllFlags, kAllFlags);
    EXPECT_EQ(first.FileKey(), second.FileKey()) << int{strength};
    EXPECT_EQ(first.OwnerEntry(), second.OwnerEntry()) << int{strength};
    EXPECT_EQ(first.UserEntry(), second.UserEntry()) << int{strength};
    EXPECT_EQ(first.OwnerKeyEntry(), second.OwnerKeyEntry()) << int{strength};
  }
}

TEST(SecurityHandlerWriting, OnlyAES256DrawsFreshValues) {
  for (const std::uint8_t strength : {0, 1, 2, 3, 5}) {
    const auto first = Writer(strength, u"owner", u"user");
    const auto second = Writer(strength, u"owner", u"user");
    if (IsAES256(strength)) {
      EXPECT_NE(first->FileKey(), second->FileKey());
      EXPECT_NE(first->OwnerEntry(), second->OwnerEntry());
      EXPECT_NE(first->UserEntry(), second->UserEntry());
      EXPECT_NE(first->OwnerKeyEntry(), second->OwnerKeyEntry());
      EXPECT_NE(first->UserKeyEntry(), second->UserKeyEntry());
      EXPECT_NE(first->PermsEntry(), second->PermsEntry());
    } else {
      EXPECT_EQ(first->FileKey(), second->FileKey()) << int{strength};
      EXPECT_EQ(first->OwnerEntry(), second->OwnerEntry()) << int{strength};
      EXPECT_EQ(first->UserEntry(), second->UserEntry()) << int{strength};
    }
  }
}

TEST(SecurityHandlerWriting, StrengthsWithoutAWrittenFormRaise) {
  for (const std::uint8_t strength : {4, 6, 255}) {
    TSmartPDFCrypt writer(TSmartPDFEncryption{}, kFileId, 0);
    EXPECT_THROW(writer.PrepareEncryption("o", "u", strength, kAllFlags, kAllFlags), EPDFError) << int{strength};
  }
}

// --- Writing, then reading what was written ----------------------------------------------------------

class RoundTrip : public ::testing::TestWithParam<std::uint8_t> {};

TEST_P(RoundTrip, ReaderOpensWithBothPasswordsOnly) {
  const std::uint8_t strength = GetParam();
  const std::u16string owner = u"\u00D6wner \u20AC";
  const std::u16string user = u"\u00DCser\u00A0x";
  const auto writer = Writer(strength, owner, user, kPermPrint, kPermFillForms);
  TSmartPDFCrypt reader = Reader(*writer, strength);

  EXPECT_TRUE(reader.CheckUserPassword(user));
  EXPECT_EQ(reader.CipherLevel(), strength);
  EXPECT_EQ(reader.FileKey(), writer->FileKey());
  EXPECT_TRUE(reader.CheckOwnerPassword(owner));
  EXPECT_EQ(reader.FileKey(), writer->FileKey());
  for (const std::u16string_view wrong : {u"", u"\u00DCser", u"owner"}) {
    EXPECT_FALSE(reader.CheckUserPassword(wrong));
    EXPECT_FALSE(reader.CheckOwnerPassword(wrong));
  }
  EXPECT_TRUE(reader.SetPassword(user));
  EXPECT_EQ(reader.ObjectKeyBase(), writer->ObjectKeyBase());
  EXPECT_EQ(reader.BasicPermissions(), kPermPrint);
  EXPECT_EQ(reader.ExtendedPermissions(), strength == kCipherRC4_40 ? kAllFlags : std::uint8_t{kPermFillForms});
}

TEST_P(RoundTrip, EmptyOwnerPasswordIsTheUserPassword) {
  const std::uint8_t strength = GetParam();
  const auto writer = Writer(strength, u"", u"open");
  TSmartPDFCrypt reader = Reader(*writer, strength);
  EXPECT_FALSE(reader.CheckOwnerPassword(u""));
  EXPECT_TRUE(reader.CheckOwnerPassword(u"open"));
  EXPECT_TRUE(reader.CheckUserPassword(u"open"));
}

TEST_P(RoundTrip, DocumentWithoutPasswordsOpensWithTheEmptyOne) {
  const std::uint8_t strength = GetParam();
  const auto writer = Writer(strength, u"", u"");
  TSmartPDFCrypt reader = Reader(*writer, strength);
  EXPECT_TRUE(reader.CheckUserPassword(u""));
  EXPECT_TRUE(reader.CheckOwnerPassword(u""));
  EXPECT_EQ(reader.FileKey(), writer->FileKey());
}

INSTANTIATE_TEST_SUITE_P(SecurityHandler, RoundTrip, ::testing::Values(0, 1, 2, 3, 5), StrengthName);

TEST(SecurityHandlerWriting, AES256PasswordsAreComparedInPreparedForm) {
  const auto writer = Writer(kCipherAES_256_R6, u"o", u"a\u00A0b\u00AD");
  TSmartPDFCrypt reader = Reader(*writer, kCipherAES_256_R6);
  EXPECT_TRUE(reader.CheckUserPassword(u"a b"));
  EXPECT_TRUE(reader.CheckUserPassword(u"a\u2000b"));
  EXPECT_FALSE(reader.CheckUserPassword(u"ab"));
}

// --- Revision 6 hash -----------------------------------------------------------------------------------

TEST(SecurityRevisionSixHash, MatchesTheIndependentComputation) {
  // The longest password with 48 user bytes; a hash done after the fewest rounds; one whose last round
  // ends with a byte just at the bound.
  for (const char* name : {"hash6", "hash6_fewest_rounds", "hash6_boundary"}) {
    const TKnownCase known(name);
    const std::string hash =
        TSmartPDFCrypt::RevisionSixHash(known.Bytes("input"), known.Bytes("password"), known.Bytes("userbytes"));
    EXPECT_EQ(ToHex(hash), ToHex(known.Bytes("hash"))) << name;
  }
}

// --- Security status items -----------------------------------------------------------------------------

TEST(SecurityItem, UnencryptedAndUnopenableDocuments) {
  const std::int32_t unencrypted[] = {0, 2, 2, 4, 6, 6, 6, 6, 6, 6, 11, 11, 11, 11, 11};
  TSmartPDFCrypt plain(TSmartPDFEncryption{}, kFileId, 0);
  TSmartPDFCrypt unopenable(TSmartPDFEncryption{}, kFileId, 2);
  for (std::int32_t item = 0; item < 15; ++item) {
    EXPECT_EQ(plain.SecurityItem(item), unencrypted[item]) << item;
    EXPECT_EQ(unopenable.SecurityItem(item), 9) << item;
  }
  EXPECT_EQ(plain.SecurityItem(-1), 11);
  EXPECT_EQ(unopenable.SecurityItem(-1), 9);
}

TEST(SecurityItem, PermissionAndLevelItems) {
  struct TCase {
    std::uint8_t strength, basic, extended;
    std::int32_t item, expected;
  };
  constexpr std::uint8_t kAllButHighRes = kAllFlags & ~kPermHighResPrint;
  const TCase cases[] = {
      {0, kAllFlags, kAllFlags, 0, 1},
      {1, kPermPrint, kAllButHighRes, 3, 10},  // printing at low resolution only
      {1, kPermPrint, kAllFlags, 3, 4},
      {0, kPermPrint, 0, 3, 4},                // 40-bit RC4 knows no high-resolution bit
      {5, kPermPrint, kAllButHighRes, 3, 10},
      {2, 0, kAllFlags, 3, 5},
      {2, kPermChange, 0, 4, 6},
      {2, kPermCopy, 0, 4, 5},
      {2, kPermCopy, 0, 5, 6},
      {2, kPermAnnotate, 0, 6, 6},
      {2, 0, kPermFillForms, 7, 6},
      {2, 0, kPermFillForms, 8, 5},
      {1, 0, kPermAccessibility, 8, 6},
      {1, 0, kPermAssemble, 9, 6},
      // 40-bit RC4 has no extended bits: readers take them from annotating, copying and changing.
      {0, 0, kAllFlags, 7, 5},
      {0, kPermAnnotate, 0, 7, 6},
      {0, kPermCopy, 0, 8, 6},
      {0, kPermChange, 0, 9, 6},
      // Every later level reports what its extended bits grant.
      {3, 0, kAllFlags, 8, 6},
      {5, 0, kAllFlags, 9, 6},
      {5, kAllFlags, 0, 7, 5},
      {0, 0, 0, 10, 7},
      {1, 0, 0, 10, 8},
      {2, 0, 0, 10, 12},
      {3, 0, 0, 10, 13},
      {5, 0, 0, 10, 15},
      {1, 0, 0, 13, 128},
      {0, 0, 0, 13, 40},
      {2, 0, 0, 13, 0},
      {5, 0, 0, 13, 0},
      {1, 0, 0, 14, 11},
  };
  for (const TCase& c : cases) {
    const auto writer = Writer(c.strength, u"owner", u"user", c.basic, c.extended);
    TSmartPDFCrypt reader = Reader(*writer, c.strength);
    reader.SetPassword(u"user");
    EXPECT_EQ(reader.SecurityItem(c.item), c.expected) << "strength " << int{c.strength} << " item " << c.item;
  }
}

TEST(SecurityItem, LongPasswordsAreRecognisedWhereTheKeyUsesThem) {
  const std::u16string longUser = u"user-password-that-is-longer-than-thirty-two";
  for (const std::uint8_t strength : {1, 3, 5}) {
    const auto writer = Writer(strength, u"owner", longUser, 0, 0);
    TSmartPDFCrypt reader = Reader(*writer, strength);
    ASSERT_TRUE(reader.SetPassword(longUser));
    // RC4 and AESV2 use the first 32 bytes anyway; AES-256 uses up to 127.
    EXPECT_EQ(reader.SecurityItem(11), 3) << int{strength};
    EXPECT_EQ(reader.SecurityItem(12), 2) << int{strength};
  }
}

TEST(SecurityItem, RC4KeyLengthItems) {
  const std::pair<const char*, std::pair<std::int32_t, std::int32_t>> cases[] = {
      {"rc4_56", {14, 56}}, {"qpdf_r2", {7, 40}}, {"qpdf_r3", {8, 128}}, {"qpdf_r4", {12, 0}}};
  for (const auto& [name, items] : cases) {
    const TKnownCase known(name);
    TSmartPDFCrypt handler(KnownRecord(known), known.Bytes("ID"), 1);
    handler.SetPassword(UTF8ToUnicode(known.Bytes("user")));
    EXPECT_EQ(handler.SecurityItem(10), items.first) << name;
    EXPECT_EQ(handler.SecurityItem(13), items.second) << name;
  }
}

TEST(SecurityItem, PasswordItemsLeaveTheObjectKeyBase) {
  struct TCase {
    std::u16string user;
    std::u16string opened;
    std::int32_t item, expected;
  };
  const TCase cases[] = {
      {u"", u"", 1, 2},       {u"user", u"user", 1, 3},   {u"", u"", 2, 3},
      {u"user", u"owner", 2, 3}, {u"user", u"user", 2, 3}, {u"user", u"wrong", 2, 16},
      {u"owner", u"owner", 2, 2}, {u"user", u"wrong", 11, 11}, {u"user", u"wrong", 12, 11},
      {u"user", u"user", 11, 3}, {u"user", u"user", 12, 2}, {u"user", u"owner", 11, 2},
      {u"user", u"owner", 12, 3},
  };
  for (const std::uint8_t strength : {1, 5}) {
    for (const TCase& c : cases) {
      const auto writer = Writer(strength, u"owner", c.user);
      TSmartPDFCrypt reader = Reader(*writer, strength);
      reader.SetPassword(c.opened);
      const std::string keyBase = reader.ObjectKeyBase();
      EXPECT_EQ(reader.SecurityItem(c.item), c.expected) << int{strength} << " item " << c.item;
      EXPECT_EQ(reader.ObjectKeyBase(), keyBase);
    }
  }
}

}  // namespace
}  // namespace pdf

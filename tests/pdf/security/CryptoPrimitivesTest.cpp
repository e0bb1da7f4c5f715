#include "pdf/security/CryptoPrimitives.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "pdf/objects/PDFError.h"
#include "pdf/security/RandomSource.h"
#include "tests/support/CountingRandom.h"

namespace pdf {
namespace {

std::string FromHex(std::string_view hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
  }
  return bytes;
}

std::string ToHex(std::string_view bytes) {
  std::ostringstream text;
  for (const char c : bytes) text << std::hex << std::setw(2) << std::setfill('0') << (c & 0xFF);
  return text.str();
}

// Hands out the given bytes in order and fails the test if asked for more.
class TScriptedRandom final : public TRandomSource {
 public:
  explicit TScriptedRandom(std::string bytes) : bytes_(std::move(bytes)) {}
  void Fill(std::span<std::uint8_t> out) override {
    if (out.size() > bytes_.size() - used_) throw std::logic_error("scripted random bytes used up");
    for (std::uint8_t& byte : out) byte = static_cast<std::uint8_t>(bytes_[used_++]);
  }
  std::size_t Used() const { return used_; }

 private:
  std::string bytes_;
  std::size_t used_ = 0;
};

using testing::TCountingRandom;

// --- Digests: RFC 1321 and FIPS 180-4 test vectors -------------------------------------------------

struct DigestCase {
  std::string (*digest)(std::string_view);
  std::string input;
  const char* hex;
};

TEST(Digests, MatchPublishedVectors) {
  const std::string sha256Block2 = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
  const std::string sha512Block2 =
      "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrs"
      "mnopqrstnopqrstu";
  const DigestCase cases[] = {
      {MD5Digest, "", "d41d8cd98f00b204e9800998ecf8427e"},
      {MD5Digest, "a", "0cc175b9c0f1b6a831c399e269772661"},
      {MD5Digest, "abc", "900150983cd24fb0d6963f7d28e17f72"},
      {MD5Digest, "message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {MD5Digest, "abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {MD5Digest, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "d174ab98d277d9f5a5611c2c9f419d9f"},
      {MD5Digest, "1234567890123456789012345678901234567890" "1234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
      {MD5Digest, std::string(1, '\0'), "93b885adfe0da089cdf634904fd59f71"},  // a zero byte is data
      {SHA256Digest, "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {SHA256Digest, "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {SHA256Digest, sha256Block2, "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {SHA384Digest, "",
       "38b060a751ac96384cd9327eb1b1e36a21fdb71114be07434c0cc7bf63f6e1da274edebfe76f65fbd51ad2f14898b95b"},
      {SHA384Digest, "abc",
       "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e7cc2358baeca134c825a7"},
      {SHA384Digest, sha512Block2,
       "09330c33f71147e83d192fc782cd1b4753111b173b3b05d22fa08086e3b0f712fcc7c71a557e2db966c3e9fa91746039"},
      {SHA512Digest, "",
       "cf83e1357eefb8bdf1542850d66d8007d620e4050b5715dc83f4a921d36ce9ce"
       "47d0d13c5d85f2b0ff8318d2877eec2f63b931bd47417a81a538327af927da3e"},
      {SHA512Digest, "abc",
       "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a"
       "2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f"},
      {SHA512Digest, sha512Block2,
       "8e959b75dae313da8cf4f72814fc143f8f7779c6eb9f7fa17299aeadb6889018"
       "501d289e4900f7e4331b99dec4b5433ac7d329eeb6dd26545e96e55b874be909"},
  };
  for (const DigestCase& c : cases) EXPECT_EQ(ToHex(c.digest(c.input)), c.hex) << "input: " << c.input;
}

TEST(MD5HexText, LowercaseHighNibbleFirst) {
  EXPECT_EQ(MD5HexText(FromHex("0123456789ABCDEFFEDCBA9876543210")), "0123456789abcdeffedcba9876543210");
  EXPECT_EQ(MD5HexText(std::string(kMD5DigestSize, '\xFF')), std::string(32, 'f'));
  EXPECT_EQ(MD5HexText(std::string(kMD5DigestSize, '\0')), std::string(32, '0'));
}

// --- RC4: RFC 6229 keystreams and the published ASCII examples ---------------------------------------

struct RC4Case {
  const char* keyHex;
  std::size_t offset;    // of the expected keystream bytes
  const char* streamHex;
};

TEST(RC4Crypt, MatchesRFC6229Keystreams) {
  const RC4Case cases[] = {
      {"0102030405", 0, "b2396305f03dc027ccc3524a0a1118a8" "6982944f18fc82d589c403a47a0d0919"},
      {"0102030405", 240, "28cb1132c96ce286421dcaadb8b69eae" "1cfcf62b03eddb641d77dfcf7f8d8c93"},
      {"01020304050607", 0, "293f02d47f37c9b633f2af5285feb46b" "e620f1390d19bd84e2e0fd752031afc1"},
      {"0102030405060708", 0, "97ab8a1bf0afb96132f2f67258da15a8" "8263efdb45c4a18684ef87e6b19e5b09"},
      {"0102030405060708090a0b0c0d0e0f10", 0,
       "9ac7cc9a609d1ef7b2932899cde41b97" "5248c4959014126a6e8a84f11d1a9e1c"},
      {"0102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f20", 0,
       "eaa6bd25880bf93d3f5d1e4ca2611d91" "cfa45c9f7e714b54bdfa80027cb14380"},
  };
  for (const RC4Case& c : cases) {
    const std::size_t length = c.offset + std::string_view(c.streamHex).size() / 2;
    const std::string stream = RC4Crypt(FromHex(c.keyHex), std::string(length, '\0'));
    EXPECT_EQ(ToHex(stream.substr(c.offset)), c.streamHex) << "key " << c.keyHex << " offset " << c.offset;
  }
}

TEST(RC4Crypt, ShortKeysAndPlaintext) {
  const struct {
    const char* key;
    const char* plaintext;
    const char* cipherHex;
  } examples[] = {{"Key", "Plaintext", "bbf316e8d940af0ad3"},
                  {"Wiki", "pedia", "1021bf0420"},
                  {"Secret", "Attack at dawn", "45a01f645fc35b383552544b9bf5"}};
  for (const auto& e : examples) EXPECT_EQ(ToHex(RC4Crypt(e.key, e.plaintext)), e.cipherHex) << e.key;
}

// The key schedule takes key bytes cyclically, so a key repeated up to 256 bytes acts as the key itself.
TEST(RC4Crypt, LongestKeyIsUsedCyclically) {
  std::string key256;
  for (int i = 0; i < 16; ++i) key256 += FromHex("0102030405060708090a0b0c0d0e0f10");
  EXPECT_EQ(ToHex(RC4Crypt(key256, std::string(16, '\0'))), "9ac7cc9a609d1ef7b2932899cde41b97");
}

TEST(RC4Crypt, IsItsOwnInverseAndStartsFreshEachCall) {
  const std::string key = FromHex("0a1b2c3d4e");
  const std::string data("PDF string \0 with a zero byte", 29);
  const std::string once = RC4Crypt(key, data);
  EXPECT_NE(once, data);
  EXPECT_EQ(RC4Crypt(key, once), data);
  EXPECT_EQ(RC4Crypt(key, data), once);
  EXPECT_EQ(RC4Crypt(key, ""), "");
}

TEST(RC4Crypt, KeyOutsideOneTo256BytesRaises) {
  EXPECT_THROW(RC4Crypt("", "data"), EPDFError);
  EXPECT_THROW(RC4Crypt(std::string(257, 'k'), "data"), EPDFError);
}

// Runs in a fresh process, because the provider is loaded once per process, with OpenSSL's module
// directory pointing nowhere.
TEST(RC4CryptDeathTest, MissingLegacyProviderRaisesInsteadOfEncrypting) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        setenv("OPENSSL_MODULES", "/nonexistent-ossl-modules", 1);
        try {
          RC4Crypt("key", "data");
        } catch (const EPDFError& error) {
          std::cerr << error.what();
          std::exit(0);
        }
        std::exit(1);
      },
      ::testing::ExitedWithCode(0), "legacy provider");
}

// --- AES-CBC without padding: FIPS-197 appendix C and NIST SP 800-38A F.2 ------------------------------

struct CBCCase {
  const char* name;
  const char* keyHex;
  const char* ivHex;
  const char* plainHex;
  const char* cipherHex;
};

void PrintTo(const CBCCase& c, std::ostream* out) { *out << c.name; }

class AESCBCVectors : public ::testing::TestWithParam<CBCCase> {};

TEST_P(AESCBCVectors, EncryptAndDecrypt) {
  const CBCCase& c = GetParam();
  const std::string key = FromHex(c.keyHex);
  const std::string iv = FromHex(c.ivHex);
  EXPECT_EQ(ToHex(AESCBCEncrypt(key, iv, FromHex(c.plainHex))), c.cipherHex);
  EXPECT_EQ(ToHex(AESCBCDecrypt(key, iv, FromHex(c.cipherHex))), c.plainHex);
}

constexpr const char* kZeroIV = "00000000000000000000000000000000";
constexpr const char* kSP80038AIV = "000102030405060708090a0b0c0d0e0f";
constexpr const char* kSP80038APlain =
    "6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
    "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710";

INSTANTIATE_TEST_SUITE_P(
    Published, AESCBCVectors,
    ::testing::Values(
        // One block with a zero IV is ECB, the form used for the /Perms value.
        CBCCase{"FIPS197_AES128", "000102030405060708090a0b0c0d0e0f", kZeroIV,
                "00112233445566778899aabbccddeeff", "69c4e0d86a7b0430d8cdb78070b4c55a"},
        CBCCase{"FIPS197_AES192", "000102030405060708090a0b0c0d0e0f1011121314151617", kZeroIV,
                "00112233445566778899aabbccddeeff", "dda97ca4864cdfe06eaf70a0ec0d7191"},
        CBCCase{"FIPS197_AES256", "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f", kZeroIV,
                "00112233445566778899aabbccddeeff", "8ea2b7ca516745bfeafc49904b496089"},
        CBCCase{"SP80038A_CBC_AES128", "2b7e151628aed2a6abf7158809cf4f3c", kSP80038AIV, kSP80038APlain,
                "7649abac8119b246cee98e9b12e9197d5086cb9b507219ee95db113a917678b2"
                "73bed6b8e3c1743b7116e69e222295163ff1caa1681fac09120eca307586e1a7"},
        CBCCase{"SP80038A_CBC_AES192", "8e73b0f7da0e6452c810f32b809079e562f8ead2522c6b7b", kSP80038AIV,
                kSP80038APlain,
                "4f021db243bc633d7178183a9fa071e8b4d9ada9ad7dedf4e5e738763f69145a"
                "571b242012fb7ae07fa9baac3df102e008b0e27988598881d920a9e64f5615cd"},
        CBCCase{"SP80038A_CBC_AES256", "603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4",
                kSP80038AIV, kSP80038APlain,
                "f58c4c04d6e5f1ba779eabfb5f7bfbd69cfc4e967edb808d679f777bc6702c7d"
                "39f23369a9d9bacfa530e26304231461b2eb05e2c39be9fcda6c19078c6a9d1b"},
        CBCCase{"Empty", "2b7e151628aed2a6abf7158809cf4f3c", kSP80038AIV, "", ""}),
    [](const ::testing::TestParamInfo<CBCCase>& info) { return std::string(info.param.name); });

TEST(AESCBC, MisuseRaises) {
  const std::string iv(16, '\0');
  const std::string block(16, 'b');
  for (const std::size_t keySize : {0, 8, 15, 17, 31, 33, 64}) {
    EXPECT_THROW(AESCBCEncrypt(std::string(keySize, 'k'), iv, block), EPDFError) << keySize;
    EXPECT_THROW(AESCBCDecrypt(std::string(keySize, 'k'), iv, block), EPDFError) << keySize;
  }
  const std::string key(16, 'k');
  for (const std::size_t ivSize : {0, 15, 17, 32}) {
    EXPECT_THROW(AESCBCEncrypt(key, std::string(ivSize, 'i'), block), EPDFError) << ivSize;
  }
  for (const std::size_t dataSize : {1, 15, 17, 33}) {
    EXPECT_THROW(AESCBCEncrypt(key, iv, std::string(dataSize, 'd')), EPDFError) << dataSize;
    EXPECT_THROW(AESCBCDecrypt(key, iv, std::string(dataSize, 'd')), EPDFError) << dataSize;
  }
}

// --- AES with IV and PKCS#7 padding -----------------------------------------------------------------------

TEST(AESEncryptPadded, IVFromTheSourceThenCBCOfThePaddedData) {
  // The SP 800-38A AES-128 vector with its IV supplied by the random source: the first ciphertext block
  // is the published one, and a full block of padding follows.
  const std::string key = FromHex("2b7e151628aed2a6abf7158809cf4f3c");
  const std::string iv = FromHex(kSP80038AIV);
  TScriptedRandom random(iv);
  const std::string result = AESEncryptPadded(key, FromHex("6bc1bee22e409f96e93d7e117393172a"), random);
  ASSERT_EQ(result.size(), 48u);
  EXPECT_EQ(random.Used(), 16u);
  EXPECT_EQ(result.substr(0, 16), iv);
  EXPECT_EQ(ToHex(result.substr(16, 16)), "7649abac8119b246cee98e9b12e9197d");
  EXPECT_EQ(AESCBCDecrypt(key, iv, result.substr(16)).substr(16), std::string(16, '\x10'));
}

TEST(AESEncryptPadded, PadsWithOneToSixteenBytesOfTheirCount) {
  const std::string key(32, 'k');
  for (std::size_t length = 0; length <= 33; ++length) {
    const std::string data(length, 'd');
    const std::string result = AESEncryptPadded(key, data);
    const std::size_t padding = 16 - length % 16;
    ASSERT_EQ(result.size(), 16 + length + padding) << length;
    const std::string plain = AESCBCDecrypt(key, result.substr(0, 16), result.substr(16));
    EXPECT_EQ(plain, data + std::string(padding, static_cast<char>(padding))) << length;
  }
}

TEST(AESEncryptPadded, DeterministicSourceMakesOutputReproducible) {
  const std::string key(16, 'k');
  TCountingRandom first;
  TCountingRandom second;
  const std::string a = AESEncryptPadded(key, "same text", first);
  EXPECT_EQ(a, AESEncryptPadded(key, "same text", second));
  EXPECT_EQ(ToHex(a.substr(0, 16)), "000102030405060708090a0b0c0d0e0f");
  // The next call draws the next IV.
  EXPECT_NE(AESEncryptPadded(key, "same text", first).substr(0, 16), a.substr(0, 16));
  // The system source gives a fresh IV each time.
  const std::string systemIV = AESEncryptPadded(key, "same text").substr(0, 16);
  EXPECT_NE(AESEncryptPadded(key, "same text").substr(0, 16), systemIV);
}

TEST(AESEncryptPadded, WrongKeyLengthRaisesWithoutDrawing) {
  TScriptedRandom random("");
  EXPECT_THROW(AESEncryptPadded(std::string(20, 'k'), "data", random), EPDFError);
  EXPECT_THROW(AESDecryptPadded(std::string(20, 'k'), std::string(32, 'd')), EPDFError);
}

TEST(AESPaddedEncryptor, PiecesJoinIntoTheWholeEncryptionAndCallsDoNotShareState) {
  const std::string key(32, 'k');
  constexpr std::size_t kPiece = TAESPaddedEncryptor::kPieceSize;
  TAESPaddedEncryptor encryptor(key);
  for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{16}, std::size_t{17}, kPiece - 17,
                                 kPiece - 16, kPiece, kPiece + 1, 3 * kPiece + 5}) {
    std::string data(size, '\0');
    for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<char>(i * 31 + i / 4096);
    TCountingRandom alone;
    TCountingRandom whole;
    TCountingRandom pieces;
    const std::string expected = AESEncryptPadded(key, data, alone);
    ASSERT_EQ(expected.size(), TAESPaddedEncryptor::EncryptedSize(size)) << size;
    EXPECT_EQ(encryptor.Encrypt(data, whole), expected) << size;
    std::string joined;
    std::size_t largest = 0;
    encryptor.EncryptInPieces(data, pieces, [&](std::string_view piece) {
      joined += piece;
      largest = std::max(largest, piece.size());
    });
    EXPECT_EQ(joined, expected) << size;
    EXPECT_LE(largest, kPiece + kAESBlockSize) << size;
  }
}

TEST(AESDecryptPadded, RoundTripsEveryLengthForBothKeySizes) {
  for (const std::size_t keySize : {16, 32}) {
    const std::string key(keySize, 'K');
    for (std::size_t length = 0; length <= 33; ++length) {
      std::string data;
      for (std::size_t i = 0; i < length; ++i) data += static_cast<char>(i * 37);
      EXPECT_EQ(AESDecryptPadded(key, AESEncryptPadded(key, data)), data) << keySize << "/" << length;
    }
  }
}

TEST(AESDecryptPadded, ShortOrPartialInputGivesEmpty) {
  const std::string key(16, 'k');
  for (const std::size_t size : {0, 1, 15, 16, 17, 31, 33, 47}) {
    EXPECT_EQ(AESDecryptPadded(key, std::string(size, 'x')), "") << size;
  }
}

// A wrong key gives random-looking plaintext that ends in valid padding about once in 256 tries; with a
// fixed IV the outcome for these keys is fixed, and none of them happens to hit valid padding.
TEST(AESDecryptPadded, WrongKeyGivesEmpty) {
  TCountingRandom random;
  const std::string encrypted = AESEncryptPadded(std::string(16, 'a'), "secret text of the document", random);
  for (char k = 'b'; k < 'b' + 8; ++k) EXPECT_EQ(AESDecryptPadded(std::string(16, k), encrypted), "") << k;
  EXPECT_EQ(AESDecryptPadded(std::string(32, 'a'), encrypted), "");
}

struct PaddingCase {
  const char* name;
  std::string lastBlock;  // the last plaintext block, encrypted without padding
  std::string expected;   // what is left of the two blocks
};

TEST(AESDecryptPadded, ChecksEveryPaddingByte) {
  const std::string first = "first block.....";
  const std::string head = "0123456789ABC";  // 13 bytes
  const PaddingCase cases[] = {
      {"one byte", head + "xy\x01", first + head + "xy"},
      {"three bytes", head + "\x03\x03\x03", first + head},
      {"full block", std::string(16, '\x10'), first},
      {"zero", head + "xy" + '\0', ""},
      {"above sixteen", head + "xy\x11", ""},
      {"0xFF", head + "xy\xFF", ""},
      {"mismatch next to the last byte", head + "\x02\x03\x03", ""},
      {"mismatch at the far end", "\x0F" + std::string(15, '\x10'), ""},
  };
  const std::string key(32, 'k');
  const std::string iv(16, 'i');
  for (const PaddingCase& c : cases) {
    const std::string encrypted = iv + AESCBCEncrypt(key, iv, first + c.lastBlock);
    EXPECT_EQ(AESDecryptPadded(key, encrypted), c.expected) << c.name;
  }
}

// --- Random source --------------------------------------------------------------------------------------

struct BelowCase {
  std::uint32_t n;
  std::string bytes;  // little-endian 32-bit draws
  std::uint32_t expected;
};

TEST(RandomBelow, UniformByRejectingTheUnevenTop) {
  const BelowCase cases[] = {
      {1, FromHex("ffffffff"), 0},
      {255, FromHex("fe000000"), 254},
      {255, FromHex("ff000000"), 0},
      {255, FromHex("feffffff"), 254},  // the largest draw kept for 255
      {255, FromHex("ffffffff" "05000000"), 5},  // 2^32 - 1 is the one uneven draw for 255
      {2147483647, FromHex("fdffffff"), 2147483646},
      {2147483647, FromHex("feffffff" "ffffffff" "2a000000"), 42},
      {0xC0000000u, FromHex("000000c0" "01000000"), 1},  // a quarter of all draws are redrawn
      {0xC0000000u, FromHex("ffffffbf"), 0xBFFFFFFFu},
      {0xFFFFFFFFu, FromHex("ffffffff" "0a000000"), 10},
  };
  for (const BelowCase& c : cases) {
    TScriptedRandom random(c.bytes);
    EXPECT_EQ(RandomBelow(c.n, random), c.expected) << c.n << " " << ToHex(c.bytes);
    EXPECT_EQ(random.Used(), c.bytes.size()) << c.n << " " << ToHex(c.bytes);
  }
}

TEST(RandomBelow, ZeroBoundRaises) { EXPECT_THROW(RandomBelow(0), EPDFError); }

TEST(RandomBelow, SystemDrawsCoverTheWholeRangeAndNoMore) {
  std::set<std::uint32_t> seen;
  for (int i = 0; i < 20000; ++i) {
    const std::uint32_t value = RandomBelow(255);
    ASSERT_LT(value, 255u);
    seen.insert(value);
  }
  EXPECT_EQ(seen.size(), 255u);
  for (int i = 0; i < 1000; ++i) {
    ASSERT_EQ(RandomBelow(1), 0u);
    ASSERT_LT(RandomBelow(2147483647), 2147483647u);
  }
}

TEST(RandomBytes, SystemBytesAreFullAndFresh) {
  EXPECT_EQ(RandomBytes(0), "");
  const std::string bytes = RandomBytes(65536);
  ASSERT_EQ(bytes.size(), 65536u);
  // A generator of 31-bit values would never set the top bit of every fourth byte.
  EXPECT_EQ(std::set<char>(bytes.begin(), bytes.end()).size(), 256u);
  EXPECT_NE(RandomBytes(32), RandomBytes(32));
}

TEST(RandomBytes, ComeFromTheGivenSource) {
  TScriptedRandom random(FromHex("00ff10"));
  EXPECT_EQ(RandomBytes(3, random), FromHex("00ff10"));
}

// A source whose bytes never repeat (every eight hold the next value of a counter), keeping all it
// handed out and how often it was asked.
class TRecordingRandom final : public TRandomSource {
 public:
  void Fill(std::span<std::uint8_t> out) override {
    ++fills_;
    for (std::uint8_t& byte : out) {
      const std::size_t index = given_.size();
      byte = static_cast<std::uint8_t>((index / 8) >> (8 * (index % 8)));
      given_ += static_cast<char>(byte);
    }
  }
  const std::string& Given() const { return given_; }
  int Fills() const { return fills_; }

 private:
  std::string given_;
  int fills_ = 0;
};

std::string Draw(TRandomSource& random, std::size_t count) {
  std::string bytes(count, '\0');
  random.Fill({reinterpret_cast<std::uint8_t*>(bytes.data()), count});
  return bytes;
}

TEST(PooledRandom, ServesEveryByteOfItsBlocksOnceAndInOrder) {
  constexpr std::size_t kBlock = TPooledRandom::kBlockSize;
  // IV after IV across block ends, odd sizes that straddle one, and the largest small request.
  const std::vector<std::size_t> runs[] = {std::vector<std::size_t>(600, 16), {7, kBlock - 10, 16, 1, kBlock - 1, 3}};
  for (const auto& sizes : runs) {
    TRecordingRandom source;
    TPooledRandom pool(source);
    std::string served;
    for (const std::size_t size : sizes) served += Draw(pool, size);
    EXPECT_EQ(served, source.Given().substr(0, served.size()));
    EXPECT_EQ(static_cast<std::size_t>(source.Fills()), (served.size() + kBlock - 1) / kBlock);
  }
}

TEST(PooledRandom, LargeRequestsGoToTheSourceAndLeaveTheBlockAsItWas) {
  TRecordingRandom source;
  TPooledRandom pool(source);
  const std::string first = Draw(pool, 16);
  const std::string large = Draw(pool, TPooledRandom::kBlockSize + 100);
  const std::string next = Draw(pool, 16);
  EXPECT_EQ(first, source.Given().substr(0, 16));
  EXPECT_EQ(large, source.Given().substr(TPooledRandom::kBlockSize, large.size()));
  EXPECT_EQ(next, source.Given().substr(16, 16));
}

TEST(PooledRandom, AForkedChildDrawsAFreshBlockInsteadOfTheParentsBytes) {
  TRecordingRandom source;
  TPooledRandom pool(source);
  Draw(pool, 16);
  const pid_t child = ::fork();
  if (child == 0) {
    // The parent serves bytes 16 to 31 of its block next; the child must not serve them too.
    const std::string next = Draw(pool, 16);
    const bool fresh = source.Fills() == 2 && next == source.Given().substr(TPooledRandom::kBlockSize, 16);
    ::_exit(fresh ? 0 : 1);
  }
  EXPECT_EQ(Draw(pool, 16), source.Given().substr(16, 16));
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// --- Start-up self-test ------------------------------------------------------------------------------------

TEST(CryptoSelfTest, PassesWithThisOpenSSL) { EXPECT_NO_THROW(CryptoSelfTest()); }

}  // namespace
}  // namespace pdf

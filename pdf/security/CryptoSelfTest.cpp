// The start-up known-answer test of the crypto primitives: each one once against a published vector,
// so that a broken or incomplete OpenSSL installation is found before any file is encrypted.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "pdf/objects/PDFError.h"
#include "pdf/security/CryptoPrimitives.h"
#include "pdf/security/RandomSource.h"

namespace pdf {
namespace {

std::string FromHex(std::string_view hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
  }
  return bytes;
}

void Expect(bool passed, const char* primitive) {
  if (!passed) throw EPDFError(std::string("cryptographic self-test failed: ") + primitive);
}

// Supplies one known IV, so that the padded encryption can be checked against a published vector.
class TKnownIV final : public TRandomSource {
 public:
  explicit TKnownIV(std::string_view iv) : iv_(iv) {}
  void Fill(std::span<std::uint8_t> bytes) override {
    if (bytes.size() != iv_.size()) throw EPDFError("cryptographic self-test drew an unexpected size");
    iv_.copy(reinterpret_cast<char*>(bytes.data()), bytes.size());
  }

 private:
  std::string iv_;
};

void SelfTestDigests() {
  Expect(MD5Digest("abc") == FromHex("900150983cd24fb0d6963f7d28e17f72"), "MD5");
  Expect(SHA256Digest("abc") ==
             FromHex("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"),
         "SHA-256");
  Expect(SHA384Digest("abc") == FromHex("cb00753f45a35e8bb5a03d699ac65007272c32ab0eded163"
                                        "1a8b605a43ff5bed8086072ba1e7cc2358baeca134c825a7"),
         "SHA-384");
  Expect(SHA512Digest("abc") == FromHex("ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a"
                                        "2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f"),
         "SHA-512");
}

// FIPS-197 appendix C: one block with a zero IV, which is ECB.
void SelfTestAESBlock(const char* name, std::string_view keyHex, std::string_view cipherHex) {
  const std::string zeroIV(kAESBlockSize, '\0');
  const std::string plaintext = FromHex("00112233445566778899aabbccddeeff");
  const std::string key = FromHex(keyHex);
  const std::string ciphertext = FromHex(cipherHex);
  Expect(AESCBCEncrypt(key, zeroIV, plaintext) == ciphertext, name);
  Expect(AESCBCDecrypt(key, zeroIV, ciphertext) == plaintext, name);
}

// NIST SP 800-38A F.2.1, first block, with the IV coming from the random source.
void SelfTestAESPadded() {
  const std::string key = FromHex("2b7e151628aed2a6abf7158809cf4f3c");
  const std::string iv = FromHex("000102030405060708090a0b0c0d0e0f");
  const std::string plaintext = FromHex("6bc1bee22e409f96e93d7e117393172a");
  TKnownIV knownIV(iv);
  const std::string encrypted = AESEncryptPadded(key, plaintext, knownIV);
  Expect(encrypted.substr(0, 2 * kAESBlockSize) == iv + FromHex("7649abac8119b246cee98e9b12e9197d"),
         "AES with padding");
  Expect(AESDecryptPadded(key, encrypted) == plaintext, "AES with padding");
}

}  // namespace

void CryptoSelfTest() {
  SelfTestDigests();
  SelfTestAESBlock("AES-128", "000102030405060708090a0b0c0d0e0f", "69c4e0d86a7b0430d8cdb78070b4c55a");
  SelfTestAESBlock("AES-256", "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
                   "8ea2b7ca516745bfeafc49904b496089");
  SelfTestAESPadded();
  // RFC 6229, 40-bit key.
  const std::string rc4Stream = RC4Crypt(FromHex("0102030405"), std::string(16, '\0'));
  Expect(rc4Stream == FromHex("b2396305f03dc027ccc3524a0a1118a8"), "RC4");
  RandomBytes(kAESBlockSize);  // raises if the system generator cannot deliver
}

}  // namespace pdf

#pragma once
// The cryptographic building blocks of the standard security handler, each applied to whole byte
// strings in one call: MD5, RC4, AES-CBC (plain, and with a fresh IV and PKCS#7 padding), SHA-2.
// Byte strings are std::string holding any bytes; no call keeps state between calls, except that
// a TAESPaddedEncryptor keeps its key set up for the next one.
// Misuse (a key or IV of the wrong size, unpadded CBC data that is not whole blocks) and any OpenSSL
// failure raise EPDFError; only AESDecryptPadded reports bad data, by returning "".

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/security/OpenSSLSupport.h"
#include "pdf/security/RandomSource.h"

namespace pdf {

inline constexpr std::size_t kMD5DigestSize = 16;
inline constexpr std::size_t kAESBlockSize = 16;

std::string MD5Digest(std::string_view data);
// Two lowercase hex digits per byte, high nibble first: 32 characters for an MD5 digest.
std::string MD5HexText(std::string_view digest);

std::string SHA256Digest(std::string_view data);
std::string SHA384Digest(std::string_view data);
std::string SHA512Digest(std::string_view data);

// data XOR the RC4 keystream of key (1 to 256 bytes), started afresh: RC4 is its own inverse.
std::string RC4Crypt(std::string_view key, std::string_view data);

// AES-CBC without padding. The key length picks AES-128, AES-192 or AES-256 (16, 24, 32 bytes); the
// IV is 16 bytes; data is a whole number of 16-byte blocks, and the result has the same length.
// One block with an all-zero IV is the ECB encryption of that block.
std::string AESCBCEncrypt(std::string_view key, std::string_view iv, std::string_view data);
std::string AESCBCDecrypt(std::string_view key, std::string_view iv, std::string_view data);

// A fresh 16-byte IV from random, followed by the AES-CBC ciphertext of data with PKCS#7 padding
// (1 to 16 bytes, so the result is 17 to 32 bytes longer than data).
std::string AESEncryptPadded(std::string_view key, std::string_view data,
                             TRandomSource& random = SystemRandom());
// Takes consecutive pieces of a longer run of bytes.
using TByteSink = std::function<void(std::string_view)>;

// AESEncryptPadded for many strings and streams under one key: the key is set up once, and each
// call only starts again from a fresh IV. The key length must be 16, 24 or 32 (EPDFError otherwise).
class TAESPaddedEncryptor {
 public:
  explicit TAESPaddedEncryptor(std::string_view key);
  ~TAESPaddedEncryptor();
  TAESPaddedEncryptor(const TAESPaddedEncryptor&) = delete;
  TAESPaddedEncryptor& operator=(const TAESPaddedEncryptor&) = delete;

  // Bytes of ciphertext, IV included, for size bytes of data.
  static std::size_t EncryptedSize(std::size_t size) { return kAESBlockSize + size + kAESBlockSize - size % kAESBlockSize; }
  // Pieces handed on by EncryptInPieces are at most this long (plus a block): small enough to be
  // still in the processor's cache when the sink copies them.
  static constexpr std::size_t kPieceSize = std::size_t{256} * 1024;

  const std::string& Key() const { return key_; }
  std::string Encrypt(std::string_view data, TRandomSource& random);
  // The same bytes as Encrypt, handed to sink in pieces put together in a buffer reused from piece
  // to piece: for data too large to hold a second time.
  void EncryptInPieces(std::string_view data, TRandomSource& random, const TByteSink& sink);

 private:
  std::string key_;
  TCipherContextPtr context_;
  std::vector<unsigned char> piece_;
};

// The inverse of AESEncryptPadded. A wrong key, damaged data or bad padding gives "" (garbage in the
// rare case where a wrong decryption happens to end in valid padding); so does input of 16 bytes or
// fewer, or a ciphertext that is not whole blocks.
std::string AESDecryptPadded(std::string_view key, std::string_view data);

// Checks every primitive once against a published test vector; raises EPDFError naming the first
// one that fails (or that OpenSSL cannot provide, such as RC4 without the legacy provider).
void CryptoSelfTest();

}  // namespace pdf

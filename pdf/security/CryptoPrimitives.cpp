#include "pdf/security/CryptoPrimitives.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <algorithm>
#include <string>

#include "pdf/objects/PDFError.h"
#include "pdf/security/OpenSSLSupport.h"

namespace pdf {
namespace {

constexpr std::size_t kRC4MaxKeySize = 256;
// OpenSSL counts in int; whole blocks keep every chunk but the last a multiple of the AES block.
constexpr std::size_t kMaxCipherChunk = std::size_t{1} << 30;

const unsigned char* UBytes(std::string_view bytes) {
  return reinterpret_cast<const unsigned char*>(bytes.data());
}

unsigned char* UBytes(std::string& bytes) { return reinterpret_cast<unsigned char*>(bytes.data()); }

std::string Digest(TDigestAlgorithm algorithm, std::string_view data) {
  const EVP_MD* const md = DigestAlgorithm(algorithm);
  std::string digest(static_cast<std::size_t>(EVP_MD_get_size(md)), '\0');
  unsigned int size = 0;
  CheckOpenSSL(EVP_Digest(data.data(), data.size(), UBytes(digest), &size, md, nullptr), "EVP_Digest");
  if (size != digest.size()) throw EPDFError("OpenSSL returned a digest of unexpected size");
  return digest;
}

enum class TDirection { kDecrypt = 0, kEncrypt = 1 };

// Parameter calls go through OpenSSL's name lookup, which costs about as much as encrypting a short
// string, so only the ones that change something are made.
void InitCipher(EVP_CIPHER_CTX* context, const EVP_CIPHER* cipher, std::string_view key,
                const unsigned char* iv, TDirection direction) {
  const int enc = static_cast<int>(direction);
  const int keyLength = static_cast<int>(key.size());
  CheckOpenSSL(EVP_CipherInit_ex2(context, cipher, nullptr, nullptr, enc, nullptr), "EVP_CipherInit_ex2");
  // Only RC4 takes keys of other lengths than its default; each AES cipher was chosen by the key length.
  if (keyLength != EVP_CIPHER_get_key_length(cipher)) {
    CheckOpenSSL(EVP_CIPHER_CTX_set_key_length(context, keyLength), "EVP_CIPHER_CTX_set_key_length");
  }
  // A stream cipher has nothing to pad.
  if (EVP_CIPHER_get_block_size(cipher) > 1) {
    CheckOpenSSL(EVP_CIPHER_CTX_set_padding(context, 0), "EVP_CIPHER_CTX_set_padding");
  }
  CheckOpenSSL(EVP_CipherInit_ex2(context, nullptr, UBytes(key), iv, enc, nullptr), "EVP_CipherInit_ex2");
}

// Runs cipher without padding over length bytes of input into output, which may be input itself.
// Block ciphers need length to be whole blocks.
void RunCipher(const EVP_CIPHER* cipher, std::string_view key, const unsigned char* iv,
               TDirection direction, const unsigned char* input, std::size_t length,
               unsigned char* output) {
  const TCipherContextPtr context(CheckOpenSSL(EVP_CIPHER_CTX_new(), "EVP_CIPHER_CTX_new"));
  InitCipher(context.get(), cipher, key, iv, direction);
  for (std::size_t done = 0; done < length;) {
    const int chunk = static_cast<int>(std::min(length - done, kMaxCipherChunk));
    int written = 0;
    CheckOpenSSL(EVP_CipherUpdate(context.get(), output + done, &written, input + done, chunk),
                 "EVP_CipherUpdate");
    if (written != chunk) throw EPDFError("OpenSSL held back cipher output");
    done += static_cast<std::size_t>(chunk);
  }
  // Without padding there is nothing left to write; this only confirms that no partial block remains.
  int tail = 0;
  CheckOpenSSL(EVP_CipherFinal_ex(context.get(), output + length, &tail), "EVP_CipherFinal_ex");
}

const EVP_CIPHER* AESCipherForKey(std::string_view key) {
  switch (key.size()) {
    case 16:
      return CipherAlgorithm(TCipherAlgorithm::kAES128CBC);
    case 24:
      return CipherAlgorithm(TCipherAlgorithm::kAES192CBC);
    case 32:
      return CipherAlgorithm(TCipherAlgorithm::kAES256CBC);
    default:
      throw EPDFError("AES key of length " + std::to_string(key.size()) + "; AES takes 16, 24 or 32 bytes");
  }
}

std::string AESCBC(std::string_view key, std::string_view iv, std::string_view data, TDirection direction) {
  const EVP_CIPHER* const cipher = AESCipherForKey(key);
  if (iv.size() != kAESBlockSize) {
    throw EPDFError("AES IV of length " + std::to_string(iv.size()) + "; it must be 16 bytes");
  }
  if (data.size() % kAESBlockSize != 0) {
    throw EPDFError("AES-CBC data of length " + std::to_string(data.size()) +
                    " is not a whole number of 16-byte blocks");
  }
  std::string result(data.size(), '\0');
  RunCipher(cipher, key, UBytes(iv), direction, UBytes(data), data.size(), UBytes(result));
  return result;
}

// The length of valid PKCS#7 padding at the end of plaintext, or 0 when the padding is bad.
std::size_t PaddingLength(std::string_view plaintext) {
  if (plaintext.empty()) return 0;
  const auto padding = static_cast<unsigned char>(plaintext.back());
  if (padding < 1 || padding > kAESBlockSize || padding > plaintext.size()) return 0;
  const std::string_view tail = plaintext.substr(plaintext.size() - padding);
  const bool uniform = std::all_of(tail.begin(), tail.end(),
                                   [padding](char c) { return static_cast<unsigned char>(c) == padding; });
  return uniform ? padding : 0;
}

}  // namespace

std::string MD5Digest(std::string_view data) { return Digest(TDigestAlgorithm::kMD5, data); }
std::string SHA256Digest(std::string_view data) { return Digest(TDigestAlgorithm::kSHA256, data); }
std::string SHA384Digest(std::string_view data) { return Digest(TDigestAlgorithm::kSHA384, data); }
std::string SHA512Digest(std::string_view data) { return Digest(TDigestAlgorithm::kSHA512, data); }

std::string MD5HexText(std::string_view digest) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(digest.size() * 2);
  for (const char c : digest) {
    const auto byte = static_cast<unsigned char>(c);
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
  }
  return text;
}

std::string RC4Crypt(std::string_view key, std::string_view data) {
  if (key.empty() || key.size() > kRC4MaxKeySize) {
    throw EPDFError("RC4 key of length " + std::to_string(key.size()) + "; RC4 takes 1 to 256 bytes");
  }
  const EVP_CIPHER* const cipher = CipherAlgorithm(TCipherAlgorithm::kRC4);
  std::string result(data.size(), '\0');
  RunCipher(cipher, key, nullptr, TDirection::kEncrypt, UBytes(data), data.size(), UBytes(result));
  return result;
}

std::string AESCBCEncrypt(std::string_view key, std::string_view iv, std::string_view data) {
  return AESCBC(key, iv, data, TDirection::kEncrypt);
}

std::string AESCBCDecrypt(std::string_view key, std::string_view iv, std::string_view data) {
  return AESCBC(key, iv, data, TDirection::kDecrypt);
}

TAESPaddedEncryptor::TAESPaddedEncryptor(std::string_view key)
    : key_(key), context_(CheckOpenSSL(EVP_CIPHER_CTX_new(), "EVP_CIPHER_CTX_new")) {
  // OpenSSL pads as PKCS#7 does unless told not to, so the context keeps its default.
  CheckOpenSSL(EVP_CipherInit_ex2(context_.get(), AESCipherForKey(key), UBytes(key), nullptr, 1, nullptr),
               "EVP_CipherInit_ex2");
}

TAESPaddedEncryptor::~TAESPaddedEncryptor() { OPENSSL_cleanse(key_.data(), key_.size()); }

std::string TAESPaddedEncryptor::Encrypt(std::string_view data, TRandomSource& random) {
  const std::size_t padding = kAESBlockSize - data.size() % kAESBlockSize;
  std::string result(kAESBlockSize + data.size() + padding, '\0');
  unsigned char* const iv = UBytes(result);
  random.Fill({iv, kAESBlockSize});
  // A new IV restarts the chain; the key set up by the constructor stays.
  CheckOpenSSL(EVP_CipherInit_ex2(context_.get(), nullptr, nullptr, iv, 1, nullptr), "EVP_CipherInit_ex2");
  // Output may lag its input by a partial block; it is all out after the final call.
  std::size_t out = kAESBlockSize;
  for (std::size_t done = 0; done < data.size();) {
    const int chunk = static_cast<int>(std::min(data.size() - done, kMaxCipherChunk));
    int written = 0;
    CheckOpenSSL(EVP_EncryptUpdate(context_.get(), iv + out, &written, UBytes(data) + done, chunk), "EVP_EncryptUpdate");
    out += static_cast<std::size_t>(written);
    done += static_cast<std::size_t>(chunk);
  }
  int written = 0;
  CheckOpenSSL(EVP_EncryptFinal_ex(context_.get(), iv + out, &written), "EVP_EncryptFinal_ex");
  if (out + static_cast<std::size_t>(written) != result.size()) throw EPDFError("OpenSSL wrote an unexpected amount of ciphertext");
  return result;
}

void TAESPaddedEncryptor::EncryptInPieces(std::string_view data, TRandomSource& random, const TByteSink& sink) {
  // Room for a whole piece and what one update may add to it: the block it held back before.
  piece_.resize(kPieceSize + kAESBlockSize);
  unsigned char* const buffer = piece_.data();
  random.Fill({buffer, kAESBlockSize});
  CheckOpenSSL(EVP_CipherInit_ex2(context_.get(), nullptr, nullptr, buffer, 1, nullptr), "EVP_CipherInit_ex2");
  std::size_t used = kAESBlockSize;
  std::size_t total = 0;
  for (std::size_t done = 0; done < data.size();) {
    const std::size_t chunk = std::min(data.size() - done, kPieceSize - used);
    int written = 0;
    CheckOpenSSL(EVP_EncryptUpdate(context_.get(), buffer + used, &written, UBytes(data) + done, static_cast<int>(chunk)),
                 "EVP_EncryptUpdate");
    used += static_cast<std::size_t>(written);
    done += chunk;
    if (used >= kPieceSize) {
      sink({reinterpret_cast<const char*>(buffer), used});
      total += used;
      used = 0;
    }
  }
  int written = 0;
  CheckOpenSSL(EVP_EncryptFinal_ex(context_.get(), buffer + used, &written), "EVP_EncryptFinal_ex");
  used += static_cast<std::size_t>(written);
  sink({reinterpret_cast<const char*>(buffer), used});
  total += used;
  // The caller announced the size before the first piece; anything else would corrupt its file.
  if (total != EncryptedSize(data.size())) throw EPDFError("OpenSSL wrote an unexpected amount of ciphertext");
}

std::string AESEncryptPadded(std::string_view key, std::string_view data, TRandomSource& random) {
  return TAESPaddedEncryptor(key).Encrypt(data, random);
}

std::string AESDecryptPadded(std::string_view key, std::string_view data) {
  AESCipherForKey(key);  // a wrong key length is misuse and raises, unlike bad data
  if (data.size() <= kAESBlockSize || data.size() % kAESBlockSize != 0) return {};
  std::string plaintext = AESCBCDecrypt(key, data.substr(0, kAESBlockSize), data.substr(kAESBlockSize));
  const std::size_t padding = PaddingLength(plaintext);
  if (padding == 0) return {};
  plaintext.resize(plaintext.size() - padding);
  return plaintext;
}

}  // namespace pdf

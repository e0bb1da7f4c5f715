#pragma once
// OpenSSL plumbing of the security code: one status check that turns every OpenSSL failure into
// EPDFError, owning pointers for OpenSSL objects, and the algorithm objects, fetched once per process.

#include <openssl/evp.h>

#include <memory>
#include <string_view>

namespace pdf {

// Raises EPDFError naming the operation and OpenSSL's reason unless status is 1, the success value of
// every OpenSSL call made here. Clears the thread's OpenSSL error queue on failure.
void CheckOpenSSL(int status, std::string_view operation);

// The same for calls that return a new object or nullptr.
template <typename T>
T* CheckOpenSSL(T* object, std::string_view operation) {
  if (object == nullptr) CheckOpenSSL(0, operation);
  return object;
}

template <auto Free>
struct TOpenSSLFree {
  template <typename T>
  void operator()(T* object) const {
    Free(object);
  }
};

using TCipherContextPtr = std::unique_ptr<EVP_CIPHER_CTX, TOpenSSLFree<&EVP_CIPHER_CTX_free>>;

enum class TDigestAlgorithm { kMD5, kSHA256, kSHA384, kSHA512 };
enum class TCipherAlgorithm { kAES128CBC, kAES192CBC, kAES256CBC, kRC4 };

// Fetching an algorithm costs more than hashing or encrypting a short PDF string, so each one is
// fetched on first use and kept until the process ends. Raise EPDFError when OpenSSL lacks it; RC4
// needs OpenSSL's legacy provider, and its error says so.
const EVP_MD* DigestAlgorithm(TDigestAlgorithm algorithm);
const EVP_CIPHER* CipherAlgorithm(TCipherAlgorithm algorithm);

}  // namespace pdf

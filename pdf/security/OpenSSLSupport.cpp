#include "pdf/security/OpenSSLSupport.h"

#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/provider.h>

#include <array>
#include <string>

#include "pdf/objects/PDFError.h"

namespace pdf {
namespace {

using TDigestPtr = std::unique_ptr<EVP_MD, TOpenSSLFree<&EVP_MD_free>>;
using TCipherPtr = std::unique_ptr<EVP_CIPHER, TOpenSSLFree<&EVP_CIPHER_free>>;
using TProviderPtr = std::unique_ptr<OSSL_PROVIDER, TOpenSSLFree<&OSSL_PROVIDER_unload>>;

// The oldest queued reason is the root cause; the rest are consequences of it.
std::string TakeOpenSSLReason() {
  const unsigned long code = ERR_get_error();
  ERR_clear_error();
  if (code == 0) return "no reason given";
  std::array<char, 256> text{};
  ERR_error_string_n(code, text.data(), text.size());
  return text.data();
}

// OpenSSL frees its state at exit through a handler it registers when it initialises. Initialising it
// before the first algorithm object is made means that handler runs after the static owners below have
// freed their objects, not before.
void InitialiseOpenSSL() {
  CheckOpenSSL(OPENSSL_init_crypto(OPENSSL_INIT_LOAD_CONFIG, nullptr), "initialising OpenSSL");
}

TDigestPtr FetchDigest(const char* name) {
  InitialiseOpenSSL();
  return TDigestPtr(CheckOpenSSL(EVP_MD_fetch(nullptr, name, nullptr), std::string("fetching ") + name));
}

TCipherPtr FetchCipher(const char* name) {
  InitialiseOpenSSL();
  return TCipherPtr(CheckOpenSSL(EVP_CIPHER_fetch(nullptr, name, nullptr), std::string("fetching ") + name));
}

// OpenSSL 3 keeps RC4 in its legacy provider, which is never loaded by default. Loading any provider
// explicitly stops the default one from loading by itself, so the default provider is loaded as well.
// Both stay loaded for the life of the process; a failure is remembered with OpenSSL's reason.
struct TLegacyProviders {
  TProviderPtr defaultProvider;
  TProviderPtr legacyProvider;
  std::string failure;
};

const TLegacyProviders& LegacyProviders() {
  static const TLegacyProviders providers = [] {
    InitialiseOpenSSL();
    TLegacyProviders loaded;
    loaded.defaultProvider.reset(OSSL_PROVIDER_load(nullptr, "default"));
    loaded.legacyProvider.reset(OSSL_PROVIDER_load(nullptr, "legacy"));
    if (loaded.legacyProvider == nullptr) loaded.failure = TakeOpenSSLReason();
    return loaded;
  }();
  return providers;
}

TCipherPtr FetchRC4() {
  const TLegacyProviders& providers = LegacyProviders();
  if (providers.legacyProvider == nullptr) {
    throw EPDFError("RC4 is unavailable: the OpenSSL legacy provider could not be loaded (" +
                    providers.failure + "); it must be installed in OpenSSL's module directory");
  }
  return FetchCipher("RC4");
}

}  // namespace

void CheckOpenSSL(int status, std::string_view operation) {
  if (status == 1) return;
  throw EPDFError("OpenSSL failed in " + std::string(operation) + ": " + TakeOpenSSLReason());
}

// A static whose initialiser throws is initialised again on the next call, so a failed fetch is
// retried rather than remembered as a null algorithm.
const EVP_MD* DigestAlgorithm(TDigestAlgorithm algorithm) {
  switch (algorithm) {
    case TDigestAlgorithm::kMD5: {
      static const TDigestPtr md5 = FetchDigest("MD5");
      return md5.get();
    }
    case TDigestAlgorithm::kSHA256: {
      static const TDigestPtr sha256 = FetchDigest("SHA2-256");
      return sha256.get();
    }
    case TDigestAlgorithm::kSHA384: {
      static const TDigestPtr sha384 = FetchDigest("SHA2-384");
      return sha384.get();
    }
    case TDigestAlgorithm::kSHA512: {
      static const TDigestPtr sha512 = FetchDigest("SHA2-512");
      return sha512.get();
    }
  }
  throw EPDFError("unknown digest algorithm");
}

const EVP_CIPHER* CipherAlgorithm(TCipherAlgorithm algorithm) {
  switch (algorithm) {
    case TCipherAlgorithm::kAES128CBC: {
      static const TCipherPtr aes128 = FetchCipher("AES-128-CBC");
      return aes128.get();
    }
    case TCipherAlgorithm::kAES192CBC: {
      static const TCipherPtr aes192 = FetchCipher("AES-192-CBC");
      return aes192.get();
    }
    case TCipherAlgorithm::kAES256CBC: {
      static const TCipherPtr aes256 = FetchCipher("AES-256-CBC");
      return aes256.get();
    }
    case TCipherAlgorithm::kRC4: {
      static const TCipherPtr rc4 = FetchRC4();
      return rc4.get();
    }
  }
  throw EPDFError("unknown cipher algorithm");
}

}  // namespace pdf

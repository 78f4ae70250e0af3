#include "platform/crypto_lib.h"

#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/opensslv.h>
#include <openssl/provider.h>
#include <openssl/rand.h>

#include <memory>
#include <mutex>

namespace zv {

namespace {

#define ZV_STR2(x) #x
#define ZV_STR(x) ZV_STR2(x)
const char kLibraryName[] = "libcrypto.so." ZV_STR(OPENSSL_VERSION_MAJOR);

// The algorithms of one binding, fetched from a library context of our own so that a
// system-wide configuration cannot swap them underneath us.
struct Binding {
  OSSL_LIB_CTX* libctx = nullptr;
  OSSL_PROVIDER* provider = nullptr;
  bool loaded = false;
  EVP_CIPHER* aes128ecb = nullptr;
  EVP_CIPHER* aes256ecb = nullptr;
  EVP_CIPHER* aes128gcm = nullptr;
  EVP_CIPHER* aes256gcm = nullptr;
  EVP_CIPHER* aes128wrap = nullptr;
  EVP_CIPHER* aes256wrap = nullptr;
  EVP_MD* sha1 = nullptr;
  EVP_MD* md5 = nullptr;
  EVP_MD* sha256 = nullptr;
  EVP_MD* sha384 = nullptr;

  Binding() = default;
  Binding(const Binding&) = delete;
  Binding& operator=(const Binding&) = delete;
  ~Binding() {
    for (EVP_CIPHER* c : {aes128ecb, aes256ecb, aes128gcm, aes256gcm, aes128wrap, aes256wrap})
      EVP_CIPHER_free(c);
    for (EVP_MD* m : {sha1, md5, sha256, sha384}) EVP_MD_free(m);
    if (provider) OSSL_PROVIDER_unload(provider);
    OSSL_LIB_CTX_free(libctx);
  }
};

struct State {
  std::mutex lock;
  std::shared_ptr<const Binding> binding;
  std::string provider = "default";
  std::string propertyQuery;
  bool hasQuery = false;
};

// Never destroyed: libcrypto's own exit handler may run before static destructors.
State& TheState() {
  static State* s = new State;
  return *s;
}

std::shared_ptr<const Binding> Bind(const State& s) {
  auto b = std::make_shared<Binding>();
  b->libctx = OSSL_LIB_CTX_new();
  if (b->libctx) b->provider = OSSL_PROVIDER_load(b->libctx, s.provider.c_str());
  b->loaded = b->provider != nullptr;
  if (b->loaded) {
    const char* q = s.hasQuery ? s.propertyQuery.c_str() : nullptr;
    b->aes128ecb = EVP_CIPHER_fetch(b->libctx, "AES-128-ECB", q);
    b->aes256ecb = EVP_CIPHER_fetch(b->libctx, "AES-256-ECB", q);
    b->aes128gcm = EVP_CIPHER_fetch(b->libctx, "AES-128-GCM", q);
    b->aes256gcm = EVP_CIPHER_fetch(b->libctx, "AES-256-GCM", q);
    b->aes128wrap = EVP_CIPHER_fetch(b->libctx, "AES-128-WRAP", q);
    b->aes256wrap = EVP_CIPHER_fetch(b->libctx, "AES-256-WRAP", q);
    b->sha1 = EVP_MD_fetch(b->libctx, "SHA1", q);
    b->md5 = EVP_MD_fetch(b->libctx, "MD5", q);
    b->sha256 = EVP_MD_fetch(b->libctx, "SHA2-256", q);
    b->sha384 = EVP_MD_fetch(b->libctx, "SHA2-384", q);
  }
  ERR_clear_error();
  return b;
}

// The binding for one call. A failed binding is not kept: the next call tries again.
std::shared_ptr<const Binding> Bound() {
  State& s = TheState();
  std::lock_guard<std::mutex> guard(s.lock);
  if (s.binding) return s.binding;
  auto b = Bind(s);
  if (b->loaded) s.binding = b;
  return b;
}

struct CipherCtx {
  EVP_CIPHER_CTX* p = EVP_CIPHER_CTX_new();
  CipherCtx() = default;
  CipherCtx(const CipherCtx&) = delete;
  CipherCtx& operator=(const CipherCtx&) = delete;
  ~CipherCtx() { EVP_CIPHER_CTX_free(p); }
};

bool Buffer(const void* p, int length) { return length >= 0 && (length == 0 || p != nullptr); }

int AesBlock(EVP_CIPHER* Binding::*which, uint8_t* output, const uint8_t* input,
             int inputLength, const uint8_t* key, int encrypt) {
  auto b = Bound();
  if (!b->loaded) return kCryptoLibraryNotBound;
  const EVP_CIPHER* c = (*b).*which;
  if (!c) return kCryptoEntryNotBound;
  if (inputLength != 16 || !output || !input || !key || (encrypt != 0 && encrypt != 1))
    return kCryptoBadParameter;
  CipherCtx ctx;
  int n = 0;
  uint8_t tail[32];
  if (!ctx.p || EVP_CipherInit_ex2(ctx.p, c, key, nullptr, encrypt, nullptr) != 1 ||
      EVP_CIPHER_CTX_set_padding(ctx.p, 0) != 1 ||
      EVP_CipherUpdate(ctx.p, output, &n, input, 16) != 1 || n != 16 ||
      EVP_CipherFinal_ex(ctx.p, tail, &n) != 1)
    return kCryptoFailure;
  return 0;
}

const EVP_CIPHER* GcmCipher(const Binding& b, int keyLength) {
  return keyLength == 16 ? b.aes128gcm : b.aes256gcm;
}

}  // namespace

const char* CryptoLibName() { return kLibraryName; }

std::string CryptoLibBindError(int code, const char* entryName) {
  if (code == kCryptoLibraryNotBound) return std::string("Could not load ") + kLibraryName;
  if (code == kCryptoEntryNotBound)
    return std::string("Could not load ") + entryName + " from " + kLibraryName;
  return std::string();
}

void CryptoLibRebind(const char* providerName, const char* propertyQuery) {
  State& s = TheState();
  std::lock_guard<std::mutex> guard(s.lock);
  s.binding.reset();
  s.provider = providerName ? providerName : "default";
  s.hasQuery = propertyQuery != nullptr;
  s.propertyQuery = propertyQuery ? propertyQuery : "";
}

int AES128_Bytes(uint8_t* output, const uint8_t* input, int inputLength, const uint8_t* key,
                 int encrypt) {
  return AesBlock(&Binding::aes128ecb, output, input, inputLength, key, encrypt);
}

int AES256_Bytes(uint8_t* output, const uint8_t* input, int inputLength, const uint8_t* key,
                 int encrypt) {
  return AesBlock(&Binding::aes256ecb, output, input, inputLength, key, encrypt);
}

int GCM_Encrypt(uint8_t* output, int outputLength, uint8_t* tag, int tagLength,
                const uint8_t* input, int inputLength, const uint8_t* key, int keyLength,
                const uint8_t* iv, int ivLength, const uint8_t* aad, int aadLength,
                int options) {
  auto b = Bound();
  if (!b->loaded) return kCryptoLibraryNotBound;
  if (keyLength != 16 && keyLength != 32) return kCryptoBadParameter;
  const EVP_CIPHER* c = GcmCipher(*b, keyLength);
  if (!c) return kCryptoEntryNotBound;
  if (options != 0 || outputLength != inputLength || !Buffer(output, outputLength) ||
      !Buffer(input, inputLength) || !key || ivLength != 12 || !iv || tagLength < 4 ||
      tagLength > 16 || !tag || !Buffer(aad, aadLength))
    return kCryptoBadParameter;
  CipherCtx ctx;
  int n = 0;
  uint8_t tail[16];
  if (!ctx.p || EVP_EncryptInit_ex2(ctx.p, c, key, iv, nullptr) != 1) return kCryptoFailure;
  if (aadLength > 0 && EVP_EncryptUpdate(ctx.p, nullptr, &n, aad, aadLength) != 1)
    return kCryptoFailure;
  if (inputLength > 0 &&
      (EVP_EncryptUpdate(ctx.p, output, &n, input, inputLength) != 1 || n != inputLength))
    return kCryptoFailure;
  if (EVP_EncryptFinal_ex(ctx.p, tail, &n) != 1 ||
      EVP_CIPHER_CTX_ctrl(ctx.p, EVP_CTRL_GCM_GET_TAG, tagLength, tag) != 1)
    return kCryptoFailure;
  return 0;
}

int GCM_Decrypt(uint8_t* output, int outputLength, const uint8_t* input, int inputLength,
                const uint8_t* key, int keyLength, const uint8_t* iv, int ivLength,
                const uint8_t* aad, int aadLength, const uint8_t* tag, int tagLength,
                int options) {
  auto b = Bound();
  if (!b->loaded) return kCryptoLibraryNotBound;
  if (keyLength != 16 && keyLength != 32) return kCryptoBadParameter;
  const EVP_CIPHER* c = GcmCipher(*b, keyLength);
  if (!c) return kCryptoEntryNotBound;
  if (options != 0 || outputLength != inputLength || !Buffer(output, outputLength) ||
      !Buffer(input, inputLength) || !key || ivLength != 12 || !iv ||
      (tagLength != 0 && (tagLength < 4 || tagLength > 16)) || !Buffer(tag, tagLength) ||
      !Buffer(aad, aadLength))
    return kCryptoBadParameter;
  CipherCtx ctx;
  int n = 0;
  uint8_t tail[16];
  if (!ctx.p || EVP_DecryptInit_ex2(ctx.p, c, key, iv, nullptr) != 1) return kCryptoFailure;
  if (aadLength > 0 && EVP_DecryptUpdate(ctx.p, nullptr, &n, aad, aadLength) != 1)
    return kCryptoFailure;
  if (inputLength > 0 &&
      (EVP_DecryptUpdate(ctx.p, output, &n, input, inputLength) != 1 || n != inputLength))
    return kCryptoFailure;
  if (tagLength > 0) {
    if (EVP_CIPHER_CTX_ctrl(ctx.p, EVP_CTRL_GCM_SET_TAG, tagLength,
                            const_cast<uint8_t*>(tag)) != 1)
      return kCryptoFailure;
    if (EVP_DecryptFinal_ex(ctx.p, tail, &n) != 1) {
      // Unverified plaintext never leaves the library.
      if (outputLength > 0) OPENSSL_cleanse(output, static_cast<size_t>(outputLength));
      ERR_clear_error();
      return kCryptoTagMismatch;
    }
  }
  return 0;
}

static int KeyWrapCipher(const Binding& b, int options, int kekLength, const EVP_CIPHER*& c) {
  if (options == kKeyWrapAES128 && kekLength == 16) {
    c = b.aes128wrap;
  } else if (options == kKeyWrapAES256 && kekLength == 32) {
    c = b.aes256wrap;
  } else {
    return kCryptoBadParameter;
  }
  return c ? 0 : kCryptoEntryNotBound;
}

int CIPHER_KeyWrap(uint8_t* output, int outputLength, const uint8_t* key, int keyLength,
                   const uint8_t* kek, int kekLength, int options) {
  auto b = Bound();
  if (!b->loaded) return kCryptoLibraryNotBound;
  const EVP_CIPHER* c = nullptr;
  if (int rc = KeyWrapCipher(*b, options, kekLength, c)) return rc;
  if (keyLength < 16 || keyLength % 8 != 0 || outputLength != keyLength + 8 || !output ||
      !key || !kek)
    return kCryptoBadParameter;
  CipherCtx ctx;
  int n = 0;
  uint8_t tail[16];
  if (!ctx.p) return kCryptoFailure;
  EVP_CIPHER_CTX_set_flags(ctx.p, EVP_CIPHER_CTX_FLAG_WRAP_ALLOW);
  if (EVP_EncryptInit_ex2(ctx.p, c, kek, nullptr, nullptr) != 1 ||
      EVP_EncryptUpdate(ctx.p, output, &n, key, keyLength) != 1 || n != outputLength ||
      EVP_EncryptFinal_ex(ctx.p, tail, &n) != 1)
    return kCryptoFailure;
  return 0;
}

int CIPHER_KeyUnwrap(uint8_t* output, int outputLength, const uint8_t* wrapped,
                     int wrappedLength, const uint8_t* kek, int kekLength, int options) {
  auto b = Bound();
  if (!b->loaded) return kCryptoLibraryNotBound;
  const EVP_CIPHER* c = nullptr;
  if (int rc = KeyWrapCipher(*b, options, kekLength, c)) return rc;
  if (wrappedLength < 24 || wrappedLength % 8 != 0 || outputLength != wrappedLength - 8 ||
      !output || !wrapped || !kek)
    return kCryptoBadParameter;
  CipherCtx ctx;
  int n = 0;
  uint8_t tail[16];
  if (!ctx.p) return kCryptoFailure;
  EVP_CIPHER_CTX_set_flags(ctx.p, EVP_CIPHER_CTX_FLAG_WRAP_ALLOW);
  if (EVP_DecryptInit_ex2(ctx.p, c, kek, nullptr, nullptr) != 1) return kCryptoFailure;
  if (EVP_DecryptUpdate(ctx.p, output, &n, wrapped, wrappedLength) != 1 || n != outputLength ||
      EVP_DecryptFinal_ex(ctx.p, tail, &n) != 1) {
    OPENSSL_cleanse(output, static_cast<size_t>(outputLength));
    ERR_clear_error();
    return kCryptoIntegrity;
  }
  return 0;
}

int HASH_Bytes(uint8_t* digest, int digestLength, const uint8_t* message, int messageLength,
               int options) {
  auto b = Bound();
  if (!b->loaded) return kCryptoLibraryNotBound;
  const EVP_MD* md = nullptr;
  switch (options) {
    case kHashSHA1: md = b->sha1; break;
    case kHashMD5: md = b->md5; break;
    case kHashSHA256: md = b->sha256; break;
    case kHashSHA384: md = b->sha384; break;
    default: return kCryptoBadParameter;
  }
  if (!md) return kCryptoEntryNotBound;
  int size = EVP_MD_get_size(md);
  if (!digest || digestLength < size || !Buffer(message, messageLength))
    return kCryptoBadParameter;
  static const uint8_t kNothing = 0;
  unsigned int n = 0;
  if (EVP_Digest(messageLength > 0 ? message : &kNothing, static_cast<size_t>(messageLength),
                 digest, &n, md, nullptr) != 1 ||
      static_cast<int>(n) != size)
    return kCryptoFailure;
  return size;
}

int RANDOM_Bytes(uint8_t* output, int length) {
  auto b = Bound();
  if (!b->loaded) return kCryptoLibraryNotBound;
  if (!Buffer(output, length)) return kCryptoBadParameter;
  if (length == 0) return 0;
  if (RAND_bytes_ex(b->libctx, output, static_cast<size_t>(length), 0) != 1) {
    ERR_clear_error();
    return kCryptoFailure;
  }
  return 0;
}

}  // namespace zv

// The symmetric primitives the protection code builds on: one AES block, AES-GCM, AES key
// wrap (RFC 3394) and hashes, over OpenSSL libcrypto. Every entry takes octet buffers as
// pointer and length (an empty buffer may be a null pointer with length 0) and answers 0 or
// a positive number on success, a negative code on failure.
//
// libcrypto's algorithms are bound on first use. When the library or an algorithm cannot
// be bound, the entry answers kCryptoLibraryNotBound or kCryptoEntryNotBound and
// CryptoLibBindError gives the text to raise.
#pragma once
#include <cstdint>
#include <string>

namespace zv {

constexpr int kCryptoBadParameter = -1;    // a length, key size or option the entry does not take
constexpr int kCryptoFailure = -2;         // libcrypto refused the operation
constexpr int kCryptoIntegrity = -3;       // key unwrap: the integrity check failed
constexpr int kCryptoTagMismatch = -18;    // GCM: the authentication tag does not match
constexpr int kCryptoLibraryNotBound = -1001;
constexpr int kCryptoEntryNotBound = -1002;

// Key-wrap options: the size of the key-encryption key.
constexpr int kKeyWrapAES128 = 0x20;
constexpr int kKeyWrapAES256 = 0x40;

// Hash options.
constexpr int kHashSHA1 = 0;
constexpr int kHashMD5 = 1;
constexpr int kHashSHA256 = 3;
constexpr int kHashSHA384 = 4;

// One AES block (ECB): inputLength must be 16, the key 16 (AES128) or 32 (AES256) octets;
// encrypt 1 encrypts, 0 decrypts.
int AES128_Bytes(uint8_t* output, const uint8_t* input, int inputLength, const uint8_t* key,
                 int encrypt);
int AES256_Bytes(uint8_t* output, const uint8_t* input, int inputLength, const uint8_t* key,
                 int encrypt);

// AES-GCM with a 16- or 32-octet key and a 12-octet IV; outputLength equals inputLength.
// An empty input gives the tag alone (GMAC). options must be 0.
int GCM_Encrypt(uint8_t* output, int outputLength, uint8_t* tag, int tagLength,
                const uint8_t* input, int inputLength, const uint8_t* key, int keyLength,
                const uint8_t* iv, int ivLength, const uint8_t* aad, int aadLength, int options);
// Verifies the tag and decrypts; kCryptoTagMismatch when the tag differs (the output is then
// zeroed). With an empty tag the input is only decrypted.
int GCM_Decrypt(uint8_t* output, int outputLength, const uint8_t* input, int inputLength,
                const uint8_t* key, int keyLength, const uint8_t* iv, int ivLength,
                const uint8_t* aad, int aadLength, const uint8_t* tag, int tagLength,
                int options);

// RFC 3394 key wrap: outputLength = keyLength + 8; options kKeyWrapAES128 or kKeyWrapAES256.
int CIPHER_KeyWrap(uint8_t* output, int outputLength, const uint8_t* key, int keyLength,
                   const uint8_t* kek, int kekLength, int options);
// outputLength = wrappedLength - 8; kCryptoIntegrity when the wrapped key does not check.
int CIPHER_KeyUnwrap(uint8_t* output, int outputLength, const uint8_t* wrapped,
                     int wrappedLength, const uint8_t* kek, int kekLength, int options);

// Digest of the message; digestLength must hold the digest (20, 16, 32 or 48 octets).
// Answers the digest's length.
int HASH_Bytes(uint8_t* digest, int digestLength, const uint8_t* message, int messageLength,
               int options);

// Octets from libcrypto's cryptographically secure generator.
int RANDOM_Bytes(uint8_t* output, int length);

// "Could not load " and the library's name (kCryptoLibraryNotBound), or "Could not load "
// with the entry's name, " from " and the library's name (kCryptoEntryNotBound).
std::string CryptoLibBindError(int code, const char* entryName);
const char* CryptoLibName();

// Drops the current binding; the next call binds again through the named provider and
// property query (nullptr: libcrypto's default provider, no query). Tests use it to make
// binding fail.
void CryptoLibRebind(const char* providerName, const char* propertyQuery);

}  // namespace zv

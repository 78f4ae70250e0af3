// Peer octets through the removal of the protection layers, with a fixed key store of
// suites 0, 1 and 2: ciphered APDUs of every kind and nesting for the APDU layers, buffers
// and key-ciphered data for the data protection layers. A removed APDU is protected again
// with the layers found, so the templates meet peer-chosen titles and fields too. Every
// input must end in a result or an error, never a crash, a hang or a runaway allocation.
//
// Input: octet 0 selects the suite (bits 0-1), the layers (bit 2: data protection) and
// whether the key store may hand out a key pair (bit 3, see gKeyPairsLeft).
// APDU layers: the rest is the APDU. Data protection: octet 1 the key kind (low bits) and
// services (bits 4-5), octet 2 the length of the key-ciphered data that follows; the rest
// is the buffer.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "crypto/ecdsa.h"
#include "foundation/errors.h"
#include "security/data_protection.h"
#include "security/frame_counter_source.h"
#include "security/protection_layers.h"

using namespace zv;

namespace {

const PduStr kClientTitle("\x4D\x4D\x4D\x00\x00\xBC\x61\x4E", 8);
const PduStr kServerTitle("ZRV\x00\x00\x00\x00\x01", 8);

// Key pairs handed out for the current input: one, and only when selector bit 3 asks for
// it and a checksum of the input picks it (one input in eight). Each costs a signature
// check, a signing or a key agreement, which under the sanitizers take milliseconds, and
// the fuzzer soon sets bit 3 on most inputs; the checksum keeps the choice fixed per input,
// so a reproducer still gets its key pair. Without one the store answers as if it had none,
// and the layers take their error path after parsing all the rest.
int gKeyPairsLeft = 0;

// Fixed keys; key pairs made once from a fixed seed.
class TFuzzSecurityMaterial : public TSecurityMaterial {
 public:
  explicit TFuzzSecurityMaterial(int suite) : FSuite(suite) {
    const size_t n = suite == 2 ? 32 : 16;
    for (int id = kiGUEK; id <= kiDEK; ++id) {
      PduStr key(n, '\0');
      for (size_t i = 0; i < n; ++i) key[i] = static_cast<char>(id * 0x20 + i);
      FKeys[static_cast<TKeyId>(id)] = key;
    }
    if (suite == 0) return;
    uint32_t state = 0x9E3779B9u * static_cast<uint32_t>(suite);
    TRandomOctets seeded = [&state](int count) {
      PduStr s(static_cast<size_t>(count), '\0');
      for (auto& c : s) {
        state = state * 1664525u + 1013904223u;
        c = static_cast<char>(state >> 24);
      }
      return s;
    };
    for (const PduStr& title : {kClientTitle, kServerTitle})
      for (TKeyPairType type : {kpSigning, kpAgreement, kpEphemeral}) {
        TKeyPair pair;
        ECDSAGenerateKeyPair(suite == 1 ? CurveP256 : CurveP384, pair.PrivateKey, pair.PublicKey, seeded);
        FPairs[{title, type}] = pair;
      }
  }

  PduStr GetSymmetricKey(TKeyId KeyId) override {
    auto it = FKeys.find(KeyId);
    if (it == FKeys.end()) throw EKeyMissing("No key");
    return it->second;
  }
  PduStr ReplaceSymmetricKey(TKeyId KeyId, const PduStr& Value) override {
    PduStr old = FKeys[KeyId];
    FKeys[KeyId] = Value;
    return old;
  }
  int GetSecuritySuite() override { return FSuite; }
  PduStr GetPublicKey(const PduStr& SystemTitle, TKeyPairType KeyPairType) override {
    return Pair(SystemTitle, KeyPairType).PublicKey;
  }
  PduStr GetPrivateKey(const PduStr& SystemTitle, TKeyPairType KeyPairType) override {
    return Pair(SystemTitle, KeyPairType).PrivateKey;
  }
  TKeyPair GetKeyPair(const PduStr& SystemTitle, TKeyPairType KeyPairType) override {
    return Pair(SystemTitle, KeyPairType);
  }

 private:
  const TKeyPair& Pair(const PduStr& title, TKeyPairType type) const {
    if (gKeyPairsLeft <= 0) throw EKeyMissing("No key pair");
    --gKeyPairsLeft;
    auto it = FPairs.find({title, type});
    if (it == FPairs.end()) throw EKeyMissing("No key pair");
    return it->second;
  }
  int FSuite;
  std::map<TKeyId, PduStr> FKeys;
  std::map<std::pair<PduStr, TKeyPairType>, TKeyPair> FPairs;
};

TFuzzSecurityMaterial& Store(int suite) {
  static TFuzzSecurityMaterial stores[] = {TFuzzSecurityMaterial(0), TFuzzSecurityMaterial(1),
                                          TFuzzSecurityMaterial(2)};
  return stores[suite];
}

void RemoveApduLayers(TSecurityMaterial& m, const PduStr& in) {
  TProtectionLayers layers;
  COSEMpduPtr plain = layers.Remove(in, &m, nullptr, kClientTitle);
  if (!plain) return;
  uint32_t last = 0;
  try {
    layers.CheckFrameCounter(last);
  } catch (const Exception&) {
  }
  layers.Apply(*plain, &m, nullptr);
}

void RemoveDataLayer(TSecurityMaterial& m, const PduStr& in) {
  if (in.size() < 2) return;
  TDataProtectionLayer layer(&m, nullptr);
  const uint8_t kind = static_cast<uint8_t>(in[0]);
  switch (kind & 0x07) {
    case 0: layer.KeyInfo = TKeyInfo::KeyInfoIdentified(kiGUEK); break;
    case 1: layer.KeyInfo = TKeyInfo::KeyInfoWrapped(kiKEK); break;
    case 2: layer.KeyInfo = TKeyInfo::KeyInfoAgreed(kaOPDH); break;
    case 3: layer.KeyInfo = TKeyInfo::KeyInfoAgreed(kaSUM); break;
    default: break;  // a signature layer
  }
  const uint8_t services = (kind >> 4) & 0x03;
  layer.COSEMProtectionServices =
      services ? TCOSEMProtectionServices::FromOctet(services) : TCOSEMProtectionServices{psSignature};
  layer.TransactionId = "T1";
  layer.OriginatorSystemTitle = kClientTitle;
  layer.RecipientSystemTitle = kServerTitle;
  const size_t n = std::min<size_t>(static_cast<uint8_t>(in[1]), in.size() - 2);
  layer.KeyCipheredData = in.substr(2, n);
  layer.Remove(in.substr(2 + n));
}

// FNV-1a over the whole input: any mutation moves it.
uint32_t Checksum(const uint8_t* data, size_t size) {
  uint32_t h = 2166136261u;
  for (size_t i = 0; i < size; ++i) h = (h ^ data[i]) * 16777619u;
  return h;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  SetFrameCounterSource([] { return 0x10000000u; });
  const uint8_t selector = data[0];
  gKeyPairsLeft = (selector & 8) && Checksum(data, size) % 8 == 0 ? 1 : 0;
  const PduStr in(reinterpret_cast<const char*>(data) + 1, size - 1);
  TSecurityMaterial& m = Store((selector & 3) == 3 ? 0 : selector & 3);
  try {
    if (selector & 4)
      RemoveDataLayer(m, in);
    else
      RemoveApduLayers(m, in);
  } catch (const Exception&) {
  }
  return 0;
}

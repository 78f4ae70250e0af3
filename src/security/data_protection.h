// Protection of plain octet strings for data protection objects: the A-XDR encoding of
// attribute values or of method parameters. A layer ciphers with AES-GCM under an
// identified, wrapped or agreed content key, or signs with ECDSA; the transaction id, the
// system titles and the other information enter only as authenticated or signed data.
// A list applies its layers one over the other (first = innermost) and removes them in
// reverse.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "crypto/logging_context.h"
#include "security/protection_common_decl.h"
#include "security/security_material.h"

namespace zv {

class TDataProtectionLayer;

// The frame counter of the next ciphering under the layer's (new) EncryptionKey.
using TFrameCounterToApplyFunc = std::function<uint32_t(TDataProtectionLayer& DataProtectionLayer)>;
// Told after each successful deciphering; raises to refuse FrameCounterWhenRemoving.
using TFrameCounterRemovedProc = std::function<void(TDataProtectionLayer& DataProtectionLayer)>;
using TFilterFunc = std::function<bool(const TDataProtectionLayer& DataProtectionLayer)>;

class TDataProtectionLayer {
 public:
  // No services, empty strings, identified key info with all octets 0, no callbacks.
  TDataProtectionLayer(TSecurityMaterial* SecurityMaterial, const TLoggingContext* LoggingContext)
      : LoggingContext(LoggingContext), SecurityMaterial(SecurityMaterial) {}
  TDataProtectionLayer(const TDataProtectionLayer&) = delete;
  TDataProtectionLayer& operator=(const TDataProtectionLayer&) = delete;

  // {authentication}, {encryption} or both for ciphering, {signature} for signing.
  TCOSEMProtectionServices COSEMProtectionServices;
  PduStr TransactionId;
  PduStr OtherInformation;
  // The party that applies the protection (its keys sign and agree; its title starts the IV).
  PduStr OriginatorSystemTitle;
  PduStr RecipientSystemTitle;
  TKeyInfo KeyInfo;
  // The wrapped content key, or the ephemeral public key and its signature (one-pass
  // Diffie-Hellman); empty otherwise.
  PduStr KeyCipheredData;
  const TLoggingContext* LoggingContext;
  TSecurityMaterial* SecurityMaterial;
  TFrameCounterToApplyFunc FrameCounterToApplyFunc;
  TFrameCounterRemovedProc FrameCounterRemovedProc;
  uint32_t FrameCounterWhenRemoving = 0;
  uint32_t FrameCounterWhenApplying = 0;
  // 0 for none; otherwise the counter of the next ciphering, used once.
  uint32_t ForcedFrameCounterWhenApplying = 0;
  // The content key of the last ciphering or deciphering.
  PduStr EncryptionKey;

  PduStr Apply(const PduStr& Data);
  // A ciphering layer refuses data whose security control announces fewer of
  // authentication and encryption than the layer gives (EDataProtection).
  PduStr Remove(const PduStr& Data);
  // For TransactionId, OriginatorSystemTitle, RecipientSystemTitle and OtherInformation in
  // this order, the A-XDR length and the octets.
  PduStr GetAdditionalFieldsForSignatureOrAuthentication() const;
  PduStr GetSharedSecret(const PduStr& PublicKey, const PduStr& PrivateKey);
  PduStr GetDerivedKey(const PduStr& SharedSecret, const PduStr& PartUInfo, const PduStr& PartVInfo);
  // Same store and log sink, services, strings, key info and key-ciphered data; no
  // callbacks, counters or key.
  std::unique_ptr<TDataProtectionLayer> Clone() const;
  static bool Equal(const TDataProtectionLayer& L1, const TDataProtectionLayer& L2);

  bool IsCiphering() const {
    return COSEMProtectionServices.Contains(psAuthentication) || COSEMProtectionServices.Contains(psEncryption);
  }

 private:
  friend class TDataProtectionLayers;
  TSecurityMaterial& Material() const;
  void Log(const std::string& s) const;
  // Signs the ephemeral public key of one-pass Diffie-Hellman into KeyCipheredData.
  void SignEphemeralKey(const TKeyPair& Ephemeral);
  void EstablishKeyToApply();
  void EstablishKeyToRemove();
  PduStr Cipher(const PduStr& Data);
  PduStr Sign(const PduStr& Data);
  PduStr Decipher(const PduStr& Data);
  PduStr CheckSignature(const PduStr& Data);
};

class TDataProtectionLayers {
 public:
  TDataProtectionLayers() = default;
  TDataProtectionLayers(const TDataProtectionLayers&) = delete;
  TDataProtectionLayers& operator=(const TDataProtectionLayers&) = delete;

  int Count() const { return static_cast<int>(FItems.size()); }
  TDataProtectionLayer& Items(int Index) const { return *FItems.at(static_cast<size_t>(Index)); }
  TDataProtectionLayer& Add(std::unique_ptr<TDataProtectionLayer> Layer) {
    FItems.push_back(std::move(Layer));
    return *FItems.back();
  }

  // Each layer in list order over the result of the previous one; an empty list gives Data.
  PduStr ApplyProtection(const PduStr& Data);
  // The layers from the last to the first.
  PduStr RemoveProtection(const PduStr& Data);
  TCOSEMProtectionServices GetAggregatedProtection() const;
  // The first layer, in list order, that Filter accepts; null when none. The list keeps it.
  TDataProtectionLayer* GetOneLayer(const TFilterFunc& FilterFunc) const;
  // Prepares key material of the ciphering layers before applying: a fresh wrapped key
  // (kiWrapped in the set) or a signed ephemeral public key (kiAgreed, one-pass DH).
  void MakeKeyCipheredData(TKeyInfoKindSet KeyInfoKindSet);
  // Appends "_" and four random hex digits to the transaction id of every static-unified
  // ciphering layer.
  void ModifyTransactionId();
  std::unique_ptr<TDataProtectionLayers> Clone() const;
  static bool Equal(const TDataProtectionLayers& L1, const TDataProtectionLayers& L2);

 private:
  std::vector<std::unique_ptr<TDataProtectionLayer>> FItems;
};

}  // namespace zv

// One wrapping of an APDU: service-specific glo/ded ciphering, general glo/ded ciphering,
// general ciphering with key information, or general signing. A layer removes itself
// from a received APDU, keeping what it learned (services, counter, system titles, key
// information), and applies itself to an outgoing APDU. Protected APDUs are written as XML
// from their templates and parsed, so the APDU codec alone decides the octets.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "apdu/cosem_pdu.h"
#include "crypto/logging_context.h"
#include "security/protection_common_decl.h"
#include "security/security_material.h"

namespace zv {

class TProtectionLayer;

// The next invocation counter to send. Layers without one take NextFrameCounter()
// (security/frame_counter_source.h).
using TFrameCounterFunc = std::function<uint32_t()>;
// Called just before a layer protects.
using TApplyingProtectionProc = std::function<void(TProtectionLayer& Sender)>;
// Called with the protected APDU, which it may replace.
using TProtectionAppliedProc = std::function<void(TProtectionLayer& Sender, COSEMpduPtr& COSEMPdu)>;

// The concrete layer classes (the "class reference" a received tag names).
enum class TProtectionLayerClass { GloDedService, GloDedGeneral, GeneralCiphering, GeneralSigning };

class TProtectionLayer {
 public:
  TProtectionLayer() = default;
  virtual ~TProtectionLayer() = default;
  TProtectionLayer(const TProtectionLayer&) = delete;
  TProtectionLayer& operator=(const TProtectionLayer&) = delete;

  // Set by the list before each use; not owned.
  TSecurityMaterial* SecurityMaterial = nullptr;
  const TLoggingContext* LoggingContext = nullptr;
  TApplyingProtectionProc ApplyingProtectionProc;
  TProtectionAppliedProc ProtectionAppliedProc;
  // The least and most the layer may give (both empty when made), and what it gives now:
  // set by a removal to what was received, by the maker of a response layer to what it
  // shall apply.
  TCOSEMProtectionServices MinCOSEMProtectionServices;
  TCOSEMProtectionServices MaxCOSEMProtectionServices;
  TCOSEMProtectionServices COSEMProtectionServices;

  // Both leave the given APDU to the caller and return a new one the caller owns.
  virtual COSEMpduPtr ApplyToCOSEMPdu(const TCOSEMpdu& COSEMPdu) = 0;
  virtual COSEMpduPtr RemoveFromCOSEMPdu(const TCOSEMpdu& COSEMPdu) = 0;
  // "ClassName=..." and the layer's fields, one line each.
  virtual void ToStringList(std::vector<std::string>& L) const;
  virtual const char* ClassName() const = 0;

  static std::unique_ptr<TProtectionLayer> Create(TProtectionLayerClass LayerClass);
  // Classifies the first octet: false when it is not a ciphered or signed APDU (202, the
  // globally ciphered event notification, among them).
  static bool GetCipheredPduInfo(std::string_view FromPDU, TProtectionLayerClass& LayerClass,
                                 bool& Dedicated);
  // One step of peeling: false for a plain APDU; otherwise the new layer (which has removed
  // itself) and the inner APDU.
  static bool PDURemove(std::string_view FromPDU, TSecurityMaterial* SecurityMaterial,
                        const TLoggingContext* LoggingContext, const PduStr& SystemTitle,
                        COSEMpduPtr& COSEMPdu, std::unique_ptr<TProtectionLayer>& Protection);
  // Tag and body, without the length that a user-information APDU carries.
  static PduStr EncodeToPdu(const TCOSEMpdu& COSEMPdu);
  // The title when it has 8 octets, else EProtection "System-title of illegal length".
  static PduStr CheckSystemTitleLength(const PduStr& SystemTitle);

  // EProtection "Unexpected SecuritySuite in received ciphered PDU" when it differs from
  // the store's suite.
  void CheckReceivedSecuritySuite(int ReceivedSecuritySuite) const;
  void LogCOSEMService(const std::string& Title, const TCOSEMpdu& COSEMPdu) const;

 protected:
  // The key store; a layer without one raises EKeyMissing.
  TSecurityMaterial& Material() const;
  void Log(const std::string& s) const;
  // Logs the title line and calls ApplyingProtectionProc: the start of every protecting apply.
  void BeginApply(const std::string& Title, const TCOSEMpdu& COSEMPdu);
  // Parses the protected APDU's XML and hands it to ProtectionAppliedProc.
  COSEMpduPtr FinishApply(const std::string& Xml);
  static COSEMpduPtr CloneOf(const TCOSEMpdu& COSEMPdu);
  // Ciphering layers refuse a security control that announces neither authentication nor
  // encryption: such an APDU carries no protection at all.
  static void CheckCipheredServices(TCOSEMProtectionServices Received);
};

// General layers carry the fields that general ciphering and general signing share.
class TProtectionLayerGeneral : public TProtectionLayer {
 public:
  PduStr TransactionId;
  PduStr OriginatorSystemTitle;
  PduStr RecipientSystemTitle;
  PduStr DateTime;
  PduStr OtherInformation;

  void ToStringList(std::vector<std::string>& L) const override;
  // For each field in order its A-XDR length and octets: what general signing signs and
  // general ciphering authenticates beside the content.
  PduStr GetAdditionalFieldsForSignatureOrAuthentication() const;

 protected:
  // Copies the five fields from a received general ciphering or signing (same positions),
  // checking the lengths of both system titles.
  void CopyFields(const TSequence& Apdu);
};

class TProtectionLayerGeneralCiphering : public TProtectionLayerGeneral {
 public:
  uint32_t FrameCounter = 0;
  TFrameCounterFunc FrameCounterFunc;
  TKeyInfo KeyInfo;

  COSEMpduPtr ApplyToCOSEMPdu(const TCOSEMpdu& COSEMPdu) override;
  COSEMpduPtr RemoveFromCOSEMPdu(const TCOSEMpdu& COSEMPdu) override;
  void ToStringList(std::vector<std::string>& L) const override;
  const char* ClassName() const override { return "TProtectionLayerGeneralCiphering"; }

  PduStr GetSharedSecret(const PduStr& PublicKey, const PduStr& PrivateKey);
  PduStr GetDerivedKey(const PduStr& SharedSecret, const PduStr& PartUInfo, const PduStr& PartVInfo);
};

class TProtectionLayerGeneralSigning : public TProtectionLayerGeneral {
 public:
  COSEMpduPtr ApplyToCOSEMPdu(const TCOSEMpdu& COSEMPdu) override;
  COSEMpduPtr RemoveFromCOSEMPdu(const TCOSEMpdu& COSEMPdu) override;
  const char* ClassName() const override { return "TProtectionLayerGeneralSigning"; }

 private:
  void CheckSuite();
};

class TProtectionLayerGloDed : public TProtectionLayer {
 public:
  bool Dedicated = false;
  PduStr SystemTitle;
  uint32_t FrameCounter = 0;
  TFrameCounterFunc FrameCounterFunc;

  void ToStringList(std::vector<std::string>& L) const override;

 protected:
  // The encryption key: the dedicated key or the global unicast encryption key.
  PduStr EncryptionKey() const;
  // Draws the counter and ciphers Octets under SystemTitle, logging the key and counter.
  PduStr Cipher(const PduStr& EK, const PduStr& Octets);
  // Deciphers, keeping the services and the counter, and checks the suite.
  PduStr Decipher(const PduStr& EK, const PduStr& CipheredInformation);
};

// General-glo and general-ded ciphering (tags 219 and 220).
class TProtectionLayerGloDedGeneral : public TProtectionLayerGloDed {
 public:
  COSEMpduPtr ApplyToCOSEMPdu(const TCOSEMpdu& COSEMPdu) override;
  COSEMpduPtr RemoveFromCOSEMPdu(const TCOSEMpdu& COSEMPdu) override;
  const char* ClassName() const override { return "TProtectionLayerGloDedGeneral"; }
};

// Service-specific glo and ded ciphering (glo_GetRequest, ded_SetResponse, ...); the APDU
// carries no system title, the layer is given the client's.
class TProtectionLayerGloDedService : public TProtectionLayerGloDed {
 public:
  COSEMpduPtr ApplyToCOSEMPdu(const TCOSEMpdu& COSEMPdu) override;
  COSEMpduPtr RemoveFromCOSEMPdu(const TCOSEMpdu& COSEMPdu) override;
  const char* ClassName() const override { return "TProtectionLayerGloDedService"; }
};

}  // namespace zv

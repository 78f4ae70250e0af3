// ACSE APDUs (BER) and the xDLMS initiate request and response they carry.
#pragma once
#include <array>
#include <memory>

#include "apdu/ber.h"
#include "apdu/cosem_pdu.h"
#include "foundation/codec.h"

namespace zv {

extern const TypeInfo T_InitiateRequest, T_InitiateResponse, T_AssociationRequest, T_AssociationResponse,
    T_ReleaseRequest, T_ReleaseResponse, T_BERCOSEMpdu;
// The one-octet INTEGER fields.
extern const TypeInfo T_InvocationId, T_AssociationResult, T_ACSEServiceUser, T_ACSEServiceProvider;
extern const TypeInfo T_ResultSourceDiagnostic, T_ReleaseRequestReason, T_ReleaseResponseReason;

// Every descriptor of the ACSE side of this library.
const TypeTable& ApduAcseTypes();

// A one-octet INTEGER: the content length 1 and the octet (the APDU writes the tag 0x02).
class TBERInteger : public TCOSEMPduBase {
 public:
  using TCOSEMPduBase::TCOSEMPduBase;
  uint8_t Value = 0;

  void DecodePlain(TStringWrapper& w) override;
  void DecodeXml(TXMLParser& p) override;
  void Another(const TCOSEMPduBase& src) override;
  void EncodeToPduStr(PduStr& out) const override;
  void ToXML(TScriptStream& s) const override;
};

// The result source diagnostic of an association response: an acse-service-user (0xA1)
// or acse-service-provider (0xA2) diagnostic number.
class TResultSourceDiagnostic : public TCOSEMPduBase {
 public:
  static constexpr int kServiceUser = 0xA1;
  static constexpr int kServiceProvider = 0xA2;

  using TCOSEMPduBase::TCOSEMPduBase;
  int Tag1 = 0;
  PduPtr Value;  // T_ACSEServiceUser or T_ACSEServiceProvider

  bool IsServiceProvider() const { return Tag1 == kServiceProvider; }
  // The diagnostic number; 0 when there is none.
  uint8_t Diagnostic() const;
  void Set(bool serviceProvider, uint8_t diagnostic);

  void DecodePlain(TStringWrapper& w) override;
  void DecodeXml(TXMLParser& p) override;
  void Another(const TCOSEMPduBase& src) override;
  void EncodeToPduStr(PduStr& out) const override;
  void ToXML(TScriptStream& s) const override;
};

// The reason of a release request or response: the content length 1 and a code written
// by name in XML (a code without a name as two hex digits).
class TReleaseReason : public TCOSEMPduBase {
 public:
  using TCOSEMPduBase::TCOSEMPduBase;
  int32_t Value = 0;

  void DecodePlain(TStringWrapper& w) override;
  void DecodeXml(TXMLParser& p) override;
  void Another(const TCOSEMPduBase& src) override;
  void EncodeToPduStr(PduStr& out) const override;
  void ToXML(TScriptStream& s) const override;
};

// The xDLMS APDU of an ACSE user-information field: an APDU choice whose plain form starts
// with the APDU's length.
class TBERCOSEMpdu : public TCOSEMpdu {
 public:
  using TCOSEMpdu::TCOSEMpdu;
  void DecodePlain(TStringWrapper& w) override;
  void EncodeToPduStr(PduStr& out) const override;
  // The APDU alone, without its length (what is protected as a whole).
  void EncodeToPduStrNoLen(PduStr& out) const override { TCOSEMpdu::EncodeToPduStr(out); }
};

// The shared codec of the ACSE APDUs: a list of optional fields, each a BER element with a
// context-specific tag, read in any order and written in the order of the list.
class TAcseApdu : public TCOSEMPduBase {
 public:
  struct Field {
    uint8_t tag;
    int16_t innerTag;  // the universal tag of a constructed element; -1 for a primitive one
    TXMLId id;
    const TypeInfo* type;
    bool mandatory;  // needed to encode and to render; its element must stand in XML
    bool userInformation;
  };
  struct Layout {
    const Field* fields;
    size_t count;
    // The id the user-information is decoded with: xmlIgnore (the APDU's element alone)
    // or xmlUserInformation (the APDU inside a UserInformation element).
    TXMLId userInformationId;
    // Bare user-information elements accepted when read from XML.
    const TXMLId* userInformationTags;
    size_t userInformationTagCount;
  };
  static constexpr size_t kMaxFields = 15;

  using TCOSEMPduBase::TCOSEMPduBase;
  // The fields in the order of the layout; null where a field is absent.
  std::array<PduPtr, kMaxFields> Fields;

  // Sets field I (null makes it absent); a value of another class raises "Invalid class typecast".
  void SetField(size_t i, PduPtr value);

  void InitDefault() override;
  void DecodePlain(TStringWrapper& w) override;
  void DecodeXml(TXMLParser& p) override;
  void Another(const TCOSEMPduBase& src) override;
  void EncodeToPduStr(PduStr& out) const override;
  void ToXML(TScriptStream& s) const override;

 protected:
  virtual const Layout& GetLayout() const = 0;
  template <class T>
  T* FieldAs(size_t i) const {
    return Fields[i] ? &Fields[i]->As<T>() : nullptr;
  }
  void SetUserInformationField(size_t i, std::unique_ptr<TBERCOSEMpdu> value);

 private:
  void CheckMandatory() const;
};

// AARQ.
class TAssociationRequest : public TAcseApdu {
 public:
  enum : size_t {
    fProtocolVersion, fApplicationContextName, fCalledAPTitle, fCalledAEQualifier, fCalledAPInvocationId,
    fCalledAEInvocationId, fCallingAPTitle, fCallingAEQualifier, fCallingAPInvocationId, fCallingAEInvocationId,
    fSenderACSERequirements, fMechanismName, fCallingAuthenticationValue, fImplementationInformation,
    fUserInformation, kFieldCount
  };
  using TAcseApdu::TAcseApdu;

  // The fields; null when absent.
  TBERBitStr* ProtocolVersion() const { return FieldAs<TBERBitStr>(fProtocolVersion); }
  TBERObjectIdentifier* ApplicationContextName() const { return FieldAs<TBERObjectIdentifier>(fApplicationContextName); }
  TBEROctetStr* CalledAPTitle() const { return FieldAs<TBEROctetStr>(fCalledAPTitle); }
  TBEROctetStr* CalledAEQualifier() const { return FieldAs<TBEROctetStr>(fCalledAEQualifier); }
  TBERInteger* CalledAPInvocationId() const { return FieldAs<TBERInteger>(fCalledAPInvocationId); }
  TBERInteger* CalledAEInvocationId() const { return FieldAs<TBERInteger>(fCalledAEInvocationId); }
  TBEROctetStr* CallingAPTitle() const { return FieldAs<TBEROctetStr>(fCallingAPTitle); }
  TBEROctetStr* CallingAEQualifier() const { return FieldAs<TBEROctetStr>(fCallingAEQualifier); }
  TBERInteger* CallingAPInvocationId() const { return FieldAs<TBERInteger>(fCallingAPInvocationId); }
  TBERInteger* CallingAEInvocationId() const { return FieldAs<TBERInteger>(fCallingAEInvocationId); }
  TBERBitStr* SenderACSERequirements() const { return FieldAs<TBERBitStr>(fSenderACSERequirements); }
  TBERObjectIdentifier* MechanismName() const { return FieldAs<TBERObjectIdentifier>(fMechanismName); }
  TBEROctetStr* CallingAuthenticationValue() const { return FieldAs<TBEROctetStr>(fCallingAuthenticationValue); }
  TBEROctetStr* ImplementationInformation() const { return FieldAs<TBEROctetStr>(fImplementationInformation); }
  TBERCOSEMpdu* UserInformation() const { return FieldAs<TBERCOSEMpdu>(fUserInformation); }
  void SetUserInformation(std::unique_ptr<TBERCOSEMpdu> value) {
    SetUserInformationField(fUserInformation, std::move(value));
  }

 protected:
  const Layout& GetLayout() const override;
};

// AARE.
class TAssociationResponse : public TAcseApdu {
 public:
  enum : size_t {
    fProtocolVersion, fApplicationContextName, fAssociationResult, fResultSourceDiagnostic, fRespondingAPTitle,
    fRespondingAEQualifier, fRespondingAPInvocationId, fRespondingAEInvocationId, fResponderACSERequirement,
    fMechanismName, fRespondingAuthenticationValue, fUserInformation, kFieldCount
  };
  using TAcseApdu::TAcseApdu;

  TBERBitStr* ProtocolVersion() const { return FieldAs<TBERBitStr>(fProtocolVersion); }
  TBERObjectIdentifier* ApplicationContextName() const { return FieldAs<TBERObjectIdentifier>(fApplicationContextName); }
  TBERInteger* AssociationResult() const { return FieldAs<TBERInteger>(fAssociationResult); }
  TResultSourceDiagnostic* ResultSourceDiagnostic() const {
    return FieldAs<TResultSourceDiagnostic>(fResultSourceDiagnostic);
  }
  TBEROctetStr* RespondingAPTitle() const { return FieldAs<TBEROctetStr>(fRespondingAPTitle); }
  TBEROctetStr* RespondingAEQualifier() const { return FieldAs<TBEROctetStr>(fRespondingAEQualifier); }
  TBERInteger* RespondingAPInvocationId() const { return FieldAs<TBERInteger>(fRespondingAPInvocationId); }
  TBERInteger* RespondingAEInvocationId() const { return FieldAs<TBERInteger>(fRespondingAEInvocationId); }
  TBERBitStr* ResponderACSERequirement() const { return FieldAs<TBERBitStr>(fResponderACSERequirement); }
  TBERObjectIdentifier* MechanismName() const { return FieldAs<TBERObjectIdentifier>(fMechanismName); }
  TBEROctetStr* RespondingAuthenticationValue() const {
    return FieldAs<TBEROctetStr>(fRespondingAuthenticationValue);
  }
  TBERCOSEMpdu* UserInformation() const { return FieldAs<TBERCOSEMpdu>(fUserInformation); }

  // Set (and, when absent, add) the result and the diagnostic.
  void SetAssociationResult(uint8_t result);
  void SetResultSourceDiagnostic(bool serviceProvider, uint8_t diagnostic);
  void SetUserInformation(std::unique_ptr<TBERCOSEMpdu> value) {
    SetUserInformationField(fUserInformation, std::move(value));
  }

 protected:
  const Layout& GetLayout() const override;
};

// RLRQ and RLRE: a reason and a user-information, both optional.
class TReleaseApdu : public TAcseApdu {
 public:
  enum : size_t { fReason, fUserInformation, kFieldCount };
  using TAcseApdu::TAcseApdu;

  TReleaseReason* Reason() const { return FieldAs<TReleaseReason>(fReason); }
  TBERCOSEMpdu* UserInformation() const { return FieldAs<TBERCOSEMpdu>(fUserInformation); }
  void SetUserInformation(std::unique_ptr<TBERCOSEMpdu> value) {
    SetUserInformationField(fUserInformation, std::move(value));
  }
};

class TReleaseRequest : public TReleaseApdu {
 public:
  using TReleaseApdu::TReleaseApdu;

 protected:
  const Layout& GetLayout() const override;
};

class TReleaseResponse : public TReleaseApdu {
 public:
  using TReleaseApdu::TReleaseApdu;

 protected:
  const Layout& GetLayout() const override;
};

}  // namespace zv

#include "apdu/acse.h"

#include <algorithm>
#include <cctype>

#include "apdu/conformance.h"

namespace zv {

// ---- One-octet INTEGER -----------------------------------------------------------------

void TBERInteger::DecodePlain(TStringWrapper& w) {
  if (w.NextByte() != 1) throw Exception(Format("%s: Illegal data size", ClassName()));
  Value = w.NextByte();
}

void TBERInteger::DecodeXml(TXMLParser& p) {
  p.XMLAssertStartTag(XMLId);
  PduStr b;
  p.HexStrToByteStrOfValue(b);
  if (b.size() != 1) p.RaiseXMLError(Format("Illegal data size, expected 1, found %d", static_cast<int>(b.size())));
  Value = static_cast<uint8_t>(b[0]);
  p.Next();
}

void TBERInteger::Another(const TCOSEMPduBase& src) {
  TCOSEMPduBase::Another(src);
  Value = src.As<TBERInteger>().Value;
}

void TBERInteger::EncodeToPduStr(PduStr& out) const {
  out.push_back(1);
  out.push_back(static_cast<char>(Value));
}

void TBERInteger::ToXML(TScriptStream& s) const { EmitTagAttrLine(s, XMLId, IntToHex(Value, 2), xmlValue); }

// ---- Result source diagnostic ------------------------------------------------------------

namespace {

const TypeInfo& DiagnosticClass(int tag1) {
  return tag1 == TResultSourceDiagnostic::kServiceUser ? T_ACSEServiceUser : T_ACSEServiceProvider;
}

TXMLId DiagnosticId(int tag1) {
  return tag1 == TResultSourceDiagnostic::kServiceUser ? xmlACSEServiceUser : xmlACSEServiceProvider;
}

bool IsDiagnosticTag(int tag1) {
  return tag1 == TResultSourceDiagnostic::kServiceUser || tag1 == TResultSourceDiagnostic::kServiceProvider;
}

[[noreturn]] void IllegalDiagnosticTag(int tag1) {
  throw Exception(Format("T_ResultSourceDiagnostic : illegal Tag %d", tag1));
}

}  // namespace

uint8_t TResultSourceDiagnostic::Diagnostic() const { return Value ? Value->As<TBERInteger>().Value : 0; }

void TResultSourceDiagnostic::Set(bool serviceProvider, uint8_t diagnostic) {
  Tag1 = serviceProvider ? kServiceProvider : kServiceUser;
  Value = Create(DiagnosticClass(Tag1), DiagnosticId(Tag1));
  Value->As<TBERInteger>().Value = diagnostic;
}

void TResultSourceDiagnostic::DecodePlain(TStringWrapper& w) {
  w.NextByte();  // the length
  Tag1 = w.NextByte();
  if (!IsDiagnosticTag(Tag1)) IllegalDiagnosticTag(Tag1);
  w.NextByte();  // the inner length
  w.ExpectByte(0x02);
  Value = CreateFromPduStr(DiagnosticClass(Tag1), DiagnosticId(Tag1), w);
}

void TResultSourceDiagnostic::DecodeXml(TXMLParser& p) {
  bool wrapped = XMLId != xmlIgnore;
  if (wrapped) p.XMLAssertStartTagAndNext(XMLId);
  if (p.IsStartTag(xmlACSEServiceUser))
    Tag1 = kServiceUser;
  else if (p.IsStartTag(xmlACSEServiceProvider))
    Tag1 = kServiceProvider;
  else
    p.RaiseXMLError("T_ResultSourceDiagnostic : illegal choice");
  Value = CreateFromXml(DiagnosticClass(Tag1), DiagnosticId(Tag1), p);
  if (wrapped) p.XMLAssertStopTagAndNext(XMLId);
}

void TResultSourceDiagnostic::Another(const TCOSEMPduBase& src) {
  TCOSEMPduBase::Another(src);
  const auto& o = src.As<TResultSourceDiagnostic>();
  Tag1 = o.Tag1;
  Value = o.Value ? o.Value->Clone() : nullptr;
}

void TResultSourceDiagnostic::EncodeToPduStr(PduStr& out) const {
  if (!IsDiagnosticTag(Tag1) || !Value) IllegalDiagnosticTag(Tag1);
  PduStr inner(1, '\x02');
  Value->EncodeToPduStr(inner);
  out.push_back(static_cast<char>(inner.size() + 2));
  out.push_back(static_cast<char>(Tag1));
  out.push_back(static_cast<char>(inner.size()));
  out += inner;
}

void TResultSourceDiagnostic::ToXML(TScriptStream& s) const {
  if (!IsDiagnosticTag(Tag1) || !Value) IllegalDiagnosticTag(Tag1);
  if (XMLId == xmlIgnore) {
    Value->ToXML(s);
    return;
  }
  s.XMLOpenTagLn(XMLIdNames[XMLId]);
  ++s.Indent;
  Value->ToXML(s);
  --s.Indent;
  s.XMLCloseTagLn(XMLIdNames[XMLId]);
}

// ---- Release reasons -----------------------------------------------------------------------

void TReleaseReason::DecodePlain(TStringWrapper& w) {
  w.ExpectByte(0x01);
  Value = w.NextByte();
}

void TReleaseReason::DecodeXml(TXMLParser& p) {
  p.XMLAssertStartTag(XMLId);
  std::string v = p.XMLGetAttributeValue(xmlValue);
  const TypeInfo& t = Type().Shape();
  bool found = false;
  for (uint16_t i = 0; i < t.nameCount && !found; ++i) {
    if (v == t.names[i].name) {
      Value = t.names[i].value;
      found = true;
    }
  }
  // A code without a name is written as two hex digits; read that form back.
  if (!found && v.size() == 2 && std::isxdigit(static_cast<unsigned char>(v[0])) &&
      std::isxdigit(static_cast<unsigned char>(v[1]))) {
    Value = TMisc::H2(v[0], v[1]);
    found = true;
  }
  if (!found) p.RaiseXMLError(Format("%s: illegal element %s", ClassName(), v.c_str()));
  p.Next();
}

void TReleaseReason::Another(const TCOSEMPduBase& src) {
  TCOSEMPduBase::Another(src);
  Value = src.As<TReleaseReason>().Value;
}

void TReleaseReason::EncodeToPduStr(PduStr& out) const {
  out.push_back(1);
  out.push_back(static_cast<char>(Value));
}

// A peer's reason without a name must not stop the release from being logged: show its number.
void TReleaseReason::ToXML(TScriptStream& s) const {
  const char* n = Type().EnumNameOf(Value);
  EmitTagAttrLine(s, XMLId, n ? std::string(n) : IntToHex(static_cast<uint8_t>(Value), 2), xmlValue);
}

// ---- User-information APDU ------------------------------------------------------------------

// The length is not compared with what follows: the APDU reads its own octets.
void TBERCOSEMpdu::DecodePlain(TStringWrapper& w) {
  NestingGuard guard(w);
  DecodeVarLengthUnsignedInteger(w);
  TCOSEMpdu::DecodePlain(w);
}

void TBERCOSEMpdu::EncodeToPduStr(PduStr& out) const {
  PduStr apdu;
  TCOSEMpdu::EncodeToPduStr(apdu);
  EncodeVarLengthUnsignedInteger(out, static_cast<int64_t>(apdu.size()));
  out += apdu;
}

// ---- ACSE APDUs --------------------------------------------------------------------------------

void TAcseApdu::SetField(size_t i, PduPtr value) {
  const Layout& l = GetLayout();
  ZV_ASSERT(i < l.count);
  if (value && !value->IsA(*l.fields[i].type)) throw EInvalidCast("Invalid class typecast");
  Fields[i] = std::move(value);
}

void TAcseApdu::SetUserInformationField(size_t i, std::unique_ptr<TBERCOSEMpdu> value) {
  // Written where a reader of this APDU looks for it.
  if (value) value->XMLId = GetLayout().userInformationId;
  SetField(i, std::move(value));
}

void TAcseApdu::InitDefault() {
  const Layout& l = GetLayout();
  for (size_t i = 0; i < l.count; ++i) Fields[i] = Create(*l.fields[i].type, l.fields[i].id);
}

void TAcseApdu::DecodePlain(TStringWrapper& w) {
  NestingGuard guard(w);
  const Layout& l = GetLayout();
  for (auto& f : Fields) f.reset();
  DecodeVarLengthUnsignedInteger(w);  // the APDU's length: the APDU ends with the octets
  while (w.RemainingBytes() > 0) {
    int tag = w.NextByte();
    const Field* f = std::find_if(l.fields, l.fields + l.count, [&](const Field& x) { return x.tag == tag; });
    if (f == l.fields + l.count) throw Exception(Format("Unexpected tag1 %d", tag));
    if (f->innerTag >= 0) {
      DecodeVarLengthUnsignedInteger(w);
      int inner = w.NextByte();
      if (inner != f->innerTag) throw Exception(Format("Unexpected tag2 %d", inner));
    }
    Fields[static_cast<size_t>(f - l.fields)] =
        CreateFromPduStr(*f->type, f->userInformation ? l.userInformationId : f->id, w);
  }
}

void TAcseApdu::DecodeXml(TXMLParser& p) {
  NestingGuard guard(p);
  const Layout& l = GetLayout();
  for (auto& f : Fields) f.reset();
  p.XMLAssertStartTagAndNext(XMLId);
  for (size_t i = 0; i < l.count; ++i) {
    const Field& f = l.fields[i];
    if (f.userInformation) {
      if (l.userInformationId != xmlIgnore) {
        if (p.IsStartTag(l.userInformationId)) Fields[i] = CreateFromXml(*f.type, l.userInformationId, p);
      } else if (p.Token() == xtStartTag &&
                 std::find(l.userInformationTags, l.userInformationTags + l.userInformationTagCount, p.Tag()) !=
                     l.userInformationTags + l.userInformationTagCount) {
        Fields[i] = CreateFromXml(*f.type, xmlIgnore, p);
      }
    } else if (f.mandatory || p.IsStartTag(f.id)) {
      Fields[i] = CreateFromXml(*f.type, f.id, p);
    }
  }
  p.XMLAssertStopTagAndNext(XMLId);
}

void TAcseApdu::Another(const TCOSEMPduBase& src) {
  TCOSEMPduBase::Another(src);
  const auto& o = src.As<TAcseApdu>();
  for (size_t i = 0; i < kMaxFields; ++i) Fields[i] = o.Fields[i] ? o.Fields[i]->Clone() : nullptr;
}

void TAcseApdu::CheckMandatory() const {
  const Layout& l = GetLayout();
  for (size_t i = 0; i < l.count; ++i)
    if (l.fields[i].mandatory && !Fields[i]) throw Exception(Format("Field %s missing", XMLIdNames[l.fields[i].id]));
}

void TAcseApdu::EncodeToPduStr(PduStr& out) const {
  CheckMandatory();
  const Layout& l = GetLayout();
  PduStr body;
  for (size_t i = 0; i < l.count; ++i) {
    if (!Fields[i]) continue;
    const Field& f = l.fields[i];
    body.push_back(static_cast<char>(f.tag));
    if (f.innerTag < 0) {
      Fields[i]->EncodeToPduStr(body);
      continue;
    }
    PduStr element(1, static_cast<char>(f.innerTag));
    Fields[i]->EncodeToPduStr(element);
    EncodeVarLengthUnsignedInteger(body, static_cast<int64_t>(element.size()));
    body += element;
  }
  EncodeVarLengthUnsignedInteger(out, static_cast<int64_t>(body.size()));
  out += body;
}

void TAcseApdu::ToXML(TScriptStream& s) const {
  CheckMandatory();
  s.XMLOpenTagLn(XMLIdNames[XMLId]);
  ++s.Indent;
  for (const auto& f : Fields)
    if (f) f->ToXML(s);
  --s.Indent;
  s.XMLCloseTagLn(XMLIdNames[XMLId]);
}

void TAssociationResponse::SetAssociationResult(uint8_t result) {
  if (!Fields[fAssociationResult]) Fields[fAssociationResult] = Create(T_AssociationResult, xmlAssociationResult);
  AssociationResult()->Value = result;
}

void TAssociationResponse::SetResultSourceDiagnostic(bool serviceProvider, uint8_t diagnostic) {
  if (!Fields[fResultSourceDiagnostic])
    Fields[fResultSourceDiagnostic] = Create(T_ResultSourceDiagnostic, xmlResultSourceDiagnostic);
  ResultSourceDiagnostic()->Set(serviceProvider, diagnostic);
}

// ---- Layouts ---------------------------------------------------------------------------------------

namespace {

using F = TAcseApdu::Field;

constexpr F kAarqFields[] = {
    {0x80, -1, xmlProtocolVersion, &T_ProtocolVersion, false, false},
    {0xA1, 0x06, xmlApplicationContextName, &T_ApplicationContextName, true, false},
    {0xA2, 0x04, xmlCalledAPTitle, &T_APTitle, false, false},
    {0xA3, 0x04, xmlCalledAEQualifier, &T_AEQualifier, false, false},
    {0xA4, 0x02, xmlCalledAPInvocationId, &T_InvocationId, false, false},
    {0xA5, 0x02, xmlCalledAEInvocationId, &T_InvocationId, false, false},
    {0xA6, 0x04, xmlCallingAPTitle, &T_APTitle, false, false},
    {0xA7, 0x04, xmlCallingAEQualifier, &T_AEQualifier, false, false},
    {0xA8, 0x02, xmlCallingAPInvocationId, &T_InvocationId, false, false},
    {0xA9, 0x02, xmlCallingAEInvocationId, &T_InvocationId, false, false},
    {0x8A, -1, xmlSenderACSERequirements, &T_ACSERequirement, false, false},
    {0x8B, -1, xmlMechanismName, &T_MechanismName, false, false},
    {0xAC, 0x80, xmlCallingAuthenticationValue, &T_AuthenticationValue, false, false},
    {0x9D, -1, xmlImplementationInformation, &T_ImplementationData, false, false},
    {0xBE, 0x04, xmlUserInformation, &T_BERCOSEMpdu, false, true},
};
constexpr TXMLId kAarqUserInformationTags[] = {xmlInitiateRequest, xmlglo_InitiateRequest, xmlGeneralGloCiphering};
constexpr TAcseApdu::Layout kAarqLayout = {kAarqFields, std::size(kAarqFields), xmlIgnore, kAarqUserInformationTags,
                                           std::size(kAarqUserInformationTags)};
static_assert(std::size(kAarqFields) == TAssociationRequest::kFieldCount);

constexpr F kAareFields[] = {
    {0x80, -1, xmlProtocolVersion, &T_ProtocolVersion, false, false},
    {0xA1, 0x06, xmlApplicationContextName, &T_ApplicationContextName, true, false},
    {0xA2, 0x02, xmlAssociationResult, &T_AssociationResult, true, false},
    {0xA3, -1, xmlResultSourceDiagnostic, &T_ResultSourceDiagnostic, true, false},
    {0xA4, 0x04, xmlRespondingAPTitle, &T_APTitle, false, false},
    {0xA5, 0x04, xmlRespondingAEQualifier, &T_AEQualifier, false, false},
    {0xA6, 0x02, xmlRespondingAPInvocationId, &T_InvocationId, false, false},
    {0xA7, 0x02, xmlRespondingAEInvocationId, &T_InvocationId, false, false},
    {0x88, -1, xmlResponderACSERequirement, &T_ACSERequirement, false, false},
    {0x89, -1, xmlMechanismName, &T_MechanismName, false, false},
    {0xAA, 0x80, xmlRespondingAuthenticationValue, &T_AuthenticationValue, false, false},
    {0xBE, 0x04, xmlUserInformation, &T_BERCOSEMpdu, false, true},
};
constexpr TXMLId kAareUserInformationTags[] = {xmlInitiateResponse, xmlConfirmedServiceError, xmlGeneralGloCiphering,
                                               xmlglo_InitiateResponse, xmlglo_ConfirmedServiceError};
constexpr TAcseApdu::Layout kAareLayout = {kAareFields, std::size(kAareFields), xmlIgnore, kAareUserInformationTags,
                                           std::size(kAareUserInformationTags)};
static_assert(std::size(kAareFields) == TAssociationResponse::kFieldCount);

constexpr F kRlrqFields[] = {
    {0x80, -1, xmlReason, &T_ReleaseRequestReason, false, false},
    {0xBE, 0x04, xmlUserInformation, &T_BERCOSEMpdu, false, true},
};
constexpr TAcseApdu::Layout kRlrqLayout = {kRlrqFields, std::size(kRlrqFields), xmlUserInformation, nullptr, 0};

constexpr F kRlreFields[] = {
    {0x80, -1, xmlReason, &T_ReleaseResponseReason, false, false},
    {0xBE, 0x04, xmlUserInformation, &T_BERCOSEMpdu, false, true},
};
constexpr TAcseApdu::Layout kRlreLayout = {kRlreFields, std::size(kRlreFields), xmlUserInformation, nullptr, 0};
static_assert(std::size(kRlrqFields) == TReleaseApdu::kFieldCount);
static_assert(std::size(kRlreFields) == TReleaseApdu::kFieldCount);

}  // namespace

const TAcseApdu::Layout& TAssociationRequest::GetLayout() const { return kAarqLayout; }
const TAcseApdu::Layout& TAssociationResponse::GetLayout() const { return kAareLayout; }
const TAcseApdu::Layout& TReleaseRequest::GetLayout() const { return kRlrqLayout; }
const TAcseApdu::Layout& TReleaseResponse::GetLayout() const { return kRlreLayout; }

// ---- Descriptors -----------------------------------------------------------------------------------

namespace {

template <size_t N>
constexpr TypeInfo ReasonType(const char* name, TXMLId own, const EnumName (&names)[N]) {
  TypeInfo t = CustomType(name, own, TCOSEMPduBase_Type, AllocOf<TReleaseReason>);
  t.names = names;
  t.nameCount = static_cast<uint16_t>(N);
  return t;
}

constexpr EnumName kReleaseRequestReasonNames[] = {{0, "Normal"}, {1, "Urgent"}, {30, "UserDefined"}};
constexpr EnumName kReleaseResponseReasonNames[] = {{0, "Normal"}, {1, "NotFinished"}, {30, "UserDefined"}};

constexpr TypeInfo BERCOSEMpduType() {
  TypeInfo t = DerivedType("T_BERCOSEMpdu", xml_BERCOSEMpdu, T_COSEMpdu);
  t.alloc = AllocOf<TBERCOSEMpdu>;
  return t;
}

}  // namespace

constinit const TypeInfo T_InvocationId =
    CustomType("T_InvocationId", xml_InvocationId, TCOSEMPduBase_Type, AllocOf<TBERInteger>);
constinit const TypeInfo T_AssociationResult =
    CustomType("T_AssociationResult", xml_AssociationResult, TCOSEMPduBase_Type, AllocOf<TBERInteger>);
constinit const TypeInfo T_ACSEServiceUser =
    CustomType("T_ACSEServiceUser", xml_ACSEServiceUser, TCOSEMPduBase_Type, AllocOf<TBERInteger>);
constinit const TypeInfo T_ACSEServiceProvider =
    CustomType("T_ACSEServiceProvider", xml_ACSEServiceProvider, TCOSEMPduBase_Type, AllocOf<TBERInteger>);
constinit const TypeInfo T_ResultSourceDiagnostic = CustomType(
    "T_ResultSourceDiagnostic", xml_ResultSourceDiagnostic, TCOSEMPduBase_Type, AllocOf<TResultSourceDiagnostic>);
constinit const TypeInfo T_ReleaseRequestReason =
    ReasonType("T_ReleaseRequestReason", xml_ReleaseRequestReason, kReleaseRequestReasonNames);
constinit const TypeInfo T_ReleaseResponseReason =
    ReasonType("T_ReleaseResponseReason", xml_ReleaseResponseReason, kReleaseResponseReasonNames);
constinit const TypeInfo T_BERCOSEMpdu = BERCOSEMpduType();
constinit const TypeInfo T_AssociationRequest =
    CustomType("T_AssociationRequest", xml_AssociationRequest, TCOSEMPduBase_Type, AllocOf<TAssociationRequest>);
constinit const TypeInfo T_AssociationResponse =
    CustomType("T_AssociationResponse", xml_AssociationResponse, TCOSEMPduBase_Type, AllocOf<TAssociationResponse>);
constinit const TypeInfo T_ReleaseRequest =
    CustomType("T_ReleaseRequest", xml_ReleaseRequest, TCOSEMPduBase_Type, AllocOf<TReleaseRequest>);
constinit const TypeInfo T_ReleaseResponse =
    CustomType("T_ReleaseResponse", xml_ReleaseResponse, TCOSEMPduBase_Type, AllocOf<TReleaseResponse>);

namespace {
const TypeInfo* const kApduAcseTypes[] = {
    &T_ApplicationContextName, &T_MechanismName, &T_ProtocolVersion, &T_ACSERequirement, &T_Conformance,
    &T_APTitle, &T_AEQualifier, &T_AuthenticationValue, &T_ImplementationData, &T_InitiateRequest,
    &T_InitiateResponse, &T_InvocationId, &T_AssociationResult, &T_ACSEServiceUser, &T_ACSEServiceProvider,
    &T_ResultSourceDiagnostic, &T_ReleaseRequestReason, &T_ReleaseResponseReason, &T_BERCOSEMpdu,
    &T_AssociationRequest, &T_AssociationResponse, &T_ReleaseRequest, &T_ReleaseResponse,
};
}  // namespace

const TypeTable& ApduAcseTypes() {
  static const TypeTable table{kApduAcseTypes, std::size(kApduAcseTypes)};
  return table;
}

}  // namespace zv

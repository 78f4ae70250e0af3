#include "server/data_protection_behaviour.h"

#include <exception>
#include <utility>
#include <vector>

#include "cosem/data_protection.h"
#include "cosem/frame_counter.h"
#include "foundation/data_helper.h"
#include "foundation/errors.h"
#include "security/policy.h"
#include "security/protection_layers.h"
#include "server/frame_counters_of_keys.h"
#include "server/object_services.h"
#include "server/transfer_context.h"

namespace zv {

namespace {

constexpr int kSuccess = 0;
constexpr int kObjectUnavailable = 11;
constexpr int kOtherReason = 250;

// invoke_protected_method may name a data protection object again; each level peels at
// least one octet string, but a peer must not be able to run the stack down.
constexpr int kMaxProtectedMethodNesting = 8;
thread_local int gProtectedMethodNesting = 0;

TSequence& DeviceOf(const TTransferContext& Context) {
  if (!Context.LogicalDevice) throw Exception("No logical device loaded");
  return *Context.LogicalDevice;
}

const TData& Element(const TSequenceOf& Structure, int Index) { return Structure.Elements(Index)->As<TData>(); }

const TSequenceOf& ParameterStructure(const TData* InvocationParameters) {
  if (!InvocationParameters) throw EInvalidCast("Invalid class typecast");
  return TDataHelper::AsStructure(*InvocationParameters);
}

// A list carried as a Data value, read as the codec type from its Data form, so that a
// value of another shape fails with the codec's errors.
PduPtr DecodeAs(const TypeInfo& Type, const TData& Value) {
  const PduStr data = Value.EncodeData();
  TStringWrapper w(data);
  return CreateFromDataPduStr(Type, Type.ownId, w);
}

// What the object's required protection asks of the response (method 1) or the request
// (methods 2 and 3) must be among what the layers give.
void CheckRequiredProtection(const TCOSEMInstance& Object, const TDataProtectionLayers& Layers, bool Response,
                             const char* Message) {
  const TPolicyProtectionServices policy = GetPolicyProtectionServices(1, TDataProtection::RequiredProtection(Object));
  const TCOSEMProtectionServices required =
      TProtectionLayers::CTIToCOSEMProtectionServices(Response ? policy.Response : policy.Request);
  if ((required.Octet() & ~Layers.GetAggregatedProtection().Octet()) != 0) throw EDataProtection(Message);
}

// Runs F; a failure that is not already a data protection error leaves as one, so that the
// session logs it as such and answers the request instead of staying silent.
template <class F>
auto AsDataProtectionError(F&& f) -> decltype(f()) {
  try {
    return f();
  } catch (const EDataProtection&) {
    throw;
  } catch (const std::exception& e) {
    throw EDataProtection(e.what());
  }
}

// A new member for attribute AttributeIndex of Object made from Value's Data form, of the
// class and element id of the member in place (of the class's attribute when absent).
PduPtr ConvertValue(const TCOSEMInstance& Object, int AttributeIndex, const TData& Value) {
  const TCOSEMPduBase* current = Object.Attribute(AttributeIndex);
  const TypeInfo* type = current ? &current->Type() : Object.AttributeType(AttributeIndex);
  const TXMLId id = current ? current->XMLId : Object.AttributeXMLId(AttributeIndex);
  if (!type) throw EAssertionFailed(Format("%s.ReplaceAttribute", Object.ClassName()));
  const PduStr data = Value.EncodeData();
  TStringWrapper w(data);
  return CreateFromDataPduStr(*type, id, w);
}

struct TDefinition {
  int ClassId;
  PduStr LogicalName;
  int AttributeIndex;
};

TDefinition DefinitionOf(const TCOSEMPduBase& Item) {
  const auto& d = Item.As<TSequence>();
  return {static_cast<int>(d.Get<TNumber>(ObjectDefinition_DataProtection::ClassId).AsUInt64()),
          d.Get<TOctetString>(ObjectDefinition_DataProtection::LogicalName).Value,
          static_cast<int>(d.Get<TNumber>(ObjectDefinition_DataProtection::AttributeIndex).AsInt64())};
}

}  // namespace

namespace TDataProtectionHelper {

uint32_t FrameCounterToApply(TDataProtectionLayer&) { return TFrameCounter::GetNext(); }

void FrameCounterRemoved(TDataProtectionLayer& Layer) {
  if (!TFrameCountersOfKeys::AcceptReceived(Layer.EncryptionKey, Layer.FrameCounterWhenRemoving))
    throw EDataProtection("FC not incremented when removing protection");
}

std::unique_ptr<TDataProtectionLayers> MakeDataProtectionLayers(TTransferContext& TransferContext,
                                                                const TSequenceOf& ProtectionParameters) {
  auto layers = std::make_unique<TDataProtectionLayers>();
  for (const PduPtr& item : ProtectionParameters.FElements) {
    const auto& element = item->As<TSequence>();
    TDataProtectionLayer& layer = layers->Add(
        std::make_unique<TDataProtectionLayer>(TransferContext.SecurityMaterial.get(), TransferContext.LoggingContext));
    layer.FrameCounterToApplyFunc = FrameCounterToApply;
    layer.FrameCounterRemovedProc = FrameCounterRemoved;
    const int type = element.Get<TEnum>(ProtectionParameterElement::ProtectionType).Value;
    switch (type) {
      case ptAuthentication: layer.COSEMProtectionServices = {psAuthentication}; break;
      case ptEncryption: layer.COSEMProtectionServices = {psEncryption}; break;
      case ptAuthenticationAndEncryption: layer.COSEMProtectionServices = {psAuthentication, psEncryption}; break;
      case ptDigitalSignature: layer.COSEMProtectionServices = {psSignature}; break;
      default: ZV_ASSERT(false);
    }
    const auto& options = element.Get<TSequence>(ProtectionParameterElement::ProtectionOptions);
    layer.TransactionId = options.Get<TOctetString>(ProtectionOptions::TransactionId).Value;
    layer.OtherInformation = options.Get<TOctetString>(ProtectionOptions::OtherInformation).Value;
    layer.OriginatorSystemTitle = options.Get<TOctetString>(ProtectionOptions::OriginatorSystemTitle).Value;
    layer.RecipientSystemTitle = options.Get<TOctetString>(ProtectionOptions::RecipientSystemTitle).Value;
    // A signature takes no key information.
    if (type != ptDigitalSignature) {
      const auto& keyInfo = options.Get<TSequence>(ProtectionOptions::KeyInfo);
      const TLayerKey key = MakeLayerKey(keyInfo.Get<TEnum>(KeyInfoElement::KeyInfoType).Value,
                                         keyInfo.Get<TData>(KeyInfoElement::KeyInfoOptions));
      layer.KeyInfo = key.KeyInfo;
      layer.KeyCipheredData = key.KeyCipheredData;
    }
  }
  return layers;
}

void StoreKeyCipheredData(const TDataProtectionLayers& Layers, TSequenceOf& ProtectionParameters) {
  ZV_ASSERT(Layers.Count() == ProtectionParameters.ElementCount());
  for (int i = 0; i < Layers.Count(); ++i) {
    const TDataProtectionLayer& layer = Layers.Items(i);
    if (!layer.IsCiphering() || layer.KeyInfo.KeyInfoKind == kiIdentified) continue;
    const auto& keyInfo = ProtectionParameters.Elements(i)
                              ->As<TSequence>()
                              .Get<TSequence>(ProtectionParameterElement::ProtectionOptions)
                              .Get<TSequence>(ProtectionOptions::KeyInfo);
    const TSequenceOf& options = TDataHelper::AsStructure(keyInfo.Get<TData>(KeyInfoElement::KeyInfoOptions));
    TDataHelper::AsOctetString(Element(options, 1)).Value = layer.KeyCipheredData;
  }
}

void ProtectAttributes(TTransferContext& TransferContext, const TSequenceOf& ObjectList, PduStr& Buffer,
                       TSequenceOf& ProtectionParameters) {
  const TSequence& device = DeviceOf(TransferContext);
  std::unique_ptr<TData> values = TDataHelper::Make(xmlStructure);
  auto& structure = values->Value->As<TSequenceOf>();
  for (const PduPtr& item : ObjectList.FElements) {
    const TDefinition d = DefinitionOf(*item);
    structure.Add(TLogicalDeviceHelper::GetAttributeData(device, d.LogicalName, d.ClassId, d.AttributeIndex));
  }
  std::unique_ptr<TDataProtectionLayers> layers = MakeDataProtectionLayers(TransferContext, ProtectionParameters);
  Buffer = layers->ApplyProtection(values->Encode());
  StoreKeyCipheredData(*layers, ProtectionParameters);
}

void UnprotectAttributes(TTransferContext& TransferContext, const PduStr& Buffer,
                         const TSequenceOf& ProtectionParameters, const TSequenceOf& ObjectList) {
  const TCOSEMInstance* association = TransferContext.GetCurrentAssociation();
  const TSequence& device = DeviceOf(TransferContext);
  std::unique_ptr<TDataProtectionLayers> layers = MakeDataProtectionLayers(TransferContext, ProtectionParameters);
  const std::unique_ptr<TData> value = TDataHelper::MakeFromPduStr(layers->RemoveProtection(Buffer));
  const TSequenceOf& structure = TDataHelper::AsStructure(*value);
  if (structure.ElementCount() != ObjectList.ElementCount()) throw Exception("unprotected data length mismatch");

  struct TWrite {
    TCOSEMInstance* Object;
    int AttributeIndex;
    PduPtr Value;
  };
  std::vector<TWrite> writes;
  for (int i = 0; i < ObjectList.ElementCount(); ++i) {
    const TDefinition d = DefinitionOf(*ObjectList.Elements(i));
    TCOSEMInstance* object = TLogicalDeviceHelper::FindInstance(device, association, d.LogicalName, d.ClassId);
    if (!object)
      throw Exception(
          Format("Instance: \"%s\", Class: %d not found", ByteStrToHexStr(d.LogicalName).c_str(), d.ClassId));
    if (d.AttributeIndex < 1 || d.AttributeIndex > object->AttributeCount())
      throw EListError(Format("List index out of bounds (%d)", d.AttributeIndex - 1));
    writes.push_back({object, d.AttributeIndex, ConvertValue(*object, d.AttributeIndex, Element(structure, i))});
  }
  for (TWrite& w : writes) w.Object->ReplaceAttribute(w.AttributeIndex, w.Value);
}

void ReadProtectedAttributes(TCOSEMInstance& Object, TTransferContext& TransferContext) {
  AsDataProtectionError([&] {
    // The parameters change only once every layer has been applied.
    PduStr buffer;
    ProtectAttributes(TransferContext, TDataProtection::ProtectionObjectList(Object), buffer,
                      TDataProtection::ProtectionParametersGet(Object));
    TDataProtection::ProtectionBuffer(Object).Value = buffer;
  });
}

void WriteProtectedAttributes(TCOSEMInstance& Object, const TCOSEMInstance*, TTransferContext& TransferContext) {
  UnprotectAttributes(TransferContext, TDataProtection::ProtectionBuffer(Object).Value,
                      TDataProtection::ProtectionParametersSet(Object), TDataProtection::ProtectionObjectList(Object));
}

int InvokeGetProtectedAttributes(TCOSEMInstance& Object, TTransferContext& TransferContext,
                                 const TData* InvocationParameters, std::unique_ptr<TData>& ResultData) {
  const TSequenceOf& p = ParameterStructure(InvocationParameters);
  const PduPtr objectList = DecodeAs(T_ProtectionObjectList, Element(p, 0));
  const PduPtr parameters = DecodeAs(T_ProtectionParameters, Element(p, 1));
  auto& parameterList = parameters->As<TSequenceOf>();
  CheckRequiredProtection(Object, *MakeDataProtectionLayers(TransferContext, parameterList), true,
                          "Required protection cannot be applied");
  PduStr buffer;
  ProtectAttributes(TransferContext, objectList->As<TSequenceOf>(), buffer, parameterList);
  const std::unique_ptr<TData> answered = TDataHelper::MakeFromPduStr(parameterList.EncodeData());
  ResultData = TDataHelper::MakeFromXml(Format("<Data><Structure Qty = \"02\">%s<OctetString Value = \"%s\" /></Structure></Data>",
                                               TDataHelper::ValueToXMLString(*answered).c_str(),
                                               ByteStrToHexStr(buffer).c_str()));
  return kSuccess;
}

int InvokeSetProtectedAttributes(TCOSEMInstance& Object, TTransferContext& TransferContext,
                                 const TData* InvocationParameters, std::unique_ptr<TData>&) {
  const TSequenceOf& p = ParameterStructure(InvocationParameters);
  const PduPtr objectList = DecodeAs(T_ProtectionObjectList, Element(p, 0));
  const PduPtr parameters = DecodeAs(T_ProtectionParameters, Element(p, 1));
  const PduStr& buffer = TDataHelper::OctetStringValue(Element(p, 2));
  const auto& parameterList = parameters->As<TSequenceOf>();
  CheckRequiredProtection(Object, *MakeDataProtectionLayers(TransferContext, parameterList), false,
                          "Required protection could not be applied");
  UnprotectAttributes(TransferContext, buffer, parameterList, objectList->As<TSequenceOf>());
  return kSuccess;
}

int InvokeInvokeProtectedMethod(TCOSEMInstance& Object, TTransferContext& TransferContext,
                                const TData* InvocationParameters, std::unique_ptr<TData>& ResultData) {
  const TSequenceOf& p = ParameterStructure(InvocationParameters);
  const PduStr& octets = TDataHelper::OctetStringValue(Element(p, 2));
  const PduPtr parameters = DecodeAs(T_ProtectionParameters, Element(p, 1));
  std::unique_ptr<TDataProtectionLayers> layers = MakeDataProtectionLayers(TransferContext, parameters->As<TSequenceOf>());
  CheckRequiredProtection(Object, *layers, false, "Required protection could not be applied");
  const PduStr plain = layers->RemoveProtection(octets);

  const TSequenceOf& method = TDataHelper::AsStructure(Element(p, 0));
  const int classId = TDataHelper::Unsigned16Value(Element(method, 0));
  const PduStr& logicalName = TDataHelper::OctetStringValue(Element(method, 1));
  const int methodIndex = TDataHelper::Integer8Value(Element(method, 2));
  TCOSEMInstance* target = TLogicalDeviceHelper::FindInstance(DeviceOf(TransferContext),
                                                              TransferContext.GetCurrentAssociation(), logicalName, classId);
  if (!target) return kObjectUnavailable;
  if (!target->InvokeMethodFunc) return kOtherReason;
  const std::unique_ptr<TData> value = TDataHelper::MakeFromPduStr(plain);
  std::unique_ptr<TData> innerResult;
  int code;
  {
    if (gProtectedMethodNesting >= kMaxProtectedMethodNesting)
      throw Exception("Protected method invocations nested too deeply");
    ++gProtectedMethodNesting;
    struct TLeave {
      ~TLeave() { --gProtectedMethodNesting; }
    } leave;
    code = target->InvokeMethodFunc(&TransferContext, TransferContext.CurrentLNAssociationObject(), methodIndex,
                                    value.get(), innerResult);
  }
  if (innerResult) throw Exception("InvokeInvokeProtectedMethod with return parameters not implemented");
  ResultData = TDataHelper::MakeFromXml(
      "<Data><Structure Qty = \"02\"><Array Qty = \"00\"></Array><OctetString Value = \"\" /></Structure></Data>");
  return code;
}

int InvokeMethod(TCOSEMInstance& Self, void* Context, TCOSEMInstance*, int MethodId,
                 const TData* InvocationParameters, std::unique_ptr<TData>& ResultData) {
  Self.Context = Context;
  ResultData.reset();
  if (MethodId < 1 || MethodId > 3) return kObjectUnavailable;
  return AsDataProtectionError([&] {
    if (!Context) throw EInvalidCast("Invalid class typecast");
    TTransferContext& context = *static_cast<TTransferContext*>(Context);
    switch (MethodId) {
      case 1: return InvokeGetProtectedAttributes(Self, context, InvocationParameters, ResultData);
      case 2: return InvokeSetProtectedAttributes(Self, context, InvocationParameters, ResultData);
      default: return InvokeInvokeProtectedMethod(Self, context, InvocationParameters, ResultData);
    }
  });
}

}  // namespace TDataProtectionHelper

TCOSEMInstance::TInvokeMethodFunc MakeDataProtectionInvokeHook(TCOSEMInstance& Object) {
  ZV_ASSERT(Object.IsA(T_DataProtectionObject));
  TCOSEMInstance* self = &Object;
  return [self](void* context, TCOSEMInstance* association, int methodId, const TData* parameters,
                std::unique_ptr<TData>& result) {
    return TDataProtectionHelper::InvokeMethod(*self, context, association, methodId, parameters, result);
  };
}

}  // namespace zv

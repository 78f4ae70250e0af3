#include "server/object_services.h"

#include <algorithm>
#include <vector>

#include "apdu/ln_services.h"
#include "apdu/sn_services.h"
#include "cosem/association_classes.h"
#include "cosem/basic_classes.h"
#include "cosem/clock.h"
#include "cosem/data_protection.h"
#include "cosem/logical_device.h"
#include "cosem/meter_classes.h"
#include "cosem/push_setup.h"
#include "cosem/security_setup.h"
#include "foundation/data_helper.h"
#include "foundation/logger.h"
#include "security/security_material.h"
#include "server/association_lists.h"
#include "server/data_protection_behaviour.h"
#include "server/frame_counters_of_keys.h"
#include "server/make_service.h"
#include "server/profile_generic_access.h"
#include "server/push_setup_behaviour.h"
#include "server/script_execution.h"
#include "server/security_setup_behaviour.h"
#include "server/transfer_context.h"

namespace zv {

const PduStr kCurrentAssociationName("\x00\x00\x28\x00\x00\xFF", 6);

namespace {

// Data-access result codes of the object services.
enum : int {
  darSuccess = 0,
  darReadWriteDenied = 3,
  darObjectUnavailable = 11,
  darTypeUnmatched = 12,
  darScopeOfAccessViolated = 13,
  darOtherReason = 250,
};

const PduStr kClockName("\x00\x00\x01\x00\x00\xFF", 6);

PduPtr GetResult(const TData& Value) {
  return MakeAnyFromXml(xmlResult, T_GetDataResult,
                        "<Result><Data>" + TDataHelper::ValueToXMLString(Value) + "</Data></Result>");
}

PduPtr GetError(int Code) {
  return MakeAnyFromXml(xmlResult, T_GetDataResult,
                        Format("<Result><DataAccessError Value = \"%s\" /></Result>", DataAccessResultName(Code).c_str()));
}

PduPtr ReadResult(const TData& Value) {
  return MakeAnyFromXml(xml_SingleReadResponse, T_SingleReadResponse,
                        "<_SingleReadResponse><Data>" + TDataHelper::ValueToXMLString(Value) +
                            "</Data></_SingleReadresponse>");
}

PduPtr ReadError(int Code) {
  return MakeAnyFromXml(xml_SingleReadResponse, T_SingleReadResponse,
                        Format("<_SingleReadResponse><DataAccessError Value = \"%s\" /></_SingleReadresponse>",
                               DataAccessResultName(Code).c_str()));
}

PduPtr WriteSuccess() {
  return MakeAnyFromXml(xml_SingleWriteResponse, T_SingleWriteResponse,
                        "<_SingleWriteResponse><Success /></_SingleWriteResponse>");
}

PduPtr WriteError(int Code) {
  return MakeAnyFromXml(xml_SingleWriteResponse, T_SingleWriteResponse,
                        Format("<_SingleWriteResponse><DataAccessError Value = \"%s\" /></_SingleWriteResponse>",
                               DataAccessResultName(Code).c_str()));
}

void LogReference(const PduStr& InstanceId, int ClassId, const char* What, int Id) {
  Logger().StringToLog(Format("InstanceId=%s, ClassId=%d, %s=%d", ByteStrToHexStr(InstanceId).c_str(), ClassId, What, Id));
}

// The access item found stores its response protection before anything else is checked.
void NoteResponseProtection(TTransferContext& Context, const TSequence* AccessItem) {
  if (AccessItem)
    Context.ResponseProtectionServicesOfItem =
        TAccessModeHelper::ResponseProtection(TAttributeAccessItemHelper::AccessMode(*AccessItem));
}

bool ReadAllowed(const TTransferContext& Context, int Mode) {
  return TAccessModeHelper::CanRead(Mode) &&
         Context.RequestHasEnoughProtection(TAccessModeHelper::RequestProtection(Mode));
}

bool WriteAllowed(const TTransferContext& Context, int Mode) {
  return TAccessModeHelper::CanWrite(Mode) &&
         Context.RequestHasEnoughProtection(TAccessModeHelper::RequestProtection(Mode));
}

// A new member for attribute AttributeId made from the Data form of Value, of the class
// and element id of the member now in place.
PduPtr ConvertValue(const TCOSEMInstance& Object, int AttributeId, const TData& Value) {
  const TCOSEMPduBase* current = Object.Attribute(AttributeId);
  const TypeInfo* type = current ? &current->Type() : Object.AttributeType(AttributeId);
  const TXMLId id = current ? current->XMLId : Object.AttributeXMLId(AttributeId);
  if (!type) throw EAssertionFailed(Format("%s.ReplaceAttribute", Object.ClassName()));
  PduStr data;
  Value.EncodeToDataPduStr(data);
  TStringWrapper w(data);
  return CreateFromDataPduStr(*type, id, w);
}

}  // namespace

TCOSEMInstance* TLogicalDeviceHelper::FindInstance(const TSequence& Device, const TCOSEMInstance* Association,
                                                   const PduStr& InstanceId, int ClassId) {
  if (InstanceId == kCurrentAssociationName && Association &&
      ((ClassId == 15 && Association->IsA(T_LNAssociationObject_3)) ||
       (ClassId == 12 && Association->IsA(T_SNAssociationObject_4))))
    return const_cast<TCOSEMInstance*>(Association);
  const int count = TLogicalDevice::ObjectCount(Device);
  for (int i = 0; i < count; ++i) {
    TCOSEMInstance& object = TLogicalDevice::Object(Device, i);
    if (object.COSEMClassId() == ClassId && object.LogicalName() == InstanceId) return &object;
  }
  return nullptr;
}

PduPtr TLogicalDeviceHelper::GetAttribute(const TSequence& Device, TTransferContext& Context, const PduStr& InstanceId,
                                          int ClassId, int AttributeId, const TSequence* SelectiveAccess) {
  LogReference(InstanceId, ClassId, "AttributeId", AttributeId);
  const TCOSEMInstance* association = Context.CurrentLNAssociationObject();
  TSequence* accessItem = association ? TLNAssociationObjectHelper::FindAttributeAccessItem(*association, InstanceId,
                                                                                          ClassId, AttributeId)
                                      : nullptr;
  NoteResponseProtection(Context, accessItem);
  if (!accessItem) return GetError(darObjectUnavailable);
  if (!ReadAllowed(Context, TAttributeAccessItemHelper::AccessMode(*accessItem))) return GetError(darReadWriteDenied);
  TCOSEMInstance* object = FindInstance(Device, association, InstanceId, ClassId);
  if (!object) return GetError(darObjectUnavailable);
  // An attribute the description leaves out is answered like one the class lacks.
  if (AttributeId < 1 || AttributeId > object->AttributeCount() || !object->Attribute(AttributeId))
    return GetError(darScopeOfAccessViolated);
  std::unique_ptr<TData> value;
  if (!SelectiveAccess) {
    if (ClassId == 30 && AttributeId == 2 && object->IsA(T_DataProtectionObject))
      TDataProtectionHelper::ReadProtectedAttributes(*object, Context);
    value = TDataHelper::MakeFromPdu(*object->Attribute(AttributeId));
  } else {
    const int selector =
        static_cast<int>(SelectiveAccess->Get<TNumber>(SelectiveAccessDescriptor::AccessSelector).AsUInt64());
    if (!TAttributeAccessItemHelper::SelectorAllowed(*accessItem, selector) || !object->SelectiveAccessImplemented())
      return GetError(darScopeOfAccessViolated);
    const auto* parameters =
        dynamic_cast<const TData*>(SelectiveAccess->Member(SelectiveAccessDescriptor::AccessParameters));
    try {
      value = object->SelectiveAccess(AttributeId, selector, parameters);
    } catch (const ESelectiveAccessRange&) {
      return GetError(darScopeOfAccessViolated);
    }
    if (!value) throw ESelectiveAccess("Selective access gave no value");
  }
  return GetResult(*value);
}

int TLogicalDeviceHelper::SetAttribute(const TSequence& Device, TTransferContext& Context,
                                       const TCOSEMInstance* LNAssociation, const PduStr& InstanceId, int ClassId,
                                       int AttributeId, const TData& Value) {
  TSequence* accessItem = LNAssociation ? TLNAssociationObjectHelper::FindAttributeAccessItem(*LNAssociation, InstanceId,
                                                                                             ClassId, AttributeId)
                                        : nullptr;
  NoteResponseProtection(Context, accessItem);
  if (!accessItem) return darObjectUnavailable;
  if (!WriteAllowed(Context, TAttributeAccessItemHelper::AccessMode(*accessItem))) return darReadWriteDenied;
  TCOSEMInstance* object = FindInstance(Device, LNAssociation, InstanceId, ClassId);
  if (!object) return darObjectUnavailable;
  if (AttributeId < 1 || AttributeId > object->AttributeCount()) return darScopeOfAccessViolated;
  try {
    object->ReplaceAttribute(AttributeId, ConvertValue(*object, AttributeId, Value));
    if (ClassId == 30 && Context.SecuritySetupObject && object->IsA(T_DataProtectionObject)) {
      if (AttributeId == 4) {
        if (!Context.SecurityMaterial) throw Exception("No key store in this association");
        Context.SecuritySetupObject->GenerateEphemeralKeyPair(Context.SecurityMaterial->GetSecuritySuite());
      } else if (AttributeId == 2) {
        TDataProtectionHelper::WriteProtectedAttributes(*object, LNAssociation, Context);
      }
    }
  } catch (const EDataProtection&) {
    throw;
  } catch (const std::exception&) {
    return darTypeUnmatched;
  }
  return darSuccess;
}

int TLogicalDeviceHelper::InvokeMethod(const TSequence& Device, TTransferContext& Context,
                                       TCOSEMInstance* LNAssociation, const PduStr& InstanceId, int ClassId,
                                       int MethodId, const TData* InvocationParameters,
                                       std::unique_ptr<TData>& ResultData) {
  LogReference(InstanceId, ClassId, "MethodId", MethodId);
  ResultData.reset();
  TSequence* accessItem = LNAssociation ? TLNAssociationObjectHelper::FindMethodAccessItem(*LNAssociation, InstanceId,
                                                                                          ClassId, MethodId)
                                        : nullptr;
  int mode = 0;
  if (accessItem) {
    mode = static_cast<int>(accessItem->Get<TNumber>(1).AsUInt64());
    Context.ResponseProtectionServicesOfItem = TMethodAccessModeHelper::ResponseProtection(mode);
  }
  if (!accessItem) return darObjectUnavailable;
  if (!TMethodAccessModeHelper::CanAccess(mode) ||
      !Context.RequestHasEnoughProtection(TMethodAccessModeHelper::RequestProtection(mode)))
    return darReadWriteDenied;
  TCOSEMInstance* object = FindInstance(Device, LNAssociation, InstanceId, ClassId);
  if (!object) return darObjectUnavailable;
  if (!object->InvokeMethodFunc) return darOtherReason;
  return object->InvokeMethodFunc(&Context, LNAssociation, MethodId, InvocationParameters, ResultData);
}

PduPtr TLogicalDeviceHelper::ReadAttribute(const TSequence& Device, TTransferContext& Context,
                                           const TCOSEMInstance* SNAssociation, int BaseName, int Selector,
                                           const TData* Parameter) {
  if (!SNAssociation) return ReadError(darReadWriteDenied);
  int classId = 0, attributeIndex = 0;
  PduStr name;
  TSequence* accessItem = nullptr;
  TSNAssociationObjectHelper::GetSNInfo(*SNAssociation, BaseName, classId, attributeIndex, name, accessItem);
  NoteResponseProtection(Context, accessItem);
  if (!accessItem || !ReadAllowed(Context, TAttributeAccessItemHelper::AccessMode(*accessItem)))
    return ReadError(darReadWriteDenied);
  LogReference(name, classId, "AttributeId", attributeIndex);
  TCOSEMInstance* object = FindInstance(Device, SNAssociation, name, classId);
  if (!object) return ReadError(darObjectUnavailable);
  if (attributeIndex < 1 || attributeIndex > object->AttributeCount() || !object->Attribute(attributeIndex))
    return ReadError(darScopeOfAccessViolated);
  std::unique_ptr<TData> value;
  if (!Parameter) {
    value = TDataHelper::MakeFromPdu(*object->Attribute(attributeIndex));
  } else {
    if (!object->SelectiveAccessImplemented()) return ReadError(darScopeOfAccessViolated);
    try {
      value = object->SelectiveAccess(attributeIndex, Selector, Parameter);
    } catch (const ESelectiveAccessRange&) {
      return ReadError(darScopeOfAccessViolated);
    }
    if (!value) throw ESelectiveAccess("Selective access gave no value");
  }
  return ReadResult(*value);
}

PduPtr TLogicalDeviceHelper::WriteAttribute(const TSequence& Device, TTransferContext& Context,
                                            const TCOSEMInstance* SNAssociation, int BaseName, const TData& Value) {
  if (!SNAssociation) return WriteError(darReadWriteDenied);
  int classId = 0, attributeIndex = 0;
  PduStr name;
  TSequence* accessItem = nullptr;
  TSNAssociationObjectHelper::GetSNInfo(*SNAssociation, BaseName, classId, attributeIndex, name, accessItem);
  NoteResponseProtection(Context, accessItem);
  if (!accessItem || !WriteAllowed(Context, TAttributeAccessItemHelper::AccessMode(*accessItem)))
    return WriteError(darReadWriteDenied);
  TCOSEMInstance* object = FindInstance(Device, SNAssociation, name, classId);
  if (!object) return WriteError(darObjectUnavailable);
  if (attributeIndex < 1 || attributeIndex > object->AttributeCount()) return WriteError(darScopeOfAccessViolated);
  try {
    object->ReplaceAttribute(attributeIndex, ConvertValue(*object, attributeIndex, Value));
  } catch (const std::exception&) {
    return WriteError(darTypeUnmatched);
  }
  return WriteSuccess();
}

std::unique_ptr<TData> TLogicalDeviceHelper::GetAttributeData(const TSequence& Device, const PduStr& InstanceId,
                                                              int ClassId, int AttributeIndex) {
  const TCOSEMInstance* object = FindInstance(Device, nullptr, InstanceId, ClassId);
  if (!object)
    throw Exception(Format("Instance: \"%s\", Class: %d not found", ByteStrToHexStr(InstanceId).c_str(), ClassId));
  if (AttributeIndex < 1) throw EListError(Format("List index out of bounds (%d)", AttributeIndex - 1));
  if (AttributeIndex > object->AttributeCount() || !object->Attribute(AttributeIndex))
    throw Exception(Format("Attribute: %d not found in Instance: \"%s\", Class: %d", AttributeIndex,
                           ByteStrToHexStr(InstanceId).c_str(), ClassId));
  return TDataHelper::MakeFromPdu(*object->Attribute(AttributeIndex));
}

TDateTimeRecord TLogicalDeviceHelper::ClockDateTime(const TSequence& Device) {
  auto time = GetAttributeData(Device, kClockName, 8, ClockAttr::Time);
  TDateTimeRecord r;
  COSEMDateTimeToRecord(TDataHelper::OctetStringValue(*time), r);
  return r;
}

TCOSEMInstance* TLogicalDeviceHelper::FindLNAssociationByClientSAP(const TSequence& Device, int ClientSAP) {
  const int count = TLogicalDevice::ObjectCount(Device);
  for (int i = 0; i < count; ++i) {
    TCOSEMInstance& object = TLogicalDevice::Object(Device, i);
    if (object.IsA(T_LNAssociationObject_3) && TLNAssociation::ClientSAP(object) == ClientSAP) return &object;
  }
  return nullptr;
}

TCOSEMInstance* TLogicalDeviceHelper::FindSNAssociation(const TSequence& Device) {
  const int count = TLogicalDevice::ObjectCount(Device);
  for (int i = 0; i < count; ++i) {
    TCOSEMInstance& object = TLogicalDevice::Object(Device, i);
    if (object.IsA(T_SNAssociationObject_4)) return &object;
  }
  return nullptr;
}

void TLogicalDeviceHelper::AddCurrentAssociation(TSequence& Device, const TCOSEMInstance& Association) {
  PduPtr clone = Association.Clone();
  clone->As<TCOSEMInstance>().IsAddedInstance = true;
  TSequenceOf& list = TLogicalDevice::ObjectList(Device);
  const int count = list.ElementCount();
  if (count > 0 && TLogicalDevice::Object(Device, count - 1).IsAddedInstance) list.AtFree(count - 1);
  PduPtr entry = Create(T_COSEMObject, xml_COSEMObject);
  entry->As<TChoice>().CreateVariant(xmlLNAssociationObject_3, std::move(clone));
  list.Add(std::move(entry));
}

void TLogicalDeviceHelper::CheckDuplicateInstanceIds(const TSequence& Device) {
  std::vector<PduStr> names;
  const int count = TLogicalDevice::ObjectCount(Device);
  names.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) names.push_back(TLogicalDevice::Object(Device, i).LogicalName());
  std::sort(names.begin(), names.end());
  for (size_t i = 1; i < names.size(); ++i)
    if (names[i] == names[i - 1])
      throw Exception(Format("InstanceId %s is duplicated", ByteStrToHexStr(names[i]).c_str()));
}

void TLogicalDeviceHelper::BindBehaviour(TSequence& Device) {
  // Received frame counters are kept for as long as the device is loaded.
  TFrameCountersOfKeys::Init();
  const int count = TLogicalDevice::ObjectCount(Device);
  auto pass = [&](void (*binder)(TCOSEMInstance& Object), auto matches) {
    for (int i = 0; i < count; ++i) {
      TCOSEMInstance& object = TLogicalDevice::Object(Device, i);
      if (matches(object)) binder(object);
    }
  };
  pass([](TCOSEMInstance& o) { o.SelectiveAccessFunc = MakeProfileGenericSelectiveAccessHook(o); },
       [](const TCOSEMInstance& o) { return o.IsA(T_ProfileGenericObject); });
  pass(
      [](TCOSEMInstance& o) {
        o.InvokeMethodFunc = MakePushSetupInvokeHook(o);
        o.ProcessFunc = MakePushSetupProcessHook(o);
      },
      [](const TCOSEMInstance& o) { return o.IsA(T_PushSetupObject); });
  pass([](TCOSEMInstance& o) { o.InvokeMethodFunc = MakeSecuritySetupInvokeHook(o); },
       [](const TCOSEMInstance& o) { return o.IsA(T_SecuritySetupObject_1) || o.IsA(T_SecuritySetupObject_0); });
  pass([](TCOSEMInstance& o) { o.InvokeMethodFunc = MakeDataProtectionInvokeHook(o); },
       [](const TCOSEMInstance& o) { return o.IsA(T_DataProtectionObject); });
  pass([](TCOSEMInstance& o) { o.InvokeMethodFunc = MakeScriptTableInvokeHook(o); },
       [](const TCOSEMInstance& o) { return o.IsA(T_ScriptTableObject); });
}

}  // namespace zv

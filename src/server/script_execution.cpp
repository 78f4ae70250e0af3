#include "server/script_execution.h"

#include "cosem/meter_classes.h"
#include "foundation/data_helper.h"
#include "server/object_services.h"
#include "server/transfer_context.h"

namespace zv {

namespace {

// Attribute 2 of the script table (member 1).
constexpr size_t kScripts = 1;

enum : int { arSuccess = 0, arObjectUnavailable = 11, arTypeUnmatched = 12, arOtherReason = 250 };

TCOSEMInstance& ScriptTable(TCOSEMInstance& Self) {
  ZV_ASSERT(Self.IsA(T_ScriptTableObject));
  return Self;
}

}  // namespace

namespace TScriptTableObjectHelper {

int InvokeMethod(TCOSEMInstance& Self, void* Context, TCOSEMInstance*, int MethodId,
                 const TData* InvocationParameters, std::unique_ptr<TData>& ResultData) {
  ScriptTable(Self).Context = Context;
  ResultData.reset();
  if (MethodId != 1) return arObjectUnavailable;
  return Execute(Self, static_cast<TTransferContext*>(Context), InvocationParameters);
}

int Execute(TCOSEMInstance& Self, TTransferContext* Context, const TData* Parameters) {
  if (!Parameters || !Parameters->Value || !Parameters->Value->IsA(T_Unsigned16)) return arTypeUnmatched;
  const TSequence* script = FindScript(Self, TDataHelper::Unsigned16Value(*Parameters));
  if (!script) return arOtherReason;
  return ExecuteActions(Context, script->Get<TSequenceOf>(Script::ScriptActions));
}

const TSequence* FindScript(const TCOSEMInstance& Self, int ScriptId) {
  for (const auto& e : Self.Get<TSequenceOf>(kScripts).FElements) {
    const TSequence& script = e->As<TSequence>();
    if (static_cast<int>(script.Get<TNumber>(Script::ScriptIdentifier).AsUInt64()) == ScriptId) return &script;
  }
  return nullptr;
}

int ExecuteActions(TTransferContext* Context, const TSequenceOf& Actions) {
  for (const auto& e : Actions.FElements) {
    const int code = ExecuteAction(Context, e->As<TSequence>());
    if (code != arSuccess) return code;
  }
  return arSuccess;
}

int ExecuteAction(TTransferContext* Context, const TSequence& Action) {
  switch (Action.Get<TEnum>(ScriptAction::ServiceId).Value) {
    case ServiceWriteAttribute: {
      const int classId = static_cast<int>(Action.Get<TNumber>(ScriptAction::ClassId).AsUInt64());
      const PduStr& name = Action.Get<TOctetString>(ScriptAction::LogicalName).Value;
      TCOSEMInstance* target = Context && Context->LogicalDevice
                                   ? TLogicalDeviceHelper::FindInstance(*Context->LogicalDevice,
                                                                        Context->GetCurrentAssociation(), name, classId)
                                   : nullptr;
      if (!target) return arObjectUnavailable;
      // The association's rights are not consulted for the target of a script.
      const int index = static_cast<int>(Action.Get<TNumber>(ScriptAction::Index).AsInt64());
      PduPtr value = Action.Get<TData>(ScriptAction::Parameter).Clone();
      value->XMLId = target->AttributeXMLId(index);
      target->ReplaceAttribute(index, value);
      return arSuccess;
    }
    case ServiceExecuteCommand:
      return arOtherReason;
    default:
      return arTypeUnmatched;
  }
}

}  // namespace TScriptTableObjectHelper

TCOSEMInstance::TInvokeMethodFunc MakeScriptTableInvokeHook(TCOSEMInstance& Object) {
  TCOSEMInstance* self = &ScriptTable(Object);
  return [self](void* context, TCOSEMInstance* association, int methodId, const TData* parameters,
                std::unique_ptr<TData>& result) {
    return TScriptTableObjectHelper::InvokeMethod(*self, context, association, methodId, parameters, result);
  };
}

}  // namespace zv

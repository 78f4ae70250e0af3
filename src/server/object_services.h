// The server's operations on the objects of the loaded device: look-up, attribute read
// and write, method invocation (every access checked against the current association's
// object list), the duplicate check of logical names and the binding of behaviour hooks.
#pragma once
#include <cstdint>
#include <memory>

#include "cosem/cosem_instance.h"
#include "foundation/date_time.h"

namespace zv {

class TTransferContext;

// The name under which the association in use is served: 0.0.40.0.0.255.
extern const PduStr kCurrentAssociationName;

// Device: a TLogicalDevice. Results are new objects owned by the caller.
struct TLogicalDeviceHelper {
  // The association itself for the current-association name with its class (15 for an
  // LN association, 12 for an SN one); otherwise the first object of the device with
  // that class id and logical name; null when none.
  static TCOSEMInstance* FindInstance(const TSequence& Device, const TCOSEMInstance* Association,
                                      const PduStr& InstanceId, int ClassId);
  // A T_GetDataResult: the value, or a data-access result.
  static PduPtr GetAttribute(const TSequence& Device, TTransferContext& Context, const PduStr& InstanceId, int ClassId,
                             int AttributeId, const TSequence* SelectiveAccess);
  // A data-access result code.
  static int SetAttribute(const TSequence& Device, TTransferContext& Context, const TCOSEMInstance* LNAssociation,
                          const PduStr& InstanceId, int ClassId, int AttributeId, const TData& Value);
  // An action result code; ResultData stays null unless the object's hook sets it.
  static int InvokeMethod(const TSequence& Device, TTransferContext& Context, TCOSEMInstance* LNAssociation,
                          const PduStr& InstanceId, int ClassId, int MethodId, const TData* InvocationParameters,
                          std::unique_ptr<TData>& ResultData);
  // A T_SingleReadResponse and a T_SingleWriteResponse (short-name referencing).
  static PduPtr ReadAttribute(const TSequence& Device, TTransferContext& Context, const TCOSEMInstance* SNAssociation,
                              int BaseName, int Selector, const TData* Parameter);
  static PduPtr WriteAttribute(const TSequence& Device, TTransferContext& Context, const TCOSEMInstance* SNAssociation,
                               int BaseName, const TData& Value);
  // The attribute's Data form without an access check.
  static std::unique_ptr<TData> GetAttributeData(const TSequence& Device, const PduStr& InstanceId, int ClassId,
                                                 int AttributeIndex);
  // The time of the clock 0.0.1.0.0.255.
  static TDateTimeRecord ClockDateTime(const TSequence& Device);
  static TCOSEMInstance* FindLNAssociationByClientSAP(const TSequence& Device, int ClientSAP);
  static TCOSEMInstance* FindSNAssociation(const TSequence& Device);
  // Appends a clone of the accepted LN association (named 0.0.40.0.0.255 by the caller)
  // to the device, in place of the clone a previous association appended.
  static void AddCurrentAssociation(TSequence& Device, const TCOSEMInstance& Association);
  // "InstanceId %s is duplicated" for the first logical name two objects share.
  static void CheckDuplicateInstanceIds(const TSequence& Device);
  // Sets the hooks of the objects that have behaviour of their own.
  static void BindBehaviour(TSequence& Device);

  // Completion of association object lists: member MemberIndex (from 0) is granted.
  static bool IsListedMember(const TCOSEMInstance& Object, int MemberIndex);
  // Appends to the current association's clone an item for every object of the device
  // that its list does not name yet.
  static void CompleteLNObjectList(const TSequence& Device, TCOSEMInstance& Association);
  static void CompleteSNObjectList(const TSequence& Device, TCOSEMInstance& Association);
};

}  // namespace zv

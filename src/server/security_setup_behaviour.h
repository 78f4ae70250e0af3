// The methods of the security setup objects (security_activate and key_transfer, both
// versions) and the response protection a security policy asks for. The method hooks take
// the transfer context of the request as their context.
#pragma once
#include <memory>

#include "cosem/security_setup.h"
#include "security/cti.h"

namespace zv {

namespace TSecurityPolicyHelper {
// The response protection of a T_SecurityPolicy value: version 0 bits 0 and 1
// (authentication, encryption); version 1 bits 5 to 7 (authentication, encryption,
// signature). Another version is an assertion failure.
TProtectionServices ResponseProtectionServices(const TCOSEMPduBase& SecurityPolicy, int Version);
TProtectionServices ResponseProtectionServices(int PolicyValue, int Version);
}  // namespace TSecurityPolicyHelper

// Method 1 security_activate, method 2 key_transfer, any other method 11. Context is the
// TTransferContext of the request (may be null outside a session); it is stored in the
// object's Context. ResultData is always null: neither method returns data. Bad parameters
// give 12 or 250, never an exception.
namespace TSecuritySetupObject_1_Helper {
int InvokeMethod(TCosemInstance_SecuritySetup& Self, void* Context, TCOSEMInstance* LNAssociationObject, int MethodId,
                 const TData* InvocationParameters, std::unique_ptr<TData>& ResultData);
}  // namespace TSecuritySetupObject_1_Helper

namespace TSecuritySetupObject_0_Helper {
int InvokeMethod(TCosemInstance_SecuritySetup& Self, void* Context, TCOSEMInstance* LNAssociationObject, int MethodId,
                 const TData* InvocationParameters, std::unique_ptr<TData>& ResultData);
}  // namespace TSecuritySetupObject_0_Helper

// The invoke hook to bind to a security setup object: the version 1 or version 0 method,
// by the object's class. Object must be a T_SecuritySetupObject_0 or _1 (assertion
// failure otherwise) and outlive the hook.
TCOSEMInstance::TInvokeMethodFunc MakeSecuritySetupInvokeHook(TCOSEMInstance& Object);

}  // namespace zv

// The execute method of script table objects: a script is a numbered list of actions,
// each writing an attribute of an object of the device or invoking a method. Scripts run
// only when a client invokes the method.
#pragma once
#include <memory>

#include "cosem/cosem_instance.h"

namespace zv {

class TTransferContext;

namespace TScriptTableObjectHelper {
// Self is a T_ScriptTableObject; Context the TTransferContext of the request (stored in
// Self's Context). Method 1 executes the script the parameters name; any other method 11.
// ResultData stays null.
int InvokeMethod(TCOSEMInstance& Self, void* Context, TCOSEMInstance* LNAssociationObject, int MethodId,
                 const TData* InvocationParameters, std::unique_ptr<TData>& ResultData);
// Parameters must be a long-unsigned script identifier (12 otherwise); a script the table
// lacks answers 250; else the result of its actions.
int Execute(TCOSEMInstance& Self, TTransferContext* Context, const TData* Parameters);
// The first script with that identifier (a T_Script), or null.
const TSequence* FindScript(const TCOSEMInstance& Self, int ScriptId);
// Runs the actions in order up to the first that fails and answers its code; 0 when all
// succeed.
int ExecuteActions(TTransferContext* Context, const TSequenceOf& Actions);
// Write attribute: the target found through the context's device and current association
// (11 when none) gets a copy of the parameter, 0; execute method: 250; anything else 12.
// A replacement the target's attribute refuses raises its error.
int ExecuteAction(TTransferContext* Context, const TSequence& Action);
}  // namespace TScriptTableObjectHelper

// The invoke hook to bind to a script table object (assertion failure for another class);
// Object must outlive the hook.
TCOSEMInstance::TInvokeMethodFunc MakeScriptTableInvokeHook(TCOSEMInstance& Object);

}  // namespace zv

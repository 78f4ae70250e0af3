// Selective access to the buffer of a profile generic object: by range (the entries whose
// value in one column lies between two bounds) and by entry (entries and columns by
// position). The buffer is only read; the result holds copies of the selected elements.
#pragma once
#include <memory>

#include "cosem/cosem_instance.h"

namespace zv {

// An entry descriptor naming a position that no buffer has (entry or column 0): the
// reading service answers it with a data-access result.
ZV_ERROR_CLASS(ESelectiveAccessRange, ESelectiveAccess)

namespace TProfileGenericObjectHelper {
// Self is a T_ProfileGenericObject. AttributeId must be 2 and Parameter a structure of
// four; selector 1 selects by range, 2 by entry. Failures raise ESelectiveAccess, or the
// common exception for a parameter of the wrong type; nothing changes in Self.
std::unique_ptr<TData> SelectiveAccess(const TCOSEMInstance& Self, int AttributeId, int Selector,
                                       const TData* Parameter);
// Parameters: restricting object, from value, to value, selected values.
std::unique_ptr<TData> SelectByRange(const TCOSEMInstance& Self, const TSequenceOf& Parameters);
// Parameters: from entry, to entry (0: last), from selected value, to selected value (0:
// last), all 1-based. Positions past the buffer's end are cut to it; 0 as from entry or
// from selected value names no position and is refused (ESelectiveAccessRange).
std::unique_ptr<TData> SelectByEntry(const TCOSEMInstance& Self, const TSequenceOf& Parameters);
// The column (from 0) of the first capture object equal to the restricting object (class
// id, logical name, attribute index, data index); -1 when none.
int FindCaptureObject(const TCOSEMInstance& Self, const TData& RestrictingObject);
// Moves a 12-octet COSEM date-time on by the capture period.
void AddCapturePeriod(const TCOSEMInstance& Self, TData& Value);
}  // namespace TProfileGenericObjectHelper

// The selective-access hook to bind to a profile generic object (assertion failure for
// another class); Object must outlive the hook.
TCOSEMInstance::TSelectiveAccessFunc MakeProfileGenericSelectiveAccessHook(TCOSEMInstance& Object);

}  // namespace zv

// The behaviour of data protection objects in the server. A GET of attribute 2 first
// gathers the listed attributes and protects them with the get parameters; a SET of it is
// followed by removing the set parameters' protection and writing the listed attributes;
// methods 1 to 3 (get_protected_attributes, set_protected_attributes,
// invoke_protected_method) do the same with lists and parameters of their own, under the
// protection the object requires. Each frame counter received is checked per key.
#pragma once
#include <cstdint>
#include <memory>

#include "cosem/cosem_instance.h"
#include "security/data_protection.h"
#include "security/key_info_options.h"

namespace zv {

class TTransferContext;

// Object and Self are T_DataProtectionObject instances; TransferContext is the context of
// the request being served (its SecurityMaterial gives the keys, its LogicalDevice the
// objects, its LoggingContext the log).
namespace TDataProtectionHelper {

// The invoke hook. Methods 1 to 3; any other answers 11 (ObjectUnavailable). Context must be
// the request's TTransferContext. A failure of any kind leaves as EDataProtection with the
// failure's message, so that the request is answered with an exception response.
int InvokeMethod(TCOSEMInstance& Self, void* Context, TCOSEMInstance* LNAssociationObject, int MethodId,
                 const TData* InvocationParameters, std::unique_ptr<TData>& ResultData);

// Before a GET of attribute 2: the buffer becomes the listed attributes protected with the
// get parameters, and the get parameters take the key-ciphered data the layers produced
// (a drawn wrapped key, a signed ephemeral key). On failure both stay as they were and the
// failure leaves as EDataProtection.
void ReadProtectedAttributes(TCOSEMInstance& Object, TTransferContext& TransferContext);
// After a SET of attribute 2: removes the set parameters' protection from the new buffer
// and writes the values into the listed attributes. LNAssociation is not used.
void WriteProtectedAttributes(TCOSEMInstance& Object, const TCOSEMInstance* LNAssociation,
                              TTransferContext& TransferContext);

// Methods 1, 2 and 3; each answers an action result code.
int InvokeGetProtectedAttributes(TCOSEMInstance& Object, TTransferContext& TransferContext,
                                 const TData* InvocationParameters, std::unique_ptr<TData>& ResultData);
int InvokeSetProtectedAttributes(TCOSEMInstance& Object, TTransferContext& TransferContext,
                                 const TData* InvocationParameters, std::unique_ptr<TData>& ResultData);
int InvokeInvokeProtectedMethod(TCOSEMInstance& Object, TTransferContext& TransferContext,
                                const TData* InvocationParameters, std::unique_ptr<TData>& ResultData);

// One layer per element of a T_ProtectionParameters, in element order (the first is the
// innermost), with the frame counter callbacks below.
std::unique_ptr<TDataProtectionLayers> MakeDataProtectionLayers(TTransferContext& TransferContext,
                                                                const TSequenceOf& ProtectionParameters);
// Buffer := the Data form of a structure of the listed attributes' values (read without
// access checks), protected with the parameters; the parameters then take the key-ciphered
// data of the layers.
void ProtectAttributes(TTransferContext& TransferContext, const TSequenceOf& ObjectList, PduStr& Buffer,
                       TSequenceOf& ProtectionParameters);
// Removes the parameters' protection from Buffer, which must then hold a structure of one
// value per listed attribute ("unprotected data length mismatch" otherwise), and writes
// the values. Every value is converted before any is written, so that a value of the
// wrong type leaves all the listed attributes as they were.
void UnprotectAttributes(TTransferContext& TransferContext, const PduStr& Buffer,
                         const TSequenceOf& ProtectionParameters, const TSequenceOf& ObjectList);
// The key-ciphered data of each wrapped or agreed ciphering layer into the second element
// of the key information options of the same position.
void StoreKeyCipheredData(const TDataProtectionLayers& Layers, TSequenceOf& ProtectionParameters);

// The frame counter callbacks of every layer. A protection applied takes the next value of
// the process-wide frame counter, so that no initialisation vector repeats under a key,
// whatever the session. A counter removed must be greater than every counter accepted
// before under the same key while the device is loaded: "FC not incremented when removing
// protection" (EDataProtection) otherwise.
uint32_t FrameCounterToApply(TDataProtectionLayer& Layer);
void FrameCounterRemoved(TDataProtectionLayer& Layer);

}  // namespace TDataProtectionHelper

// The invoke hook to bind to a data protection object; Object must outlive the hook.
TCOSEMInstance::TInvokeMethodFunc MakeDataProtectionInvokeHook(TCOSEMInstance& Object);

}  // namespace zv

// The base of every interface-class object: attributes in attribute order (attribute n is
// member n-1, attribute 1 the logical name), class id and version, attribute replacement,
// and the hooks through which the server attaches behaviour.
#pragma once
#include <functional>
#include <memory>

#include "foundation/axdr_types.h"

namespace zv {

extern const TypeInfo TCOSEMInstance_Type, TCosemInstance_Association_Type, TCosemInstance_SecuritySetup_Type;

// Per-object state of periodic processing, owned by the object.
struct TProcessData {
  virtual ~TProcessData() = default;
};

class TCOSEMInstance : public TSequence {
 public:
  using TSequence::TSequence;

  // Returns the selected part of an attribute (new, owned by the caller).
  using TSelectiveAccessFunc = std::function<std::unique_ptr<TData>(int attributeId, int selector, const TData* parameter)>;
  // Returns the action result code; ResultData may be set.
  using TInvokeMethodFunc = std::function<int(void* context, TCOSEMInstance* lnAssociation, int methodId,
                                              const TData* invocationParameters, std::unique_ptr<TData>& resultData)>;
  using TProcessFunc = std::function<void()>;

  TSelectiveAccessFunc SelectiveAccessFunc;
  TInvokeMethodFunc InvokeMethodFunc;
  TProcessFunc ProcessFunc;
  std::unique_ptr<TProcessData> ProcessData;
  bool IsAddedInstance = false;
  void* Context = nullptr;  // the transfer context of the request a method hook serves; not owned

  int COSEMClassId() const { return Type().classId < 0 ? 0 : Type().classId; }
  int COSEMClassVersion() const { return Type().classVersion; }
  int AttributeCount() const { return static_cast<int>(Members.size()); }
  // Replaces attribute AttributeId (1-based); on failure the object is unchanged and the
  // caller keeps Value.
  void ReplaceAttribute(int attributeId, PduPtr& value);
  void ReplaceAttribute(int attributeId, PduPtr&& value) {
    PduPtr v = std::move(value);
    ReplaceAttribute(attributeId, v);
  }
  // The class of attribute AttributeId, or null when the class has none.
  const TypeInfo* AttributeType(int attributeId) const;
  TXMLId AttributeXMLId(int attributeId) const;
  TCOSEMPduBase* Attribute(int attributeId) const { return attributeId >= 1 ? Member(static_cast<size_t>(attributeId - 1)) : nullptr; }
  std::string LogicalName() const;
  void Process() {
    if (ProcessFunc) ProcessFunc();
  }
  std::unique_ptr<TData> SelectiveAccess(int attributeId, int selector, const TData* parameter) {
    return SelectiveAccessFunc ? SelectiveAccessFunc(attributeId, selector, parameter) : nullptr;
  }
  bool SelectiveAccessImplemented() const { return static_cast<bool>(SelectiveAccessFunc); }

  // Every attribute is made, optional ones too (present, empty).
  void InitDefault() override;
  // Copies the attributes only: hooks, process data and flags stay empty in a copy.
  void Another(const TCOSEMPduBase& src) override;
};

TCOSEMPduBase* AllocCOSEMInstance(const TypeInfo& t, TXMLId id);

// Descriptor of an interface class: an attribute table, class id and version.
template <size_t N>
constexpr TypeInfo InterfaceClassType(const char* name, TXMLId own, const MemberInfo (&attributes)[N], int classId,
                                      int version, const TypeInfo* parent = &TCOSEMInstance_Type) {
  TypeInfo t = SequenceType(name, own, attributes, 2, parent);
  t.classId = static_cast<int16_t>(classId);
  t.classVersion = static_cast<int16_t>(version);
  t.flags |= tfRegisterSequence;
  t.alloc = AllocCOSEMInstance;
  return t;
}

}  // namespace zv

#include "cosem/cosem_instance.h"

namespace zv {

namespace {
constexpr TypeInfo AbstractType(const char* name, const TypeInfo* parent) {
  TypeInfo t;
  t.name = name;
  t.family = Family::Abstract;
  t.parent = parent;
  t.classId = 0;
  return t;
}
}  // namespace

constinit const TypeInfo TCOSEMInstance_Type = AbstractType("TCOSEMInstance", &TSequence_Type);
constinit const TypeInfo TCosemInstance_Association_Type =
    AbstractType("TCosemInstance_Association", &TCOSEMInstance_Type);
constinit const TypeInfo TCosemInstance_SecuritySetup_Type =
    AbstractType("TCosemInstance_SecuritySetup", &TCOSEMInstance_Type);

TCOSEMPduBase* AllocCOSEMInstance(const TypeInfo& t, TXMLId id) { return new TCOSEMInstance(t, id); }

void TCOSEMInstance::InitDefault() {
  const TypeInfo& s = Type().Shape();
  Members.clear();
  Members.reserve(s.memberCount);
  for (uint16_t i = 0; i < s.memberCount; ++i) Members.push_back(Create(*s.members[i].type, s.members[i].id));
}

void TCOSEMInstance::Another(const TCOSEMPduBase& src) {
  if (&src.Type() != &Type()) throw EInvalidCast("Invalid class typecast");
  TSequence::Another(src);
}

const TypeInfo* TCOSEMInstance::AttributeType(int attributeId) const {
  const TypeInfo& s = Type().Shape();
  if (attributeId < 1 || attributeId > s.memberCount) return nullptr;
  return s.members[attributeId - 1].type;
}

TXMLId TCOSEMInstance::AttributeXMLId(int attributeId) const {
  const TypeInfo& s = Type().Shape();
  if (attributeId < 1 || attributeId > s.memberCount) return xmlIgnore;
  return s.members[attributeId - 1].id;
}

void TCOSEMInstance::ReplaceAttribute(int attributeId, PduPtr& value) {
  if (attributeId < 1 || attributeId > AttributeCount()) throw EListError("Argument out of range");
  const TypeInfo* t = AttributeType(attributeId);
  if (!t) throw EAssertionFailed(Format("%s.ReplaceAttribute", ClassName()));
  if (!value || !value->IsA(*t)) throw EInvalidCast("Invalid class typecast");
  Members[static_cast<size_t>(attributeId - 1)] = std::move(value);
}

std::string TCOSEMInstance::LogicalName() const {
  CheckAssertion(!Members.empty(), 1144);
  const TCOSEMPduBase* n = Members[0].get();
  if (!n) return {};
  return n->As<TOctetString>().Value;
}

}  // namespace zv

#include "cosem/basic_classes.h"

namespace zv {

namespace {
constexpr MemberInfo kDataObject[] = {Mem(xmlName, T_LogicalName), Mem(xmlDataValue, T_Data)};
}  // namespace

constinit const TypeInfo T_DataObject = InterfaceClassType("T_DataObject", xml_DataObject, kDataObject, 1, 0);

}  // namespace zv

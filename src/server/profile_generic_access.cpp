#include "server/profile_generic_access.h"

#include <algorithm>
#include <bitset>

#include "cosem/basic_classes.h"
#include "foundation/data_helper.h"
#include "foundation/date_time.h"

namespace zv {

namespace {

// Attribute positions of the profile generic class (member = attribute - 1).
constexpr size_t kBuffer = 1, kCaptureObjects = 2, kCapturePeriod = 3;

constexpr std::string_view kRestrictingObjectTemplate =
    "<Data><Structure Qty=\"04\">  <LongUnsigned Value = \"0000\"/>  <OctetString Value = \"\"/>  <Integer Value = "
    "\"00\"/>  <LongUnsigned Value = \"0000\"/></Structure></Data>";
constexpr std::string_view kSelectedValuesTemplate =
    "<Data>  <Array Qty = \"01\"><Structure Qty=\"04\">  <LongUnsigned Value = \"0000\"/>  <OctetString Value = "
    "\"\"/>  <Integer Value = \"00\"/>  <LongUnsigned Value = \"0000\"/></Structure>  </Array></Data>";
constexpr std::string_view kEntryTemplate = "<Data><DoubleLongUnsigned Value = \"00000000\"/></Data>";
constexpr std::string_view kSelectedValueTemplate = "<Data><LongUnsigned Value = \"0000\"/></Data>";

// Only the first 256 columns can be selected by range.
constexpr size_t kMaxColumns = 256;

const TCOSEMInstance& ProfileGeneric(const TCOSEMInstance& Self) {
  ZV_ASSERT(Self.IsA(T_ProfileGenericObject));
  return Self;
}

const TData& Buffer(const TCOSEMInstance& Self) { return Self.Get<TData>(kBuffer); }
const TSequenceOf& CaptureObjects(const TCOSEMInstance& Self) { return Self.Get<TSequenceOf>(kCaptureObjects); }

// Element Index of a parameter structure (the caller has checked the count).
const TData& Element(const TSequenceOf& List, int Index) {
  const TData* d = GetDataElement(List, Index);
  if (!d) throw EInvalidCast("Invalid class typecast");
  return *d;
}

bool IsNullData(const TData& d) { return d.Value && d.Value->IsA(T_NullData); }

const TCOSEMPduBase& Alternative(const TData& d) {
  if (!d.Value) throw EInvalidCast("Invalid class typecast");
  return *d.Value;
}

// The entry Index (from 0) of the buffer, checked to be a structure of one element per
// capture object.
const TSequenceOf& Entry(const TSequenceOf& Entries, int Index, int Columns) {
  const TData* entry = GetDataElement(Entries, Index);
  if (!entry || !entry->Value || !entry->Value->IsA(T_Structure))
    throw ESelectiveAccess(Format("Buffer element %d is not a structure", Index));
  const TSequenceOf& s = TDataHelper::AsStructure(*entry);
  if (s.ElementCount() != Columns)
    throw ESelectiveAccess(Format("Buffer element %d does not have the expected number of members", Index));
  return s;
}

std::unique_ptr<TData> NewArray() { return TDataHelper::Make(xmlArray); }

std::unique_ptr<TData> NewStructure() { return TDataHelper::Make(xmlStructure); }

}  // namespace

namespace TProfileGenericObjectHelper {

std::unique_ptr<TData> SelectiveAccess(const TCOSEMInstance& Self, int AttributeId, int Selector,
                                       const TData* Parameter) {
  ProfileGeneric(Self);
  if (AttributeId != 2) throw ESelectiveAccess("Selective access requires attribute 2");
  if (!Parameter || !TDataHelper::IsStructureOf(*Parameter, 4)) throw ESelectiveAccess("Parameter is not strucure of 4");
  if (!TDataHelper::IsArray(Buffer(Self))) throw ESelectiveAccess("Buffer is not an array");
  const TSequenceOf& parameters = TDataHelper::AsStructure(*Parameter);
  switch (Selector) {
    case 1: return SelectByRange(Self, parameters);
    case 2: return SelectByEntry(Self, parameters);
    default: throw ESelectiveAccess("Illegal selector");
  }
}

int FindCaptureObject(const TCOSEMInstance& Self, const TData& RestrictingObject) {
  const TSequenceOf& r = TDataHelper::AsStructure(RestrictingObject);
  const uint16_t classId = TDataHelper::Unsigned16Value(Element(r, 0));
  const PduStr& logicalName = TDataHelper::OctetStringValue(Element(r, 1));
  const int8_t attributeIndex = TDataHelper::Integer8Value(Element(r, 2));
  const uint16_t dataIndex = TDataHelper::Unsigned16Value(Element(r, 3));
  const TSequenceOf& captureObjects = CaptureObjects(ProfileGeneric(Self));
  for (int i = 0; i < captureObjects.ElementCount(); ++i) {
    const auto& c = captureObjects.Elements(i)->As<TSequence>();
    if (c.Get<TNumber>(CaptureObject::ClassId).AsUInt64() == classId &&
        c.Get<TOctetString>(CaptureObject::LogicalName).Value == logicalName &&
        c.Get<TNumber>(CaptureObject::AttributeIndex).AsInt64() == attributeIndex &&
        c.Get<TNumber>(CaptureObject::DataIndex).AsUInt64() == dataIndex)
      return i;
  }
  return -1;
}

void AddCapturePeriod(const TCOSEMInstance& Self, TData& Value) {
  const uint64_t period = ProfileGeneric(Self).Get<TNumber>(kCapturePeriod).AsUInt64();
  PduStr& octets = TDataHelper::AsOctetString(Value).Value;
  TDateTimeRecord r;
  COSEMDateTimeToRecord(octets, r);
  r.Advance(static_cast<int64_t>(period));
  octets = r.COSEMDateTime();
}

std::unique_ptr<TData> SelectByRange(const TCOSEMInstance& Self, const TSequenceOf& Parameters) {
  ProfileGeneric(Self);
  const TData& restricting = Element(Parameters, 0);
  const TData& from = Element(Parameters, 1);
  const TData& to = Element(Parameters, 2);
  const TData& selectedValues = Element(Parameters, 3);

  TDataHelper::CheckType(restricting, kRestrictingObjectTemplate, "Illegal restricting object");
  const TSequenceOf& r = TDataHelper::AsStructure(restricting);
  // The clock's time column is compared as date-times and moved on by the capture period
  // where an entry leaves it out.
  const bool clockTime =
      TDataHelper::Unsigned16Value(Element(r, 0)) == 8 && TDataHelper::Integer8Value(Element(r, 2)) == 2;
  const int column = FindCaptureObject(Self, restricting);
  if (column < 0) throw ESelectiveAccess("Restricting object not in capture objects");
  if (from.Tag != to.Tag) throw ESelectiveAccess("From_Value and To_Value have different types");
  TDataHelper::CheckType(selectedValues, kSelectedValuesTemplate, "Illegal selected values");

  std::bitset<kMaxColumns> columnSet;
  const TSequenceOf& selected = TDataHelper::AsArray(selectedValues);
  if (selected.ElementCount() == 0) {
    columnSet.set();
  } else {
    for (int i = 0; i < selected.ElementCount(); ++i) {
      const int c = FindCaptureObject(Self, Element(selected, i));
      if (c >= 0 && static_cast<size_t>(c) < kMaxColumns) columnSet.set(static_cast<size_t>(c));
    }
  }

  const TSequenceOf& entries = TDataHelper::AsArray(Buffer(Self));
  const int columns = CaptureObjects(Self).ElementCount();
  const int copiedColumns = std::min(columns, static_cast<int>(kMaxColumns));
  auto result = NewArray();
  TSequenceOf& out = TDataHelper::AsArray(*result);

  // V: the restricting value of the current entry; an entry without one (null-data) keeps
  // the previous entry's, moved on by the capture period for the clock's time.
  const TData* v = nullptr;
  std::unique_ptr<TData> advanced;
  for (int i = 0; i < entries.ElementCount(); ++i) {
    const TSequenceOf& entry = Entry(entries, i, columns);
    const TData& value = Element(entry, column);
    if (!IsNullData(value)) {
      v = &value;
      advanced.reset();
    } else {
      if (!v) throw ESelectiveAccess("First restrictive value cannot be null-data");
      if (clockTime) {
        if (!advanced) {
          PduPtr copy = v->Clone();
          advanced.reset(static_cast<TData*>(copy.release()));
          v = advanced.get();
        }
        AddCapturePeriod(Self, *advanced);
      }
    }
    const bool inRange =
        clockTime ? CompareCOSEMDateTime(from, *v) <= 0 && CompareCOSEMDateTime(*v, to) <= 0
                  : Alternative(from).CompareTo(Alternative(*v)) >= 0 && Alternative(to).CompareTo(Alternative(*v)) <= 0;
    if (!inRange) continue;
    auto s = NewStructure();
    TSequenceOf& copy = TDataHelper::AsStructure(*s);
    for (int c = 0; c < copiedColumns; ++c)
      if (columnSet.test(static_cast<size_t>(c))) copy.Add(entry.FElements[static_cast<size_t>(c)]->Clone());
    out.Add(std::move(s));
  }
  return result;
}

std::unique_ptr<TData> SelectByEntry(const TCOSEMInstance& Self, const TSequenceOf& Parameters) {
  ProfileGeneric(Self);
  const TData& fromEntryData = Element(Parameters, 0);
  const TData& toEntryData = Element(Parameters, 1);
  const TData& fromValueData = Element(Parameters, 2);
  const TData& toValueData = Element(Parameters, 3);
  TDataHelper::CheckType(fromEntryData, kEntryTemplate, "Illegal \"from entry\"");
  TDataHelper::CheckType(toEntryData, kEntryTemplate, "Illegal \"to entry\"");
  TDataHelper::CheckType(fromValueData, kSelectedValueTemplate, "Illegal \"from selected value\"");
  TDataHelper::CheckType(toValueData, kSelectedValueTemplate, "Illegal \"to selected value\"");

  const TSequenceOf& entries = TDataHelper::AsArray(Buffer(Self));
  const int columns = CaptureObjects(Self).ElementCount();
  const uint64_t entryCount = static_cast<uint64_t>(entries.ElementCount());
  const uint64_t fromEntry = TDataHelper::Unsigned32Value(fromEntryData);
  const uint64_t toEntry = TDataHelper::Unsigned32Value(toEntryData);
  const int fromValue = TDataHelper::Unsigned16Value(fromValueData);
  const int toValue = TDataHelper::Unsigned16Value(toValueData);
  // Positions are 1-based: 0 names nothing. Positions past the end are cut to the buffer,
  // so that a client asking for more than there is gets what there is.
  if (fromEntry == 0) throw ESelectiveAccessRange("Illegal \"from entry\"");
  if (fromValue == 0) throw ESelectiveAccessRange("Illegal \"from selected value\"");
  const uint64_t lastEntry = toEntry == 0 ? entryCount : std::min(toEntry, entryCount);
  const int lastValue = toValue == 0 ? columns : std::min(toValue, columns);

  auto result = NewArray();
  TSequenceOf& out = TDataHelper::AsArray(*result);
  if (fromEntry > lastEntry) return result;
  out.FElements.reserve(static_cast<size_t>(lastEntry - fromEntry + 1));
  for (uint64_t n = fromEntry; n <= lastEntry; ++n) {
    const TSequenceOf& entry = Entry(entries, static_cast<int>(n - 1), columns);
    auto s = NewStructure();
    TSequenceOf& copy = TDataHelper::AsStructure(*s);
    for (int c = fromValue; c <= lastValue; ++c) copy.Add(entry.FElements[static_cast<size_t>(c - 1)]->Clone());
    out.Add(std::move(s));
  }
  return result;
}

}  // namespace TProfileGenericObjectHelper

TCOSEMInstance::TSelectiveAccessFunc MakeProfileGenericSelectiveAccessHook(TCOSEMInstance& Object) {
  const TCOSEMInstance* self = &ProfileGeneric(Object);
  return [self](int attributeId, int selector, const TData* parameter) {
    return TProfileGenericObjectHelper::SelectiveAccess(*self, attributeId, selector, parameter);
  };
}

}  // namespace zv

// Selective access to a profile generic buffer through the hook the server binds: range
// selection on the clock's time and on other columns (null-data entries carry the previous
// value on), entry selection by position, the checks with their messages, and positions
// outside the buffer.
#include "server/profile_generic_access.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "cosem/basic_classes.h"
#include "foundation/data_helper.h"
#include "support/error_of.h"

using namespace zv;
using zv::test::ErrorOf;

namespace {

std::string X(const PduStr& s) { return ByteStrToHexStr(s); }

// ---- Buffer cells in the XML form -------------------------------------------------------

// A COSEM date-time with hundredths 0, deviation not specified and status 0.
std::string DT(int year, int month, int day, int hour, int minute) {
  return Format("<OctetString Value=\"%04X%02X%02XFF%02X%02X0000800000\"/>", year, month, day, hour, minute);
}
std::string T(int hour, int minute) { return DT(2026, 12, 10, hour, minute); }
std::string U16(int v) { return Format("<LongUnsigned Value=\"%04X\"/>", v); }
std::string U8(int v) { return Format("<Unsigned Value=\"%02X\"/>", v); }
const std::string N = "<NullData/>";

std::string Row(const std::string& cells) { return "<Structure Qty=\"AUTO\">" + cells + "</Structure>"; }

std::string Capture(int classId, const char* logicalName, int attribute) {
  return Format("<_CaptureObject><ClassId Value=\"%04X\"/><LogicalName Value=\"%s\"/><AttributeIndex Value=\"%02X\"/>"
                "<DataIndex Value=\"0000\"/></_CaptureObject>",
                classId, logicalName, attribute);
}
const char kClockLN[] = "0000010000FF";
const char kEnergyLN[] = "0100010800FF";
const char kStatusLN[] = "0000600A01FF";

// A profile of clock time, energy (long-unsigned) and status (unsigned), period 15 minutes.
PduPtr Profile(const std::string& rows, int period = 900) {
  const std::string xml =
      "<ProfileGenericObject><Name Value=\"0100630100FF\"/><Buffer><Array Qty=\"AUTO\">" + rows +
      "</Array></Buffer><CaptureObjects Qty=\"AUTO\">" + Capture(8, kClockLN, 2) + Capture(3, kEnergyLN, 2) +
      Capture(1, kStatusLN, 2) + "</CaptureObjects>" + Format("<CapturePeriod Value=\"%08X\"/>", period) +
      "<SortMethod Value=\"SortFifo\"/><SortObject><ClassId Value=\"0000\"/><LogicalName Value=\"\"/>"
      "<AttributeIndex Value=\"00\"/><DataIndex Value=\"0000\"/></SortObject><EntriesInUse Value=\"00000000\"/>"
      "<ProfileEntries Value=\"00000000\"/></ProfileGenericObject>";
  PduPtr p = MakeAnyFromXml(xmlProfileGenericObject, T_ProfileGenericObject, xml);
  auto& object = p->As<TCOSEMInstance>();
  object.SelectiveAccessFunc = MakeProfileGenericSelectiveAccessHook(object);
  return p;
}

// 04:00 100 1 / (null) 200 2 / 04:30 (null) 3 / 04:45 400 4
const std::string kRows = Row(T(4, 0) + U16(100) + U8(1)) + Row(N + U16(200) + U8(2)) + Row(T(4, 30) + N + U8(3)) +
                          Row(T(4, 45) + U16(400) + U8(4));

// ---- Parameters ---------------------------------------------------------------------------

std::string RO(int classId, const char* logicalName, int attribute) {
  return Format("<Structure Qty=\"04\"><LongUnsigned Value=\"%04X\"/><OctetString Value=\"%s\"/>"
                "<Integer Value=\"%02X\"/><LongUnsigned Value=\"0000\"/></Structure>",
                classId, logicalName, attribute);
}
const std::string kClock = RO(8, kClockLN, 2), kEnergy = RO(3, kEnergyLN, 2), kStatus = RO(1, kStatusLN, 2);

std::string Selected(const std::string& objects) { return "<Array Qty=\"AUTO\">" + objects + "</Array>"; }

std::unique_ptr<TData> Range(const std::string& restricting, const std::string& from, const std::string& to,
                             const std::string& selected = Selected("")) {
  return TDataHelper::MakeFromXml("<Data><Structure Qty=\"04\">" + restricting + from + to + selected +
                                  "</Structure></Data>");
}

std::unique_ptr<TData> Entry(uint32_t fromEntry, uint32_t toEntry, int fromValue, int toValue) {
  return TDataHelper::MakeFromXml(Format("<Data><Structure Qty=\"04\"><DoubleLongUnsigned Value=\"%08X\"/>"
                                         "<DoubleLongUnsigned Value=\"%08X\"/><LongUnsigned Value=\"%04X\"/>"
                                         "<LongUnsigned Value=\"%04X\"/></Structure></Data>",
                                         fromEntry, toEntry, fromValue, toValue));
}

// "(04:00,100,1)(-,200,2)": a time as hh:mm, null-data as "-", numbers in decimal.
std::string Render(const TData& result) {
  std::string out;
  const TSequenceOf& entries = TDataHelper::AsArray(result);
  for (int i = 0; i < entries.ElementCount(); ++i) {
    out += "(";
    const TSequenceOf& cells = TDataHelper::AsStructure(*GetDataElement(entries, i));
    for (int c = 0; c < cells.ElementCount(); ++c) {
      const TData& cell = *GetDataElement(cells, c);
      if (c) out += ",";
      if (cell.Value->IsA(T_NullData)) {
        out += "-";
      } else if (cell.Value->IsA(T_OctetString)) {
        const PduStr& o = TDataHelper::OctetStringValue(cell);
        out += Format("%02d:%02d", static_cast<uint8_t>(o[5]), static_cast<uint8_t>(o[6]));
      } else {
        out += std::to_string(cell.Value->As<TNumber>().AsInt64());
      }
    }
    out += ")";
  }
  return out;
}

std::string Select(const PduPtr& profile, int selector, const std::unique_ptr<TData>& parameter, int attribute = 2) {
  auto result = profile->As<TCOSEMInstance>().SelectiveAccess(attribute, selector, parameter.get());
  EXPECT_NE(result, nullptr);
  return result ? Render(*result) : "<null>";
}

}  // namespace

TEST(ProfileGenericAccess, RangeSelection) {
  struct Case {
    const char* name;
    std::unique_ptr<TData> parameter;
    const char* expected;
  };
  Case cases[] = {
      // The second entry has no time: the first's plus the capture period, 04:15, is in range.
      {"clock 04:00 to 04:15", Range(kClock, T(4, 0), T(4, 15)), "(04:00,100,1)(-,200,2)"},
      {"clock 04:10 to 04:20", Range(kClock, T(4, 10), T(4, 20)), "(-,200,2)"},
      {"clock bounds included", Range(kClock, T(4, 30), T(4, 45)), "(04:30,-,3)(04:45,400,4)"},
      // Seconds count, hundredths, deviation and status do not.
      {"clock to 04:44:59", Range(kClock, T(4, 30), "<OctetString Value=\"07EA0C0AFF042C3B63000080\"/>"),
       "(04:30,-,3)"},
      {"clock after the buffer", Range(kClock, T(5, 0), T(6, 0)), ""},
      // An entry without an energy value compares with the previous entry's.
      {"energy 150 to 250", Range(kEnergy, U16(150), U16(250)), "(-,200,2)(04:30,-,3)"},
      {"energy 0 to 65535", Range(kEnergy, U16(0), U16(65535)), "(04:00,100,1)(-,200,2)(04:30,-,3)(04:45,400,4)"},
      {"from above to", Range(kEnergy, U16(300), U16(100)), ""},
      // Selected columns come in capture order, whatever order the client lists them in.
      {"status and clock columns", Range(kEnergy, U16(0), U16(1000), Selected(kStatus + kClock)),
       "(04:00,1)(-,2)(04:30,3)(04:45,4)"},
      {"an unknown selected value is skipped",
       Range(kStatus, U8(2), U8(3), Selected(RO(3, "0100020800FF", 2) + kEnergy)), "(200)(-)"},
      {"no selected value matches", Range(kStatus, U8(4), U8(4), Selected(RO(4, kEnergyLN, 2))), "()"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PduPtr profile = Profile(kRows);
    const std::string before = profile->ToXMLString();
    EXPECT_EQ(Select(profile, 1, c.parameter), c.expected);
    // The buffer is only read: the clock value carried on is a copy.
    EXPECT_EQ(profile->ToXMLString(), before);
  }
}

TEST(ProfileGenericAccess, RangeOnDateTimesAcrossMidnightAndYearEnd) {
  // 23:45, then three entries without time: 00:00, 00:15 and 00:30 of the next year.
  PduPtr profile = Profile(Row(DT(2026, 12, 31, 23, 45) + U16(1) + U8(0)) + Row(N + U16(2) + U8(0)) +
                           Row(N + U16(3) + U8(0)) + Row(N + U16(4) + U8(0)));
  const std::string energy = Selected(kEnergy);
  EXPECT_EQ(Select(profile, 1, Range(kClock, DT(2027, 1, 1, 0, 0), DT(2027, 1, 1, 0, 15), energy)), "(2)(3)");
  EXPECT_EQ(Select(profile, 1, Range(kClock, DT(2026, 12, 31, 0, 0), DT(2026, 12, 31, 23, 59), energy)), "(1)");
  EXPECT_EQ(Select(profile, 1, Range(kClock, DT(2027, 1, 1, 0, 30), DT(2099, 1, 1, 0, 0), energy)), "(4)");
  // A day-long capture period moves the date by days.
  PduPtr daily = Profile(Row(DT(2024, 2, 28, 0, 0) + U16(1) + U8(0)) + Row(N + U16(2) + U8(0)) +
                             Row(N + U16(3) + U8(0)),
                         86400);
  EXPECT_EQ(Select(daily, 1, Range(kClock, DT(2024, 2, 29, 0, 0), DT(2024, 2, 29, 0, 0), energy)), "(2)");
  EXPECT_EQ(Select(daily, 1, Range(kClock, DT(2024, 3, 1, 0, 0), DT(2024, 3, 1, 0, 0), energy)), "(3)");
}

TEST(ProfileGenericAccess, EntrySelection) {
  struct Case {
    uint32_t fromEntry, toEntry;
    int fromValue, toValue;
    const char* expected;
  };
  const Case cases[] = {
      {1, 0, 1, 0, "(04:00,100,1)(-,200,2)(04:30,-,3)(04:45,400,4)"},
      {2, 2, 2, 2, "(200)"},
      {2, 3, 1, 2, "(-,200)(04:30,-)"},
      {3, 0, 3, 0, "(3)(4)"},
      {4, 4, 1, 3, "(04:45,400,4)"},
      // Positions past the end are cut to the buffer.
      {3, 99, 1, 1, "(04:30)(04:45)"},
      {4, 0xFFFFFFFF, 2, 9, "(400,4)"},
      {1, 1, 3, 0xFFFF, "(1)"},
      // Nothing left to select.
      {5, 0, 1, 0, ""},
      {0xFFFFFFFF, 0xFFFFFFFF, 1, 0, ""},
      {3, 2, 1, 0, ""},
      {1, 2, 4, 0, "()()"},
      {1, 1, 3, 2, "()"},
  };
  PduPtr profile = Profile(kRows);
  for (const Case& c : cases) {
    SCOPED_TRACE(Format("%u %u %d %d", c.fromEntry, c.toEntry, c.fromValue, c.toValue));
    EXPECT_EQ(Select(profile, 2, Entry(c.fromEntry, c.toEntry, c.fromValue, c.toValue)), c.expected);
  }
  // The result is a Data array of structures with copies of the elements.
  auto result = profile->As<TCOSEMInstance>().SelectiveAccess(2, 2, Entry(2, 2, 2, 2).get());
  EXPECT_EQ(X(result->EncodeData()), "0101020112" "00C8");
  EXPECT_EQ(result->Value->XMLId, xmlArray);
  // An empty buffer gives an empty array.
  EXPECT_EQ(Select(Profile(""), 2, Entry(1, 0, 1, 0)), "");
}

TEST(ProfileGenericAccess, RefusalsAndTheirMessages) {
  struct Case {
    const char* name;
    std::string rows;
    int attribute, selector;
    std::function<std::unique_ptr<TData>()> parameter;
    const char* message;
    bool selectiveAccessError;  // ESelectiveAccess, else the common type-check error
  };
  const std::string bad = Row(T(4, 0) + U16(1) + U8(1)) + "<Unsigned Value=\"01\"/>" + Row(T(4, 30) + U16(3));
  const Case cases[] = {
      {"attribute 3", kRows, 3, 1, [] { return Range(kClock, T(4, 0), T(5, 0)); },
       "Selective access requires attribute 2", true},
      {"no parameter", kRows, 2, 1, [] { return std::unique_ptr<TData>(); }, "Parameter is not strucure of 4", true},
      {"structure of three", kRows, 2, 2,
       [] { return TDataHelper::MakeFromXml("<Data><Structure Qty=\"3\">" + U8(1) + U8(1) + U8(1) + "</Structure></Data>"); },
       "Parameter is not strucure of 4", true},
      {"buffer not an array", "", 2, 2, [] { return Entry(1, 0, 1, 0); }, "Buffer is not an array", true},
      {"selector 3", kRows, 2, 3, [] { return Entry(1, 0, 1, 0); }, "Illegal selector", true},
      {"selector 0", kRows, 2, 0, [] { return Entry(1, 0, 1, 0); }, "Illegal selector", true},
      // Range descriptor.
      {"restricting object with an unsigned class id", kRows, 2, 1,
       [] {
         return Range("<Structure Qty=\"04\">" + U8(8) + "<OctetString Value=\"0000010000FF\"/><Integer Value=\"02\"/>" +
                          U16(0) + "</Structure>",
                      T(4, 0), T(5, 0));
       },
       "Illegal restricting object", false},
      {"restricting object not captured", kRows, 2, 1, [] { return Range(RO(3, "0100020800FF", 2), U16(0), U16(9)); },
       "Restricting object not in capture objects", true},
      {"restricting object of another attribute", kRows, 2, 1, [] { return Range(RO(8, kClockLN, 3), T(4, 0), T(5, 0)); },
       "Restricting object not in capture objects", true},
      {"from and to of different types", kRows, 2, 1,
       [] { return Range(kClock, T(4, 0), "<DoubleLongUnsigned Value=\"00000001\"/>"); },
       "From_Value and To_Value have different types", true},
      {"selected values of three members", kRows, 2, 1,
       [] {
         return Range(kClock, T(4, 0), T(5, 0),
                      Selected("<Structure Qty=\"03\">" + U16(8) + "<OctetString Value=\"00\"/><Integer Value=\"02\"/></Structure>"));
       },
       "Illegal selected values", false},
      {"selected values not an array", kRows, 2, 1, [] { return Range(kClock, T(4, 0), T(5, 0), kClock); },
       "Illegal selected values", false},
      {"first value null", Row(T(4, 0) + N + U8(1)) + Row(T(4, 15) + U16(2) + U8(1)), 2, 1,
       [] { return Range(kEnergy, U16(0), U16(9)); }, "First restrictive value cannot be null-data", true},
      {"first time null", Row(N + U16(1) + U8(1)), 2, 1, [] { return Range(kClock, T(4, 0), T(5, 0)); },
       "First restrictive value cannot be null-data", true},
      {"entry not a structure", bad, 2, 1, [] { return Range(kStatus, U8(0), U8(9)); },
       "Buffer element 1 is not a structure", true},
      {"entry of two members", Row(T(4, 0) + U16(1) + U8(1)) + Row(T(4, 15) + U16(1) + U8(1)) + Row(T(4, 30) + U16(3)),
       2, 1, [] { return Range(kStatus, U8(0), U8(9)); }, "Buffer element 2 does not have the expected number of members",
       true},
      {"bounds of another type than the column", kRows, 2, 1,
       [] { return Range(kEnergy, "<DoubleLongUnsigned Value=\"00000000\"/>", "<DoubleLongUnsigned Value=\"000000FF\"/>"); },
       "T_Unsigned32.CompareTo illegal type", false},
      {"clock bounds that are not date-times", kRows, 2, 1,
       [] { return Range(kClock, "<OctetString Value=\"07EA0C0A\"/>", T(5, 0)); }, "Illegal COSEM date time ()", false},
      // Entry descriptor.
      {"from entry long-unsigned", kRows, 2, 2,
       [] { return TDataHelper::MakeFromXml("<Data><Structure Qty=\"04\">" + U16(1) + U16(0) + U16(1) + U16(0) + "</Structure></Data>"); },
       "Illegal \"from entry\"", false},
      {"to entry unsigned", kRows, 2, 2,
       [] {
         return TDataHelper::MakeFromXml("<Data><Structure Qty=\"04\"><DoubleLongUnsigned Value=\"00000001\"/>" + U8(0) +
                                         U16(1) + U16(0) + "</Structure></Data>");
       },
       "Illegal \"to entry\"", false},
      {"from selected value unsigned", kRows, 2, 2,
       [] {
         return TDataHelper::MakeFromXml("<Data><Structure Qty=\"04\"><DoubleLongUnsigned Value=\"00000001\"/>"
                                         "<DoubleLongUnsigned Value=\"00000000\"/>" + U8(1) + U16(0) + "</Structure></Data>");
       },
       "Illegal \"from selected value\"", false},
      {"to selected value null", kRows, 2, 2,
       [] {
         return TDataHelper::MakeFromXml("<Data><Structure Qty=\"04\"><DoubleLongUnsigned Value=\"00000001\"/>"
                                         "<DoubleLongUnsigned Value=\"00000000\"/>" + U16(1) + N + "</Structure></Data>");
       },
       "Illegal \"to selected value\"", false},
      // Entries and columns count from 1: position 0 names nothing.
      {"from entry 0", kRows, 2, 2, [] { return Entry(0, 2, 1, 0); }, "Illegal \"from entry\"", true},
      {"from selected value 0", kRows, 2, 2, [] { return Entry(1, 2, 0, 2); }, "Illegal \"from selected value\"", true},
      {"malformed entry within the range", bad, 2, 2, [] { return Entry(1, 2, 1, 0); },
       "Buffer element 1 is not a structure", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PduPtr profile = Profile(c.rows);
    if (c.rows.empty()) profile->As<TSequence>().Members[1] = TDataHelper::MakeFromXml("<Data>" + N + "</Data>");
    auto parameter = c.parameter();
    try {
      profile->As<TCOSEMInstance>().SelectiveAccess(c.attribute, c.selector, parameter.get());
      ADD_FAILURE() << "no error";
    } catch (const ESelectiveAccess& e) {
      EXPECT_TRUE(c.selectiveAccessError);
      EXPECT_EQ(e.Message(), c.message);
    } catch (const Exception& e) {
      EXPECT_FALSE(c.selectiveAccessError) << e.ClassName();
      EXPECT_EQ(e.Message(), c.message);
    }
  }
  // Malformed entries outside the selected ones are not looked at.
  EXPECT_EQ(Select(Profile(bad), 2, Entry(1, 1, 1, 0)), "(04:00,1,1)");
}

TEST(ProfileGenericAccess, TheHookBelongsToProfileGenericObjects) {
  PduPtr register_ = Create(T_RegisterObject, xml_RegisterObject);
  EXPECT_THROW(MakeProfileGenericSelectiveAccessHook(register_->As<TCOSEMInstance>()), EAssertionFailed);
  PduPtr profile = Profile(kRows);
  EXPECT_TRUE(profile->As<TCOSEMInstance>().SelectiveAccessImplemented());
  // The helper finds capture objects by all four fields.
  const auto& p = profile->As<TCOSEMInstance>();
  EXPECT_EQ(TProfileGenericObjectHelper::FindCaptureObject(p, *TDataHelper::MakeFromXml("<Data>" + kStatus + "</Data>")), 2);
  EXPECT_EQ(TProfileGenericObjectHelper::FindCaptureObject(
                p, *TDataHelper::MakeFromXml("<Data><Structure Qty=\"04\">" + U16(1) +
                                             "<OctetString Value=\"0000600A01FF\"/><Integer Value=\"02\"/>" + U16(1) +
                                             "</Structure></Data>")),
            -1);
  auto time = TDataHelper::MakeFromXml("<Data>" + DT(2026, 12, 31, 23, 50) + "</Data>");
  TProfileGenericObjectHelper::AddCapturePeriod(p, *time);
  EXPECT_EQ(X(TDataHelper::OctetStringValue(*time)), "07EB010105000500008000FF");
}

// A large profile: every entry but the first leaves the time out, so each one carries the
// clock on; selected columns of a range and an entry read in the middle.
TEST(ProfileGenericAccess, TenThousandEntries) {
  std::string rows = Row(T(0, 0) + U16(0) + U8(0));
  for (int i = 1; i < 10000; ++i) rows += Row(N + U16(i % 65536) + U8(i % 256));
  PduPtr profile = Profile(rows, 60);
  // Entry 6001 is 100 hours (4 days 04:00) after the first.
  auto range = Range(kClock, DT(2026, 12, 14, 4, 0), DT(2026, 12, 14, 4, 59), Selected(kEnergy));
  auto result = profile->As<TCOSEMInstance>().SelectiveAccess(2, 1, range.get());
  const TSequenceOf& selected = TDataHelper::AsArray(*result);
  ASSERT_EQ(selected.ElementCount(), 60);
  // Energy 6000 to 6059, the only selected column.
  EXPECT_EQ(X(GetDataElement(selected, 0)->EncodeData()), "0201121770");
  EXPECT_EQ(X(GetDataElement(selected, 59)->EncodeData()), "02011217AB");
  auto entries = profile->As<TCOSEMInstance>().SelectiveAccess(2, 2, Entry(2, 0, 2, 3).get());
  ASSERT_EQ(TDataHelper::AsArray(*entries).ElementCount(), 9999);
  EXPECT_EQ(X(GetDataElement(TDataHelper::AsArray(*entries), 9998)->EncodeData()), "020212270F110F");
}

// Activity calendar: an active and a passive calendar of seasons, week profiles and day
// profiles. The tables are kept as given; nothing relates them or switches calendars.
#include "cosem/meter_classes.h"

namespace zv {

namespace {

constexpr MemberInfo kSeason[] = {
    Mem(xmlSeasonProfileName, T_OctetString),
    Mem(xmlSeasonStart, T_OctetString),
    Mem(xmlWeekName, T_OctetString),
};
constexpr MemberInfo kWeekProfile[] = {
    Mem(xmlWeekProfileName, T_OctetString),
    Mem(xmlMonday, T_Unsigned8),
    Mem(xmlTuesday, T_Unsigned8),
    Mem(xmlWednesday, T_Unsigned8),
    Mem(xmlThursday, T_Unsigned8),
    Mem(xmlFriday, T_Unsigned8),
    Mem(xmlSaturday, T_Unsigned8),
    Mem(xmlSunday, T_Unsigned8),
};
constexpr MemberInfo kDayProfileAction[] = {
    Mem(xmlStartTime, T_OctetString),
    Mem(xmlScriptLogicalName, T_OctetString),
    Mem(xmlScriptSelector, T_Unsigned16),
};
constexpr MemberInfo kDayProfile[] = {
    Mem(xmlDayId, T_Unsigned8),
    Mem(xmlDaySchedule, T_DayProfileActions),
};
constexpr MemberInfo kActivityCalendar[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlCalendarNameActive, T_OctetString),
    Mem(xmlSeasonProfileActive, T_SeasonProfile),
    Mem(xmlWeekProfileTableActive, T_WeekProfileTable),
    Mem(xmlDayProfileTableActive, T_DayProfileTable),
    Mem(xmlCalendarNamePassive, T_OctetString),
    Mem(xmlSeasonProfilePassive, T_SeasonProfile),
    Mem(xmlWeekProfileTablePassive, T_WeekProfileTable),
    Mem(xmlDayProfileTablePassive, T_DayProfileTable),
    Mem(xmlActivatePassiveCalendarTime, T_OctetString),
};

}  // namespace

constinit const TypeInfo T_Season = SequenceType("T_Season", xml_Season, kSeason);
constinit const TypeInfo T_SeasonProfile = SequenceOfType("T_SeasonProfile", xml_SeasonProfile, T_Season, xml_Season);
constinit const TypeInfo T_WeekProfile = SequenceType("T_WeekProfile", xml_WeekProfile, kWeekProfile);
constinit const TypeInfo T_WeekProfileTable =
    SequenceOfType("T_WeekProfileTable", xml_WeekProfileTable, T_WeekProfile, xml_WeekProfile);
constinit const TypeInfo T_DayProfileAction =
    SequenceType("T_DayProfileAction", xml_DayProfileAction, kDayProfileAction);
constinit const TypeInfo T_DayProfileActions =
    SequenceOfType("T_DayProfileActions", xml_DayProfileActions, T_DayProfileAction, xml_DayProfileAction);
constinit const TypeInfo T_DayProfile = SequenceType("T_DayProfile", xml_DayProfile, kDayProfile);
constinit const TypeInfo T_DayProfileTable =
    SequenceOfType("T_DayProfileTable", xml_DayProfileTable, T_DayProfile, xml_DayProfile);
constinit const TypeInfo T_ActivityCalendarObject =
    InterfaceClassType("T_ActivityCalendarObject", xml_ActivityCalendarObject, kActivityCalendar, 20, 0);

}  // namespace zv

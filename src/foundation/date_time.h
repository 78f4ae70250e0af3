// Local date-times: the day-count value, a record of six numbers, the 12-octet COSEM
// date-time and the texts of the log.
#pragma once
#include <cstdint>
#include <string>

#include "foundation/misc.h"

namespace zv {

// Days since 1899-12-30 00:00 local time; the time of day is the fraction.
using TDateTime = double;

// Raises EConvertError for a date or time that does not exist.
TDateTime EncodeDateTime(int Year, int Month, int Day, int Hour, int Min, int Sec, int MSec = 0);
// The local time now.
TDateTime NowDateTime();
// 1 = Monday .. 7 = Sunday.
int DayOfTheWeek(TDateTime DateTime);

struct TDateTimeRecord {
  uint16_t Year = 0, Month = 0, Day = 0, Hour = 0, Min = 0, Sec = 0;

  static TDateTimeRecord GetDateTimeRecord(uint16_t Year, uint16_t Month, uint16_t Day, uint16_t Hour,
                                           uint16_t Min, uint16_t Sec);
  // -1 when this record is earlier, 1 when later, 0 when equal (field by field).
  int Compare(const TDateTimeRecord& X) const;
  // Moves by Seconds (negative moves back); months, years and leap days roll over.
  void Adjust(int64_t Seconds);
  void Advance(int64_t Seconds) { Adjust(Seconds); }
  void Delay(int64_t Seconds) { Adjust(-Seconds); }
  TDateTime DateTime() const;
  PduStr COSEMDateTime() const;
  std::string FriendlyDateTime() const;      // 07-Jan-2018 12:34:56
  std::string ConcentratorDateTime() const;  // 07/01/2018 12:34:56
  void PlusOneMonth();
  void MinusOneMonth();
  void PlusOneDay();   // only below day 28: "Wrong assertion (1126)" otherwise
  void PlusOneHour();  // only below hour 23
  int SecondsElapsedInDay() const { return Hour * 3600 + Min * 60 + Sec; }

  bool operator==(const TDateTimeRecord&) const = default;
};

// The 12 octets written for DateTime: no hundredths, deviation not specified, status 0xFF.
PduStr DateTimeToCOSEMDateTime(TDateTime DateTime);
// Reads year, month, day, hour, minute and second; fewer than 8 octets raise
// "Illegal COSEM date time ()".
void COSEMDateTimeToRecord(const PduStr& S, TDateTimeRecord& Rec);
// The date and time parts, to the nearest millisecond, milliseconds dropped.
void DateTimeToRecord(TDateTimeRecord& Rec, TDateTime DateTime);
// -1, 0 or 1 as TDateTimeRecord::Compare; both must be 12 octets, else
// "Illegal COSEM date time (%s)".
int CompareCOSEMDateTimeOctets(const PduStr& A, const PduStr& B);
// The same for two Data values that must hold octet strings of 12 octets.
class TChoice;
int CompareCOSEMDateTime(const TChoice& Data1, const TChoice& Data2);

// "07-Jan-2018 12:34:56".
std::string FormatSessionDateTime(TDateTime DateTime);
// The whole seconds from T0 to T1: "1h 02m 05s", or "01m 05s" below an hour.
std::string FormatDuration(TDateTime T1, TDateTime T0);

}  // namespace zv

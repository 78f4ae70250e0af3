#include "foundation/date_time.h"

#include "foundation/data_helper.h"

#include <cmath>
#include <ctime>

#include "foundation/errors.h"

namespace zv {

namespace {

constexpr int64_t kMsPerDay = 86400000;
// Days from 1970-01-01 to the day count's origin 1899-12-30.
constexpr int64_t kUnixEpochDays = 25569;

const char* const kShortMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  int64_t era = FloorDiv(y, 400);
  int64_t yoe = y - era * 400;
  int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, int& m, int& d) {
  z += 719468;
  int64_t era = FloorDiv(z, 146097);
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = yoe + era * 400 + (m <= 2);
}

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeapYear(y) ? 29 : days[m - 1];
}

// Milliseconds since the origin 1899-12-30 00:00 of a checked date-time.
int64_t EncodeMs(int Year, int Month, int Day, int Hour, int Min, int Sec, int MSec) {
  if (Year < 1 || Year > 9999 || Month < 1 || Month > 12 || Day < 1 || Day > DaysInMonth(Year, Month) ||
      Hour < 0 || Hour > 23 || Min < 0 || Min > 59 || Sec < 0 || Sec > 59 || MSec < 0 || MSec > 999)
    throw EConvertError(Format("Invalid date-time %d-%d-%d %d:%d:%d", Year, Month, Day, Hour, Min, Sec));
  int64_t days = DaysFromCivil(Year, Month, Day) + kUnixEpochDays;
  return days * kMsPerDay + ((Hour * 60 + Min) * 60 + Sec) * 1000LL + MSec;
}

void DecodeMs(int64_t ms, TDateTimeRecord& Rec) {
  int64_t days = FloorDiv(ms, kMsPerDay);
  int64_t inDay = ms - days * kMsPerDay;
  int64_t y;
  int m, d;
  CivilFromDays(days - kUnixEpochDays, y, m, d);
  Rec.Year = static_cast<uint16_t>(y);
  Rec.Month = static_cast<uint16_t>(m);
  Rec.Day = static_cast<uint16_t>(d);
  Rec.Hour = static_cast<uint16_t>(inDay / 3600000);
  Rec.Min = static_cast<uint16_t>(inDay / 60000 % 60);
  Rec.Sec = static_cast<uint16_t>(inDay / 1000 % 60);
}

int64_t ToMs(TDateTime DateTime) { return std::llround(DateTime * kMsPerDay); }

std::string FormatRecord(const char* fmt, const TDateTimeRecord& r, const std::string& month) {
  return Format(fmt, IntToStr2(r.Day).c_str(), month.c_str(), r.Year, IntToStr2(r.Hour).c_str(),
                IntToStr2(r.Min).c_str(), IntToStr2(r.Sec).c_str());
}

std::string ShortMonthName(int Month) {
  return Month >= 1 && Month <= 12 ? kShortMonthNames[Month - 1] : std::to_string(Month);
}

}  // namespace

TDateTime EncodeDateTime(int Year, int Month, int Day, int Hour, int Min, int Sec, int MSec) {
  return static_cast<double>(EncodeMs(Year, Month, Day, Hour, Min, Sec, MSec)) / kMsPerDay;
}

TDateTime NowDateTime() {
  timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  tm local;
  localtime_r(&ts.tv_sec, &local);
  return EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                        local.tm_sec > 59 ? 59 : local.tm_sec, static_cast<int>(ts.tv_nsec / 1000000));
}

int DayOfTheWeek(TDateTime DateTime) {
  // The origin 1899-12-30 was a Saturday.
  int64_t days = FloorDiv(ToMs(DateTime), kMsPerDay);
  return static_cast<int>(((days + 5) % 7 + 7) % 7) + 1;
}

TDateTimeRecord TDateTimeRecord::GetDateTimeRecord(uint16_t Year, uint16_t Month, uint16_t Day, uint16_t Hour,
                                                   uint16_t Min, uint16_t Sec) {
  return TDateTimeRecord{Year, Month, Day, Hour, Min, Sec};
}

int TDateTimeRecord::Compare(const TDateTimeRecord& X) const {
  const uint16_t a[6] = {Year, Month, Day, Hour, Min, Sec};
  const uint16_t b[6] = {X.Year, X.Month, X.Day, X.Hour, X.Min, X.Sec};
  for (int i = 0; i < 6; ++i)
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  return 0;
}

void TDateTimeRecord::Adjust(int64_t Seconds) {
  // Whole seconds in integers: nothing is lost to rounding.
  int64_t ms = EncodeMs(Year, Month, Day, Hour, Min, Sec, 0) + Seconds * 1000;
  TDateTimeRecord r;
  DecodeMs(ms, r);
  if (r.Year < 1 || r.Year > 9999) throw EConvertError(Format("Invalid date-time year %d", r.Year));
  *this = r;
}

TDateTime TDateTimeRecord::DateTime() const { return EncodeDateTime(Year, Month, Day, Hour, Min, Sec); }

PduStr TDateTimeRecord::COSEMDateTime() const { return DateTimeToCOSEMDateTime(DateTime()); }

std::string TDateTimeRecord::FriendlyDateTime() const {
  return FormatRecord("%s-%s-%d %s:%s:%s", *this, ShortMonthName(Month));
}

std::string TDateTimeRecord::ConcentratorDateTime() const {
  return FormatRecord("%s/%s/%d %s:%s:%s", *this, IntToStr2(Month));
}

void TDateTimeRecord::PlusOneMonth() {
  if (Month >= 12) {
    Month = 1;
    ++Year;
  } else {
    ++Month;
  }
}

void TDateTimeRecord::MinusOneMonth() {
  if (Month <= 1) {
    Month = 12;
    --Year;
  } else {
    --Month;
  }
}

void TDateTimeRecord::PlusOneDay() {
  CheckAssertion(Day < 28, 1126);
  ++Day;
}

void TDateTimeRecord::PlusOneHour() {
  CheckAssertion(Hour < 23, 1126);
  ++Hour;
}

void DateTimeToRecord(TDateTimeRecord& Rec, TDateTime DateTime) { DecodeMs(ToMs(DateTime), Rec); }

PduStr DateTimeToCOSEMDateTime(TDateTime DateTime) {
  TDateTimeRecord r;
  DateTimeToRecord(r, DateTime);
  PduStr s;
  AppendBE(s, r.Year, 2);
  s.push_back(static_cast<char>(r.Month));
  s.push_back(static_cast<char>(r.Day));
  s.push_back(static_cast<char>(DayOfTheWeek(DateTime)));
  s.push_back(static_cast<char>(r.Hour));
  s.push_back(static_cast<char>(r.Min));
  s.push_back(static_cast<char>(r.Sec));
  s.append("\x00\x80\x00\xFF", 4);
  return s;
}

void COSEMDateTimeToRecord(const PduStr& S, TDateTimeRecord& Rec) {
  if (S.size() < 8) throw Exception(Format("Illegal COSEM date time (%s)", ""));
  auto at = [&](size_t i) { return static_cast<uint16_t>(static_cast<uint8_t>(S[i])); };
  Rec.Year = static_cast<uint16_t>(at(0) * 256 + at(1));
  Rec.Month = at(2);
  Rec.Day = at(3);
  Rec.Hour = at(5);
  Rec.Min = at(6);
  Rec.Sec = at(7);
}

int CompareCOSEMDateTimeOctets(const PduStr& A, const PduStr& B) {
  if (A.size() != B.size() || A.size() != 12) throw Exception(Format("Illegal COSEM date time (%s)", ""));
  TDateTimeRecord a, b;
  COSEMDateTimeToRecord(A, a);
  COSEMDateTimeToRecord(B, b);
  return a.Compare(b);
}

int CompareCOSEMDateTime(const TChoice& Data1, const TChoice& Data2) {
  try {
    return CompareCOSEMDateTimeOctets(TDataHelper::OctetStringValue(Data1), TDataHelper::OctetStringValue(Data2));
  } catch (const Exception& e) {
    if (e.Message().rfind("Illegal COSEM date time", 0) == 0) throw;
    throw Exception(Format("Illegal COSEM date time (%s)", e.Message().c_str()));
  }
}

std::string FormatSessionDateTime(TDateTime DateTime) {
  TDateTimeRecord r;
  DateTimeToRecord(r, DateTime);
  return r.FriendlyDateTime();
}

std::string FormatDuration(TDateTime T1, TDateTime T0) {
  // Through milliseconds, so that 3725 s stored as day fractions do not come out as 3724.
  int64_t s = std::llabs(ToMs(T1) - ToMs(T0)) / 1000;
  std::string text;
  if (s / 3600 > 0) text = Format("%lldh ", static_cast<long long>(s / 3600));
  return text + Format("%sm %ss", IntToStr2(static_cast<int>(s % 3600 / 60)).c_str(),
                       IntToStr2(static_cast<int>(s % 60)).c_str());
}

}  // namespace zv

#include <gtest/gtest.h>

#include "foundation/date_time.h"
#include "foundation/errors.h"
#include "support/error_of.h"

using namespace zv;
using zv::test::ErrorOf;

namespace {

TDateTimeRecord Rec(int y, int mo, int d, int h, int mi, int s) {
  return TDateTimeRecord::GetDateTimeRecord(static_cast<uint16_t>(y), static_cast<uint16_t>(mo),
                                            static_cast<uint16_t>(d), static_cast<uint16_t>(h),
                                            static_cast<uint16_t>(mi), static_cast<uint16_t>(s));
}

std::string Str(const TDateTimeRecord& r) { return r.ConcentratorDateTime(); }

}  // namespace

TEST(DateTime, COSEMOctetsAndDayOfWeek) {
  struct Row { TDateTimeRecord rec; const char* hex; int dayOfWeek; };
  const Row rows[] = {
      {Rec(2018, 1, 1, 12, 34, 56), "07E20101010C2238008000FF", 1},
      {Rec(2018, 1, 7, 0, 0, 0), "07E2010707000000008000FF", 7},
      {Rec(2000, 2, 29, 23, 59, 59), "07D0021D02173B3B008000FF", 2},
      {Rec(1899, 12, 30, 0, 0, 0), "076B0C1E06000000008000FF", 6},
      {Rec(1970, 1, 1, 1, 2, 3), "07B2010104010203008000FF", 4},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.hex);
    TDateTime dt = r.rec.DateTime();
    EXPECT_EQ(DayOfTheWeek(dt), r.dayOfWeek);
    EXPECT_EQ(ByteStrToHexStr(DateTimeToCOSEMDateTime(dt)), r.hex);
    EXPECT_EQ(ByteStrToHexStr(r.rec.COSEMDateTime()), r.hex);
    TDateTimeRecord back;
    COSEMDateTimeToRecord(HexStrToByteStr(r.hex), back);
    EXPECT_EQ(back, r.rec);
    DateTimeToRecord(back, dt);
    EXPECT_EQ(back, r.rec);
  }
}

TEST(DateTime, ReadingNeedsEightOctets) {
  TDateTimeRecord r;
  EXPECT_EQ(ErrorOf([&] { COSEMDateTimeToRecord(HexStrToByteStr("07E20101010C22"), r); }),
            "Illegal COSEM date time ()");
  EXPECT_EQ(ErrorOf([&] { COSEMDateTimeToRecord("", r); }), "Illegal COSEM date time ()");
  COSEMDateTimeToRecord(HexStrToByteStr("07E20101FF0C2238"), r);  // the day of week is not looked at
  EXPECT_EQ(r, Rec(2018, 1, 1, 12, 34, 56));
}

TEST(DateTime, CompareCOSEMDateTimeOctets) {
  struct Row { const char* a; const char* b; int result; };
  const Row rows[] = {
      {"07E20101010C2238008000FF", "07E20101010C2238008000FF", 0},
      {"07E2010101000000008000FF", "07E2010101000001008000FF", -1},
      {"07E2010101000001008000FF", "07E2010101000000008000FF", 1},
      {"07E1010101000000008000FF", "07E2010101000000008000FF", -1},
      {"07E2010101000000FF8000FF", "07E20101FF00000000000000", 0},  // only date and time count
      {"FFFF010101000000008000FF", "07E2010101000000008000FF", 1},  // unspecified compares as a number
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.a) + " " + r.b);
    EXPECT_EQ(CompareCOSEMDateTimeOctets(HexStrToByteStr(r.a), HexStrToByteStr(r.b)), r.result);
  }
  const PduStr twelve = HexStrToByteStr("07E2010101000000008000FF");
  for (const PduStr& bad : {twelve.substr(0, 11), twelve + '\0', PduStr()}) {
    EXPECT_EQ(ErrorOf([&] { CompareCOSEMDateTimeOctets(bad, bad); }), "Illegal COSEM date time ()");
    EXPECT_EQ(ErrorOf([&] { CompareCOSEMDateTimeOctets(twelve, bad); }), "Illegal COSEM date time ()");
  }
}

TEST(DateTime, RecordArithmetic) {
  struct Row { TDateTimeRecord from; int64_t seconds; TDateTimeRecord to; };
  const Row rows[] = {
      {Rec(2018, 2, 28, 23, 0, 0), 86400, Rec(2018, 3, 1, 23, 0, 0)},
      {Rec(2018, 1, 1, 0, 0, 0), -1, Rec(2017, 12, 31, 23, 59, 59)},
      {Rec(2020, 2, 28, 12, 0, 0), 86400, Rec(2020, 2, 29, 12, 0, 0)},
      {Rec(1900, 2, 28, 0, 0, 0), 86400, Rec(1900, 3, 1, 0, 0, 0)},
      {Rec(2018, 12, 31, 23, 59, 59), 1, Rec(2019, 1, 1, 0, 0, 0)},
      {Rec(2018, 6, 15, 10, 0, 0), -366 * 86400LL, Rec(2017, 6, 14, 10, 0, 0)},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(Str(r.from) + " " + std::to_string(r.seconds));
    TDateTimeRecord a = r.from;
    a.Advance(r.seconds);
    EXPECT_EQ(Str(a), Str(r.to));
    a.Delay(r.seconds);
    EXPECT_EQ(Str(a), Str(r.from));
    EXPECT_EQ(r.from.Compare(r.to), r.seconds > 0 ? -1 : 1);
    EXPECT_EQ(r.to.Compare(r.to), 0);
  }
  TDateTimeRecord bad = Rec(2018, 13, 1, 0, 0, 0);
  EXPECT_THROW(bad.Advance(1), EConvertError);

  TDateTimeRecord m = Rec(2018, 12, 31, 0, 0, 0);
  m.PlusOneMonth();
  EXPECT_EQ(m, Rec(2019, 1, 31, 0, 0, 0));
  m.MinusOneMonth();
  m.MinusOneMonth();
  EXPECT_EQ(m, Rec(2018, 11, 31, 0, 0, 0));  // the day is left as it is

  TDateTimeRecord d = Rec(2018, 2, 27, 22, 30, 15);
  d.PlusOneDay();
  d.PlusOneHour();
  EXPECT_EQ(d, Rec(2018, 2, 28, 23, 30, 15));
  EXPECT_EQ(d.SecondsElapsedInDay(), 23 * 3600 + 30 * 60 + 15);
  EXPECT_EQ(ErrorOf([&] { d.PlusOneDay(); }), "Wrong assertion (1126)");
  EXPECT_EQ(ErrorOf([&] { d.PlusOneHour(); }), "Wrong assertion (1126)");
  EXPECT_EQ(d, Rec(2018, 2, 28, 23, 30, 15));
}

TEST(DateTime, Texts) {
  const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  for (int m = 1; m <= 12; ++m)
    EXPECT_EQ(Rec(2018, m, 7, 9, 5, 3).FriendlyDateTime(), std::string("07-") + months[m - 1] + "-2018 09:05:03");
  EXPECT_EQ(FormatSessionDateTime(EncodeDateTime(2018, 1, 7, 9, 5, 3)), "07-Jan-2018 09:05:03");
  EXPECT_EQ(Rec(987, 11, 17, 19, 45, 0).ConcentratorDateTime(), "17/11/987 19:45:00");

  // The time of day goes to the nearest millisecond before the milliseconds are dropped.
  TDateTimeRecord r;
  TDateTime noon = EncodeDateTime(2018, 1, 1, 12, 0, 0);
  DateTimeToRecord(r, noon + 0.9996 / 86400);
  EXPECT_EQ(r.Sec, 1);
  DateTimeToRecord(r, noon + 0.9994 / 86400);
  EXPECT_EQ(r.Sec, 0);

  struct Row { double seconds; const char* text; };
  const Row rows[] = {
      {3725, "1h 02m 05s"}, {65, "01m 05s"}, {65.9, "01m 05s"}, {0, "00m 00s"},
      {36059, "10h 00m 59s"}, {3600 * 100, "100h 00m 00s"},
  };
  for (const Row& d : rows) {
    SCOPED_TRACE(d.text);
    EXPECT_EQ(FormatDuration(noon + d.seconds / 86400, noon), d.text);
  }
  EXPECT_THROW(EncodeDateTime(2018, 2, 29, 0, 0, 0), EConvertError);
  EXPECT_GE(Str([] { TDateTimeRecord n; DateTimeToRecord(n, NowDateTime()); return n; }()).size(), 19u);
}

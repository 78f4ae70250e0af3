#include "kit/text/unicode.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace zv {
namespace {

std::string Bytes(std::initializer_list<int> B) {
  std::string s;
  for (int b : B) s += static_cast<char>(b);
  return s;
}

struct TUtf8Case {
  const char* Name;
  std::string Input;
  bool Lenient;
  int Result;
  TKitString Output;
};

TEST(UnicodeTest, UTF8ToUTF16) {
  const TUtf8Case cases[] = {
      {"ascii and BMP", Bytes({0x41, 0xC3, 0xA9, 0xE2, 0x82, 0xAC}), false, 0, u"A\u00E9\u20AC"},
      {"four bytes", Bytes({0xF0, 0x9F, 0x98, 0x80}), false, 0, u"\U0001F600"},
      {"highest", Bytes({0xF4, 0x8F, 0xBF, 0xBF}), false, 0, u"\U0010FFFF"},
      {"overlong", Bytes({0xE0, 0x80, 0x80}), false, 3, u""},
      {"overlong two", Bytes({0xC1, 0x81}), false, 3, u""},
      {"surrogate", Bytes({0xED, 0xA0, 0x80}), false, 3, u""},
      {"surrogate lenient", Bytes({0xED, 0xA0, 0x80}), true, 0, TKitString(1, char16_t{0xD800})},
      {"above U+10FFFF", Bytes({0xF4, 0x90, 0x80, 0x80}), false, 3, u""},
      {"cut short", Bytes({0xC3}), false, 1, u""},
      {"cut after a unit", Bytes({0x41, 0xC3}), false, 1, u"A"},
      {"lone continuation", Bytes({0x41, 0x80}), false, 3, u"A"},
      {"bad continuation", Bytes({0xC3, 0x41}), false, 3, u""},
      {"F5 lead, full length", Bytes({0xF5, 0x80, 0x80, 0x80}), false, 3, u""},
      {"F8 lead, full length", Bytes({0xF8, 0x88, 0x80, 0x80, 0x80}), false, 3, u""},
      {"FC lead, full length", Bytes({0xFC, 0x84, 0x80, 0x80, 0x80, 0x80}), false, 3, u""},
      {"FF lead, short", Bytes({0xFF, 0x80}), false, 1, u""},
      {"C0 lead, short", Bytes({0xC0}), false, 1, u""},
      {"empty", "", false, 0, u""},
  };
  for (const TUtf8Case& c : cases) {
    TKitString out = u"junk";
    EXPECT_EQ(KitUTF8ToUTF16(c.Input, out, c.Lenient, false), c.Result) << c.Name;
    EXPECT_EQ(out, c.Output) << c.Name;
  }
}

struct TUtf16Case {
  const char* Name;
  TKitString Input;
  bool Lenient;
  int Result;
  std::string Output;
};

TEST(UnicodeTest, UTF16ToUTF8) {
  const TKitString loneHigh(1, char16_t{0xD800});
  const TKitString loneLow(1, char16_t{0xDC00});
  const TUtf16Case cases[] = {
      {"pair", u"\U0001F600", false, 0, Bytes({0xF0, 0x9F, 0x98, 0x80})},
      {"BMP", u"A\u00E9\u20AC", false, 0, Bytes({0x41, 0xC3, 0xA9, 0xE2, 0x82, 0xAC})},
      {"high then letter", loneHigh + u"A", false, 3, ""},
      {"high then letter, lenient", loneHigh + u"A", true, 0, Bytes({0xED, 0xA0, 0x80, 0x41})},
      // A lone high surrogate at the end is illegal too (never ill-formed output with 0).
      {"high at the end", u"A" + loneHigh, false, 3, "A"},
      {"high at the end, lenient", u"A" + loneHigh, true, 0, Bytes({0x41, 0xED, 0xA0, 0x80})},
      {"lone low", u"A" + loneLow + u"B", false, 3, "A"},
      {"lone low, lenient", loneLow, true, 0, Bytes({0xED, 0xB0, 0x80})},
  };
  for (const TUtf16Case& c : cases) {
    std::string out = "junk";
    EXPECT_EQ(KitUTF16ToUTF8(c.Input, out, c.Lenient, false), c.Result) << c.Name;
    EXPECT_EQ(out, c.Output) << c.Name;
  }
}

TEST(UnicodeTest, ByteOrderMarks) {
  std::string bytes;
  TKitString text;
  EXPECT_EQ(KitUTF16ToUTF8(u"", bytes, false, true), 0);
  EXPECT_EQ(bytes, "\xEF\xBB\xBF");
  EXPECT_EQ(KitUTF16ToUTF8(u"\uFEFFA", bytes, false, true), 0);  // already there: not doubled
  EXPECT_EQ(bytes, "\xEF\xBB\xBF" "A");
  // Added after a stop as well.
  EXPECT_EQ(KitUTF16ToUTF8(u"A" + TKitString(1, char16_t{0xDC00}), bytes, false, true), 3);
  EXPECT_EQ(bytes, "\xEF\xBB\xBF" "A");

  EXPECT_EQ(KitUTF8ToUTF16("", text, false, true), 0);
  EXPECT_EQ(text, u"\uFEFF");
  EXPECT_EQ(KitUTF8ToUTF16("\xEF\xBB\xBF" "A", text, false, true), 0);
  EXPECT_EQ(text, u"\uFEFFA");
}

TEST(UnicodeTest, LegalSequencesAndLeadBytes) {
  struct {
    std::string Seq;
    bool Legal;
  } const cases[] = {
      {Bytes({0x41}), true},        {Bytes({0xC2, 0x80}), true},        {Bytes({0xC1, 0xBF}), false},
      {Bytes({0xE0, 0xA0, 0x80}), true}, {Bytes({0xE0, 0x9F, 0x80}), false}, {Bytes({0xED, 0xA0, 0x80}), true},
      {Bytes({0xF0, 0x90, 0x80, 0x80}), true}, {Bytes({0xF0, 0x8F, 0x80, 0x80}), false},
      {Bytes({0xF4, 0x8F, 0x80, 0x80}), true}, {Bytes({0xF4, 0x90, 0x80, 0x80}), false},
      {Bytes({0xF4, 0x5B, 0x90, 0x80}), false}, {Bytes({0xE0, 0x41, 0x80}), false},
      {Bytes({0xE2, 0x82, 0xC0}), false}, {Bytes({0x80}), false}, {Bytes({0xF5, 0x80, 0x80, 0x80}), false},
      {Bytes({0xF8, 0x80, 0x80, 0x80, 0x80}), false}, {"", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(KitIsLegalUTF8(reinterpret_cast<const uint8_t*>(c.Seq.data()), static_cast<int>(c.Seq.size())), c.Legal)
        << testing::PrintToString(c.Seq);
  const std::pair<int, int> leads[] = {{0x00, 0}, {0xBF, 0}, {0xC0, 1}, {0xDF, 1}, {0xE0, 2},
                                       {0xF7, 3}, {0xF8, 4}, {0xFB, 4}, {0xFC, 5}, {0xFF, 5}};
  for (auto [lead, count] : leads) EXPECT_EQ(KitUTF8TrailingBytes(static_cast<uint8_t>(lead)), count) << lead;
}

TEST(UnicodeTest, Utf8OrAnsi) {
  struct {
    std::string In;
    TKitString Out;
  } const cases[] = {
      {"\xEF\xBB\xBF" "A", u"A"},
      {"\xEF\xBB\xBF", u"\uFEFF"},
      {"\xEF\xBB\xBF\xEF\xBB\xBF", u"\uFEFF"},          // the first of two marks goes
      {"\xC3\xA9", u"\u00C3\u00A9"},                    // valid UTF-8 without the mark: ANSI
      {"\x80\x9F\xA0\xFF", u"\u20AC\u0178\u00A0\u00FF"},
      {"\xEF\xBB\xBF\x80", u"\u00EF\u00BB\u00BF\u20AC"},  // illegal after the mark: all ANSI
      {"\xEF\xBB\xBF\xFF", u"\uFEFF"},                      // cut short after the mark
      {"\xEF\xBB\xBF" "A\xC3", u"A"},                   // cut short: what was decoded
  };
  for (const auto& c : cases) {
    TKitString out;
    KitUTF8OrAnsiToString(c.In, out);
    EXPECT_EQ(out, c.Out) << testing::PrintToString(c.In);
  }
}

TEST(UnicodeTest, AnsiCodePageRoundTrips) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(KitStringToAnsi(KitAnsiToString(all)), all);
  EXPECT_EQ(KitAnsiCharToWide(0x81), 0x0081);
  EXPECT_EQ(KitStringToAnsi(u"\u0100\U0001F600x"), "??x");
}

TEST(UnicodeTest, CaseTableRows) {
  const auto rows = KitCaseTable();
  ASSERT_EQ(rows.size(), 816u);
  int counts[9] = {};
  for (const TKitCaseRow& r : rows) ++counts[r.Status];
  EXPECT_EQ(counts[KitCaseCommon], 685);
  EXPECT_EQ(counts[KitCaseSimple], 27);
  EXPECT_EQ(counts[KitCaseFull], 102);
  EXPECT_EQ(counts[KitCaseTurkic], 2);
  auto row = [&](int Number) { return rows[static_cast<size_t>(Number - 1)]; };
  EXPECT_EQ(row(1).Code, 0x0041);
  EXPECT_EQ(row(1).Mapping[0], 0x0061);
  EXPECT_EQ(row(816).Code, 0xFF3A);
  EXPECT_EQ(row(816).Mapping[0], 0xFF5A);
  auto find = [&](char16_t Code, uint8_t Status) -> const TKitCaseRow* {
    for (const TKitCaseRow& r : rows)
      if (r.Code == Code && r.Status == Status) return &r;
    return nullptr;
  };
  ASSERT_TRUE(find(0x00DF, KitCaseFull));
  EXPECT_EQ(find(0x00DF, KitCaseFull)->Mapping[1], 0x0073);
  ASSERT_TRUE(find(0xFB03, KitCaseFull));
  EXPECT_EQ(find(0xFB03, KitCaseFull)->Mapping[2], 0x0069);
  const TKitCaseRow* f1f88 = find(0x1F88, KitCaseFull);
  ASSERT_TRUE(f1f88);
  EXPECT_EQ(f1f88[1].Code, 0x1F88);
  EXPECT_EQ(f1f88[1].Status, KitCaseSimple);
  EXPECT_EQ(f1f88[1].Mapping[0], 0x1F80);
  // The moved rows and their extra rows follow the capital letters.
  for (auto [capital, moved] : {std::pair<char16_t, char16_t>{0x0399, 0x0345}, {0x039C, 0x00B5}}) {
    const TKitCaseRow* r = find(capital, KitCaseCommon);
    ASSERT_TRUE(r);
    EXPECT_EQ(r[1].Code, moved);
    EXPECT_EQ(r[2].Code, capital);
    EXPECT_EQ(r[2].Mapping[0], moved);
  }
  ASSERT_TRUE(find(0x0130, KitCaseTurkic));
  EXPECT_EQ(find(0x0130, KitCaseTurkic)->Mapping[0], 0x0069);
  ASSERT_TRUE(find(0x0131, KitCaseTurkic));
  EXPECT_EQ(find(0x0131, KitCaseTurkic)->Mapping[0], 0x0131);
}

TEST(UnicodeTest, CaseMapping) {
  struct {
    char16_t In, Upper, Lower;
  } const cases[] = {
      {u'a', u'A', u'a'},         {u'A', u'A', u'a'},         {0x0069, 0x0049, 0x0069},
      {0x006B, 0x004B, 0x006B},   {0x0073, 0x0053, 0x0073},   {0x00E5, 0x00C5, 0x00E5},
      {0x03B9, 0x0399, 0x03B9},   {0x0399, 0x0399, 0x03B9},   {0x0345, 0x0399, 0x03B9},
      {0x03BC, 0x039C, 0x03BC},   {0x039C, 0x039C, 0x03BC},   {0x00B5, 0x039C, 0x03BC},
      {0x03C3, 0x03A3, 0x03C3},   {0x01C6, 0x01C4, 0x01C6},   {0x0130, 0x0130, 0x0069},
      {0x0131, 0x0131, 0x0131},   {0x00DF, 0x00DF, 0x00DF},   {0xFB01, 0xFB01, 0xFB01},
      {0x1F88, 0x1F88, 0x1F80},   {0x1F80, 0x1F88, 0x1F80},   {0x212A, 0x212A, 0x006B},
      {0xFF41, 0xFF21, 0xFF41},   {u'1', u'1', u'1'},         {0xD800, 0xD800, 0xD800},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(KitUpperChar(c.In), c.Upper) << std::hex << int(c.In);
    EXPECT_EQ(KitLowerChar(c.In), c.Lower) << std::hex << int(c.In);
  }
  EXPECT_EQ(KitUpperCase(u"stra\u00DFe \u03BC"), u"STRA\u00DFE \u039C");
  EXPECT_EQ(KitLowerCase(u"\u0130STANBUL \u1F88"), u"istanbul \u1F80");
  EXPECT_EQ(KitUpperCase(u""), u"");
}

TEST(UnicodeTest, IndexesBuildOnceUnderConcurrentFirstUse) {
  std::vector<std::thread> threads;
  std::vector<char16_t> seen(8);
  for (size_t i = 0; i < seen.size(); ++i)
    threads.emplace_back([&, i] { seen[i] = i % 2 ? KitUpperChar(u'q') : KitLowerChar(u'Q'); });
  for (auto& t : threads) t.join();
  for (size_t i = 0; i < seen.size(); ++i) EXPECT_EQ(seen[i], i % 2 ? u'Q' : u'q');
}

TEST(UnicodeTest, Categories) {
  struct {
    char16_t C;
    TKitUnicodeCategory Cat;
  } const cases[] = {
      {0x0041, ukLu}, {0x0061, ukLl}, {0x0030, ukNd}, {0x0020, ukZs}, {0x200B, ukZs}, {0xD800, ukCs},
      {0xDFFF, ukCs}, {0xE000, ukCo}, {0xF8FF, ukCo}, {0x0378, ukCn}, {0xFEFF, ukCf}, {0x0221, ukLl},
      {0x0237, ukCn}, {0x9FA5, ukLo}, {0x9FA6, ukCn}, {0x4E00, ukLo}, {0x01C5, ukLt}, {0x0300, ukMn},
      {0x0000, ukCc}, {0x2028, ukZl}, {0x2029, ukZp}, {0x005F, ukPc}, {0x0028, ukPs}, {0x00AB, ukPi},
      {0x002B, ukSm}, {0x0024, ukSc}, {0x00A9, ukSo}, {0x2160, ukNl}, {0x00B2, ukNo}, {0x1D00, ukLl},
      {0x00AD, ukCf}, {0xFFFF, ukCn},
  };
  for (const auto& c : cases) EXPECT_EQ(KitGetUnicodeCategory(c.C), c.Cat) << std::hex << int(c.C);
  TKitUnicodeCategories letters{ukLu, ukLl};
  EXPECT_TRUE(letters.Contains(KitGetUnicodeCategory(u'x')));
  EXPECT_FALSE(letters.Contains(ukNd));
  letters.Exclude(ukLu).Exclude(ukLl);
  EXPECT_TRUE(letters.Empty());
}

TEST(UnicodeTest, WidePrimitives) {
  TKitString s = u"x";
  const char16_t src[] = u"abc";
  KitWideSetString(s, src, 2);
  EXPECT_EQ(s, u"ab");
  KitWideSetString(s, nullptr, 3);
  EXPECT_EQ(s, TKitString(3, u'\0'));
  KitWideSetString(s, src, -1);
  EXPECT_EQ(s, u"");

  char16_t buf[] = u"abcdef";
  KitMoveWideChars(buf, buf + 2, 3);  // overlapping, source below destination
  EXPECT_EQ(TKitString(buf), u"ababcf");
  KitMoveWideChars(buf + 2, buf, 3);
  EXPECT_EQ(TKitString(buf), u"abcbcf");
  KitFillWideChars(buf + 1, 2, u'z');
  EXPECT_EQ(TKitString(buf), u"azzbcf");
  KitFillWideChars(buf, 0, u'q');
  EXPECT_EQ(buf[0], u'a');
}

}  // namespace
}  // namespace zv

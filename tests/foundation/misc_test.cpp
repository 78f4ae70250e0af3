#include <gtest/gtest.h>

#include "foundation/errors.h"
#include "foundation/misc.h"
#include "support/error_of.h"

using namespace zv;
using zv::test::ErrorOf;

TEST(Cursor, ReadsAndRefusesPastTheEnd) {
  TStringWrapper empty("");
  EXPECT_EQ(empty.RemainingBytes(), 0);
  EXPECT_EQ(ErrorOf([&] { empty.NextByte(); }), "Wrong encoding in pdu");

  TStringWrapper w(std::string("\x0A\x00", 2));
  EXPECT_EQ(ErrorOf([&] { w.ExpectByte(0x09); }), "Byte[1]:, expected 0x09 found 0x0A");
  EXPECT_EQ(w.Index(), 2);
  EXPECT_EQ(ErrorOf([&] { w.CopyFromIndexAndForward(2); }), "Wrong encoding in pdu");
  EXPECT_EQ(w.Index(), 2);  // a failing call leaves the position
  w.SetNextByte(0x77);
  EXPECT_EQ(w.NextByte(), 0x77);
  EXPECT_EQ(w.NextByte(), 0x00);
}

TEST(Conversions, HexAndDisplayForms) {
  struct Row { const char* text; const char* hex; const char* error; };
  const Row rows[] = {
      {"0a 1B", "0A1B", nullptr},
      {"0A ", "0A", nullptr},
      {" 0 A1 b ", "0A1B", nullptr},
      {"", "", nullptr},
      {"0A1", nullptr, "HexStrToByteStr: Hex-character missing"},
      {"0G", nullptr, "Illegal hex-character"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.text);
    if (r.error) {
      EXPECT_EQ(ErrorOf([&] { HexStrToByteStr(r.text); }), r.error);
    } else {
      EXPECT_EQ(ByteStrToHexStr(HexStrToByteStr(r.text)), r.hex);
    }
  }
  EXPECT_EQ(TMisc::ByteStrToFormatedString2("AB"), "\\AB");
  EXPECT_EQ(TMisc::ByteStrToFormatedString2("A\""), "4122");
  EXPECT_EQ(TMisc::ByteStrToFormatedString2("A'"), "4127");
  EXPECT_EQ(TMisc::ByteStrToFormatedString2(std::string("\0A", 2)), "0041");
  EXPECT_EQ(TMisc::ByteStrToFormatedString2(""), "");
  EXPECT_EQ(ByteStrToFormatedString("A'"), "\\A'");
  EXPECT_EQ(ByteStrToHexStr(HexStrToByteStr2("01-02 03\r\n04")), "01020304");
  EXPECT_EQ(ErrorOf([] { HexStrToByteStr2("010"); }), "HexStrToByteStr2: Hex-character missing");
}

TEST(Conversions, FormattedText) {
  struct Row { const char* text; TMisc::TStringFormat format; const char* hex; const char* error; };
  const Row rows[] = {
      {"", TMisc::sfNone, "", nullptr},
      {"\\abc", TMisc::sfVisibleString, "616263", nullptr},
      {"0a0B", TMisc::sfHex, "0A0B", nullptr},
      {"0.0.1.0.0.255", TMisc::sfDotted, "0000010000FF", nullptr},
      {"1.0.99.98.0.255", TMisc::sfDotted, "01006362 00FF", nullptr},
      {"1-0:99.1.0*255", TMisc::sfDotted, "010063010 0FF", nullptr},
      {"1.2.3", TMisc::sfDotted, nullptr, "'' is not a valid integer value"},
      // A number above 255 is no octet.
      {"1.0.256.0.0.255", TMisc::sfDotted, nullptr, "'256' is not a valid octet value"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.text);
    TMisc::TStringFormat f;
    PduStr b;
    if (r.error) {
      EXPECT_EQ(ErrorOf([&] { TMisc::FormattedStrToByteStr(r.text, f, b); }), r.error);
    } else {
      TMisc::FormattedStrToByteStr(r.text, f, b);
      EXPECT_EQ(f, r.format);
      EXPECT_EQ(ByteStrToHexStr(b), ByteStrToHexStr(HexStrToByteStr(r.hex)));
    }
  }
}

TEST(Conversions, SmallHelpers) {
  EXPECT_EQ(MsToElapsedText(61234, true), "1'01.234");
  EXPECT_EQ(MsToElapsedText(3600000, false), "60'00");
  EXPECT_EQ(TicksElapsed(0xFFFFFFFFu - 15, 16), 32u);
  EXPECT_EQ(RemoveTrailingCRLF("ab\n"), "ab\n");
  EXPECT_EQ(RemoveTrailingCRLF("ab\r\n"), "ab");
  EXPECT_EQ(IntToStr2(5), "05");
  EXPECT_EQ(Blanks(-1), "");
  EXPECT_EQ(IntToHex(3, 4), "0003");
  EXPECT_EQ(StrToInt("$1F"), 31);
  EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
  EXPECT_EQ(ErrorOf([] { StrToInt("$xyz"); }), "'$xyz' is not a valid integer value");
  EXPECT_EQ(ErrorOf([] { StrToInt("4294967296"); }), "'4294967296' is not a valid integer value");
}

TEST(Errors, AssertionsAndClassNames) {
  EXPECT_EQ(ErrorOf([] { CheckAssertion(false, 1018); }), "Wrong assertion (1018)");
  EXPECT_NO_THROW(CheckAssertion(true, 1));
  EXPECT_EQ(ErrorOf([] { ZV_ASSERT(1 == 2); }).rfind("Assertion failure (misc_test.cpp, line", 0), 0u);
  EXPECT_STREQ(EXMLError("x", 0, 1).ClassName(), "EXMLError");
  EXPECT_STREQ(Exception("x").ClassName(), "Exception");
  EXPECT_STREQ(EKeyMissing("x").ClassName(), "EKeyMissing");
  auto e = ELexError::CreateWithPos("bad", 1, 0);
  EXPECT_EQ(e.Message(), "(1:2) bad");
  EXPECT_EQ(e.PosX, 1);
  EXPECT_EQ(e.PosY, 2);
}

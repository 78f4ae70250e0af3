#include "kit/text/encoding.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "kit_test_helpers.h"
#include "support/error_of.h"

namespace zv {
namespace {

using test::B;
using test::ErrorOf;

TKitWideCharArray W(const TKitString& S) { return TKitWideCharArray(S.begin(), S.end()); }
TKitString S(const TKitWideCharArray& A) { return TKitString(A.begin(), A.end()); }

TKitByteArray Encoded(int CodePage, const TKitString& Text, bool UsePreamble = false) {
  TKitByteArray bytes;
  TKitEncoding::GetEncoding(CodePage)->WriteBuffer(W(Text), bytes, UsePreamble);
  return bytes;
}

TKitString Decoded(int CodePage, const TKitByteArray& Bytes) {
  TKitWideCharArray units;
  TKitEncoding::GetEncoding(CodePage)->ReadBuffer(units, Bytes);
  return S(units);
}

TEST(EncodingTest, ByName) {
  struct TCase {
    TKitString Name;
    int CodePage;
    TKitString FoundName, Description;
    TKitNamedEncoding Named;
  };
  const TCase cases[] = {
      {u" utf8 ", 65001, u"utf-8", u"Unicode (UTF-8)", neUTF8},
      {u"UTF-8", 65001, u"utf-8", u"Unicode (UTF-8)", neUTF8},  // case does not matter
      {u"windows-1252", 1252, u"Windows-1252", u"Western European (Windows)", neUndefined},
      {u"ascii", 20127, u"ASCII", u"US-ASCII", neASCII},
      {u"iso-2022-jp", 50220, u"iso-2022-jp", u"Japanese (JIS)", neUndefined},
      {u"UTF-16BE", 1201, u"unicodeFFFE", u"Unicode (Big-Endian)", neUTF16BE},
      {u"CP_ACP", 0, u"System", u"System codepage", neACP},
      {u"1252", 1252, u"1252", u"Undefined", neUndefined},
      {u"12000", 12000, u"12000", u"Undefined", neUTF32LE},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.Name.begin(), c.Name.end()));
    auto e = TKitEncoding::GetEncoding(c.Name);
    EXPECT_EQ(e->CodePage(), c.CodePage);
    EXPECT_EQ(e->Name(), c.FoundName);
    EXPECT_EQ(e->Description(), c.Description);
    EXPECT_EQ(e->NamedEncoding(), c.Named);
  }
  EXPECT_EQ(ErrorOf([] { TKitEncoding::GetEncoding(TKitString(u" klingon ")); }),
            "Can't create TKitEncoding by name 'klingon': unknown name");
}

TEST(EncodingTest, ByCodePage) {
  auto acp = TKitEncoding::GetEncoding(0);
  EXPECT_EQ(acp->Name(), u"System");
  EXPECT_EQ(acp->NamedEncoding(), neACP);
  auto be = TKitEncoding::GetEncoding(neUTF16BE);
  EXPECT_EQ(be->CodePage(), 1201);
  EXPECT_EQ(be->GetPreamble(), B({0xFE, 0xFF}));
  // Not in the table, but a named encoding: its preamble comes with it.
  auto utf32 = TKitEncoding::GetEncoding(12000);
  EXPECT_EQ(utf32->Name(), u"Undefined");
  EXPECT_EQ(utf32->NamedEncoding(), neUTF32LE);
  EXPECT_EQ(utf32->GetPreamble(), B({0xFF, 0xFE, 0x00, 0x00}));
  EXPECT_EQ(TKitEncoding::GetEncoding(neUTF7)->PreambleCount(), 0);
  // Unknown code pages never fail to be made, only to convert.
  auto unknown = TKitEncoding::GetEncoding(99999);
  EXPECT_EQ(unknown->Name(), u"Undefined");
  EXPECT_EQ(unknown->NamedEncoding(), neUndefined);
  TKitWideCharArray units;
  EXPECT_EQ(ErrorOf([&] { unknown->ReadBuffer(units, B({0x41})); }),
            "Windows conversion function returned error: ERROR_INVALID_PARAMETER");
}

TEST(EncodingTest, Descriptions) {
  const auto all = TKitEncoding::GetDescriptions(false);
  ASSERT_EQ(all.size(), 142u);
  EXPECT_EQ(all[3].CodePage, 1200);
  EXPECT_EQ(all[3].Names.size(), 5u);
  EXPECT_EQ(all.back().Description, u"ISCII Punjabi");
  const auto valid = TKitEncoding::GetDescriptions(true);
  auto has = [&valid](int cp) {
    return std::any_of(valid.begin(), valid.end(), [cp](const TKitEncodingDescr& d) { return d.CodePage == cp; });
  };
  EXPECT_TRUE(has(0) && has(1200) && has(65001) && has(1252) && has(932));
  EXPECT_FALSE(has(57011));
  EXPECT_TRUE(TKitEncoding::IsEncodingValid(12001));
  EXPECT_TRUE(TKitEncoding::IsUnicodeEncoding(65000));
  EXPECT_FALSE(TKitEncoding::IsUnicodeEncoding(65005));
}

TEST(EncodingTest, DetectPreamble) {
  struct TCase {
    TKitByteArray Bytes;
    bool Detected;
    int CodePage;
  };
  const TCase cases[] = {
      {B({0xEF, 0xBB, 0xBF, 0x41}), true, 65001}, {B({0xFE, 0xFF}), true, 1201},
      {B({0x00, 0x00, 0xFE, 0xFF}), true, 12001}, {B({0xFF, 0xFE, 0x00, 0x00}), true, 12000},
      {B({0xFF, 0xFE, 0x41, 0x00}), true, 1200},  {B({0xFF, 0xFE}), true, 1200},
      {B({0xFF}), false, 0},                      {B({0x2B, 0x2F, 0x76, 0x38}), false, 0},
      {B({}), false, 0},
  };
  for (const TCase& c : cases) {
    TKitEncodingDetect d{true, 7, true};
    TKitEncoding::TryDetectEncoding(c.Bytes, 0, static_cast<int>(c.Bytes.size()), d);
    EXPECT_EQ(d.Detected, c.Detected) << testing::PrintToString(c.Bytes);
    EXPECT_EQ(d.CodePage, c.CodePage) << testing::PrintToString(c.Bytes);
    EXPECT_EQ(d.PreambleUsed, c.Detected);
  }
}

TEST(EncodingTest, DetectStream) {
  struct TCase {
    TKitByteArray Bytes;
    bool Detected;
    bool Preamble;
  };
  const TCase cases[] = {
      {B({'a', 'b', 'c'}), false, false},
      {B({'a', 0xC3, 0xA9}), true, false},
      {B({'a', 0xE2, 0x82}), false, false},           // cut short at the end
      {B({0xC3, 0x41}), false, false},                 // bad following byte
      {B({0xF8, 0x80, 0x80, 0x80, 0x80}), false, false},  // no such lead byte
      {B({}), false, false},
      {B({0xEF, 0xBB, 0xBF}), true, true},
  };
  for (const TCase& c : cases) {
    // Detection starts at the stream's position and puts it back.
    TKitByteArray data = B({'x', 'y'});
    data.insert(data.end(), c.Bytes.begin(), c.Bytes.end());
    TKitMemoryStream s(data);
    s.SetPosition(2);
    TKitEncodingDetect d;
    TKitEncoding::TryDetectEncoding(s, d);
    EXPECT_EQ(d.Detected, c.Detected) << testing::PrintToString(c.Bytes);
    EXPECT_EQ(d.CodePage, c.Detected ? 65001 : 0);
    EXPECT_EQ(d.PreambleUsed, c.Preamble);
    EXPECT_EQ(s.Position(), 2);
  }
  // A multi-byte character across the 1024-byte read buffer.
  TKitByteArray big(1026, 'a');
  big[1023] = 0xE2, big[1024] = 0x82, big[1025] = 0xAC;
  TKitMemoryStream s(big);
  TKitEncodingDetect d;
  TKitEncoding::TryDetectEncoding(s, d);
  EXPECT_TRUE(d.Detected);

  const auto file = std::filesystem::temp_directory_path() / ("kit_detect_" + std::to_string(getpid()));
  std::ofstream(file, std::ios::binary) << "\xFE\xFF";
  TKitEncoding::TryDetectEncoding(TKitString(u"") + std::filesystem::path(file).u16string(), d);
  EXPECT_EQ(d.CodePage, 1201);
  std::filesystem::remove(file);
}

TEST(EncodingTest, OwnUnicodeForms) {
  struct TCase {
    int CodePage;
    TKitString Text;
    TKitByteArray Bytes;  // with the preamble
  };
  const TCase cases[] = {
      {1200, u"A\u20AC", B({0xFF, 0xFE, 0x41, 0x00, 0xAC, 0x20})},
      {1201, u"A", B({0xFE, 0xFF, 0x00, 0x41})},
      {12000, u"A", B({0xFF, 0xFE, 0x00, 0x00, 0x41, 0x00, 0x00, 0x00})},
      // Text outside the BMP stays one character of four bytes.
      {12000, u"\U0001F600", B({0xFF, 0xFE, 0x00, 0x00, 0x00, 0xF6, 0x01, 0x00})},
      {12001, u"x\U0010FFFF", B({0x00, 0x00, 0xFE, 0xFF, 0, 0, 0, 0x78, 0x00, 0x10, 0xFF, 0xFF})},
      {65001, u"\u00E9", B({0xEF, 0xBB, 0xBF, 0xC3, 0xA9})},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.CodePage);
    EXPECT_EQ(Encoded(c.CodePage, c.Text, true), c.Bytes);
    EXPECT_EQ(Decoded(c.CodePage, c.Bytes), c.Text);
    auto e = TKitEncoding::GetEncoding(c.CodePage);
    EXPECT_EQ(e->GetRequiredByteBufferSize(W(c.Text), true), static_cast<int>(c.Bytes.size()));
    EXPECT_EQ(e->GetRequiredWideCharBufferSize(c.Bytes), static_cast<int>(c.Text.size()));
  }
  // A lone surrogate goes out as it is; a value beyond Unicode comes back as U+FFFD.
  EXPECT_EQ(Encoded(12000, u"\xD800"), B({0x00, 0xD8, 0x00, 0x00}));
  EXPECT_EQ(Decoded(12000, B({0x00, 0x00, 0x11, 0x00, 0x41, 0, 0, 0})), u"\uFFFDA");
  // A remainder too short for a unit is dropped.
  EXPECT_EQ(Decoded(1201, B({0x00, 0x41, 0x00})), u"A");
}

TEST(EncodingTest, PlatformCodePages) {
  struct TCase {
    int CodePage;
    TKitString Text;
    TKitByteArray Bytes;
  };
  const TCase cases[] = {
      {1252, u"\u20ACA\u00FF", B({0x80, 0x41, 0xFF})},
      {866, u"\u041F\u0440\u0438", B({0x8F, 0xE0, 0xA8})},
      {932, u"\u65E5\u672C", B({0x93, 0xFA, 0x96, 0x7B})},
      {0, u"\u20AC\u0081", B({0x80, 0x81})},  // the library's own ANSI table
      {1252, u"\u0081\u008D\u008F\u0090\u009D", B({0x81, 0x8D, 0x8F, 0x90, 0x9D})},  // so is 1252's
      {65001, u"\U0001F600", B({0xF0, 0x9F, 0x98, 0x80})},
      {65000, u"A+", B({0x41, 0x2B, 0x2D})},
      {50220, u"\u65E5", B({0x1B, 0x24, 0x42, 0x46, 0x7C, 0x1B, 0x28, 0x42})},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.CodePage);
    EXPECT_EQ(Encoded(c.CodePage, c.Text), c.Bytes);
    EXPECT_EQ(Decoded(c.CodePage, c.Bytes), c.Text);
  }
  // What a code page cannot hold becomes '?', what it cannot read U+FFFD.
  EXPECT_EQ(Encoded(1252, u"a\u65E5b"), B({'a', '?', 'b'}));
  EXPECT_EQ(Encoded(65001, u"a\xDC00"), B({'a', '?'}));
  EXPECT_EQ(Decoded(65001, B({'a', 0xC3, 0x28, 0xFF})), u"a\uFFFD(\uFFFD");
  EXPECT_EQ(Decoded(65001, B({'a', 0xE2, 0x82})), u"a\uFFFD");
  EXPECT_EQ(Decoded(20127, B({'a', 0xC0})), u"a\uFFFD");
}

TEST(EncodingTest, BufferChecks) {
  auto e = TKitEncoding::GetEncoding(neUTF16LE);
  const TKitByteArray bytes = B({0x41, 0x00, 0x42, 0x00});
  // Too short without growing: nothing changes.
  TKitWideCharArray units = W(u"zz");
  EXPECT_EQ(ErrorOf([&] { e->ReadBufferCheck(units, 1, 4, 0, bytes); }),
            "Buffer given to conversion function is too small");
  EXPECT_EQ(S(units), u"zz");
  EXPECT_EQ(e->ReadBufferCheck(units, 0, 4, 0, bytes), 2);
  EXPECT_EQ(S(units), u"AB");
  EXPECT_EQ(e->ReadBuffer(units, 2, 2, 2, bytes), 1);
  EXPECT_EQ(S(units), u"ABB");
  EXPECT_EQ(ErrorOf([&] { e->ReadBuffer(units, 4, 2, 0, bytes); }), "Bad index in array given: 4");
  EXPECT_EQ(ErrorOf([&] { e->ReadBuffer(units, 0, 4, 2, bytes); }), "Bad range in array given: [2, 5]");
  EXPECT_EQ(e->ReadBuffer(units, 9, 0, 9, bytes), 0);  // nothing to do, nothing checked

  // A bare preamble is an empty text; a byte that holds no unit is an error.
  EXPECT_EQ(e->ReadBuffer(units, B({0xFF, 0xFE})), 0);
  EXPECT_EQ(ErrorOf([&] { e->ReadBuffer(units, B({0x41})); }),
            "Windows conversion function returned error: ERROR_NO_UNICODE_TRANSLATION");

  TKitByteArray out = B({1, 2, 3});
  EXPECT_EQ(ErrorOf([&] { e->WriteBufferCheck(W(u"AB"), 0, true, 0, out, 2); }),
            "Buffer given to conversion function is too small");
  EXPECT_EQ(out, B({1, 2, 3}));
  EXPECT_EQ(e->WriteBuffer(W(u"AB"), 1, false, 1, out, 1), 2);
  EXPECT_EQ(out, B({1, 0x42, 0x00}));
  EXPECT_EQ(ErrorOf([&] { e->WriteBuffer(W(u"AB"), 1, false, 0, out, 2); }), "Bad range in array given: [1, 2]");
  EXPECT_EQ(ErrorOf([&] { e->WriteBuffer(W(u"AB"), 0, false, 4, out, 1); }), "Bad index in array given: 4");
}

TEST(EncodingTest, Streams) {
  auto e = TKitEncoding::GetEncoding(65001);
  TKitMemoryStream s;
  EXPECT_EQ(e->WriteStream(W(u""), s, true), 0);  // nothing at all for no text
  EXPECT_EQ(e->WriteStream(W(u"\u00E9t\u00E9"), s, true), 8);
  EXPECT_EQ(e->WriteStream(W(u"!"), s, false), 1);
  s.SetPosition(0);
  TKitWideCharArray units;
  EXPECT_EQ(e->ReadStream(units, s), 4);
  EXPECT_EQ(S(units), u"\u00E9t\u00E9!");
  s.SetPosition(3);
  EXPECT_EQ(e->ReadStream(units, 1, 2, s), 1);
  EXPECT_EQ(S(units), u"\u00E9\u00E9\u00E9!");
}

// Decodes Bytes in passes of at most Pass bytes the way a loader does: the bytes not used
// by one pass go in front of the next.
TKitString DecodeInPasses(TKitEncoding& E, const TKitByteArray& Bytes, size_t Pass, bool* PreambleSeen = nullptr) {
  TKitDecodeState state;
  TKitWideCharArray units;
  TKitByteArray buffer;
  size_t next = 0;
  for (;;) {
    // A full buffer that held no whole character takes one byte more.
    const size_t room = std::max<size_t>(Pass - std::min(Pass, buffer.size()), 1);
    const size_t take = std::min(room, Bytes.size() - next);
    buffer.insert(buffer.end(), Bytes.begin() + static_cast<std::ptrdiff_t>(next),
                  Bytes.begin() + static_cast<std::ptrdiff_t>(next + take));
    next += take;
    state.Last = next == Bytes.size();
    E.ReadBuffer(units, static_cast<int>(units.size()), static_cast<int>(buffer.size()), 0, buffer, state);
    EXPECT_LE(state.BytesUsed, static_cast<int>(buffer.size()));
    buffer.erase(buffer.begin(), buffer.begin() + state.BytesUsed);
    if (state.Last) break;
  }
  EXPECT_TRUE(buffer.empty());
  if (PreambleSeen) *PreambleSeen = state.PreambleSeen;
  return S(units);
}

TEST(EncodingTest, DecodingInPasses) {
  for (int cp : {65001, 1200, 1201, 12000, 12001, 50220, 65000, 932}) {
    auto e = TKitEncoding::GetEncoding(cp);
    const TKitString text = TKitEncoding::IsUnicodeEncoding(cp) ? u"a\u00E9\u20AC\U0001F600\uFEFFz\u65E5\u672C"
                                                                 : u"ab\u65E5\u672C\u3042z";
    for (bool preamble : {false, true}) {
      const TKitByteArray bytes = Encoded(cp, text, preamble);
      for (size_t pass : {1, 2, 3, 5, 7, 1024}) {
        SCOPED_TRACE(testing::Message() << "code page " << cp << " pass " << pass << " preamble " << preamble);
        bool seen = false;
        // The U+FEFF inside the text is text: only the front of the sequence has a preamble.
        EXPECT_EQ(DecodeInPasses(*e, bytes, pass, &seen), text);
        EXPECT_EQ(seen, preamble && e->HavePreamble());
      }
    }
  }
  // Bad bytes give U+FFFD one by one and never shift what follows; a character cut off
  // by the end is one U+FFFD.
  auto utf8 = TKitEncoding::GetEncoding(65001);
  const TKitByteArray bad = B({0xC3, 0x28, 0xE2, 0x82, 'x', 0xF0, 0x9F});
  EXPECT_EQ(Decoded(65001, bad), u"\uFFFD(\uFFFD\uFFFDx\uFFFD");
  for (size_t pass : {1, 2, 3}) EXPECT_EQ(DecodeInPasses(*utf8, bad, pass), Decoded(65001, bad));
  // A stray byte at the end of UTF-16 is dropped as in a whole buffer; bytes that give no
  // unit at all are the same error.
  auto utf16 = TKitEncoding::GetEncoding(1200);
  TKitDecodeState state;
  TKitWideCharArray units;
  EXPECT_EQ(utf16->ReadBuffer(units, 0, 3, 0, B({0x41, 0x00, 0x42}), state), 1);
  EXPECT_EQ(state.BytesUsed, 2);
  state.Last = true;
  EXPECT_EQ(utf16->ReadBuffer(units, 1, 1, 0, B({0x42}), state), 0);
  EXPECT_EQ(state.BytesUsed, 1);
  state.Reset();
  state.Last = true;
  EXPECT_EQ(ErrorOf([&] { utf16->ReadBuffer(units, 0, 3, 0, B({0xFF, 0xFE, 0x42}), state); }),
            "Windows conversion function returned error: ERROR_NO_UNICODE_TRANSLATION");
}

// A strict decoding stops in front of the first bytes its code page cannot read and says
// so; a character that a pass cuts off is no such bytes, as long as more may follow.
TEST(EncodingTest, StrictDecodingTellsInvalidBytes) {
  struct TCase {
    const char* Name;
    int CodePage;
    TKitByteArray Bytes;
    bool Last;
    bool Invalid;
    int BytesUsed;
    TKitString Text;
  };
  const TCase cases[] = {
      {"valid", 65001, B({'a', 0xC3, 0xA9, 0xF0, 0x9F, 0x98, 0x80, 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i'}), true,
       false, 15, u"a\u00E9\U0001F600bcdefghi"},
      {"ascii run, then a bad byte", 65001, B({'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 0xFF, 'j'}), true, true, 9,
       u"abcdefghi"},
      {"lead without its trail", 65001, B({'a', 0xC3, 0x28}), true, true, 1, u"a"},
      {"overlong", 65001, B({'a', 0xC0, 0xAF}), true, true, 1, u"a"},
      {"encoded surrogate", 65001, B({0xED, 0xA0, 0x80}), true, true, 0, u""},
      {"beyond U+10FFFF", 65001, B({0xF4, 0x90, 0x80, 0x80}), true, true, 0, u""},
      {"cut by the end of the file", 65001, B({'a', 0xE2, 0x82}), true, true, 1, u"a"},
      {"cut by the end of a pass", 65001, B({'a', 0xE2, 0x82}), false, false, 1, u"a"},
      {"bad even if more follows", 65001, B({'a', 0xE2, 0x41}), false, true, 1, u"a"},
      {"platform code page", 932, B({'a', 0x82, 0xA0, 0xFF, 'b'}), true, true, 3, u"a\u3042"},
      {"every byte is windows-1252", 1252, B({0x81, 0xFF, 0x00}), true, false, 3, TKitString(u"\u0081\u00FF\0", 3)},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    auto e = TKitEncoding::GetEncoding(c.CodePage);
    TKitDecodeState state;
    state.Strict = true;
    state.Last = c.Last;
    TKitWideCharArray units = W(u"<");
    e->ReadBuffer(units, 1, static_cast<int>(c.Bytes.size()), 0, c.Bytes, state);
    EXPECT_EQ(state.Invalid, c.Invalid);
    EXPECT_EQ(state.BytesUsed, c.BytesUsed);
    EXPECT_EQ(S(units), u"<" + c.Text);
  }
}

}  // namespace
}  // namespace zv

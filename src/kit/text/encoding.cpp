#include "kit/text/encoding.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstring>

#include "foundation/misc.h"
#include "kit/text/helpers.h"
#include "kit/text/strings.h"
#include "kit/text/sys_info.h"
#include "kit/text/unicode.h"

namespace zv {

namespace {

struct TRow {
  int CodePage;
  const char16_t* Names;  // separated by '|'
  const char16_t* Description;
  const char* Charset;  // the platform converter's name; empty when it has none
};

// The code pages a user can choose, in the order they are offered.
constexpr TRow Rows[] = {
    {0, u"System|CP_ACP|ACP", u"System codepage", ""},
    {1, u"OEM|CP_OEMCP|OEMCP", u"System OEM codepage", "CP437"},
    {65001, u"utf-8|utf8", u"Unicode (UTF-8)", "UTF-8"},
    {1200, u"utf-16|utf16|utf16LE|UTF-16-LE|UTF-16LE", u"Unicode", ""},
    {1201, u"unicodeFFFE|utf16BE|UTF-16-BE|UTF-16BE", u"Unicode (Big-Endian)", ""},
    {65000, u"utf-7|utf7", u"Unicode (UTF-7)", "UTF-7"},
    {65005, u"utf-32|utf32|utf32LE|UTF-32-LE|UTF-32LE", u"Unicode (UTF-32)", "UTF-32LE"},
    {65006, u"utf32BE|UTF-32-BE|UTF-32BE", u"Unicode (UTF-32 Big-Endian)", "UTF-32BE"},
    {20127, u"ASCII|us-ascii", u"US-ASCII", "ASCII"},
    {437, u"IBM437", u"OEM United States", "CP437"},
    {500, u"IBM500", u"IBM EBCDIC (International)", "IBM500"},
    {1250, u"windows-1250", u"Central European (Windows)", "CP1250"},
    {852, u"ibm852", u"Central European (DOS)", "CP852"},
    {28592, u"iso-8859-2", u"Central European (ISO)", "ISO-8859-2"},
    {1252, u"Windows-1252", u"Western European (Windows)", "CP1252"},
    {850, u"ibm850", u"Western European (DOS)", "CP850"},
    {28591, u"iso-8859-1", u"Western European (ISO)", "ISO-8859-1"},
    {20924, u"IBM00924", u"IBM Latin-1", ""},
    {1047, u"IBM01047", u"IBM Latin-1", "IBM1047"},
    {870, u"IBM870", u"IBM EBCDIC (Multilingual Latin-2)", "IBM870"},
    {28593, u"iso-8859-3", u"Latin 3 (ISO)", "ISO-8859-3"},
    {28605, u"iso-8859-15", u"Latin 9 (ISO)", "ISO-8859-15"},
    {1251, u"windows-1251", u"Cyrillic (Windows)", "CP1251"},
    {866, u"cp866", u"Cyrillic (DOS)", "CP866"},
    {855, u"IBM855", u"OEM Cyrillic", "CP855"},
    {858, u"IBM00858", u"OEM Multilingual Latin I", "CP858"},
    {20866, u"koi8-r", u"Cyrillic (KOI8-R)", "KOI8-R"},
    {21866, u"koi8-u", u"Cyrillic (KOI8-U)", "KOI8-U"},
    {28595, u"iso-8859-5", u"Cyrillic (ISO)", "ISO-8859-5"},
    {21025, u"cp1025", u"IBM EBCDIC (Cyrillic Serbian-Bulgarian)", "IBM1025"},
    {1253, u"windows-1253", u"Greek (Windows)", "CP1253"},
    {869, u"ibm869", u"Greek, Modern (DOS)", "CP869"},
    {737, u"ibm737", u"Greek (DOS)", "CP737"},
    {28597, u"iso-8859-7", u"Greek (ISO)", "ISO-8859-7"},
    {875, u"cp875", u"IBM EBCDIC (Greek Modern)", "IBM875"},
    {37, u"IBM037", u"IBM EBCDIC (US-Canada)", "IBM037"},
    {708, u"ASMO-708", u"Arabic (ASMO 708)", "ASMO-708"},
    {720, u"DOS-720", u"Arabic (DOS)", ""},
    {775, u"ibm775", u"Baltic (DOS)", "CP775"},
    {857, u"ibm857", u"Turkish (DOS)", "CP857"},
    {860, u"IBM860", u"Portuguese (DOS)", "CP860"},
    {861, u"ibm861", u"Icelandic (DOS)", "CP861"},
    {862, u"DOS-862", u"Hebrew (DOS)", "CP862"},
    {863, u"IBM863", u"French Canadian (DOS)", "CP863"},
    {864, u"IBM864", u"Arabic (864)", "CP864"},
    {865, u"IBM865", u"Nordic (DOS)", "CP865"},
    {874, u"windows-874", u"Thai (Windows)", "CP874"},
    {932, u"shift_jis", u"Japanese (Shift-JIS)", "CP932"},
    {936, u"gb2312", u"Chinese Simplified (GB2312)", "CP936"},
    {949, u"ks_c_5601-1987", u"Korean", "CP949"},
    {950, u"big5", u"Chinese Traditional (Big5)", "CP950"},
    {1026, u"IBM1026", u"IBM EBCDIC (Turkish Latin-5)", "IBM1026"},
    {1140, u"IBM01140", u"IBM EBCDIC (US-Canada-Euro)", "IBM1140"},
    {1141, u"IBM01141", u"IBM EBCDIC (Germany-Euro)", "IBM1141"},
    {1142, u"IBM01142", u"IBM EBCDIC (Denmark-Norway-Euro)", "IBM1142"},
    {1143, u"IBM01143", u"IBM EBCDIC (Finland-Sweden-Euro)", "IBM1143"},
    {1144, u"IBM01144", u"IBM EBCDIC (Italy-Euro)", "IBM1144"},
    {1145, u"IBM01145", u"IBM EBCDIC (Spain-Euro)", "IBM1145"},
    {1146, u"IBM01146", u"IBM EBCDIC (UK-Euro)", "IBM1146"},
    {1147, u"IBM01147", u"IBM EBCDIC (France-Euro)", "IBM1147"},
    {1148, u"IBM01148", u"IBM EBCDIC (International-Euro)", "IBM1148"},
    {1149, u"IBM01149", u"IBM EBCDIC (Icelandic-Euro)", "IBM1149"},
    {1254, u"windows-1254", u"Turkish (Windows)", "CP1254"},
    {1255, u"windows-1255", u"Hebrew (Windows)", "CP1255"},
    {1256, u"windows-1256", u"Arabic (Windows)", "CP1256"},
    {1257, u"windows-1257", u"Baltic (Windows)", "CP1257"},
    {1258, u"windows-1258", u"Vietnamese (Windows)", "CP1258"},
    {1361, u"Johab", u"Korean (Johab)", "JOHAB"},
    {10000, u"macintosh", u"Western European (Mac)", "MACINTOSH"},
    {10001, u"x-mac-japanese", u"Japanese (Mac)", ""},
    {10002, u"x-mac-chinesetrad", u"Chinese Traditional (Mac)", ""},
    {10003, u"x-mac-korean", u"Korean (Mac)", ""},
    {10004, u"x-mac-arabic", u"Arabic (Mac)", ""},
    {10005, u"x-mac-hebrew", u"Hebrew (Mac)", ""},
    {10006, u"x-mac-greek", u"Greek (Mac)", ""},
    {10007, u"x-mac-cyrillic", u"Cyrillic (Mac)", "MAC-CYRILLIC"},
    {10008, u"x-mac-chinesesimp", u"Chinese Simplified (Mac)", ""},
    {10010, u"x-mac-romanian", u"Romanian (Mac)", ""},
    {10017, u"x-mac-ukrainian", u"Ukrainian (Mac)", "MACUKRAINIAN"},
    {10021, u"x-mac-thai", u"Thai (Mac)", ""},
    {10029, u"x-mac-ce", u"Central European (Mac)", "MAC-CENTRALEUROPE"},
    {10079, u"x-mac-icelandic", u"Icelandic (Mac)", "MAC-IS"},
    {10081, u"x-mac-turkish", u"Turkish (Mac)", ""},
    {10082, u"x-mac-croatian", u"Croatian (Mac)", ""},
    {20000, u"x-Chinese-CNS", u"Chinese Traditional (CNS)", ""},
    {20001, u"x-cp20001", u"TCA Taiwan", ""},
    {20002, u"x-Chinese-Eten", u"Chinese Traditional (Eten)", ""},
    {20003, u"x-cp20003", u"IBM5550 Taiwan", ""},
    {20004, u"x-cp20004", u"TeleText Taiwan", ""},
    {20005, u"x-cp20005", u"Wang Taiwan", ""},
    {20105, u"x-IA5", u"Western European (IA5)", ""},
    {20106, u"x-IA5-German", u"German (IA5)", "ISO646-DE"},
    {20107, u"x-IA5-Swedish", u"Swedish (IA5)", "ISO646-SE"},
    {20108, u"x-IA5-Norwegian", u"Norwegian (IA5)", "ISO646-NO"},
    {20261, u"x-cp20261", u"T.61", "T.61-8BIT"},
    {20269, u"x-cp20269", u"ISO-6937", "ISO_6937"},
    {20273, u"IBM273", u"IBM EBCDIC (Germany)", "IBM273"},
    {20277, u"IBM277", u"IBM EBCDIC (Denmark-Norway)", "IBM277"},
    {20278, u"IBM278", u"IBM EBCDIC (Finland-Sweden)", "IBM278"},
    {20280, u"IBM280", u"IBM EBCDIC (Italy)", "IBM280"},
    {20284, u"IBM284", u"IBM EBCDIC (Spain)", "IBM284"},
    {20285, u"IBM285", u"IBM EBCDIC (UK)", "IBM285"},
    {20290, u"IBM290", u"IBM EBCDIC (Japanese katakana)", "IBM290"},
    {20297, u"IBM297", u"IBM EBCDIC (France)", "IBM297"},
    {20420, u"IBM420", u"IBM EBCDIC (Arabic)", "IBM420"},
    {20423, u"IBM423", u"IBM EBCDIC (Greek)", "IBM423"},
    {20424, u"IBM424", u"IBM EBCDIC (Hebrew)", "IBM424"},
    {20833, u"x-EBCDIC-KoreanExtended", u"IBM EBCDIC (Korean Extended)", ""},
    {20838, u"IBM-Thai", u"IBM EBCDIC (Thai)", ""},
    {20871, u"IBM871", u"IBM EBCDIC (Icelandic)", "IBM871"},
    {20880, u"IBM880", u"IBM EBCDIC (Cyrillic Russian)", "IBM880"},
    {20905, u"IBM905", u"IBM EBCDIC (Turkish)", "IBM905"},
    {20932, u"EUC-JP", u"Japanese (JIS 0208-1990 and 0212-1990)", "EUC-JP"},
    {20936, u"x-cp20936", u"Chinese Simplified (GB2312-80)", "GB2312"},
    {20949, u"x-cp20949", u"Korean Wansung", "EUC-KR"},
    {28594, u"iso-8859-4", u"Baltic (ISO)", "ISO-8859-4"},
    {28596, u"iso-8859-6", u"Arabic (ISO)", "ISO-8859-6"},
    {28598, u"iso-8859-8", u"Hebrew (ISO-Visual)", "ISO-8859-8"},
    {28599, u"iso-8859-9", u"Turkish (ISO)", "ISO-8859-9"},
    {28603, u"iso-8859-13", u"Estonian (ISO)", "ISO-8859-13"},
    {29001, u"x-Europa", u"Europa", ""},
    {38598, u"iso-8859-8-i", u"Hebrew (ISO-Logical)", "ISO-8859-8"},
    {50220, u"iso-2022-jp", u"Japanese (JIS)", "ISO-2022-JP"},
    {50221, u"csISO2022JP", u"Japanese (JIS-Allow 1 byte Kana)", "ISO-2022-JP"},
    {50222, u"iso-2022-jp", u"Japanese (JIS-Allow 1 byte Kana - SO/SI)", "ISO-2022-JP"},
    {50225, u"iso-2022-kr", u"Korean (ISO)", "ISO-2022-KR"},
    {50227, u"x-cp50227", u"Chinese Simplified (ISO-2022)", "ISO-2022-CN"},
    {51932, u"euc-jp", u"Japanese (EUC)", "EUC-JP"},
    {51936, u"EUC-CN", u"Chinese Simplified (EUC)", "EUC-CN"},
    {51949, u"euc-kr", u"Korean (EUC)", "EUC-KR"},
    {52936, u"hz-gb-2312", u"Chinese Simplified (HZ)", ""},
    {54936, u"GB18030", u"Chinese Simplified (GB18030)", "GB18030"},
    {57002, u"x-iscii-de", u"ISCII Devanagari", ""},
    {57003, u"x-iscii-be", u"ISCII Bengali", ""},
    {57004, u"x-iscii-ta", u"ISCII Tamil", ""},
    {57005, u"x-iscii-te", u"ISCII Telugu", ""},
    {57006, u"x-iscii-as", u"ISCII Assamese", ""},
    {57007, u"x-iscii-or", u"ISCII Oriya", ""},
    {57008, u"x-iscii-ka", u"ISCII Kannada", ""},
    {57009, u"x-iscii-ma", u"ISCII Malayalam", ""},
    {57010, u"x-iscii-gu", u"ISCII Gujarati", ""},
    {57011, u"x-iscii-pa", u"ISCII Punjabi", ""},
};
static_assert(std::size(Rows) == 142);

struct TTable {
  std::vector<TKitEncodingDescr> Descr;
  std::vector<TKitString> UpperNames;  // every name of every row, upper-cased
  std::vector<size_t> NameRow;         // the row of each of them
};

const TTable& Table() {
  static const TTable table = [] {
    TTable t;
    for (size_t r = 0; r < std::size(Rows); ++r) {
      TKitEncodingDescr d;
      d.CodePage = Rows[r].CodePage;
      d.Description = Rows[r].Description;
      KitSplitString(Rows[r].Names, u'|', d.Names);
      for (const TKitString& n : d.Names) {
        t.UpperNames.push_back(KitUpperCase(n));
        t.NameRow.push_back(r);
      }
      t.Descr.push_back(std::move(d));
    }
    return t;
  }();
  return table;
}

const TRow* FindRow(int CodePage) {
  for (const TRow& r : Rows)
    if (r.CodePage == CodePage) return &r;
  return nullptr;
}

constexpr int NamedCodePages[] = {0, 1, 20127, 65000, 65001, 1200, 1201, 12000, 12001, 0};

// The platform converter's name of any code page but the ones converted here.
std::string CharsetOf(int CodePage) {
  if (const TRow* r = FindRow(CodePage); r && *r->Charset) return r->Charset;
  if (CodePage == 12000) return "UTF-32LE";
  if (CodePage == 12001) return "UTF-32BE";
  return "CP" + std::to_string(CodePage);
}

constexpr const char* NativeUTF16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";

[[noreturn]] void RaiseConversion(const char* ErrorName) {
  throw EKitEncodingError(Format("Windows conversion function returned error: %s", ErrorName));
}

[[noreturn]] void RaiseConversionErrno(int Error) {
  switch (Error) {
    case EINVAL: RaiseConversion("ERROR_INVALID_PARAMETER");
    case E2BIG: RaiseConversion("ERROR_INSUFFICIENT_BUFFER");
    case EILSEQ: RaiseConversion("ERROR_NO_UNICODE_TRANSLATION");
    case EBADF: RaiseConversion("ERROR_INVALID_FLAGS");
    default: RaiseConversion("Unknown");
  }
}

[[noreturn]] void RaiseBadIndex(int64_t Index) {
  throw EKitEncodingError(Format("Bad index in array given: %lld", static_cast<long long>(Index)));
}

[[noreturn]] void RaiseBadRange(int64_t Start, int64_t Count) {
  throw EKitEncodingError(Format("Bad range in array given: [%lld, %lld]", static_cast<long long>(Start),
                                 static_cast<long long>(Start + Count - 1)));
}

[[noreturn]] void RaiseTooSmall() { throw EKitEncodingError("Buffer given to conversion function is too small"); }

void CheckRange(int64_t Start, int64_t Count, size_t Size) {
  if (Start < 0 || Count < 0 || Start + Count > static_cast<int64_t>(Size)) RaiseBadRange(Start, Count);
}

void CheckIndex(int64_t Index, size_t Size) {
  if (Index < 0 || Index > static_cast<int64_t>(Size)) RaiseBadIndex(Index);
}

constexpr char16_t Replacement = 0xFFFD;

void PutUnit(TKitWideCharArray& Out, uint32_t Value) {
  if (Value <= 0xFFFF) {
    Out.push_back(static_cast<char16_t>(Value));
  } else if (Value <= 0x10FFFF) {
    Value -= 0x10000;
    Out.push_back(static_cast<char16_t>(0xD800 + (Value >> 10)));
    Out.push_back(static_cast<char16_t>(0xDC00 + (Value & 0x3FF)));
  } else {
    Out.push_back(Replacement);
  }
}

bool IsHigh(char16_t U) { return U >= 0xD800 && U <= 0xDBFF; }
bool IsLow(char16_t U) { return U >= 0xDC00 && U <= 0xDFFF; }

TKitBOM BOMOf(TKitNamedEncoding Named) {
  switch (Named) {
    case neUTF8: return bomUTF8;
    case neUTF16LE: return bomUTF16LE;
    case neUTF16BE: return bomUTF16BE;
    case neUTF32LE: return bomUTF32LE;
    case neUTF32BE: return bomUTF32BE;
    default: return bomNone;
  }
}

int CodePageOf(TKitBOM BOM) {
  switch (BOM) {
    case bomUTF8: return 65001;
    case bomUTF16LE: return 1200;
    case bomUTF16BE: return 1201;
    case bomUTF32LE: return 12000;
    case bomUTF32BE: return 12001;
    default: return 0;
  }
}

// Decodes UTF-8 with the library's converter, appending to Out. A byte that begins no
// well-formed sequence (an encoded surrogate included) is one U+FFFD, a sequence cut off by
// the end of the bytes is left over, or with Final one U+FFFD. With Strict the decoding
// stops in front of either and sets Invalid. Answers the bytes consumed.
int DecodeUTF8(const uint8_t* Bytes, int Count, bool Final, bool Strict, bool* Invalid, TKitWideCharArray& Out) {
  const size_t old = Out.size();
  // No sequence gives more units than it has bytes, nor does a replaced byte.
  Out.resize(old + static_cast<size_t>(Count));
  const uint8_t* src = Bytes;
  const uint8_t* const end = Bytes + Count;
  char16_t* const first = Out.data();
  char16_t* dest = first + old;
  for (;;) {
    const int result = KitUTF8ToUTF16(src, end, dest, false);
    if (result == KitUTFConversionOK) break;
    // Cut off: the bytes there are so far may still begin a character.
    const bool cut = result == KitUTFSourceExhausted && KitIsLegalUTF8(src, static_cast<int>(end - src));
    if (cut && !Final) break;
    if (Strict) {
      if (Invalid) *Invalid = true;
      break;
    }
    *dest++ = Replacement;
    src = cut ? end : src + 1;
  }
  Out.resize(static_cast<size_t>(dest - first));
  return static_cast<int>(src - Bytes);
}

}  // namespace

// An open platform converter; its shift state carries from one call to the next.
class TKitCodeConverter {
 public:
  TKitCodeConverter(const char* To, const char* From) : FHandle(iconv_open(To, From)) {}
  ~TKitCodeConverter() {
    if (Valid()) iconv_close(FHandle);
  }
  TKitCodeConverter(const TKitCodeConverter&) = delete;
  TKitCodeConverter& operator=(const TKitCodeConverter&) = delete;
  bool Valid() const { return FHandle != reinterpret_cast<iconv_t>(-1); }
  void Reset() { iconv(FHandle, nullptr, nullptr, nullptr, nullptr); }

  // Converts In into Out (appending) until the input is used up or a character fails;
  // answers 0 or the errno of the failure. In and InLeft move past what was converted.
  template <class T>
  int Run(char*& In, size_t& InLeft, std::vector<T>& Out, bool Flush) {
    for (;;) {
      const size_t used = Out.size();
      Out.resize(used + InLeft + 16);
      char* out = reinterpret_cast<char*>(Out.data() + used);
      size_t outLeft = (Out.size() - used) * sizeof(T);
      const size_t room = outLeft;
      const size_t r = Flush ? iconv(FHandle, nullptr, nullptr, &out, &outLeft) : iconv(FHandle, &In, &InLeft, &out, &outLeft);
      const int error = r == static_cast<size_t>(-1) ? errno : 0;
      Out.resize(used + (room - outLeft) / sizeof(T));
      if (error != E2BIG) return error;
    }
  }

 private:
  iconv_t FHandle;
};

TKitDecodeState::TKitDecodeState() = default;
TKitDecodeState::~TKitDecodeState() = default;

void TKitDecodeState::Reset() {
  BytesUsed = 0;
  PreambleSeen = false;
  FStarted = false;
  Invalid = false;
  FHadBytes = FHadUnits = false;
  FConverter.reset();
}

// ---------------------------------------------------------------------------------------

int KitNamedEncodingCodePage(TKitNamedEncoding Named) { return NamedCodePages[Named]; }

TKitNamedEncoding KitCodePageNamedEncoding(int CodePage) {
  for (int n = neACP; n < neUndefined; ++n)
    if (NamedCodePages[n] == CodePage) return static_cast<TKitNamedEncoding>(n);
  return neUndefined;
}

TKitEncoding::TKitEncoding(int CodePage, const TKitString& Description, const TKitString& Name,
                           TKitNamedEncoding Named)
    : FName(Name), FCodePage(CodePage), FNamedEncoding(Named), FDescription(Description) {
  if (const TKitBOM bom = BOMOf(Named); bom != bomNone) {
    TKitMemoryStream s;
    KitWriteBOM(&s, bom);
    FPreamble = s.Data();
  }
  switch (CodePage) {
    case 1200: FKind = kUTF16LE; break;
    case 1201: FKind = kUTF16BE; break;
    case 12000: FKind = kUTF32LE; break;
    case 12001: FKind = kUTF32BE; break;
    // The platform's CP1252 leaves five bytes undefined; the own table reads every byte
    // and writes it back.
    case 0: case 1252: FKind = kAnsi; break;
    case 65001: FKind = kUTF8; FCharset = CharsetOf(CodePage); break;
    default: FKind = kPlatform; FCharset = CharsetOf(CodePage);
  }
}

TKitEncoding::~TKitEncoding() = default;

std::unique_ptr<TKitEncoding> TKitEncoding::GetEncoding(int CodePage) {
  const TKitNamedEncoding named = KitCodePageNamedEncoding(CodePage);
  if (const TRow* r = FindRow(CodePage)) {
    const TKitEncodingDescr& d = Table().Descr[static_cast<size_t>(r - Rows)];
    return std::make_unique<TKitEncoding>(CodePage, d.Description, d.Names.front(), named);
  }
  return std::make_unique<TKitEncoding>(CodePage, u"Undefined", u"Undefined", named);
}

std::unique_ptr<TKitEncoding> TKitEncoding::GetEncoding(TKitNamedEncoding Named) {
  return GetEncoding(KitNamedEncodingCodePage(Named));
}

std::unique_ptr<TKitEncoding> TKitEncoding::GetEncoding(const TKitString& Name) {
  const TKitString name = KitTrim(Name);
  const TKitString upper = KitUpperCase(name);
  const TTable& t = Table();
  for (size_t i = 0; i < t.UpperNames.size(); ++i)
    if (t.UpperNames[i] == upper) return GetEncoding(t.Descr[t.NameRow[i]].CodePage);
  int32_t codePage;
  if (!TryStrToInt(KitToPlatformText(name), codePage))
    throw EKitEncodingError(
        Format("Can't create TKitEncoding by name '%s': unknown name", KitToPlatformText(name).c_str()));
  return std::make_unique<TKitEncoding>(codePage, u"Undefined", name, KitCodePageNamedEncoding(codePage));
}

std::vector<TKitEncodingDescr> TKitEncoding::GetDescriptions(bool ValidOnly) {
  std::vector<TKitEncodingDescr> out;
  for (const TKitEncodingDescr& d : Table().Descr)
    if (!ValidOnly || IsEncodingValid(d.CodePage)) out.push_back(d);
  return out;
}

bool TKitEncoding::IsEncodingValid(int CodePage) {
  switch (CodePage) {
    case 0: case 1200: case 1201: case 12000: case 12001: return true;
    default: return TKitCodeConverter(NativeUTF16, CharsetOf(CodePage).c_str()).Valid();
  }
}

bool TKitEncoding::IsUnicodeEncoding(int CodePage) {
  switch (CodePage) {
    case 65000: case 65001: case 1200: case 1201: case 12000: case 12001: return true;
    default: return false;
  }
}

void TKitEncoding::TryDetectEncoding(const TKitByteArray& Bytes, int Start, int Count, TKitEncodingDetect& Detect) {
  CheckRange(Start, Count, Bytes.size());
  const auto head = Bytes.begin() + Start;
  TKitMemoryStream s(TKitByteArray(head, head + std::min(Count, 4)));
  int length;
  const int codePage = CodePageOf(KitReadBOM(&s, length, true));
  Detect = {};
  if (codePage != 0) Detect = {true, codePage, true};
}

void TKitEncoding::TryDetectEncoding(TKitStream& Stream, TKitEncodingDetect& Detect) {
  const int64_t start = Stream.Position();
  TKitByteArray head(static_cast<size_t>(std::clamp<int64_t>(Stream.Size() - start, 0, 4)));
  head.resize(static_cast<size_t>(Stream.Read(head.data(), static_cast<int64_t>(head.size()))));
  Stream.SetPosition(start);
  TryDetectEncoding(head, 0, static_cast<int>(head.size()), Detect);
  if (Detect.Detected) return;

  // UTF-8 when every sequence is well formed and at least one has more than one byte.
  uint8_t buf[1024];
  int pending = 0;
  bool multi = false, valid = true;
  for (int64_t n; valid && (n = Stream.Read(buf, sizeof buf)) > 0;) {
    for (int64_t i = 0; i < n && valid; ++i) {
      const uint8_t b = buf[i];
      if (pending > 0) {
        valid = (b & 0xC0) == 0x80;
        --pending;
      } else if (b >= 0x80) {
        multi = true;
        if ((b & 0xE0) == 0xC0) pending = 1;
        else if ((b & 0xF0) == 0xE0) pending = 2;
        else if ((b & 0xF8) == 0xF0) pending = 3;
        else valid = false;
      }
    }
  }
  Stream.SetPosition(start);
  Detect = {};
  if (valid && multi && pending == 0) Detect = {false, 65001, true};
}

void TKitEncoding::TryDetectEncoding(const TKitString& FileName, TKitEncodingDetect& Detect) {
  TKitFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
  TryDetectEncoding(f, Detect);
}

// ---------------------------------------------------------------------------------------

std::unique_ptr<TKitCodeConverter> TKitEncoding::OpenConverter(bool ForDecoding) const {
  auto c = ForDecoding ? std::make_unique<TKitCodeConverter>(NativeUTF16, FCharset.c_str())
                       : std::make_unique<TKitCodeConverter>(FCharset.c_str(), NativeUTF16);
  if (!c->Valid()) RaiseConversion("ERROR_INVALID_PARAMETER");
  return c;
}

int TKitEncoding::Decode(const uint8_t* Bytes, int Count, bool Final, TKitWideCharArray& Out,
                         TKitCodeConverter* Converter, bool Strict, bool* Invalid) {
  const size_t n = static_cast<size_t>(Count);
  auto be16 = [Bytes](size_t i) { return static_cast<uint32_t>(Bytes[i] << 8 | Bytes[i + 1]); };
  auto le16 = [Bytes](size_t i) { return static_cast<uint32_t>(Bytes[i + 1] << 8 | Bytes[i]); };
  // The own forms drop a remainder too short for a unit at the end of the bytes.
  switch (FKind) {
    case kUTF16LE:
    case kUTF16BE:
      Out.reserve(Out.size() + n / 2);
      for (size_t i = 0; i + 2 <= n; i += 2) Out.push_back(static_cast<char16_t>(FKind == kUTF16LE ? le16(i) : be16(i)));
      return Final ? Count : Count / 2 * 2;
    case kUTF32LE:
    case kUTF32BE:
      for (size_t i = 0; i + 4 <= n; i += 4)
        PutUnit(Out, FKind == kUTF32LE ? le16(i + 2) << 16 | le16(i) : be16(i) << 16 | be16(i + 2));
      return Final ? Count : Count / 4 * 4;
    case kAnsi: {
      const size_t old = Out.size();
      Out.resize(old + n);
      char16_t* out = Out.data() + old;
      // Only 80-9F differ from Latin-1.
      for (size_t i = 0; i < n; ++i) {
        const uint8_t b = Bytes[i];
        out[i] = b < 0x80 || b >= 0xA0 ? b : KitAnsiCharToWide(b);
      }
      return Count;
    }
    case kUTF8: return DecodeUTF8(Bytes, Count, Final, Strict, Invalid, Out);
    case kPlatform: break;
  }
  char* in = reinterpret_cast<char*>(const_cast<uint8_t*>(Bytes));
  size_t inLeft = n;
  while (inLeft > 0) {
    const int error = Converter->Run(in, inLeft, Out, false);
    if (error == 0) break;
    if (Strict && (error == EILSEQ || (error == EINVAL && Final))) {
      if (Invalid) *Invalid = true;
      return Count - static_cast<int>(inLeft);
    }
    if (error == EILSEQ) {
      // An undecodable byte stands for one character of its own.
      Out.push_back(Replacement);
      ++in;
      --inLeft;
    } else if (error == EINVAL) {
      // A character cut off by the end of the bytes.
      if (!Final) break;
      Out.push_back(Replacement);
      inLeft = 0;
    } else {
      RaiseConversionErrno(error);
    }
  }
  if (Final) {
    size_t none = 0;
    Converter->Run(in, none, Out, true);
  }
  return Count - static_cast<int>(inLeft);
}

const TKitByteArray& TKitEncoding::DefaultChar() {
  if (!FDefaultCharKnown) {
    FDefaultCharKnown = true;
    TKitCodeConverter c(FCharset.c_str(), NativeUTF16);
    const char16_t question = u'?';
    char* in = reinterpret_cast<char*>(const_cast<char16_t*>(&question));
    size_t inLeft = sizeof question;
    if (c.Valid() && c.Run(in, inLeft, FDefaultChar, false) == 0) c.Run(in, inLeft, FDefaultChar, true);
    else FDefaultChar.clear();
  }
  return FDefaultChar;
}

void TKitEncoding::Encode(const char16_t* Units, int Count, TKitByteArray& Out) {
  const size_t n = static_cast<size_t>(Count);
  auto put16 = [&Out, this](uint32_t U) {
    const bool le = FKind == kUTF16LE || FKind == kUTF32LE;
    const uint8_t lo = static_cast<uint8_t>(U), hi = static_cast<uint8_t>(U >> 8);
    Out.push_back(le ? lo : hi);
    Out.push_back(le ? hi : lo);
  };
  switch (FKind) {
    case kUTF16LE:
    case kUTF16BE:
      Out.reserve(Out.size() + 2 * n);
      for (size_t i = 0; i < n; ++i) put16(Units[i]);
      return;
    case kUTF32LE:
    case kUTF32BE:
      for (size_t i = 0; i < n; ++i) {
        uint32_t v = Units[i];
        // A surrogate pair is one character; a lone surrogate is written as it is.
        if (IsHigh(Units[i]) && i + 1 < n && IsLow(Units[i + 1])) {
          v = 0x10000 + ((v - 0xD800) << 10) + (Units[i + 1] - 0xDC00u);
          ++i;
        }
        if (FKind == kUTF32LE) put16(v & 0xFFFF), put16(v >> 16);
        else put16(v >> 16), put16(v & 0xFFFF);
      }
      return;
    case kAnsi: {
      const std::string s = KitStringToAnsi(TKitString(Units, n));
      Out.insert(Out.end(), s.begin(), s.end());
      return;
    }
    case kUTF8:
    case kPlatform: break;
  }
  if (!FEncoder) FEncoder = OpenConverter(false);
  FEncoder->Reset();
  char* in = reinterpret_cast<char*>(const_cast<char16_t*>(Units));
  size_t inLeft = n * sizeof(char16_t);
  while (inLeft > 0) {
    const int error = FEncoder->Run(in, inLeft, Out, false);
    if (error == 0) break;
    if (error != EILSEQ && error != EINVAL) RaiseConversionErrno(error);
    // A character the code page lacks, or a lone surrogate, becomes the default character.
    const TKitByteArray& d = DefaultChar();
    Out.insert(Out.end(), d.begin(), d.end());
    const size_t skip = std::min(inLeft, sizeof(char16_t));
    in += skip;
    inLeft -= skip;
  }
  size_t none = 0;
  FEncoder->Run(in, none, Out, true);
}

// ---------------------------------------------------------------------------------------

bool TKitEncoding::StartsFromMyPreamble(const TKitByteArray& Bytes, int Start, int Count) const {
  const size_t len = FPreamble.size();
  return len > 0 && Count >= static_cast<int>(len) && Start >= 0 && static_cast<size_t>(Start) + len <= Bytes.size() &&
         std::equal(FPreamble.begin(), FPreamble.end(), Bytes.begin() + Start);
}

int TKitEncoding::SkipPreamble(const TKitByteArray& Bytes, int Start, int Count) {
  return StartsFromMyPreamble(Bytes, Start, Count) ? Start + PreambleCount() : Start;
}

int TKitEncoding::WritePreamble(TKitByteArray& Bytes, int Start, int Count) {
  CheckRange(Start, std::max(PreambleCount(), Count), Bytes.size());
  std::copy(FPreamble.begin(), FPreamble.end(), Bytes.begin() + Start);
  return PreambleCount();
}

int TKitEncoding::GetRequiredWideCharBufferSize(const TKitByteArray& Bytes, int Start, int Count) {
  if (Count == 0) return 0;
  CheckRange(Start, Count, Bytes.size());
  const int skip = SkipPreamble(Bytes, Start, Count) - Start;
  TKitWideCharArray units;
  if (FKind == kPlatform) {
    if (!FDecoder) FDecoder = OpenConverter(true);
    FDecoder->Reset();
  }
  Decode(Bytes.data() + Start + skip, Count - skip, true, units, FDecoder.get());
  if (units.empty() && Count > skip && FKind != kPlatform) RaiseConversion("ERROR_NO_UNICODE_TRANSLATION");
  return static_cast<int>(units.size());
}

int TKitEncoding::GetRequiredByteBufferSize(const TKitWideCharArray& Units, int Start, bool UsePreamble, int Count) {
  if (Count == 0) return UsePreamble ? PreambleCount() : 0;
  CheckRange(Start, Count, Units.size());
  TKitByteArray bytes;
  Encode(Units.data() + Start, Count, bytes);
  if (bytes.empty()) RaiseConversion("ERROR_NO_UNICODE_TRANSLATION");
  return static_cast<int>(bytes.size()) + (UsePreamble ? PreambleCount() : 0);
}

int TKitEncoding::GetRequiredWideCharBufferSize(const TKitByteArray& Bytes) {
  return GetRequiredWideCharBufferSize(Bytes, 0, static_cast<int>(Bytes.size()));
}

int TKitEncoding::GetRequiredByteBufferSize(const TKitWideCharArray& Units, bool UsePreamble) {
  return GetRequiredByteBufferSize(Units, 0, UsePreamble, static_cast<int>(Units.size()));
}

namespace {

// Puts Source into Dest from Start, growing Dest when allowed.
template <class T>
void Place(const std::vector<T>& Source, std::vector<T>& Dest, size_t Start, bool MayGrow) {
  const size_t need = Start + Source.size();
  if (Dest.size() < need) {
    if (!MayGrow) RaiseTooSmall();
    Dest.resize(need);
  }
  std::copy(Source.begin(), Source.end(), Dest.begin() + static_cast<std::ptrdiff_t>(Start));
}

}  // namespace

int TKitEncoding::DecodeBuffer(TKitWideCharArray& Units, int UnitsStart, bool MayGrow, int ByteCount, int ByteStart,
                               const TKitByteArray& Bytes) {
  if (ByteCount == 0) return 0;
  CheckIndex(UnitsStart, Units.size());
  CheckRange(ByteStart, ByteCount, Bytes.size());
  const int skip = SkipPreamble(Bytes, ByteStart, ByteCount) - ByteStart;
  TKitWideCharArray units;
  if (FKind == kPlatform) {
    if (!FDecoder) FDecoder = OpenConverter(true);
    FDecoder->Reset();
  }
  Decode(Bytes.data() + ByteStart + skip, ByteCount - skip, true, units, FDecoder.get());
  // Bytes that hold no whole unit cannot be decoded; a bare preamble is an empty text.
  if (units.empty() && ByteCount > skip && FKind != kPlatform) RaiseConversion("ERROR_NO_UNICODE_TRANSLATION");
  Place(units, Units, static_cast<size_t>(UnitsStart), MayGrow);
  return static_cast<int>(units.size());
}

int TKitEncoding::EncodeBuffer(const TKitWideCharArray& Units, int UnitsStart, bool MayGrow, bool UsePreamble,
                               int ByteStart, TKitByteArray& Bytes, int UnitCount) {
  if (UnitCount == 0) return 0;
  CheckRange(UnitsStart, UnitCount, Units.size());
  CheckIndex(ByteStart, Bytes.size());
  TKitByteArray bytes;
  if (UsePreamble) bytes = FPreamble;
  const size_t preamble = bytes.size();
  Encode(Units.data() + UnitsStart, UnitCount, bytes);
  if (bytes.size() == preamble) RaiseConversion("ERROR_NO_UNICODE_TRANSLATION");
  Place(bytes, Bytes, static_cast<size_t>(ByteStart), MayGrow);
  return static_cast<int>(bytes.size());
}

int TKitEncoding::ReadBuffer(TKitWideCharArray& Units, int UnitsStart, int ByteCount, int ByteStart,
                             const TKitByteArray& Bytes, TKitDecodeState& State) {
  State.BytesUsed = 0;
  if (ByteCount == 0) return 0;
  CheckIndex(UnitsStart, Units.size());
  CheckRange(ByteStart, ByteCount, Bytes.size());
  int skip = 0;
  if (!State.FStarted) {
    // A pass too short to tell whether the preamble is there waits for more bytes.
    const int preamble = PreambleCount();
    if (!State.Last && ByteCount < preamble &&
        std::equal(Bytes.begin() + ByteStart, Bytes.begin() + ByteStart + ByteCount, FPreamble.begin()))
      return 0;
    State.FStarted = true;
    State.PreambleSeen = StartsFromMyPreamble(Bytes, ByteStart, ByteCount);
    if (State.PreambleSeen) skip = preamble;
  }
  if (FKind == kPlatform && !State.FConverter) State.FConverter = OpenConverter(true);
  // A loader appends pass by pass: then the units go straight behind the others.
  const bool appending = static_cast<size_t>(UnitsStart) == Units.size();
  TKitWideCharArray separate;
  TKitWideCharArray& units = appending ? Units : separate;
  const size_t before = units.size();
  bool invalid = false;
  const int used = Decode(Bytes.data() + ByteStart + skip, ByteCount - skip, State.Last, units, State.FConverter.get(),
                          State.Strict, &invalid);
  const size_t count = units.size() - before;
  State.Invalid = State.Invalid || invalid;
  // As for a whole buffer: bytes that gave no unit at all are an error (a stateful code
  // page may end in a shift sequence of no text).
  State.FHadBytes = State.FHadBytes || ByteCount > skip;
  State.FHadUnits = State.FHadUnits || count > 0;
  if (State.Last && !State.Invalid && State.FHadBytes && !State.FHadUnits && FKind != kPlatform)
    RaiseConversion("ERROR_NO_UNICODE_TRANSLATION");
  if (!appending) Place(units, Units, static_cast<size_t>(UnitsStart), true);
  State.BytesUsed = skip + used;
  return static_cast<int>(count);
}

int TKitEncoding::ReadStream(TKitWideCharArray& Units, int UnitsStart, int ByteCount, TKitStream& Stream) {
  if (ByteCount <= 0) return 0;
  CheckIndex(UnitsStart, Units.size());
  const int64_t count = std::clamp<int64_t>(Stream.Size() - Stream.Position(), 0, ByteCount);
  TKitByteArray bytes(static_cast<size_t>(count));
  Stream.ReadBuffer(bytes.data(), count);
  return DecodeBuffer(Units, UnitsStart, true, static_cast<int>(count), 0, bytes);
}

int TKitEncoding::WriteStream(const TKitWideCharArray& Units, int UnitsStart, bool UsePreamble, TKitStream& Stream,
                              int UnitCount) {
  if (UnitCount == 0) return 0;
  CheckRange(UnitsStart, UnitCount, Units.size());
  TKitByteArray bytes;
  const int n = EncodeBuffer(Units, UnitsStart, true, UsePreamble, 0, bytes, UnitCount);
  Stream.WriteBuffer(bytes.data(), n);
  return n;
}

int TKitEncoding::ReadBuffer(TKitWideCharArray& Units, const TKitByteArray& Bytes) {
  return DecodeBuffer(Units, 0, true, static_cast<int>(Bytes.size()), 0, Bytes);
}

int TKitEncoding::ReadBuffer(TKitWideCharArray& Units, int UnitsStart, int ByteCount, int ByteStart,
                             const TKitByteArray& Bytes) {
  return DecodeBuffer(Units, UnitsStart, true, ByteCount, ByteStart, Bytes);
}

int TKitEncoding::ReadBufferCheck(TKitWideCharArray& Units, const TKitByteArray& Bytes) {
  return DecodeBuffer(Units, 0, false, static_cast<int>(Bytes.size()), 0, Bytes);
}

int TKitEncoding::ReadBufferCheck(TKitWideCharArray& Units, int UnitsStart, int ByteCount, int ByteStart,
                                  const TKitByteArray& Bytes) {
  return DecodeBuffer(Units, UnitsStart, false, ByteCount, ByteStart, Bytes);
}

int TKitEncoding::ReadStream(TKitWideCharArray& Units, TKitStream& Stream) {
  return ReadStream(Units, 0, static_cast<int>(std::min<int64_t>(Stream.Size() - Stream.Position(), INT32_MAX)), Stream);
}

int TKitEncoding::WriteBuffer(const TKitWideCharArray& Units, TKitByteArray& Bytes, bool UsePreamble) {
  return EncodeBuffer(Units, 0, true, UsePreamble, 0, Bytes, static_cast<int>(Units.size()));
}

int TKitEncoding::WriteBuffer(const TKitWideCharArray& Units, int UnitsStart, bool UsePreamble, int ByteStart,
                              TKitByteArray& Bytes, int UnitCount) {
  return EncodeBuffer(Units, UnitsStart, true, UsePreamble, ByteStart, Bytes, UnitCount);
}

int TKitEncoding::WriteBufferCheck(const TKitWideCharArray& Units, TKitByteArray& Bytes, bool UsePreamble) {
  return EncodeBuffer(Units, 0, false, UsePreamble, 0, Bytes, static_cast<int>(Units.size()));
}

int TKitEncoding::WriteBufferCheck(const TKitWideCharArray& Units, int UnitsStart, bool UsePreamble, int ByteStart,
                                   TKitByteArray& Bytes, int UnitCount) {
  return EncodeBuffer(Units, UnitsStart, false, UsePreamble, ByteStart, Bytes, UnitCount);
}

int TKitEncoding::WriteStream(const TKitWideCharArray& Units, TKitStream& Stream, bool UsePreamble) {
  return WriteStream(Units, 0, UsePreamble, Stream, static_cast<int>(Units.size()));
}

}  // namespace zv

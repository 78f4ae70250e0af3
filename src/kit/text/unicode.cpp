#include "kit/text/unicode.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "kit/text/unicode_tables.h"

namespace zv {

namespace {

constexpr std::array<uint8_t, 256> TrailingBytes = [] {
  std::array<uint8_t, 256> t{};
  for (int b = 0; b < 256; ++b)
    t[static_cast<size_t>(b)] = b < 0xC0 ? 0 : b < 0xE0 ? 1 : b < 0xF0 ? 2 : b < 0xF8 ? 3 : b < 0xFC ? 4 : 5;
  return t;
}();
// Subtracted after accumulation, by trailing count.
constexpr uint32_t Offsets[6] = {0x00000000, 0x00003080, 0x000E2080, 0x03C82080, 0xFA082080, 0x82082080};
// First-byte marks by sequence length.
constexpr uint8_t FirstByteMark[7] = {0x00, 0x00, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC};

constexpr bool IsHighSurrogate(uint32_t C) { return C >= 0xD800 && C <= 0xDBFF; }
constexpr bool IsLowSurrogate(uint32_t C) { return C >= 0xDC00 && C <= 0xDFFF; }

void AppendUTF8(std::string& Out, uint32_t Value) {
  const int length = Value < 0x80 ? 1 : Value < 0x800 ? 2 : Value < 0x10000 ? 3 : 4;
  char bytes[4];
  for (int i = length - 1; i > 0; --i) {
    bytes[i] = static_cast<char>((Value | 0x80) & 0xBF);
    Value >>= 6;
  }
  bytes[0] = static_cast<char>(Value | FirstByteMark[length]);
  Out.append(bytes, static_cast<size_t>(length));
}

// Windows-1252 at 80-9F; the rest of the code page is Latin-1.
constexpr char16_t Ansi80[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// One direction of case mapping for the active rows: the unit the lowest-numbered row
// keyed by a unit maps it to, or the unit itself.
struct TCaseIndex {
  char16_t Map[65536];
  explicit TCaseIndex(bool Upper) {
    std::vector<bool> set(65536);
    for (int u = 0; u < 65536; ++u) Map[u] = static_cast<char16_t>(u);
    for (const TKitCaseRow& row : KitCaseRows) {
      if (!(row.Status & KitCaseActiveMask)) continue;
      const char16_t key = Upper ? row.Mapping[0] : row.Code;
      if (set[key]) continue;
      set[key] = true;
      Map[key] = Upper ? row.Code : row.Mapping[0];
    }
  }
};

// Built on first use of each direction; thread-safe through the function-local statics.
const TCaseIndex& LowerIndex() {
  static const TCaseIndex index(false);
  return index;
}
const TCaseIndex& UpperIndex() {
  static const TCaseIndex index(true);
  return index;
}

TKitString MapCase(const TKitString& S, const TCaseIndex& Index) {
  TKitString out(S);
  for (char16_t& c : out) c = Index.Map[c];
  return out;
}

}  // namespace

int KitUTF8TrailingBytes(uint8_t Lead) { return TrailingBytes[Lead]; }

bool KitIsLegalUTF8(const uint8_t* Source, int Length) {
  if (Length < 1 || Length > 4) return false;
  const uint8_t lead = Source[0];
  if (Length >= 4 && (Source[3] < 0x80 || Source[3] > 0xBF)) return false;
  if (Length >= 3 && (Source[2] < 0x80 || Source[2] > 0xBF)) return false;
  if (Length >= 2) {
    const uint8_t a = Source[1];
    if (a < 0x80 || a > 0xBF) return false;
    if ((lead == 0xE0 && a < 0xA0) || (lead == 0xF0 && a < 0x90) || (lead == 0xF4 && a > 0x8F)) return false;
  }
  return !(lead >= 0x80 && lead < 0xC2) && lead <= 0xF4;
}

int KitUTF16ToUTF8(const TKitString& Source, std::string& Out, bool Lenient, bool AddBOM) {
  Out.clear();
  int result = KitUTFConversionOK;
  const size_t n = Source.size();
  for (size_t i = 0; i < n;) {
    uint32_t ch = Source[i++];
    if (IsHighSurrogate(ch)) {
      if (i < n && IsLowSurrogate(Source[i])) {
        ch = ((ch - 0xD800) << 10) + (Source[i++] - 0xDC00u) + 0x10000;
      } else if (!Lenient) {
        // Also at the end of the input: a lone surrogate has no well-formed UTF-8.
        result = KitUTFSourceIllegal;
        break;
      }
    } else if (IsLowSurrogate(ch) && !Lenient) {
      result = KitUTFSourceIllegal;
      break;
    }
    AppendUTF8(Out, ch);
  }
  if (AddBOM && Out.compare(0, 3, "\xEF\xBB\xBF") != 0) Out.insert(0, "\xEF\xBB\xBF");
  return result;
}

int KitUTF8ToUTF16(const uint8_t*& Source, const uint8_t* End, char16_t*& Dest, bool Lenient) {
  const uint8_t* src = Source;
  char16_t* dest = Dest;
  int result = KitUTFConversionOK;
  while (src < End) {
    // Text is mostly ASCII: eight bytes below 80 are widened at once.
    while (End - src >= 8) {
      uint64_t word;
      std::memcpy(&word, src, 8);
      if (word & 0x8080808080808080u) break;
      for (int k = 0; k < 8; ++k) dest[k] = src[k];
      src += 8;
      dest += 8;
    }
    if (src == End) break;
    if (*src < 0x80) {
      *dest++ = *src++;
      continue;
    }
    const int t = TrailingBytes[*src];
    if (End - src <= t) {
      result = KitUTFSourceExhausted;
      break;
    }
    if (!KitIsLegalUTF8(src, t + 1)) {
      result = KitUTFSourceIllegal;
      break;
    }
    uint32_t value = 0;
    for (int k = 0; k < t; ++k) value = (value + src[k]) << 6;
    value += src[t];
    value -= Offsets[t];
    if (value <= 0xFFFF) {
      if (value >= 0xD800 && value <= 0xDFFF && !Lenient) {
        result = KitUTFSourceIllegal;
        break;
      }
      *dest++ = static_cast<char16_t>(value);
    } else {
      value -= 0x10000;
      *dest++ = static_cast<char16_t>((value >> 10) + 0xD800);
      *dest++ = static_cast<char16_t>((value & 0x3FF) + 0xDC00);
    }
    src += t + 1;
  }
  Source = src;
  Dest = dest;
  return result;
}

int KitUTF8ToUTF16(const std::string& Source, TKitString& Out, bool Lenient, bool AddBOM) {
  // No sequence gives more units than it has bytes.
  Out.resize(Source.size());
  const auto* src = reinterpret_cast<const uint8_t*>(Source.data());
  char16_t* dest = Out.data();
  const int result = KitUTF8ToUTF16(src, src + Source.size(), dest, Lenient);
  Out.resize(static_cast<size_t>(dest - Out.data()));
  if (AddBOM && (Out.empty() || Out[0] != 0xFEFF)) Out.insert(Out.begin(), char16_t{0xFEFF});
  return result;
}

void KitUTF8OrAnsiToString(const std::string& Source, TKitString& Out) {
  if (Source.compare(0, 3, "\xEF\xBB\xBF") != 0) {
    Out = KitAnsiToString(Source);
    return;
  }
  TKitString s;
  if (KitUTF8ToUTF16(Source, s, false, false) == KitUTFSourceIllegal) {
    Out = KitAnsiToString(Source);
    return;
  }
  if (s.size() > 1 && s[0] == 0xFEFF) s.erase(0, 1);
  Out = std::move(s);
}

char16_t KitAnsiCharToWide(uint8_t Byte) {
  return Byte >= 0x80 && Byte < 0xA0 ? Ansi80[Byte - 0x80] : static_cast<char16_t>(Byte);
}

TKitString KitAnsiToString(const std::string& Source) {
  TKitString out(Source.size(), u'\0');
  for (size_t i = 0; i < Source.size(); ++i) out[i] = KitAnsiCharToWide(static_cast<uint8_t>(Source[i]));
  return out;
}

std::string KitStringToAnsi(const TKitString& Source) {
  std::string out;
  out.reserve(Source.size());
  for (size_t i = 0; i < Source.size(); ++i) {
    const char16_t c = Source[i];
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      out += static_cast<char>(c);
      continue;
    }
    const char16_t* hit = std::find(std::begin(Ansi80), std::end(Ansi80), c);
    if (hit != std::end(Ansi80)) {
      out += static_cast<char>(0x80 + (hit - Ansi80));
      continue;
    }
    // A surrogate pair is one character without a byte.
    if (IsHighSurrogate(c) && i + 1 < Source.size() && IsLowSurrogate(Source[i + 1])) ++i;
    out += '?';
  }
  return out;
}

TKitString KitUpperCase(const TKitString& S) { return S.empty() ? S : MapCase(S, UpperIndex()); }
TKitString KitLowerCase(const TKitString& S) { return S.empty() ? S : MapCase(S, LowerIndex()); }
char16_t KitUpperChar(char16_t C) { return UpperIndex().Map[C]; }
char16_t KitLowerChar(char16_t C) { return LowerIndex().Map[C]; }

std::span<const TKitCaseRow> KitCaseTable() { return KitCaseRows; }

TKitUnicodeCategory KitGetUnicodeCategory(char16_t C) {
  return static_cast<TKitUnicodeCategory>(KitCategoryPages[KitCategoryPageOffsets[C >> 8] + (C & 0xFF)]);
}

void KitWideSetString(TKitString& Out, const char16_t* P, int Count) {
  if (Count <= 0) Out.clear();
  else if (!P) Out.assign(static_cast<size_t>(Count), u'\0');
  else Out.assign(P, static_cast<size_t>(Count));
}

void KitMoveWideChars(const char16_t* Source, char16_t* Dest, int Count) {
  if (Count > 0) std::memmove(Dest, Source, static_cast<size_t>(Count) * sizeof(char16_t));
}

void KitFillWideChars(char16_t* Dest, int Count, char16_t Unit) {
  if (Count > 0) std::fill_n(Dest, Count, Unit);
}

}  // namespace zv

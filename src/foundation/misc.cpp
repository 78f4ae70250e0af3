#include "foundation/misc.h"

#include <cctype>
#include <limits>

#include "foundation/errors.h"

namespace zv {

void TStringWrapper::WrongEncoding() { throw Exception("Wrong encoding in pdu"); }

void TStringWrapper::ExpectByte(uint8_t value) {
  uint8_t b = NextByte();
  if (b != value)
    throw Exception(Format("Byte[%d]:, expected 0x%02X found 0x%02X", FIndex - 1, value, b));
}

std::string TStringWrapper::CopyFromIndexAndForward(int qty) {
  if (qty < 0 || qty > RemainingBytes()) WrongEncoding();
  std::string r = FString.substr(static_cast<size_t>(FIndex - 1), static_cast<size_t>(qty));
  FIndex += qty;
  return r;
}

void TStringWrapper::SetNextByte(uint8_t value) {
  FString.insert(FString.begin() + (FIndex - 1), static_cast<char>(value));
}

static const char kHex[] = "0123456789ABCDEF";

std::string TMisc::ByteStrToHexStr(std::string_view s) {
  std::string r;
  r.resize(s.size() * 2);
  for (size_t i = 0; i < s.size(); ++i) {
    auto b = static_cast<uint8_t>(s[i]);
    r[2 * i] = kHex[b >> 4];
    r[2 * i + 1] = kHex[b & 15];
  }
  return r;
}

static bool AllPrintable(std::string_view s, bool allowApostrophe) {
  if (s.empty()) return false;
  for (char c : s) {
    auto b = static_cast<uint8_t>(c);
    if (b < 32 || b > 126 || b == '"' || (!allowApostrophe && b == '\'')) return false;
  }
  return true;
}

// A backslash and the octets as they are. Appended rather than written "\\" + std::string(s),
// which g++ 12 at -O3 misreads as an overlapping copy (-Wrestrict).
static std::string BackslashText(std::string_view s) {
  std::string r;
  r.reserve(s.size() + 1);
  r.push_back('\\');
  r.append(s);
  return r;
}

std::string TMisc::ByteStrToFormatedString2(std::string_view s) {
  if (AllPrintable(s, false)) return BackslashText(s);
  return ByteStrToHexStr(s);
}

std::string ByteStrToFormatedString(std::string_view s) {
  if (AllPrintable(s, true)) return BackslashText(s);
  return TMisc::ByteStrToHexStr(s);
}

int TMisc::H1(char digit) {
  if (digit >= '0' && digit <= '9') return digit - '0';
  if (digit >= 'A' && digit <= 'F') return digit - 'A' + 10;
  if (digit >= 'a' && digit <= 'f') return digit - 'a' + 10;
  throw Exception("Illegal hex-character");
}

PduStr TMisc::HexStrToByteStr(std::string_view s) {
  PduStr r;
  r.reserve(s.size() / 2);
  size_t i = 0;
  for (;;) {
    char d[2];
    int n = 0;
    while (n < 2 && i < s.size()) {
      char c = s[i++];
      if (c != ' ') d[n++] = c;
    }
    if (n == 2) {
      r.push_back(static_cast<char>(H2(d[0], d[1])));
    } else if (n == 1) {
      throw Exception("HexStrToByteStr: Hex-character missing");
    } else {
      return r;
    }
  }
}

// Text typed into the XML form is UTF-8 here; a character stands for one octet,
// so code points below 256 map to their octet. Invalid UTF-8 is taken octet by octet.
static PduStr TextToOctets(std::string_view s) {
  PduStr r;
  r.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    auto b = static_cast<uint8_t>(s[i]);
    if (b < 0x80) {
      r.push_back(static_cast<char>(b));
      ++i;
      continue;
    }
    int len = (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
    uint32_t cp = len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
    bool ok = len != 0 && i + static_cast<size_t>(len) <= s.size();
    for (int k = 1; ok && k < len; ++k) {
      auto c = static_cast<uint8_t>(s[i + static_cast<size_t>(k)]);
      if ((c & 0xC0) != 0x80) ok = false;
      cp = (cp << 6) | (c & 0x3F);
    }
    if (!ok) {
      r.push_back(static_cast<char>(b));
      ++i;
      continue;
    }
    r.push_back(static_cast<char>(cp & 0xFF));
    i += static_cast<size_t>(len);
  }
  return r;
}

void TMisc::FormattedStrToByteStr(std::string_view s, TStringFormat& format, PduStr& bytes) {
  bytes.clear();
  if (s.empty()) {
    format = sfNone;
    return;
  }
  if (s[0] == '\\') {
    format = sfVisibleString;
    bytes = TextToOctets(s.substr(1));
    return;
  }
  if (s.find('.') == std::string_view::npos) {
    format = sfHex;
    bytes = HexStrToByteStr(s);
    return;
  }
  format = sfDotted;
  size_t i = 0;
  for (int k = 0; k < 6; ++k) {
    size_t start = i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
    std::string_view run = s.substr(start, i - start);
    int v = StrToInt(run);
    // A number above 255 is no octet: refuse it rather than store a wrong value.
    if (v > 255) throw EConvertError(Format("'%.*s' is not a valid octet value",
                                            static_cast<int>(run.size()), run.data()));
    bytes.push_back(static_cast<char>(v));
    if (i < s.size()) ++i;
  }
}

PduStr HexStrToByteStr2(std::string_view s) {
  PduStr r;
  int pending = -1;
  for (char c : s) {
    if (c == ' ' || c == '-' || c == '\r' || c == '\n') continue;
    int v = TMisc::H1(c);
    if (pending < 0) {
      pending = v;
    } else {
      r.push_back(static_cast<char>(pending * 16 + v));
      pending = -1;
    }
  }
  if (pending >= 0) throw Exception("HexStrToByteStr2: Hex-character missing");
  return r;
}

PduStr BytesToByteStr(const std::vector<uint8_t>& bytes) {
  return PduStr(bytes.begin(), bytes.end());
}

std::vector<uint8_t> ByteStrToBytes(std::string_view s) {
  return std::vector<uint8_t>(s.begin(), s.end());
}

std::string Blanks(int count) { return count > 0 ? std::string(static_cast<size_t>(count), ' ') : std::string(); }

std::string IntToStr2(int n) { return Format("%02d", n); }

std::string RemoveTrailingCRLF(std::string s) {
  if (s.size() >= 2 && s[s.size() - 2] == '\r' && s.back() == '\n') s.resize(s.size() - 2);
  return s;
}

void SplitCrLfLines(std::string_view Text, std::vector<std::string>& Lines) {
  size_t start = 0;
  while (start < Text.size()) {
    size_t end = Text.find("\r\n", start);
    if (end == std::string_view::npos) end = Text.size();
    Lines.emplace_back(Text.substr(start, end - start));
    start = end + 2;
  }
}

std::string MsToElapsedText(int64_t ms, bool withMilliseconds) {
  if (ms < 0) ms = 0;
  long long minutes = ms / 60000;
  int seconds = static_cast<int>((ms / 1000) % 60);
  if (withMilliseconds) return Format("%lld'%.2d.%.3d", minutes, seconds, static_cast<int>(ms % 1000));
  return Format("%lld'%.2d", minutes, seconds);
}

uint32_t TicksElapsed(uint32_t startTick, uint32_t nowTick) { return nowTick - startTick; }

std::string IntToHex(uint64_t value, int digits) {
  std::string r;
  do {
    r.insert(r.begin(), kHex[value & 15]);
    value >>= 4;
  } while (value != 0);
  if (static_cast<int>(r.size()) < digits) r.insert(0, static_cast<size_t>(digits) - r.size(), '0');
  return r;
}

static bool ParseInt64(std::string_view s, int64_t& out, int64_t lo, int64_t hi) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  bool neg = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
  int base = 10;
  if (i < s.size() && s[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= s.size()) return false;
  // Accumulate as a negative number so that the minimum value fits.
  __int128 v = 0;
  for (; i < s.size(); ++i) {
    int d;
    char c = s[i];
    if (c >= '0' && c <= '9') d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return false;
    v = v * base + d;
    if (v > static_cast<__int128>(std::numeric_limits<uint64_t>::max())) return false;
  }
  if (neg) v = -v;
  // Hex texts may spell the two's complement of the range ($FFFFFFFF is -1).
  if (base == 16 && !neg && hi == std::numeric_limits<int32_t>::max() && v > hi && v <= 0xFFFFFFFFLL)
    v -= static_cast<__int128>(1) << 32;
  if (base == 16 && !neg && hi == std::numeric_limits<int64_t>::max() && v > hi)
    v -= static_cast<__int128>(1) << 64;
  if (v < lo || v > hi) return false;
  out = static_cast<int64_t>(v);
  return true;
}

bool TryStrToInt(std::string_view s, int32_t& value) {
  int64_t v;
  if (!ParseInt64(s, v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()))
    return false;
  value = static_cast<int32_t>(v);
  return true;
}

int32_t StrToInt(std::string_view s) {
  int32_t v;
  if (!TryStrToInt(s, v))
    throw EConvertError(Format("'%.*s' is not a valid integer value", static_cast<int>(s.size()), s.data()));
  return v;
}

int64_t StrToInt64(std::string_view s) {
  int64_t v;
  if (!ParseInt64(s, v, std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max()))
    throw EConvertError(Format("'%.*s' is not a valid integer value", static_cast<int>(s.size()), s.data()));
  return v;
}

std::string UpperCase(std::string_view s) {
  std::string r(s);
  for (char& c : r) if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return r;
}

std::string LowerCase(std::string_view s) {
  std::string r(s);
  for (char& c : r) if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return r;
}

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

void AppendBE(PduStr& out, uint64_t value, int octets) {
  for (int i = octets - 1; i >= 0; --i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

}  // namespace zv

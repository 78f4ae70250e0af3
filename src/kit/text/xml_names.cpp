#include "kit/text/xml_names.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "foundation/misc.h"
#include "kit/text/strings.h"
#include "kit/text/sys_info.h"
#include "kit/text/unicode.h"

namespace zv {

// ---------------------------------------------------------------------------------------
// Variants

TKitXmlVariant TKitXmlVariant::Null() {
  TKitXmlVariant v;
  v.FType = varNull;
  return v;
}

TKitXmlVariant TKitXmlVariant::OfInt(TKitVarType Type, int64_t Value) {
  TKitXmlVariant v;
  v.FType = Type;
  switch (Type) {
    case varSmallint: Value = static_cast<int16_t>(Value); break;
    case varInteger: Value = static_cast<int32_t>(Value); break;
    case varShortInt: Value = static_cast<int8_t>(Value); break;
    case varByte: Value = static_cast<uint8_t>(Value); break;
    case varWord: Value = static_cast<uint16_t>(Value); break;
    case varLongWord: Value = static_cast<uint32_t>(Value); break;
    case varBoolean: Value = Value != 0; break;
    case varInt64: case varCurrency: break;
    default: throw EInvalidCast("Invalid variant type");
  }
  v.FValue = Value;
  return v;
}

TKitXmlVariant TKitXmlVariant::OfFloat(TKitVarType Type, double Value) {
  if (Type != varSingle && Type != varDouble && Type != varDate) throw EInvalidCast("Invalid variant type");
  TKitXmlVariant v;
  v.FType = Type;
  v.FValue = Type == varSingle ? static_cast<double>(static_cast<float>(Value)) : Value;
  return v;
}

TKitXmlVariant TKitXmlVariant::OfString(TKitVarType Type, TKitString Value) {
  if (Type != varOleStr && Type != varString && Type != varUString) throw EInvalidCast("Invalid variant type");
  TKitXmlVariant v;
  v.FType = Type;
  v.FValue = std::move(Value);
  return v;
}

TKitXmlVariant TKitXmlVariant::OfBytes(TKitByteArray Bytes) {
  TKitXmlVariant v;
  v.FType = varByteArray;
  v.FValue = std::move(Bytes);
  return v;
}

bool TKitXmlVariant::IsInteger() const { return std::holds_alternative<int64_t>(FValue) && FType != varCurrency; }

int64_t TKitXmlVariant::IntValue() const {
  const int64_t* p = std::get_if<int64_t>(&FValue);
  return p ? *p : 0;
}

double TKitXmlVariant::FloatValue() const {
  const double* p = std::get_if<double>(&FValue);
  return p ? *p : 0;
}

const TKitString& TKitXmlVariant::StrValue() const {
  static const TKitString empty;
  const TKitString* p = std::get_if<TKitString>(&FValue);
  return p ? *p : empty;
}

const TKitByteArray& TKitXmlVariant::Bytes() const {
  static const TKitByteArray empty;
  const TKitByteArray* p = std::get_if<TKitByteArray>(&FValue);
  return p ? *p : empty;
}

namespace {

const char* VarTypeName(TKitVarType T) {
  switch (T) {
    case varEmpty: return "Empty";
    case varNull: return "Null";
    case varSmallint: return "Smallint";
    case varInteger: return "Integer";
    case varSingle: return "Single";
    case varDouble: return "Double";
    case varCurrency: return "Currency";
    case varDate: return "Date";
    case varOleStr: return "OleStr";
    case varBoolean: return "Boolean";
    case varShortInt: return "ShortInt";
    case varByte: return "Byte";
    case varWord: return "Word";
    case varLongWord: return "LongWord";
    case varInt64: return "Int64";
    case varString: return "String";
    case varUString: return "UnicodeString";
    case varByteArray: return "Array Byte";
  }
  return "Unknown";
}

[[noreturn]] void CannotConvert(const TKitXmlVariant& V, const char* To) {
  throw EConvertError(Format("Could not convert variant of type (%s) into type (%s)", VarTypeName(V.VarType()), To));
}

bool IsNumeric(const TKitXmlVariant& V) {
  return V.IsInteger() || V.IsFloat() || V.VarType() == varCurrency;
}

// The value of a numeric variant.
double NumberOf(const TKitXmlVariant& V) {
  if (V.IsFloat()) return V.FloatValue();
  if (V.VarType() == varCurrency) return static_cast<double>(V.IntValue()) / 10000.0;
  return static_cast<double>(V.IntValue());
}

bool SameTextAscii(const TKitString& A, const char16_t* B) {
  size_t i = 0;
  for (; i < A.size() && B[i]; ++i)
    if (KitUpperChar(A[i]) != KitUpperChar(B[i])) return false;
  return i == A.size() && !B[i];
}

bool TryStrToFloat(const TKitString& Text, double& Value) {
  try {
    Value = KitXmlStrToFloat(Text);
    return true;
  } catch (const EConvertError&) {
    return false;
  }
}

int32_t RoundToInt(double D, const TKitXmlVariant& V) {
  if (!std::isfinite(D)) CannotConvert(V, "Integer");
  const double r = std::nearbyint(D);  // half to even, as the run time rounds
  if (r < std::numeric_limits<int32_t>::min() || r > std::numeric_limits<int32_t>::max()) CannotConvert(V, "Integer");
  return static_cast<int32_t>(r);
}

}  // namespace

bool KitXmlVarToBool(const TKitXmlVariant& V) {
  if (V.IsEmpty()) return false;
  if (IsNumeric(V)) return NumberOf(V) != 0;
  if (V.IsString()) {
    const TKitString s = KitTrim(V.StrValue());
    if (SameTextAscii(s, u"true")) return true;
    if (SameTextAscii(s, u"false")) return false;
    double d;
    if (TryStrToFloat(s, d)) return d != 0;
  }
  CannotConvert(V, "Boolean");
}

int32_t KitXmlVarToInt(const TKitXmlVariant& V) {
  if (V.IsEmpty()) return 0;
  if (V.IsInteger()) {
    const int64_t i = V.IntValue();
    if (i < std::numeric_limits<int32_t>::min() || i > std::numeric_limits<int32_t>::max()) CannotConvert(V, "Integer");
    return static_cast<int32_t>(i);
  }
  if (IsNumeric(V)) return RoundToInt(NumberOf(V), V);
  if (V.IsString()) {
    int32_t i;
    if (TryStrToInt(KitToPlatformText(KitTrim(V.StrValue())), i)) return i;
    double d;
    if (TryStrToFloat(V.StrValue(), d)) return RoundToInt(d, V);
  }
  CannotConvert(V, "Integer");
}

double KitXmlVarToFloat(const TKitXmlVariant& V) {
  if (V.IsEmpty()) return 0;
  if (IsNumeric(V)) return NumberOf(V);
  if (V.IsString()) return KitXmlStrToFloat(V.StrValue());
  CannotConvert(V, "Double");
}

bool KitXmlVarEquals(const TKitXmlVariant& A, const TKitXmlVariant& B) {
  if (A.IsNull() || B.IsNull()) return A.IsNull() && B.IsNull();
  if (A.IsEmpty() && B.IsEmpty()) return true;
  if (A.VarType() == varByteArray || B.VarType() == varByteArray) return A == B;
  if (A.IsString() && B.IsString()) return A.StrValue() == B.StrValue();
  if (A.IsEmpty() || B.IsEmpty()) {
    const TKitXmlVariant& other = A.IsEmpty() ? B : A;
    return other.IsString() ? other.StrValue().empty() : NumberOf(other) == 0;
  }
  if (A.IsInteger() && B.IsInteger()) return A.IntValue() == B.IntValue();
  double a, b;
  if (A.IsString()) {
    if (!TryStrToFloat(A.StrValue(), a)) return false;
  } else {
    a = NumberOf(A);
  }
  if (B.IsString()) {
    if (!TryStrToFloat(B.StrValue(), b)) return false;
  } else {
    b = NumberOf(B);
  }
  return a == b;
}

// ---------------------------------------------------------------------------------------
// Name table

bool KitXmlIsName(std::u16string_view Name) {
  if (Name.empty() || !KitXmlIsNameStart(Name[0])) return false;
  for (char16_t c : Name.substr(1))
    if (!KitXmlIsNameChar(c)) return false;
  return true;
}

namespace {

bool UpperEquals(const TKitString& Stored, std::u16string_view Key) {
  if (Stored.size() != Key.size()) return false;
  for (size_t i = 0; i < Key.size(); ++i)
    if (KitUpperChar(Stored[i]) != Key[i]) return false;
  return true;
}

}  // namespace

TKitXmlNameTable::TKitXmlNameTable(int HashTableSize, bool CaseSensitive)
    : FHashTable(static_cast<size_t>(std::max(HashTableSize, 1))), FCaseSensitive(CaseSensitive) {
  // Interned under the table's own case rule, so that later lookups hash them the same way.
  InternPredefined();
}

void TKitXmlNameTable::InternPredefined() {
  FXmlTextNameID = Intern(KitXmlTextName);
  FXmlCDATASectionNameID = Intern(KitXmlCDATASectionName);
  FXmlCommentNameID = Intern(KitXmlCommentName);
  FXmlDocumentNameID = Intern(KitXmlDocumentName);
  FXmlID = Intern(KitXmlDeclarationName);
}

// Names are hashed and compared in upper case unless the table is case-sensitive.
TKitString TKitXmlNameTable::Key(std::u16string_view Name) const {
  TKitString key(Name);
  if (!FCaseSensitive) key = KitUpperCase(key);
  return key;
}

int32_t TKitXmlNameTable::Intern(std::u16string_view Name) {
  TKitString folded;
  if (!FCaseSensitive) folded = Key(Name);
  const std::u16string_view key = FCaseSensitive ? Name : std::u16string_view(folded);
  const uint32_t bucket = Hash(key);
  int32_t id = Find(key, bucket);
  if (id < 0) {
    id = Append(TKitString(Name));
    FHashTable[bucket].push_back(id);
  }
  return id;
}

uint32_t TKitXmlNameTable::Hash(std::u16string_view Key) const {
  uint32_t h = 0;
  for (char16_t c : Key) h = h * 33 + c;
  return h % static_cast<uint32_t>(FHashTable.size());
}

int32_t TKitXmlNameTable::Find(std::u16string_view Key, uint32_t Bucket) const {
  for (int32_t id : FHashTable[Bucket]) {
    const TKitString& name = FNames[static_cast<size_t>(id)];
    if (FCaseSensitive ? name == Key : UpperEquals(name, Key)) return id;
  }
  return -1;
}

int32_t TKitXmlNameTable::Append(TKitString Name) {
  FNames.push_back(std::move(Name));
  return static_cast<int32_t>(FNames.size() - 1);
}

int32_t TKitXmlNameTable::GetID(std::u16string_view Name) {
  if (Name.empty()) return -1;
  std::lock_guard<std::mutex> lock(FLock);
  return Intern(Name);
}

TKitString TKitXmlNameTable::GetName(int32_t ID) const {
  std::lock_guard<std::mutex> lock(FLock);
  if (ID < 0 || static_cast<size_t>(ID) >= FNames.size()) return {};
  return FNames[static_cast<size_t>(ID)];
}

void TKitXmlNameTable::AppendName(TKitString& Out, int32_t ID) const {
  std::lock_guard<std::mutex> lock(FLock);
  if (ID >= 0 && static_cast<size_t>(ID) < FNames.size()) Out += FNames[static_cast<size_t>(ID)];
}

int32_t TKitXmlNameTable::Count() const {
  std::lock_guard<std::mutex> lock(FLock);
  return static_cast<int32_t>(FNames.size());
}

bool TKitXmlNameTable::CaseSensitive() const {
  std::lock_guard<std::mutex> lock(FLock);
  return FCaseSensitive;
}

void TKitXmlNameTable::SetCaseSensitive(bool Value) {
  std::lock_guard<std::mutex> lock(FLock);
  FCaseSensitive = Value;
}

const IKitXmlNameTable& KitXmlGlobalNameTable() {
  static const IKitXmlNameTable table =
      std::make_shared<TKitXmlNameTable>(KitXmlGlobalHashTableSize, KitXmlDefaultCaseSensitive);
  return table;
}

// ---------------------------------------------------------------------------------------
// Text routines

void KitXmlEscapeTo(TKitString& Out, std::u16string_view Text) {
  size_t start = 0;
  for (size_t i = 0; i < Text.size(); ++i) {
    const char16_t* entity;
    switch (Text[i]) {
      case u'"': entity = u"&quot;"; break;
      case u'&': entity = u"&amp;"; break;
      case u'<': entity = u"&lt;"; break;
      case u'>': entity = u"&gt;"; break;
      default: continue;
    }
    Out.append(Text.substr(start, i - start));
    Out.append(entity);
    start = i + 1;
  }
  Out.append(Text.substr(start));
}

TKitString KitXmlEscape(const TKitString& Text) {
  if (Text.find_first_of(u"\"&<>") == TKitString::npos) return Text;
  TKitString out;
  out.reserve(Text.size() + 16);
  KitXmlEscapeTo(out, Text);
  return out;
}

namespace {

TKitString Widen(std::string_view S) { return TKitString(S.begin(), S.end()); }

template <class T>
TKitString NumberText(T Value) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, Value);
  return Widen(std::string_view(buf, static_cast<size_t>(r.ptr - buf)));
}

}  // namespace

double KitXmlStrToFloat(const TKitString& Text) {
  // The locale of this program writes "." as decimal point; a "," is read as one.
  std::string s = KitToPlatformText(KitTrim(Text));
  if (const size_t comma = s.find(','); comma != std::string::npos) s[comma] = '.';
  const char* p = s.data();
  const char* end = p + s.size();
  if (p != end && *p == '+' && end - p > 1 && p[1] != '-') ++p;
  double value = 0;
  const auto r = std::from_chars(p, end, value);
  if (p == end || r.ec != std::errc() || r.ptr != end)
    throw EConvertError(Format("'%s' is not a valid floating point value", KitToPlatformText(Text).c_str()));
  return value;
}

TKitString KitXmlFloatToStr(double Value) { return NumberText(Value); }

TKitString KitXmlDateTimeToStr(TDateTime Value) {
  // Outside the years 1 to 9999 (or not a number) no date text exists: the number stands.
  if (!(Value >= -693593.0 && Value < 2958466.0)) return KitXmlFloatToStr(Value);
  TDateTimeRecord r;
  DateTimeToRecord(r, Value);
  return Widen(Format("%.4d-%.2d-%.2dT%.2d-%.2d-%.2d", r.Year, r.Month, r.Day, r.Hour, r.Min, r.Sec));
}

TDateTime KitXmlStrToDateTime(const TKitString& Text) {
  const char16_t* p = Text.data();
  const char16_t* end = p + Text.size();
  auto field = [&] {
    int64_t v = 0;
    for (; p != end && *p >= u'0' && *p <= u'9'; ++p)
      if (v < 1000000) v = v * 10 + (*p - u'0');  // larger values are invalid anyway
    return static_cast<int>(v);
  };
  static constexpr char16_t separators[5] = {u'-', u'-', u'T', u'-', u'-'};
  int f[6] = {};
  f[0] = field();
  for (int i = 1; i < 6; ++i) {
    if (p == end || *p != separators[i - 1]) break;
    ++p;
    f[i] = field();
  }
  return EncodeDateTime(f[0], f[1], f[2], f[3], f[4], f[5], 0);
}

TKitString KitXmlVariantToStr(const TKitXmlVariant& Value) {
  switch (Value.VarType()) {
    case varEmpty: return {};
    case varNull: return u"{{null}}";
    case varBoolean: return Value.IntValue() ? u"1" : u"0";
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord: case varLongWord:
    case varInt64:
      return NumberText(Value.IntValue());
    case varSingle: return NumberText(static_cast<float>(Value.FloatValue()));
    case varDouble: return KitXmlFloatToStr(Value.FloatValue());
    case varCurrency: return KitXmlFloatToStr(static_cast<double>(Value.IntValue()) / 10000.0);
    case varDate: return KitXmlDateTimeToStr(Value.FloatValue());
    case varOleStr: case varString: case varUString: return Value.StrValue();
    case varByteArray: {
      const TKitByteArray& b = Value.Bytes();
      return KitBase64Encode(b.data(), static_cast<int>(b.size()), 0);
    }
  }
  return {};
}

bool KitIsBinaryXml(const TKitString& Text) {
  if (Text.size() < KitXmlBinarySignatureLength) return false;
  for (int i = 0; i < KitXmlBinarySignatureLength; ++i)
    if (Text[static_cast<size_t>(i)] != static_cast<char16_t>(KitXmlBinarySignature[i])) return false;
  return true;
}

namespace {

constexpr char16_t Base64Alphabet[] = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Base64Value(char16_t C) {
  if (C >= u'A' && C <= u'Z') return C - u'A';
  if (C >= u'a' && C <= u'z') return C - u'a' + 26;
  if (C >= u'0' && C <= u'9') return C - u'0' + 52;
  if (C == u'+') return 62;
  if (C == u'/') return 63;
  return 0;
}

}  // namespace

TKitString KitBase64Encode(const uint8_t* Bytes, int Count, int LineLength) {
  TKitString out;
  if (Count <= 0) return out;
  out.reserve(static_cast<size_t>(Count + 2) / 3 * 4 + 16);
  int column = 0;
  auto put = [&](char16_t C) {
    if (LineLength > 0 && column == LineLength) {
      out += u"\r\n";
      column = 0;
    }
    out += C;
    ++column;
  };
  for (int i = 0; i < Count; i += 3) {
    const int n = std::min(3, Count - i);
    const uint32_t v = (uint32_t{Bytes[i]} << 16) | (n > 1 ? uint32_t{Bytes[i + 1]} << 8 : 0) |
                       (n > 2 ? uint32_t{Bytes[i + 2]} : 0);
    put(Base64Alphabet[(v >> 18) & 63]);
    put(Base64Alphabet[(v >> 12) & 63]);
    put(n > 1 ? Base64Alphabet[(v >> 6) & 63] : u'=');
    put(n > 2 ? Base64Alphabet[v & 63] : u'=');
  }
  return out;
}

TKitByteArray KitBase64Decode(const TKitString& Text) {
  TKitString s;
  s.reserve(Text.size());
  for (char16_t c : Text)
    if (c > 32) s += c;
  TKitByteArray out;
  if (s.size() <= 3) return out;
  // Only whole groups of four: a shorter tail is dropped rather than read past the end.
  const size_t groups = s.size() / 4;
  out.reserve(groups * 3);
  for (size_t g = 0; g < groups; ++g) {
    const char16_t* q = s.data() + g * 4;
    const uint32_t v = (static_cast<uint32_t>(Base64Value(q[0])) << 18) |
                       (static_cast<uint32_t>(Base64Value(q[1])) << 12) |
                       (static_cast<uint32_t>(Base64Value(q[2])) << 6) | static_cast<uint32_t>(Base64Value(q[3]));
    out.push_back(static_cast<uint8_t>(v >> 16));
    if (q[2] == u'=') continue;
    out.push_back(static_cast<uint8_t>(v >> 8));
    if (q[3] == u'=') continue;
    out.push_back(static_cast<uint8_t>(v));
  }
  return out;
}

}  // namespace zv

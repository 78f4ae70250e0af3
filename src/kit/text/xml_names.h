// The XML document model's name table and value routines: element and attribute names are
// interned once in a TKitXmlNameTable and nodes keep the integer id; node values are typed
// variants with a fixed text form (entity escaping, "." as decimal point, a date-time form,
// base64 for bytes). Every document loaded through KitLoadXmlFrom... shares one
// process-wide table.
#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "foundation/date_time.h"
#include "kit/text/kit_types.h"
#include "kit/text/unicode.h"

namespace zv {

class TKitBinXmlReader;
class TKitBinXmlWriter;

// Base of every object of the model. Objects live in shared pointers (the model's
// interfaces are those pointers), so any object can hand out a counted reference to itself.
class TKitXmlBase : public TObject, public std::enable_shared_from_this<TKitXmlBase> {};

// The variant type codes of node and attribute values; the binary form stores them.
enum TKitVarType : uint16_t {
  varEmpty = 0,
  varNull = 1,
  varSmallint = 2,
  varInteger = 3,
  varSingle = 4,
  varDouble = 5,
  varCurrency = 6,  // a fixed-point amount with four decimals, kept as value x 10000
  varDate = 7,
  varOleStr = 8,
  varBoolean = 11,
  varShortInt = 16,
  varByte = 17,
  varWord = 18,
  varLongWord = 19,
  varInt64 = 20,
  varString = 256,  // a single-byte string
  varUString = 258,  // the type of parsed text and attribute values
  varByteArray = 0x2011,
};

// A node or attribute value: one of the types above with its payload.
class TKitXmlVariant {
 public:
  TKitXmlVariant() = default;
  TKitXmlVariant(const TKitString& S) : FType(varUString), FValue(S) {}
  TKitXmlVariant(TKitString&& S) : FType(varUString), FValue(std::move(S)) {}
  TKitXmlVariant(const char16_t* S) : FType(varUString), FValue(TKitString(S)) {}
  TKitXmlVariant(const char*) = delete;  // would silently become a Boolean
  TKitXmlVariant(bool B) : FType(varBoolean), FValue(int64_t{B ? 1 : 0}) {}
  TKitXmlVariant(int32_t I) : FType(varInteger), FValue(int64_t{I}) {}
  TKitXmlVariant(int64_t I) : FType(varInt64), FValue(I) {}
  TKitXmlVariant(double D) : FType(varDouble), FValue(D) {}

  static TKitXmlVariant Null();
  // varSmallint .. varInt64, varBoolean and varCurrency (the raw value x 10000); the value
  // is cut to the type's range.
  static TKitXmlVariant OfInt(TKitVarType Type, int64_t Value);
  // varSingle, varDouble or varDate.
  static TKitXmlVariant OfFloat(TKitVarType Type, double Value);
  // varOleStr, varString or varUString.
  static TKitXmlVariant OfString(TKitVarType Type, TKitString Value);
  static TKitXmlVariant OfBytes(TKitByteArray Bytes);
  static TKitXmlVariant OfDateTime(TDateTime Value) { return OfFloat(varDate, Value); }

  TKitVarType VarType() const { return FType; }
  bool IsEmpty() const { return FType == varEmpty; }
  bool IsNull() const { return FType == varNull; }
  bool IsString() const { return FType == varOleStr || FType == varString || FType == varUString; }
  bool IsInteger() const;  // the integer types and varBoolean
  bool IsFloat() const { return FType == varSingle || FType == varDouble || FType == varDate; }

  // The payloads; each is 0 or empty for a value of another kind.
  int64_t IntValue() const;
  double FloatValue() const;
  const TKitString& StrValue() const;
  const TKitByteArray& Bytes() const;

  friend bool operator==(const TKitXmlVariant&, const TKitXmlVariant&) = default;

 private:
  TKitVarType FType = varEmpty;
  std::variant<std::monostate, int64_t, double, TKitString, TKitByteArray> FValue;
};

// The run time's variant conversions the typed attribute accessors use. Failures raise
// EConvertError "Could not convert variant of type (%s) into type (%s)".
bool KitXmlVarToBool(const TKitXmlVariant& V);
int32_t KitXmlVarToInt(const TKitXmlVariant& V);
double KitXmlVarToFloat(const TKitXmlVariant& V);
// The run time's variant equality: numbers compare by value (a string against a number
// is converted first), strings exactly; a comparison that cannot convert is unequal.
bool KitXmlVarEquals(const TKitXmlVariant& A, const TKitXmlVariant& B);

// The five names every table holds, with ids 0 to 4.
constexpr char16_t KitXmlTextName[] = u"#text";
constexpr char16_t KitXmlCDATASectionName[] = u"#cdata-section";
constexpr char16_t KitXmlCommentName[] = u"#comment";
constexpr char16_t KitXmlDocumentName[] = u"#document";
constexpr char16_t KitXmlDeclarationName[] = u"xml";

constexpr char KitXmlBinarySignature[] = "< binary-xml >";
constexpr int KitXmlBinarySignatureLength = 14;
constexpr char16_t KitXmlDefaultEncoding[] = u"windows-1251";
constexpr char16_t KitXmlIndent[] = u"\t";
constexpr bool KitXmlDefaultPreserveWhiteSpace = false;
constexpr bool KitXmlDefaultCaseSensitive = true;
constexpr int KitXmlGlobalHashTableSize = 4096;
// Element nesting that parsing and binary reading accept; deeper input is refused so that
// the recursive walks over a tree stay within the stack.
constexpr int KitXmlMaxDepth = 256;

// The parser's name rules: a letter (the Unicode letter categories) or "_" first, then
// letters, decimal digits, "-", ".", ":" and "_".
inline bool KitXmlIsLetter(char16_t C) {
  if (C < 0x80) return (C >= u'a' && C <= u'z') || (C >= u'A' && C <= u'Z');
  return KitGetUnicodeCategory(C) <= ukLo;
}
inline bool KitXmlIsNameStart(char16_t C) { return C == u'_' || KitXmlIsLetter(C); }
inline bool KitXmlIsNameChar(char16_t C) {
  if (C < 0x80)
    return (C >= u'a' && C <= u'z') || (C >= u'A' && C <= u'Z') || (C >= u'0' && C <= u'9') || C == u'_' ||
           C == u'-' || C == u'.' || C == u':';
  const TKitUnicodeCategory cat = KitGetUnicodeCategory(C);
  return cat <= ukLo || cat == ukNd;
}
bool KitXmlIsName(std::u16string_view Name);

using TKitNameIndexArray = std::vector<int32_t>;

// Names by dense ids from 0, never removed. Lookups lock, so documents of different
// threads may share a table.
class TKitXmlNameTable : public TKitXmlBase {
 public:
  TKitXmlNameTable(int HashTableSize, bool CaseSensitive);

  // The id of the name, interned when new; -1 for an empty name (not stored).
  int32_t GetID(std::u16string_view Name);
  // The empty string for an id that names nothing.
  TKitString GetName(int32_t ID) const;
  void AppendName(TKitString& Out, int32_t ID) const;
  int32_t Count() const;

  bool CaseSensitive() const;
  // Later lookups only: names already interned keep their ids.
  void SetCaseSensitive(bool Value);

  int32_t XmlTextNameID() const { return FXmlTextNameID; }
  int32_t XmlCDATASectionNameID() const { return FXmlCDATASectionNameID; }
  int32_t XmlCommentNameID() const { return FXmlCommentNameID; }
  int32_t XmlDocumentNameID() const { return FXmlDocumentNameID; }
  int32_t XmlID() const { return FXmlID; }

  // The table in binary XML: names in order, then the buckets. Reading replaces the
  // table's names; its buckets are rebuilt from them, the stored ones only checked.
  void LoadBinXml(TKitBinXmlReader& Reader);
  void SaveBinXml(TKitBinXmlWriter& Writer) const;

 private:
  uint32_t Hash(std::u16string_view Key) const;
  int32_t Find(std::u16string_view Key, uint32_t Bucket) const;
  int32_t Append(TKitString Name);
  void InternPredefined();
  TKitString Key(std::u16string_view Name) const;
  // The id of Name, added when new; the caller holds the lock.
  int32_t Intern(std::u16string_view Name);

  mutable std::mutex FLock;
  std::vector<TKitString> FNames;
  std::vector<TKitNameIndexArray> FHashTable;
  int32_t FXmlTextNameID = -1;
  int32_t FXmlCDATASectionNameID = -1;
  int32_t FXmlCommentNameID = -1;
  int32_t FXmlDocumentNameID = -1;
  int32_t FXmlID = -1;
  bool FCaseSensitive;
};
using IKitXmlNameTable = std::shared_ptr<TKitXmlNameTable>;

// The process-wide table (4096 buckets, case-sensitive), created on first use.
const IKitXmlNameTable& KitXmlGlobalNameTable();

// Quotes, ampersands and angle brackets as entities; the apostrophe stays.
TKitString KitXmlEscape(const TKitString& Text);
void KitXmlEscapeTo(TKitString& Out, std::u16string_view Text);
// A number written with "." or "," as decimal point (blanks around and a leading sign
// allowed); anything else raises EConvertError "'%s' is not a valid floating point value".
double KitXmlStrToFloat(const TKitString& Text);
// The shortest text that reads back as the same value, with "." as decimal point.
TKitString KitXmlFloatToStr(double Value);
// yyyy-mm-ddThh-nn-ss (milliseconds dropped); a value outside the years 1 to 9999 is
// written as its number.
TKitString KitXmlDateTimeToStr(TDateTime Value);
// Fields after a missing separator are 0; an invalid date raises EConvertError.
TDateTime KitXmlStrToDateTime(const TKitString& Text);
TKitString KitXmlVariantToStr(const TKitXmlVariant& Value);
// The first 14 characters are the binary-XML signature.
bool KitIsBinaryXml(const TKitString& Text);
// With LineLength > 0 a CR LF follows every LineLength characters but the last ones.
TKitString KitBase64Encode(const uint8_t* Bytes, int Count, int LineLength);
// Characters up to U+0020 are ignored; a trailing group of fewer than four characters is
// dropped; characters outside the alphabet count as 0.
TKitByteArray KitBase64Decode(const TKitString& Text);

}  // namespace zv

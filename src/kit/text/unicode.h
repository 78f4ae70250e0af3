// The library's Unicode layer: UTF-16 <-> UTF-8 conversion (strict or lenient, optional
// byte-order mark), case mapping through a built-in case-folding table, the general
// category of every BMP character, and a few primitives on runs of UTF-16 units.
// Byte strings are std::string, one octet per char.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>

#include "kit/text/kit_types.h"

namespace zv {

// Results of the converters. On a result other than 0 the output holds everything
// converted before the offending sequence.
constexpr int KitUTFConversionOK = 0;
constexpr int KitUTFSourceExhausted = 1;  // the input ends inside a multi-byte sequence
constexpr int KitUTFSourceIllegal = 3;    // the input holds an illegal sequence

// Strict mode stops at an unpaired surrogate (3); lenient mode encodes it by itself.
// AddBOM puts EF BB BF in front unless the output already begins with it.
int KitUTF16ToUTF8(const TKitString& Source, std::string& Out, bool Lenient, bool AddBOM);
// Strict mode stops at an encoded surrogate (3); lenient mode stores it as it is.
// AddBOM puts U+FEFF in front unless the output already begins with it.
int KitUTF8ToUTF16(const std::string& Source, TKitString& Out, bool Lenient, bool AddBOM);
// The decoder of the above on a byte range: decodes from Source up to End, or up to the first
// sequence that is illegal (3) or runs past End (1), into Dest, which has room for
// End - Source units; Source and Dest are left behind what was decoded.
int KitUTF8ToUTF16(const uint8_t*& Source, const uint8_t* End, char16_t*& Dest, bool Lenient);
// True when the Length bytes are one well-formed UTF-8 character (encoded surrogates pass).
bool KitIsLegalUTF8(const uint8_t* Source, int Length);
// UTF-8 when the bytes begin with EF BB BF and decode strictly, else Windows-1252.
void KitUTF8OrAnsiToString(const std::string& Source, TKitString& Out);
// The number of trailing bytes a lead byte announces (0 for 00-BF, up to 5 for FC-FF).
int KitUTF8TrailingBytes(uint8_t Lead);

// "The system ANSI code page": Windows-1252. The five bytes it leaves undefined map to the
// C1 controls of the same value; a character without a byte becomes '?'.
TKitString KitAnsiToString(const std::string& Source);
std::string KitStringToAnsi(const TKitString& Source);
char16_t KitAnsiCharToWide(uint8_t Byte);

// Case mapping unit by unit through the simple (one-to-one) rows of the case table, so the
// length never changes; characters without such a row stay as they are.
TKitString KitUpperCase(const TKitString& S);
TKitString KitLowerCase(const TKitString& S);
char16_t KitUpperChar(char16_t C);
char16_t KitLowerChar(char16_t C);

// One row of the case table: Code folds to the one to three units of Mapping (0 beyond).
struct TKitCaseRow {
  uint8_t Status;  // the KitCaseXxx bits below
  uint8_t Reserved;
  char16_t Code;
  char16_t Mapping[3];
};
constexpr uint8_t KitCaseCommon = 1;   // C
constexpr uint8_t KitCaseSimple = 2;   // S
constexpr uint8_t KitCaseFull = 4;     // F
constexpr uint8_t KitCaseTurkic = 8;   // T
// The rows the case operations use: C, S and T.
constexpr uint8_t KitCaseActiveMask = KitCaseCommon | KitCaseSimple | KitCaseTurkic;
// The 816 rows; row number n (1-based) is element n - 1.
std::span<const TKitCaseRow> KitCaseTable();

// The general categories of Unicode 4.0.0, in this order.
enum TKitUnicodeCategory : uint8_t {
  ukLu, ukLl, ukLt, ukLm, ukLo, ukMn, ukMc, ukMe, ukNd, ukNl, ukNo, ukPc, ukPd, ukPs, ukPe,
  ukPi, ukPf, ukPo, ukSm, ukSc, ukSk, ukSo, ukZs, ukZl, ukZp, ukCc, ukCf, ukCs, ukCo, ukCn
};

class TKitUnicodeCategories {
 public:
  constexpr TKitUnicodeCategories() = default;
  constexpr TKitUnicodeCategories(std::initializer_list<TKitUnicodeCategory> Cats) {
    for (TKitUnicodeCategory c : Cats) Include(c);
  }
  constexpr TKitUnicodeCategories& Include(TKitUnicodeCategory C) {
    FMask |= Bit(C);
    return *this;
  }
  constexpr TKitUnicodeCategories& Exclude(TKitUnicodeCategory C) {
    FMask &= ~Bit(C);
    return *this;
  }
  constexpr bool Contains(TKitUnicodeCategory C) const { return (FMask & Bit(C)) != 0; }
  constexpr bool Empty() const { return FMask == 0; }
  constexpr uint32_t Mask() const { return FMask; }
  friend constexpr bool operator==(TKitUnicodeCategories, TKitUnicodeCategories) = default;

 private:
  static constexpr uint32_t Bit(TKitUnicodeCategory C) { return uint32_t{1} << C; }
  uint32_t FMask = 0;
};

TKitUnicodeCategory KitGetUnicodeCategory(char16_t C);

// Out becomes Count units copied from P, or Count zero units when P is null; empty when
// Count <= 0.
void KitWideSetString(TKitString& Out, const char16_t* P, int Count);
// Copies Count units; the ranges may overlap.
void KitMoveWideChars(const char16_t* Source, char16_t* Dest, int Count);
void KitFillWideChars(char16_t* Dest, int Count, char16_t Unit);

}  // namespace zv

// The library's string layer: small operations on UTF-16 strings (positions are 1-based),
// one-line text forms of points, rectangles and fonts for the settings store, two
// reversible codings for stored settings, byte strings through streams, and a string-keyed
// hash table of (value, object) pairs. Byte strings are std::string, one octet per char.
#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "kit/text/kit_types.h"
#include "kit/text/stream.h"
#include "kit/text/unicode.h"

namespace zv {

// The separator of every list form below.
constexpr char16_t KitListSeparator = u',';

// Without leading and trailing characters below U+0021.
TKitString KitTrim(const TKitString& S);
// Empty or only U+0020 (a tab is content).
bool KitIsBlank(const TKitString& S);
TKitString KitStringOfChar(int Count, char16_t C);
// These two keep the backslash of the stored forms; file paths here use '/'.
TKitString KitIncludeTrailingBackslash(const TKitString& S);
TKitString KitExcludeTrailingBackslash(const TKitString& S);
// The 1-based position of the first SubStr at or after Start; 0 when none.
int KitPosFrom(const TKitString& SubStr, const TKitString& S, int Start);
int KitAnsiPosFrom(const std::string& SubStr, const std::string& S, int Start);
// Count characters from the 0-based Index; raises EInvalidArgument when they are not all
// inside the array.
TKitString KitStringFromChars(const TKitCharArray& Chars, int Index, int Count);
TKitString KitJoinStrings(std::span<const TKitString> Strings, char16_t Separator);
TKitString KitJoinInts(std::span<const int32_t> Values, char16_t Separator);
// Clears List and adds the fields; no empty field after a trailing separator.
void KitSplitString(const TKitString& S, char16_t Separator, TKitStringList& List);

TKitString KitPointToStr(const TKitPoint& P);
TKitPoint KitStrToPoint(const TKitString& S);
TKitString KitRectToStr(const TKitRect& R);
TKitRect KitStrToRect(const TKitString& S);
// Name, size, colour, then 1 or 0 for bold, italic, underline and strike-out.
TKitString KitFontToStr(const TKitFont& Font);
// Leaves Font unchanged unless the text has exactly seven fields; a style field that is no
// number raises EConvertError.
void KitStrToFont(const TKitString& S, TKitFont& Font);
// A colour's name (clBlack, clBtnFace, ...) or "$" and eight hexadecimal digits, and back;
// KitStrToColor raises EConvertError for a text that is neither.
TKitString KitColorToStr(TColor Color);
TColor KitStrToColor(const TKitString& S);
// Only the colour names (compared ignoring case); false for any other text.
bool KitIdentToColor(const TKitString& Ident, TColor& Color);

// Inverse of each other for the same key.
std::string KitScrambleString(const std::string& S, uint16_t Key);
std::string KitUnscrambleString(const std::string& S, uint16_t Key);
// "<length>:" and four characters "0".."o" per three bytes, and back.
TKitString KitEncodeSixBit(const std::string& S);
std::string KitDecodeSixBit(const TKitString& T);

// Writes the bytes without length or terminator; answers the count written.
int64_t KitStreamWriteAnsiString(const std::string& Text, TKitStream& Stream);
// Reads exactly Count bytes ("Stream read error" when the stream has fewer).
std::string KitStreamReadAnsiString(TKitStream& Stream, int64_t Count);

class TKitStringHashNode : public TObject {
 public:
  TKitString FKey;
  TKitString FValue;
  TObject* FData = nullptr;
  TKitStringHashNode* FNext = nullptr;
};
using TKitStringHashNodeArray = std::vector<TKitStringHashNode*>;

struct TKitStringHashIterator {
  TKitStringHashNode* CurrentNode = nullptr;
  int InternalIndex = -1;
};

// Keys compare exactly; a later node with an equal key shadows an earlier one. With
// OwnItems the table frees the objects of the nodes it removes, replaces or clears.
class TKitStringHashTable : public TObject {
 public:
  explicit TKitStringHashTable(bool OwnItems);
  ~TKitStringHashTable() override;
  TKitStringHashTable(const TKitStringHashTable&) = delete;
  TKitStringHashTable& operator=(const TKitStringHashTable&) = delete;

  void Add(const TKitString& Key, const TKitString& Value, TObject* Data = nullptr);
  void SetOrAdd(const TKitString& Key, const TKitString& Value, TObject* Data = nullptr);
  TKitString Find(const TKitString& Key) const;
  TKitString Find(const TKitString& Key, TObject*& Data) const;
  TKitStringHashNode* FindNode(const TKitString& Key) const;
  bool HasKey(const TKitString& Key) const { return FindNode(Key) != nullptr; }
  bool Remove(const TKitString& Key);
  void Clear();
  // Both refuse a source that owns its objects (EInvalidArgument).
  void Assign(const TKitStringHashTable& Source);
  void Merge(const TKitStringHashTable& Source);
  // A non-owning copy; refused (Exception) when this table owns its objects.
  std::unique_ptr<TKitStringHashTable> Clone() const;

  bool IteratorMoveFirst(TKitStringHashIterator& It) const;
  bool IteratorMoveNext(TKitStringHashIterator& It) const;

  int Count() const { return FCount; }
  bool OwnItems() const { return FOwnItems; }
  int SlotCount() const { return static_cast<int>(FItems.size()); }

 private:
  void FreeNode(TKitStringHashNode* Node);

  TKitStringHashNodeArray FItems;
  int FIndexMask = 0;
  int FCount = 0;
  bool FOwnItems;
};

}  // namespace zv

#include "kit/text/strings.h"

#include <unordered_set>

#include "foundation/misc.h"
#include "kit/text/hash_table.h"

namespace zv {

namespace {

// Number texts are ASCII; anything else is not a number.
std::string Narrow(const TKitString& S) {
  std::string out;
  out.reserve(S.size());
  for (char16_t c : S) out.push_back(c < 0x80 ? static_cast<char>(c) : '\x7F');
  return out;
}

TKitString Widen(std::string_view S) { return TKitString(S.begin(), S.end()); }

int32_t StrToIntDef(const TKitString& S, int32_t Default) {
  int32_t v;
  return TryStrToInt(Narrow(S), v) ? v : Default;
}

}  // namespace

TKitString KitTrim(const TKitString& S) {
  size_t b = 0, e = S.size();
  while (b < e && S[b] < 33) ++b;
  while (e > b && S[e - 1] < 33) --e;
  return S.substr(b, e - b);
}

bool KitIsBlank(const TKitString& S) { return S.find_first_not_of(u' ') == TKitString::npos; }

TKitString KitStringOfChar(int Count, char16_t C) {
  return Count > 0 ? TKitString(static_cast<size_t>(Count), C) : TKitString();
}

TKitString KitIncludeTrailingBackslash(const TKitString& S) {
  if (!KitIsBlank(S) && S.back() == u'\\') return S;
  return S + u'\\';
}

TKitString KitExcludeTrailingBackslash(const TKitString& S) {
  if (!KitIsBlank(S) && S.back() == u'\\') return S.substr(0, S.size() - 1);
  return S;
}

namespace {
template <class Str>
int PosFrom(const Str& SubStr, const Str& S, int Start) {
  if (SubStr.empty() || Start > static_cast<int>(S.size())) return 0;
  const size_t at = S.find(SubStr, static_cast<size_t>(std::max(Start, 1) - 1));
  return at == Str::npos ? 0 : static_cast<int>(at) + 1;
}
}  // namespace

int KitPosFrom(const TKitString& SubStr, const TKitString& S, int Start) { return PosFrom(SubStr, S, Start); }

int KitAnsiPosFrom(const std::string& SubStr, const std::string& S, int Start) {
  return PosFrom(SubStr, S, Start);
}

TKitString KitStringFromChars(const TKitCharArray& Chars, int Index, int Count) {
  if (Count == 0) return {};
  if (!KitInRange<int64_t>(Index, 0, static_cast<int64_t>(Chars.size()) - 1))
    throw EInvalidArgument(Format("Index out of bounds: %d", Index));
  if (Count < 0 || int64_t{Index} + Count > static_cast<int64_t>(Chars.size()))
    throw EInvalidArgument("Invalid Count value");
  return TKitString(Chars.data() + Index, static_cast<size_t>(Count));
}

TKitString KitJoinStrings(std::span<const TKitString> Strings, char16_t Separator) {
  TKitString out;
  for (size_t i = 0; i < Strings.size(); ++i) {
    if (i) out += Separator;
    out += Strings[i];
  }
  return out;
}

TKitString KitJoinInts(std::span<const int32_t> Values, char16_t Separator) {
  TKitString out;
  for (size_t i = 0; i < Values.size(); ++i) {
    if (i) out += Separator;
    out += Widen(std::to_string(Values[i]));
  }
  return out;
}

void KitSplitString(const TKitString& S, char16_t Separator, TKitStringList& List) {
  List.clear();
  size_t from = 0;
  for (size_t i = 0; i < S.size(); ++i) {
    if (S[i] == Separator) {
      List.push_back(S.substr(from, i - from));
      from = i + 1;
    }
  }
  if (from < S.size()) List.push_back(S.substr(from));
}

TKitString KitPointToStr(const TKitPoint& P) {
  const int32_t v[] = {P.X, P.Y};
  return KitJoinInts(v, KitListSeparator);
}

TKitPoint KitStrToPoint(const TKitString& S) {
  const size_t comma = S.find(KitListSeparator);
  if (comma == TKitString::npos || comma + 1 >= S.size()) return {};
  return {StrToIntDef(KitTrim(S.substr(0, comma)), 0), StrToIntDef(KitTrim(S.substr(comma + 1)), 0)};
}

TKitString KitRectToStr(const TKitRect& R) {
  const int32_t v[] = {R.Left, R.Top, R.Right, R.Bottom};
  return KitJoinInts(v, KitListSeparator);
}

TKitRect KitStrToRect(const TKitString& S) {
  TKitStringList f;
  KitSplitString(S, KitListSeparator, f);
  if (f.size() != 4) return {};
  return {StrToIntDef(f[0], 0), StrToIntDef(f[1], 0), StrToIntDef(f[2], 0), StrToIntDef(f[3], 0)};
}

namespace {
struct TColorName {
  TColor Color;
  const char* Name;
};
constexpr TColorName ColorNames[] = {
    {clBlack, "clBlack"}, {clMaroon, "clMaroon"}, {clGreen, "clGreen"}, {clOlive, "clOlive"},
    {clNavy, "clNavy"}, {clPurple, "clPurple"}, {clTeal, "clTeal"}, {clGray, "clGray"},
    {clSilver, "clSilver"}, {clRed, "clRed"}, {clLime, "clLime"}, {clYellow, "clYellow"},
    {clBlue, "clBlue"}, {clFuchsia, "clFuchsia"}, {clAqua, "clAqua"}, {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"}, {clSkyBlue, "clSkyBlue"}, {clCream, "clCream"},
    {clMedGray, "clMedGray"}, {clActiveBorder, "clActiveBorder"},
    {clActiveCaption, "clActiveCaption"}, {clAppWorkSpace, "clAppWorkSpace"},
    {clBackground, "clBackground"}, {clBtnFace, "clBtnFace"}, {clBtnHighlight, "clBtnHighlight"},
    {clBtnShadow, "clBtnShadow"}, {clBtnText, "clBtnText"}, {clCaptionText, "clCaptionText"},
    {clDefault, "clDefault"}, {clGradientActiveCaption, "clGradientActiveCaption"},
    {clGradientInactiveCaption, "clGradientInactiveCaption"}, {clGrayText, "clGrayText"},
    {clHighlight, "clHighlight"}, {clHighlightText, "clHighlightText"}, {clHotLight, "clHotLight"},
    {clInactiveBorder, "clInactiveBorder"}, {clInactiveCaption, "clInactiveCaption"},
    {clInactiveCaptionText, "clInactiveCaptionText"}, {clInfoBk, "clInfoBk"},
    {clInfoText, "clInfoText"}, {clMenu, "clMenu"}, {clMenuBar, "clMenuBar"},
    {clMenuHighlight, "clMenuHighlight"}, {clMenuText, "clMenuText"}, {clNone, "clNone"},
    {clScrollBar, "clScrollBar"}, {cl3DDkShadow, "cl3DDkShadow"}, {cl3DLight, "cl3DLight"},
    {clWindow, "clWindow"}, {clWindowFrame, "clWindowFrame"}, {clWindowText, "clWindowText"},
};
}  // namespace

TKitString KitColorToStr(TColor Color) {
  for (const TColorName& n : ColorNames)
    if (n.Color == Color) return Widen(n.Name);
  return Widen(Format("$%.8X", Color));
}

bool KitIdentToColor(const TKitString& Ident, TColor& Color) {
  const std::string text = Narrow(Ident);
  for (const TColorName& n : ColorNames)
    if (SameText(text, n.Name)) {
      Color = n.Color;
      return true;
    }
  return false;
}

TColor KitStrToColor(const TKitString& S) {
  TColor color;
  if (KitIdentToColor(S, color)) return color;
  return static_cast<TColor>(StrToInt(Narrow(S)));
}

TKitString KitFontToStr(const TKitFont& Font) {
  TKitString out = Font.Name + KitListSeparator + Widen(std::to_string(Font.Size)) + KitListSeparator +
                   KitColorToStr(Font.Color);
  for (uint8_t bit : {fsBold, fsItalic, fsUnderline, fsStrikeOut}) {
    out += KitListSeparator;
    out += (Font.Style & bit) ? u'1' : u'0';
  }
  return out;
}

void KitStrToFont(const TKitString& S, TKitFont& Font) {
  TKitStringList f;
  KitSplitString(S, KitListSeparator, f);
  if (f.size() != 7) return;
  TKitFont font = Font;
  font.Name = f[0];
  font.Size = StrToIntDef(f[1], 10);
  font.Color = KitStrToColor(f[2]);
  font.Style = 0;
  const uint8_t bits[] = {fsBold, fsItalic, fsUnderline, fsStrikeOut};
  for (int i = 0; i < 4; ++i)
    if (StrToInt(Narrow(f[3 + i])) & 0xFF) font.Style |= bits[i];
  Font = font;
}

std::string KitScrambleString(const std::string& S, uint16_t Key) {
  std::string out(S.size(), '\0');
  for (size_t i = 0; i < S.size(); ++i) {
    const uint8_t o = static_cast<uint8_t>(static_cast<uint8_t>(S[i]) ^ (Key >> 8));
    out[i] = static_cast<char>(o);
    Key = static_cast<uint16_t>((o + Key) * 52845u + 22719u);
  }
  return out;
}

std::string KitUnscrambleString(const std::string& S, uint16_t Key) {
  std::string out(S.size(), '\0');
  for (size_t i = 0; i < S.size(); ++i) {
    const uint8_t b = static_cast<uint8_t>(S[i]);
    out[i] = static_cast<char>(b ^ (Key >> 8));
    Key = static_cast<uint16_t>((b + Key) * 52845u + 22719u);
  }
  return out;
}

TKitString KitEncodeSixBit(const std::string& S) {
  TKitString out = Widen(std::to_string(S.size())) + u':';
  std::string padded = S;
  padded.resize((S.size() + 2) / 3 * 3, ' ');
  for (size_t i = 0; i < padded.size(); i += 3) {
    const uint32_t v = static_cast<uint32_t>(static_cast<uint8_t>(padded[i])) << 16 |
                       static_cast<uint32_t>(static_cast<uint8_t>(padded[i + 1])) << 8 |
                       static_cast<uint8_t>(padded[i + 2]);
    for (int shift : {18, 12, 6, 0}) out += static_cast<char16_t>(48 + ((v >> shift) & 63));
  }
  return out;
}

// A text without a length, or with a length beyond its groups, yields what its complete
// groups hold (cut to the length), never more.
std::string KitDecodeSixBit(const TKitString& T) {
  const size_t colon = T.find(u':');
  if (colon == TKitString::npos) return {};
  const int32_t length = StrToIntDef(T.substr(0, colon), 0);
  if (length <= 0) return {};
  std::string out;
  for (size_t i = colon + 1; i + 4 <= T.size() && out.size() < static_cast<size_t>(length); i += 4) {
    uint32_t v = 0;
    for (size_t k = 0; k < 4; ++k) v = (v << 6) + static_cast<uint32_t>(T[i + k] - 48);
    out += static_cast<char>(v >> 16);
    out += static_cast<char>(v >> 8);
    out += static_cast<char>(v);
  }
  if (out.size() > static_cast<size_t>(length)) out.resize(static_cast<size_t>(length));
  return out;
}

int64_t KitStreamWriteAnsiString(const std::string& Text, TKitStream& Stream) {
  return Stream.Write(Text.data(), static_cast<int64_t>(Text.size()));
}

std::string KitStreamReadAnsiString(TKitStream& Stream, int64_t Count) {
  // Read in pieces so that a count taken from a damaged file allocates no more than the
  // stream really holds.
  std::string out;
  while (Count > 0) {
    const size_t n = static_cast<size_t>(std::min<int64_t>(Count, 65536));
    const size_t at = out.size();
    out.resize(at + n);
    Stream.ReadBuffer(out.data() + at, static_cast<int64_t>(n));
    Count -= static_cast<int64_t>(n);
  }
  return out;
}

// ---------------------------------------------------------------------------------------

namespace {
constexpr const char* OwnedSourceMessage =
    "This operation requires that its argument should have TKitStringHashTable.OwnItems=false.";
}

TKitStringHashTable::TKitStringHashTable(bool OwnItems) : FOwnItems(OwnItems) {}

TKitStringHashTable::~TKitStringHashTable() { Clear(); }

void TKitStringHashTable::FreeNode(TKitStringHashNode* Node) {
  if (FOwnItems) delete Node->FData;
  delete Node;
}

void TKitStringHashTable::Add(const TKitString& Key, const TKitString& Value, TObject* Data) {
  if (static_cast<int>(FItems.size()) == FCount) {
    const size_t old = FItems.size();
    FItems.resize(old ? old * 2 : 4, nullptr);
    FIndexMask = static_cast<int>(FItems.size()) - 1;
    for (size_t i = old; i-- > 0;) {
      TKitStringHashNode* node = FItems[i];
      FItems[i] = nullptr;
      while (node) {
        TKitStringHashNode* next = node->FNext;
        TKitStringHashNode*& slot = FItems[TKitHashTable::StrHash(node->FKey) & static_cast<uint32_t>(FIndexMask)];
        node->FNext = slot;
        slot = node;
        node = next;
      }
    }
  }
  auto* node = new TKitStringHashNode;
  node->FKey = Key;
  node->FValue = Value;
  node->FData = Data;
  TKitStringHashNode*& slot = FItems[TKitHashTable::StrHash(Key) & static_cast<uint32_t>(FIndexMask)];
  node->FNext = slot;
  slot = node;
  ++FCount;
}

TKitStringHashNode* TKitStringHashTable::FindNode(const TKitString& Key) const {
  if (FItems.empty()) return nullptr;
  for (TKitStringHashNode* node = FItems[TKitHashTable::StrHash(Key) & static_cast<uint32_t>(FIndexMask)];
       node; node = node->FNext)
    if (node->FKey == Key) return node;
  return nullptr;
}

void TKitStringHashTable::SetOrAdd(const TKitString& Key, const TKitString& Value, TObject* Data) {
  TKitStringHashNode* node = FindNode(Key);
  if (!node) return Add(Key, Value, Data);
  // Setting the object a node already holds must not free it.
  if (FOwnItems && node->FData != Data) delete node->FData;
  node->FValue = Value;
  node->FData = Data;
}

TKitString TKitStringHashTable::Find(const TKitString& Key) const {
  const TKitStringHashNode* node = FindNode(Key);
  return node ? node->FValue : TKitString();
}

TKitString TKitStringHashTable::Find(const TKitString& Key, TObject*& Data) const {
  const TKitStringHashNode* node = FindNode(Key);
  Data = node ? node->FData : nullptr;
  return node ? node->FValue : TKitString();
}

bool TKitStringHashTable::Remove(const TKitString& Key) {
  if (FItems.empty()) return false;
  for (TKitStringHashNode** pos = &FItems[TKitHashTable::StrHash(Key) & static_cast<uint32_t>(FIndexMask)];
       *pos; pos = &(*pos)->FNext) {
    if ((*pos)->FKey == Key) {
      TKitStringHashNode* node = *pos;
      *pos = node->FNext;
      FreeNode(node);
      --FCount;
      return true;
    }
  }
  return false;
}

void TKitStringHashTable::Clear() {
  for (TKitStringHashNode* node : FItems) {
    while (node) {
      TKitStringHashNode* next = node->FNext;
      FreeNode(node);
      node = next;
    }
  }
  FItems.clear();
  FItems.shrink_to_fit();
  FIndexMask = 0;
  FCount = 0;
}

bool TKitStringHashTable::IteratorMoveFirst(TKitStringHashIterator& It) const {
  It.InternalIndex = -1;
  It.CurrentNode = nullptr;
  return IteratorMoveNext(It);
}

bool TKitStringHashTable::IteratorMoveNext(TKitStringHashIterator& It) const {
  const int slots = static_cast<int>(FItems.size());
  if (It.CurrentNode && It.CurrentNode->FNext) {
    It.CurrentNode = It.CurrentNode->FNext;
  } else {
    do ++It.InternalIndex;
    while (It.InternalIndex < slots && !FItems[static_cast<size_t>(It.InternalIndex)]);
    It.CurrentNode = It.InternalIndex < slots ? FItems[static_cast<size_t>(It.InternalIndex)] : nullptr;
  }
  return It.InternalIndex < slots;
}

void TKitStringHashTable::Assign(const TKitStringHashTable& Source) {
  if (Source.FOwnItems) throw EInvalidArgument(OwnedSourceMessage);
  if (&Source == this) return;
  // This table's nodes are reused in its own iteration order.
  std::vector<TKitStringHashNode*> reuse;
  reuse.reserve(static_cast<size_t>(FCount));
  TKitStringHashIterator it;
  for (bool ok = IteratorMoveFirst(it); ok; ok = IteratorMoveNext(it)) reuse.push_back(it.CurrentNode);
  // An owning table frees the objects it drops, but never one that the copy takes over.
  std::unordered_set<TObject*> kept;
  if (FOwnItems)
    for (bool ok = Source.IteratorMoveFirst(it); ok; ok = Source.IteratorMoveNext(it)) kept.insert(it.CurrentNode->FData);
  auto dropObject = [&](TKitStringHashNode* node) {
    if (FOwnItems && !kept.count(node->FData)) delete node->FData;
    node->FData = nullptr;
  };

  TKitStringHashNodeArray items(Source.FItems.size(), nullptr);
  size_t next = 0;
  for (bool ok = Source.IteratorMoveFirst(it); ok; ok = Source.IteratorMoveNext(it)) {
    TKitStringHashNode* node;
    if (next < reuse.size()) {
      node = reuse[next++];
      dropObject(node);
    } else {
      node = new TKitStringHashNode;
    }
    node->FKey = it.CurrentNode->FKey;
    node->FValue = it.CurrentNode->FValue;
    node->FData = it.CurrentNode->FData;
    node->FNext = items[static_cast<size_t>(it.InternalIndex)];
    items[static_cast<size_t>(it.InternalIndex)] = node;
  }
  for (; next < reuse.size(); ++next) {
    dropObject(reuse[next]);
    delete reuse[next];
  }
  FItems = std::move(items);
  FCount = Source.FCount;
  FIndexMask = Source.FIndexMask;
}

void TKitStringHashTable::Merge(const TKitStringHashTable& Source) {
  if (Source.FOwnItems) throw EInvalidArgument(OwnedSourceMessage);
  if (&Source == this) return;
  TKitStringHashIterator it;
  for (bool ok = Source.IteratorMoveFirst(it); ok; ok = Source.IteratorMoveNext(it))
    SetOrAdd(it.CurrentNode->FKey, it.CurrentNode->FValue, it.CurrentNode->FData);
}

std::unique_ptr<TKitStringHashTable> TKitStringHashTable::Clone() const {
  if (FOwnItems) throw Exception("This operation requires TKitStringHashTable.OwnItems=false.");
  auto copy = std::make_unique<TKitStringHashTable>(false);
  copy->Assign(*this);
  return copy;
}

}  // namespace zv

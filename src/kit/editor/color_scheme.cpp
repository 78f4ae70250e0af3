#include "kit/editor/color_scheme.h"

#include "kit/text/strings.h"
#include "kit/text/sys_info.h"
#include "kit/text/unicode.h"

namespace zv {

// ---- TKeywordMap -------------------------------------------------------------------------

uint32_t TKeywordMap::Hash(const char16_t* AChars, int ACount) const {
  uint32_t h = 2166136261u;
  for (int i = 0; i < ACount; ++i) {
    const char16_t c = FIgnoreCase ? KitUpperChar(AChars[i]) : AChars[i];
    h = (h ^ c) * 16777619u;
  }
  return h ^ (h >> 15);
}

bool TKeywordMap::Equal(const TKitString& AWord, const char16_t* AChars, int ACount) const {
  if (static_cast<int>(AWord.size()) != ACount) return false;
  for (int i = 0; i < ACount; ++i) {
    const char16_t a = AWord[static_cast<size_t>(i)];
    const char16_t b = AChars[i];
    if (a != b && !(FIgnoreCase && KitUpperChar(a) == KitUpperChar(b))) return false;
  }
  return true;
}

void TKeywordMap::Rehash(size_t ASlots) {
  FMap.assign(ASlots, -1);
  const uint32_t mask = static_cast<uint32_t>(ASlots - 1);
  std::vector<int> tails(ASlots, -1);
  for (size_t i = 0; i < FWords.size(); ++i) {
    TKeyword& w = FWords[i];
    w.Next = -1;
    const uint32_t slot = Hash(w.Word.data(), static_cast<int>(w.Word.size())) & mask;
    if (tails[slot] < 0) FMap[slot] = static_cast<int>(i);
    else FWords[static_cast<size_t>(tails[slot])].Next = static_cast<int>(i);
    tails[slot] = static_cast<int>(i);
  }
}

TKeywordMap::TKeyword& TKeywordMap::AddWord(const TKitString& AWord) {
  if (const TKeyword* found = GetKeyword(AWord)) return const_cast<TKeyword&>(*found);
  if (FMap.empty()) FMap.assign(4, -1);
  else if (FWords.size() >= FMap.size()) Rehash(FMap.size() * 2);
  const int index = static_cast<int>(FWords.size());
  FWords.push_back({-1, AWord, -1});
  const uint32_t slot = Hash(AWord.data(), static_cast<int>(AWord.size())) & static_cast<uint32_t>(FMap.size() - 1);
  int* link = &FMap[slot];
  while (*link >= 0) link = &FWords[static_cast<size_t>(*link)].Next;
  *link = index;
  return FWords.back();
}

const TKeywordMap::TKeyword* TKeywordMap::GetKeyword(const char16_t* AChars, int ACount) const {
  if (FMap.empty()) return nullptr;
  const uint32_t slot = Hash(AChars, ACount) & static_cast<uint32_t>(FMap.size() - 1);
  for (int i = FMap[slot]; i >= 0; i = FWords[static_cast<size_t>(i)].Next)
    if (Equal(FWords[static_cast<size_t>(i)].Word, AChars, ACount)) return &FWords[static_cast<size_t>(i)];
  return nullptr;
}

const TKeywordMap::TKeyword* TKeywordMap::GetKeyword(TKitCharSeq& ASeq, int AStart, int ACount) const {
  TKitString text(static_cast<size_t>(std::max(ACount, 0)), u'\0');
  for (int i = 0; i < ACount; ++i) text[static_cast<size_t>(i)] = ASeq.GetChar(AStart + i);
  return GetKeyword(text);
}

// ---- TTokenTable -------------------------------------------------------------------------

TTokenProps* TTokenTable::Find(const TKitString& AName) const {
  const auto it = FIndex.find(KitUpperCase(AName));
  return it == FIndex.end() ? nullptr : FItems[static_cast<size_t>(it->second)].get();
}

TTokenProps& TTokenTable::Add(std::unique_ptr<TTokenProps> AToken) {
  AToken->ID = Count();
  FIndex.emplace(KitUpperCase(AToken->Name), AToken->ID);
  FItems.push_back(std::move(AToken));
  return *FItems.back();
}

void TTokenTable::Clear() {
  FItems.clear();
  FIndex.clear();
}

// ---- Colours and attributes ----------------------------------------------------------------

bool KitParseSchemeColor(const TKitString& AValue, TColor& AColor) {
  const TKitString v = KitTrim(AValue);
  if (v.empty()) return false;
  if (v[0] == u'#') {
    TKitString digits = v.substr(1);
    if (digits.size() < 6) digits.insert(0, 6 - digits.size(), u'0');
    if (digits.size() != 6) return false;
    uint32_t rgb = 0;
    for (char16_t c : digits) {
      int d;
      if (c >= u'0' && c <= u'9') d = c - u'0';
      else if (c >= u'a' && c <= u'f') d = c - u'a' + 10;
      else if (c >= u'A' && c <= u'F') d = c - u'A' + 10;
      else return false;
      rgb = rgb << 4 | static_cast<uint32_t>(d);
    }
    // RRGGBB in the text, red in the low byte of the colour.
    AColor = (rgb >> 16 & 0xFF) | (rgb & 0xFF00) | (rgb & 0xFF) << 16;
    return true;
  }
  return KitIdentToColor(u"cl" + v, AColor);
}

namespace {

void ReadColor(const IKitXmlNode& ANode, const char16_t* AAttr, TColor& AColor, uint8_t& ASet, uint8_t AKind) {
  const TKitString value = ANode->GetAttr(TKitString(AAttr));
  if (value.empty()) return;
  if (!KitParseSchemeColor(value, AColor))
    throw EKitColorSchemeLoadError("Invalid color format for attribute '" + KitToPlatformText(AAttr) + "'");
  ASet |= AKind;
}

bool IsStyleSeparator(char16_t C) { return C == u' ' || C == u'\t' || C == u',' || C == u';'; }

}  // namespace

void KitDecodeTokenXML(const IKitXmlNode& ANode, TKitEditAttributes& AAttrs, TKitString& AName) {
  if (AAttrs.CustomAttributes)
    throw EInvalidArgument("Bad argument for KitDecodeTokenXML: CustomAttributes field should be nil");
  AName = ANode->GetAttr(u"name");
  if (AName.empty()) throw EKitColorSchemeLoadError("<Token> node should have 'name' attribute");
  ReadColor(ANode, u"backgroundColor", AAttrs.BackgroundColor, AAttrs.AttributesSet, asBackgroundColor);
  ReadColor(ANode, u"textColor", AAttrs.TextColor, AAttrs.AttributesSet, asTextColor);

  const TKitString style = ANode->GetAttr(u"fontStyle");
  size_t i = 0;
  while (i < style.size()) {
    while (i < style.size() && IsStyleSeparator(style[i])) ++i;
    const size_t start = i;
    while (i < style.size() && !IsStyleSeparator(style[i])) ++i;
    if (start == i) break;
    const TKitString word = KitTrim(KitLowerCase(style.substr(start, i - start)));
    if (word == u"bold") AAttrs.FontStyle |= fsBold;
    else if (word == u"italic") AAttrs.FontStyle |= fsItalic;
    else if (word == u"underline") AAttrs.FontStyle |= fsUnderline;
    else if (word == u"strikeout") AAttrs.FontStyle |= fsStrikeOut;
    else throw EKitColorSchemeLoadError("Invalid 'fontStyle' attribute value: " + KitToPlatformText(word));
    AAttrs.AttributesSet |= asFontStyle;
  }

  const IKitXmlNodeList lists = ANode->SelectNodes(u"CustomAttributes");
  for (const IKitXmlNode& list : *lists) {
    if (!list->HasChildNodes()) continue;
    for (const IKitXmlNode& entry : *list->ChildNodes()) {
      if (entry->NodeType() != xntElement) continue;
      if (!AAttrs.CustomAttributes) {
        AAttrs.CustomAttributes = std::make_shared<TKitStringHashTable>(false);
        AAttrs.AttributesSet |= asCustomAttributes;
      }
      AAttrs.CustomAttributes->SetOrAdd(KitTrim(entry->NodeName()), KitTrim(entry->Text()));
    }
  }
}

TKitEditAttributes KitLayerAttributes(const TKitEditAttributes& ABase, const TKitEditAttributes& AOverlay) {
  TKitEditAttributes r = ABase;
  if (AOverlay.AttributesSet & asBackgroundColor) r.BackgroundColor = AOverlay.BackgroundColor;
  if (AOverlay.AttributesSet & asTextColor) r.TextColor = AOverlay.TextColor;
  if (AOverlay.AttributesSet & asFontStyle) r.FontStyle = ABase.FontStyle | AOverlay.FontStyle;
  // Tables are never changed once built, so one side's table is shared; only a merge
  // needs a table of its own.
  if (ABase.CustomAttributes && AOverlay.CustomAttributes) {
    auto merged = std::make_shared<TKitStringHashTable>(false);
    merged->Assign(*ABase.CustomAttributes);
    merged->Merge(*AOverlay.CustomAttributes);
    r.CustomAttributes = std::move(merged);
  } else if (AOverlay.CustomAttributes) {
    r.CustomAttributes = AOverlay.CustomAttributes;
  }
  r.AttributesSet = ABase.AttributesSet | AOverlay.AttributesSet;
  return r;
}

void KitReadColorScheme(const IKitXmlNode& ADoc, const TKitString& AName, TTokenTable& ATokens, int& ACodeCounter) {
  const std::string suffix = "\r\nAttributes document: " + KitToPlatformText(AName);
  const IKitXmlNode root = ADoc->SelectSingleNode(u"Attributes");
  if (!root) throw EKitColorSchemeLoadError("Can't find root <Attributes> node." + suffix);
  const IKitXmlNodeList tokens = root->SelectNodes(u"Token");
  for (const IKitXmlNode& node : *tokens) {
    auto token = std::make_unique<TTokenProps>();
    try {
      try {
        KitDecodeTokenXML(node, token->Attributes, token->Name);
        if (ATokens.Find(token->Name))
          throw EKitColorSchemeLoadError(
              "Attribute 'name' of node <Token> or <TokenAlias> should be unique. Found duplicate: " +
              KitToPlatformText(token->Name));
      } catch (const Exception& e) {
        throw EKitColorSchemeLoadError(e.Message() + suffix);
      }
    } catch (const Exception& e) {
      throw EKitColorSchemeLoadError("<Token> node reading error: " + e.Message() + suffix);
    }
    token->DefaultContentID = ++ACodeCounter;
    ATokens.Add(std::move(token));
  }
}

}  // namespace zv

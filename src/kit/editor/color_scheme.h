// What the parser knows about tokens before it reads a syntax scheme: the colour-scheme
// document that names the tokens and gives each its look, the token table with the integer
// codes that syntax blocks match, keyword sets, and how attributes are layered when schemes
// nest.
#pragma once
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "foundation/errors.h"
#include "kit/editor/parser_base.h"
#include "kit/text/xml_dom.h"

namespace zv {

ZV_ERROR_CLASS(EKitEditParserError, Exception)
ZV_ERROR_CLASS(EKitSyntaxSchemeLoadError, EKitEditParserError)
ZV_ERROR_CLASS(EKitColorSchemeLoadError, EKitEditParserError)

// A set of words, each with an optional integer code, compared exactly or ignoring case.
class TKeywordMap {
 public:
  struct TKeyword {
    int ID = -1;  // -1 when the word is not used as a code
    TKitString Word;
    int Next = -1;
  };

  explicit TKeywordMap(bool AIgnoreCase) : FIgnoreCase(AIgnoreCase) {}
  bool IgnoreCase() const { return FIgnoreCase; }
  int Count() const { return static_cast<int>(FWords.size()); }
  // The entry of the word, added (with code -1) when absent.
  TKeyword& AddWord(const TKitString& AWord);
  bool Contains(const TKitString& AStr) const {
    return GetKeyword(AStr.data(), static_cast<int>(AStr.size())) != nullptr;
  }
  const TKeyword* GetKeyword(const TKitString& AStr) const {
    return GetKeyword(AStr.data(), static_cast<int>(AStr.size()));
  }
  const TKeyword* GetKeyword(const char16_t* AChars, int ACount) const;
  const TKeyword* GetKeyword(TKitCharSeq& ASeq, int AStart, int ACount) const;

 private:
  uint32_t Hash(const char16_t* AChars, int ACount) const;
  bool Equal(const TKitString& AWord, const char16_t* AChars, int ACount) const;
  void Rehash(size_t ASlots);

  bool FIgnoreCase;
  std::vector<int> FMap;  // slot -> first entry, -1 for none; power-of-two length
  std::vector<TKeyword> FWords;
};

struct TTokenProps {
  TKitString Name;
  int ID = -1;
  TKitEditAttributes Attributes;
  int DefaultContentID = -1;
  TKeywordMap ContentMap{false};
  TKeywordMap ContentMapCI{true};
};

// The parser's tokens in order of registration; names compare ignoring case.
class TTokenTable {
 public:
  int Count() const { return static_cast<int>(FItems.size()); }
  TTokenProps& At(int AIndex) const { return *FItems[static_cast<size_t>(AIndex)]; }
  TTokenProps* Find(const TKitString& AName) const;
  // Registers the token: its ID becomes its index.
  TTokenProps& Add(std::unique_ptr<TTokenProps> AToken);
  void Clear();

 private:
  std::vector<std::unique_ptr<TTokenProps>> FItems;
  std::unordered_map<TKitString, int> FIndex;  // upper-cased name -> first index
};

// Reads one colour value: false when the text is no colour. "#" and up to six hex digits
// (RRGGBB, padded on the left) or a colour name without its "cl".
bool KitParseSchemeColor(const TKitString& AValue, TColor& AColor);

// Reads one <Token> element into a name and attributes; AAttrs must have no custom table.
void KitDecodeTokenXML(const IKitXmlNode& ANode, TKitEditAttributes& AAttrs, TKitString& AName);

// The overlay's given fields over the base's (font styles unite, custom tables merge).
TKitEditAttributes KitLayerAttributes(const TKitEditAttributes& ABase, const TKitEditAttributes& AOverlay);

// Reads the colour-scheme document into the token table; every new token takes the next
// code of ACodeCounter. AName is the name that error messages report.
void KitReadColorScheme(const IKitXmlNode& ADoc, const TKitString& AName, TTokenTable& ATokens, int& ACodeCounter);

}  // namespace zv

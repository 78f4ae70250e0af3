// The document's view of its parser: the slots every parser fills, answered here as a
// parser without any scheme (no tokens, no folds), and the types of the parser's output
// that the document and the views share.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "kit/editor/char_seq.h"

namespace zv {

class TKitEditDocument;
class TKitStringHashTable;

// Which fields of TKitEditAttributes are given; an absent one is inherited.
enum TKitEditAttributeKind : uint8_t {
  asBackgroundColor = 1,
  asTextColor = 2,
  asFontStyle = 4,
  asCustomAttributes = 8
};

struct TKitEditAttributes {
  // Shared between attributes that inherit the same table; a copy is made before a merge.
  std::shared_ptr<TKitStringHashTable> CustomAttributes;
  TColor BackgroundColor = clNone;
  TColor TextColor = clNone;
  uint8_t FontStyle = 0;      // TKitFontStyle bits
  uint8_t AttributesSet = 0;  // TKitEditAttributeKind bits
};

struct TKitEditParsedToken {
  TKitSegment Seg;
  TKitEditAttributes Attrs;
  int TokenID = 0;
};

class TKitEditParsedLine : public TObject {
 public:
  virtual int TokenCount() = 0;
  virtual int GetTokenIdx(int ACol) = 0;
  virtual int GetTokens(int AStart, int ACount, std::vector<TKitEditParsedToken>& AArr) = 0;
};

class TKitTokenHandler : public TObject {
 public:
  virtual void HandleToken(const TKitSegment& ASeg, int ATokenID, const TKitEditAttributes& AAttrs) = 0;
};

// Answers the text of a scheme by its name.
using TKitEditParserSchemeLoader = std::function<TKitString(const TKitString& AName)>;

class TKitEditParserBase : public TObject {
 public:
  virtual void SetDocument(TKitEditDocument* ADoc) { FDoc = ADoc; }
  virtual TKitEditDocument* GetDocument() { return FDoc; }
  virtual int GetFoldLevel(int /*ALine*/) { return 0; }
  virtual int GetParentLine(int /*ALine*/) { return -1; }
  virtual int GetFoldEnd(int /*ALineStart*/) { return -1; }
  virtual int GetFoldStart(int /*ALineEnd*/) { return -1; }
  virtual bool IsFoldStart(int /*ALine*/) { return false; }
  virtual bool IsFoldEnd(int /*ALine*/) { return false; }
  virtual void EnsureLineParsed(int /*ALine*/) {}
  virtual void SetMaxLineLengthToParse(int AValue) { FMaxLineLengthToParse = AValue; }
  // Without a scheme a line is one token of id 0 with no attributes set.
  virtual void MarkTokens(int ALine, TKitTokenHandler& AHandler);
  // None without a scheme.
  virtual TKitEditParsedLine* GetParsedLine(int /*ALine*/) { return nullptr; }
  virtual void LineChanged(int /*ALine*/) {}
  virtual void LinesChangedFrom(int /*AStart*/) {}
  virtual void Refresh() {}
  virtual void GetAllTokenIDs(const TKitString& /*ATokenName*/, TKitIntArray& AResult) { AResult.clear(); }

  int MaxLineLengthToParse() const { return FMaxLineLengthToParse; }

 protected:
  TKitEditDocument* FDoc = nullptr;
  int FMaxLineLengthToParse = 1000;
};

}  // namespace zv

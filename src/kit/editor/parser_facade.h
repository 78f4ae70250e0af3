// The document's real parser: a thin facade over the incremental line parser that forwards
// every request to it once a scheme pair is loaded and answers as a parser without scheme
// otherwise.
#pragma once
#include <memory>

#include "kit/editor/line_parser.h"
#include "kit/editor/parser_base.h"

namespace zv {

class TKitEditParser : public TKitEditParserBase {
 public:
  TKitEditParser();
  ~TKitEditParser() override;

  void SetDocument(TKitEditDocument* ADoc) override;
  int GetParentLine(int ALine) override;
  int GetFoldEnd(int ALineStart) override;
  int GetFoldStart(int ALineEnd) override;
  bool IsFoldStart(int ALine) override;
  bool IsFoldEnd(int ALine) override;
  void EnsureLineParsed(int ALine) override;
  void SetMaxLineLengthToParse(int AValue) override;
  void MarkTokens(int ALine, TKitTokenHandler& AHandler) override;
  TKitEditParsedLine* GetParsedLine(int ALine) override;
  void LineChanged(int ALine) override;
  void LinesChangedFrom(int AStart) override;
  void Refresh() override;
  void GetAllTokenIDs(const TKitString& ATokenName, TKitIntArray& AResult) override;

  // Raises EKitSyntaxSchemeLoadError or EKitColorSchemeLoadError.
  void LoadSchemeDoc(const TKitString& ADocName, const TKitString& AAttrsDocName);
  void UnloadSchemes();
  bool IsSchemeLoaded() const { return FImpl->IsSchemeLoaded(); }
  // The document passes its collection readers; empty loaders make the parser read files.
  void SetSchemeLoaders(TKitEditParserSchemeLoader AColorLoader, TKitEditParserSchemeLoader ASyntaxLoader);
  const TKitString& SchemesDir() const { return FImpl->SchemesDir(); }
  void SetSchemesDir(const TKitString& AValue) { FImpl->SetSchemesDir(AValue); }
  TKitString AttrsDir() const { return FImpl->AttrsDir(); }
  void SetAttrsDir(const TKitString& AValue) { FImpl->SetAttrsDir(AValue); }

  TParserImpl& Impl() { return *FImpl; }

 private:
  std::unique_ptr<TParserImpl> FImpl;
};

}  // namespace zv

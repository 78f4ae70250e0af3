#include "kit/editor/parser_facade.h"

namespace zv {

TKitEditParser::TKitEditParser() : FImpl(std::make_unique<TParserImpl>(201, 50)) {}

TKitEditParser::~TKitEditParser() = default;

void TKitEditParser::SetDocument(TKitEditDocument* ADoc) {
  TKitEditParserBase::SetDocument(ADoc);
  FImpl->SetDocument(ADoc);
}

int TKitEditParser::GetParentLine(int ALine) {
  return IsSchemeLoaded() ? FImpl->GetParentLine(ALine) : TKitEditParserBase::GetParentLine(ALine);
}

int TKitEditParser::GetFoldEnd(int ALineStart) {
  return IsSchemeLoaded() ? FImpl->GetFoldEnd(ALineStart) : TKitEditParserBase::GetFoldEnd(ALineStart);
}

int TKitEditParser::GetFoldStart(int ALineEnd) {
  return IsSchemeLoaded() ? FImpl->GetFoldStart(ALineEnd) : TKitEditParserBase::GetFoldStart(ALineEnd);
}

bool TKitEditParser::IsFoldStart(int ALine) {
  return IsSchemeLoaded() ? FImpl->IsFoldStart(ALine) : TKitEditParserBase::IsFoldStart(ALine);
}

bool TKitEditParser::IsFoldEnd(int ALine) {
  return IsSchemeLoaded() ? FImpl->IsFoldEnd(ALine) : TKitEditParserBase::IsFoldEnd(ALine);
}

void TKitEditParser::EnsureLineParsed(int ALine) {
  if (IsSchemeLoaded()) FImpl->EnsureLineParsed(ALine);
}

void TKitEditParser::SetMaxLineLengthToParse(int AValue) {
  if (AValue == FMaxLineLengthToParse) return;
  TKitEditParserBase::SetMaxLineLengthToParse(AValue);
  FImpl->SetMaxLineLengthToParse(AValue);
}

void TKitEditParser::MarkTokens(int ALine, TKitTokenHandler& AHandler) {
  if (FDoc) FImpl->MarkTokens(ALine, AHandler);
}

TKitEditParsedLine* TKitEditParser::GetParsedLine(int ALine) {
  return FDoc ? FImpl->GetParsedLine(ALine) : nullptr;
}

void TKitEditParser::LineChanged(int ALine) {
  if (IsSchemeLoaded()) FImpl->LineChanged(ALine);
}

void TKitEditParser::LinesChangedFrom(int AStart) {
  if (IsSchemeLoaded()) FImpl->LinesChangedFrom(AStart);
}

void TKitEditParser::Refresh() {
  if (IsSchemeLoaded()) FImpl->Refresh();
  else TKitEditParserBase::Refresh();
}

void TKitEditParser::GetAllTokenIDs(const TKitString& ATokenName, TKitIntArray& AResult) {
  if (IsSchemeLoaded()) FImpl->GetAllTokenIDs(ATokenName, AResult);
  else TKitEditParserBase::GetAllTokenIDs(ATokenName, AResult);
}

void TKitEditParser::LoadSchemeDoc(const TKitString& ADocName, const TKitString& AAttrsDocName) {
  FImpl->LoadSchemeDoc(ADocName, AAttrsDocName);
}

void TKitEditParser::UnloadSchemes() { FImpl->UnloadSchemes(); }

void TKitEditParser::SetSchemeLoaders(TKitEditParserSchemeLoader AColorLoader,
                                      TKitEditParserSchemeLoader ASyntaxLoader) {
  FImpl->SetSchemeLoaders(std::move(AColorLoader), std::move(ASyntaxLoader));
}

}  // namespace zv

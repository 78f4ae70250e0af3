#include "kit/editor/parser_base.h"

#include "kit/editor/edit_document.h"

namespace zv {

void TKitEditParserBase::MarkTokens(int ALine, TKitTokenHandler& AHandler) {
  if (FDoc == nullptr) return;
  const TKitEditAttributes none;
  AHandler.HandleToken(FDoc->GetLine(ALine), 0, none);
}

}  // namespace zv

#include "scheme_support.h"

#include "cosem/basic_classes.h"
#include "cosem/comm_classes.h"
#include "cosem/core_classes.h"
#include "cosem/logical_device.h"
#include "cosem/meter_classes.h"
#include "foundation/axdr_types.h"
#include "foundation/kit_support.h"
#include "security/key_info_options.h"

namespace zv {

void RegisterDeviceClasses() {
  [[maybe_unused]] static const bool registered = [] {
    for (const TypeTable* table : {&FoundationTypes(), &BasicClassTypes(), &MeterClassTypes(), &CommunicationTypes(),
                                   &CoreClassTypes(), &SecurityTypes(), &CosemTypes()})
      TKitSupport::AddTypeTable(*table);
    return true;
  }();
}

std::string DeviceColors() { return N(KitDeviceColorScheme()); }

TSchemeDoc::TSchemeDoc(const std::string& AColors, const std::string& ASyntax, const TKitString& AText) {
  Doc.RefreshText(AText.data(), static_cast<int>(AText.size()));
  KitSetColorScheme(Doc, u"colors", U(AColors));
  KitSetSyntaxScheme(Doc, u"syntax", U(ASyntax));
}

std::vector<std::string> TSchemeDoc::Tokens(int ALine) {
  std::vector<std::string> out;
  TKitEditParsedLine* line = Parser().GetParsedLine(ALine);
  std::vector<TKitEditParsedToken> tokens(static_cast<size_t>(line->TokenCount()));
  if (!tokens.empty()) line->GetTokens(0, line->TokenCount(), tokens);
  for (const TKitEditParsedToken& t : tokens)
    out.push_back(N(Impl().Model().Tokens().At(t.TokenID).Name) + ":" + N(KitSegmentToStr(t.Seg)));
  return out;
}

std::string TSchemeDoc::TokenAt(int ALine, int ACol) {
  TKitEditParsedLine* line = Parser().GetParsedLine(ALine);
  std::vector<TKitEditParsedToken> tokens(1);
  line->GetTokens(line->GetTokenIdx(ACol), 1, tokens);
  return N(Impl().Model().Tokens().At(tokens[0].TokenID).Name);
}

}  // namespace zv

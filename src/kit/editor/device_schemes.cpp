#include "kit/editor/device_schemes.h"

#include "ZvEditorResources.h"
#include "foundation/kit_support.h"
#include "kit/editor/edit_document.h"
#include "kit/editor/scheme_collections.h"
#include "kit/text/resources.h"
#include "kit/text/unicode.h"

namespace zv {

namespace {

TKitString FromUtf8(const std::string& AText) {
  TKitString text;
  KitUTF8ToUTF16(AText, text, true, false);
  if (!text.empty() && text[0] == u'\xFEFF') text.erase(0, 1);
  return text;
}

// One change of the collection: the schemes are activated once, not after each step.
void SetScheme(TKitEditParserSchemeCollection& ACollection, const TKitString& AName, const TKitString& AText) {
  ACollection.BeginUpdate();
  try {
    TKitEditParserSchemeCollectionItem& item = ACollection.Add();
    item.SetName(AName);
    item.Scheme().SetText(AText);
  } catch (...) {
    ACollection.EndUpdate();
    throw;
  }
  ACollection.EndUpdate();
}

}  // namespace

TKitString KitDeviceColorScheme() {
  KitRegisterResources(ZvEditorResources());
  const auto bytes = KitFindResource(u"XML", u"DeviceColors");
  return FromUtf8(std::string(bytes.begin(), bytes.end()));
}

TKitString KitDeviceSyntaxScheme() {
  TKitString text;
  for (const std::string& line : TKitSupport::GetKitSchema()) text += FromUtf8(line) + u"\r\n";
  return text;
}

void KitSetSyntaxScheme(TKitEditDocument& ADoc, const TKitString& AName, const TKitString& AText) {
  SetScheme(ADoc.SyntaxSchemes(), AName, AText);
  ADoc.SetActiveSyntaxScheme(AName);
}

void KitSetColorScheme(TKitEditDocument& ADoc, const TKitString& AName, const TKitString& AText) {
  SetScheme(ADoc.ColorSchemes(), AName, AText);
  ADoc.SetActiveColorScheme(AName);
}

void KitSetDeviceSchemes(TKitEditDocument& ADoc) {
  KitSetColorScheme(ADoc, u"colors", KitDeviceColorScheme());
  KitSetSyntaxScheme(ADoc, u"syntax", KitDeviceSyntaxScheme());
}

}  // namespace zv

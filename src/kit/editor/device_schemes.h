// The device editor's scheme pair: the four-token colour scheme compiled into the editor
// library, and the device syntax scheme that the class registry completes at start-up
// (keywords and one folding block per composite element).
#pragma once
#include "kit/text/kit_types.h"

namespace zv {

class TKitEditDocument;

// The compiled-in colour scheme (default, string, keyword, comment).
TKitString KitDeviceColorScheme();
// The completed device syntax scheme; the classes must be registered with TKitSupport.
TKitString KitDeviceSyntaxScheme();
// Adds an item of that name with the text to the document's collection and makes it the
// active scheme of its kind.
void KitSetSyntaxScheme(TKitEditDocument& ADoc, const TKitString& AName, const TKitString& AText);
void KitSetColorScheme(TKitEditDocument& ADoc, const TKitString& AName, const TKitString& AText);
// The device editor's pair: "colors", then "syntax", which loads both.
void KitSetDeviceSchemes(TKitEditDocument& ADoc);

}  // namespace zv

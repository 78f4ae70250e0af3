// What the view's find and replace layer shares with its callers (the find dialog, the
// editor frames): the search arguments, where a search starts, the bounds of replace-all,
// the events, one step of incremental search, and the rule that places a confirmation box
// next to a match without covering it.
#pragma once
#include <functional>

#include "kit/editor/doc_search.h"

namespace zv {

enum TKitEditViewSearchStart { ssCursor, ssTextStartEnd };
enum TKitEditViewReplaceAllBounds { rbAllText, rbSelection };
enum TKitEditNotFoundAction { saCancel, saGoStartEnd };

struct TKitEditSearchArguments {
  TKitString Search;
  TKitString Replace;
  TKitEditSearchOptions Options;
  TKitEditSearchDirection Direction = sdForward;
  TKitEditViewSearchStart Start = ssCursor;
};

// What a caller keeps between showings of the find and replace dialog: the histories (most
// recent first; element 0 is the text shown), the options and what the last showing did.
struct TKitEditSearchDlgOptions {
  TKitStringList Searches;
  TKitStringList Replaces;
  TKitEditViewReplaceAllBounds ReplaceAllBounds = rbAllText;
  TKitEditSearchOptions Options;
  TKitEditSearchDirection Direction = sdForward;
  TKitEditViewSearchStart Start = ssCursor;
  int LastNumberOfReplacements = 0;
  bool WasReplaceAllChosen = false;
};

// Asked when a search reaches the end (start) of the text; saGoStartEnd wraps around.
using TKitEditNotFoundEvent = std::function<void(TObject* Sender, TKitEditNotFoundAction& Action)>;
// Asked for every match before the view replaces it (the document's replace callback).
using TKitEditReplaceFoundEvent = TKitEditReplaceEvent;

// One step of incremental search: the cursor offset and the search text before it.
struct TIncSearchJump {
  int Start = 0;
  TKitString Text;
};

// The top-left corner for a box of AWidth x AHeight that should not cover AMatch (the
// match's first line, from its first cell to its end), inside the text area; all in screen
// coordinates. Vertically the box goes to the side with more room (2 pixels off the line),
// horizontally its right edge aligns with the match's end or its left edge with the
// match's start, whichever leaves more room; equal room keeps ADefault's coordinate.
TKitPoint KitPlaceNearMatch(const TKitRect& AMatch, const TKitRect& ATextArea, int AWidth, int AHeight,
                            const TKitPoint& ADefault);

}  // namespace zv

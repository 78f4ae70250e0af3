// The document's pattern search and replacement: plain text or a regular expression, with
// case, whole-word and direction options, stepwise or over a whole range, with an optional
// callback per match. A search keeps its state in a TKitEditFindReplaceState that the
// caller holds between steps; the far end of the searched range is a marker, so that it
// follows edits made between the steps (the replacements among them).
#pragma once
#include <cstdint>
#include <functional>
#include <memory>

#include "kit/editor/char_seq.h"
#include "kit/editor/markers.h"
#include "kit/editor/view_types.h"
#include "kit/text/regex_source.h"

namespace zv {

class TKitEditDocument;
class TKitRegExp;

enum TKitEditSearchOption { soCaseSensitive, soRegexp, soRegexpSubstitute, soWholeWords, soConfirmReplace };
using TKitEditSearchOptions = TKitSet<TKitEditSearchOption, uint8_t>;
enum TKitEditSearchDirection { sdForward, sdBackward };
enum TKitEditReplaceAction { raReplaceAuto, raReplacedByCallback, raGoNext, raCancel };

class TKitEditFindReplaceState;
// Called for each match before it is replaced. It may replace the match itself
// (raReplacedByCallback, with ReplacedCount the length of what it put there), skip it
// (raGoNext) or end the replacement (raCancel).
using TKitEditReplaceEvent = std::function<void(TObject* Sender, const TKitEditFindReplaceState& AState,
                                                int& ReplacedCount, TKitEditReplaceAction& Action)>;

// The document's characters as the regular-expression engine's input, read through the
// engine's window rather than copied.
class TKitRegexCharSeqSource : public TKitRegexSource {
 public:
  explicit TKitRegexCharSeqSource(TKitCharSeq& ASeq);
  // Takes the sequence's current length.
  void Reset();

 protected:
  void FillBuffer() override;

 private:
  TKitCharSeq& FSeq;
};

// What a state needs of its document: the engine's input and the private marker
// collection that holds the range end. Freeing it detaches the collection.
class TSearchInternal : public TObject {
 public:
  explicit TSearchInternal(TKitEditDocument& ADoc);
  ~TSearchInternal() override;
  TSearchInternal(const TSearchInternal&) = delete;
  TSearchInternal& operator=(const TSearchInternal&) = delete;

  TKitEditDocument* Doc;
  std::unique_ptr<TKitRegexCharSeqSource> ReSrc;
  IKitMarkersPtr Markers;
};

class TKitEditFindReplaceState : public TObject {
 public:
  TKitEditFindReplaceState();
  ~TKitEditFindReplaceState() override;
  TKitEditFindReplaceState(const TKitEditFindReplaceState&) = delete;
  TKitEditFindReplaceState& operator=(const TKitEditFindReplaceState&) = delete;

  // The last match; before the first one, (start offset, 0).
  TKitSegment FoundSegment;
  std::unique_ptr<TKitRegExp> FoundRegex;  // with soRegexp only
  int Start = 0;
  IKitMarkPtr EndM;
  TKitString Pattern;
  TKitString Replacement;
  TKitEditSearchOptions Options;
  TKitEditSearchDirection Direction = sdForward;
  TKitEditReplaceAction LastReplaceAction = raCancel;
  TKitEditReplaceEvent OnReplace;
  std::unique_ptr<TSearchInternal> Internal;
};
using TKitEditFindReplaceStatePtr = std::unique_ptr<TKitEditFindReplaceState>;

}  // namespace zv

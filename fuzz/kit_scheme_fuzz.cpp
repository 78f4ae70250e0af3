// Arbitrary scheme documents: a colour document, a syntax document, a second syntax
// document named "other" and a text, separated by 0x01 bytes. The pair loads or fails
// with the parser's scheme errors; what loads then highlights and folds the text, and an
// edit re-parses it, without a stall, a crash or another kind of error. The tokens cover
// each line exactly, and the parse after the edit equals a fresh parse of the new text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "kit/editor/edit_document.h"
#include "kit/editor/parser_facade.h"
#include "kit/text/unicode.h"

using namespace zv;

namespace {

const char kColors[] =
    "<Attributes><Token name='default'/><Token name='string'/><Token name='keyword'/>"
    "<Token name='comment'/></Attributes>";

struct TToken {
  int Start, Count, Id;
  friend bool operator==(const TToken&, const TToken&) = default;
};

struct Handler : TKitTokenHandler {
  std::vector<TToken> tokens;
  void HandleToken(const TKitSegment& ASeg, int AId, const TKitEditAttributes&) override {
    tokens.push_back({ASeg.Start, ASeg.Count, AId});
  }
};

// What the parser makes of each line: its tokens, which must cover the line exactly (a line
// longer than the parse limit may stop early), and its fold.
struct TLineParse {
  std::vector<TToken> Tokens;
  int FoldEnd;
  int Parent;
  friend bool operator==(const TLineParse&, const TLineParse&) = default;
};

std::vector<TLineParse> ParseAll(TKitEditDocument& doc, TKitEditParser& parser) {
  std::vector<TLineParse> all;
  for (int i = 0; i < doc.LinesCount(); ++i) {
    Handler h;
    parser.MarkTokens(i, h);
    const TKitSegment line = doc.GetLine(i);
    int at = line.Start;
    for (const TToken& t : h.tokens) {
      if (t.Start != at || t.Count < 0) __builtin_trap();
      at += t.Count;
    }
    if (at > line.Start + line.Count || (at != line.Start + line.Count && line.Count <= doc.MaxLineLengthToParse()))
      __builtin_trap();
    all.push_back({std::move(h.tokens), parser.IsFoldStart(i) ? parser.GetFoldEnd(i) : -1, parser.GetParentLine(i)});
  }
  return all;
}

// A document over AText with the schemes loaded; false when they do not load.
bool Load(TKitEditDocument& doc, const TKitString& AText, const std::vector<TKitString>& texts) {
  doc.RefreshText(AText.data(), static_cast<int>(AText.size()));
  auto& parser = static_cast<TKitEditParser&>(doc.GetParser());
  parser.SetSchemeLoaders([&](const TKitString&) { return texts[0]; },
                          [&](const TKitString& AName) { return AName == u"other" ? texts[2] : texts[1]; });
  try {
    parser.LoadSchemeDoc(u"syntax", u"colors");
  } catch (const EKitEditParserError&) {
    return false;
  }
  parser.Refresh();
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < Size && parts.size() <= 4; ++i) {
    if (Data[i] == 1) parts.emplace_back();
    else parts.back().push_back(static_cast<char>(Data[i]));
  }
  parts.resize(4);
  if (parts[0].empty()) parts[0] = kColors;
  std::vector<TKitString> texts(4);
  for (size_t i = 0; i < 4; ++i) KitUTF8ToUTF16(parts[i], texts[i], true, false);

  TKitEditDocument doc;
  if (!Load(doc, texts[3], texts)) return 0;
  auto& parser = static_cast<TKitEditParser&>(doc.GetParser());
  ParseAll(doc, parser);
  if (doc.CharsCount() == 0) return 0;
  // The parse after an edit equals the parse of the edited text from scratch.
  doc.Insert(doc.CharsCount() / 2, u"\r\n");
  const std::vector<TLineParse> edited = ParseAll(doc, parser);
  const TKitString text = KitSeqToStr(doc.Chars());
  TKitEditDocument fresh;
  if (!Load(fresh, text, texts)) __builtin_trap();
  if (ParseAll(fresh, static_cast<TKitEditParser&>(fresh.GetParser())) != edited) __builtin_trap();
  return 0;
}

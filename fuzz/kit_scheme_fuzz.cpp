// Arbitrary scheme documents: a colour document, a syntax document, a second syntax
// document named "other" and a text, separated by 0x01 bytes. The pair loads or fails
// with the parser's scheme errors; what loads then highlights and folds the text, and an
// edit re-parses it, without a stall, a crash or another kind of error.
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

struct Handler : TKitTokenHandler {
  int64_t count = 0;
  void HandleToken(const TKitSegment& ASeg, int, const TKitEditAttributes&) override { count += ASeg.Count; }
};

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
  doc.RefreshText(texts[3].data(), static_cast<int>(texts[3].size()));
  auto& parser = static_cast<TKitEditParser&>(doc.GetParser());
  parser.SetSchemeLoaders([&](const TKitString&) { return texts[0]; },
                          [&](const TKitString& AName) { return AName == u"other" ? texts[2] : texts[1]; });
  try {
    parser.LoadSchemeDoc(u"syntax", u"colors");
  } catch (const EKitEditParserError&) {
    return 0;
  }
  parser.Refresh();
  Handler handler;
  const int lines = doc.LinesCount();
  for (int i = 0; i < lines; ++i) {
    parser.MarkTokens(i, handler);
    if (parser.IsFoldStart(i)) (void)parser.GetFoldEnd(i);
    (void)parser.GetParentLine(i);
  }
  if (doc.CharsCount() > 0) {
    doc.Insert(doc.CharsCount() / 2, u"\r\n");
    for (int i = 0; i < doc.LinesCount(); ++i) parser.MarkTokens(i, handler);
  }
  return 0;
}

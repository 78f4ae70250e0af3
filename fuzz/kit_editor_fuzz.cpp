// Arbitrary edit scripts on an editor document: inserts, deletes and replaces rich in CR
// and LF, compound edits, undo and redo, markers and whole-text refreshes. After every
// step the line index describes the text (and, until the first undo, equals the model's
// index exactly) and the markers lie sorted inside the text on their lines; at the end,
// undoing everything gives back the text of the last refresh.
#include <cstddef>
#include <cstdint>
#include <string>

#include "kit/editor/edit_document.h"
#include "kit/editor/edit_model.h"

using namespace zv;

namespace {

class Script {
 public:
  Script(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}
  bool More() const { return p_ < end_; }
  uint32_t Byte() { return p_ < end_ ? *p_++ : 0; }
  int Below(int n) { return n <= 0 ? 0 : static_cast<int>((Byte() << 8 | Byte()) % static_cast<uint32_t>(n)); }
  TKitString Text() {
    static const char16_t alphabet[] = {u'a', u'\r', u'\n', u'b', u'\r', u'\n', u' ', u'\u00e9'};
    TKitString s(Byte() % 7, u'a');
    for (char16_t& c : s) c = alphabet[Byte() % 8];
    return s;
  }

 private:
  const uint8_t* p_;
  const uint8_t* end_;
};

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

void CheckMarkers(TKitEditDocument& doc, const IKitMarkersPtr& set) {
  int prev = 0;
  for (int i = 0; i < set->get_Count(); ++i) {
    IKitMarkPtr m = set->Marks(i);
    Check(m->get_IsValid() && prev <= m->get_Pos() && m->get_Pos() <= doc.CharsCount());
    Check(m->get_Line() == doc.GetLineByOffset(m->get_Pos()));
    prev = m->get_Pos();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Script script(data, size);
  TKitEditDocument doc;
  test::EditModel model;
  TKitString original;
  bool modelExact = true;
  int compound = 0;
  IKitMarkersPtr sets[] = {doc.Bookmarks(), doc.Breakpoints(), doc.CreateCustomMarkers(true, false, true),
                           doc.CreateCustomMarkers(false, false, true)};
  for (int step = 0; step < 400 && script.More(); ++step) {
    const int len = doc.CharsCount();
    const uint32_t op = script.Byte() % 10;
    try {
      if (op <= 2) {
        const int at = script.Below(len + 1);
        const TKitString s = script.Text();
        doc.Insert(at, s);
        if (modelExact) model.Insert(at, s);
      } else if (op <= 4 && len > 0) {
        const int at = script.Below(len);
        const int n = script.Below(std::min(9, len - at)) + 1;
        doc.Delete(at, n);
        if (modelExact) model.Delete(at, n);
      } else if (op == 5 && len > 0) {
        const int at = script.Below(len);
        const int n = script.Below(std::min(9, len - at) + 1);
        const TKitString s = script.Text();
        doc.Replace(at, n, s);
        if (modelExact) {
          model.Delete(at, n);
          model.Insert(at, s);
        }
      } else if (op == 6) {
        if (script.Byte() % 2 ? doc.CanUndo() : !doc.CanRedo()) {
          doc.Undo();
          modelExact = false;
        } else if (doc.CanRedo()) {
          doc.Redo();
          modelExact = false;
        }
      } else if (op == 7) {
        if (compound > 0 && script.Byte() % 2) {
          doc.EndCompoundEdit(false);
          --compound;
        } else if (compound < 3) {
          doc.BeginCompoundEdit(false);
          ++compound;
        }
      } else if (op == 8) {
        sets[script.Byte() % 4]->CreateMark(script.Below(len + 1));
      } else if (op == 9 && compound == 0 && script.Byte() % 8 == 0) {
        const TKitString text = script.Text() + script.Text() + script.Text();
        TKitSeqFromString seq(text);
        doc.RefreshText(KitWholeSegment(seq));
        original = text;
        model = test::EditModel();
        model.RawInsert(0, text);
        modelExact = true;
      }
    } catch (const EKitEditDocError&) {
      // A refusal (an undo inside a compound edit, say) changes nothing.
    }
    const TKitString text = KitSeqToStr(doc.Chars());
    const std::vector<uint32_t> entries = test::IndexEntries(doc.LineIndex());
    Check(test::IndexMismatch(entries, text).empty());
    if (modelExact) Check(text == model.Text() && entries == model.Entries());
    for (const IKitMarkersPtr& set : sets) CheckMarkers(doc, set);
  }
  while (compound-- > 0) doc.EndCompoundEdit(false);
  while (doc.CanUndo()) doc.Undo();
  Check(KitSeqToStr(doc.Chars()) == original);
  Check(test::IndexMismatch(test::IndexEntries(doc.LineIndex()), original).empty());
  Check(!doc.Modified());
  return 0;
}

// Arbitrary edit scripts on an editor document: inserts, deletes and replaces rich in CR
// and LF, compound edits, undo and redo, markers, whole-text refreshes and loads of
// random bytes in several code pages. After every step the markers lie sorted inside the
// text on their lines; before every undo, redo, refresh or load and at the end, the line
// index describes the text and, while the model follows the edits, the text and the index
// equal the model's (a fault of an earlier edit persists until then, and checking once
// costs a fraction of checking after each step); at the end, undoing everything gives back
// the text of the last refresh or load. A load gives what decoding the bytes in one piece
// gives, or fails and changes nothing; saving and loading again changes nothing more.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_script.h"
#include "kit/editor/edit_document.h"
#include "kit/editor/edit_model.h"
#include "kit/text/stream.h"

using namespace zv;

namespace {

using fuzz::Check;
using fuzz::Script;

constexpr char16_t kAlphabet[] = {u'a', u'\r', u'\n', u'b', u'\r', u'\n', u' ', u'\u00e9'};

void CheckMarkers(TKitEditDocument& doc, const IKitMarkersPtr& set) {
  int prev = 0;
  for (int i = 0; i < set->get_Count(); ++i) {
    IKitMarkPtr m = set->Marks(i);
    Check(m->get_IsValid() && prev <= m->get_Pos() && m->get_Pos() <= doc.CharsCount());
    Check(m->get_Line() == doc.GetLineByOffset(m->get_Pos()));
    prev = m->get_Pos();
  }
}

// The code pages a file is read in: the own Unicode forms, the fixed ANSI table and the
// platform converter's UTF-8, UTF-7, a multi-byte and a stateful code page.
constexpr int kCodePages[] = {65001, 1200, 1201, 12000, 12001, 0, 1252, 65000, 932, 50220};

TKitByteArray Save(TKitEditDocument& doc) {
  TKitMemoryStream s;
  doc.SaveToStream(s);
  return s.Data();
}

// Loads the bytes and checks the outcome; answers whether the text was replaced.
bool LoadAndCheck(TKitEditDocument& doc, const TKitByteArray& bytes, int codePage) {
  const TKitString before = KitSeqToStr(doc.Chars());
  const bool modified = doc.Modified();
  const int undoCount = doc.UndoManager().UndoCount();
  TKitWideCharArray whole;
  bool decodes = true;
  try {
    TKitEncoding::GetEncoding(codePage)->ReadBuffer(whole, bytes);
  } catch (const EKitEncodingError&) {
    decodes = false;
  }
  try {
    TKitMemoryStream s(bytes);
    doc.LoadFromStream(s, codePage);
  } catch (const EKitEditDocError&) {
    Check(!decodes && KitSeqToStr(doc.Chars()) == before && doc.Modified() == modified &&
          doc.UndoManager().UndoCount() == undoCount);
    return false;
  }
  const TKitString text = KitSeqToStr(doc.Chars());
  Check(decodes && text == TKitString(whole.begin(), whole.end()));
  Check(!doc.Modified() && !doc.CanUndo() && doc.CodePage() == codePage);
  const bool unicode = codePage == 65001 || codePage == 1200 || codePage == 1201 || codePage == 12000 ||
                       codePage == 12001;
  if ((codePage == 1200 || codePage == 1201) && bytes.size() % 2 == 0 && !text.empty()) Check(Save(doc) == bytes);
  if (unicode || codePage == 0) {
    const TKitByteArray saved = Save(doc);
    TKitEditDocument again;
    TKitMemoryStream s(saved);
    again.LoadFromStream(s, codePage);
    Check(Save(again) == saved);
  }
  return true;
}

// The line index describes the text and, while AExact, both equal the model's.
void CheckText(TKitEditDocument& doc, const test::EditModel& model, bool AExact) {
  const TKitString text = KitSeqToStr(doc.Chars());
  const std::vector<uint32_t> entries = test::IndexEntries(doc.LineIndex());
  Check(test::IndexMismatch(entries, text).empty());
  if (AExact) Check(text == model.Text() && entries == model.Entries());
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
  for (int step = 0; step < 2 * fuzz::kMaxSteps && script.More(); ++step) {
    const int len = doc.CharsCount();
    const uint32_t op = script.Byte() % 10;
    uint32_t load = 8;
    try {
      if (op <= 2) {
        const int at = script.Below(len + 1);
        const TKitString s = script.Text(kAlphabet, 6);
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
        const TKitString s = script.Text(kAlphabet, 6);
        doc.Replace(at, n, s);
        if (modelExact) {
          model.Delete(at, n);
          model.Insert(at, s);
        }
      } else if (op == 6) {
        CheckText(doc, model, modelExact);
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
      } else if (op == 9 && compound == 0 && (load = script.Byte() % 8) == 1) {
        CheckText(doc, model, modelExact);
        const int codePage = kCodePages[script.Byte() % std::size(kCodePages)];
        const TKitByteArray bytes = script.Bytes(script.Below(1024));
        if (LoadAndCheck(doc, bytes, codePage)) {
          original = KitSeqToStr(doc.Chars());
          model = test::EditModel();
          model.RawInsert(0, original);
          modelExact = true;
        }
      } else if (op == 9 && compound == 0 && load == 0) {
        CheckText(doc, model, modelExact);
        const TKitString text = script.Text(kAlphabet, 6) + script.Text(kAlphabet, 6) + script.Text(kAlphabet, 6);
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
    for (const IKitMarkersPtr& set : sets) CheckMarkers(doc, set);
  }
  CheckText(doc, model, modelExact);
  while (compound-- > 0) doc.EndCompoundEdit(false);
  while (doc.CanUndo()) doc.Undo();
  Check(KitSeqToStr(doc.Chars()) == original);
  Check(test::IndexMismatch(test::IndexEntries(doc.LineIndex()), original).empty());
  Check(!doc.Modified());
  return 0;
}

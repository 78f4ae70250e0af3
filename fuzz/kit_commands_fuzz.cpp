// Arbitrary command sessions on edit views over the fakes: every command with arbitrary
// arguments, key presses and typed characters, view settings (overwrite, virtual space,
// tabs, indentation rules, wrap modes, tab widths), folds from an ill-formed table, a
// clipboard with stream and block text, read-only switches, a second view on the same
// document, scroll-bar messages and the wheel, the mouse (clicks anywhere, drags, double and
// triple clicks, the gutter, auto-scroll ticks) and drags of a selection dropped into either
// view. No step may crash, hang, fail an assertion
// or leave a bracket open; a refused step changes neither view; the cursor stays in the
// text; and undoing everything brings the text back to what it was.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "view_session.h"

using namespace zv;

namespace {

using fuzz::Check;
using fuzz::Script;

constexpr char16_t kAlphabet[] = {u'a', u'\t', u'\r', u'\n', u' ', u'(', u'.', u'b', 0xD800, u'x', u'\u00e9'};

void CheckView(TKitEditView& view) {
  Check(!view.IsUpdating());
  if (view.Document() == nullptr) return;
  const int n = view.CurrentDocument().CharsCount();
  const TOffsetPoint cur = view.ScreenCache().CursorOffset();
  Check(cur.Offset >= 0 && cur.Offset <= n && cur.InCharOffset >= 0);
  const TOffsetPoint s = view.SelectionOffsetStart(), e = view.SelectionOffsetEnd();
  Check(s.Offset >= 0 && s.Offset <= n && e.Offset >= 0 && e.Offset <= n);
}

const uint16_t kKeys[] = {kVkBack, kVkTab, kVkReturn, kVkEscape, kVkSpace, kVkPrior, kVkNext, kVkEnd, kVkHome,
                          kVkLeft, kVkUp, kVkRight, kVkDown, kVkInsert, kVkDelete, kVkF3, 'A', 'C', 'E', 'I',
                          'K', 'U', 'V', 'X', 'Y', 'Z'};

void Mouse(Script& s, TKitEditView& view, TKitEditView& other, TFakeEditHost& host, int64_t& clock) {
  const int x = s.Pick(360) - 30, y = s.Pick(130) - 15;
  const auto shift = static_cast<TKitShiftState>(s.Byte());
  TKitCursorShape shape;
  switch (s.Pick(8)) {
    case 0:
      clock += s.Pick(800);
      view.MouseDown(static_cast<TKitMouseButton>(s.Pick(3)), shift, x, y);
      break;
    case 1: view.MouseMove(shift, x, y); break;
    case 2: view.MouseUp(static_cast<TKitMouseButton>(s.Pick(3)), shift, x, y); break;
    case 3:
      view.DragOver((s.Byte() & 1) ? &view : &other, x, y, static_cast<TKitDragState>(s.Pick(3)), shift, shape);
      break;
    case 4: view.DragDrop((s.Byte() & 1) ? &view : &other, x, y, shift); break;
    case 5: view.DragCanceled(); break;
    case 6: view.UpdateMouseCursor(x, y); break;
    default:
      host.Focus = (s.Byte() & 3) != 0;
      for (TFakeTimer* t : host.Timers()) t->Fire();  // auto-scroll and completion ticks
      break;
  }
}

void Step(Script& s, TKitEditView& view, TKitEditView& other, TFakeEditHost& host, TFakeFoldParser& parser,
          int64_t& clock) {
  switch (s.Pick(13)) {
    case 0:
    case 1:
    case 2: {
      const auto command = static_cast<TKitEditCommand>(s.Pick(kKitEditCommandCount));
      TKitCommandArg arg;
      if (s.Byte() & 1) arg = s.Text(kAlphabet, 7);
      view.InvokeCommand(command, arg, true);
      break;
    }
    case 3: {
      uint16_t key = kKeys[s.Pick(sizeof(kKeys) / sizeof(kKeys[0]))];
      view.KeyDown(key, static_cast<TKitShiftState>(s.Byte() & 7));
      if (s.Byte() & 1) view.KeyPress(static_cast<char16_t>(32 + s.Pick(100)));
      break;
    }
    case 4:
      for (char16_t c : s.Text(kAlphabet, 7)) view.KeyPress(c);
      break;
    case 5: {
      static const TKitViewSetting settings[] = {vsOverwrite,   vsUseTabs,           vsAutoIndent, vsKeepBlanks,
                                                 vsCursorBoundToChars, vsBackspaceUnindents, vsPreciseScrollbars,
                                                 vsHideShowScrollbars};
      TKitViewSettings v = view.ViewSettings();
      const TKitViewSetting x = settings[s.Pick(8)];
      if (v.Contains(x)) v.Exclude(x);
      else v.Include(x);
      view.SetViewSettings(v);
      break;
    }
    case 6:
      switch (s.Pick(4)) {
        case 0: view.SetWrapMode(static_cast<TKitViewWrapMode>(s.Pick(3))); break;
        case 1: view.SetWrapRulerWidth(1 + s.Pick(12)); break;
        case 2: view.SetTabWidth(1 + s.Pick(9)); break;
        default: view.SetIndentWidth(s.Pick(9)); break;
      }
      break;
    case 7: {
      const int a = s.Pick(12), b = s.Pick(12);
      parser.Folds.push_back({a, b});
      if (parser.Folds.size() > 6) parser.Folds.erase(parser.Folds.begin());
      const int line = s.Pick(view.CurrentDocument().LinesCount() + 1);
      if (s.Byte() & 1) view.Fold(line, s.Byte() & 1);
      else view.UnfoldAllIn(-1, s.Byte() & 1);
      break;
    }
    case 8:
      host.FakeClipboard().SetText(s.Text(kAlphabet, 7), s.Byte() & 1);
      break;
    case 9: {
      const int x = s.Pick(40), y = s.Pick(12);
      if (s.Byte() & 1) view.SetCursorPos({x, y});
      else view.SetSelection(TKitPoint{x, y}, TKitPoint{s.Pick(40), s.Pick(12)}, s.Byte() & 1);
      break;
    }
    case 10:
      switch (s.Pick(5)) {
        case 0: view.VScrollMessage(static_cast<TKitScrollCode>(s.Pick(9)), s.Pick(40000)); break;
        case 1: view.HScrollMessage(static_cast<TKitScrollCode>(s.Pick(9)), s.Pick(40000)); break;
        case 2: view.DoMouseWheel(static_cast<TKitShiftState>(s.Byte() & 4), static_cast<int>(s.Byte()) * 7 - 900); break;
        case 3: view.ExternalDrop(s.Text(kAlphabet, 7), s.Byte() & 1); break;
        default: view.SetReadOnly(!view.ReadOnly()); break;
      }
      break;
    case 11:
      Mouse(s, view, other, host, clock);
      break;
    default: {
      const auto command = static_cast<TKitEditCommand>(s.Pick(kKitEditCommandCount));
      other.InvokeCommand(command, s.Text(kAlphabet, 7), false);
      break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Script s(data, size);
  TFakeEditHost host;
  host.Client = {0, 0, 300, 96};
  TKitEditDocument doc;
  auto owned = std::make_unique<TFakeFoldParser>();
  TFakeFoldParser& parser = *owned;
  doc.SetParser(std::move(owned));
  const TKitString original = u"<a>\r\n\t<b x=\"1\"/>\r\n  </a>\n\r\nend";
  doc.RefreshText(original.data(), static_cast<int>(original.size()));
  {
    TKitEditView view(host);
    TKitEditView other(host);
    view.SetDocument(&doc);
    other.SetDocument(&doc);
    int64_t clock = 0;
    view.ClickClock = other.ClickClock = [&clock] { return clock; };
    for (int steps = 0; s.More() && steps < fuzz::kMaxSteps; ++steps) {
      const fuzz::TViewState before = fuzz::StateOf(view), otherBefore = fuzz::StateOf(other);
      try {
        Step(s, steps % 5 == 4 ? other : view, steps % 5 == 4 ? view : other, host, parser, clock);
      } catch (const EAssertionFailed&) {
        Check(false);
      } catch (const Exception& e) {
        // A refusal (a mode check, a bad position or line, a read-only view): nothing else.
        fuzz::CheckUnchanged(view, before, e);
        fuzz::CheckUnchanged(other, otherBefore, e);
      }
      CheckView(view);
      CheckView(other);
    }
    // Every change was recorded: undoing all of it brings the text back.
    // One view update around it: the screens are rebuilt once, not after every undone step.
    view.SetReadOnly(false);
    fuzz::InUpdate(view, [&] {
      fuzz::InUpdate(other, [&] {
        for (int guard = 0; guard < 2000 && doc.CanUndo(); ++guard) doc.Undo();
      });
    });
    CheckView(view);
    CheckView(other);
    Check(KitSeqToStr(doc.Chars()) == original);
  }
  return 0;
}

// A scripted session at the keyboard: a device description edited the way a user does it
// (new elements with indentation, a value replaced and the replacement undone and redone,
// lines indented, copied, pasted and deleted, overwrite, a block of columns removed), each
// step checked against the text, the cursor and the selection.
#include <gtest/gtest.h>

#include <functional>

#include "key_view_support.h"

namespace zv {
namespace {

using test::kAlt;
using test::kCtrl;
using test::kShift;
using test::KeyViewFixture;

TKitString Lines(std::initializer_list<const char16_t*> ALines) {
  TKitString text;
  bool first = true;
  for (const char16_t* l : ALines) {
    if (!first) text += u"\r\n";
    text += l;
    first = false;
  }
  return text;
}

struct Step {
  const char* what;
  std::function<void(KeyViewFixture&)> keys;
  TKitString text;
  TKitPoint cursor;
  TKitString selected;
};

std::function<void(KeyViewFixture&)> Keys(std::initializer_list<std::pair<uint16_t, TKitShiftState>> AKeys,
                                          int ARepeat = 1) {
  std::vector<std::pair<uint16_t, TKitShiftState>> keys(AKeys);
  return [keys, ARepeat](KeyViewFixture& f) {
    for (int i = 0; i < ARepeat; ++i)
      for (const auto& [key, shift] : keys) f.Press(key, shift);
  };
}

std::function<void(KeyViewFixture&)> Type(const TKitString& AText) {
  return [AText](KeyViewFixture& f) { f.Type(AText); };
}

TEST(KeySessionTest, EditingADeviceDescription) {
  const TKitString value = u"    <LogicalName Value=\"0000600100FF\" />";
  const TKitString newValue = u"    <LogicalName Value=\"0100010000FF\" />";
  const TKitString oneDigit = u"    <LogicalName Value=\"0\" />";
  const Step steps[] = {
      {"to the end of the logical name", Keys({{kVkDown, 0}, {kVkDown, 0}, {kVkEnd, 0}}),
       Lines({u"<Device>", u"  <Object>", value.c_str(), u"  </Object>", u"</Device>"}), {40, 2}, u""},
      {"a new line keeps the indentation", Keys({{kVkReturn, 0}}),
       Lines({u"<Device>", u"  <Object>", value.c_str(), u"    ", u"  </Object>", u"</Device>"}), {4, 3}, u""},
      {"an element typed", Type(u"<Value>"),
       Lines({u"<Device>", u"  <Object>", value.c_str(), u"    <Value>", u"  </Object>", u"</Device>"}), {11, 3},
       u""},
      {"return and tab indent one level deeper", Keys({{kVkReturn, 0}, {kVkTab, 0}}),
       Lines({u"<Device>", u"  <Object>", value.c_str(), u"    <Value>", u"        ", u"  </Object>", u"</Device>"}),
       {8, 4}, u""},
      {"the inner element", Type(u"<Unsigned Value=\"5\" />"),
       Lines({u"<Device>", u"  <Object>", value.c_str(), u"    <Value>", u"        <Unsigned Value=\"5\" />",
              u"  </Object>", u"</Device>"}),
       {30, 4}, u""},
      {"backspace after return unindents to the outer level", Keys({{kVkReturn, 0}, {kVkBack, 0}}),
       Lines({u"<Device>", u"  <Object>", value.c_str(), u"    <Value>", u"        <Unsigned Value=\"5\" />", u"    ",
              u"  </Object>", u"</Device>"}),
       {4, 5}, u""},
      {"the closing element", Type(u"</Value>"),
       Lines({u"<Device>", u"  <Object>", value.c_str(), u"    <Value>", u"        <Unsigned Value=\"5\" />",
              u"    </Value>", u"  </Object>", u"</Device>"}),
       {12, 5}, u""},
      {"up keeps the column, also across a short line", Keys({{kVkUp, 0}}, 3),
       Lines({u"<Device>", u"  <Object>", value.c_str(), u"    <Value>", u"        <Unsigned Value=\"5\" />",
              u"    </Value>", u"  </Object>", u"</Device>"}),
       {12, 2}, u""},
      {"two words right: the value", Keys({{kVkRight, kCtrl}}, 2), TKitString(), {24, 2}, u""},
      {"the value selected", Keys({{kVkEnd, kShift}, {kVkLeft, kShift}, {kVkLeft, kShift}, {kVkLeft, kShift},
                                   {kVkLeft, kShift}}),
       TKitString(), {36, 2}, u"0000600100FF"},
      {"a new value typed over it", Type(u"0100010000FF"),
       Lines({u"<Device>", u"  <Object>", newValue.c_str(), u"    <Value>", u"        <Unsigned Value=\"5\" />",
              u"    </Value>", u"  </Object>", u"</Device>"}),
       {36, 2}, u""},
      {"undo takes the typing back", Keys({{'Z', kCtrl}}),
       Lines({u"<Device>", u"  <Object>", oneDigit.c_str(), u"    <Value>", u"        <Unsigned Value=\"5\" />",
              u"    </Value>", u"  </Object>", u"</Device>"}),
       {25, 2}, u""},
      {"and then the replacement", Keys({{'Z', kCtrl}}),
       Lines({u"<Device>", u"  <Object>", value.c_str(), u"    <Value>", u"        <Unsigned Value=\"5\" />",
              u"    </Value>", u"  </Object>", u"</Device>"}),
       {36, 2}, u""},
      {"redo twice brings both back", Keys({{'Z', kCtrl | kShift}}, 2),
       Lines({u"<Device>", u"  <Object>", newValue.c_str(), u"    <Value>", u"        <Unsigned Value=\"5\" />",
              u"    </Value>", u"  </Object>", u"</Device>"}),
       {36, 2}, u""},
      {"three lines selected", Keys({{kVkHome, kCtrl}, {kVkDown, 0}, {kVkDown, 0}, {kVkDown, 0}, {kVkDown, kShift},
                                     {kVkDown, kShift}, {kVkDown, kShift}}),
       TKitString(), {0, 6}, u"    <Value>\r\n        <Unsigned Value=\"5\" />\r\n    </Value>\r\n"},
      {"and indented one level", Keys({{'I', kCtrl | kShift}}),
       Lines({u"<Device>", u"  <Object>", newValue.c_str(), u"        <Value>", u"            <Unsigned Value=\"5\" />",
              u"        </Value>", u"  </Object>", u"</Device>"}),
       {0, 6}, u"<Value>\r\n            <Unsigned Value=\"5\" />\r\n        </Value>\r\n"},
      {"copied and pasted after the device",
       Keys({{'C', kCtrl}, {kVkEnd, kCtrl}, {kVkReturn, 0}, {'V', kCtrl}}),
       Lines({u"<Device>", u"  <Object>", newValue.c_str(), u"        <Value>", u"            <Unsigned Value=\"5\" />",
              u"        </Value>", u"  </Object>", u"</Device>", u"<Value>", u"            <Unsigned Value=\"5\" />",
              u"        </Value>", u""}),
       {0, 11}, u""},
      {"the pasted lines deleted again", Keys({{'Y', kCtrl}, {'Y', kCtrl}, {'Y', kCtrl}, {kVkBack, 0}}),
       Lines({u"<Device>", u"  <Object>", newValue.c_str(), u"        <Value>", u"            <Unsigned Value=\"5\" />",
              u"        </Value>", u"  </Object>", u"</Device>"}),
       {9, 7}, u""},
      {"overwrite a digit", [](KeyViewFixture& f) {
         Keys({{kVkHome, kCtrl}, {kVkDown, 0}, {kVkDown, 0}, {kVkDown, 0}, {kVkDown, 0}, {kVkEnd, 0}})(f);
         Keys({{kVkLeft, 0}}, 5)(f);
         f.Press(kVkInsert);
         f.Type(u"7");
         f.Press(kVkInsert);
       },
       Lines({u"<Device>", u"  <Object>", newValue.c_str(), u"        <Value>", u"            <Unsigned Value=\"7\" />",
              u"        </Value>", u"  </Object>", u"</Device>"}),
       {30, 4}, u""},
      {"a block of four columns selected", Keys({{kVkHome, kCtrl}, {kVkDown, 0}, {kVkDown, 0}, {kVkDown, 0},
                                                 {kVkDown, kShift | kAlt}, {kVkDown, kShift | kAlt},
                                                 {kVkRight, kShift | kAlt}, {kVkRight, kShift | kAlt},
                                                 {kVkRight, kShift | kAlt}, {kVkRight, kShift | kAlt}}),
       TKitString(), {4, 5}, u"    \r\n    \r\n    "},
      {"and deleted", Keys({{kVkDelete, 0}}),
       Lines({u"<Device>", u"  <Object>", newValue.c_str(), u"    <Value>", u"        <Unsigned Value=\"7\" />",
              u"    </Value>", u"  </Object>", u"</Device>"}),
       {0, 3}, u""},
  };
  KeyViewFixture f(Lines({u"<Device>", u"  <Object>", value.c_str(), u"  </Object>", u"</Device>"}), 480);
  f.Setting(vsBackspaceUnindents, true);
  TKitString text = f.Text();
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    s.keys(f);
    if (!s.text.empty()) text = s.text;
    EXPECT_EQ(f.Text(), text);
    EXPECT_EQ(f.Cursor(), s.cursor);
    EXPECT_EQ(f.view.SelectedText(), s.selected);
  }
  EXPECT_EQ(f.host.Beeps, 0);
}

}  // namespace
}  // namespace zv

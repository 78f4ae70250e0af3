// Change links, setting objects, captions and theme services.
#include <gtest/gtest.h>

#include <memory>

#include "kit/graphics/captions.h"
#include "kit/graphics/change_link.h"
#include "kit/graphics/settings.h"
#include "kit/graphics/theme_services.h"

namespace zv {
namespace {

// ---- change links ----

struct TLinkProbe {
  TKitChangeLink Link;
  int Calls = 0;
  TObject* LastSender = nullptr;
  TLinkProbe() {
    Link.SetOnChange([this](TObject* Sender) {
      ++Calls;
      LastSender = Sender;
    });
  }
};

TEST(ChangeLinkTest, ChangesReachControllerAndLinksUnlessUpdatingOrLoading) {
  TKitBaseController controller;
  int own = 0;
  controller.SetOnChange([&](TObject*) { ++own; });
  TLinkProbe a, b;
  controller.RegisterChanges(nullptr);
  controller.RegisterChanges(&a.Link);
  controller.RegisterChanges(&b.Link);
  EXPECT_EQ(a.Link.Sender(), &controller);

  controller.Change();
  EXPECT_EQ(own, 1);
  EXPECT_EQ(a.Calls, 1);
  EXPECT_EQ(a.LastSender, &controller);  // the controller, not the link

  controller.BeginUpdate();
  controller.Change();
  controller.SetLoading(true);
  controller.EndUpdate(true);  // still loading: silent
  controller.SetLoading(false);
  EXPECT_EQ(own, 1);
  EXPECT_EQ(b.Calls, 1);
  controller.BeginUpdate();
  controller.EndUpdate(true);
  EXPECT_EQ(own, 2);
  EXPECT_EQ(b.Calls, 2);

  TLinkProbe stranger;
  controller.UnRegisterChanges(&stranger.Link);
  EXPECT_EQ(controller.ClientCount(), 2);
}

TEST(ChangeLinkTest, DoubleRegistrationHearsTwiceAndNeedsTwoUnregistrations) {
  TKitBaseController controller;
  TLinkProbe a;
  controller.RegisterChanges(&a.Link);
  controller.RegisterChanges(&a.Link);
  controller.Change();
  EXPECT_EQ(a.Calls, 2);
  controller.UnRegisterChanges(&a.Link);
  EXPECT_EQ(a.Link.Sender(), &controller);  // still registered once
  controller.UnRegisterChanges(&a.Link);
  EXPECT_EQ(a.Link.Sender(), nullptr);
  EXPECT_EQ(controller.ClientCount(), 0);
}

TEST(ChangeLinkTest, DestroyingEitherSideUnbindsTheOther) {
  TLinkProbe a, b, c;
  {
    TKitBaseController controller;
    for (TLinkProbe* p : {&a, &b, &c}) controller.RegisterChanges(&p->Link);
  }
  for (TLinkProbe* p : {&a, &b, &c}) EXPECT_EQ(p->Link.Sender(), nullptr);

  // A link that dies while registered twice leaves no dangling entry behind.
  TKitBaseController controller;
  TLinkProbe survivor;
  controller.RegisterChanges(&survivor.Link);
  {
    TLinkProbe twice;
    controller.RegisterChanges(&twice.Link);
    controller.RegisterChanges(&twice.Link);
  }
  EXPECT_EQ(controller.ClientCount(), 1);
  controller.Change();
  EXPECT_EQ(survivor.Calls, 1);

  // A link moved to another controller leaves the first.
  TKitBaseController other;
  other.RegisterChanges(&survivor.Link);
  EXPECT_EQ(controller.ClientCount(), 0);
  EXPECT_EQ(survivor.Link.Sender(), &other);
}

// ---- setting objects ----

template <class T, class F>
int ChangesOf(T& Object, F Script) {
  int fired = 0;
  Object.SetOnChange([&](TObject*) { ++fired; });
  Script(Object);
  return fired;
}

TEST(SettingObjectsTest, SettersFireOnlyOnNewValues) {
  TKitCtlSettings ctl;
  EXPECT_EQ(ChangesOf(ctl, [](TKitCtlSettings& o) { o.SetCtlXP(true); }), 0);
  EXPECT_EQ(ChangesOf(ctl, [](TKitCtlSettings& o) { o.SetCtlXP(false); }), 1);
  EXPECT_EQ(ChangesOf(ctl, [](TKitCtlSettings& o) { o.SetBool(7, true); }), 0);
  EXPECT_FALSE(ctl.GetBool(7));
  EXPECT_EQ(ctl.GetSetStr(), u"Transp.: False, CtlXP: False");

  TKitColorObject color;
  EXPECT_EQ(color.GetSetStr(), u"clBtnFace");
  EXPECT_EQ(ChangesOf(color, [](TKitColorObject& o) { o.SetColor(clBtnFace); }), 0);
  color.SetColor(0x00C08040);
  EXPECT_EQ(color.GetSetStr(), u"$00C08040");

  TKitStyleObject style;
  EXPECT_EQ(ChangesOf(style, [](TKitStyleObject& o) { o.SetStyleName(u"Flat"); }), 1);
  EXPECT_EQ(style.GetSetStr(), u"Flat");
}

TEST(SettingObjectsTest, AssignCopiesOwnClassAndRefusesOthers) {
  TKitCtlSettings a, b;
  b.SetTransparent(true);
  b.SetCtlXP(false);
  EXPECT_EQ(ChangesOf(a, [&](TKitCtlSettings& o) { o.Assign(&b); }), 1);
  EXPECT_TRUE(a.Transparent());
  EXPECT_FALSE(a.CtlXP());
  EXPECT_EQ(ChangesOf(a, [&](TKitCtlSettings& o) { o.Assign(&o); }), 0);

  TKitColorObject color;
  try {
    color.Assign(&a);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a TKitCtlSettings to a TKitColorObject");
  }
}

TEST(SettingObjectsTest, StateListAndClassRegistry) {
  const TKitStateList& list = KitStateList();
  ASSERT_EQ(list.size(), 8u);
  EXPECT_EQ(list.front().name, u"Disabled");
  EXPECT_EQ(list.back().name, u"Normal");
  for (uint8_t v : list.back().sl) EXPECT_EQ(v, 2);
  EXPECT_STREQ(KitPrintPreviewCaptions[9], "Zoom out");
  EXPECT_STREQ(KitClipboardFormatNames[15], "LOCALE");

  const TKitSettingClassFactory make = KitFindClass("TKitFxCaption");
  ASSERT_TRUE(make);
  std::unique_ptr<TKitSettingObject> object(make(nullptr));
  EXPECT_STREQ(object->ClassName(), "TKitFxCaption");
  EXPECT_FALSE(KitFindClass("TKitNothing"));
}

// ---- captions ----

TEST(CaptionTest, SummaryAngleAndPositions) {
  TKit3DCaption plain;
  EXPECT_EQ(plain.GetSetStr(), u"{None}");

  TKitFxCaption fx;
  fx.SetStyle(tdRaised);
  fx.SetAngle(45);
  EXPECT_EQ(fx.GetSetStr(), u"{Raised, rot: 45\u00B0}");
  EXPECT_EQ(ChangesOf(fx, [](TKitFxCaption& o) { o.SetAngle(360); }), 1);
  EXPECT_EQ(fx.Angle(), 0);
  EXPECT_EQ(ChangesOf(fx, [](TKitFxCaption& o) { o.SetAngle(0); }), 0);
  // A full turn is a change even from 0, where it is stored.
  TKitFxCaption fresh;
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(ChangesOf(fresh, [](TKitFxCaption& o) { o.SetAngle(360); }), 1) << round;
    EXPECT_EQ(fresh.Angle(), 0);
    EXPECT_EQ(fresh.GetSetStr(), u"{None}");
  }
  EXPECT_EQ(ChangesOf(fresh, [](TKitFxCaption& o) { o.SetAngle(0); }), 0);
  EXPECT_EQ(ChangesOf(fx, [](TKitFxCaption& o) { o.SetPosXY(10, 20); }), 0);
  EXPECT_EQ(fx.PosX(), 10);
  EXPECT_EQ(fx.PosY(), 20);
}

TEST(CaptionTest, AssignLeavesOrientation) {
  TKitFxCaption source, target;
  source.SetOrientation(toBottomRight);
  source.SetShadowColor(clRed);
  source.SetDepth(0, 4);
  source.SetAngle(90);
  source.SetPosXY(3, 4);
  target.Assign(&source);
  EXPECT_EQ(target.Orientation(), toTopLeft);
  EXPECT_EQ(target.ShadowColor(), clRed);
  EXPECT_EQ(target.LightDepth(), 4);
  EXPECT_EQ(target.Angle(), 90);
  EXPECT_EQ(target.PosY(), 4);

  TKit3DCaption plain;
  plain.SetStyle(tdOutline);
  target.Assign(&plain);  // the 3D part only
  EXPECT_EQ(target.Style(), tdOutline);
  EXPECT_EQ(target.Angle(), 90);
}

// ---- theme services ----

struct TPainterLog {
  int Draws = 0;
  TKitThemedElementDetails LastText;
};

template <class Base>
class TFakePainter : public Base {
 public:
  explicit TFakePainter(TPainterLog& Log) : FLog(Log) {}
  bool DrawElement(TKitCanvas&, const TKitThemedElementDetails&, const TKitRect&, const TKitRect*) override {
    ++FLog.Draws;
    return true;
  }
  bool DrawThemeParentBackground(TObject*, TKitCanvas&, const TKitRect*) override { return true; }
  bool DrawThemeEdge(TKitCanvas&, const TKitThemedElementDetails&, const TKitRect&, unsigned, unsigned,
                     TKitRect*) override {
    return true;
  }
  bool DrawThemeText(TKitCanvas&, const TKitThemedElementDetails& Details, const TKitString&, const TKitRect&,
                     unsigned, unsigned) override {
    FLog.LastText = Details;
    return true;
  }
  TKitRect ContentRect(TKitCanvas&, const TKitThemedElementDetails&, const TKitRect& R) override { return R; }
  bool GetThemeBackgroundExtent(TKitCanvas&, const TKitThemedElementDetails&, const TKitRect&, TKitRect&) override {
    return true;
  }
  bool GetThemeColor(const TKitThemedElementDetails&, int, TColor& Color) override {
    Color = 0x123456;
    return true;
  }
  bool GetThemeFont(TKitCanvas&, const TKitThemedElementDetails&, int, TKitThemeFont&) override { return true; }
  bool GetThemePartSize(TKitCanvas&, const TKitThemedElementDetails&, const TKitRect*, int, TKitPoint&) override {
    return true;
  }
  TColor GetThemeSysColor(int) override { return 0x111111; }
  int GetThemeSysSize(int) override { return 7; }
  bool GetThemeTextExtent(TKitCanvas&, const TKitThemedElementDetails&, const TKitString&, unsigned, const TKitRect*,
                          TKitRect&) override {
    return true;
  }

 protected:
  TPainterLog& FLog;
};

class TFakeRenderer : public TFakePainter<TKitThemeRenderer> {
 public:
  TFakeRenderer(TPainterLog& Log, TKitString Name) : TFakePainter(Log), FName(std::move(Name)) {}
  bool Enabled() const override { return FEnabled; }
  void SetEnabled(bool Value) override { FEnabled = Value; }
  TKitString ActiveThemeName() const override { return {}; }
  TKitString ActiveColorSchemeName() const override { return {}; }
  TKitString GetThemeRendererName() const override { return FName; }
  bool ActivateColorScheme(const TKitString&, bool) override { return true; }
  bool ActivateTheme(const TKitString&, const TKitString&) override { return true; }
  bool ActivateDefaultTheme(const TKitString&, bool) override {
    ++Activations;
    return true;
  }
  void DeactivateTheme() override {}
  int Activations = 0;

 private:
  bool FEnabled = true;
  TKitString FName;
};

class TFakeStyles : public TFakePainter<TKitStyleServices> {
 public:
  using TFakePainter::TFakePainter;
  bool ThemesAvailable() const override { return true; }
  bool ThemesInUse() const override { return true; }
  bool IsSystemStyle() const override { return false; }
  TColor EditColor() override { return 0xEEEEEE; }
  void ApplyThemeChange() override {}
};

TEST(ThemeServicesTest, ModesResolveByRendererAndPlatform) {
  TPainterLog platformLog, rendererLog;
  TFakeStyles styles(platformLog);
  TKitThemeServices none, withPlatform(&styles);
  EXPECT_EQ(none.UseTheme(ttmNative), ttmNone);
  EXPECT_EQ(none.UseTheme(ttmPlatform), ttmNone);
  EXPECT_EQ(withPlatform.UseTheme(ttmNative), ttmPlatform);
  EXPECT_TRUE(none.ThemesEnabled(ttmNone));
  EXPECT_FALSE(none.ThemesEnabled(ttmPlatform));

  TKitBitmap bitmap(4, 4);
  TKitBitmapCanvas canvas(bitmap);
  TColor color = 0;
  EXPECT_FALSE(none.GetThemeColor(ttmNative, {teButton, 1, 1}, 0, color));
  EXPECT_EQ(color, clNone);
  EXPECT_EQ(none.GetThemeSysSize(ttmPlatform, 1), 0);
  EXPECT_EQ(withPlatform.GetThemeSysColor(ttmPlatform, 5), 0xEEEEEEu);  // the edit colour
  TKitRect extent;
  EXPECT_TRUE(withPlatform.GetThemeTextExtent(ttmPlatform, canvas, {}, u"abcd", 0, nullptr, extent));
  EXPECT_EQ(extent, (TKitRect{-1, 0, 5, 3}));

  TFakeRenderer renderer(rendererLog, u"Fake");
  withPlatform.RegisterThemeRenderer(&renderer);
  EXPECT_EQ(withPlatform.CurrentRenderer(), &renderer);
  EXPECT_EQ(renderer.Activations, 1);
  EXPECT_TRUE(withPlatform.DrawElement(ttmNative, canvas, teButton, 3, {0, 0, 4, 4}));
  EXPECT_EQ(rendererLog.Draws, 1);
  EXPECT_TRUE(withPlatform.DrawElement(ttmPlatform, canvas, {teButton, 1, 1}, {0, 0, 4, 4}));
  EXPECT_EQ(platformLog.Draws, 1);
  renderer.SetEnabled(false);
  EXPECT_EQ(withPlatform.UseTheme(ttmNative), ttmPlatform);
}

TEST(ThemeServicesTest, SelectionBroadcastsAndToolBarTextSubstitution) {
  TPainterLog log;
  TFakeRenderer first(log, u"First"), second(log, u"Second");
  TKitThemeServices services;
  int broadcasts = 0;
  services.SetOnThemeChange([&](TObject*) { ++broadcasts; });
  services.RegisterThemeRenderer(&first);
  services.RegisterThemeRenderer(&second);
  EXPECT_EQ(services.CurrentRenderer(), &first);
  EXPECT_EQ(broadcasts, 1);
  services.SelectThemeRenderer(u"Unknown");
  services.SelectThemeRenderer(5);
  EXPECT_EQ(broadcasts, 1);
  services.SelectThemeRenderer(u"Second");
  EXPECT_EQ(services.CurrentRenderer(), &second);
  EXPECT_EQ(broadcasts, 2);

  TKitBitmap bitmap(2, 2);
  TKitBitmapCanvas canvas(bitmap);
  services.DrawThemeText(ttmNative, canvas, {teToolBar, 1, 4}, u"x", {}, 0, 0);
  EXPECT_EQ(log.LastText, (TKitThemedElementDetails{teButton, 1, 4}));
  services.SetSubstToolBarToButton(false);
  EXPECT_EQ(broadcasts, 3);
  services.DrawThemeText(ttmNative, canvas, {teToolBar, 1, 4}, u"x", {}, 0, 0);
  EXPECT_EQ(log.LastText, (TKitThemedElementDetails{teToolBar, 1, 4}));
}

TEST(ThemeServicesTest, DetailOrdinals) {
  struct {
    TKitThemedElementDetails Details;
    int Ord;
  } const rows[] = {
      {{teButton, 1, 1}, 2},    {{teButton, 3, 2}, 17},  {{teTreeview, 0, 1}, 1}, {{teClock, 1, 1}, 0},
      {{teComboBox, 0, 4}, 5},  {{teHeader, 0, 0}, 2},   {{teWindow, 19, 2}, 57}, {{teWindow, 3, 2}, 0},
      {{teButton, 0, 0}, 0},    {{teScrollBar, 10, 1}, 60},
  };
  for (const auto& row : rows) EXPECT_EQ(TKitThemeServices::GetDetailOrd(row.Details), row.Ord);
  for (int ord : {2, 9, 16, 20}) {
    TKitThemedElementDetails d;
    TKitThemeServices::GetDetails(teButton, ord, d);
    EXPECT_EQ(TKitThemeServices::GetDetailOrd(d), ord);
  }
}

TEST(ThemeServicesTest, ControllerBaseRaisesForWhatDescendantsMustProvide) {
  TKitThemesControllerBase controller;
  EXPECT_TRUE(controller.Enabled());
  try {
    controller.RegisterController();
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "TKitThemesControllerBase.RegisterController method undefined!");
  }
  EXPECT_THROW(controller.Notification(&controller, opRemove), Exception);
  EXPECT_THROW(controller.SetEnabled(false), Exception);
}

}  // namespace
}  // namespace zv

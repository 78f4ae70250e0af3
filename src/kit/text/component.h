// Base classes through which the library's objects announce changes and batch them.
#pragma once
#include <cstdint>

#include "kit/text/kit_types.h"

namespace zv {

// The package identifiers of the component library, in this order.
enum TKitPackageID {
  pi_Kit_BAR, pi_Kit_CHART, pi_Kit_CORE, pi_Kit_DESIGN, pi_Kit_DIALOG, pi_Kit_DOCKING,
  pi_Kit_ELCORE, pi_Kit_ELPRO, pi_Kit_FX, pi_Kit_GRID, pi_Kit_IDE, pi_Kit_INSPECTOR,
  pi_Kit_LEGACY, pi_Kit_LOG, pi_Kit_PLUGIN, pi_Kit_PRINT, pi_Kit_RTF, pi_Kit_RTL, pi_Kit_RTLX,
  pi_Kit_SCRIPT, pi_Kit_SEARCH, pi_Kit_SHELL, pi_Kit_STORAGE, pi_Kit_SYNTAX, pi_Kit_SYS,
  pi_Kit_THEMES, pi_Kit_TOOLS, pi_Kit_TXT, pi_Kit_WEB
};

// The interface every library component implements.
class IKitComponent {
 public:
  virtual ~IKitComponent() = default;
  virtual int getKitPackage() const = 0;
};

// Base of the settings objects a control owns; the update flag does not nest.
class TKitObject : public TObject {
 public:
  explicit TKitObject(TObject* Owner = nullptr) : FOwner(Owner) {}
  TObject* Owner() const { return FOwner; }
  const TNotifyEvent& OnChange() const { return FOnChange; }
  void SetOnChange(TNotifyEvent Handler) { FOnChange = std::move(Handler); }

  void BeginUpdate() { FUpdate = 1; }
  void EndUpdate(bool Notify) {
    FUpdate = 0;
    if (Notify) Change();
  }
  bool IsUpdating() const { return FUpdate != 0; }

  virtual void Change() {
    if (FUpdate != 1 && FOnChange) FOnChange(this);
  }
  // Descendants react first (drop a cached picture, say), then call this.
  virtual void NotifyChange(TObject* /*Sender*/) { Change(); }
  // A summary of the settings; empty in the base.
  virtual TKitString GetSetStr() const { return {}; }

 protected:
  TObject* FOwner;
  TNotifyEvent FOnChange;
  uint8_t FUpdate = 0;
};

// The design-time "About" text of a component.
using TKitAboutVar = TKitString;

// The window library's component: an object with a name, by which stored forms and log
// lines know it (empty unless given).
class TComponent : public TObject {
 public:
  const TKitString& Name() const { return FName; }
  void SetName(const TKitString& Value) { FName = Value; }

 private:
  TKitString FName;
};

// Base of the library's non-visual components; the update counter nests.
class TKitCustomComponent : public TComponent, public IKitComponent {
 public:
  explicit TKitCustomComponent(TObject* Owner = nullptr) : FOwner(Owner) {}
  TObject* Owner() const { return FOwner; }
  const TNotifyEvent& OnChange() const { return FOnChange; }
  void SetOnChange(TNotifyEvent Handler) { FOnChange = std::move(Handler); }

  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate(bool Notify) {
    if (FUpdateCount != 0) --FUpdateCount;
    if (FUpdateCount == 0 && Notify) Change();
  }
  bool IsUpdating() const { return FUpdateCount != 0; }

  virtual void Change() {
    if (!IsUpdating() && FOnChange) FOnChange(this);
  }
  virtual void NotifyChange(TObject* /*Sender*/) { Change(); }
  int getKitPackage() const override { return pi_Kit_TOOLS; }

  // Shown at design time only; no behaviour.
  TKitAboutVar FAbout;

 protected:
  TObject* FOwner;
  TNotifyEvent FOnChange;
  uint16_t FUpdateCount = 0;
};

}  // namespace zv

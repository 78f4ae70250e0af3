// Change links: a client of a resource controller owns a link, sets its handler and registers
// it; every change of the controller then reaches the link.
#pragma once
#include <vector>

#include "kit/text/component.h"

namespace zv {

class TKitBaseController;

class TKitChangeLink : public TObject {
 public:
  TKitChangeLink() = default;
  TKitChangeLink(const TKitChangeLink&) = delete;
  TKitChangeLink& operator=(const TKitChangeLink&) = delete;
  // Unregisters from the controller it is registered with.
  ~TKitChangeLink() override;

  TKitBaseController* Sender() const { return FSender; }
  const TNotifyEvent& OnChange() const { return FOnChange; }
  void SetOnChange(TNotifyEvent Handler) { FOnChange = std::move(Handler); }
  // Calls OnChange with the controller as the sender.
  virtual void Change();

 private:
  friend class TKitBaseController;
  TKitBaseController* FSender = nullptr;
  TNotifyEvent FOnChange;
};

// The common ancestor of the resource containers: forwards each change to its links.
class TKitBaseController : public TKitCustomComponent {
 public:
  explicit TKitBaseController(TObject* Owner = nullptr) : TKitCustomComponent(Owner) {}
  TKitBaseController(const TKitBaseController&) = delete;
  TKitBaseController& operator=(const TKitBaseController&) = delete;
  // Unregisters every link, the last first, so that no client keeps a dangling sender.
  ~TKitBaseController() override;

  // No duplicate check: a link registered twice hears each change twice. A link registered
  // with another controller leaves that one first.
  void RegisterChanges(TKitChangeLink* Value);
  // Removes the first registration of Value; an unknown link is ignored. The link's sender
  // is cleared with its last registration.
  void UnRegisterChanges(TKitChangeLink* Value);
  // Silent while updating or loading; otherwise OnChange, then every link in order.
  void Change() override;

  // Set while the controller is read from a stored form.
  bool Loading() const { return FLoading; }
  void SetLoading(bool Value) { FLoading = Value; }
  int ClientCount() const { return static_cast<int>(FClients.size()); }

 private:
  std::vector<TKitChangeLink*> FClients;
  bool FLoading = false;
};

}  // namespace zv

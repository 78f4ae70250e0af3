#include "kit/graphics/change_link.h"

#include <algorithm>

namespace zv {

TKitChangeLink::~TKitChangeLink() {
  // Every registration goes, or the controller would call a freed link.
  while (FSender != nullptr) FSender->UnRegisterChanges(this);
}

void TKitChangeLink::Change() {
  if (FOnChange) FOnChange(FSender);
}

TKitBaseController::~TKitBaseController() {
  while (!FClients.empty()) UnRegisterChanges(FClients.back());
}

void TKitBaseController::RegisterChanges(TKitChangeLink* Value) {
  if (Value == nullptr) return;
  // A link belongs to one controller at a time.
  while (Value->FSender != nullptr && Value->FSender != this) Value->FSender->UnRegisterChanges(Value);
  Value->FSender = this;
  FClients.push_back(Value);
}

void TKitBaseController::UnRegisterChanges(TKitChangeLink* Value) {
  const auto it = std::find(FClients.begin(), FClients.end(), Value);
  if (it == FClients.end()) return;
  FClients.erase(it);
  // The sender stays while a second registration of the link remains.
  if (std::find(FClients.begin(), FClients.end(), Value) == FClients.end()) Value->FSender = nullptr;
}

void TKitBaseController::Change() {
  if (IsUpdating() || FLoading) return;
  TKitCustomComponent::Change();
  // A handler may register or unregister links; walk a copy.
  const std::vector<TKitChangeLink*> clients = FClients;
  for (TKitChangeLink* link : clients)
    if (std::find(FClients.begin(), FClients.end(), link) != FClients.end()) link->Change();
}

}  // namespace zv

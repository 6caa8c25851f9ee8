// One wrapper object per player menu identifier: four fixed ones for the
// component's whole life, the others made on demand and kept in the menu
// list until the player deletes the item, the component binds or unbinds,
// or a client asks.
#include <algorithm>

#include "hostlink/Kivo.h"

TKIVOMenu::TKIVOMenu(TKIVO* AOwner, int AMenuId) : TComponent(AOwner), MenuId(AMenuId) {}

TKIVOMenu::~TKIVOMenu() = default;

TKIVOMenu* TKIVO::GetMenu(int Id) {
  if (Id == 0) return nullptr;
  for (TKIVOMenu* fixed : FFixedMenus)
    if (fixed->MenuId == Id) return fixed;
  for (int i = 0; i < FMenuList->Count(); ++i) {
    auto* menu = static_cast<TKIVOMenu*>(FMenuList->Items(i));
    if (menu->MenuId == Id) return menu;
  }
  auto* menu = new TKIVOMenu(this, Id);  // owned as a component, listed until freed
  FMenuList->Add(menu);
  return menu;
}

// Takes a listed wrapper out of the list; null takes out and frees the
// first one. The result then only tells whether there was one.
TKIVOMenu* TKIVO::RemoveMenu(TKIVOMenu* Menu) {
  if (FMenuList->Count() == 0) return nullptr;
  const int index = Menu == nullptr ? 0 : FMenuList->IndexOf(Menu);
  if (index < 0) return nullptr;
  auto* found = static_cast<TKIVOMenu*>(FMenuList->Items(index));
  FMenuList->Delete(index);
  if (Menu == nullptr) delete found;
  return found;
}

void TKIVO::DeleteMenu(TKIVOMenu* Menu) {
  if (RemoveMenu(Menu) != nullptr && Menu != nullptr) delete Menu;
}

void TKIVO::ClearMenuList() {
  for (int i = 0; i < FMenuList->Count(); ++i) delete static_cast<TKIVOMenu*>(FMenuList->Items(i));
  FMenuList->Clear();
}

bool TKIVO::MenuAlive(const TKIVOMenu* Menu) const {
  if (std::find(FFixedMenus.begin(), FFixedMenus.end(), Menu) != FFixedMenus.end()) return true;
  return FMenuList->IndexOf(const_cast<TKIVOMenu*>(Menu)) >= 0;
}

// A handler of the item may unbind the component, which frees the listed
// wrappers; OnMenu then learns of the choice without a wrapper.
void TKIVO::NotifyMenu(int Id) {
  TKIVOMenu* menu = GetMenu(Id);
  if (menu != nullptr && menu->OnSelect.Assigned()) {
    menu->OnSelect(menu);
    if (!MenuAlive(menu)) menu = nullptr;
  }
  if (OnMenu.Assigned()) OnMenu(menu);
}

void TKIVO::NotifyDeleteMenu(int Id) {
  for (int i = 0; i < FMenuList->Count(); ++i) {
    auto* menu = static_cast<TKIVOMenu*>(FMenuList->Items(i));
    if (menu->MenuId == Id) {
      FMenuList->Delete(i);
      delete menu;
      return;
    }
  }
}

// Menus: items with captions, sub-items and commands.
#pragma once

#include <vector>

#include "host/vcl/actnlist.h"
#include "host/win32/win32.h"

namespace host {

// The caption with its hot-key markers removed ("&&" stands for a literal "&").
HOST_API AnsiString StripHotkey(const AnsiString& caption);
// Two captions are the same when they match with the hot-key markers removed and
// letter case ignored.
HOST_API bool AnsiSameCaption(const AnsiString& a, const AnsiString& b);

class TMenu;

// A menu item. Each has a command number of its own, which the system's menu
// sends back (WM_COMMAND) when the item is chosen; a change to the items tells
// the menu they belong to (OnChange), so that the system's menu follows.
class HOST_API TMenuItem : public TComponent {
 public:
  explicit TMenuItem(TComponent* owner);
  // Takes the item out of its parent and frees its own sub-items.
  ~TMenuItem() override;
  HOST_CLASS_NAME(TMenuItem)

  const AnsiString& Caption() const { return caption_; }
  void SetCaption(const AnsiString& caption);
  UINT Command() const { return command_; }
  // This item or one of its sub-items with the command, or nil.
  TMenuItem* FindCommand(UINT command);
  Integer Count() const { return static_cast<Integer>(items_.size()); }
  TMenuItem* Items(Integer index) const;  // EMenuError outside the list
  TMenuItem* Parent() const { return parent_; }
  Integer IndexOf(const TMenuItem* item) const;
  // Inserts item before index (0..Count); EMenuError "Menu index out of range"
  // otherwise, and "Menu inserted twice" when item already has a parent.
  void Insert(Integer index, TMenuItem* item);
  void Add(TMenuItem* item) { Insert(Count(), item); }
  // Unlinks a direct sub-item without freeing it; EMenuError "Sub-menu is not in
  // menu" when it is not one.
  void Remove(TMenuItem* item);
  // The direct sub-item whose caption matches (AnsiSameCaption), or nil.
  TMenuItem* Find(const AnsiString& caption) const;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  TNotifyEvent OnClick() const { return on_click_; }
  void SetOnClick(TNotifyEvent e) { on_click_ = e; }
  TBasicAction* Action() const { return action_; }
  void SetAction(TBasicAction* action) { action_ = action; }
  // Runs the item's command as if the user had chosen it: its OnClick, or else
  // its action.
  virtual void Click();

 private:
  friend class TMenu;
  // Tells the menu at the root of the items that they changed.
  void Changed();
  AnsiString caption_;
  UINT command_;
  std::vector<TMenuItem*> items_;
  TMenuItem* parent_ = nullptr;
  TMenu* menu_ = nullptr;  // for the root item: the menu it is the items of
  bool enabled_ = true;
  TNotifyEvent on_click_;
  TBasicAction* action_ = nullptr;
};

class HOST_API TMenu : public TComponent {
 public:
  explicit TMenu(TComponent* owner);
  ~TMenu() override;
  HOST_CLASS_NAME(TMenu)
  // The root item; its sub-items are the menu's top-level entries.
  TMenuItem* Items() const { return items_; }
  // An item was inserted, removed, renamed, enabled or disabled.
  TNotifyEvent OnChange() const { return on_change_; }
  void SetOnChange(TNotifyEvent e) { on_change_ = e; }
  // The entries as the system's menu bar shows them.
  std::vector<MenuEntry> Entries() const;

 private:
  friend class TMenuItem;
  TMenuItem* items_;
  TNotifyEvent on_change_;
};

class HOST_API TMainMenu : public TMenu {
 public:
  using TMenu::TMenu;
  HOST_CLASS_NAME(TMainMenu)
};

}  // namespace host

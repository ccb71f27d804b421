// Menus: items with captions, sub-items and commands.
#pragma once

#include <vector>

#include "host/vcl/actnlist.h"

namespace host {

// The caption with its hot-key markers removed ("&&" stands for a literal "&").
HOST_API AnsiString StripHotkey(const AnsiString& caption);
// Two captions are the same when they match with the hot-key markers removed and
// letter case ignored.
HOST_API bool AnsiSameCaption(const AnsiString& a, const AnsiString& b);

class HOST_API TMenuItem : public TComponent {
 public:
  explicit TMenuItem(TComponent* owner);
  // Takes the item out of its parent and frees its own sub-items.
  ~TMenuItem() override;
  HOST_CLASS_NAME(TMenuItem)

  const AnsiString& Caption() const { return caption_; }
  void SetCaption(const AnsiString& caption) { caption_ = caption; }
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
  void SetEnabled(bool enabled) { enabled_ = enabled; }
  TNotifyEvent OnClick() const { return on_click_; }
  void SetOnClick(TNotifyEvent e) { on_click_ = e; }
  TBasicAction* Action() const { return action_; }
  void SetAction(TBasicAction* action) { action_ = action; }
  // Runs the item's command as if the user had chosen it: its OnClick, or else
  // its action.
  virtual void Click();

 private:
  AnsiString caption_;
  std::vector<TMenuItem*> items_;
  TMenuItem* parent_ = nullptr;
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

 private:
  TMenuItem* items_;
};

class HOST_API TMainMenu : public TMenu {
 public:
  using TMenu::TMenu;
  HOST_CLASS_NAME(TMainMenu)
};

}  // namespace host

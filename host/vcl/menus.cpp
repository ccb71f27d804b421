#include "host/vcl/menus.h"

#include <algorithm>
#include <set>

namespace host {

AnsiString StripHotkey(const AnsiString& caption) {
  AnsiString result;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&') {
      if (i + 1 < caption.size() && caption[i + 1] == '&') {
        result += '&';
        ++i;
      }
      continue;
    }
    result += caption[i];
  }
  return result;
}

bool AnsiSameCaption(const AnsiString& a, const AnsiString& b) {
  return UpperCase(StripHotkey(a)) == UpperCase(StripHotkey(b));
}

namespace {
// The command numbers in use: each item has one the others do not, from 100 up
// (below are the dialog commands, such as IDOK), within the 16 bits that
// WM_COMMAND carries.
std::set<UINT>& CommandsInUse() {
  static std::set<UINT> commands;
  return commands;
}
UINT TakeCommand() {
  std::set<UINT>& used = CommandsInUse();
  UINT command = 100;
  for (UINT u : used) {
    if (u > command) break;
    if (u == command) ++command;
  }
  if (command > 0xFFFF) throw EMenuError("Too many menu items");
  used.insert(command);
  return command;
}
}  // namespace

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), command_(TakeCommand()) {}

TMenuItem::~TMenuItem() {
  if (parent_ != nullptr) parent_->Remove(this);
  while (!items_.empty()) delete items_.back();  // each removes itself
  CommandsInUse().erase(command_);
}

void TMenuItem::SetCaption(const AnsiString& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  Changed();
}

void TMenuItem::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Changed();
}

void TMenuItem::Changed() {
  TMenuItem* root = this;
  while (root->parent_ != nullptr) root = root->parent_;
  if (root->menu_ != nullptr) root->menu_->on_change_(root->menu_);
}

TMenuItem* TMenuItem::FindCommand(UINT command) {
  if (command_ == command) return this;
  for (TMenuItem* item : items_)
    if (TMenuItem* found = item->FindCommand(command)) return found;
  return nullptr;
}

TMenuItem* TMenuItem::Items(Integer index) const {
  if (index < 0 || index >= Count()) throw EMenuError("Menu index out of range");
  return items_[static_cast<size_t>(index)];
}

Integer TMenuItem::IndexOf(const TMenuItem* item) const {
  auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<Integer>(it - items_.begin());
}

void TMenuItem::Insert(Integer index, TMenuItem* item) {
  if (item == nullptr) return;
  if (item->parent_ != nullptr) throw EMenuError("Menu inserted twice");
  if (index < 0 || index > Count()) throw EMenuError("Menu index out of range");
  items_.insert(items_.begin() + index, item);
  item->parent_ = this;
  Changed();
}

void TMenuItem::Remove(TMenuItem* item) {
  const Integer index = IndexOf(item);
  if (index < 0) throw EMenuError("Sub-menu is not in menu");
  items_.erase(items_.begin() + index);
  item->parent_ = nullptr;
  Changed();
}

TMenuItem* TMenuItem::Find(const AnsiString& caption) const {
  for (TMenuItem* item : items_)
    if (AnsiSameCaption(item->caption_, caption)) return item;
  return nullptr;
}

void TMenuItem::Click() {
  if (!enabled_) return;
  if (on_click_)
    on_click_(this);
  else if (action_ != nullptr)
    action_->Execute();
}

TMenu::TMenu(TComponent* owner) : TComponent(owner), items_(new TMenuItem(nullptr)) {
  items_->menu_ = this;
}

TMenu::~TMenu() {
  on_change_ = {};
  items_->menu_ = nullptr;
  delete items_;
}

namespace {
std::vector<MenuEntry> EntriesOf(const TMenuItem* item) {
  std::vector<MenuEntry> entries;
  for (Integer i = 0; i < item->Count(); ++i) {
    const TMenuItem* sub = item->Items(i);
    entries.push_back({sub->Caption(), sub->Command(), sub->Enabled(), EntriesOf(sub)});
  }
  return entries;
}
}  // namespace

std::vector<MenuEntry> TMenu::Entries() const {
  return EntriesOf(items_);
}

}  // namespace host

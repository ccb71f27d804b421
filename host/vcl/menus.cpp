#include "host/vcl/menus.h"

#include <algorithm>

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

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) {}

TMenuItem::~TMenuItem() {
  if (parent_ != nullptr) parent_->Remove(this);
  while (!items_.empty()) delete items_.back();  // each removes itself
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
}

void TMenuItem::Remove(TMenuItem* item) {
  const Integer index = IndexOf(item);
  if (index < 0) throw EMenuError("Sub-menu is not in menu");
  items_.erase(items_.begin() + index);
  item->parent_ = nullptr;
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

TMenu::TMenu(TComponent* owner) : TComponent(owner), items_(new TMenuItem(nullptr)) {}

TMenu::~TMenu() {
  delete items_;
}

}  // namespace host

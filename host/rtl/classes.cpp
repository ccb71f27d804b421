#include "host/rtl/classes.h"

#include <algorithm>

namespace host {

TObject::~TObject() = default;

TComponent::TComponent(TComponent* owner) {
  if (owner != nullptr) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  destroying_ = true;
  DestroyComponents();
  if (owner_ != nullptr) owner_->RemoveComponent(this);
}

void TComponent::DestroyComponents() {
  // Each owned component takes itself out of the list as it goes.
  while (!components_.empty()) {
    TComponent* last = components_.back();
    delete last;
    if (!components_.empty() && components_.back() == last) components_.pop_back();
  }
}

void TComponent::SetName(const AnsiString& name) {
  if (name == name_) return;
  if (!name.empty() && owner_ != nullptr) {
    for (TComponent* sibling : owner_->components_)
      if (sibling != this && sibling->name_ == name)
        throw EComponentError("A component named " + name + " already exists");
  }
  name_ = name;
}

TComponent* TComponent::Components(Integer index) const {
  if (index < 0 || index >= ComponentCount())
    throw EListError("List index out of bounds (" + IntToStr(index) + ")");
  return components_[static_cast<size_t>(index)];
}

TComponent* TComponent::FindComponent(const AnsiString& name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : components_)
    if (c->name_ == name) return c;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
  if (component->owner_ != nullptr) component->owner_->RemoveComponent(component);
  components_.push_back(component);
  component->owner_ = this;
}

void TComponent::RemoveComponent(TComponent* component) {
  auto it = std::find(components_.begin(), components_.end(), component);
  if (it == components_.end()) return;
  components_.erase(it);
  component->owner_ = nullptr;
  if (!destroying_)
    for (TComponent* c : components_) c->Notification(component, true);
}

void TComponent::Notification(TComponent*, bool) {}

}  // namespace host

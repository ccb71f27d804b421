// The root classes: TObject, method-pointer event slots, TComponent with its
// ownership rules.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/rtl/sysutils.h"

namespace host {

class HOST_API TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject();
  // The host class name ("TForm", "TTabControl", ...).
  virtual AnsiString ClassName() const { return "TObject"; }
};

// Declares ClassName() for a host class.
#define HOST_CLASS_NAME(Name)             \
  AnsiString ClassName() const override { \
    return #Name;                         \
  }

// The host's class cast ("Sender as TTabControl"): nil stays nil, a wrong class
// raises EInvalidCast "Invalid class typecast".
template <class T>
T* As(TObject* object) {
  if (object == nullptr) return nullptr;
  if (auto* result = dynamic_cast<T*>(object)) return result;
  throw EInvalidCast("Invalid class typecast");
}

// An event slot holding a method pointer: an object and one of its methods. It can
// be empty, copied, kept and put back, and two slots are equal when both the object
// and the method are the same, so "is the current handler mine?" can be asked.
template <class... Args>
class TMethodEvent {
 public:
  using Code = void (TObject::*)(Args...);

  TMethodEvent() = default;
  template <class C>
  TMethodEvent(C* object, void (C::*method)(Args...))
      : data_(object), code_(static_cast<Code>(method)) {}

  explicit operator bool() const { return data_ != nullptr && code_ != nullptr; }
  bool operator==(const TMethodEvent& other) const {
    return data_ == other.data_ && code_ == other.code_;
  }
  // Calls the handler when one is set.
  void operator()(Args... args) const {
    if (*this) (data_->*code_)(args...);
  }
  TObject* Data() const { return data_; }

 private:
  TObject* data_ = nullptr;
  Code code_ = nullptr;
};

using TNotifyEvent = TMethodEvent<TObject*>;

// A value of an enumeration with its name in the host's own spelling ("bsNone").
// An enumeration's names are one table of these, which both reads and writes use.
template <class E>
struct TNamedValue {
  const char* Name;
  E Value;
};

// The name of value in names; nil when it has none there.
template <class E, size_t N>
const char* ValueName(const TNamedValue<E> (&names)[N], E value) {
  for (const TNamedValue<E>& entry : names)
    if (entry.Value == value) return entry.Name;
  return nullptr;
}

// A published method of class C: an event handler that a form image binds and the
// package exports by its name. A class lists its published methods in one table
// of these, from which both are made.
template <class C>
struct TPublishedMethod {
  using Class = C;
  const char* Name;
  void (C::*Code)(TObject*);
};

// TComponent: owned components are destroyed with their owner; a destroyed
// component leaves its owner's list.
class HOST_API TComponent : public TObject {
 public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;
  HOST_CLASS_NAME(TComponent)

  TComponent* Owner() const { return owner_; }
  const AnsiString& Name() const { return name_; }
  // A name must be empty or unique among the owner's components, as the host
  // requires; a duplicate raises EComponentError.
  virtual void SetName(const AnsiString& name);
  Integer ComponentCount() const { return static_cast<Integer>(components_.size()); }
  // Raises EListError "List index out of bounds (<i>)" outside the list.
  TComponent* Components(Integer index) const;
  // The owned component whose name is exactly this one, or nil. An empty name
  // finds nothing.
  TComponent* FindComponent(const AnsiString& name) const;

  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);
  // Tells the owner's components that component is going away.
  virtual void Notification(TComponent* component, bool removing);

 protected:
  // Called first by every destructor chain that wants its owned components gone
  // while the derived part still exists.
  void DestroyComponents();

 private:
  TComponent* owner_ = nullptr;
  AnsiString name_;
  std::vector<TComponent*> components_;
  bool destroying_ = false;
};

}  // namespace host

// Components and their owners, names and FindComponent; method-pointer event
// slots; the host's class cast.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/rtl/classes.h"
#include "host/vcl/controls.h"
#include "host/vcl/extctrls.h"
#include "host/vcl/forms.h"
#include "tests/support/host_error.h"

namespace {

using fleetforge_test::ExpectHostError;
using host::TComponent;

// A component that writes its name into a shared list when it is freed, and
// records the removals its owner tells it about.
class Tracked : public TComponent {
 public:
  Tracked(TComponent* owner, const char* name, std::vector<std::string>* freed)
      : TComponent(owner), freed_(freed) {
    SetName(name);
  }
  ~Tracked() override { freed_->push_back(Name()); }
  void Notification(TComponent* component, bool removing) override {
    if (removing) removed.push_back(component->Name());
  }
  std::vector<std::string> removed;

 private:
  std::vector<std::string>* freed_;
};

TEST(Components, OwnerFreesWhatItOwnsAndTheirOwnedOnesToo) {
  std::vector<std::string> freed;
  auto* owner = new Tracked(nullptr, "Owner", &freed);
  auto* a = new Tracked(owner, "A", &freed);
  new Tracked(a, "A1", &freed);
  new Tracked(owner, "B", &freed);
  ASSERT_EQ(owner->ComponentCount(), 2);
  EXPECT_EQ(owner->Components(0), a);
  EXPECT_EQ(a->Owner(), owner);
  delete owner;
  // The owner's own destructor body runs first; then the owned ones, last first.
  EXPECT_EQ(freed, (std::vector<std::string>{"Owner", "B", "A", "A1"}));
}

TEST(Components, DestroyedComponentLeavesItsOwnerAndTheOthersAreTold) {
  std::vector<std::string> freed;
  TComponent owner(nullptr);
  auto* a = new Tracked(&owner, "A", &freed);
  auto* b = new Tracked(&owner, "B", &freed);
  auto* c = new Tracked(&owner, "C", &freed);
  delete b;
  ASSERT_EQ(owner.ComponentCount(), 2);
  EXPECT_EQ(owner.Components(0), a);
  EXPECT_EQ(owner.Components(1), c);
  EXPECT_EQ(owner.FindComponent("B"), nullptr);
  EXPECT_EQ(a->removed, (std::vector<std::string>{"B"}));
  EXPECT_EQ(c->removed, (std::vector<std::string>{"B"}));
  ExpectHostError<host::EListError>([&] { owner.Components(2); }, "List index out of bounds (2)");
  ExpectHostError<host::EListError>([&] { owner.Components(-1); }, "List index out of bounds (-1)");
}

TEST(Components, InsertComponentMovesItFromItsOldOwner) {
  TComponent first(nullptr), second(nullptr);
  auto* c = new TComponent(&first);
  second.InsertComponent(c);
  EXPECT_EQ(first.ComponentCount(), 0);
  EXPECT_EQ(second.ComponentCount(), 1);
  EXPECT_EQ(c->Owner(), &second);
  second.RemoveComponent(c);
  EXPECT_EQ(c->Owner(), nullptr);
  EXPECT_EQ(second.ComponentCount(), 0);
  delete c;
}

TEST(Components, NamesAreUniqueAmongAnOwnersComponents) {
  TComponent owner(nullptr);
  auto* a = new TComponent(&owner);
  auto* b = new TComponent(&owner);
  a->SetName("Timer1");
  ExpectHostError<host::EComponentError>([&] { b->SetName("Timer1"); },
                                         "A component named Timer1 already exists");
  EXPECT_EQ(b->Name(), "") << "the failed rename changed nothing";
  a->SetName("Timer1");  // its own name again is fine
  b->SetName("Timer2");
  a->SetName("");  // any number of unnamed components
  b->SetName("");
  EXPECT_EQ(owner.FindComponent(""), nullptr) << "an empty name finds nothing";
  // Another owner has its own names.
  TComponent other(nullptr);
  auto* c = new TComponent(&other);
  c->SetName("Timer1");
  a->SetName("Timer1");
  EXPECT_EQ(other.FindComponent("Timer1"), c);
  EXPECT_EQ(owner.FindComponent("Timer1"), a);
}

TEST(Components, FindComponentIsExactAndLooksAtDirectlyOwnedOnesOnly) {
  TComponent owner(nullptr);
  auto* palette = new TComponent(&owner);
  palette->SetName("TabControl");
  auto* inner = new TComponent(palette);
  inner->SetName("Inner");
  struct Case {
    const char* name;
    TComponent* found;
  };
  const Case cases[] = {{"TabControl", palette},  {"tabcontrol", nullptr}, {"TABCONTROL", nullptr},
                        {"TabControl ", nullptr}, {"TabContro", nullptr},  {"Inner", nullptr}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(owner.FindComponent(c.name), c.found);
  }
  EXPECT_EQ(palette->FindComponent("Inner"), inner);
}

// ---- Event slots -----------------------------------------------------------------

class Handler : public host::TObject {
 public:
  void One(host::TObject* sender) { calls.push_back({"One", sender}); }
  void Two(host::TObject* sender) { calls.push_back({"Two", sender}); }
  std::vector<std::pair<std::string, host::TObject*>> calls;
};

TEST(MethodEvent, EqualWhenBothObjectAndMethodMatch) {
  Handler h1, h2;
  const host::TNotifyEvent one{&h1, &Handler::One};
  EXPECT_TRUE(one == (host::TNotifyEvent{&h1, &Handler::One}));
  EXPECT_FALSE(one == (host::TNotifyEvent{&h2, &Handler::One})) << "another object";
  EXPECT_FALSE(one == (host::TNotifyEvent{&h1, &Handler::Two})) << "another method";
  EXPECT_FALSE(one == host::TNotifyEvent{});
  EXPECT_TRUE(host::TNotifyEvent{} == host::TNotifyEvent{});
  EXPECT_EQ(one.Data(), &h1);
}

TEST(MethodEvent, EmptySlotIsFalseAndCallingItDoesNothing) {
  const host::TNotifyEvent empty;
  EXPECT_FALSE(empty);
  EXPECT_EQ(empty.Data(), nullptr);
  empty(nullptr);  // no handler, no call
  Handler h;
  const host::TNotifyEvent set{&h, &Handler::Two};
  EXPECT_TRUE(set);
  set(&h);
  EXPECT_EQ(h.calls, (std::vector<std::pair<std::string, host::TObject*>>{{"Two", &h}}));
}

TEST(MethodEvent, SlotKeptAndPutBackIsTheSameHandler) {
  // "Take over the event, and give it back later": the pattern the add-in uses.
  Handler ide, addin;
  host::TControl control(nullptr);
  control.SetOnResize({&ide, &Handler::One});
  const host::TNotifyEvent saved = control.OnResize();
  control.SetOnResize({&addin, &Handler::Two});
  EXPECT_TRUE(control.OnResize() == (host::TNotifyEvent{&addin, &Handler::Two}));
  EXPECT_FALSE(control.OnResize() == saved);
  control.SetBounds(0, 0, 10, 10);
  control.SetOnResize(saved);
  EXPECT_TRUE(control.OnResize() == (host::TNotifyEvent{&ide, &Handler::One}));
  control.SetBounds(0, 0, 20, 20);
  EXPECT_EQ(addin.calls.size(), 1u);
  EXPECT_EQ(ide.calls, (std::vector<std::pair<std::string, host::TObject*>>{{"One", &control}}));
}

// ---- Class casts -------------------------------------------------------------------

TEST(ClassCast, NilStaysNilAndAWrongClassRaises) {
  host::TTimer timer(nullptr);
  host::TObject* object = &timer;
  EXPECT_EQ(host::As<host::TTimer>(object), &timer);
  EXPECT_EQ(host::As<TComponent>(object), &timer);
  EXPECT_EQ(host::As<host::TControl>(static_cast<host::TObject*>(nullptr)), nullptr);
  ExpectHostError<host::EInvalidCast>([&] { host::As<host::TControl>(object); },
                                      "Invalid class typecast");
  EXPECT_EQ(object->ClassName(), "TTimer");
}

}  // namespace

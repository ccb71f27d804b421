// Interfaces: GUIDs in their registry form, reference counting through smart
// references, Supports and the interface cast with its error.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "host/rtl/interfaces.h"
#include "host/toolsapi/toolsapi.h"
#include "tests/support/host_error.h"

namespace {

using fleetforge_test::ExpectHostError;
using host::IInterface;
using host::IRef;
using host::TGUID;

}  // namespace

// HOST_INTERFACE_ID names host types unqualified, so interfaces are declared
// inside the host namespace.
namespace host::test_interfaces {

class IGreeter : public ::host::IInterface {
 public:
  HOST_INTERFACE_ID("{5E1A0C2B-7D3F-4A61-9B8E-0F1D2C3B4A59}")
  virtual std::string Greet() = 0;

 protected:
  ~IGreeter() = default;
};

class IUnused : public ::host::IInterface {
 public:
  HOST_INTERFACE_ID("{5E1A0C2B-7D3F-4A61-9B8E-0F1D2C3B4A5A}")

 protected:
  ~IUnused() = default;
};

}  // namespace host::test_interfaces

namespace {

using host::test_interfaces::IGreeter;
using host::test_interfaces::IUnused;

// Answers IInterface and IGreeter; tells a flag when it is destroyed.
class TGreeter : public host::TInterfacedObject, public IGreeter {
 public:
  explicit TGreeter(bool* destroyed = nullptr) : destroyed_(destroyed) {}
  ~TGreeter() override {
    if (destroyed_) *destroyed_ = true;
  }
  HOST_IMPLEMENT_IINTERFACE
  std::string Greet() override { return "hello"; }

 protected:
  bool GetInterface(const TGUID& iid, void** object) override {
    if (iid == IGreeter::IID() || iid == IInterface::IID()) {
      *object = static_cast<IGreeter*>(this);
      return true;
    }
    return false;
  }

 private:
  bool* destroyed_;
};

// The count of references to the greeter that ref holds.
int32_t RefCountOf(const IRef<IGreeter>& ref) {
  return static_cast<TGreeter*>(ref.get())->RefCount();
}

TEST(Guid, ParsesAndPrintsTheRegistryForm) {
  const char* const texts[] = {
      "{0044BB24-425D-D611-9CF1-00C04FA06AFC}", "{B75C0CE3-EEA6-11D1-9504-00608CCBF153}",
      "{C17B3DF1-DFE5-11D2-A8C7-00C04FA32F53}", "{E052204F-ECE9-11D1-AB19-00C04FB16FB3}",
      "{AC7D29F1-D9A9-11D2-A8C1-00C04FA32F53}", "{B75C0CE0-EEA6-11D1-9504-00608CCBF153}",
      "{00000000-0000-0000-C000-000000000046}"};
  for (const char* text : texts) {
    SCOPED_TRACE(text);
    EXPECT_EQ(TGUID::Parse(text).ToString(), text);
  }
  const TGUID g = TGUID::Parse("{0044bb24-425d-d611-9cf1-00c04fa06afc}");
  EXPECT_EQ(g.D1, 0x0044BB24u);
  EXPECT_EQ(g.D2, 0x425Du);
  EXPECT_EQ(g.D3, 0xD611u);
  EXPECT_EQ(g.D4[0], 0x9C);
  EXPECT_EQ(g.D4[7], 0xFC);
  EXPECT_EQ(g.ToString(), "{0044BB24-425D-D611-9CF1-00C04FA06AFC}") << "printed in capitals";
}

TEST(Guid, RejectsMalformedText) {
  const char* const texts[] = {"",
                               "0044BB24-425D-D611-9CF1-00C04FA06AFC",
                               "{0044BB24-425D-D611-9CF1-00C04FA06AF}",
                               "{0044BB24-425D-D611-9CF1-00C04FA06AFCC}",
                               "{0044BB24+425D-D611-9CF1-00C04FA06AFC}",
                               "{0044BB2G-425D-D611-9CF1-00C04FA06AFC}",
                               "{0044BB24-425D-D611-9CF100C04FA06AFC0}",
                               "(0044BB24-425D-D611-9CF1-00C04FA06AFC)"};
  for (const char* text : texts) {
    SCOPED_TRACE(text);
    ExpectHostError<host::EConvertError>([&] { TGUID::Parse(text); },
                                         std::string("'") + text + "' is not a valid GUID value");
  }
}

TEST(Guid, ServiceInterfacesCarryTheirIdentifiers) {
  EXPECT_EQ(host::IOTAServices::IID().ToString(), "{0044BB24-425D-D611-9CF1-00C04FA06AFC}");
  EXPECT_EQ(host::IOTAWizardServices::IID().ToString(), "{B75C0CE3-EEA6-11D1-9504-00608CCBF153}");
  EXPECT_EQ(host::INTAServices::IID().ToString(), "{C17B3DF1-DFE5-11D2-A8C7-00C04FA32F53}");
  EXPECT_EQ(host::IOTAIDENotifier::IID().ToString(), "{E052204F-ECE9-11D1-AB19-00C04FB16FB3}");
  EXPECT_EQ(host::IOTAIDENotifier50::IID().ToString(), "{AC7D29F1-D9A9-11D2-A8C1-00C04FA32F53}");
  EXPECT_EQ(host::IOTAWizard::IID().ToString(), "{B75C0CE0-EEA6-11D1-9504-00608CCBF153}");
  EXPECT_EQ(IInterface::IID().ToString(), "{00000000-0000-0000-C000-000000000046}");
}

TEST(RefCount, LastReleaseDestroysTheObject) {
  const int32_t live_before = host::TInterfacedObject::LiveObjects();
  bool destroyed = false;
  {
    IRef<IGreeter> first(new TGreeter(&destroyed));
    EXPECT_EQ(host::TInterfacedObject::LiveObjects(), live_before + 1);
    {
      IRef<IGreeter> copy = first;
      IRef<IGreeter> moved = std::move(copy);
      EXPECT_FALSE(copy);
      EXPECT_EQ(moved->Greet(), "hello");
      EXPECT_EQ(RefCountOf(first), 2);
    }
    EXPECT_EQ(RefCountOf(first), 1);
    EXPECT_FALSE(destroyed);
  }
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(host::TInterfacedObject::LiveObjects(), live_before);
}

TEST(RefCount, ReferenceIsReleasedWhenAnErrorLeavesTheScope) {
  const int32_t live_before = host::TInterfacedObject::LiveObjects();
  bool destroyed = false;
  EXPECT_THROW(
      {
        IRef<IGreeter> ref(new TGreeter(&destroyed));
        throw std::runtime_error("leaving");
      },
      std::runtime_error);
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(host::TInterfacedObject::LiveObjects(), live_before);
}

TEST(RefCount, AssignmentReleasesTheOldObject) {
  bool first_gone = false, second_gone = false;
  IRef<IGreeter> ref(new TGreeter(&first_gone));
  ref = IRef<IGreeter>(new TGreeter(&second_gone));
  EXPECT_TRUE(first_gone);
  EXPECT_FALSE(second_gone);
  const IRef<IGreeter>& same = ref;
  ref = same;  // self-assignment keeps it
  EXPECT_FALSE(second_gone);
  ref.Clear();
  EXPECT_TRUE(second_gone);
}

TEST(Casts, SupportsAndIntfCastAddAReference) {
  bool destroyed = false;
  IRef<IInterface> root(new TGreeter(&destroyed));
  IRef<IGreeter> greeter;
  ASSERT_TRUE(host::Supports<IGreeter>(root.get(), greeter));
  EXPECT_EQ(greeter->Greet(), "hello");
  EXPECT_EQ(RefCountOf(greeter), 2);
  IRef<IGreeter> cast = host::IntfCast<IGreeter>(root.get());
  EXPECT_EQ(RefCountOf(greeter), 3);
  root.Clear();
  greeter.Clear();
  EXPECT_FALSE(destroyed);
  cast.Clear();
  EXPECT_TRUE(destroyed);
}

TEST(Casts, UnsupportedInterfaceRaisesAndLeaksNothing) {
  const int32_t live_before = host::TInterfacedObject::LiveObjects();
  {
    IRef<IGreeter> greeter(new TGreeter);
    IRef<IUnused> unused;
    EXPECT_FALSE(host::Supports<IUnused>(greeter.get(), unused));
    EXPECT_FALSE(unused);
    ExpectHostError<host::EIntfCastError>([&] { host::IntfCast<IUnused>(greeter.get()); },
                                          "Interface not supported");
    EXPECT_EQ(RefCountOf(greeter), 1);
    // A failed Supports clears its result, releasing what it held.
    bool held_gone = false;
    IRef<IGreeter> held(new TGreeter(&held_gone));
    IGreeter* nothing = nullptr;
    EXPECT_FALSE(host::Supports<IGreeter>(nothing, held));
    EXPECT_FALSE(held);
    EXPECT_TRUE(held_gone);
    ExpectHostError<host::EIntfCastError>([&] { host::IntfCast<IGreeter>(nothing); },
                                          "Interface not supported");
  }
  EXPECT_EQ(host::TInterfacedObject::LiveObjects(), live_before);
}

TEST(Casts, QueryInterfaceAnswersNoInterfaceWithoutTouchingTheCount) {
  IRef<IGreeter> greeter(new TGreeter);
  void* out = reinterpret_cast<void*>(0x1);  // sentinel
  EXPECT_EQ(greeter->QueryInterface(IUnused::IID(), &out), host::E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(greeter->QueryInterface(IGreeter::IID(), nullptr), host::E_NOINTERFACE);
  EXPECT_EQ(RefCountOf(greeter), 1);
}

}  // namespace

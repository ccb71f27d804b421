// Interfaces with GUIDs and reference counts: IInterface, TInterfacedObject,
// smart interface references and the host's interface casts.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <utility>

#include "host/rtl/chars.h"
#include "host/rtl/classes.h"

namespace host {

struct HOST_API TGUID {
  uint32_t D1 = 0;
  uint16_t D2 = 0, D3 = 0;
  uint8_t D4[8] = {};
  constexpr bool operator==(const TGUID& other) const = default;
  // "{0044BB24-425D-D611-9CF1-00C04FA06AFC}"; raises EConvertError when malformed.
  static TGUID Parse(const std::string& text);
  std::string ToString() const;
};

namespace detail {
constexpr uint32_t GuidHex(const char* s, int from, int count) {
  uint32_t v = 0;
  for (int i = 0; i < count; ++i) {
    const int d = HexDigitValue(s[from + i]);
    v = v * 16 + (d >= 0 ? uint32_t(d) : throw "not a hex digit");
  }
  return v;
}
}  // namespace detail

// A GUID from its registry form, at compile time.
constexpr TGUID MakeGUID(const char (&s)[39]) {
  TGUID g;
  g.D1 = detail::GuidHex(s, 1, 8);
  g.D2 = static_cast<uint16_t>(detail::GuidHex(s, 10, 4));
  g.D3 = static_cast<uint16_t>(detail::GuidHex(s, 15, 4));
  g.D4[0] = static_cast<uint8_t>(detail::GuidHex(s, 20, 2));
  g.D4[1] = static_cast<uint8_t>(detail::GuidHex(s, 22, 2));
  for (int i = 0; i < 6; ++i) g.D4[2 + i] = static_cast<uint8_t>(detail::GuidHex(s, 25 + 2 * i, 2));
  return g;
}

using HRESULT = int32_t;
constexpr HRESULT S_OK = 0;
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);

// Declares the interface identifier of an interface type.
// (Computed at compile time: no function-local statics, which would keep a
// package module from really unloading.)
#define HOST_INTERFACE_ID(text)          \
  static constexpr ::host::TGUID IID() { \
    return ::host::MakeGUID(text);       \
  }

// The root of every interface: three slots, then the interface's own methods.
class HOST_API IInterface {
 public:
  HOST_INTERFACE_ID("{00000000-0000-0000-C000-000000000046}")
  virtual HRESULT QueryInterface(const TGUID& iid, void** object) = 0;
  virtual int32_t _AddRef() = 0;
  virtual int32_t _Release() = 0;

 protected:
  ~IInterface() = default;
};

// A reference to an interface that releases on every way out of its scope, like
// an interface variable of the host language.
template <class I>
class IRef {
 public:
  IRef() = default;
  explicit IRef(I* raw, bool addRef = true) : raw_(raw) {
    if (raw_ && addRef) raw_->_AddRef();
  }
  IRef(const IRef& other) : IRef(other.raw_) {}
  IRef(IRef&& other) noexcept : raw_(std::exchange(other.raw_, nullptr)) {}
  IRef& operator=(IRef other) noexcept {
    std::swap(raw_, other.raw_);
    return *this;
  }
  ~IRef() { Clear(); }
  void Clear() {
    if (I* old = std::exchange(raw_, nullptr)) old->_Release();
  }
  I* get() const { return raw_; }
  I* operator->() const { return raw_; }
  explicit operator bool() const { return raw_ != nullptr; }

 private:
  I* raw_ = nullptr;
};

// Supports(source, result): QueryInterface for I; false when not supported.
template <class I, class S>
bool Supports(S* source, IRef<I>& result) {
  result.Clear();
  if (source == nullptr) return false;
  void* out = nullptr;
  if (source->QueryInterface(I::IID(), &out) != S_OK || out == nullptr) return false;
  result = IRef<I>(static_cast<I*>(out), false);  // QueryInterface added the reference
  return true;
}

// The host's "source as I": raises EIntfCastError "Interface not supported".
template <class I, class S>
IRef<I> IntfCast(S* source) {
  IRef<I> result;
  if (!Supports<I>(source, result)) throw EIntfCastError("Interface not supported");
  return result;
}

// A reference-counted object: it destroys itself when the count falls to 0.
// Derived classes answer their interfaces in GetInterface.
class HOST_API TInterfacedObject : public TObject {
 public:
  HOST_CLASS_NAME(TInterfacedObject)
  int32_t RefCount() const { return ref_count_; }
  // Live TInterfacedObject instances in the process (for leak checks).
  static int32_t LiveObjects();

  TInterfacedObject();
  ~TInterfacedObject() override;

 protected:
  HRESULT DoQueryInterface(const TGUID& iid, void** object);
  int32_t DoAddRef();
  int32_t DoRelease();
  // Sets *object to the interface pointer for iid, or returns false.
  virtual bool GetInterface(const TGUID& iid, void** object) = 0;

 private:
  int32_t ref_count_ = 0;
};

// Implements IInterface's three slots of an interface I on a TInterfacedObject.
#define HOST_IMPLEMENT_IINTERFACE                                                    \
  ::host::HRESULT QueryInterface(const ::host::TGUID& iid, void** object) override { \
    return DoQueryInterface(iid, object);                                            \
  }                                                                                  \
  int32_t _AddRef() override {                                                       \
    return DoAddRef();                                                               \
  }                                                                                  \
  int32_t _Release() override {                                                      \
    return DoRelease();                                                              \
  }

}  // namespace host

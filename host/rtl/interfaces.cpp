#include "host/rtl/interfaces.h"
#include "host/rtl/chars.h"
#include "host/rtl/quoting.h"

#include <cstdio>

namespace host {

namespace {
std::atomic<int32_t> live_objects{0};
}  // namespace

TGUID TGUID::Parse(const std::string& text) {
  // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
  static const int groups[] = {8, 4, 4, 4, 12};
  const auto fail = [&]() -> TGUID {
    throw EConvertError(QuotedForMessage(text) + " is not a valid GUID value");
  };
  if (text.size() != 38 || text.front() != '{' || text.back() != '}') return fail();
  std::string digits;
  size_t pos = 1;
  for (int g = 0; g < 5; ++g) {
    for (int i = 0; i < groups[g]; ++i, ++pos) {
      if (HexDigitValue(text[pos]) < 0) return fail();
      digits += text[pos];
    }
    if (g < 4) {
      if (text[pos] != '-') return fail();
      ++pos;
    }
  }
  auto value = [&](size_t from, size_t count) {
    uint64_t v = 0;
    for (size_t i = 0; i < count; ++i)
      v = v * 16 + static_cast<uint64_t>(HexDigitValue(digits[from + i]));
    return v;
  };
  TGUID g;
  g.D1 = static_cast<uint32_t>(value(0, 8));
  g.D2 = static_cast<uint16_t>(value(8, 4));
  g.D3 = static_cast<uint16_t>(value(12, 4));
  for (int i = 0; i < 8; ++i) g.D4[i] = static_cast<uint8_t>(value(16 + 2 * i, 2));
  return g;
}

std::string TGUID::ToString() const {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", D1, D2,
                D3, D4[0], D4[1], D4[2], D4[3], D4[4], D4[5], D4[6], D4[7]);
  return buffer;
}

TInterfacedObject::TInterfacedObject() {
  ++live_objects;
}
TInterfacedObject::~TInterfacedObject() {
  --live_objects;
}
int32_t TInterfacedObject::LiveObjects() {
  return live_objects;
}

HRESULT TInterfacedObject::DoQueryInterface(const TGUID& iid, void** object) {
  if (object == nullptr) return E_NOINTERFACE;
  *object = nullptr;
  if (!GetInterface(iid, object) || *object == nullptr) return E_NOINTERFACE;
  DoAddRef();
  return S_OK;
}

int32_t TInterfacedObject::DoAddRef() {
  return ++ref_count_;
}

int32_t TInterfacedObject::DoRelease() {
  const int32_t count = --ref_count_;
  if (count == 0) delete this;
  return count;
}

}  // namespace host

// The package DLL's version block as the system's version API reads it
// (GetFileVersionInfo, VerQueryValue): the judge is the system, not the host's
// own decoder.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "host/rtl/winapi.h"

namespace {

class PackageVersionInfo : public ::testing::Test {
 protected:
  void SetUp() override {
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(FLEETFORGE_DEFAULT_PACKAGE, &ignored);
    ASSERT_GT(size, 0u) << "no version block in " << FLEETFORGE_DEFAULT_PACKAGE;
    block_.resize(size);
    ASSERT_TRUE(::GetFileVersionInfoA(FLEETFORGE_DEFAULT_PACKAGE, 0, size, block_.data()));
  }

  // The value at path, or nullptr with length 0.
  const void* Query(const std::string& path, UINT& length) {
    void* value = nullptr;
    length = 0;
    if (!::VerQueryValueA(block_.data(), path.c_str(), &value, &length)) return nullptr;
    return value;
  }

  std::vector<char> block_;
};

TEST_F(PackageVersionInfo, FixedFileInfoCarriesVersion0_0_1_18) {
  UINT length = 0;
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(Query("\\", length));
  ASSERT_NE(fixed, nullptr);
  ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00000000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00010012u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00000000u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x00010012u);
  EXPECT_EQ(fixed->dwFileFlags, 0u);
  EXPECT_EQ(fixed->dwFileOS, 4u);    // 32-bit Windows
  EXPECT_EQ(fixed->dwFileType, 1u);  // an application
}

TEST_F(PackageVersionInfo, TranslationIsUsEnglishInCodePage1252) {
  UINT length = 0;
  const auto* translation =
      static_cast<const uint16_t*>(Query("\\VarFileInfo\\Translation", length));
  ASSERT_NE(translation, nullptr);
  ASSERT_EQ(length, 4u);
  EXPECT_EQ(translation[0], 0x0409);
  EXPECT_EQ(translation[1], 0x04E4);
}

TEST_F(PackageVersionInfo, StringFields) {
  const struct {
    const char* Name;
    const char* Expected;  // nullptr: any text that is not empty
  } fields[] = {{"FileVersion", "0.0.1.18"},
                {"ProductVersion", "0.0.1.0"},
                {"FileDescription", "Fleetforge for Delphi 7"},
                {"InternalName", "Fleetforge"},
                {"ProductName", "Fleetforge"},
                {"OriginalFilename", "Fleetforge7.bpl"},
                {"LegalTrademarks", ""},
                {"CompanyName", nullptr},
                {"LegalCopyright", nullptr},
                {"Comments", nullptr}};
  for (const auto& field : fields) {
    SCOPED_TRACE(field.Name);
    UINT length = 0;
    const auto* text = static_cast<const char*>(
        Query(std::string("\\StringFileInfo\\040904E4\\") + field.Name, length));
    ASSERT_NE(text, nullptr) << "the field is missing";
    if (field.Expected != nullptr)
      EXPECT_STREQ(text, field.Expected);
    else
      EXPECT_GT(std::string(text).size(), 0u);
  }
}

}  // namespace

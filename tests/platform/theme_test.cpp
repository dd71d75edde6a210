// The theme provider: found by the library's name, its entry points by name, its drawing recorded,
// and absent on request.
#include "platform/theme.h"

#include <gtest/gtest.h>

#include "test_main_env.h"

namespace {

TEST(ThemeProvider, LoadsByNameDrawsAndCanBeAbsent) {
  ASSERT_NE(platform::test::EnsureApplication(), nullptr);
  EXPECT_EQ(platform::LoadThemeLibrary(L"OTHER.DLL"), nullptr);
  const int before = platform::ThemeLibraryLoads();
  HMODULE lib = platform::LoadThemeLibrary(L"uxtheme.dll");
  ASSERT_NE(lib, nullptr);
  EXPECT_EQ(platform::ThemeLibraryLoads(), before + 1);
  for (const char* name : {"CloseThemeData", "DrawThemeBackground", "DrawThemeParentBackground", "DrawThemeText",
                           "GetThemeBackgroundContentRect", "IsAppThemed", "IsThemeActive", "OpenThemeData"})
    EXPECT_NE(platform::GetThemeProcAddress(lib, name), nullptr) << name;
  EXPECT_EQ(platform::GetThemeProcAddress(lib, "Nothing"), nullptr);
  auto open = reinterpret_cast<PFN_OpenThemeData>(platform::GetThemeProcAddress(lib, "OpenThemeData"));
  auto draw = reinterpret_cast<PFN_DrawThemeBackground>(platform::GetThemeProcAddress(lib, "DrawThemeBackground"));
  auto close = reinterpret_cast<PFN_CloseThemeData>(platform::GetThemeProcAddress(lib, "CloseThemeData"));
  auto themed = reinterpret_cast<PFN_IsAppThemed>(platform::GetThemeProcAddress(lib, "IsAppThemed"));
  EXPECT_TRUE(themed());
  HTHEME theme = open(nullptr, L"Button");
  ASSERT_NE(theme, nullptr);
  CDC dc;
  dc.CreateCompatibleDC(nullptr);
  CBitmap bitmap;
  bitmap.CreateBitmap(60, 20, 1, 32, nullptr);
  CBitmap* old = dc.SelectObject(&bitmap);
  platform::DrawRecorder recorder;
  recorder.Start();
  const RECT rect{0, 0, 60, 20};
  EXPECT_EQ(draw(theme, dc.GetSafeHdc(), BP_PUSHBUTTON, PBS_HOT, &rect, nullptr), S_OK);
  recorder.Stop();
  const auto records = recorder.Records(platform::DrawOp::ThemeBackground);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].flags, static_cast<UINT>(PBS_HOT));
  EXPECT_EQ(records[0].rect, CRect(0, 0, 60, 20));
  dc.SelectObject(old);
  EXPECT_EQ(close(theme), S_OK);
  platform::FreeThemeLibrary(lib);
  EXPECT_EQ(platform::ThemeLibraryLoads(), before);
  platform::SetThemeProviderPresent(false);
  EXPECT_EQ(platform::LoadThemeLibrary(L"UXTHEME.DLL"), nullptr);
  platform::SetThemeProviderPresent(true);
}

}  // namespace

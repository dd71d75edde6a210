// The wait notice: its template (caption-less, its size and two texts) and closing it.
#include "gui/dlg/waitdlg.h"

#include <gtest/gtest.h>

#include "../../platform/qt_app.h"
#include "platform/controls.h"
#include "platform/resources.h"
#include "resources/programresources.h"

namespace {

TEST(WaitDialog, ShowsItsTwoTextsWithoutACaptionAndClosesForGood) {
  testsupport::EnsureApp();
  brelvano::RegisterProgramResources();
  CWaitDlg dlg(nullptr);
  ASSERT_TRUE(dlg.Create(CWaitDlg::IDD, nullptr));
  EXPECT_FALSE(dlg.GetStyle() & WS_CAPTION);
  EXPECT_FALSE(dlg.GetStyle() & WS_VISIBLE);
  CRect expected(0, 0, 123, 52);
  dlg.MapDialogRect(&expected);
  CRect client;
  dlg.GetClientRect(&client);
  EXPECT_EQ(client.Width(), expected.Width());
  EXPECT_EQ(client.Height(), expected.Height());
  std::vector<CString> texts;
  for (CWnd* child = dlg.GetWindow(GW_CHILD); child != nullptr; child = child->GetWindow(GW_HWNDNEXT)) {
    CString text;
    child->GetWindowText(text);
    texts.push_back(text);
  }
  EXPECT_EQ(texts, (std::vector<CString>{L"Connecting to Device", L"Please wait..."}));
  const HWND hwnd = dlg.GetSafeHwnd();
  dlg.SendMessage(WM_CLOSE);
  EXPECT_FALSE(::IsWindow(hwnd));
}

}  // namespace

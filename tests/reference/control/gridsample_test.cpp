// A sample dialog with a grid list holding every cell kind, a hyperlink and themed buttons,
// rendered headless; the picture goes to $BRELVANO_SCREENSHOT_DIR when that is set. Each control
// answers automation tools with its role and name.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QWidget>
#include <cstdlib>

#include "../../platform/qt_app.h"
#include "platform/dialog.h"
#include "platform/windowimage.h"
#include "reference/control/xbuttonxp/xbuttonxp.h"
#include "reference/control/xlistctrl/hyperlink.h"
#include "reference/control/xlistctrl/xlistctrl.h"

namespace {

using platform::DialogItemTemplate;
using platform::DialogTemplate;

DialogTemplate SampleTemplate() {
  const DWORD v = WS_VISIBLE | WS_CHILD | WS_TABSTOP;
  return DialogTemplate(9911, 0, 0, 320, 180, WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, CString(L"Grid sample"),
                        CString(L"MS Shell Dlg"), 8,
                        {
                            DialogItemTemplate(L"SysListView32", L"", 2001, 6, 6, 308, 120,
                                               v | WS_BORDER | LVS_REPORT | LVS_SHOWSELALWAYS),
                            DialogItemTemplate(L"STATIC", L"Open the manual", 2002, 6, 134, 120, 10, v | SS_LEFT),
                            DialogItemTemplate(L"BUTTON", L"Send", 2003, 150, 156, 50, 16, v | BS_DEFPUSHBUTTON),
                            DialogItemTemplate(L"BUTTON", L"Custom", 2004, 206, 156, 50, 16, v | BS_PUSHBUTTON),
                            DialogItemTemplate(L"BUTTON", L"Off", 2005, 262, 156, 50, 16, v | BS_PUSHBUTTON),
                        });
}

QAccessibleInterface* AccessibleOf(CWnd* wnd) { return QAccessible::queryAccessibleInterface(wnd->GetWidget()); }

TEST(GridSampleDialog, EveryCellKindAHyperlinkAndThemedButtonsLookOrderly) {
  testsupport::EnsureApp();
  CDialog dlg;
  ASSERT_TRUE(dlg.CreateIndirect(SampleTemplate(), nullptr));
  CXListCtrl grid;
  ASSERT_TRUE(grid.SubclassDlgItem(2001, &dlg));
  grid.SetExtendedStyle(LVS_EX_FULLROWSELECT);
  grid.InsertColumn(0, L"Parameter", LVCFMT_LEFT, 110);
  grid.InsertColumn(1, L"Value", LVCFMT_LEFT, 140);
  grid.InsertColumn(2, L"State", LVCFMT_CENTER, 150);
  CStringArray speeds;
  for (const wchar_t* s : {L"9600", L"57600", L"115200"}) speeds.Add(s);
  grid.InsertRow(0, L"Plain text");
  grid.SetCellText(0, 1, L"T-100");
  grid.SetCellText(0, 2, L"ready");
  grid.InsertRow(1, L"Colours");
  grid.SetCellText(1, 1, L"red on yellow", RGB(200, 0, 0), RGB(255, 255, 160));
  grid.SetCellBold(1, 2, TRUE);
  grid.SetCellText(1, 2, L"bold");
  grid.InsertRow(2, L"Check boxes");
  grid.SetCellCheckState(2, 1, 1);
  grid.SetCellText(2, 1, L"enabled");
  grid.SetCellCheckState(2, 2, 0);
  grid.InsertRow(3, L"Progress");
  grid.ShowCellProgress(3, 1, TRUE);
  grid.SetCellProgress(3, 1, 60);
  grid.ShowCellProgress(3, 2, TRUE, L"Sent %d%%");
  grid.SetCellProgress(3, 2, 25);
  grid.InsertRow(4, L"Combo");
  grid.SetCellCombo(4, 1, TRUE, &speeds, 4, 2);
  grid.SetCellToolTip(4, 1, L"Port speed");
  grid.InsertRow(5, L"Disabled row");
  grid.SetCellText(5, 1, L"greyed");
  grid.SetRowEnabled(5, FALSE);
  grid.SelectRow(4);

  CHyperLink link;
  link.SetLinkUrl(L"https://example.org/manual");
  ASSERT_TRUE(link.SubclassDlgItem(2002, &dlg));
  CXButtonXP send, custom, off;
  ASSERT_TRUE(send.SubclassDlgItem(2003, &dlg));
  ASSERT_TRUE(custom.SubclassDlgItem(2004, &dlg));
  ASSERT_TRUE(off.SubclassDlgItem(2005, &dlg));
  custom.SetFaceColor(RGB(245, 195, 115));
  off.EnableWindow(FALSE);
  dlg.RedrawWindow();

  if (const char* dir = std::getenv("BRELVANO_SCREENSHOT_DIR")) {
    EXPECT_TRUE(platform::SaveWindowImage(&dlg, CString(dir) + L"/grid-sample.png"));
  }
  // Reachable by role and name like the other controls.
  struct Case {
    const char* name;
    CWnd* wnd;
    QAccessible::Role role;
    const char* text;
  } cases[] = {
      {"themed button", &send, QAccessible::Button, "Send"},
      {"hyperlink", &link, QAccessible::StaticText, "Open the manual"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QAccessibleInterface* a = AccessibleOf(c.wnd);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->role(), c.role);
    EXPECT_EQ(a->text(QAccessible::Name).toStdString(), c.text);
  }
  QAccessibleInterface* table = AccessibleOf(&grid);
  ASSERT_NE(table, nullptr);
  EXPECT_TRUE(table->role() == QAccessible::Table || table->role() == QAccessible::List) << table->role();
  dlg.DestroyWindow();
}

}  // namespace

// A sample template dialog with every standard control kind, rendered headless. The picture is
// written to $BRELVANO_SCREENSHOT_DIR when that is set, so a person can look at it.
#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>
#include <QWidget>
#include <cstdlib>

#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/listctrl.h"
#include "platform/tabctrl.h"
#include "qt_app.h"

namespace {

using platform::DialogItemTemplate;
using platform::DialogTemplate;

DialogTemplate SampleTemplate() {
  const DWORD vis = WS_VISIBLE | WS_TABSTOP;
  return DialogTemplate(
      9901, 0, 0, 260, 170, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 0, CString("Every control"),
      CString("MS Shell Dlg"), 9,
      {
          DialogItemTemplate("BUTTON", "Group", 0xFFFF, 4, 2, 120, 70, WS_VISIBLE | BS_GROUPBOX),
          DialogItemTemplate("STATIC", "Name:", 1001, 10, 14, 30, 10, WS_VISIBLE | SS_LEFT),
          DialogItemTemplate("EDIT", "text", 1002, 44, 12, 74, 12, vis | WS_BORDER | ES_AUTOHSCROLL),
          DialogItemTemplate("BUTTON", "Check", 1003, 10, 28, 50, 10, vis | BS_AUTOCHECKBOX),
          DialogItemTemplate("BUTTON", "Radio A", 1004, 10, 40, 50, 10, vis | BS_AUTORADIOBUTTON | WS_GROUP),
          DialogItemTemplate("BUTTON", "Radio B", 1005, 64, 40, 50, 10, vis | BS_AUTORADIOBUTTON),
          DialogItemTemplate("COMBOBOX", "", 1006, 10, 54, 108, 60, vis | CBS_DROPDOWNLIST | WS_VSCROLL, 0,
                             {CString("SEARCH.."), CString("USB")}),
          DialogItemTemplate("LISTBOX", "", 1007, 130, 6, 124, 40, vis | WS_BORDER | LBS_NOTIFY | WS_VSCROLL, 0,
                             {CString("first line"), CString("second line")}),
          DialogItemTemplate("SysListView32", "", 1008, 130, 50, 124, 40, vis | WS_BORDER | LVS_REPORT),
          DialogItemTemplate("SysTabControl32", "", 1009, 4, 76, 250, 40, vis | TCS_MULTILINE),
          DialogItemTemplate("msctls_progress32", "", 1010, 4, 120, 250, 8, WS_VISIBLE | PBS_SMOOTH),
          DialogItemTemplate("SCROLLBAR", "", 1011, 4, 132, 120, 10, WS_VISIBLE | SBS_HORZ),
          DialogItemTemplate("SysIPAddress32", "", 1012, 130, 130, 90, 14, vis),
          DialogItemTemplate("STATIC", "", 1013, 4, 148, 60, 14, WS_VISIBLE | SS_BLACKFRAME),
          DialogItemTemplate("BUTTON", "OK", IDOK, 150, 150, 50, 14, vis | BS_DEFPUSHBUTTON),
          DialogItemTemplate("BUTTON", "Cancel", IDCANCEL, 204, 150, 50, 14, vis | BS_PUSHBUTTON),
      });
}

TEST(SampleDialogPicture, EveryControlKindRendersWhereTheTemplatePutsIt) {
  testsupport::EnsureApp();
  CDialog dlg;
  ASSERT_TRUE(dlg.CreateIndirect(SampleTemplate(), nullptr));
  auto* list = static_cast<CListCtrl*>(dlg.GetDlgItem(1008));
  ASSERT_NE(list, nullptr);
  list->InsertColumn(0, CString("Item"), LVCFMT_LEFT, 80);
  list->InsertColumn(1, CString("Value"), LVCFMT_LEFT, 80);
  list->InsertItem(0, CString("Model"));
  list->SetItemText(0, 1, CString("T-100"));
  auto* tabs = static_cast<CTabCtrl*>(dlg.GetDlgItem(1009));
  ASSERT_NE(tabs, nullptr);
  for (int i = 0; i < 12; ++i) {
    CString title;
    title.Format(L"Tab %d", i + 1);
    tabs->InsertItem(i, title);
  }
  static_cast<CProgressCtrl*>(dlg.GetDlgItem(1010))->SetPos(40);
  static_cast<CComboBox*>(dlg.GetDlgItem(1006))->SetCurSel(0);

  QImage shot = dlg.GetWidget()->grab().toImage();
  ASSERT_FALSE(shot.isNull());
  if (const char* dir = std::getenv("BRELVANO_SCREENSHOT_DIR")) {
    shot.save(QString::fromUtf8(dir) + "/sample-dialog.png");
  }
  // Every control stands at its template rectangle converted with the fixed base units.
  for (const auto& item : SampleTemplate().items) {
    if (item.id == 0xFFFF) continue;
    CWnd* w = dlg.GetDlgItem(static_cast<int>(item.id));
    ASSERT_NE(w, nullptr) << item.id;
    CRect r;
    w->GetWindowRect(&r);
    dlg.ScreenToClient(&r);
    EXPECT_EQ(r.left, platform::DialogUnitsToPixelsX(item.x)) << item.id;
    EXPECT_EQ(r.top, platform::DialogUnitsToPixelsY(item.y)) << item.id;
  }
  // A drop-down list is as tall as its selection field; the template height is its dropped list.
  CRect combo;
  dlg.GetDlgItem(1006)->GetWindowRect(&combo);
  EXPECT_LT(combo.Height(), platform::DialogUnitsToPixelsY(20));
  // The picture is not blank: the controls drew something different from the background.
  QRgb bg = shot.pixel(shot.width() - 2, 2);
  int differing = 0;
  for (int y = 0; y < shot.height(); y += 3) {
    for (int x = 0; x < shot.width(); x += 3) differing += shot.pixel(x, y) != bg;
  }
  EXPECT_GT(differing, 200);
  dlg.DestroyWindow();
}

}  // namespace

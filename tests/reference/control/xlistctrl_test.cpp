// The grid list set: cell operations and their bounds (a column added after the rows, a row added
// before any column), check boxes with the header's box, custom-draw answers and cell colours,
// progress bars and their labels, the combo cell's drop-down, tool tips, the empty list, the
// drop-down's layout and keys, the flat header and the off-screen context.
#include "reference/control/xlistctrl/xlistctrl.h"

#include <gtest/gtest.h>

#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QHelpEvent>
#include <QToolTip>
#include <QWidget>
#include <vector>

#include "../../platform/qt_app.h"
#include "../../platform/wait_util.h"
#include "reference/control/xlistctrl/memdc.h"

namespace {

using platform::DrawOp;
using platform::DrawRecorder;

// Records the grid's registered messages.
class Parent : public CWnd {
 public:
  struct Message {
    UINT message;
    WPARAM row;
    LPARAM column;
  };
  std::vector<Message> got;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_XLISTCTRL_CHECKBOX_CLICKED || message == WM_XLISTCTRL_COMBO_SELECTION)
      got.push_back({message, wParam, lParam});
    return CWnd::WindowProc(message, wParam, lParam);
  }
};

class ProbeGrid : public CXListCtrl {
 public:
  using CXListCtrl::OnDropDownEscape;
  using CXListCtrl::OnDropDownKey;
  using CXListCtrl::OnDropDownReturn;
  using CXListCtrl::OnReflectColumnClick;
  using CXListCtrl::OnReflectCustomDraw;
  using CXListCtrl::OnTimer;
};

class GridTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::EnsureApp();
    ASSERT_TRUE(m_parent.CreateEx(0, nullptr, L"parent", WS_POPUP | WS_VISIBLE, CRect(0, 0, 500, 300), nullptr, 0));
    ASSERT_TRUE(m_grid.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS, CRect(0, 0, 480, 280), &m_parent,
                              1400));
    m_grid.SetExtendedStyle(LVS_EX_FULLROWSELECT);
  }
  void TearDown() override {
    m_grid.DestroyWindow();
    m_parent.DestroyWindow();
  }
  void Columns(int n) {
    for (int i = 0; i < n; ++i) {
      CString title;
      title.Format(L"Column %d", i);
      m_grid.InsertColumn(i, title, LVCFMT_LEFT, 120);
    }
  }
  // Runs the custom draw of one cell into a recording memory context; the answer and the records.
  LRESULT DrawCell(int row, int column, NMLVCUSTOMDRAW* out, std::vector<platform::DrawRecord>* records) {
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    CBitmap bitmap;
    bitmap.CreateBitmap(480, 280, 1, 32, nullptr);
    CBitmap* old = dc.SelectObject(&bitmap);
    NMLVCUSTOMDRAW cd{};
    cd.nmcd.hdr.code = NM_CUSTOMDRAW;
    cd.nmcd.dwDrawStage = CDDS_ITEMPREPAINT | CDDS_SUBITEM;
    cd.nmcd.hdc = dc.GetSafeHdc();
    cd.nmcd.dwItemSpec = static_cast<DWORD_PTR>(row);
    cd.nmcd.lItemlParam = static_cast<LPARAM>(m_grid.GetItemData(row));
    cd.iSubItem = column;
    LRESULT result = 0;
    DrawRecorder recorder;
    recorder.Start();
    m_grid.OnReflectCustomDraw(&cd.nmcd.hdr, &result);
    recorder.Stop();
    dc.SelectObject(old);
    if (out) *out = cd;
    if (records) *records = recorder.Records();
    return result;
  }
  CPoint CellCentre(int row, int column) {
    CRect rect;
    EXPECT_TRUE(m_grid.GetCellRect(row, column, LVIR_BOUNDS, rect));
    return rect.CenterPoint();
  }
  Parent m_parent;
  ProbeGrid m_grid;
};

TEST_F(GridTest, OperationsRefuseCellsThatDoNotExist) {
  Columns(2);
  ASSERT_EQ(m_grid.InsertRow(0, L"first"), 0);
  ASSERT_EQ(m_grid.InsertRow(1, L"second", RGB(1, 2, 3), RGB(4, 5, 6)), 1);
  EXPECT_EQ(m_grid.InsertRow(-1, L"x"), -1);
  m_grid.InsertColumn(2, L"Added later", LVCFMT_LEFT, 100);  // the rows have no cell there
  struct Case {
    const char* name;
    int row, column;
  } bad[] = {{"row -1", -1, 0}, {"row past the end", 2, 0}, {"column -1", 0, -1},
             {"column past the end", 0, 3}, {"column added after the row", 0, 2}};
  for (const Case& c : bad) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(m_grid.SetCellText(c.row, c.column, L"x"), 0);
    EXPECT_EQ(m_grid.SetCellText(c.row, c.column, L"x", RGB(1, 1, 1), RGB(2, 2, 2)), 0);
    EXPECT_EQ(m_grid.SetCellBold(c.row, c.column, TRUE), 0);
    EXPECT_EQ(m_grid.SetCellCheckState(c.row, c.column, 1), 0);
    EXPECT_EQ(m_grid.GetCellCheckState(c.row, c.column), -1);
    EXPECT_EQ(m_grid.ShowCellProgress(c.row, c.column, TRUE), 0);
    EXPECT_EQ(m_grid.SetCellToolTip(c.row, c.column, L"tip"), 0);
    EXPECT_EQ(m_grid.GetCellToolTip(c.row, c.column), CString());
    EXPECT_EQ(m_grid.SetCellImage(c.row, c.column, 1), 0);
    NMLVCUSTOMDRAW cd{};
    if (c.column == 2) {
      EXPECT_EQ(DrawCell(c.row, c.column, &cd, nullptr), CDRF_SKIPDEFAULT);
      EXPECT_EQ(cd.clrTextBk, GetSysColor(COLOR_WINDOW));  // drawn as a plain cell
    }
  }
  EXPECT_EQ(m_grid.SetCellText(1, 1, L"ok"), 1);
  EXPECT_EQ(m_grid.GetCellText(1, 1), CString(L"ok"));
  EXPECT_EQ(m_grid.SetRowData(1, 77), 1);
  EXPECT_EQ(m_grid.GetRowData(1), 77u);
  EXPECT_EQ(m_grid.DeleteRow(5), 0);
  EXPECT_TRUE(m_grid.DeleteRow(0));
  EXPECT_EQ(m_grid.GetRowData(0), 77u);
}

TEST(GridWithoutColumns, ARowInsertedBeforeAnyColumnKeepsItsFirstCell) {
  testsupport::EnsureApp();
  CWnd parent;
  ASSERT_TRUE(parent.CreateEx(0, nullptr, L"p", WS_POPUP, CRect(0, 0, 200, 100), nullptr, 0));
  CXListCtrl grid;
  ASSERT_TRUE(grid.Create(WS_CHILD | LVS_REPORT, CRect(0, 0, 200, 100), &parent, 1));
  ASSERT_EQ(grid.InsertRow(0, L"lonely", RGB(9, 9, 9), RGB(8, 8, 8)), 0);
  EXPECT_EQ(grid.IsRowEnabled(0), TRUE);
  EXPECT_EQ(grid.SetRowData(0, 5), 1);
  EXPECT_EQ(grid.GetRowData(0), 5u);
  EXPECT_EQ(grid.SetRowEnabled(0, FALSE), 1);
  EXPECT_EQ(grid.SetCellText(0, 0, L"x"), 0);  // still no column
  grid.DestroyWindow();
  parent.DestroyWindow();
}

TEST_F(GridTest, CheckBoxesKeepTheHeaderBoxInStep) {
  Columns(2);
  for (int row = 0; row < 3; ++row) {
    m_grid.InsertRow(row, L"row");
    m_grid.SetCellCheckState(row, 1, 0);
  }
  m_grid.SetCellCheckState(0, 0, 1);  // a box in another column
  ASSERT_EQ(m_grid.SetHeaderCheckState(1, 1), 1);
  m_grid.SetCellCheckState(0, 1, 1);
  m_grid.SetCellCheckState(1, 1, 1);
  EXPECT_EQ(m_grid.GetHeaderCheckState(1), 1);
  // the last one by a click
  m_grid.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(CellCentre(2, 1).x, CellCentre(2, 1).y));
  EXPECT_EQ(m_grid.GetCellCheckState(2, 1), 1);
  EXPECT_EQ(m_grid.GetHeaderCheckState(1), 2);
  ASSERT_EQ(m_parent.got.size(), 1u);
  EXPECT_EQ(m_parent.got[0].message, WM_XLISTCTRL_CHECKBOX_CLICKED);
  EXPECT_EQ(m_parent.got[0].row, 2u);
  EXPECT_EQ(m_parent.got[0].column, 1);
  m_grid.SetCellCheckState(0, 1, 0);
  EXPECT_EQ(m_grid.GetHeaderCheckState(1), 1);
  EXPECT_EQ(m_grid.CountCheckedCells(1), 2);
  // a click on the header with state 1 checks every box of the column
  NMLISTVIEW nm{};
  nm.iSubItem = 1;
  LRESULT result = 0;
  m_grid.OnReflectColumnClick(&nm.hdr, &result);
  EXPECT_EQ(m_grid.GetHeaderCheckState(1), 2);
  EXPECT_EQ(m_grid.CountCheckedCells(1), 3);
  EXPECT_EQ(m_grid.GetCellCheckState(1, 0), -1);  // a cell without a box stays without one
  // a disabled row takes no clicks
  m_grid.SetRowEnabled(1, FALSE);
  m_parent.got.clear();
  m_grid.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(CellCentre(1, 1).x, CellCentre(1, 1).y));
  EXPECT_EQ(m_grid.GetCellCheckState(1, 1), 1);
  EXPECT_TRUE(m_parent.got.empty());
  EXPECT_EQ(m_grid.GetSelectedRow(), -1);
}

TEST_F(GridTest, CustomDrawAnswersAndCellColours) {
  Columns(2);
  m_grid.InsertRow(0, L"coloured");
  m_grid.SetCellText(0, 1, L"red on yellow", RGB(255, 0, 0), RGB(255, 255, 0));
  m_grid.InsertRow(1, L"disabled");
  m_grid.SetRowEnabled(1, FALSE);
  LRESULT result = 0;
  NMLVCUSTOMDRAW cd{};
  cd.nmcd.dwDrawStage = CDDS_PREPAINT;
  m_grid.OnReflectCustomDraw(&cd.nmcd.hdr, &result);
  EXPECT_EQ(result, CDRF_NOTIFYITEMDRAW);
  cd.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
  m_grid.OnReflectCustomDraw(&cd.nmcd.hdr, &result);
  EXPECT_EQ(result, CDRF_NOTIFYSUBITEMDRAW);
  std::vector<platform::DrawRecord> records;
  EXPECT_EQ(DrawCell(0, 1, &cd, &records), CDRF_SKIPDEFAULT);
  EXPECT_EQ(cd.clrText, RGB(255, 0, 0));
  EXPECT_EQ(cd.clrTextBk, RGB(255, 255, 0));
  bool filled = false, text = false;
  for (const auto& r : records) {
    filled |= r.op == DrawOp::FillSolidRect && r.color == RGB(255, 255, 0);
    text |= r.op == DrawOp::DrawText && r.text == L"red on yellow" && r.textColor == RGB(255, 0, 0);
  }
  EXPECT_TRUE(filled);
  EXPECT_TRUE(text);
  DrawCell(1, 0, &cd, nullptr);
  EXPECT_EQ(cd.clrText, GetSysColor(COLOR_GRAYTEXT));
}

TEST_F(GridTest, ProgressBarsAndTheirLabels) {
  Columns(2);
  m_grid.InsertRow(0, L"job");
  struct Case {
    const char* name;
    const wchar_t* format;
    int percent;
    const wchar_t* label;
  } cases[] = {
      {"default label", L"", 50, L"50%"},
      {"words around the number", L"Done %d%%", 50, L"Done 50%"},
      {"a text conversion is refused", L"%s", 50, L"50%"},
      {"two conversions are refused", L"%d of %d", 50, L"50%"},
      {"a full bar", L"", 100, L"100%"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(m_grid.ShowCellProgress(0, 1, TRUE, c.format), 1);
    m_grid.SetCellProgress(0, 1, c.percent);
    std::vector<platform::DrawRecord> records;
    DrawCell(0, 1, nullptr, &records);
    CRect cell;
    m_grid.GetCellRect(0, 1, LVIR_BOUNDS, cell);
    const int full = (cell.right - 2) - (cell.left + 1 + 2);
    int filledWidth = -1, labels = 0;
    for (const auto& r : records) {
      if (r.op == DrawOp::FillSolidRect && r.color == GetSysColor(COLOR_HIGHLIGHT)) filledWidth = r.rect.Width();
      if (r.op == DrawOp::DrawText) {
        EXPECT_EQ(r.text, CString(c.label));
        ++labels;
      }
    }
    EXPECT_EQ(filledWidth, full * c.percent / 100);
    EXPECT_EQ(labels, 2);  // in both colours across the bar's edge
  }
  m_grid.SetCellProgress(0, 1, 0);
  std::vector<platform::DrawRecord> records;
  DrawCell(0, 1, nullptr, &records);
  for (const auto& r : records) EXPECT_FALSE(r.op == DrawOp::FillSolidRect && r.color == GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(CXListCtrl::ProgressLabel(L"%5d%%", 7), CString(L"    7%"));
}

TEST_F(GridTest, TheComboCellsDropDownEditsItsText) {
  Columns(2);
  m_grid.InsertRow(0, L"setting");
  CStringArray choices;
  for (const wchar_t* c : {L"Alpha", L"Beta", L"Gamma", L"Delta"}) choices.Add(c);
  ASSERT_EQ(m_grid.SetCellCombo(0, 1, TRUE, &choices, 5, 2), 1);
  EXPECT_EQ(m_grid.GetCellText(0, 1), CString(L"Gamma"));  // the start entry
  EXPECT_EQ(m_grid.SetCellCombo(0, 1, TRUE, nullptr, 5, 0), 0);
  // a press on the button opens the drop-down when the selected row is drawn
  CRect cell;
  m_grid.GetCellRect(0, 1, LVIR_BOUNDS, cell);
  m_grid.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(cell.right - 3, cell.CenterPoint().y));
  DrawCell(0, 1, nullptr, nullptr);
  CXComboList* dropDown = m_grid.GetDropDown();
  ASSERT_NE(dropDown, nullptr);
  EXPECT_EQ(dropDown->GetCount(), 4);
  EXPECT_EQ(dropDown->GetCurSel(), 2);
  // keys move the selection: the cell follows at once, without a message
  dropDown->SetCurSel(3);
  m_grid.OnDropDownKey(0, 0);
  m_grid.OnTimer(4);
  EXPECT_EQ(m_grid.GetCellText(0, 1), CString(L"Delta"));
  EXPECT_TRUE(m_parent.got.empty());
  // Escape puts back the text the cell had when the drop-down opened
  m_grid.OnDropDownEscape(0, 0);
  EXPECT_EQ(m_grid.GetCellText(0, 1), CString(L"Gamma"));
  m_grid.OnTimer(2);
  EXPECT_EQ(m_grid.GetDropDown(), nullptr);
  // Enter writes the choice and tells the parent
  m_grid.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(cell.right - 3, cell.CenterPoint().y));
  DrawCell(0, 1, nullptr, nullptr);
  ASSERT_NE(m_grid.GetDropDown(), nullptr);
  m_grid.GetDropDown()->SetCurSel(0);
  m_grid.OnDropDownReturn(0, 0);
  m_grid.OnTimer(3);
  EXPECT_EQ(m_grid.GetCellText(0, 1), CString(L"Alpha"));
  ASSERT_EQ(m_parent.got.size(), 1u);
  EXPECT_EQ(m_parent.got[0].message, WM_XLISTCTRL_COMBO_SELECTION);
  EXPECT_EQ(m_parent.got[0].column, 1);
  EXPECT_EQ(m_grid.GetDropDown(), nullptr);
}

TEST_F(GridTest, ToolTipsNameTheCellAndFitTheirBuffer) {
  Columns(3);
  for (int row = 0; row < 4; ++row) {
    m_grid.InsertRow(row, L"row");
    m_grid.SetCellText(row, 2, L"cell");
  }
  TOOLINFO info{};
  EXPECT_EQ(m_grid.OnToolHitTest(CellCentre(3, 2), &info), 3003);
  EXPECT_EQ(info.uId, 3003u);
  EXPECT_EQ(info.lpszText, LPSTR_TEXTCALLBACK);
  EXPECT_EQ(m_grid.OnToolHitTest(CPoint(470, 270), &info), -1);
  ASSERT_EQ(m_grid.SetCellToolTip(3, 2, CString(L'\u00e9', 200)), 1);
  CPoint screen = CellCentre(3, 2);
  m_grid.ClientToScreen(&screen);
  SetCursorPos(screen.x, screen.y);
  NMTTDISPINFOW wide{};
  wide.hdr.code = TTN_NEEDTEXTW;
  wide.hdr.idFrom = 3003;
  std::fill(std::begin(wide.szText), std::end(wide.szText), L'#');
  LRESULT result = 1;
  EXPECT_FALSE(m_grid.OnNeedToolTipText(0, &wide.hdr, &result));
  EXPECT_EQ(result, 0);
  EXPECT_EQ(CString(wide.szText).GetLength(), 79);
  NMTTDISPINFOA narrow{};
  narrow.hdr.code = TTN_NEEDTEXTA;
  narrow.hdr.idFrom = 3003;
  EXPECT_FALSE(m_grid.OnNeedToolTipText(0, &narrow.hdr, &result));
  EXPECT_LE(std::strlen(narrow.szText), 79u);
  EXPECT_GT(std::strlen(narrow.szText), 0u);
  NMTTDISPINFOW none{};
  none.hdr.code = TTN_NEEDTEXTW;
  EXPECT_TRUE(m_grid.OnNeedToolTipText(0, &none.hdr, &result));  // id 0
}

// Hovers the list's viewport at a point of the grid's client area, as the application does when
// the mouse rests there.
void Hover(CXListCtrl& grid, CPoint client) {
  QWidget* viewport = qobject_cast<QAbstractScrollArea*>(grid.GetWidget())->viewport();
  const QPoint local = QPoint(client.x, client.y) - viewport->geometry().topLeft();
  QHelpEvent help(QEvent::ToolTip, local, viewport->mapToGlobal(local));
  QCoreApplication::sendEvent(viewport, &help);
}

bool TipGone() {
  QCoreApplication::processEvents();
  return !QToolTip::isVisible();
}

TEST_F(GridTest, HoveringACellShowsItsToolTip) {
  Columns(3);
  for (int row = 0; row < 4; ++row) m_grid.InsertRow(row, L"row");
  ASSERT_EQ(m_grid.SetCellToolTip(1, 2, L"Zone 7: speed limit"), 1);
  ASSERT_EQ(m_grid.SetCellToolTip(3, 0, CString(L'x', 120)), 1);
  m_grid.EnableToolTips(TRUE);
  struct Case {
    const char* name;
    int row, column;  // -1: a point below the rows
    QString shown;    // empty: no tip
  } cases[] = {
      {"cell with a tip", 1, 2, QStringLiteral("Zone 7: speed limit")},
      {"cell without a tip", 2, 1, QString()},
      {"long tip cut to the buffer", 3, 0, QString(79, QLatin1Char('x'))},
      {"below the rows", -1, -1, QString()},
      {"same cell again", 1, 2, QStringLiteral("Zone 7: speed limit")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Hover(m_grid, c.row >= 0 ? CellCentre(c.row, c.column) : CPoint(240, 270));
    if (c.shown.isEmpty()) {
      EXPECT_TRUE(testutil::WaitUntil(TipGone));
    } else {
      EXPECT_TRUE(QToolTip::isVisible());
      EXPECT_EQ(QToolTip::text(), c.shown);
    }
  }
  // Without tool tips enabled the window is not asked.
  m_grid.EnableToolTips(FALSE);
  EXPECT_TRUE(testutil::WaitUntil(TipGone));
  Hover(m_grid, CellCentre(1, 2));
  EXPECT_FALSE(QToolTip::isVisible() && QToolTip::text() == QStringLiteral("Zone 7: speed limit"));
}

TEST_F(GridTest, AnEmptyListSaysSo) {
  Columns(2);
  DrawRecorder recorder;
  recorder.Start();
  m_grid.GetWidget()->grab();
  recorder.Stop();
  bool said = false;
  for (const auto& r : recorder.Records(DrawOp::DrawText)) said |= r.text == CXListCtrl::kEmptyText;
  EXPECT_TRUE(said);
  m_grid.InsertRow(0, L"one");
  recorder.Clear();
  recorder.Start();
  m_grid.GetWidget()->grab();
  recorder.Stop();
  for (const auto& r : recorder.Records(DrawOp::DrawText)) EXPECT_NE(r.text, CString(CXListCtrl::kEmptyText));
}

TEST(GridMessages, TheSixMessagesAreRegisteredAndDistinct) {
  const UINT all[] = {WM_XCOMBOLIST_VK_RETURN, WM_XCOMBOLIST_VK_ESCAPE, WM_XCOMBOLIST_KEYDOWN,
                      WM_XCOMBOLIST_LBUTTONUP, WM_XLISTCTRL_COMBO_SELECTION, WM_XLISTCTRL_CHECKBOX_CLICKED};
  for (size_t i = 0; i < 6; ++i) {
    EXPECT_GE(all[i], 0xC000u);
    for (size_t j = i + 1; j < 6; ++j) EXPECT_NE(all[i], all[j]);
  }
}

// Counts the drop-down's messages.
class DropParent : public CWnd {
 public:
  int returns = 0, escapes = 0, keys = 0, ups = 0;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_XCOMBOLIST_VK_RETURN) ++returns;
    if (message == WM_XCOMBOLIST_VK_ESCAPE) ++escapes;
    if (message == WM_XCOMBOLIST_KEYDOWN) ++keys;
    if (message == WM_XCOMBOLIST_LBUTTONUP) ++ups;
    return CWnd::WindowProc(message, wParam, lParam);
  }
};

TEST(ComboList, LaysOutAndAnswersKeys) {
  testsupport::EnsureApp();
  DropParent parent;
  ASSERT_TRUE(parent.CreateEx(0, nullptr, L"p", WS_POPUP, CRect(0, 0, 300, 300), nullptr, 0));
  CXComboList empty(&parent);
  ASSERT_TRUE(empty.CreateEx(0, nullptr, L"", WS_POPUP | WS_VISIBLE | WS_BORDER, CRect(0, 0, 100, 80), &parent, 0));
  empty.Activate(11);
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  empty.GetScrollBarCtrl().GetScrollInfo(&si, SIF_ALL);
  EXPECT_EQ(si.nMax, 0);  // no items: the count
  MSG msg{};
  msg.hwnd = empty.GetSafeHwnd();
  msg.message = WM_KEYDOWN;
  msg.wParam = VK_RETURN;
  empty.PreTranslateMessage(&msg);
  msg.wParam = VK_ESCAPE;
  empty.PreTranslateMessage(&msg);
  EXPECT_EQ(parent.returns, 1);
  EXPECT_EQ(parent.escapes, 1);

  // one line high: a page of one, so the position can reach the item count
  CXComboList list(&parent);
  ASSERT_TRUE(list.CreateEx(0, nullptr, L"", WS_POPUP | WS_VISIBLE | WS_BORDER, CRect(0, 0, 100, 20), &parent, 0));
  for (const wchar_t* s : {L"Apple", L"Banana", L"Cherry", L"Bean", L"Date"}) list.AddString(s);
  list.SetCurSel(2);
  list.Activate(11);
  auto press = [&](UINT key) {
    msg.hwnd = list.GetSafeHwnd();
    msg.wParam = key;
    list.PreTranslateMessage(&msg);
    return list.GetScrollBarCtrl().GetScrollPos();
  };
  struct Case {
    const char* name;
    UINT key;
    int position;
  } cases[] = {{"Home", VK_HOME, 0}, {"End: the item count", VK_END, 5}, {"B after the selection", 'B', 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(press(c.key), c.position);
  }
  list.GetScrollBarCtrl().SetScrollPos(0);
  list.SetCurSel(0);
  EXPECT_EQ(press(VK_UP), 0);  // never below 0
  const int keysBefore = parent.keys;
  press('Q');  // nothing begins with Q
  EXPECT_EQ(parent.keys, keysBefore);
  // the third loss of the focus closes it
  const int escapesBefore = parent.escapes;
  list.SendMessage(WM_KILLFOCUS, 0, 0);
  list.SendMessage(WM_KILLFOCUS, 0, 0);
  EXPECT_EQ(parent.escapes, escapesBefore);
  list.SendMessage(WM_KILLFOCUS, 0, 0);
  EXPECT_EQ(parent.escapes, escapesBefore + 1);
  list.DestroyWindow();
  empty.DestroyWindow();
  parent.DestroyWindow();
}

TEST_F(GridTest, TheFlatHeaderCentresBlueCaptionsAndFramesTheItems) {
  m_grid.InsertColumn(0, L"Left", LVCFMT_LEFT, 70);
  m_grid.InsertColumn(1, L"Right", LVCFMT_RIGHT, 80);
  CXHeaderCtrl& header = m_grid.m_wndHeader;
  ASSERT_TRUE(::IsWindow(header.GetSafeHwnd()));
  CDC dc;
  dc.CreateCompatibleDC(nullptr);
  CBitmap bitmap;
  bitmap.CreateBitmap(480, 30, 1, 32, nullptr);
  CBitmap* old = dc.SelectObject(&bitmap);
  DrawRecorder recorder;
  recorder.Start();
  header.DrawHeader(&dc);
  recorder.Stop();
  dc.SelectObject(old);
  int captions = 0;
  for (const auto& r : recorder.Records(DrawOp::DrawText)) {
    ++captions;
    EXPECT_EQ(r.textColor, RGB(0, 0, 255));
    EXPECT_EQ(r.format, static_cast<UINT>(DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS));
  }
  EXPECT_EQ(captions, 2);
  const auto frames = recorder.Records(DrawOp::Draw3dRect);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].rect.Width(), 150);
  EXPECT_FALSE(header.SetOption(5, 1));
  EXPECT_TRUE(header.SetOption(2, 0x00030004));
  EXPECT_EQ(header.GetOptionLow(), 4);
  EXPECT_EQ(header.GetOptionHigh(), 3);
}

TEST_F(GridTest, TheWideLayoutWidensTheHeaderByTwoBorders) {
  Columns(2);
  CXHeaderCtrl& header = m_grid.m_wndHeader;
  ASSERT_TRUE(::IsWindow(header.GetSafeHwnd()));
  const int borders = 2 * GetSystemMetrics(SM_CXBORDER);
  ASSERT_GT(borders, 0);
  for (const BOOL wide : {FALSE, TRUE}) {
    SCOPED_TRACE(wide);
    EXPECT_TRUE(header.SetOption(3, wide));
    // Asked directly.
    RECT area{10, 20, 210, 120};
    WINDOWPOS pos;
    HDLAYOUT layout{&area, &pos};
    ASSERT_TRUE(header.Layout(&layout));
    EXPECT_EQ(pos.x, 10);
    EXPECT_EQ(pos.y, 20);
    EXPECT_EQ(pos.cx, 200 + (wide ? borders : 0));
    EXPECT_GT(pos.cy, 0);
    EXPECT_EQ(area.top, 20 + pos.cy) << "the rest lies below the header";
    // As the list lays itself out.
    m_grid.MoveWindow(0, 0, 400 + (wide ? 1 : 0), 200);
    CRect client;
    m_grid.GetClientRect(&client);
    CRect rect;
    header.GetWindowRect(&rect);
    EXPECT_EQ(rect.Width(), client.Width() + (wide ? borders : 0));
  }
}

TEST(MemoryContext, WhatIsDrawnInsideTheClipReachesTheTarget) {
  CDC target;
  target.CreateCompatibleDC(nullptr);
  CBitmap bitmap;
  bitmap.CreateBitmap(40, 40, 1, 32, nullptr);
  CBitmap* old = target.SelectObject(&bitmap);
  target.FillSolidRect(0, 0, 40, 40, RGB(0, 0, 255));
  target.IntersectClipRect(10, 10, 30, 30);
  {
    CMemmoryDC mem(&target);
    mem.FillSolidRect(0, 0, 40, 40, RGB(255, 0, 0));
  }
  target.SelectClipRgn(nullptr);
  EXPECT_EQ(target.GetPixel(15, 15), RGB(255, 0, 0));
  EXPECT_EQ(target.GetPixel(5, 5), RGB(0, 0, 255));
  target.SelectObject(old);
}

}  // namespace

// The editable list: row records and the caller's row values, read-only flags, in-place editing
// started by the user and ended by the editor hook, Tab navigation, colours through custom draw,
// and sorting by typed comparisons.
#include "reference/control/listctrlex/listctrlex.h"

#include <gtest/gtest.h>

#include <QLocale>

#include <QAbstractItemView>
#include <QApplication>
#include <QImage>
#include <QWheelEvent>
#include <QAbstractScrollArea>
#include <QComboBox>
#include <QScrollBar>
#include <QTest>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "../../platform/qt_app.h"
#include "platform/controls.h"

namespace {

const UINT kListId = 1012;

// A parent that counts the list's notifications that reach it.
class Host : public CWnd {
 public:
  int doubleClicks = 0;
  int customDraws = 0;
  int columnClicks = 0;
  BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override {
    BOOL handled = CWnd::OnNotify(wParam, lParam, pResult);
    if (handled) return handled;
    auto* hdr = reinterpret_cast<NMHDR*>(lParam);
    if (hdr->code == NM_DBLCLK) ++doubleClicks;
    if (hdr->code == NM_CUSTOMDRAW) ++customDraws;
    if (hdr->code == LVN_COLUMNCLICK) ++columnClicks;
    return FALSE;
  }
};

// What the editor callbacks of a test saw and answer.
struct CallbackLog {
  int inits = 0;
  int ends = 0;
  int lastRow = -2;
  BOOL lastAccept = -5;
  int answer = TRUE;
  CString replaceText;
};
CallbackLog* g_callbacks = nullptr;

int InitEditor(CWnd** ppEditor, int, int, CString&, DWORD_PTR, CListCtrlEx*, BOOL) {
  ++g_callbacks->inits;
  if (*ppEditor != nullptr) (*ppEditor)->SetWindowText(L"from init");
  return 0;
}

// An end callback reads the editor itself (or answers a text of its own).
int EndEditor(CWnd** ppEditor, int nRow, int, CString& text, DWORD_PTR, CListCtrlEx*, BOOL bUpdate) {
  ++g_callbacks->ends;
  g_callbacks->lastRow = nRow;
  g_callbacks->lastAccept = bUpdate;
  if (!g_callbacks->replaceText.IsEmpty()) text = g_callbacks->replaceText;
  else if (*ppEditor != nullptr) text = (*ppEditor)->GetWindowText();
  return g_callbacks->answer;
}

class ListCtrlExTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::EnsureApp();
    g_callbacks = &callbacks;
    ASSERT_TRUE(host.CreateEx(0, nullptr, L"host", WS_POPUP | WS_VISIBLE, CRect(50, 50, 550, 450), nullptr, 0));
    ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT, CRect(10, 10, 410, 260), &host, kListId));
    ASSERT_TRUE(editor.Create(WS_CHILD | WS_BORDER, CRect(0, 0, 10, 10), &host, 2001));
    ASSERT_TRUE(other.Create(L"Other", WS_CHILD | WS_VISIBLE, CRect(10, 300, 110, 330), &host, 2002));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(host.GetWidget()));
    host.GetWidget()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(host.GetWidget()));
  }
  void TearDown() override {
    if (host.m_hWnd != nullptr) host.DestroyWindow();
    g_callbacks = nullptr;
  }
  // Columns "Name", "Value", "Note" and rows "r<i>", "<i * 10>", "n<i>".
  void Fill(int rows) {
    list.InsertColumn(0, L"Name", LVCFMT_LEFT, 100);
    list.InsertColumn(1, L"Value", LVCFMT_LEFT, 100);
    list.InsertColumn(2, L"Note", LVCFMT_LEFT, 100);
    for (int i = 0; i < rows; ++i) {
      CString name, value, note;
      name.Format(L"r%d", i);
      value.Format(L"%d", i * 10);
      note.Format(L"n%d", i);
      ASSERT_EQ(list.InsertItem(i, name), i);
      list.SetItemText(i, 1, value);
      list.SetItemText(i, 2, note);
    }
  }
  QWidget* Viewport() { return qobject_cast<QAbstractScrollArea*>(list.GetWidget())->viewport(); }
  QPoint CellCenter(int row, int col) {
    CRect r;
    EXPECT_TRUE(list.GetSubItemRect(row, col, LVIR_BOUNDS, r));
    return Viewport()->mapFrom(list.GetWidget(), QPoint(r.CenterPoint().x, r.CenterPoint().y));
  }
  void UserDoubleClick(int row, int col) { QTest::mouseDClick(Viewport(), Qt::LeftButton, Qt::NoModifier, CellCenter(row, col)); }
  // The user replaces the editor's text.
  void UserTypes(const QString& text) {
    ASSERT_TRUE(QTest::qWaitFor([&] { return editor.GetWidget()->hasFocus(); })) << "the editor has the keyboard";
    editor.SetSel(0, -1);
    QTest::keyClicks(editor.GetWidget(), text);
  }
  std::vector<CString> Column(int col) {
    std::vector<CString> out;
    for (int i = 0; i < list.GetItemCount(); ++i) out.push_back(list.GetItemText(i, col));
    return out;
  }

  CallbackLog callbacks;
  Host host;
  CListCtrlEx list;
  CEdit editor;
  CButton other;
};

// ---- rows and records ------------------------------------------------------------------------

TEST_F(ListCtrlExTest, RowsKeepTheCallersValueInTheirRecord) {
  Fill(0);
  EXPECT_EQ(list.InsertItem(0, L"a"), 0);
  EXPECT_EQ(list.InsertItem(9, L"b"), 1) << "past the end appends";
  EXPECT_EQ(list.InsertItem(1, L"c", 0), 1);
  wchar_t text[] = L"d";
  LVITEM item{};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = 3;
  item.pszText = text;
  item.lParam = 77;
  EXPECT_EQ(list.InsertItem(&item), 3);
  EXPECT_EQ(list.InsertItem(-1, L"x"), -1);

  EXPECT_EQ(list.GetItemData(3), 77u);
  EXPECT_NE(list.CListCtrl::GetItemData(3), 77u) << "the list's own item data holds the record";
  EXPECT_EQ(list.GetItemData(0), 0u);
  EXPECT_TRUE(list.SetItemData(0, 3000000000u));
  EXPECT_EQ(list.GetItemData(0), 3000000000u);
  EXPECT_FALSE(list.SetItemData(4, 1)) << "no such row";
  EXPECT_EQ(list.GetItemData(4), 0u);

  LVFINDINFO find{};
  find.flags = LVFI_PARAM;
  find.lParam = 77;
  EXPECT_EQ(list.FindItem(&find), 3);
  EXPECT_EQ(list.FindItem(&find, 3), -1) << "the search starts after the given row";
  find.flags = LVFI_STRING;
  find.psz = L"c";
  EXPECT_EQ(list.FindItem(&find), 1) << "other searches are the list's own";

  struct Case {
    int row;
    int col;
    const wchar_t* text;
    BOOL result;
    int rows;
  };
  const Case cases[] = {
      {4, 0, L"e", TRUE, 5},     // column 0 inserts a row
      {4, 1, L"e1", TRUE, 5},    // another column sets the cell
      {4, 7, L"bad", FALSE, 5},  // no such column
      {9, 1, L"bad", FALSE, 5},  // no such row
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.row << "," << c.col);
    EXPECT_EQ(list.SetItemTextImage(c.row, c.col, c.text), c.result);
    EXPECT_EQ(list.GetItemCount(), c.rows);
  }
  EXPECT_EQ(list.GetItemText(4, 0), CString(L"e"));
  EXPECT_EQ(list.GetItemText(4, 1), CString(L"e1"));
}

TEST_F(ListCtrlExTest, DeletingRowsTakesTheirRecordsAlong) {
  Fill(5);
  for (int i = 0; i < 5; ++i) list.SetItemData(i, static_cast<DWORD_PTR>(100 + i));
  list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
  list.SetItemState(3, LVIS_SELECTED, LVIS_SELECTED);
  list.DeleteSelectedItems();
  EXPECT_EQ(Column(0), (std::vector<CString>{L"r0", L"r2", L"r4"}));
  EXPECT_EQ(list.GetItemData(1), 102u) << "the values move with their rows";
  EXPECT_TRUE(list.DeleteItem(0));
  EXPECT_FALSE(list.DeleteItem(5));
  EXPECT_EQ(list.GetItemData(0), 102u);
  list.SelectItems(-1, TRUE);
  EXPECT_EQ(list.GetSelectedCount(), 2u);
  list.SelectItems(0, FALSE);
  EXPECT_EQ(list.GetSelectedCount(), 1u);
  EXPECT_TRUE(list.DeleteAllItems());
  EXPECT_EQ(list.GetItemCount(), 0);
}

TEST_F(ListCtrlExTest, ResetClearsRowsAndColumnsButColumnFlagsStay) {
  // As the device information list does it.
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    ASSERT_EQ(list.InsertColumn(0, L"Item", LVCFMT_LEFT, 120), 0);
    ASSERT_EQ(list.InsertColumn(1, L"Value", LVCFMT_LEFT, 200), 1);
    EXPECT_TRUE(list.SetColumnReadOnly(0, TRUE));
    EXPECT_TRUE(list.SetColumnReadOnly(1, TRUE));
    ASSERT_EQ(list.InsertItem(0, L"Model"), 0);
    ASSERT_EQ(list.InsertItem(1, L"Firmware"), 1);
    EXPECT_TRUE(list.Reset());
    EXPECT_EQ(list.GetItemCount(), 0);
    EXPECT_EQ(list.GetHeaderCtrl()->GetItemCount(), 0);
    EXPECT_TRUE(list.IsColumnReadOnly(0)) << "column records outlive their columns";
  }
  EXPECT_TRUE(list.Reset()) << "an empty list resets too";
  list.SetDefaultEditor(&editor);
  ASSERT_EQ(list.InsertColumn(0, L"Again", LVCFMT_LEFT, 100), 0);
  ASSERT_EQ(list.InsertItem(0, L"x"), 0);
  EXPECT_FALSE(list.EditCell(0, 0)) << "a new column at the same index is read-only again";
  EXPECT_FALSE(list.SetColumnReadOnly(-1, TRUE));

  CListCtrlEx windowless;
  EXPECT_FALSE(windowless.Reset());
  EXPECT_EQ(windowless.InsertItem(0, L"x"), -1);
  EXPECT_FALSE(windowless.EditCell(0, 0));
}

TEST_F(ListCtrlExTest, ReadOnlyFlagsDecideWhichCellsTakeTheEditor) {
  Fill(2);
  list.SetDefaultEditor(&editor);
  enum Cell { None, Off, On };
  struct Case {
    const char* what;
    bool column;
    bool row;
    Cell cell;
    bool cellReadOnly;
    bool editable;
  };
  const Case cases[] = {
      {"nothing set", false, false, None, false, true},
      {"read-only column", true, false, None, true, false},
      {"read-only row", false, true, None, true, false},
      {"read-only cell", false, false, On, true, false},
      {"cell cleared, nothing else", false, false, Off, false, true},
      {"cell cleared in a read-only row", false, true, Off, false, false},
      {"cell cleared in a read-only column", true, false, Off, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    list.Reset();
    list.SetColumnReadOnly(1, FALSE);
    Fill(2);
    EXPECT_TRUE(list.SetColumnReadOnly(1, c.column));
    EXPECT_TRUE(list.SetRowReadOnly(1, c.row));
    if (c.cell != None) {
      EXPECT_TRUE(list.SetCellReadOnly(1, 1, c.cell == On));
    }
    EXPECT_EQ(list.IsCellReadOnly(1, 1), c.cellReadOnly ? TRUE : FALSE);
    EXPECT_EQ(list.EditCell(1, 1), c.editable ? TRUE : FALSE);
    list.EndEdit(FALSE);
  }
  EXPECT_FALSE(list.SetRowReadOnly(5, TRUE));
  EXPECT_FALSE(list.SetCellReadOnly(0, 3, TRUE));
  EXPECT_FALSE(list.EditCell(2, 0)) << "no such row";
  EXPECT_FALSE(list.EditCell(0, 3)) << "no such column";
}

// ---- editing by the user ---------------------------------------------------------------------

TEST_F(ListCtrlExTest, EachWayOfEndingAnEditKeepsOrDropsTheText) {
  struct Case {
    const char* what;
    std::function<void()> end;
    bool written;
  };
  const Case cases[] = {
      {"Enter", [&] { QTest::keyClick(editor.GetWidget(), Qt::Key_Return); }, true},
      {"Escape", [&] { QTest::keyClick(editor.GetWidget(), Qt::Key_Escape); }, false},
      {"a click on another row", [&] { QTest::mouseClick(Viewport(), Qt::LeftButton, Qt::NoModifier, CellCenter(3, 0)); },
       true},
      {"the focus going to another control", [&] { other.SetFocus(); }, true},
      {"a wheel turn over the list",
       [&] {
         QPoint at = CellCenter(3, 0);
         QWheelEvent e(QPointF(at), QPointF(Viewport()->mapToGlobal(at)), QPoint(), QPoint(0, -120), Qt::NoButton,
                       Qt::NoModifier, Qt::NoScrollPhase, false);
         QApplication::sendEvent(Viewport(), &e);
       },
       true},
  };
  Fill(4);
  list.SetColumnEditor(1, &editor);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    list.SetItemText(1, 1, L"10");
    UserDoubleClick(1, 1);
    ASSERT_TRUE(list.IsEditing());
    EXPECT_TRUE(editor.IsWindowVisible());
    EXPECT_EQ(editor.GetParent(), &list);
    EXPECT_EQ(editor.GetWindowText(), CString(L"10")) << "the editor starts with the cell's text";
    CRect cell, placed;
    list.GetSubItemRect(1, 1, LVIR_LABEL, cell);
    editor.GetWindowRect(&placed);
    list.ScreenToClient(&placed);
    EXPECT_EQ(placed.TopLeft(), cell.TopLeft()) << "the editor covers the cell";
    EXPECT_EQ(host.doubleClicks, 0) << "a double click that starts an edit stays in the list";
    ASSERT_NO_FATAL_FAILURE(UserTypes(QStringLiteral("42")));
    c.end();
    EXPECT_FALSE(list.IsEditing());
    EXPECT_FALSE(editor.IsWindowVisible());
    EXPECT_EQ(list.GetItemText(1, 1), CString(c.written ? L"42" : L"10"));
    other.SetFocus();
  }
  EXPECT_EQ(list.GetItemText(2, 1), CString(L"20")) << "other cells are untouched";
}

TEST_F(ListCtrlExTest, AnEditWhoseRowWentAwayWritesNothing) {
  struct Case {
    const char* what;
    std::function<void()> remove;
  };
  const Case cases[] = {
      {"the row deleted", [&] { list.DeleteItem(1); }},
      {"every row deleted", [&] { list.DeleteAllItems(); }},
      {"the list reset", [&] { list.Reset(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    list.Reset();
    Fill(3);
    list.SetColumnEditor(1, InitEditor, EndEditor, &editor);
    callbacks = CallbackLog();
    UserDoubleClick(1, 1);
    ASSERT_TRUE(list.IsEditing());
    EXPECT_EQ(callbacks.inits, 1);
    EXPECT_EQ(editor.GetWindowText(), CString(L"from init")) << "an init callback fills the editor itself";
    ASSERT_NO_FATAL_FAILURE(UserTypes(QStringLiteral("99")));
    c.remove();
    std::vector<CString> before = Column(1);
    QTest::keyClick(editor.GetWidget(), Qt::Key_Return);
    EXPECT_FALSE(list.IsEditing());
    EXPECT_EQ(callbacks.ends, 1);
    EXPECT_EQ(callbacks.lastRow, -1) << "the end callback hears that the row is gone";
    EXPECT_EQ(callbacks.lastAccept, FALSE);
    EXPECT_EQ(Column(1), before) << "no other row received the text";
  }
}

TEST_F(ListCtrlExTest, AnEditorDestroyedDuringTheEditEndsItUnwritten) {
  Fill(3);
  CEdit* doomed = new CEdit;
  ASSERT_TRUE(doomed->Create(WS_CHILD | WS_BORDER, CRect(0, 0, 10, 10), &host, 2005));
  list.SetColumnEditor(1, doomed);
  UserDoubleClick(1, 1);
  ASSERT_TRUE(list.IsEditing());
  doomed->SetWindowText(L"lost");
  doomed->DestroyWindow();
  delete doomed;
  list.SetColumnEditor(1, &editor);
  QTest::mouseClick(Viewport(), Qt::LeftButton, Qt::NoModifier, CellCenter(2, 0));
  EXPECT_FALSE(list.IsEditing());
  EXPECT_EQ(list.GetItemText(1, 1), CString(L"10"));
  UserDoubleClick(1, 1);
  ASSERT_TRUE(list.IsEditing()) << "the next edit starts as usual";
  ASSERT_NO_FATAL_FAILURE(UserTypes(QStringLiteral("11")));
  QTest::keyClick(editor.GetWidget(), Qt::Key_Return);
  EXPECT_EQ(list.GetItemText(1, 1), CString(L"11"));
}

TEST_F(ListCtrlExTest, ADoubleClickWithoutAnEditorReachesTheParent) {
  Fill(3);
  UserDoubleClick(1, 1);
  EXPECT_FALSE(list.IsEditing());
  EXPECT_EQ(host.doubleClicks, 1);
}

TEST_F(ListCtrlExTest, TheEndCallbackDecidesAndMayAskForANewSort) {
  Fill(4);
  list.SetColumnSort(1, CListCtrlEx::SortAscending, CListCtrlEx::CompareInteger);
  list.SetColumnEditor(1, nullptr, EndEditor, &editor);
  struct Case {
    const char* what;
    int answer;
    const wchar_t* replace;
    std::vector<CString> values;
  };
  const Case cases[] = {
      {"refused", 0, L"", {L"0", L"10", L"20", L"30"}},
      {"kept as typed", TRUE, L"", {L"0", L"15", L"20", L"30"}},
      {"changed by the callback", TRUE, L"17", {L"0", L"17", L"20", L"30"}},
      {"kept and sorted again", -1, L"25", {L"0", L"20", L"25", L"30"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    callbacks = CallbackLog();
    callbacks.answer = c.answer;
    callbacks.replaceText = c.replace;
    UserDoubleClick(1, 1);
    ASSERT_TRUE(list.IsEditing());
    ASSERT_NO_FATAL_FAILURE(UserTypes(QStringLiteral("15")));
    QTest::keyClick(editor.GetWidget(), Qt::Key_Return);
    EXPECT_EQ(callbacks.lastAccept, TRUE);
    EXPECT_EQ(Column(1), c.values);
    for (int i = 0; i < 4; ++i) {
      list.SetItemText(i, 1, std::to_wstring(i * 10).c_str());
      list.SetItemText(i, 0, (L"r" + std::to_wstring(i)).c_str());
    }
  }
}

TEST_F(ListCtrlExTest, TabMovesTheEditorToTheNextEditableCell) {
  Fill(2);
  list.SetDefaultEditor(&editor);
  list.SetColumnReadOnly(1, TRUE);
  auto cell = [&] { return std::make_pair(list.GetEditRow(), list.GetEditColumn()); };
  auto press = [&](Qt::KeyboardModifiers mods) {
    QWidget* target = list.IsEditing() ? editor.GetWidget() : list.GetWidget();
    QTest::keyClick(target, Qt::Key_Tab, mods);
  };
  ASSERT_TRUE(list.EditCell(0, 0));
  const std::pair<int, int> forward[] = {{0, 2}, {1, 0}, {1, 2}};
  for (const auto& expected : forward) {
    press(Qt::NoModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return cell() == expected; }))
        << "expected " << expected.first << "," << expected.second;
  }
  // Past the last cell: no editor, and the next Tab starts over.
  press(Qt::NoModifier);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !list.IsEditing(); }));
  list.SetFocus();
  press(Qt::NoModifier);
  ASSERT_TRUE(QTest::qWaitFor([&] { return cell() == std::make_pair(0, 0); }));
  // Shift+Tab goes back, skipping the read-only column.
  list.EndEdit(TRUE);
  ASSERT_TRUE(list.EditCell(1, 2));
  press(Qt::ShiftModifier);
  ASSERT_TRUE(QTest::qWaitFor([&] { return cell() == std::make_pair(1, 0); }));
  press(Qt::ShiftModifier);
  ASSERT_TRUE(QTest::qWaitFor([&] { return cell() == std::make_pair(0, 2); }));
}

TEST_F(ListCtrlExTest, AnOpenDropDownKeepsItsEditorButTheScrollBarEndsIt) {
  Fill(30);
  CComboBox combo;
  ASSERT_TRUE(combo.Create(WS_CHILD | CBS_DROPDOWNLIST, CRect(0, 0, 80, 120), &host, 2003));
  combo.AddString(L"alpha");
  combo.AddString(L"beta");
  list.SetColumnEditor(2, nullptr, nullptr, &combo);
  UserDoubleClick(0, 2);
  ASSERT_TRUE(list.IsEditing());
  combo.ShowDropDown(TRUE);
  ASSERT_TRUE(QTest::qWaitFor([&] { return combo.GetDroppedState() != FALSE; }));
  QAbstractItemView* view = qobject_cast<QComboBox*>(combo.GetWidget())->view();
  QRect betaRect = view->visualRect(view->model()->index(1, 0));
  QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, betaRect.center());
  EXPECT_TRUE(list.IsEditing()) << "a choice in the drop-down is part of the edit";
  ASSERT_TRUE(QTest::qWaitFor([&] { return combo.GetDroppedState() == FALSE; }));
  QScrollBar* bar = qobject_cast<QAbstractScrollArea*>(list.GetWidget())->verticalScrollBar();
  ASSERT_TRUE(bar->isVisible());
  QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, QPoint(bar->width() / 2, bar->height() - 5));
  EXPECT_FALSE(list.IsEditing());
  EXPECT_EQ(list.GetItemText(0, 2), CString(L"beta"));
}

TEST_F(ListCtrlExTest, FocusMovingInsideAnEditorKeepsTheEdit) {
  Fill(2);
  CWnd panel;
  ASSERT_TRUE(panel.CreateEx(0, nullptr, L"", WS_CHILD, CRect(0, 0, 120, 24), &host, 2004));
  CEdit first, second;
  ASSERT_TRUE(first.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 60, 24), &panel, 1));
  ASSERT_TRUE(second.Create(WS_CHILD | WS_VISIBLE, CRect(60, 0, 120, 24), &panel, 2));
  list.SetColumnEditor(0, &panel);
  ASSERT_TRUE(list.EditCell(1, 0));
  first.SetFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return first.GetWidget()->hasFocus(); }));
  second.SetFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return second.GetWidget()->hasFocus(); }));
  EXPECT_TRUE(list.IsEditing());
  other.SetFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !list.IsEditing(); }));
}

TEST_F(ListCtrlExTest, EnterInAnEditorDoesNotReachTheDialog) {
  // A plain parent cannot tell; a dialog would take Enter as its default button. The list keeps
  // Enter and Escape from its editors (above) and lets them through from elsewhere.
  Fill(2);
  list.SetDefaultEditor(&editor);
  ASSERT_TRUE(list.EditCell(0, 0));
  MSG msg{};
  msg.hwnd = editor.m_hWnd;
  msg.message = WM_KEYDOWN;
  msg.wParam = VK_RETURN;
  EXPECT_TRUE(list.PreTranslateMessage(&msg));
  msg.wParam = VK_ESCAPE;
  EXPECT_TRUE(list.PreTranslateMessage(&msg));
  msg.hwnd = other.m_hWnd;
  EXPECT_FALSE(list.PreTranslateMessage(&msg)) << "not from the list";
  msg.hwnd = list.m_hWnd;
  EXPECT_FALSE(list.PreTranslateMessage(&msg)) << "the list itself";
}

TEST_F(ListCtrlExTest, TheDeleteKeyDeletesSelectedRowsOnlyWhenEnabled) {
  Fill(3);
  list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
  MSG msg{};
  msg.hwnd = list.m_hWnd;
  msg.message = WM_KEYDOWN;
  msg.wParam = VK_DELETE;
  EXPECT_FALSE(list.PreTranslateMessage(&msg));
  EXPECT_EQ(list.GetItemCount(), 3);
  list.EnableDeleteKey(TRUE);
  EXPECT_TRUE(list.PreTranslateMessage(&msg));
  EXPECT_EQ(Column(0), (std::vector<CString>{L"r0", L"r2"}));
}

// ---- colours ---------------------------------------------------------------------------------

TEST_F(ListCtrlExTest, CellRowAndColumnColoursInThatOrder) {
  Fill(2);
  const COLORREF kUnset = static_cast<COLORREF>(-1);
  const COLORREF defaultBack = list.GetTextBkColor();
  const COLORREF defaultText = list.GetTextColor();
  struct Case {
    const char* what;
    std::function<void()> set;
    COLORREF back;
    COLORREF text;
    bool own;  // the list answers itself (the parent does not hear of it)
  };
  const Case cases[] = {
      {"nothing set", [] {}, defaultBack, defaultText, false},
      {"column colours", [&] { list.SetColumnColors(1, RGB(1, 1, 1), RGB(2, 2, 2)); }, RGB(1, 1, 1), RGB(2, 2, 2), true},
      {"row beats column", [&] { list.SetRowColors(1, RGB(3, 3, 3), kUnset); }, RGB(3, 3, 3), defaultText, true},
      {"cell beats row", [&] { list.SetCellColors(1, 1, kUnset, RGB(4, 4, 4)); }, defaultBack, RGB(4, 4, 4), true},
      {"a cell without colours falls back to its row", [&] { list.SetCellColors(1, 1, kUnset, kUnset); }, RGB(3, 3, 3),
       defaultText, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.set();
    NMLVCUSTOMDRAW cd{};
    cd.nmcd.hdr.hwndFrom = list.m_hWnd;
    cd.nmcd.hdr.idFrom = kListId;
    cd.nmcd.hdr.code = NM_CUSTOMDRAW;
    cd.nmcd.dwDrawStage = CDDS_ITEMPREPAINT | CDDS_SUBITEM;
    cd.nmcd.dwItemSpec = 1;
    cd.iSubItem = 1;
    // Left over from the cell before, as the list carries colours from cell to cell.
    cd.clrText = RGB(9, 9, 9);
    cd.clrTextBk = RGB(8, 8, 8);
    int heard = host.customDraws;
    LRESULT r = host.SendMessage(WM_NOTIFY, kListId, reinterpret_cast<LPARAM>(&cd));
    EXPECT_EQ(cd.clrTextBk, c.back);
    EXPECT_EQ(cd.clrText, c.text);
    EXPECT_EQ(r, c.own ? CDRF_NEWFONT : CDRF_DODEFAULT);
    EXPECT_EQ(host.customDraws - heard, c.own ? 0 : 1);
  }
  NMLVCUSTOMDRAW pre{};
  pre.nmcd.hdr.hwndFrom = list.m_hWnd;
  pre.nmcd.hdr.idFrom = kListId;
  pre.nmcd.hdr.code = NM_CUSTOMDRAW;
  for (DWORD stage : {CDDS_PREPAINT, CDDS_ITEMPREPAINT}) {
    pre.nmcd.dwDrawStage = stage;
    EXPECT_EQ(host.SendMessage(WM_NOTIFY, kListId, reinterpret_cast<LPARAM>(&pre)), CDRF_NOTIFYSUBITEMDRAW);
  }
  EXPECT_FALSE(list.SetRowColors(7, 0, 0));
  EXPECT_FALSE(list.SetCellColors(0, 9, 0, 0));
}

TEST_F(ListCtrlExTest, AColouredCellIsPaintedInItsColour) {
  Fill(2);
  list.SetCellColors(1, 1, RGB(200, 30, 30), RGB(255, 255, 255));
  QImage image = list.GetWidget()->grab().toImage();
  CRect cell;
  ASSERT_TRUE(list.GetSubItemRect(1, 1, LVIR_BOUNDS, cell));
  EXPECT_EQ(image.pixel(cell.right - 3, cell.top + 2) & 0xFFFFFFu, 0xC81E1Eu);
  CRect plain;
  ASSERT_TRUE(list.GetSubItemRect(1, 2, LVIR_BOUNDS, plain));
  EXPECT_NE(image.pixel(plain.right - 3, plain.top + 2) & 0xFFFFFFu, 0xC81E1Eu) << "the next cell is not coloured";
}

// ---- sorting ---------------------------------------------------------------------------------

TEST_F(ListCtrlExTest, TextsCompareByKind) {
  struct Case {
    int kind;
    const wchar_t* a;
    const wchar_t* b;
    int result;
  };
  const Case cases[] = {
      {CListCtrlEx::CompareNone, L"b", L"a", 0},
      {CListCtrlEx::CompareInteger, L"3000000000", L"-5", 1},
      {CListCtrlEx::CompareInteger, L"-5", L"3000000000", -1},
      {CListCtrlEx::CompareInteger, L"-2147483648", L"2147483647", -1},
      {CListCtrlEx::CompareInteger, L"7", L"007", 0},
      {CListCtrlEx::CompareFloat, L"0.5", L"0.2", 1},
      {CListCtrlEx::CompareFloat, L"0.2", L"0.5", -1},
      {CListCtrlEx::CompareFloat, L"1e300", L"-1e300", 1},
      {CListCtrlEx::CompareFloat, L"2.5", L"2.50", 0},
      {CListCtrlEx::CompareText, L"a", L"B", 1},
      {CListCtrlEx::CompareText, L"abc", L"abd", -1},
      {42, L"a", L"B", 1},
      {CListCtrlEx::CompareIntegerOrText, L"10", L"9", 1},
      {CListCtrlEx::CompareIntegerOrText, L"010", L"9", -1},
      {CListCtrlEx::CompareIntegerOrText, L"0", L"9", -1},
      {CListCtrlEx::CompareIntegerOrText, L"x", L"X", 1},
      {CListCtrlEx::CompareTextNoCase, L"a", L"B", -1},
      {CListCtrlEx::CompareTextNoCase, L"abc", L"ABC", 0},
      {CListCtrlEx::CompareIntegerOrTextNoCase, L"x", L"X", 0},
      {CListCtrlEx::CompareIntegerOrTextNoCase, L"100", L"20", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << c.kind << ": " << CString(c.a).q().toStdString() << " vs "
                                    << CString(c.b).q().toStdString());
    EXPECT_EQ(CListCtrlEx::CompareTexts(c.kind, c.a, c.b), c.result);
  }
}

TEST_F(ListCtrlExTest, DatesCompareAsTheUsersLocaleWritesThem) {
  struct Case {
    const char* locale;
    const wchar_t* a;
    const wchar_t* b;
    int result;
  };
  const Case cases[] = {
      {"en_US", L"1/2/2024", L"2/1/2024", -1},
      {"en_US", L"12/31/2023", L"1/1/2024", -1},
      {"en_GB", L"01/02/2024", L"02/01/2024", 1},
      {"de_DE", L"1.2.2024", L"2.1.2024", 1},
      {"de_DE", L"31.12.2023 10:00", L"31.12.2023 09:59:59", 1},
      {"de_DE", L"31.12.2023", L"31.12.2023 00:00", 0},
      {"de_DE", L"2024-05-31", L"2024-06-01", -1},
      {"en_US", L"2024-01-01", L"2024-01-01 00:00:00", 0},
      {"en_US", L"not a date", L"2024-01-01", -1},
      {"en_US", L"2024-13-01", L"garbage", 0},
  };
  const QLocale before;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.locale << ": " << CString(c.a).q().toStdString() << " vs "
                                    << CString(c.b).q().toStdString());
    QLocale::setDefault(QLocale(QString::fromLatin1(c.locale)));
    EXPECT_EQ(CListCtrlEx::CompareTexts(CListCtrlEx::CompareDate, c.a, c.b), c.result);
  }
  QLocale::setDefault(before);
}

TEST_F(ListCtrlExTest, ColumnSortsAreStableAndFollowTheirFlags) {
  Fill(0);
  const wchar_t* values[] = {L"3000000000", L"-5", L"7", L"-5", L"3000000000", L"7"};
  for (int i = 0; i < 6; ++i) {
    ASSERT_EQ(list.InsertItem(i, (L"r" + std::to_wstring(i)).c_str()), i);
    list.SetItemText(i, 1, values[i]);
  }
  EXPECT_FALSE(list.SetColumnSort(1, 0, CListCtrlEx::CompareInteger)) << "no sort bit, no sort";
  list.SortOnColumn(1, TRUE);
  EXPECT_EQ(Column(0), (std::vector<CString>{L"r0", L"r1", L"r2", L"r3", L"r4", L"r5"}));
  EXPECT_EQ(list.GetSortColumn(), -1);

  ASSERT_TRUE(list.SetColumnSort(1, CListCtrlEx::SortToggle, CListCtrlEx::CompareInteger));
  struct Step {
    std::vector<CString> order;
    int arrow;
  };
  const Step steps[] = {
      {{L"r1", L"r3", L"r2", L"r5", L"r0", L"r4"}, HDF_SORTUP},    // the first click sorts ascending
      {{L"r0", L"r4", L"r2", L"r5", L"r1", L"r3"}, HDF_SORTDOWN},  // equal rows keep their order
      {{L"r1", L"r3", L"r2", L"r5", L"r0", L"r4"}, HDF_SORTUP},
  };
  for (const Step& s : steps) {
    list.SortOnColumn(1, TRUE);
    EXPECT_EQ(Column(0), s.order);
    HDITEM item{};
    item.mask = HDI_FORMAT;
    ASSERT_TRUE(list.GetHeaderCtrl()->GetItem(1, &item));
    EXPECT_EQ(item.fmt & (HDF_SORTUP | HDF_SORTDOWN), s.arrow);
  }
  // Another column takes the arrow away from the first.
  ASSERT_TRUE(list.SetColumnSort(0, CListCtrlEx::SortDescending, CListCtrlEx::CompareText));
  list.SortOnColumn(0, TRUE);
  EXPECT_EQ(Column(0), (std::vector<CString>{L"r5", L"r4", L"r3", L"r2", L"r1", L"r0"}));
  HDITEM first{};
  first.mask = HDI_FORMAT;
  ASSERT_TRUE(list.GetHeaderCtrl()->GetItem(1, &first));
  EXPECT_EQ(first.fmt & (HDF_SORTUP | HDF_SORTDOWN), 0);
}

TEST_F(ListCtrlExTest, AClickOnAColumnTitleSortsIt) {
  Fill(3);
  list.SetItemText(0, 1, L"30");
  list.SetItemText(2, 1, L"5");
  ASSERT_TRUE(list.SetColumnSort(1, CListCtrlEx::SortAscending, CListCtrlEx::CompareInteger));
  CHeaderCtrl* header = list.GetHeaderCtrl();
  CRect title;
  ASSERT_TRUE(header->GetItemRect(1, &title));
  QWidget* titles = qobject_cast<QAbstractScrollArea*>(header->GetWidget())->viewport();
  QTest::mouseClick(titles, Qt::LeftButton, Qt::NoModifier, QPoint(title.CenterPoint().x, title.CenterPoint().y));
  EXPECT_EQ(Column(1), (std::vector<CString>{L"5", L"10", L"30"}));
  EXPECT_EQ(host.columnClicks, 0) << "the list keeps its column clicks";
}

// Compares row values as numbers (by sign, whatever their size).
int CALLBACK ByValue(LPARAM a, LPARAM b, LPARAM) {
  const long long x = static_cast<long long>(static_cast<DWORD_PTR>(a));
  const long long y = static_cast<long long>(static_cast<DWORD_PTR>(b));
  return x < y ? -1 : (x > y ? 1 : 0);
}
// A careless comparison: the difference, whose sign is wrong for values far apart.
int CALLBACK ByDifference(LPARAM a, LPARAM b, LPARAM) { return static_cast<int>(a - b); }

TEST_F(ListCtrlExTest, SortWithOrdersByTheCallersFunctionOnRowValues) {
  Fill(5);
  const DWORD_PTR values[] = {4000000000u, 5, 4000000000u, 1, 5};
  for (int i = 0; i < 5; ++i) list.SetItemData(i, values[i]);
  list.SetDefaultEditor(&editor);
  ASSERT_TRUE(list.EditCell(2, 2));
  EXPECT_TRUE(list.SortWith(ByValue, 1));
  EXPECT_EQ(Column(0), (std::vector<CString>{L"r3", L"r1", L"r4", L"r0", L"r2"}));
  EXPECT_TRUE(list.IsEditing()) << "the edited row keeps its editor";
  EXPECT_EQ(list.GetEditRow(), 4) << "and the editor follows it";
  EXPECT_FALSE(list.SortWith(nullptr, 0));
  list.EndEdit(FALSE);
  // Whatever the function answers, a sign is all that counts (no overflow of the result).
  EXPECT_TRUE(list.SortWith(ByDifference, 1));
  EXPECT_EQ(list.GetItemCount(), 5);
}

}  // namespace

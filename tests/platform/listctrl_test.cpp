// The list view in report mode, its header and image lists: contents, sorting, selection by the
// user and by the program, drags, hit tests, owner and custom drawing.
#include <gtest/gtest.h>

#include <QAbstractScrollArea>
#include <QImage>
#include <QKeyEvent>
#include <QPixmap>
#include <QTest>
#include <algorithm>
#include <memory>
#include <random>
#include <set>
#include <string>

#include "notify_sink.h"
#include "platform/gdi.h"
#include "platform/imagelist.h"
#include "platform/listctrl.h"
#include "test_main_env.h"

namespace {

using testsupport::Click;
using testsupport::Notice;
using testsupport::NotifySink;
using testsupport::SendMouse;

constexpr UINT kListId = 1045;

QWidget* Viewport(CListCtrl& list) { return qobject_cast<QAbstractScrollArea*>(list.GetWidget())->viewport(); }

QPoint InViewport(CListCtrl& list, CPoint client) {
  return Viewport(list)->mapFrom(list.GetWidget(), QPoint(client.x, client.y));
}

CPoint LabelCenter(CListCtrl& list, int item) {
  CRect r;
  EXPECT_TRUE(list.GetItemRect(item, &r, LVIR_LABEL));
  return r.CenterPoint();
}

std::vector<int> Selected(CListCtrl& list) {
  std::vector<int> out;
  POSITION pos = list.GetFirstSelectedItemPosition();
  while (pos != nullptr) out.push_back(list.GetNextSelectedItem(pos));
  return out;
}

class ListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(platform::test::EnsureApplication(), nullptr);
    ASSERT_TRUE(parent.Make());
    ASSERT_TRUE(Make(list, LVS_REPORT | LVS_SHOWSELALWAYS));
  }
  void TearDown() override {
    list.DestroyWindow();
    parent.DestroyWindow();
  }
  BOOL Make(CListCtrl& l, DWORD style, UINT id = kListId) {
    return l.Create(WS_CHILD | WS_VISIBLE | WS_BORDER | style, CRect(10, 10, 330, 250), &parent, id);
  }
  // Three columns and `rows` items "r<i>" with sub-items "r<i>c1", "r<i>c2" and item data 100 + i.
  void Fill(int rows) {
    list.InsertColumn(0, L"Name", LVCFMT_LEFT, 100);
    list.InsertColumn(1, L"One", LVCFMT_CENTER, 80);
    list.InsertColumn(2, L"Two", LVCFMT_RIGHT, 80);
    for (int i = 0; i < rows; ++i) {
      CString name;
      name.Format(L"r%d", i);
      ASSERT_EQ(list.InsertItem(i, name), i);
      list.SetItemText(i, 1, name + L"c1");
      list.SetItemText(i, 2, name + L"c2");
      list.SetItemData(i, static_cast<DWORD_PTR>(100 + i));
    }
  }

  NotifySink parent;
  CListCtrl list;
};

// ---- contents ----------------------------------------------------------------------------------

TEST_F(ListTest, ColumnsRoundTripThroughListAndHeader) {
  struct Case {
    int insertAt;
    const wchar_t* title;
    int fmt;
    int width;
    int expectIndex;
  };
  const Case cases[] = {
      {0, L"Device", LVCFMT_LEFT, 120, 0},
      {1, L"Buyer", LVCFMT_CENTER, 90, 1},
      {7, L"Ver.", LVCFMT_RIGHT, 60, 2},   // past the end: appended
      {3, L"", LVCFMT_CENTER, -1, 3},      // no width: 0 pixels
      {-1, L"bad", LVCFMT_LEFT, 10, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "insert at " << c.insertAt);
    EXPECT_EQ(list.InsertColumn(c.insertAt, c.title, c.fmt, c.width), c.expectIndex);
    if (c.expectIndex < 0) continue;
    wchar_t buffer[64] = {};
    LVCOLUMN col{};
    col.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH | LVCF_SUBITEM;
    col.pszText = buffer;
    col.cchTextMax = 64;
    ASSERT_TRUE(list.GetColumn(c.expectIndex, &col));
    EXPECT_EQ(CString(buffer), CString(c.title));
    EXPECT_EQ(col.fmt, c.fmt);
    EXPECT_EQ(col.cx, c.width < 0 ? 0 : c.width);
    EXPECT_EQ(list.GetColumnWidth(c.expectIndex), c.width < 0 ? 0 : c.width);
  }
  CHeaderCtrl* header = list.GetHeaderCtrl();
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(header->GetItemCount(), 4);
  EXPECT_EQ(header->GetDlgCtrlID(), 0);
  wchar_t buffer[64] = {};
  HDITEM hd{};
  hd.mask = HDI_TEXT | HDI_FORMAT | HDI_WIDTH;
  hd.pszText = buffer;
  hd.cchTextMax = 64;
  ASSERT_TRUE(header->GetItem(1, &hd));
  EXPECT_EQ(CString(buffer), CString(L"Buyer"));
  EXPECT_EQ(hd.fmt & HDF_JUSTIFYMASK, HDF_CENTER);
  EXPECT_EQ(hd.cxy, 90);
  // A sort arrow set through the header shows in the format read back; the list keeps its own.
  hd.mask = HDI_FORMAT;
  hd.fmt = HDF_STRING | HDF_CENTER | HDF_SORTUP;
  ASSERT_TRUE(header->SetItem(1, &hd));
  hd.fmt = 0;
  ASSERT_TRUE(header->GetItem(1, &hd));
  EXPECT_EQ(hd.fmt & HDF_SORTUP, HDF_SORTUP);
  CRect r0, r1;
  ASSERT_TRUE(header->GetItemRect(0, &r0));
  ASSERT_TRUE(header->GetItemRect(1, &r1));
  EXPECT_EQ(r0.Width(), 120);
  EXPECT_EQ(r1.left, r0.right);
  EXPECT_FALSE(header->GetItemRect(9, &r1));

  EXPECT_TRUE(list.SetColumnWidth(1, 33));
  EXPECT_EQ(list.GetColumnWidth(1), 33);
  // Absurd widths are cut down rather than overflowing the layout.
  EXPECT_TRUE(list.SetColumnWidth(2, 0x7FFFFFFF));
  EXPECT_EQ(list.GetColumnWidth(2), 100000);
  list.InsertItem(0, L"x");
  EXPECT_FALSE(list.GetWidget()->grab().isNull());
  CRect wide;
  EXPECT_TRUE(list.GetItemRect(0, &wide, LVIR_BOUNDS));
  EXPECT_GT(wide.Width(), 100000);
  list.DeleteAllItems();
  EXPECT_FALSE(list.SetColumnWidth(9, 33));
  EXPECT_FALSE(list.DeleteColumn(9));
  EXPECT_TRUE(list.DeleteColumn(0));
  EXPECT_EQ(header->GetItemCount(), 3);
}

TEST_F(ListTest, ItemsTextsDataAndBadIndices) {
  Fill(3);
  EXPECT_EQ(list.GetItemCount(), 3);
  EXPECT_EQ(list.GetItemText(1, 0), CString(L"r1"));
  EXPECT_EQ(list.GetItemText(1, 2), CString(L"r1c2"));
  EXPECT_EQ(list.GetItemData(2), 102u);

  // Inserting in the middle moves the later items along, with their texts and data.
  EXPECT_EQ(list.InsertItem(LVIF_TEXT | LVIF_PARAM, 1, L"mid", 0, 0, 0, 77), 1);
  EXPECT_EQ(list.GetItemText(2, 1), CString(L"r1c1"));
  EXPECT_EQ(list.GetItemData(1), 77u);
  EXPECT_EQ(list.GetItemData(2), 101u);
  EXPECT_EQ(list.InsertItem(99, L"end"), 4);

  // The LVITEM forms.
  wchar_t buffer[4] = {};
  LVITEM item{};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = 0;
  item.iSubItem = 1;
  item.pszText = buffer;
  item.cchTextMax = 4;
  ASSERT_TRUE(list.GetItem(&item));
  EXPECT_EQ(std::wstring(buffer), L"r0c");  // cut to the buffer, terminated
  EXPECT_EQ(item.lParam, 100);
  wchar_t text[] = L"new";
  item.mask = LVIF_TEXT;
  item.pszText = text;
  ASSERT_TRUE(list.SetItem(&item));
  EXPECT_EQ(list.GetItemText(0, 1), CString(L"new"));
  item.pszText = LPSTR_TEXTCALLBACK;  // never read as text
  ASSERT_TRUE(list.SetItem(&item));
  EXPECT_EQ(list.GetItemText(0, 1), CString());

  wchar_t small[3] = {L'x', L'x', L'x'};
  EXPECT_EQ(list.GetItemText(2, 0, small, 3), 2);
  EXPECT_EQ(std::wstring(small), L"r1");

  // Bad indices fail without a change.
  struct Bad {
    int item;
    int sub;
  };
  const Bad bad[] = {{-1, 0}, {5, 0}, {0, -1}, {0, 3}, {1000, 1}};
  for (const Bad& b : bad) {
    SCOPED_TRACE(testing::Message() << "item " << b.item << " sub " << b.sub);
    EXPECT_FALSE(list.SetItemText(b.item, b.sub, L"x"));
    EXPECT_EQ(list.GetItemText(b.item, b.sub), CString());
    if (b.sub == 0) {
      EXPECT_FALSE(list.SetItemData(b.item, 5));
      EXPECT_EQ(list.GetItemData(b.item), 0u);
      if (b.item != -1) {  // -1 stands for all items
        EXPECT_FALSE(list.SetItemState(b.item, LVIS_SELECTED, LVIS_SELECTED));
      }
      EXPECT_FALSE(list.DeleteItem(b.item));
      CRect r;
      EXPECT_FALSE(list.GetItemRect(b.item, &r, LVIR_BOUNDS));
    }
  }
  EXPECT_EQ(list.InsertItem(-1, L"neg"), -1);
  EXPECT_EQ(list.GetItemCount(), 5);

  EXPECT_TRUE(list.DeleteItem(1));
  EXPECT_EQ(list.GetItemText(1, 0), CString(L"r1"));
  EXPECT_TRUE(list.DeleteAllItems());
  EXPECT_EQ(list.GetItemCount(), 0);
  EXPECT_EQ(list.GetHeaderCtrl()->GetItemCount(), 3);  // columns stay
}

TEST_F(ListTest, SubItemTextsFollowTheirColumns) {
  Fill(2);
  ASSERT_EQ(list.InsertColumn(1, L"New", LVCFMT_LEFT, 40), 1);
  EXPECT_EQ(list.GetItemText(0, 1), CString());
  EXPECT_EQ(list.GetItemText(0, 2), CString(L"r0c1"));
  EXPECT_EQ(list.GetItemText(0, 3), CString(L"r0c2"));
  ASSERT_TRUE(list.DeleteColumn(2));
  EXPECT_EQ(list.GetItemText(1, 2), CString(L"r1c2"));
  EXPECT_EQ(list.GetItemText(1, 0), CString(L"r1"));
}

TEST_F(ListTest, FindItemByDataAndText) {
  Fill(5);
  list.SetItemText(3, 0, L"Alpha");
  list.SetItemText(4, 0, L"alphabet");
  struct Case {
    UINT flags;
    const wchar_t* text;
    LPARAM param;
    int start;
    int expect;
  };
  const Case cases[] = {
      {LVFI_PARAM, nullptr, 102, -1, 2},
      {LVFI_PARAM, nullptr, 102, 2, -1},           // the search starts after nStart
      {LVFI_PARAM | LVFI_WRAP, nullptr, 102, 2, 2},
      {LVFI_PARAM, nullptr, 999, -1, -1},
      {LVFI_STRING, L"ALPHA", 0, -1, 3},           // whole text, any case
      {LVFI_STRING | LVFI_PARTIAL, L"alphab", 0, -1, 4},
      {LVFI_STRING | LVFI_PARTIAL, L"alp", 0, 3, 4},
      {LVFI_STRING, L"r9", 0, -1, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "flags " << c.flags << " start " << c.start);
    LVFINDINFO fi{};
    fi.flags = c.flags;
    fi.psz = c.text;
    fi.lParam = c.param;
    EXPECT_EQ(list.FindItem(&fi, c.start), c.expect);
  }
}

// ---- sorting -----------------------------------------------------------------------------------

int CALLBACK ByDataTens(LPARAM a, LPARAM b, LPARAM descending) {
  int d = static_cast<int>(a / 10) - static_cast<int>(b / 10);
  return descending ? -d : d;
}

TEST_F(ListTest, SortItemsIsStableAndKeepsStatesWithTheirItems) {
  Fill(0);
  // Data tens decide the order; the units tell the original position of equal items.
  const int data[] = {31, 10, 20, 11, 32, 12, 21};
  for (int i = 0; i < 7; ++i) {
    CString name;
    name.Format(L"n%d", data[i]);
    list.InsertItem(i, name);
    list.SetItemData(i, static_cast<DWORD_PTR>(data[i]));
  }
  list.SetItemState(3, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);  // "n11"

  struct Case {
    LPARAM descending;
    std::vector<int> expect;
  };
  const Case cases[] = {
      {0, {10, 11, 12, 20, 21, 31, 32}},
      {1, {31, 32, 20, 21, 10, 11, 12}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "descending " << c.descending);
    ASSERT_TRUE(list.SortItems(ByDataTens, static_cast<DWORD_PTR>(c.descending)));
    std::vector<int> got;
    for (int i = 0; i < list.GetItemCount(); ++i) got.push_back(static_cast<int>(list.GetItemData(i)));
    EXPECT_EQ(got, c.expect);
    int selected = list.GetNextItem(-1, LVNI_SELECTED);
    ASSERT_GE(selected, 0);
    EXPECT_EQ(list.GetItemText(selected, 0), CString(L"n11"));
    EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED), selected);
  }
  EXPECT_EQ(parent.notices.size(), 0u);
  EXPECT_FALSE(list.SortItems(nullptr, 0));
}

int CALLBACK Chaotic(LPARAM, LPARAM, LPARAM seed) {
  static std::mt19937 gen;
  static LPARAM lastSeed = -1;
  if (seed != lastSeed) {
    gen.seed(static_cast<unsigned>(seed));
    lastSeed = seed;
  }
  return static_cast<int>(gen() % 3) - 1;
}

int CALLBACK ByIndexReversed(LPARAM a, LPARAM b, LPARAM) { return static_cast<int>(b - a); }

TEST_F(ListTest, SortItemsSurvivesAnInconsistentCallbackAndSortItemsExGetsIndices) {
  Fill(40);
  for (LPARAM seed = 1; seed <= 5; ++seed) {
    ASSERT_TRUE(list.SortItems(Chaotic, static_cast<DWORD_PTR>(seed)));
    std::set<DWORD_PTR> seen;
    for (int i = 0; i < list.GetItemCount(); ++i) seen.insert(list.GetItemData(i));
    EXPECT_EQ(seen.size(), 40u) << "every item is still there exactly once";
  }
  list.DeleteAllItems();
  Fill(0);
  for (int i = 0; i < 4; ++i) list.InsertItem(i, CString(std::wstring(1, static_cast<wchar_t>(L'a' + i)).c_str()));
  ASSERT_TRUE(list.SortItemsEx(ByIndexReversed, 0));
  EXPECT_EQ(list.GetItemText(0, 0), CString(L"d"));
  EXPECT_EQ(list.GetItemText(3, 0), CString(L"a"));
}

// ---- selection ---------------------------------------------------------------------------------

TEST_F(ListTest, UserClickNotifiesWhileProgramChangesStaySilent) {
  Fill(4);
  list.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
  list.SetItemState(0, LVIS_FOCUSED, LVIS_FOCUSED);
  list.SetSelectionMark(0);
  list.SetCheck(0, TRUE);
  list.EnsureVisible(3, FALSE);
  EXPECT_TRUE(parent.notices.empty());
  EXPECT_EQ(list.GetItemState(0, LVIS_SELECTED | LVIS_FOCUSED), LVIS_SELECTED | LVIS_FOCUSED);

  Click(Viewport(list), InViewport(list, LabelCenter(list, 2)));
  std::vector<UINT> expect = {LVN_ITEMCHANGING, LVN_ITEMCHANGING, LVN_ITEMCHANGED, LVN_ITEMCHANGED, NM_CLICK};
  ASSERT_EQ(parent.Codes(), expect);
  // The item that loses the selection is reported first, so the last change names the new one.
  auto changed = parent.Of(LVN_ITEMCHANGED);
  EXPECT_EQ(changed[0].item, 0);
  EXPECT_EQ(changed[0].oldState & (LVIS_SELECTED | LVIS_FOCUSED), LVIS_SELECTED | LVIS_FOCUSED);
  EXPECT_EQ(changed[0].newState & (LVIS_SELECTED | LVIS_FOCUSED), 0u);
  EXPECT_EQ(changed[1].item, 2);
  EXPECT_EQ(changed[1].oldState & LVIS_SELECTED, 0u);
  EXPECT_EQ(changed[1].newState & (LVIS_SELECTED | LVIS_FOCUSED), LVIS_SELECTED | LVIS_FOCUSED);
  EXPECT_EQ(changed[1].changed, LVIF_STATE);
  Notice click = parent.Of(NM_CLICK)[0];
  EXPECT_EQ(click.item, 2);
  EXPECT_EQ(click.sub, 0);
  EXPECT_EQ(click.id, kListId);
  EXPECT_EQ(list.GetSelectionMark(), 2);
  EXPECT_EQ(Selected(list), std::vector<int>{2});

  // A click below the last item clears the selection and reports item -1.
  parent.notices.clear();
  CRect last;
  list.GetItemRect(3, &last, LVIR_LABEL);
  Click(Viewport(list), InViewport(list, CPoint(last.left + 5, last.bottom + 20)));
  EXPECT_EQ(list.GetSelectedCount(), 0u);
  ASSERT_FALSE(parent.Of(NM_CLICK).empty());
  EXPECT_EQ(parent.Of(NM_CLICK)[0].item, -1);
}

TEST_F(ListTest, ItemChangingCanRefuseAChange) {
  Fill(3);
  parent.responder = [](NMHDR* h) -> LRESULT {
    if (h->code != LVN_ITEMCHANGING) return 0;
    return reinterpret_cast<NMLISTVIEW*>(h)->iItem == 1 ? TRUE : FALSE;
  };
  Click(Viewport(list), InViewport(list, LabelCenter(list, 1)));
  EXPECT_EQ(list.GetSelectedCount(), 0u);
  EXPECT_TRUE(parent.Of(LVN_ITEMCHANGED).empty());
  Click(Viewport(list), InViewport(list, LabelCenter(list, 2)));
  EXPECT_EQ(Selected(list), std::vector<int>{2});
}

TEST_F(ListTest, ModifierClicksBuildSelections) {
  Fill(6);
  struct Step {
    int item;
    Qt::KeyboardModifiers mods;
  };
  struct Case {
    const char* name;
    DWORD style;
    std::vector<Step> steps;
    std::vector<int> expect;
  };
  const Case cases[] = {
      {"plain", 0, {{1, Qt::NoModifier}, {4, Qt::NoModifier}}, {4}},
      {"ctrl adds", 0, {{1, Qt::NoModifier}, {3, Qt::ControlModifier}, {5, Qt::ControlModifier}}, {1, 3, 5}},
      {"ctrl removes", 0, {{1, Qt::NoModifier}, {3, Qt::ControlModifier}, {1, Qt::ControlModifier}}, {3}},
      {"shift range", 0, {{1, Qt::NoModifier}, {4, Qt::ShiftModifier}}, {1, 2, 3, 4}},
      {"shift upwards", 0, {{4, Qt::NoModifier}, {2, Qt::ShiftModifier}}, {2, 3, 4}},
      {"single ignores ctrl", LVS_SINGLESEL, {{1, Qt::NoModifier}, {3, Qt::ControlModifier}}, {3}},
      {"single ignores shift", LVS_SINGLESEL, {{1, Qt::NoModifier}, {4, Qt::ShiftModifier}}, {4}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    list.ModifyStyle(LVS_SINGLESEL, c.style);
    list.SetItemState(-1, 0, LVIS_SELECTED);
    for (const Step& s : c.steps) Click(Viewport(list), InViewport(list, LabelCenter(list, s.item)), s.mods);
    EXPECT_EQ(Selected(list), c.expect);
    EXPECT_EQ(list.GetSelectedCount(), c.expect.size());
    EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED), c.steps.back().item);
  }
}

TEST_F(ListTest, ProgramSelectionAndThePositionWalk) {
  Fill(7);
  EXPECT_EQ(list.GetFirstSelectedItemPosition(), nullptr);
  for (int i : {5, 0, 2}) list.SetItemState(i, LVIS_SELECTED, LVIS_SELECTED);
  EXPECT_EQ(Selected(list), (std::vector<int>{0, 2, 5}));
  EXPECT_EQ(list.GetNextItem(0, LVNI_SELECTED), 2);
  EXPECT_EQ(list.GetNextItem(5, LVNI_SELECTED), -1);
  EXPECT_EQ(list.GetNextItem(2, LVNI_ALL), 3);
  EXPECT_EQ(list.GetNextItem(5, LVNI_SELECTED | LVNI_ABOVE), 2);
  POSITION none = nullptr;
  EXPECT_EQ(list.GetNextSelectedItem(none), -1);

  // One focused item at a time; a single-selection list keeps one selected item.
  list.SetItemState(1, LVIS_FOCUSED, LVIS_FOCUSED);
  list.SetItemState(4, LVIS_FOCUSED, LVIS_FOCUSED);
  EXPECT_EQ(list.GetItemState(1, LVIS_FOCUSED), 0u);
  EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED), 4);
  list.ModifyStyle(0, LVS_SINGLESEL);
  list.SetItemState(6, LVIS_SELECTED, LVIS_SELECTED);
  EXPECT_EQ(Selected(list), std::vector<int>{6});

  // The selection mark follows deletions.
  list.SetSelectionMark(4);
  list.DeleteItem(1);
  EXPECT_EQ(list.GetSelectionMark(), 3);
  list.DeleteItem(3);
  EXPECT_EQ(list.GetSelectionMark(), -1);
  EXPECT_TRUE(parent.notices.empty());
}

TEST_F(ListTest, KeysMoveTheSelectionAndReportTheKeyFirst) {
  Fill(5);
  list.SetItemState(1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  QTest::keyClick(list.GetWidget(), Qt::Key_Down);
  ASSERT_FALSE(parent.notices.empty());
  EXPECT_EQ(parent.notices.front().code, LVN_KEYDOWN);
  EXPECT_EQ(parent.notices.front().key, VK_DOWN);
  EXPECT_EQ(Selected(list), std::vector<int>{2});
  QTest::keyClick(list.GetWidget(), Qt::Key_End, Qt::ShiftModifier);
  EXPECT_EQ(Selected(list), (std::vector<int>{2, 3, 4}));
  QTest::keyClick(list.GetWidget(), Qt::Key_Home);
  EXPECT_EQ(Selected(list), std::vector<int>{0});
  QTest::keyClick(list.GetWidget(), Qt::Key_Up);  // stays on the first item
  EXPECT_EQ(Selected(list), std::vector<int>{0});
  QTest::keyClick(list.GetWidget(), Qt::Key_R);   // type-ahead: the next item starting with "r"
  EXPECT_EQ(Selected(list), std::vector<int>{1});
}

// A handler that changes the list while it is being told about a change must not break it.
TEST_F(ListTest, HandlerThatDeletesItemsDuringNotification) {
  Fill(4);
  parent.responder = [this](NMHDR* h) -> LRESULT {
    if (h->code == LVN_ITEMCHANGED) list.DeleteAllItems();
    return 0;
  };
  Click(Viewport(list), InViewport(list, LabelCenter(list, 1)));
  EXPECT_EQ(list.GetItemCount(), 0);
  Click(Viewport(list), InViewport(list, CPoint(20, 60)));
  EXPECT_EQ(list.GetItemCount(), 0);
}

// ---- check boxes ------------------------------------------------------------------------------

TEST_F(ListTest, CheckBoxesToggleByClickAndBySpace) {
  Fill(3);
  list.SetExtendedStyle(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  EXPECT_EQ(list.GetCheck(0), FALSE);
  list.SetCheck(1, TRUE);
  EXPECT_EQ(list.GetCheck(1), TRUE);
  EXPECT_TRUE(parent.notices.empty());

  CRect bounds;
  list.GetItemRect(0, &bounds, LVIR_BOUNDS);
  LVHITTESTINFO ht{};
  ht.pt = CPoint(bounds.left + 8, bounds.CenterPoint().y);
  ASSERT_EQ(list.HitTest(&ht), 0);
  EXPECT_EQ(ht.flags, LVHT_ONITEMSTATEICON);
  Click(Viewport(list), InViewport(list, CPoint(ht.pt)));
  EXPECT_EQ(list.GetCheck(0), TRUE);
  auto changed = parent.Of(LVN_ITEMCHANGED);
  ASSERT_EQ(changed.size(), 1u);
  EXPECT_EQ(changed[0].item, 0);
  EXPECT_EQ(changed[0].oldState & LVIS_STATEIMAGEMASK, INDEXTOSTATEIMAGEMASK(1));
  EXPECT_EQ(changed[0].newState & LVIS_STATEIMAGEMASK, INDEXTOSTATEIMAGEMASK(2));
  EXPECT_EQ(list.GetSelectedCount(), 0u) << "a check box click leaves the selection alone";

  list.SetItemState(1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  QTest::keyClick(list.GetWidget(), Qt::Key_Space);
  EXPECT_EQ(list.GetCheck(1), FALSE);
}

// ---- geometry ----------------------------------------------------------------------------------

TEST_F(ListTest, RectsAndHitTests) {
  Fill(4);
  CRect rows[4];
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(list.GetItemRect(i, &rows[i], LVIR_BOUNDS));
  CHeaderCtrl* header = list.GetHeaderCtrl();
  CRect headerRect;
  header->GetWindowRect(&headerRect);
  list.ScreenToClient(&headerRect);
  EXPECT_GE(rows[0].top, headerRect.bottom) << "the first row starts below the header";
  for (int i = 1; i < 4; ++i) {
    EXPECT_EQ(rows[i].top, rows[i - 1].bottom);
    EXPECT_EQ(rows[i].Height(), rows[0].Height());
  }
  EXPECT_EQ(rows[0].Width(), 260);  // all three columns
  CRect cell;
  ASSERT_TRUE(list.GetSubItemRect(2, 1, LVIR_BOUNDS, cell));
  EXPECT_EQ(cell.left, rows[2].left + 100);
  EXPECT_EQ(cell.Width(), 80);
  ASSERT_TRUE(list.GetSubItemRect(2, 0, LVIR_BOUNDS, cell));
  EXPECT_EQ(cell, rows[2]) << "sub-item 0 stands for the whole row";
  EXPECT_FALSE(list.GetSubItemRect(2, 3, LVIR_BOUNDS, cell));

  struct Case {
    const char* name;
    DWORD exStyle;
    CPoint pt;
    int expectItem;
    UINT expectFlags;
    int expectSubHit;  // SubItemHitTest's item and sub-item
    int expectSub;
  };
  CPoint inCol1(rows[1].left + 140, rows[1].CenterPoint().y);
  CPoint inCol0(rows[1].left + 30, rows[1].CenterPoint().y);
  CPoint belowAll(rows[1].left + 30, rows[3].bottom + 5);
  CPoint outside(-5, rows[1].CenterPoint().y);
  const Case cases[] = {
      {"label", 0, inCol0, 1, LVHT_ONITEMLABEL, 1, 0},
      {"sub-item without full row", 0, inCol1, -1, LVHT_NOWHERE, 1, 1},
      {"sub-item with full row", LVS_EX_FULLROWSELECT, inCol1, 1, LVHT_ONITEMLABEL, 1, 1},
      {"below the items", 0, belowAll, -1, LVHT_NOWHERE, -1, -1},
      {"left of the list", 0, outside, -1, LVHT_TOLEFT, -1, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    list.SetExtendedStyle(c.exStyle);
    UINT flags = 0;
    EXPECT_EQ(list.HitTest(c.pt, &flags), c.expectItem);
    EXPECT_EQ(flags, c.expectFlags);
    LVHITTESTINFO ht{};
    ht.pt = c.pt;
    EXPECT_EQ(list.SubItemHitTest(&ht), c.expectSubHit);
    EXPECT_EQ(ht.iSubItem, c.expectSub);
  }
  // The same through the message.
  LVHITTESTINFO ht{};
  ht.pt = inCol0;
  EXPECT_EQ(list.SendMessage(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&ht)), 1);
  EXPECT_EQ(list.SendMessage(LVM_GETITEMCOUNT), 4);
}

TEST_F(ListTest, ScrollingMovesTheRows) {
  Fill(60);
  int perPage = list.GetCountPerPage();
  ASSERT_GT(perPage, 2);
  ASSERT_LT(perPage, 60);
  EXPECT_EQ(list.GetTopIndex(), 0);
  ASSERT_TRUE(list.EnsureVisible(40, FALSE));
  int top = list.GetTopIndex();
  EXPECT_LE(top, 40);
  EXPECT_GT(top + perPage, 40);
  CRect r;
  list.GetItemRect(top, &r, LVIR_LABEL);
  EXPECT_EQ(list.HitTest(r.CenterPoint()), top);
  CRect before;
  list.GetItemRect(top, &before, LVIR_BOUNDS);
  list.Scroll(CSize(0, -r.Height() * 3));
  EXPECT_EQ(list.GetTopIndex(), top - 3);
  list.GetItemRect(top, &r, LVIR_BOUNDS);
  EXPECT_EQ(r.top, before.top + 3 * r.Height());
  ASSERT_TRUE(list.EnsureVisible(0, FALSE));
  EXPECT_EQ(list.GetTopIndex(), 0);
  EXPECT_FALSE(list.EnsureVisible(60, FALSE));
}

// ---- drags and other mouse notifications --------------------------------------------------------

TEST_F(ListTest, PressAndMoveBeginsADragInsteadOfAClick) {
  Fill(4);
  QWidget* vp = Viewport(list);
  QPoint start = InViewport(list, LabelCenter(list, 2));
  int far = QApplication::startDragDistance() + 2;
  struct Case {
    const char* name;
    int moveBy;
    bool expectDrag;
  };
  const Case cases[] = {{"short move", 1, false}, {"past the drag distance", far, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    parent.notices.clear();
    SendMouse(vp, QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    SendMouse(vp, QEvent::MouseMove, start + QPoint(c.moveBy, 0), Qt::NoButton, Qt::LeftButton);
    SendMouse(vp, QEvent::MouseButtonRelease, start + QPoint(c.moveBy, 0), Qt::LeftButton, Qt::NoButton);
    auto drags = parent.Of(LVN_BEGINDRAG);
    EXPECT_EQ(drags.size(), c.expectDrag ? 1u : 0u);
    EXPECT_EQ(parent.Of(NM_CLICK).size(), c.expectDrag ? 0u : 1u);
    if (c.expectDrag && !drags.empty()) {
      EXPECT_EQ(drags[0].item, 2);
      EXPECT_EQ(drags[0].pt.x, LabelCenter(list, 2).x);
      EXPECT_EQ(drags[0].pt.y, LabelCenter(list, 2).y);
    }
  }
}

TEST_F(ListTest, DoubleAndRightClicksAndColumnClicks) {
  Fill(3);
  QWidget* vp = Viewport(list);
  QPoint p = InViewport(list, LabelCenter(list, 1));
  SendMouse(vp, QEvent::MouseButtonDblClick, p, Qt::LeftButton, Qt::LeftButton);
  SendMouse(vp, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
  ASSERT_EQ(parent.Of(NM_DBLCLK).size(), 1u);
  EXPECT_EQ(parent.Of(NM_DBLCLK)[0].item, 1);
  EXPECT_TRUE(parent.Of(NM_CLICK).empty()) << "the release after a double click is no click";

  parent.notices.clear();
  Click(vp, InViewport(list, LabelCenter(list, 2)), Qt::NoModifier, Qt::RightButton);
  ASSERT_EQ(parent.Of(NM_RCLICK).size(), 1u);
  EXPECT_EQ(parent.Of(NM_RCLICK)[0].item, 2);
  EXPECT_EQ(Selected(list), std::vector<int>{2}) << "a right click selects the item under it";

  parent.notices.clear();
  CHeaderCtrl* header = list.GetHeaderCtrl();
  ASSERT_NE(header, nullptr);
  CRect col1;
  header->GetItemRect(1, &col1);
  auto* hv = qobject_cast<QAbstractScrollArea*>(header->GetWidget());
  ASSERT_NE(hv, nullptr);
  QTest::mouseClick(hv->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(col1.CenterPoint().x, col1.CenterPoint().y));
  std::vector<UINT> expect = {HDN_ITEMCLICK, LVN_COLUMNCLICK};
  EXPECT_EQ(parent.Codes(), expect);
  ASSERT_EQ(parent.Of(LVN_COLUMNCLICK).size(), 1u);
  EXPECT_EQ(parent.Of(LVN_COLUMNCLICK)[0].sub, 1);
  EXPECT_EQ(parent.Of(LVN_COLUMNCLICK)[0].item, -1);

  parent.notices.clear();
  list.ModifyStyle(0, LVS_NOSORTHEADER);
  list.SetExtendedStyle(list.GetExtendedStyle());  // style bits are read at the next call
  QTest::mouseClick(hv->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(col1.CenterPoint().x, col1.CenterPoint().y));
  EXPECT_TRUE(parent.Of(LVN_COLUMNCLICK).empty());
}

TEST_F(ListTest, HeaderDividerTrackingAndDoubleClick) {
  Fill(3);
  CHeaderCtrl* header = list.GetHeaderCtrl();
  ASSERT_NE(header, nullptr);
  auto* hv = qobject_cast<QAbstractScrollArea*>(header->GetWidget());
  ASSERT_NE(hv, nullptr);
  QWidget* port = hv->viewport();
  CRect col0;
  ASSERT_TRUE(header->GetItemRect(0, &col0));
  const QPoint divider(col0.right - 1, col0.CenterPoint().y);
  struct Case {
    const char* name;
    bool veto;
    int expectWidth;
    std::vector<UINT> expectCodes;
  };
  const Case cases[] = {
      {"refused", true, 100, {HDN_BEGINTRACK}},
      {"tracked", false, 130, {HDN_BEGINTRACK, HDN_ENDTRACK}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    parent.notices.clear();
    parent.responder = [&c](NMHDR* h) -> LRESULT { return c.veto && h->code == HDN_BEGINTRACK ? TRUE : FALSE; };
    SendMouse(port, QEvent::MouseButtonPress, divider, Qt::LeftButton, Qt::LeftButton);
    SendMouse(port, QEvent::MouseMove, divider + QPoint(30, 0), Qt::NoButton, Qt::LeftButton);
    SendMouse(port, QEvent::MouseButtonRelease, divider + QPoint(30, 0), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(list.GetColumnWidth(0), c.expectWidth);
    EXPECT_EQ(parent.Codes(), c.expectCodes);
    for (const Notice& n : parent.notices) EXPECT_EQ(n.item, 0);
  }
  parent.responder = nullptr;
  parent.notices.clear();
  ASSERT_TRUE(header->GetItemRect(0, &col0));
  SendMouse(port, QEvent::MouseButtonDblClick, QPoint(col0.right - 1, col0.CenterPoint().y), Qt::LeftButton,
            Qt::LeftButton);
  ASSERT_EQ(parent.Of(HDN_DIVIDERDBLCLICK).size(), 1u);
  EXPECT_EQ(parent.Of(HDN_DIVIDERDBLCLICK)[0].item, 0);
  EXPECT_LT(list.GetColumnWidth(0), 100) << "the column fits its texts";
  EXPECT_GT(list.GetColumnWidth(0), 0);
}

TEST_F(ListTest, LabelEditing) {
  Fill(3);
  list.ModifyStyle(0, LVS_EDITLABELS);
  struct Case {
    const char* name;
    bool refuseBegin;
    Qt::Key key;
    LRESULT keep;
    const wchar_t* expectText;
    const wchar_t* expectReported;  // the text LVN_ENDLABELEDIT carries (null: cancelled)
  };
  const Case cases[] = {
      {"refused at the start", true, Qt::Key_Return, TRUE, L"r1", nullptr},
      {"accepted", false, Qt::Key_Return, TRUE, L"typed", L"typed"},
      {"parent declines", false, Qt::Key_Return, FALSE, L"r1", L"typed"},
      {"escape", false, Qt::Key_Escape, TRUE, L"r1", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    list.SetItemText(1, 0, L"r1");
    bool ended = false;
    bool reportedNull = false;
    CString reported;
    parent.responder = [&](NMHDR* h) -> LRESULT {
      if (h->code == LVN_BEGINLABELEDIT) return c.refuseBegin ? TRUE : FALSE;
      if (h->code != LVN_ENDLABELEDIT) return 0;
      auto* di = reinterpret_cast<NMLVDISPINFO*>(h);
      ended = true;
      reportedNull = di->item.pszText == nullptr;
      if (di->item.pszText != nullptr) reported = CString(di->item.pszText);
      EXPECT_EQ(di->item.iItem, 1);
      return c.keep;
    };
    CEdit* edit = list.EditLabel(1);
    if (c.refuseBegin) {
      EXPECT_EQ(edit, nullptr);
      EXPECT_EQ(list.GetEditControl(), nullptr);
      continue;
    }
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(list.GetEditControl(), edit);
    EXPECT_EQ(edit->GetWindowText(), CString(L"r1"));
    edit->SetWindowText(L"typed");
    QTest::keyClick(edit->GetWidget(), c.key);
    ASSERT_TRUE(QTest::qWaitFor([&] { return list.GetEditControl() == nullptr; }, 5000));
    EXPECT_TRUE(ended);
    EXPECT_EQ(list.GetItemText(1, 0), CString(c.expectText));
    EXPECT_EQ(reportedNull, c.expectReported == nullptr);
    if (c.expectReported != nullptr) {
      EXPECT_EQ(reported, CString(c.expectReported));
    }
  }
  parent.responder = nullptr;
  EXPECT_EQ(list.EditLabel(7), nullptr);
  // An edit still open when the list goes is cleaned up with it.
  ASSERT_NE(list.EditLabel(0), nullptr);
}

// A list class of the program's kind that looks at the mouse itself before the list does.
class ClickWatchingList : public CListCtrl {
 public:
  bool swallow = false;
  std::vector<CPoint> downs;

 protected:
  void OnLButtonDown(UINT nFlags, CPoint point) {
    downs.push_back(point);
    if (!swallow) CListCtrl::OnLButtonDown(nFlags, point);
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ClickWatchingList, CListCtrl)
  ON_WM_LBUTTONDOWN()
END_MESSAGE_MAP()

TEST_F(ListTest, MouseMessagesReachTheListsOwnHandlersFirst) {
  ClickWatchingList watcher;
  ASSERT_TRUE(Make(watcher, LVS_REPORT | LVS_SHOWSELALWAYS, 1049));
  watcher.InsertColumn(0, L"A", LVCFMT_LEFT, 120);
  for (int i = 0; i < 3; ++i) watcher.InsertItem(i, L"x");
  struct Case {
    bool swallow;
    int item;
    std::vector<int> expectSelected;
  };
  const Case cases[] = {{true, 1, {}}, {false, 2, {2}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.swallow ? "swallowed" : "passed on");
    watcher.swallow = c.swallow;
    watcher.downs.clear();
    parent.notices.clear();
    CPoint at = LabelCenter(watcher, c.item);
    Click(Viewport(watcher), InViewport(watcher, at));
    ASSERT_EQ(watcher.downs.size(), 1u);
    EXPECT_EQ(watcher.downs[0], at) << "in the list's client coordinates";
    EXPECT_EQ(Selected(watcher), c.expectSelected);
    EXPECT_EQ(parent.Of(NM_CLICK).size(), c.swallow ? 0u : 1u);
  }
  watcher.DestroyWindow();
}

// ---- drawing -----------------------------------------------------------------------------------

class OwnerDrawnList : public CListCtrl {
 public:
  struct Drawn {
    UINT type;
    UINT id;
    UINT item;
    UINT state;
    CRect rc;
    ULONG_PTR data;
    bool hasDc;
  };
  std::vector<Drawn> drawn;
  int measured = 0;
  void DrawItem(LPDRAWITEMSTRUCT dis) override {
    drawn.push_back({dis->CtlType, dis->CtlID, dis->itemID, dis->itemState, CRect(dis->rcItem), dis->itemData,
                     CDC::FromHandle(dis->hDC) != nullptr});
    CDC* dc = CDC::FromHandle(dis->hDC);
    if (dc != nullptr) dc->FillSolidRect(&dis->rcItem, RGB(10, 200, 30));
  }
  void MeasureItem(LPMEASUREITEMSTRUCT mis) override {
    ++measured;
    mis->itemHeight = 30;
  }
};

TEST_F(ListTest, OwnerDrawnRowsReachDrawItem) {
  OwnerDrawnList owner;
  ASSERT_TRUE(Make(owner, LVS_REPORT | LVS_OWNERDRAWFIXED | LVS_SHOWSELALWAYS, 1046));
  owner.InsertColumn(0, L"A", LVCFMT_LEFT, 120);
  owner.InsertColumn(1, L"B", LVCFMT_LEFT, 120);
  for (int i = 0; i < 3; ++i) {
    owner.InsertItem(i, L"x");
    owner.SetItemData(i, static_cast<DWORD_PTR>(500 + i));
  }
  owner.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
  QImage shot = owner.GetWidget()->grab().toImage();
  EXPECT_EQ(owner.measured, 1);
  ASSERT_EQ(owner.drawn.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const auto& d = owner.drawn[static_cast<size_t>(i)];
    CRect bounds;
    owner.GetItemRect(i, &bounds, LVIR_BOUNDS);
    EXPECT_EQ(d.type, static_cast<UINT>(ODT_LISTVIEW));
    EXPECT_EQ(d.id, 1046u);
    EXPECT_EQ(d.item, static_cast<UINT>(i));
    EXPECT_EQ((d.state & ODS_SELECTED) != 0, i == 1);
    EXPECT_EQ(d.rc, bounds);
    EXPECT_EQ(d.rc.Height(), 30);
    EXPECT_EQ(d.data, static_cast<ULONG_PTR>(500 + i));
    EXPECT_TRUE(d.hasDc);
    // What DrawItem painted lands at the row, in the list's client coordinates.
    EXPECT_EQ(shot.pixelColor(bounds.left + 5, bounds.CenterPoint().y), QColor(10, 200, 30));
  }
  owner.DestroyWindow();
}

TEST_F(ListTest, CustomDrawColoursItemsAndSubItems) {
  Fill(3);
  // Row 1 gets a yellow background; in row 2 only sub-item 1 is blue, and the next sub-item
  // keeps that colour unless told otherwise (the colours carry over from column to column).
  const COLORREF yellow = RGB(250, 240, 10), blue = RGB(20, 40, 230);
  parent.responder = [&](NMHDR* h) -> LRESULT {
    if (h->code != NM_CUSTOMDRAW) return 0;
    auto* cd = reinterpret_cast<NMLVCUSTOMDRAW*>(h);
    switch (cd->nmcd.dwDrawStage) {
      case CDDS_PREPAINT: return CDRF_NOTIFYITEMDRAW;
      case CDDS_ITEMPREPAINT:
        if (cd->nmcd.dwItemSpec == 1) cd->clrTextBk = yellow;
        return cd->nmcd.dwItemSpec == 2 ? CDRF_NOTIFYSUBITEMDRAW : CDRF_DODEFAULT;
      case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
        if (cd->iSubItem == 1) cd->clrTextBk = blue;
        return CDRF_DODEFAULT;
      default: return CDRF_DODEFAULT;
    }
  };
  QImage shot = list.GetWidget()->grab().toImage();
  EXPECT_GT(parent.customDrawCount, 0);
  auto background = [&](int item, int sub) {
    CRect r;
    list.GetSubItemRect(item, sub, LVIR_BOUNDS, r);
    int x = sub == 0 ? r.left + 99 - 3 : r.right - 3;  // clear of the text
    return shot.pixelColor(x, r.top + 2);
  };
  QColor window = platform::QColorFromColorRef(GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(background(0, 1), window);
  EXPECT_EQ(background(1, 0), platform::QColorFromColorRef(yellow));
  EXPECT_EQ(background(1, 2), platform::QColorFromColorRef(yellow));
  EXPECT_EQ(background(2, 0), window);
  EXPECT_EQ(background(2, 1), platform::QColorFromColorRef(blue));
  EXPECT_EQ(background(2, 2), platform::QColorFromColorRef(blue));
}

// ---- window classes and subclassing --------------------------------------------------------------

// The list's own header object loses its handle when another object subclasses the header; it
// must still be freed with the list (the sanitizer tree reports the leak otherwise).
TEST_F(ListTest, ASubclassedHeaderLeavesNothingBehindWhenTheListGoes) {
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round == 0 ? "destroyed by the list" : "destroyed with its parent");
    auto holder = std::make_unique<CWnd>();
    ASSERT_TRUE(holder->CreateEx(0, nullptr, L"holder", WS_POPUP, CRect(0, 0, 200, 100), &parent, 0));
    CListCtrl list;
    ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, CRect(0, 0, 200, 100), holder.get(), 1049));
    list.InsertColumn(0, L"A", LVCFMT_LEFT, 50);
    CHeaderCtrl header;
    ASSERT_TRUE(header.SubclassWindow(list.GetHeaderCtrl()->GetSafeHwnd()));
    list.InsertColumn(1, L"B", LVCFMT_LEFT, 50);
    EXPECT_EQ(header.GetItemCount(), 2);
    if (round == 0) list.DestroyWindow();
    holder->DestroyWindow();
    EXPECT_FALSE(::IsWindow(header.GetSafeHwnd()));
  }
}

TEST_F(ListTest, AControlObjectTakingOverTheWindowFindsItsState) {
  // A window made by class name, as a dialog template makes it, then taken over twice.
  CWnd plain;
  ASSERT_TRUE(plain.Create(L"SysListView32", nullptr, WS_CHILD | WS_VISIBLE | LVS_REPORT, CRect(0, 0, 200, 100), &parent,
                           1047));
  CListCtrl first;
  ASSERT_TRUE(first.SubclassWindow(plain.m_hWnd));
  first.InsertColumn(0, L"A", LVCFMT_LEFT, 50);
  first.InsertItem(0, L"kept");
  first.SetItemData(0, 42);
  first.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  first.SetTextBkColor(RGB(1, 2, 3));
  first.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
  HWND h = first.UnsubclassWindow();
  CListCtrl member;
  ASSERT_TRUE(member.SubclassWindow(h));
  EXPECT_EQ(member.GetItemText(0, 0), CString(L"kept"));
  EXPECT_EQ(member.GetItemData(0), 42u);
  EXPECT_EQ(member.GetExtendedStyle(), LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  EXPECT_EQ(member.GetTextBkColor(), RGB(1, 2, 3));
  EXPECT_EQ(member.GetSelectedCount(), 1u);
  EXPECT_EQ(member.GetHeaderCtrl()->GetItemCount(), 1);
  member.DestroyWindow();

  // A header control of its own.
  CHeaderCtrl header;
  ASSERT_TRUE(header.Create(WS_CHILD | WS_VISIBLE | HDS_BUTTONS, CRect(0, 0, 200, 20), &parent, 1048));
  HDITEM hd{};
  wchar_t title[] = L"Col";
  hd.mask = HDI_TEXT | HDI_WIDTH | HDI_LPARAM;
  hd.pszText = title;
  hd.cxy = 70;
  hd.lParam = 9;
  EXPECT_EQ(header.InsertItem(0, &hd), 0);
  EXPECT_EQ(header.InsertItem(5, &hd), 1);
  EXPECT_EQ(header.GetItemCount(), 2);
  HDITEM back{};
  wchar_t buffer[16] = {};
  back.mask = HDI_TEXT | HDI_WIDTH | HDI_LPARAM | HDI_ORDER;
  back.pszText = buffer;
  back.cchTextMax = 16;
  ASSERT_TRUE(header.GetItem(1, &back));
  EXPECT_EQ(std::wstring(buffer), L"Col");
  EXPECT_EQ(back.cxy, 70);
  EXPECT_EQ(back.lParam, 9);
  EXPECT_EQ(back.iOrder, 1);
  int order[2] = {1, 0};
  ASSERT_TRUE(header.SetOrderArray(2, order));
  EXPECT_EQ(header.OrderToIndex(0), 1);
  int bad[2] = {1, 1};
  EXPECT_FALSE(header.SetOrderArray(2, bad));
  HDHITTESTINFO ht{};
  ht.pt = POINT{35, 10};
  EXPECT_EQ(header.HitTest(&ht), 1);
  EXPECT_EQ(ht.flags, HHT_ONHEADER);
  EXPECT_TRUE(header.DeleteItem(0));
  EXPECT_FALSE(header.DeleteItem(4));
  header.DestroyWindow();
}

TEST(ListWithoutWindow, CallsFailSafely) {
  CListCtrl list;
  EXPECT_EQ(list.InsertColumn(0, L"A"), -1);
  EXPECT_EQ(list.InsertItem(0, L"A"), -1);
  EXPECT_EQ(list.GetItemCount(), 0);
  EXPECT_EQ(list.GetItemText(0, 0), CString());
  EXPECT_EQ(list.GetFirstSelectedItemPosition(), nullptr);
  EXPECT_EQ(list.GetHeaderCtrl(), nullptr);
  EXPECT_FALSE(list.SortItems(ByDataTens, 0));
  EXPECT_EQ(list.HitTest(CPoint(1, 1)), -1);
  CHeaderCtrl header;
  EXPECT_EQ(header.GetItemCount(), -1);
  EXPECT_EQ(header.InsertItem(0, nullptr), -1);
}

// ---- image lists -------------------------------------------------------------------------------

QImage Strip(int count, int w, int h, COLORREF key) {
  QImage img(count * w, h, QImage::Format_RGB32);
  img.fill(platform::QColorFromColorRef(key));
  for (int k = 0; k < count; ++k) img.setPixelColor(k * w + 1, 1, QColor(10 * (k + 1), 0, 0));
  return img;
}

TEST(ImageList, AddSplitsStripsAndMasksTheKeyColour) {
  ASSERT_NE(platform::test::EnsureApplication(), nullptr);
  const COLORREF magenta = RGB(255, 0, 255);
  struct Case {
    UINT flags;
    int stripCount;
    int expectAdded;
    bool expectTransparent;
  };
  const Case cases[] = {
      {ILC_COLOR32 | ILC_MASK, 3, 3, true},
      {ILC_COLOR32, 2, 2, false},      // no mask: the key colour stays
      {ILC_COLOR32 | ILC_MASK, 1, 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "strip of " << c.stripCount);
    CImageList list;
    ASSERT_TRUE(list.Create(16, 16, c.flags, 4, 4));
    EXPECT_FALSE(list.Create(16, 16, c.flags, 4, 4)) << "a list is made once";
    CBitmap bmp;
    ASSERT_TRUE(bmp.CreateFromImage(Strip(c.stripCount, 16, 16, magenta)));
    EXPECT_EQ(list.Add(&bmp, magenta), 0);
    EXPECT_EQ(list.GetImageCount(), c.expectAdded);
    QImage last = platform::ImageListImage(list.GetSafeHandle(), c.expectAdded - 1);
    ASSERT_FALSE(last.isNull());
    EXPECT_EQ(qAlpha(last.pixel(5, 5)) == 0, c.expectTransparent);
    EXPECT_EQ(qRed(last.pixel(1, 1)), 10 * c.expectAdded);
    IMAGEINFO info{};
    ASSERT_TRUE(list.GetImageInfo(c.expectAdded - 1, &info));
    EXPECT_EQ(CRect(info.rcImage).Width(), 16);
    EXPECT_FALSE(list.GetImageInfo(c.expectAdded, &info));
  }
  // Drawing through a device context: transparent pixels leave the surface as it was.
  CImageList icons;
  ASSERT_TRUE(icons.Create(4, 4, ILC_COLOR32 | ILC_MASK, 1, 1));
  QImage dot(4, 4, QImage::Format_ARGB32);
  dot.fill(Qt::transparent);
  dot.setPixelColor(1, 1, QColor(0, 200, 0));
  ASSERT_EQ(icons.Add(dot), 0);
  CBitmap surface;
  QImage white(10, 10, QImage::Format_RGB32);
  white.fill(Qt::white);
  ASSERT_TRUE(surface.CreateFromImage(white));
  CDC mem;
  ASSERT_TRUE(mem.CreateCompatibleDC(nullptr));
  CBitmap* old = mem.SelectObject(&surface);
  EXPECT_TRUE(icons.Draw(&mem, 0, POINT{3, 3}, ILD_NORMAL));
  EXPECT_FALSE(icons.Draw(&mem, 1, POINT{3, 3}, ILD_NORMAL));
  EXPECT_FALSE(icons.Draw(nullptr, 0, POINT{3, 3}, ILD_NORMAL));
  EXPECT_EQ(mem.GetPixel(4, 4), RGB(0, 200, 0));
  EXPECT_EQ(mem.GetPixel(3, 3), RGB(255, 255, 255));
  mem.SelectObject(old);

  CImageList bad;
  EXPECT_FALSE(bad.Create(0, 16, ILC_COLOR32, 1, 1));
  EXPECT_EQ(bad.Add(static_cast<CBitmap*>(nullptr), RGB(0, 0, 0)), -1);
  EXPECT_EQ(bad.GetImageCount(), 0);
  EXPECT_FALSE(bad.Remove(0));
}

TEST(ImageList, ControlsKeepTheirListAliveAndDrawItAgain) {
  ASSERT_NE(platform::test::EnsureApplication(), nullptr);
  NotifySink parent;
  ASSERT_TRUE(parent.Make());
  CListCtrl list;
  ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, CRect(0, 0, 200, 120), &parent, 1));
  list.InsertColumn(0, L"A", LVCFMT_LEFT, 150);
  list.InsertItem(0, L"item", 0);
  HIMAGELIST handle = nullptr;
  {
    CImageList images;
    ASSERT_TRUE(images.Create(16, 16, ILC_COLOR32 | ILC_MASK, 1, 1));
    QImage red(16, 16, QImage::Format_ARGB32);
    red.fill(QColor(220, 0, 0));
    ASSERT_EQ(images.Add(red), 0);
    EXPECT_EQ(list.SetImageList(&images, LVSIL_SMALL), nullptr);
    handle = images.GetSafeHandle();
    EXPECT_EQ(CImageList::FromHandle(handle), &images);
  }
  CImageList* kept = list.GetImageList(LVSIL_SMALL);
  ASSERT_NE(kept, nullptr);
  EXPECT_EQ(kept->GetSafeHandle(), handle);
  EXPECT_EQ(kept->GetImageCount(), 1);
  CRect icon;
  ASSERT_TRUE(list.GetItemRect(0, &icon, LVIR_ICON));
  EXPECT_EQ(icon.Width(), 16);
  QImage shot = list.GetWidget()->grab().toImage();
  EXPECT_EQ(shot.pixelColor(icon.CenterPoint().x, icon.CenterPoint().y), QColor(220, 0, 0));
  EXPECT_EQ(list.SetImageList(nullptr, 9), nullptr);
  list.DestroyWindow();
  parent.DestroyWindow();
}

TEST(ImageList, DragImageFollowsTheCallsAndEndsCleanly) {
  ASSERT_NE(platform::test::EnsureApplication(), nullptr);
  // Without a drag every call is refused and nothing shows.
  EXPECT_FALSE(CImageList::DragEnter(nullptr, CPoint(1, 1)));
  EXPECT_FALSE(CImageList::DragMove(CPoint(1, 1)));
  EXPECT_FALSE(CImageList::DragShowNolock(TRUE));
  EXPECT_FALSE(CImageList::DragLeave(nullptr));
  CImageList::EndDrag();
  EXPECT_FALSE(CImageList::IsDragImageShown());

  NotifySink parent;
  ASSERT_TRUE(parent.Make());
  CListCtrl list;
  ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, CRect(0, 0, 200, 120), &parent, 1));
  list.InsertColumn(0, L"A", LVCFMT_LEFT, 150);
  list.InsertItem(0, L"dragged");
  EXPECT_EQ(list.CreateDragImage(3, nullptr), nullptr);
  POINT origin{};
  std::unique_ptr<CImageList> image(list.CreateDragImage(0, &origin));
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->GetImageCount(), 1);
  CRect label;
  list.GetItemRect(0, &label, LVIR_LABEL);
  EXPECT_EQ(origin.y, label.top);

  EXPECT_FALSE(image->BeginDrag(5, CPoint(0, 0)));
  ASSERT_TRUE(image->BeginDrag(0, CPoint(-10, -14)));
  EXPECT_FALSE(CImageList::IsDragImageShown()) << "shown only after DragEnter";
  ASSERT_TRUE(CImageList::DragEnter(nullptr, CPoint(100, 50)));
  POINT at{};
  ASSERT_TRUE(CImageList::IsDragImageShown(&at));
  EXPECT_EQ(at.x, 110);
  EXPECT_EQ(at.y, 64);
  ASSERT_TRUE(CImageList::DragMove(CPoint(300, 200)));
  ASSERT_TRUE(CImageList::IsDragImageShown(&at));
  EXPECT_EQ(at.x, 310);
  ASSERT_TRUE(CImageList::DragShowNolock(FALSE));
  EXPECT_FALSE(CImageList::IsDragImageShown());
  ASSERT_TRUE(CImageList::DragShowNolock(TRUE));
  EXPECT_TRUE(CImageList::IsDragImageShown());
  // The drag image lets the mouse through to the window under it.
  EXPECT_TRUE(CImageList::DragLeave(nullptr));
  EXPECT_FALSE(CImageList::IsDragImageShown());
  CImageList::EndDrag();
  EXPECT_FALSE(CImageList::DragMove(CPoint(1, 1)));
  image.reset();
  list.DestroyWindow();
  parent.DestroyWindow();
}

}  // namespace

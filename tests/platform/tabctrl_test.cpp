// The tab control: tabs in one or several rows, the display area, selection by the user and by
// the program, owner drawing.
#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>
#include <QTest>
#include <algorithm>
#include <map>
#include <set>
#include <string>

#include "notify_sink.h"
#include "platform/gdi.h"
#include "platform/tabctrl.h"
#include "test_main_env.h"

namespace {

using testsupport::Click;
using testsupport::NotifySink;

constexpr UINT kTabId = 1066;

CString Title(int i) {
  CString s;
  s.Format(L"Page %d", i);
  return s;
}

QPoint Center(const CRect& r) { return QPoint(r.CenterPoint().x, r.CenterPoint().y); }

class TabTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(platform::test::EnsureApplication(), nullptr);
    ASSERT_TRUE(parent.Make(640, 480));
  }
  void TearDown() override {
    tab.DestroyWindow();
    parent.DestroyWindow();
  }
  void Make(DWORD style, int width = 400, int height = 300) {
    ASSERT_TRUE(tab.Create(WS_CHILD | WS_VISIBLE | style, CRect(10, 10, 10 + width, 10 + height), &parent, kTabId));
  }
  void Fill(int count) {
    for (int i = 0; i < count; ++i) ASSERT_EQ(tab.InsertItem(i, Title(i)), i);
  }
  std::vector<CRect> Rects() {
    std::vector<CRect> out;
    for (int i = 0; i < tab.GetItemCount(); ++i) {
      CRect r;
      EXPECT_TRUE(tab.GetItemRect(i, &r));
      out.push_back(r);
    }
    return out;
  }

  NotifySink parent;
  CTabCtrl tab;
};

TEST_F(TabTest, FiftyTabsShowAllAtOnceInRows) {
  Make(TCS_MULTILINE);
  Fill(50);
  EXPECT_GT(tab.GetRowCount(), 1);
  CRect client;
  tab.GetClientRect(&client);
  std::vector<CRect> rects = Rects();
  int lowest = 0;
  std::set<LONG> rowTops;
  for (size_t i = 0; i < rects.size(); ++i) {
    SCOPED_TRACE(i);
    const CRect& r = rects[i];
    EXPECT_FALSE(r.IsRectEmpty());
    EXPECT_GE(r.left, client.left);
    EXPECT_GE(r.top, client.top);
    EXPECT_LE(r.right, client.right);
    EXPECT_LE(r.bottom, client.bottom);
    for (size_t j = 0; j < i; ++j) {
      CRect both;
      EXPECT_FALSE(both.IntersectRect(r, rects[j])) << "tabs " << j << " and " << i << " overlap";
    }
    lowest = std::max<int>(lowest, r.bottom);
    rowTops.insert(r.top);
  }
  EXPECT_EQ(static_cast<int>(rowTops.size()), tab.GetRowCount());
  // Every row is stretched to the same right edge.
  std::map<LONG, LONG> rowRight;
  for (const CRect& r : rects) rowRight[r.top] = std::max(rowRight[r.top], r.right);
  for (const auto& row : rowRight) EXPECT_EQ(row.second, rowRight.begin()->second);
  CRect display = client;
  tab.AdjustRect(FALSE, &display);
  EXPECT_GE(display.top, lowest) << "the display area lies below the last row";
  EXPECT_GT(display.Height(), 0);
  CRect back = display;
  tab.AdjustRect(TRUE, &back);
  EXPECT_EQ(back, client);
  // Through the message as well.
  CRect viaMessage;
  ASSERT_TRUE(tab.SendMessage(TCM_GETITEMRECT, 7, reinterpret_cast<LPARAM>(&viaMessage)));
  EXPECT_EQ(viaMessage, rects[7]);
  EXPECT_EQ(tab.SendMessage(TCM_GETROWCOUNT), tab.GetRowCount());
}

TEST_F(TabTest, TheSelectedRowMovesNextToTheDisplayArea) {
  Make(TCS_MULTILINE);
  Fill(50);
  auto bottomRow = [this]() {
    int lowest = 0;
    for (const CRect& r : Rects()) lowest = std::max<int>(lowest, r.bottom);
    return lowest;
  };
  for (int select : {0, 49, 25, 0}) {
    SCOPED_TRACE(select);
    tab.SetCurSel(select);
    CRect r;
    ASSERT_TRUE(tab.GetItemRect(select, &r));
    EXPECT_EQ(r.bottom, bottomRow());
  }
  // Rows keep their order as they rotate: the tab after the selected row's last tab sits one row up.
  tab.SetCurSel(0);
  std::vector<CRect> rects = Rects();
  int nextRowFirst = -1;
  for (size_t i = 1; i < rects.size(); ++i) {
    if (rects[i].top != rects[0].top) {
      nextRowFirst = static_cast<int>(i);
      break;
    }
  }
  ASSERT_GT(nextRowFirst, 0);
  EXPECT_EQ(rects[static_cast<size_t>(nextRowFirst)].bottom, rects[0].top);
  EXPECT_TRUE(parent.notices.empty());
}

TEST_F(TabTest, UserClicksNotifyAndProgramSelectionDoesNot) {
  Make(TCS_MULTILINE);
  Fill(6);
  EXPECT_EQ(tab.GetCurSel(), 0) << "the first tab inserted is selected";
  EXPECT_EQ(tab.SetCurSel(3), 0);
  EXPECT_EQ(tab.SetCurSel(3), 3);
  EXPECT_EQ(tab.SetCurSel(6), -1);
  EXPECT_EQ(tab.SetCurSel(-5), -1);
  EXPECT_EQ(tab.GetCurSel(), 3);
  EXPECT_EQ(tab.SendMessage(TCM_GETCURSEL), 3);
  EXPECT_TRUE(parent.notices.empty());

  CRect r;
  ASSERT_TRUE(tab.GetItemRect(5, &r));
  Click(tab.GetWidget(), Center(r));
  std::vector<UINT> expect = {TCN_SELCHANGING, TCN_SELCHANGE, NM_CLICK};
  EXPECT_EQ(parent.Codes(), expect);
  EXPECT_EQ(parent.notices[0].id, kTabId);
  EXPECT_EQ(tab.GetCurSel(), 5);
  EXPECT_EQ(tab.GetCurFocus(), 5);

  // A click on the selected tab changes nothing.
  parent.notices.clear();
  ASSERT_TRUE(tab.GetItemRect(5, &r));
  Click(tab.GetWidget(), Center(r));
  EXPECT_EQ(parent.Codes(), std::vector<UINT>{NM_CLICK});

  // TCN_SELCHANGING answered TRUE keeps the old tab.
  parent.notices.clear();
  parent.responder = [](NMHDR* h) -> LRESULT { return h->code == TCN_SELCHANGING ? TRUE : FALSE; };
  ASSERT_TRUE(tab.GetItemRect(1, &r));
  Click(tab.GetWidget(), Center(r));
  EXPECT_EQ(tab.GetCurSel(), 5);
  EXPECT_TRUE(parent.Of(TCN_SELCHANGE).empty());
}

TEST_F(TabTest, ArrowKeysMoveTheSelectionAfterTheKeyNotification) {
  Make(0);
  Fill(3);
  QTest::keyClick(tab.GetWidget(), Qt::Key_Right);
  std::vector<UINT> expect = {TCN_KEYDOWN, TCN_SELCHANGING, TCN_SELCHANGE};
  EXPECT_EQ(parent.Codes(), expect);
  EXPECT_EQ(parent.notices[0].key, VK_RIGHT);
  EXPECT_EQ(tab.GetCurSel(), 1);
  QTest::keyClick(tab.GetWidget(), Qt::Key_End);
  EXPECT_EQ(tab.GetCurSel(), 2);
  parent.notices.clear();
  QTest::keyClick(tab.GetWidget(), Qt::Key_Right);  // already the last
  EXPECT_EQ(parent.Codes(), std::vector<UINT>{TCN_KEYDOWN});
  EXPECT_EQ(tab.GetCurSel(), 2);
}

TEST_F(TabTest, ItemsRoundTripAndDeletionsMoveTheSelection) {
  Make(TCS_MULTILINE);
  EXPECT_EQ(tab.GetCurSel(), -1);
  EXPECT_EQ(tab.InsertItem(TCIF_TEXT | TCIF_PARAM, 0, L"first", 0, 11), 0);
  EXPECT_EQ(tab.InsertItem(9, L"second"), 1);
  EXPECT_EQ(tab.InsertItem(-1, L"bad"), -1);
  // A title of 32 characters or more, read into a 32-character buffer, comes back cut to 31.
  std::wstring longTitle(40, L'x');
  longTitle[30] = L'y';
  EXPECT_EQ(tab.InsertItem(2, CString(longTitle.c_str())), 2);
  struct Case {
    int item;
    int buffer;
    std::wstring expect;
  };
  const Case cases[] = {
      {0, 32, L"first"},
      {2, 32, longTitle.substr(0, 31)},
      {1, 4, L"sec"},
      {1, 1, L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.item);
    std::vector<wchar_t> buffer(static_cast<size_t>(c.buffer), L'#');
    TCITEM item{};
    item.mask = TCIF_TEXT;
    item.pszText = buffer.data();
    item.cchTextMax = c.buffer;
    ASSERT_TRUE(tab.GetItem(c.item, &item));
    EXPECT_EQ(std::wstring(buffer.data()), c.expect);
  }
  TCITEM item{};
  item.mask = TCIF_PARAM;
  ASSERT_TRUE(tab.GetItem(0, &item));
  EXPECT_EQ(item.lParam, 11);
  wchar_t renamed[] = L"renamed";
  item.mask = TCIF_TEXT | TCIF_PARAM;
  item.pszText = renamed;
  item.lParam = 22;
  ASSERT_TRUE(tab.SetItem(1, &item));
  EXPECT_FALSE(tab.SetItem(3, &item));
  EXPECT_FALSE(tab.GetItem(-1, &item));
  item.mask = TCIF_PARAM;
  ASSERT_TRUE(tab.GetItem(1, &item));
  EXPECT_EQ(item.lParam, 22);

  // The selection follows the tabs; deleting the selected tab leaves none selected.
  tab.SetCurSel(2);
  EXPECT_TRUE(tab.DeleteItem(0));
  EXPECT_EQ(tab.GetCurSel(), 1);
  EXPECT_TRUE(tab.DeleteItem(1));
  EXPECT_EQ(tab.GetCurSel(), -1);
  EXPECT_FALSE(tab.DeleteItem(5));
  EXPECT_EQ(tab.GetItemCount(), 1);
  EXPECT_TRUE(tab.DeleteAllItems());
  EXPECT_EQ(tab.GetItemCount(), 0);
  EXPECT_EQ(tab.InsertItem(0, L"again"), 0);
  EXPECT_EQ(tab.GetCurSel(), 0);
  EXPECT_TRUE(parent.notices.empty());
}

TEST_F(TabTest, HitTestAndSizes) {
  Make(0);
  Fill(3);
  std::vector<CRect> rects = Rects();
  for (int i = 0; i < 3; ++i) {
    TCHITTESTINFO ht{};
    ht.pt = rects[static_cast<size_t>(i)].CenterPoint();
    EXPECT_EQ(tab.HitTest(&ht), i);
    EXPECT_NE(ht.flags & TCHT_ONITEM, 0u);
  }
  TCHITTESTINFO nowhere{};
  nowhere.pt = POINT{200, 250};
  EXPECT_EQ(tab.HitTest(&nowhere), -1);
  EXPECT_EQ(nowhere.flags, TCHT_NOWHERE);

  tab.ModifyStyle(0, TCS_FIXEDWIDTH);
  tab.SetItemSize(CSize(70, 25));
  rects = Rects();
  for (const CRect& r : rects) {
    EXPECT_EQ(r.Width(), 70);
    EXPECT_EQ(r.Height(), 25);
  }
  tab.ModifyStyle(TCS_FIXEDWIDTH, 0);
  EXPECT_EQ(tab.SetMinTabWidth(150), 42);
  for (const CRect& r : Rects()) EXPECT_GE(r.Width(), 150);
  EXPECT_EQ(tab.SetMinTabWidth(-1), 150);

  // Absurd sizes are cut down rather than overflowing the layout.
  tab.ModifyStyle(0, TCS_MULTILINE);
  tab.SetMinTabWidth(0x7FFFFFFF);
  tab.SetPadding(CSize(0x7FFFFFFF, 0x7FFFFFFF));
  tab.SetItemSize(CSize(0, 0x7FFFFFFF));
  EXPECT_EQ(tab.GetRowCount(), 3);
  for (const CRect& r : Rects()) {
    EXPECT_GT(r.Width(), 0);
    EXPECT_GT(r.Height(), 0);
  }
  EXPECT_FALSE(tab.GetWidget()->grab().isNull());
}

TEST_F(TabTest, OneRowKeepsTheSelectedTabInView) {
  Make(0, 300, 100);
  Fill(30);
  EXPECT_EQ(tab.GetRowCount(), 1);
  CRect client;
  tab.GetClientRect(&client);
  tab.SetCurSel(29);
  CRect r;
  ASSERT_TRUE(tab.GetItemRect(29, &r));
  EXPECT_GE(r.left, client.left);
  EXPECT_LE(r.right, client.right);
  Click(tab.GetWidget(), Center(r));
  EXPECT_EQ(tab.GetCurSel(), 29);
  tab.SetCurSel(0);
  ASSERT_TRUE(tab.GetItemRect(0, &r));
  EXPECT_GE(r.left, client.left);
}

class OwnerDrawnTabs : public CTabCtrl {
 public:
  struct Drawn {
    UINT type;
    UINT item;
    UINT state;
    CRect rc;
    ULONG_PTR data;
  };
  std::vector<Drawn> drawn;
  void DrawItem(LPDRAWITEMSTRUCT dis) override {
    drawn.push_back({dis->CtlType, dis->itemID, dis->itemState, CRect(dis->rcItem), dis->itemData});
    if (CDC* dc = CDC::FromHandle(dis->hDC)) dc->FillSolidRect(&dis->rcItem, RGB(200, 30, 60));
  }
};

TEST_F(TabTest, OwnerDrawnTabsReachDrawItem) {
  OwnerDrawnTabs owner;
  ASSERT_TRUE(owner.Create(WS_CHILD | WS_VISIBLE | TCS_MULTILINE | TCS_OWNERDRAWFIXED, CRect(0, 0, 300, 200), &parent,
                           1067));
  for (int i = 0; i < 4; ++i) owner.InsertItem(TCIF_TEXT | TCIF_PARAM, i, Title(i), 0, 700 + i);
  owner.SetCurSel(2);
  QImage shot = owner.GetWidget()->grab().toImage();
  ASSERT_EQ(owner.drawn.size(), 4u);
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const auto& d = owner.drawn[static_cast<size_t>(i)];
    CRect r;
    owner.GetItemRect(i, &r);
    EXPECT_EQ(d.type, static_cast<UINT>(ODT_TAB));
    EXPECT_EQ(d.item, static_cast<UINT>(i));
    EXPECT_EQ((d.state & ODS_SELECTED) != 0, i == 2);
    EXPECT_EQ(d.rc, r);
    EXPECT_EQ(d.data, static_cast<ULONG_PTR>(700 + i));
    EXPECT_EQ(shot.pixelColor(r.left + 2, r.top + 2), QColor(200, 30, 60));
  }
  owner.DestroyWindow();
}

// A tab control class that paints everything itself in WM_PAINT, from the rectangles the
// control reports.
class SelfPaintedTabs : public CTabCtrl {
 public:
  int paints = 0;

 protected:
  void OnPaint() {
    ++paints;
    CPaintDC dc(this);
    CRect client;
    GetClientRect(&client);
    dc.FillSolidRect(&client, RGB(240, 240, 240));
    for (int i = 0; i < GetItemCount(); ++i) {
      CRect r;
      GetItemRect(i, &r);
      dc.FillSolidRect(&r, i == GetCurSel() ? RGB(230, 230, 230) : RGB(200, 200, 200));
    }
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(SelfPaintedTabs, CTabCtrl)
  ON_WM_PAINT()
END_MESSAGE_MAP()

TEST_F(TabTest, AClassWithItsOwnPaintHandlerPaintsTheControl) {
  SelfPaintedTabs painted;
  ASSERT_TRUE(painted.Create(WS_CHILD | WS_VISIBLE | TCS_MULTILINE, CRect(0, 0, 300, 200), &parent, 1068));
  for (int i = 0; i < 12; ++i) painted.InsertItem(i, Title(i));
  painted.SetCurSel(7);
  QImage shot = painted.GetWidget()->grab().toImage();
  EXPECT_GT(painted.paints, 0);
  for (int i = 0; i < 12; ++i) {
    SCOPED_TRACE(i);
    CRect r;
    painted.GetItemRect(i, &r);
    QColor expect = i == 7 ? QColor(230, 230, 230) : QColor(200, 200, 200);
    EXPECT_EQ(shot.pixelColor(r.CenterPoint().x, r.CenterPoint().y), expect);
  }
  painted.DestroyWindow();
}

TEST(TabWithoutWindow, CallsFailSafely) {
  CTabCtrl tab;
  EXPECT_EQ(tab.InsertItem(0, L"x"), -1);
  EXPECT_EQ(tab.GetItemCount(), 0);
  EXPECT_EQ(tab.GetCurSel(), -1);
  EXPECT_EQ(tab.SetCurSel(0), -1);
  CRect r;
  EXPECT_FALSE(tab.GetItemRect(0, &r));
  TCHITTESTINFO ht{};
  EXPECT_EQ(tab.HitTest(&ht), -1);
  tab.AdjustRect(FALSE, &r);
  EXPECT_EQ(tab.GetRowCount(), 0);
}

}  // namespace

// The flat tab strip: the strip, the page area and every tab as the control paints them, the
// selected tab open towards the page, several rows of tabs, and long titles.
#include "reference/control/xtabcontrol/xtabcontrol.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>
#include <algorithm>
#include <string>
#include <vector>

#include "../../platform/qt_app.h"

namespace {

using platform::DrawOp;
using platform::DrawRecord;
using platform::DrawRecorder;

const COLORREF kUnselected = RGB(240, 240, 240);
const COLORREF kSelected = RGB(230, 230, 230);
const COLORREF kOutline = RGB(200, 200, 200);

struct Painted {
  std::vector<DrawRecord> strips;      // FillSolidRect
  std::vector<DrawRecord> rectangles;  // the page area first, then one per tab
  std::vector<DrawRecord> lines;
  std::vector<DrawRecord> texts;
};

class XTabControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::EnsureApp();
    ASSERT_TRUE(parent.CreateEx(0, nullptr, L"pages", WS_POPUP | WS_VISIBLE, CRect(30, 30, 670, 500), nullptr, 0));
    ASSERT_TRUE(tabs.Create(WS_CHILD | WS_VISIBLE | TCS_MULTILINE, CRect(10, 10, 610, 460), &parent, 1066));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(parent.GetWidget()));
  }
  void TearDown() override {
    if (parent.m_hWnd != nullptr) parent.DestroyWindow();
  }
  Painted Paint() {
    DrawRecorder recorder;
    recorder.Start();
    tabs.GetWidget()->repaint();
    recorder.Stop();
    Painted p;
    p.strips = recorder.Records(DrawOp::FillSolidRect);
    p.rectangles = recorder.Records(DrawOp::Rectangle);
    p.lines = recorder.Records(DrawOp::LineTo);
    p.texts = recorder.Records(DrawOp::DrawText);
    return p;
  }
  CRect TabRect(int i) {
    CRect r;
    EXPECT_TRUE(tabs.GetItemRect(i, &r));
    return r;
  }
  CRect Client() {
    CRect r;
    tabs.GetClientRect(&r);
    return r;
  }
  // Where the strip ends and the page area begins: the bottom of tab 0, whichever row it is in.
  int FirstTabBottom() { return tabs.GetItemCount() > 0 ? static_cast<int>(TabRect(0).bottom) : 0; }
  // Checks the strip, the page area and every tab of one paint.
  void ExpectFace(const Painted& p, int selected) {
    const int count = tabs.GetItemCount();
    const int stripBottom = FirstTabBottom();
    ASSERT_EQ(p.strips.size(), 1u);
    EXPECT_EQ(p.strips[0].rect, CRect(Client().left, Client().top, Client().right, stripBottom));
    EXPECT_EQ(p.strips[0].color & 0xFFFFFFu, GetSysColor(COLOR_BTNFACE));
    ASSERT_EQ(p.rectangles.size(), static_cast<size_t>(count + 1));
    CRect page = Client();
    page.top = stripBottom - 1;
    EXPECT_EQ(p.rectangles[0].rect, page) << "the page area begins one pixel above tab 0's bottom";
    EXPECT_EQ(p.rectangles[0].brushColor & 0xFFFFFFu, kSelected);
    EXPECT_EQ(p.rectangles[0].penColor & 0xFFFFFFu, kOutline);
    for (int i = 0; i < count; ++i) {
      SCOPED_TRACE(testing::Message() << "tab " << i);
      CRect expected = TabRect(i);
      expected.right += 1;
      const DrawRecord& r = p.rectangles[static_cast<size_t>(i + 1)];
      EXPECT_EQ(r.rect, expected);
      EXPECT_EQ(r.brushColor & 0xFFFFFFu, i == selected ? kSelected : kUnselected);
      EXPECT_EQ(r.penColor & 0xFFFFFFu, kOutline);
      EXPECT_EQ(r.penWidth <= 1, true);
      const DrawRecord& t = p.texts.at(static_cast<size_t>(i));
      EXPECT_EQ(t.bkColor & 0xFFFFFFu, i == selected ? kSelected : kUnselected);
      EXPECT_EQ(t.bkMode, OPAQUE);
      EXPECT_EQ(t.format, static_cast<UINT>(DT_CENTER | DT_VCENTER | DT_SINGLELINE));
      EXPECT_EQ(t.rect, expected);
    }
    if (selected >= 0 && selected < count) {
      ASSERT_EQ(p.lines.size(), 1u) << "only the selected tab is opened towards the page";
      CRect r = TabRect(selected);
      r.right += 1;
      ASSERT_EQ(p.lines[0].points.size(), 2u);
      EXPECT_EQ(p.lines[0].points[0], CPoint(r.left + 1, r.bottom - 1));
      EXPECT_EQ(p.lines[0].points[1], CPoint(r.right, r.bottom - 1));
      EXPECT_EQ(p.lines[0].penColor & 0xFFFFFFu, kSelected);
    } else {
      EXPECT_TRUE(p.lines.empty());
    }
  }

  CWnd parent;
  CXTabControl tabs;
};

TEST_F(XTabControlTest, PaintsTheStripThePageAndEveryTabFlat) {
  const wchar_t* titles[] = {L"Settings", L"Geofence", L"BLE", L"Diagnosis"};
  for (int i = 0; i < 4; ++i) ASSERT_EQ(tabs.InsertItem(i, titles[i]), i);
  for (int selected : {0, 2, 3}) {
    SCOPED_TRACE(testing::Message() << "selected " << selected);
    tabs.SetCurSel(selected);
    Painted p = Paint();
    ASSERT_NO_FATAL_FAILURE(ExpectFace(p, selected));
    ASSERT_EQ(p.texts.size(), 4u);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(p.texts[static_cast<size_t>(i)].text, CString(titles[i]));
  }
}

TEST_F(XTabControlTest, SeveralRowsOfTabsAreDrawnWhereTheControlPutsThem) {
  for (int i = 0; i < 50; ++i) {
    CString title;
    title.Format(L"Parameter group %d", i);
    ASSERT_EQ(tabs.InsertItem(i, title), i);
  }
  ASSERT_GT(tabs.GetRowCount(), 1);
  for (int selected : {0, 17, 49}) {
    SCOPED_TRACE(testing::Message() << "selected " << selected);
    tabs.SetCurSel(selected);
    Painted p = Paint();
    ASSERT_NO_FATAL_FAILURE(ExpectFace(p, selected));
    // The page area begins at tab 0's row; rows below it are drawn over the page area.
    EXPECT_EQ(p.rectangles[0].rect.top, TabRect(0).bottom - 1);
  }
}

TEST_F(XTabControlTest, LongTitlesShowTheirFirstThirtyOneCharacters) {
  const std::wstring thirtyOne(31, L'x');
  struct Case {
    std::wstring title;
    std::wstring shown;
  };
  const Case cases[] = {
      {L"", L""},
      {thirtyOne, thirtyOne},
      {thirtyOne + L"y", thirtyOne},
      {thirtyOne + L"yyyyyyyyyy", thirtyOne},
  };
  for (const Case& c : cases) {
    ASSERT_GE(tabs.InsertItem(tabs.GetItemCount(), c.title.c_str()), 0);
  }
  Painted p = Paint();
  ASSERT_EQ(p.texts.size(), std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(p.texts[i].text, CString(cases[i].shown.c_str()));
  }
}

TEST_F(XTabControlTest, AnEmptyControlIsAllPageAndTheBackgroundIsNeverErased) {
  tabs.SetCurSel(-1);
  Painted p = Paint();
  EXPECT_TRUE(p.strips.empty());
  ASSERT_EQ(p.rectangles.size(), 1u);
  EXPECT_EQ(p.rectangles[0].rect, Client());
  EXPECT_TRUE(p.texts.empty());
  CDC dc;
  EXPECT_EQ(tabs.SendMessage(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc())), TRUE);
}

}  // namespace

// The coloured log list box: lines added with and without colours, their results, how each line is
// drawn in every state, the line height, and the repaint of a line whose colour changes.
#include "reference/control/ccolorlistbox/ccolorlistbox.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWidget>
#include <functional>
#include <vector>

#include "../../platform/qt_app.h"

namespace {

using platform::DrawOp;
using platform::DrawRecord;
using platform::DrawRecorder;

const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kCyan = RGB(0, 255, 255);
const COLORREF kGreen = RGB(0, 128, 0);
const DWORD kLogStyle = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | LBS_OWNERDRAWVARIABLE | LBS_HASSTRINGS |
                        LBS_NOINTEGRALHEIGHT | LBS_NOTIFY;

// The texts drawn (measuring calls draw nothing and are not recorded).
std::vector<DrawRecord> DrawnTexts(const DrawRecorder& recorder) { return recorder.Records(DrawOp::DrawText); }

class ColorListBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::EnsureApp();
    ASSERT_TRUE(parent.CreateEx(0, nullptr, L"log", WS_POPUP | WS_VISIBLE, CRect(40, 40, 440, 340), nullptr, 0));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(parent.GetWidget()));
  }
  void TearDown() override {
    if (parent.m_hWnd != nullptr) parent.DestroyWindow();
  }
  void Make(CColorListBox& box, DWORD style = kLogStyle) {
    ASSERT_TRUE(box.Create(style, CRect(10, 10, 390, 290), &parent, 1014));
  }
  // Draws one line through the control's own DrawItem on a context that only records.
  std::vector<DrawRecord> Draw(CColorListBox& box, int item, UINT state, UINT action, CDC* dc = nullptr) {
    CDC own;
    if (dc == nullptr) dc = &own;
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_LISTBOX;
    dis.CtlID = 1014;
    dis.itemID = static_cast<UINT>(item);
    dis.itemAction = action;
    dis.itemState = state;
    dis.hwndItem = box.m_hWnd;
    dis.hDC = dc->GetSafeHdc();
    dis.rcItem = CRect(0, 20, 300, 35);
    dis.itemData = item >= 0 ? box.GetItemData(item) : 0;
    DrawRecorder recorder;
    recorder.Start();
    box.DrawItem(&dis);
    recorder.Stop();
    return recorder.Records();
  }

  CWnd parent;
};

TEST_F(ColorListBoxTest, AddingLinesAnswersTheirIndexAndKeepsTheColour) {
  CColorListBox box;
  ASSERT_NO_FATAL_FAILURE(Make(box));
  struct Step {
    const char* what;
    std::function<int()> run;
    int result;
  };
  const Step steps[] = {
      {"plain line", [&] { return box.AddString(L"plain"); }, 0},
      {"red line", [&] { return box.AddString(L"error: red", kRed); }, 1},
      {"inserted first with a colour", [&] { return box.InsertString(0, L"first", kGreen); }, 0},
      {"appended with index -1", [&] { return box.InsertString(-1, L"appended", kRed); }, 3},
      {"appended without colour", [&] { return box.InsertString(-1, L"quiet"); }, 4},
      {"colour 0 is no colour", [&] { return box.AddString(L"zero", 0); }, 5},
      {"colour -1 is no colour", [&] { return box.AddString(L"unset", static_cast<COLORREF>(-1)); }, 6},
      {"index past the end is refused", [&] { return box.InsertString(99, L"far", kRed); }, LB_ERR},
      {"index below -1 is refused", [&] { return box.InsertString(-5, L"far", kRed); }, LB_ERR},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    EXPECT_EQ(s.run(), s.result);
  }
  const struct {
    const wchar_t* text;
    COLORREF colour;
  } lines[] = {{L"first", kGreen}, {L"plain", 0},   {L"error: red", kRed}, {L"appended", kRed},
               {L"quiet", 0},      {L"zero", 0},    {L"unset", 0}};
  ASSERT_EQ(box.GetCount(), static_cast<int>(std::size(lines)));
  for (int i = 0; i < box.GetCount(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(box.GetText(i), CString(lines[i].text));
    EXPECT_EQ(box.GetItemData(i), static_cast<DWORD_PTR>(lines[i].colour));
  }
}

TEST_F(ColorListBoxTest, WithoutAWindowEveryCallFailsQuietly) {
  CColorListBox box;
  EXPECT_EQ(box.AddString(L"x"), LB_ERR);
  EXPECT_EQ(box.AddString(L"x", kRed), LB_ERR);
  EXPECT_EQ(box.InsertString(-1, L"x", kRed), LB_ERR);
  box.SetItemColor(0, kRed);
  MEASUREITEMSTRUCT mis{};
  box.MeasureItem(&mis);
  EXPECT_EQ(mis.itemHeight, static_cast<UINT>(GetSystemMetrics(SM_CYMENUCHECK)));
}

TEST_F(ColorListBoxTest, EachStateDrawsItsOwnFillAndTextColour) {
  CColorListBox box;
  ASSERT_NO_FATAL_FAILURE(Make(box));
  ASSERT_EQ(box.AddString(L"red line", kRed), 0);
  ASSERT_EQ(box.AddString(L"plain line"), 1);
  ASSERT_EQ(box.AddString(L"zero line", 0), 2);
  struct Case {
    const char* what;
    int item;
    UINT state;
    UINT action;
    bool filled;
    COLORREF fill;
    COLORREF text;
    bool focus;
  };
  const Case cases[] = {
      {"selected red line: cyan on red", 0, ODS_SELECTED, ODA_DRAWENTIRE, true, kRed, kCyan, false},
      {"selected plain line: highlight text on black", 1, ODS_SELECTED, ODA_DRAWENTIRE, true, RGB(0, 0, 0),
       GetSysColor(COLOR_HIGHLIGHTTEXT), false},
      {"selected zero line looks like the plain one", 2, ODS_SELECTED, ODA_DRAWENTIRE, true, RGB(0, 0, 0),
       GetSysColor(COLOR_HIGHLIGHTTEXT), false},
      {"selection change to a red line", 0, ODS_SELECTED, ODA_SELECT, true, kRed, kCyan, false},
      {"red line drawn whole", 0, 0, ODA_DRAWENTIRE, false, 0, kRed, false},
      {"plain line drawn whole", 1, 0, ODA_DRAWENTIRE, false, 0, GetSysColor(COLOR_WINDOWTEXT), false},
      {"zero line drawn whole", 2, 0, ODA_DRAWENTIRE, false, 0, GetSysColor(COLOR_WINDOWTEXT), false},
      {"red line losing the selection", 0, 0, ODA_SELECT, true, GetSysColor(COLOR_WINDOW), kRed, false},
      {"disabled red line", 0, ODS_DISABLED, ODA_DRAWENTIRE, false, 0, GetSysColor(COLOR_GRAYTEXT), false},
      {"disabled plain line", 1, ODS_DISABLED, ODA_DRAWENTIRE, false, 0, GetSysColor(COLOR_GRAYTEXT), false},
      {"selected and disabled: the selection wins", 0, ODS_SELECTED | ODS_DISABLED, ODA_DRAWENTIRE, true, kRed, kCyan,
       false},
      {"focus toggled", 1, ODS_FOCUS, ODA_FOCUS, false, 0, GetSysColor(COLOR_WINDOWTEXT), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CDC dc;
    dc.SetTextColor(RGB(1, 2, 3));
    dc.SetBkMode(OPAQUE);
    std::vector<DrawRecord> all = Draw(box, c.item, c.state, c.action, &dc);
    std::vector<DrawRecord> fills, texts, focus;
    for (const DrawRecord& r : all) {
      if (r.op == DrawOp::FillRect) fills.push_back(r);
      if (r.op == DrawOp::DrawText) texts.push_back(r);
      if (r.op == DrawOp::DrawFocusRect) focus.push_back(r);
    }
    ASSERT_EQ(fills.size(), c.filled ? 1u : 0u);
    if (c.filled) {
      EXPECT_EQ(fills[0].brushColor & 0xFFFFFFu, c.fill);
    }
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, box.GetText(c.item));
    EXPECT_EQ(texts[0].textColor & 0xFFFFFFu, c.text);
    EXPECT_EQ(texts[0].bkMode, TRANSPARENT);
    EXPECT_EQ(texts[0].format & (DT_SINGLELINE | DT_VCENTER), static_cast<UINT>(DT_SINGLELINE | DT_VCENTER));
    EXPECT_EQ(focus.size(), c.focus ? 1u : 0u);
    EXPECT_EQ(dc.GetTextColor(), RGB(1, 2, 3)) << "the text colour is put back";
    EXPECT_EQ(dc.GetBkMode(), OPAQUE) << "the background mode is put back";
  }
  EXPECT_TRUE(Draw(box, -1, ODS_SELECTED, ODA_DRAWENTIRE).empty()) << "no item, nothing drawn";
}

TEST_F(ColorListBoxTest, TabStopsAreExpandedOnlyWithTheirStyle) {
  struct Case {
    DWORD style;
    bool expands;
  };
  for (const Case& c : {Case{kLogStyle, false}, Case{kLogStyle | LBS_USETABSTOPS, true}}) {
    SCOPED_TRACE(c.expands);
    CColorListBox box;
    ASSERT_NO_FATAL_FAILURE(Make(box, c.style));
    ASSERT_EQ(box.AddString(L"a\tb", kRed), 0);
    std::vector<DrawRecord> texts;
    for (const DrawRecord& r : Draw(box, 0, 0, ODA_DRAWENTIRE)) {
      if (r.op == DrawOp::DrawText) texts.push_back(r);
    }
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ((texts[0].format & DT_EXPANDTABS) != 0, c.expands);
    box.DestroyWindow();
  }
}

TEST_F(ColorListBoxTest, TheWindowDrawsEveryLineInItsColourAtTheMenuCheckHeight) {
  CColorListBox box;
  ASSERT_NO_FATAL_FAILURE(Make(box));
  ASSERT_EQ(box.InsertString(-1, L"[ 10:00:00 ] ready"), 0);
  ASSERT_EQ(box.InsertString(-1, L"[ 10:00:01 ] error 5", kRed), 1);
  ASSERT_EQ(box.InsertString(-1, L"[ 10:00:02 ] ok"), 2);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(box.GetItemHeight(i), GetSystemMetrics(SM_CYMENUCHECK));
  DrawRecorder recorder;
  recorder.Start();
  box.GetWidget()->repaint();
  recorder.Stop();
  std::vector<DrawRecord> texts = DrawnTexts(recorder);
  ASSERT_GE(texts.size(), 3u);
  for (const DrawRecord& r : texts) {
    bool isError = r.text == CString(L"[ 10:00:01 ] error 5");
    EXPECT_EQ(r.textColor & 0xFFFFFFu, isError ? kRed : GetSysColor(COLOR_WINDOWTEXT)) << r.text.q().toStdString();
  }
}

TEST_F(ColorListBoxTest, ChangingAColourRepaintsTheLine) {
  CColorListBox box;
  ASSERT_NO_FATAL_FAILURE(Make(box));
  ASSERT_EQ(box.AddString(L"line zero"), 0);
  ASSERT_EQ(box.AddString(L"line one"), 1);
  box.GetWidget()->repaint();
  QApplication::processEvents();
  DrawRecorder recorder;
  recorder.Start();
  box.SetItemColor(1, kGreen);
  EXPECT_EQ(box.GetItemData(1), static_cast<DWORD_PTR>(kGreen));
  auto drawnGreen = [&] {
    for (const DrawRecord& r : DrawnTexts(recorder)) {
      if (r.text == CString(L"line one") && (r.textColor & 0xFFFFFFu) == kGreen) return true;
    }
    return false;
  };
  EXPECT_TRUE(QTest::qWaitFor(drawnGreen)) << "the line shows its new colour without anything else happening";
  recorder.Stop();

  recorder.Clear();
  box.SetItemColor(7, kRed);
  EXPECT_EQ(box.GetCount(), 2) << "a line that does not exist changes nothing";
  EXPECT_EQ(box.GetItemData(0), 0u);
}

}  // namespace

// The standard controls: notifications for user actions only, check and radio behaviour, edit
// limits and positions, item lists and their return codes, owner draw, scroll bars, progress
// bars, IP address fields and tooltips.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHelpEvent>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QTest>
#include <QToolTip>
#include <functional>
#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/gdi.h"
#include "test_main_env.h"

namespace {

struct Notice {
  UINT message;
  UINT id;
  UINT code;
  HWND from;
  int value;  // scroll position, or the value of an IP field change
};

// A parent window that records what its controls tell it.
class Recorder : public CWnd {
 public:
  std::vector<Notice> notices;
  std::vector<DRAWITEMSTRUCT> draws;
  std::vector<bool> drawContextLive;  // the hDC named a context while the draw was under way
  std::vector<MEASUREITEMSTRUCT> measures;
  std::function<UINT(UINT itemID)> heightFor;  // WM_MEASUREITEM answer; null leaves it to the control
  bool takeDrawItem = true;                    // false: the control draws itself (reflection)
  std::function<void(CScrollBar*, UINT code, int pos)> onScroll;

  void Clear() {
    notices.clear();
    draws.clear();
    drawContextLive.clear();
    measures.clear();
  }
  int Count(UINT message, UINT code) const {
    int n = 0;
    for (const Notice& x : notices) n += x.message == message && x.code == code ? 1 : 0;
    return n;
  }
  std::vector<UINT> Codes(UINT message) const {
    std::vector<UINT> out;
    for (const Notice& x : notices) {
      if (x.message == message) out.push_back(x.code);
    }
    return out;
  }

  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    notices.push_back({WM_COMMAND, LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam), 0});
    return CWnd::OnCommand(wParam, lParam);
  }
  BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override {
    auto* hdr = reinterpret_cast<NMHDR*>(lParam);
    int value = hdr->code == IPN_FIELDCHANGED ? reinterpret_cast<NMIPADDRESS*>(hdr)->iValue : 0;
    notices.push_back({WM_NOTIFY, static_cast<UINT>(hdr->idFrom), hdr->code, hdr->hwndFrom, value});
    return CWnd::OnNotify(wParam, lParam, pResult);
  }

 protected:
  void OnDrawItem(int, LPDRAWITEMSTRUCT dis) {
    if (!takeDrawItem) {
      Default();
      return;
    }
    draws.push_back(*dis);
    drawContextLive.push_back(CDC::FromHandle(dis->hDC) != nullptr);
  }
  void OnMeasureItem(int, LPMEASUREITEMSTRUCT mis) {
    measures.push_back(*mis);
    if (heightFor) mis->itemHeight = heightFor(mis->itemID);
    else Default();
  }
  void OnVScroll(UINT code, UINT pos, CScrollBar* bar) { Scrolled(WM_VSCROLL, code, pos, bar); }
  void OnHScroll(UINT code, UINT pos, CScrollBar* bar) { Scrolled(WM_HSCROLL, code, pos, bar); }
  void Scrolled(UINT message, UINT code, UINT pos, CScrollBar* bar) {
    notices.push_back({message, 0, code, bar != nullptr ? bar->m_hWnd : nullptr, static_cast<int>(pos)});
    if (onScroll) onScroll(bar, code, static_cast<int>(pos));
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(Recorder, CWnd)
  ON_WM_DRAWITEM()
  ON_WM_MEASUREITEM()
  ON_WM_VSCROLL()
  ON_WM_HSCROLL()
END_MESSAGE_MAP()

// An edit whose map takes WM_PASTE for itself (as number fields do).
class PasteCatcher : public CEdit {
 public:
  int pastes = 0;

 protected:
  LRESULT OnPaste(WPARAM, LPARAM) {
    ++pastes;
    return 0;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(PasteCatcher, CEdit)
  ON_MESSAGE(WM_PASTE, &PasteCatcher::OnPaste)
END_MESSAGE_MAP()

// Owner-drawn controls that draw and measure themselves when the parent leaves it to them.
class SelfDrawnList : public CListBox {
 public:
  std::vector<UINT> drawn;
  void MeasureItem(LPMEASUREITEMSTRUCT mis) override { mis->itemHeight = 17; }
  void DrawItem(LPDRAWITEMSTRUCT dis) override { drawn.push_back(dis->itemID); }
};

class SelfDrawnButton : public CButton {
 public:
  int drawn = 0;
  void DrawItem(LPDRAWITEMSTRUCT) override { ++drawn; }
};

// A static that colours its own text through the reflected WM_CTLCOLOR.
class RedStatic : public CStatic {
 protected:
  HBRUSH CtlColor(CDC* pDC, UINT) {
    pDC->SetTextColor(RGB(255, 0, 0));
    pDC->SetBkMode(TRANSPARENT);
    return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(RedStatic, CStatic)
  ON_WM_CTLCOLOR_REFLECT()
END_MESSAGE_MAP()

const DWORD kChild = WS_CHILD | WS_VISIBLE;

CString Text(const CWnd& w) { return w.GetWindowText(); }

void Click(QWidget* w, QPoint at = QPoint()) {
  QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, at.isNull() ? w->rect().center() : at);
}

// Types text; '\n' presses Enter.
void Type(QWidget* w, const QString& text) {
  for (QChar c : text) {
    if (c == QChar('\n')) QTest::keyClick(w, Qt::Key_Return);
    else QTest::keyClicks(w, QString(c));
  }
}

bool HasColor(const QImage& image, QRgb color) {
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if ((image.pixel(x, y) & 0xFFFFFFu) == (color & 0xFFFFFFu)) return true;
    }
  }
  return false;
}

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(platform::test::EnsureApplication(), nullptr);
    ASSERT_TRUE(parent.Create(nullptr, L"", WS_POPUP | WS_VISIBLE, CRect(0, 0, 520, 400), nullptr, 0));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(parent.GetWidget()));
  }
  void TearDown() override {
    if (parent.m_hWnd != nullptr) parent.DestroyWindow();
  }
  Recorder parent;
};

// ---- buttons --------------------------------------------------------------------------------

TEST_F(ControlsTest, ClicksNotifyAndAdvanceTheCheckStateByButtonType) {
  struct Case {
    const char* name;
    DWORD type;
    int afterClicks[3];
  };
  const Case cases[] = {
      {"push button", BS_PUSHBUTTON, {0, 0, 0}},
      {"check box", BS_CHECKBOX, {0, 0, 0}},
      {"auto check box", BS_AUTOCHECKBOX, {1, 0, 1}},
      {"three-state", BS_3STATE, {0, 0, 0}},
      {"auto three-state", BS_AUTO3STATE, {BST_CHECKED, BST_INDETERMINATE, BST_UNCHECKED}},
      {"radio button", BS_RADIOBUTTON, {0, 0, 0}},
      {"auto radio button", BS_AUTORADIOBUTTON, {1, 1, 1}},
  };
  UINT id = 100;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CButton b;
    ASSERT_TRUE(b.Create(L"Box", kChild | c.type, CRect(10, 10, 150, 40), &parent, ++id));
    for (int k = 0; k < 3; ++k) {
      parent.Clear();
      Click(b.GetWidget(), QPoint(6, 15));
      ASSERT_EQ(parent.notices.size(), 1u) << "click " << k;
      EXPECT_EQ(parent.notices[0].message, static_cast<UINT>(WM_COMMAND));
      EXPECT_EQ(parent.notices[0].code, static_cast<UINT>(BN_CLICKED));
      EXPECT_EQ(parent.notices[0].id, id);
      EXPECT_EQ(parent.notices[0].from, b.m_hWnd);
      EXPECT_EQ(b.GetCheck(), c.afterClicks[k]) << "click " << k;
    }
  }
}

TEST_F(ControlsTest, SpaceOnAFocusedButtonClicksIt) {
  CButton b;
  ASSERT_TRUE(b.Create(L"Go", kChild | BS_PUSHBUTTON, CRect(10, 10, 90, 40), &parent, 7));
  QTest::keyClick(b.GetWidget(), Qt::Key_Space);
  EXPECT_EQ(parent.Count(WM_COMMAND, BN_CLICKED), 1);
}

TEST_F(ControlsTest, AutoRadioButtonsUncheckOnlyTheirOwnGroup) {
  // Group A: 1, 2, a check box, 3. Group B starts at 4 (WS_GROUP): 4, 5.
  CButton r1, r2, box, r3, r4, r5;
  ASSERT_TRUE(r1.Create(L"1", kChild | WS_GROUP | BS_AUTORADIOBUTTON, CRect(10, 10, 90, 30), &parent, 1));
  ASSERT_TRUE(r2.Create(L"2", kChild | BS_AUTORADIOBUTTON, CRect(10, 40, 90, 60), &parent, 2));
  ASSERT_TRUE(box.Create(L"c", kChild | BS_AUTOCHECKBOX, CRect(10, 70, 90, 90), &parent, 9));
  ASSERT_TRUE(r3.Create(L"3", kChild | BS_AUTORADIOBUTTON, CRect(10, 100, 90, 120), &parent, 3));
  ASSERT_TRUE(r4.Create(L"4", kChild | WS_GROUP | BS_AUTORADIOBUTTON, CRect(10, 130, 90, 150), &parent, 4));
  ASSERT_TRUE(r5.Create(L"5", kChild | BS_AUTORADIOBUTTON, CRect(10, 160, 90, 180), &parent, 5));
  box.SetCheck(BST_CHECKED);
  CButton* radios[] = {&r1, &r2, &r3, &r4, &r5};
  struct Step {
    CButton* clicked;
    int expected[5];
  };
  const Step steps[] = {
      {&r1, {1, 0, 0, 0, 0}},
      {&r3, {0, 0, 1, 0, 0}},
      {&r5, {0, 0, 1, 0, 1}},
      {&r4, {0, 0, 1, 1, 0}},
      {&r2, {0, 1, 0, 1, 0}},
  };
  for (const Step& s : steps) {
    Click(s.clicked->GetWidget(), QPoint(6, 10));
    for (int i = 0; i < 5; ++i) EXPECT_EQ(radios[i]->GetCheck(), s.expected[i]) << "radio " << i + 1;
  }
  EXPECT_EQ(box.GetCheck(), BST_CHECKED);
}

TEST_F(ControlsTest, ButtonStateThroughMembersAndMessages) {
  CButton two, three, push;
  ASSERT_TRUE(two.Create(L"two", kChild | BS_AUTOCHECKBOX, CRect(10, 10, 90, 30), &parent, 11));
  ASSERT_TRUE(three.Create(L"three", kChild | BS_AUTO3STATE, CRect(10, 40, 90, 60), &parent, 12));
  ASSERT_TRUE(push.Create(L"push", kChild | BS_PUSHBUTTON, CRect(10, 70, 90, 90), &parent, 13));

  two.SetCheck(BST_INDETERMINATE);  // a two-state box has no third state
  EXPECT_EQ(two.GetCheck(), BST_CHECKED);
  three.SetCheck(BST_INDETERMINATE);
  EXPECT_EQ(three.GetCheck(), BST_INDETERMINATE);
  EXPECT_EQ(three.GetState() & 0x3u, static_cast<UINT>(BST_INDETERMINATE));

  parent.CheckDlgButton(11, BST_UNCHECKED);
  EXPECT_EQ(parent.IsDlgButtonChecked(11), static_cast<UINT>(BST_UNCHECKED));
  parent.CheckDlgButton(11, BST_CHECKED);
  EXPECT_EQ(two.GetCheck(), BST_CHECKED);

  push.SetState(TRUE);
  EXPECT_NE(push.GetState() & BST_PUSHED, 0u);
  push.SetState(FALSE);
  EXPECT_EQ(push.GetState() & BST_PUSHED, 0u);
  EXPECT_EQ(push.GetCheck(), BST_UNCHECKED);

  // Only the type changes; other style bits stay.
  push.ModifyStyle(0, BS_MULTILINE);
  push.SetButtonStyle(BS_DEFPUSHBUTTON);
  EXPECT_EQ(push.GetButtonStyle() & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  EXPECT_NE(push.GetStyle() & BS_MULTILINE, 0u);

  parent.Clear();
  push.SendMessage(BM_CLICK);  // a click made by message is a click
  EXPECT_EQ(parent.Count(WM_COMMAND, BN_CLICKED), 1);
}

TEST_F(ControlsTest, OwnerDrawnButtonReportsItsStateInDrawItem) {
  CButton b;
  ASSERT_TRUE(b.Create(L"", kChild | BS_OWNERDRAW, CRect(20, 30, 120, 60), &parent, 21));
  struct Case {
    const char* name;
    bool pressed;
    bool enabled;
    UINT state;
  };
  const Case cases[] = {
      {"normal", false, true, 0},
      {"pressed", true, true, ODS_SELECTED},
      {"disabled", false, false, ODS_DISABLED},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    b.SetState(c.pressed);
    b.EnableWindow(c.enabled);
    parent.Clear();
    b.GetWidget()->grab();
    ASSERT_FALSE(parent.draws.empty());
    const DRAWITEMSTRUCT& d = parent.draws.back();
    EXPECT_EQ(d.CtlType, static_cast<UINT>(ODT_BUTTON));
    EXPECT_EQ(d.CtlID, 21u);
    EXPECT_EQ(d.hwndItem, b.m_hWnd);
    EXPECT_EQ(d.itemState & (ODS_SELECTED | ODS_DISABLED), c.state);
    EXPECT_EQ(CRect(d.rcItem), CRect(0, 0, 100, 30));
    EXPECT_TRUE(parent.drawContextLive.back());
  }
  // Left to itself (the parent does not draw), the button's own DrawItem paints it.
  parent.takeDrawItem = false;
  SelfDrawnButton own;
  ASSERT_TRUE(own.Create(L"", kChild | BS_OWNERDRAW, CRect(20, 80, 120, 110), &parent, 22));
  own.GetWidget()->grab();
  EXPECT_GE(own.drawn, 1);
}

// ---- user actions versus program changes -----------------------------------------------------

TEST_F(ControlsTest, ProgramChangesSendNoNotifications) {
  CButton check, radio;
  CComboBox combo;
  CListBox list;
  CStatic label;
  CEdit multi;
  ASSERT_TRUE(check.Create(L"c", kChild | BS_AUTOCHECKBOX, CRect(0, 0, 60, 20), &parent, 1));
  ASSERT_TRUE(radio.Create(L"r", kChild | BS_AUTORADIOBUTTON, CRect(0, 20, 60, 40), &parent, 2));
  ASSERT_TRUE(combo.Create(kChild | CBS_DROPDOWNLIST, CRect(0, 40, 100, 200), &parent, 3));
  ASSERT_TRUE(list.Create(kChild | LBS_NOTIFY, CRect(120, 0, 220, 100), &parent, 4));
  ASSERT_TRUE(label.Create(L"x", kChild | SS_NOTIFY, CRect(240, 0, 300, 20), &parent, 5));
  ASSERT_TRUE(multi.Create(kChild | ES_MULTILINE, CRect(240, 30, 400, 90), &parent, 6));
  const std::pair<const char*, std::function<void()>> steps[] = {
      {"SetCheck", [&] { check.SetCheck(BST_CHECKED); }},
      {"radio SetCheck", [&] { radio.SetCheck(BST_CHECKED); }},
      {"combo AddString", [&] { combo.AddString(L"a"), combo.AddString(L"b"); }},
      {"combo SetCurSel", [&] { combo.SetCurSel(1); }},
      {"combo SelectString", [&] { combo.SelectString(-1, L"a"); }},
      {"combo SetWindowText", [&] { combo.SetWindowText(L"b"); }},
      {"combo drop-down shown and hidden", [&] { combo.ShowDropDown(TRUE), combo.ShowDropDown(FALSE); }},
      {"combo DeleteString", [&] { combo.DeleteString(0); }},
      {"list AddString", [&] { list.AddString(L"one"), list.AddString(L"two"); }},
      {"list SetCurSel", [&] { list.SetCurSel(1); }},
      {"list SelectString", [&] { list.SelectString(-1, L"one"); }},
      {"list DeleteString of the selection", [&] { list.DeleteString(0); }},
      {"list ResetContent", [&] { list.ResetContent(); }},
      {"button SetWindowText", [&] { check.SetWindowText(L"new"); }},
      {"static SetWindowText", [&] { label.SetWindowText(L"new"); }},
      {"multi-line edit SetWindowText", [&] { multi.SetWindowText(L"a\r\nb"); }},
  };
  for (const auto& step : steps) {
    parent.Clear();
    step.second();
    EXPECT_TRUE(parent.notices.empty()) << step.first << " sent " << parent.notices.size();
  }
}

TEST_F(ControlsTest, EditChangeNotifications) {
  CEdit single, multi;
  parent.Clear();
  ASSERT_TRUE(single.Create(L"EDIT", L"start", kChild | WS_BORDER | ES_AUTOHSCROLL, CRect(0, 0, 200, 24), &parent, 31));
  ASSERT_TRUE(multi.Create(L"EDIT", L"start", kChild | ES_MULTILINE, CRect(0, 30, 200, 90), &parent, 32));
  EXPECT_TRUE(parent.notices.empty()) << "the text given at creation is no change";
  const std::vector<UINT> change{EN_UPDATE, EN_CHANGE};
  struct Case {
    const char* name;
    std::function<void()> action;
    std::vector<UINT> codes;
  };
  const Case cases[] = {
      {"single-line SetWindowText", [&] { single.SetWindowText(L"next"); }, change},
      {"single-line SetWindowText of the same text", [&] { single.SetWindowText(L"next"); }, change},
      {"multi-line SetWindowText", [&] { multi.SetWindowText(L"next"); }, {}},
      {"ReplaceSel", [&] { single.ReplaceSel(L"x"); }, change},
      {"multi-line ReplaceSel", [&] { multi.ReplaceSel(L"x"); }, change},
      {"typing two characters", [&] { QTest::keyClicks(single.GetWidget(), "ab"); }, {EN_UPDATE, EN_CHANGE, EN_UPDATE, EN_CHANGE}},
      {"SetSel", [&] { single.SetSel(0, 2); }, {}},
      {"LimitText", [&] { single.LimitText(3); }, {}},
  };
  for (const Case& c : cases) {
    parent.Clear();
    c.action();
    EXPECT_EQ(parent.Codes(WM_COMMAND), c.codes) << c.name;
  }
}

// ---- edits ------------------------------------------------------------------------------------

TEST_F(ControlsTest, EditLimitCutsUserTextAndReportsMaxText) {
  enum How { Typed, Pasted, Replaced };
  struct Case {
    const char* name;
    DWORD style;
    const wchar_t* initial;
    int limit;  // 0: the largest
    int selStart, selEnd;
    How how;
    QString input;
    const wchar_t* result;
    int maxText;
  };
  const Case cases[] = {
      {"typing past the limit", 0, L"", 5, 0, 0, Typed, "abcdefg", L"abcde", 2},
      {"paste over a selection", 0, L"abcde", 5, 1, 3, Pasted, "123456", L"a12de", 1},
      {"ReplaceSel that fits", 0, L"abc", 5, 3, 3, Replaced, "12", L"abc12", 0},
      {"ReplaceSel that does not", 0, L"abc", 5, 3, 3, Replaced, "123", L"abc12", 1},
      {"a full edit takes nothing", 0, L"abcde", 5, 5, 5, Replaced, "z", L"abcde", 1},
      {"the largest limit", 0, L"abc", 0, 3, 3, Typed, "xyz", L"abcxyz", 0},
      {"a line break counts two", ES_MULTILINE, L"a\r\nb", 6, 4, 4, Typed, "\nc", L"a\r\nb\r\n", 1},
      {"a single-line paste stops at the line break", 0, L"", 50, 0, 0, Pasted, "one\r\ntwo", L"one", 0},
  };
  UINT id = 40;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CEdit e;
    ASSERT_TRUE(e.Create(kChild | WS_BORDER | ES_AUTOHSCROLL | c.style, CRect(0, 0, 300, 60), &parent, ++id));
    e.SetWindowText(c.initial);
    e.LimitText(c.limit);
    e.SetSel(c.selStart, c.selEnd);
    parent.Clear();
    switch (c.how) {
      case Typed: Type(e.GetWidget(), c.input); break;
      case Pasted:
        QGuiApplication::clipboard()->setText(c.input);
        e.Paste();
        break;
      case Replaced: e.ReplaceSel(CString(c.input)); break;
    }
    EXPECT_EQ(Text(e), CString(c.result));
    EXPECT_EQ(parent.Count(WM_COMMAND, EN_MAXTEXT), c.maxText);
  }
}

TEST_F(ControlsTest, EditLimitDefaultsAndSetTextIgnoresIt) {
  CEdit single, multi;
  ASSERT_TRUE(single.Create(kChild | ES_AUTOHSCROLL, CRect(0, 0, 200, 24), &parent, 50));
  ASSERT_TRUE(multi.Create(kChild | ES_MULTILINE, CRect(0, 30, 200, 90), &parent, 51));
  EXPECT_EQ(single.GetLimitText(), 30000u);
  single.LimitText(3);
  single.SetWindowText(L"0123456789");
  EXPECT_EQ(Text(single), CString(L"0123456789"));
  single.SetLimitText(0);
  EXPECT_EQ(single.GetLimitText(), 0x7FFFFFFEu);
  multi.LimitText(0);
  EXPECT_EQ(multi.GetLimitText(), 0xFFFFFFFFu);
  EXPECT_EQ(static_cast<UINT>(multi.SendMessage(EM_GETLIMITTEXT)), 0xFFFFFFFFu);
}

TEST_F(ControlsTest, EditStyleFiltersTypedText) {
  struct Case {
    const char* name;
    DWORD style;
    const char* typed;
    const wchar_t* result;
  };
  const Case cases[] = {
      {"upper case", ES_UPPERCASE, "abC1", L"ABC1"},
      {"lower case", ES_LOWERCASE, "AbC1", L"abc1"},
      {"digits only", ES_NUMBER, "1a2-3", L"123"},
      {"plain", 0, "aB-1", L"aB-1"},
  };
  UINT id = 60;
  for (const Case& c : cases) {
    CEdit e;
    ASSERT_TRUE(e.Create(kChild | ES_AUTOHSCROLL | c.style, CRect(0, 0, 200, 24), &parent, ++id));
    QTest::keyClicks(e.GetWidget(), c.typed);
    EXPECT_EQ(Text(e), CString(c.result)) << c.name;
  }
}

TEST_F(ControlsTest, MultiLineEditCountsLineBreaksAsTwoCharacters) {
  CEdit e;
  ASSERT_TRUE(e.Create(kChild | ES_MULTILINE | WS_VSCROLL, CRect(0, 0, 300, 120), &parent, 70));
  e.SetWindowText(L"ab\r\ncd\r\n\r\nef");
  EXPECT_EQ(Text(e), CString(L"ab\r\ncd\r\n\r\nef"));
  EXPECT_EQ(e.GetWindowTextLength(), 12);
  EXPECT_EQ(e.GetLineCount(), 4);
  const int lineStarts[] = {0, 4, 8, 10};
  for (int line = 0; line < 4; ++line) EXPECT_EQ(e.LineIndex(line), lineStarts[line]) << "line " << line;
  EXPECT_EQ(e.LineIndex(4), -1);
  struct PosCase {
    int pos;
    int line;
    int lineLength;
  };
  const PosCase positions[] = {{0, 0, 2}, {2, 0, 2}, {4, 1, 2}, {8, 2, 0}, {11, 3, 2}};
  for (const PosCase& p : positions) {
    EXPECT_EQ(e.LineFromChar(p.pos), p.line) << "position " << p.pos;
    EXPECT_EQ(e.LineLength(p.pos), p.lineLength) << "position " << p.pos;
  }
  CString line;
  EXPECT_EQ(e.GetLine(1, line), 2);
  EXPECT_EQ(line, CString(L"cd"));
  EXPECT_EQ(e.GetLine(9, line), 0);

  struct SelCase {
    int start, end;
    const wchar_t* copied;
  };
  const SelCase selections[] = {{4, 6, L"cd"}, {1, 5, L"b\r\nc"}, {0, -1, L"ab\r\ncd\r\n\r\nef"}, {10, 99, L"ef"}};
  for (const SelCase& s : selections) {
    e.SetSel(s.start, s.end);
    int a = 0;
    int b = 0;
    e.GetSel(a, b);
    EXPECT_EQ(b - a, CString(s.copied).GetLength());
    QGuiApplication::clipboard()->clear();
    e.Copy();
    EXPECT_EQ(CString(QGuiApplication::clipboard()->text()), CString(s.copied)) << s.start << ".." << s.end;
  }
}

TEST_F(ControlsTest, ReadOnlyLogEditAppendsAtTheEnd) {
  CEdit log;
  ASSERT_TRUE(log.Create(kChild | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY | WS_VSCROLL, CRect(0, 0, 300, 80), &parent, 71));
  log.SetSel(0, 0);  // wherever the caret was left
  for (int i = 0; i < 40; ++i) {
    CString line;
    line.Format(L"line %d\r\n", i);
    log.SetSel(-1, -1);
    log.ReplaceSel(line);
    if (i == 10) log.SetSel(0, 3);
  }
  CString text = Text(log);
  EXPECT_EQ(log.GetLineCount(), 41);
  EXPECT_EQ(text.Left(8), CString(L"line 0\r\n"));
  EXPECT_EQ(text.Right(9), CString(L"line 39\r\n"));
  EXPECT_EQ(text.Find(L"line 11\r\nline 12\r\n"), text.Find(L"line 11"));
  QTest::keyClicks(log.GetWidget(), "typed");
  EXPECT_EQ(Text(log), text) << "a read-only edit refuses typing";
}

TEST_F(ControlsTest, ClipboardKeysGoThroughTheWindowsMessages) {
  PasteCatcher catcher;
  CEdit plain;
  ASSERT_TRUE(catcher.Create(kChild | ES_AUTOHSCROLL, CRect(0, 0, 200, 24), &parent, 80));
  ASSERT_TRUE(plain.Create(kChild | ES_AUTOHSCROLL, CRect(0, 30, 200, 54), &parent, 81));
  QGuiApplication::clipboard()->setText("pasted");
  QTest::keyClick(catcher.GetWidget(), Qt::Key_V, Qt::ControlModifier);
  catcher.Paste();
  EXPECT_EQ(catcher.pastes, 2);
  EXPECT_EQ(Text(catcher), CString());
  QTest::keyClick(plain.GetWidget(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Text(plain), CString(L"pasted"));

  plain.SetSel(0, 3);
  plain.Cut();
  EXPECT_EQ(Text(plain), CString(L"ted"));
  EXPECT_EQ(CString(QGuiApplication::clipboard()->text()), CString(L"pas"));
  plain.SetSel(0, -1);
  plain.Clear();
  EXPECT_EQ(Text(plain), CString());
  EXPECT_TRUE(plain.CanUndo());
  EXPECT_TRUE(plain.Undo());
  EXPECT_EQ(Text(plain), CString(L"ted"));
  plain.EmptyUndoBuffer();
  EXPECT_FALSE(plain.CanUndo());
}

TEST_F(ControlsTest, PasswordEditHidesItsTextFromTheClipboard) {
  CEdit pw;
  ASSERT_TRUE(pw.Create(kChild | ES_PASSWORD | ES_AUTOHSCROLL, CRect(0, 0, 200, 24), &parent, 82));
  pw.SetWindowText(L"secret");
  EXPECT_NE(pw.GetPasswordChar(), 0);
  EXPECT_EQ(qobject_cast<QLineEdit*>(pw.GetWidget())->echoMode(), QLineEdit::Password);
  QGuiApplication::clipboard()->setText("before");
  pw.SetSel(0, -1);
  pw.Copy();
  pw.Cut();
  EXPECT_EQ(CString(QGuiApplication::clipboard()->text()), CString(L"before"));
  EXPECT_EQ(Text(pw), CString(L"secret"));
  pw.SetPasswordChar(0);
  EXPECT_EQ(qobject_cast<QLineEdit*>(pw.GetWidget())->echoMode(), QLineEdit::Normal);
}

TEST_F(ControlsTest, ReadOnlyEditRefusesUserEditsButNotTheProgram) {
  CEdit e;
  ASSERT_TRUE(e.Create(kChild | ES_AUTOHSCROLL, CRect(0, 0, 200, 24), &parent, 83));
  e.SetWindowText(L"abc");
  EXPECT_TRUE(e.SetReadOnly(TRUE));
  EXPECT_NE(e.GetStyle() & ES_READONLY, 0u);
  e.SetSel(3, 3);
  QTest::keyClicks(e.GetWidget(), "xyz");
  QGuiApplication::clipboard()->setText("pasted");
  e.Paste();
  EXPECT_EQ(Text(e), CString(L"abc"));
  e.ReplaceSel(L"!");
  EXPECT_EQ(Text(e), CString(L"abc!"));
  e.SetReadOnly(FALSE);
  QTest::keyClicks(e.GetWidget(), "d");
  EXPECT_EQ(Text(e), CString(L"abc!d"));
}

// ---- combo boxes and list boxes -------------------------------------------------------------

// The same list operations on both item controls.
struct ItemList {
  const char* name;
  int err;
  std::function<int(const CString&)> add;
  std::function<int(int, const CString&)> find;
  std::function<int(int, const CString&)> findExact;
};

TEST_F(ControlsTest, FindStringSearchesWrapAroundWithoutCase) {
  CComboBox combo;
  CListBox list;
  ASSERT_TRUE(combo.Create(kChild | CBS_DROPDOWNLIST, CRect(0, 0, 150, 200), &parent, 90));
  ASSERT_TRUE(list.Create(kChild, CRect(200, 0, 350, 200), &parent, 91));
  const ItemList lists[] = {
      {"combo box", CB_ERR, [&](const CString& s) { return combo.AddString(s); },
       [&](int i, const CString& s) { return combo.FindString(i, s); },
       [&](int i, const CString& s) { return combo.FindStringExact(i, s); }},
      {"list box", LB_ERR, [&](const CString& s) { return list.AddString(s); },
       [&](int i, const CString& s) { return list.FindString(i, s); },
       [&](int i, const CString& s) { return list.FindStringExact(i, s); }},
  };
  struct Case {
    bool exact;
    int startAfter;
    const wchar_t* text;
    int expected;  // -1: not found
  };
  const Case cases[] = {
      {true, -1, L"alpha", 0},   {true, 0, L"alpha", 2},    {true, 2, L"ALPHA", 0},
      {true, 1, L"Alpha", 2},    {true, -1, L"gamma", 3},   {true, 3, L"gamma", 3},
      {true, -1, L"gam", -1},    {true, -1, L"", -1},       {true, 99, L"beta", 1},
      {true, -7, L"beta", 1},    {false, -1, L"GA", 3},     {false, 0, L"al", 2},
      {false, 2, L"al", 0},      {false, -1, L"", 0},       {false, 1, L"", 2},
      {false, -1, L"alphas", -1}, {false, 3, L"BETA", 1},
  };
  for (const ItemList& l : lists) {
    SCOPED_TRACE(l.name);
    EXPECT_EQ(l.findExact(-1, L"alpha"), l.err) << "an empty list finds nothing";
    for (const wchar_t* item : {L"Alpha", L"beta", L"ALPHA", L"Gamma"}) l.add(item);
    for (const Case& c : cases) {
      int found = c.exact ? l.findExact(c.startAfter, c.text) : l.find(c.startAfter, c.text);
      EXPECT_EQ(found, c.expected < 0 ? l.err : c.expected)
          << (c.exact ? "exact " : "prefix ") << CString(c.text) << " after " << c.startAfter;
    }
  }
}

TEST_F(ControlsTest, ComboBoxReturnCodes) {
  CComboBox c;
  ASSERT_TRUE(c.Create(kChild | CBS_DROPDOWNLIST, CRect(0, 0, 150, 200), &parent, 92));
  CString text;
  struct Step {
    const char* name;
    std::function<int()> call;
    int expected;
  };
  const Step steps[] = {
      {"count of an empty list", [&] { return c.GetCount(); }, 0},
      {"no selection", [&] { return c.GetCurSel(); }, CB_ERR},
      {"select in an empty list", [&] { return c.SetCurSel(0); }, CB_ERR},
      {"delete from an empty list", [&] { return c.DeleteString(0); }, CB_ERR},
      {"text of a missing item", [&] { return c.GetLBText(0, text); }, CB_ERR},
      {"add", [&] { return c.AddString(L"one"); }, 0},
      {"add again", [&] { return c.AddString(L"two"); }, 1},
      {"still no selection after adding", [&] { return c.GetCurSel(); }, CB_ERR},
      {"insert past the end", [&] { return c.InsertString(3, L"x"); }, CB_ERR},
      {"insert below -1", [&] { return c.InsertString(-2, L"x"); }, CB_ERR},
      {"insert at the end", [&] { return c.InsertString(-1, L"three"); }, 2},
      {"insert first", [&] { return c.InsertString(0, L"zero"); }, 0},
      {"text length", [&] { return c.GetLBTextLen(3); }, 5},
      {"text length of a missing item", [&] { return c.GetLBTextLen(4); }, CB_ERR},
      {"select", [&] { return c.SetCurSel(2); }, 2},
      {"selection", [&] { return c.GetCurSel(); }, 2},
      {"item data of a missing item", [&] { return static_cast<int>(c.SetItemData(9, 5)); }, CB_ERR},
      {"item data", [&] { return c.SetItemData(2, 77); }, CB_OKAY},
      {"item data read", [&] { return static_cast<int>(c.GetItemData(2)); }, 77},
      {"item data of a bad index", [&] { return static_cast<int>(c.GetItemData(-1)); }, CB_ERR},
      {"delete before the selection", [&] { return c.DeleteString(0); }, 3},
      {"the selection moved up", [&] { return c.GetCurSel(); }, 1},
      {"the item data moved with it", [&] { return static_cast<int>(c.GetItemData(1)); }, 77},
      {"delete the selected item", [&] { return c.DeleteString(1); }, 2},
      {"no selection after deleting it", [&] { return c.GetCurSel(); }, CB_ERR},
      {"select again", [&] { return c.SetCurSel(0); }, 0},
      {"select out of range", [&] { return c.SetCurSel(5); }, CB_ERR},
      {"which cleared the selection", [&] { return c.GetCurSel(); }, CB_ERR},
      {"select -1", [&] { return c.SetCurSel(-1); }, CB_ERR},
      {"select by prefix", [&] { return c.SelectString(-1, L"TH"); }, 1},
      {"select by a missing prefix keeps the selection", [&] { return c.SelectString(-1, L"q"); }, CB_ERR},
      {"selection kept", [&] { return c.GetCurSel(); }, 1},
      {"reset", [&] { c.ResetContent(); return c.GetCount(); }, 0},
      {"no selection after reset", [&] { return c.GetCurSel(); }, CB_ERR},
  };
  for (const Step& s : steps) EXPECT_EQ(s.call(), s.expected) << s.name;
}

TEST_F(ControlsTest, SortedListsPlaceAddedStringsButInsertWhereTold) {
  CComboBox combo;
  CListBox list;
  ASSERT_TRUE(combo.Create(kChild | CBS_DROPDOWNLIST | CBS_SORT, CRect(0, 0, 150, 200), &parent, 93));
  ASSERT_TRUE(list.Create(kChild | LBS_SORT, CRect(200, 0, 350, 200), &parent, 94));
  struct Case {
    const wchar_t* text;
    int index;
  };
  const Case adds[] = {{L"m", 0}, {L"B", 0}, {L"z", 2}, {L"a", 0}, {L"b", 2}};
  for (const Case& a : adds) {
    EXPECT_EQ(combo.AddString(a.text), a.index) << CString(a.text);
    EXPECT_EQ(list.AddString(a.text), a.index) << CString(a.text);
  }
  EXPECT_EQ(combo.InsertString(0, L"zz"), 0);
  EXPECT_EQ(list.InsertString(-1, L"0"), 5);
  const wchar_t* comboOrder[] = {L"zz", L"a", L"B", L"b", L"m", L"z"};
  const wchar_t* listOrder[] = {L"a", L"B", L"b", L"m", L"z", L"0"};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(combo.GetLBText(i), CString(comboOrder[i])) << i;
    EXPECT_EQ(list.GetText(i), CString(listOrder[i])) << i;
  }
}

TEST_F(ControlsTest, ComboBoxWindowTextFollowsTheSelection) {
  CComboBox list, edit;
  ASSERT_TRUE(list.Create(kChild | CBS_DROPDOWNLIST, CRect(0, 0, 150, 200), &parent, 95));
  ASSERT_TRUE(edit.Create(kChild | CBS_DROPDOWN, CRect(200, 0, 350, 200), &parent, 96));
  for (CComboBox* c : {&list, &edit}) {
    c->AddString(L"SEARCH..");
    c->AddString(L"USB");
  }
  EXPECT_EQ(Text(list), CString());
  list.SetCurSel(1);
  EXPECT_EQ(Text(list), CString(L"USB"));
  list.SetWindowText(L"search..");  // a drop-down list selects the item with the text
  EXPECT_EQ(list.GetCurSel(), 0);
  list.SetWindowText(L"nothing like it");
  EXPECT_EQ(list.GetCurSel(), 0);

  edit.SetWindowText(L"typed");
  EXPECT_EQ(Text(edit), CString(L"typed"));
  edit.AddString(L"more");  // the list changes, the edit text stays
  EXPECT_EQ(Text(edit), CString(L"typed"));
  edit.SetCurSel(1);
  EXPECT_EQ(Text(edit), CString(L"USB"));
  parent.Clear();
  QLineEdit* line = qobject_cast<QComboBox*>(edit.GetWidget())->lineEdit();
  ASSERT_NE(line, nullptr);
  QTest::keyClicks(line, "x");
  EXPECT_EQ(parent.Count(WM_COMMAND, CBN_EDITCHANGE), 1);
  EXPECT_EQ(Text(edit), CString(L"USBx"));
}

TEST_F(ControlsTest, UserSelectionInAComboBoxNotifies) {
  CComboBox c;
  ASSERT_TRUE(c.Create(kChild | CBS_DROPDOWNLIST, CRect(0, 0, 150, 30), &parent, 97));
  c.AddString(L"one");
  c.AddString(L"two");
  c.AddString(L"three");
  c.SetCurSel(0);
  parent.Clear();
  QTest::keyClick(c.GetWidget(), Qt::Key_Down);
  EXPECT_EQ(c.GetCurSel(), 1);
  EXPECT_EQ(parent.Count(WM_COMMAND, CBN_SELCHANGE), 1);
  EXPECT_EQ(parent.notices.back().from, c.m_hWnd);

  // Opened by the user: the owner hears of it, and of its closing.
  parent.Clear();
  Click(c.GetWidget());
  EXPECT_TRUE(c.GetDroppedState());
  EXPECT_EQ(parent.Count(WM_COMMAND, CBN_DROPDOWN), 1);
  QAbstractItemView* view = qobject_cast<QComboBox*>(c.GetWidget())->view();
  QTest::keyClick(view, Qt::Key_Down);
  QTest::keyClick(view, Qt::Key_Return);
  EXPECT_FALSE(c.GetDroppedState());
  EXPECT_EQ(c.GetCurSel(), 2);
  EXPECT_EQ(parent.Count(WM_COMMAND, CBN_CLOSEUP), 1);
  EXPECT_EQ(parent.Count(WM_COMMAND, CBN_SELCHANGE), 1);
}

TEST_F(ControlsTest, ListBoxNotifiesUserSelectionOnlyWithLbsNotify) {
  CListBox notify, silent;
  ASSERT_TRUE(notify.Create(kChild | WS_BORDER | LBS_NOTIFY, CRect(0, 0, 150, 120), &parent, 100));
  ASSERT_TRUE(silent.Create(kChild | WS_BORDER, CRect(200, 0, 350, 120), &parent, 101));
  for (CListBox* l : {&notify, &silent}) {
    for (const wchar_t* s : {L"one", L"two", L"three"}) l->AddString(s);
  }
  for (CListBox* l : {&notify, &silent}) {
    parent.Clear();
    CRect r;
    ASSERT_EQ(l->GetItemRect(2, &r), LB_OKAY);
    QWidget* viewport = qobject_cast<QListWidget*>(l->GetWidget())->viewport();
    Click(viewport, QPoint(r.left + 5, r.CenterPoint().y));
    EXPECT_EQ(l->GetCurSel(), 2);
    QTest::mouseDClick(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(r.left + 5, r.CenterPoint().y));
    bool notifies = l == &notify;
    EXPECT_EQ(parent.Count(WM_COMMAND, LBN_SELCHANGE), notifies ? 1 : 0);
    EXPECT_EQ(parent.Count(WM_COMMAND, LBN_DBLCLK), notifies ? 1 : 0);
  }
}

TEST_F(ControlsTest, ListBoxSelectionReturnCodes) {
  CListBox single, multi;
  ASSERT_TRUE(single.Create(kChild, CRect(0, 0, 150, 120), &parent, 102));
  ASSERT_TRUE(multi.Create(kChild | LBS_EXTENDEDSEL, CRect(200, 0, 350, 120), &parent, 103));
  for (CListBox* l : {&single, &multi}) {
    for (const wchar_t* s : {L"a", L"b", L"c", L"d"}) l->AddString(s);
  }
  int items[8] = {};
  struct Step {
    const char* name;
    std::function<int()> call;
    int expected;
  };
  const Step steps[] = {
      {"single: nothing selected", [&] { return single.GetCurSel(); }, LB_ERR},
      {"single: SetSel is for multiple selection", [&] { return single.SetSel(1); }, LB_ERR},
      {"single: GetSelCount too", [&] { return single.GetSelCount(); }, LB_ERR},
      {"single: select", [&] { return single.SetCurSel(3); }, 3},
      {"single: GetSel of the selected item", [&] { return single.GetSel(3); }, 1},
      {"single: GetSel of another", [&] { return single.GetSel(0); }, 0},
      {"single: GetSel of a bad index", [&] { return single.GetSel(9); }, LB_ERR},
      {"single: select out of range", [&] { return single.SetCurSel(4); }, LB_ERR},
      {"single: cleared", [&] { return single.GetCurSel(); }, LB_ERR},
      {"multi: SetCurSel is for single selection", [&] { return multi.SetCurSel(1); }, LB_ERR},
      {"multi: select two", [&] { return multi.SetSel(1) + multi.SetSel(3); }, LB_OKAY},
      {"multi: count", [&] { return multi.GetSelCount(); }, 2},
      {"multi: items", [&] { return multi.GetSelItems(8, items) * 100 + items[0] * 10 + items[1]; }, 213},
      {"multi: items cut to the buffer", [&] { return multi.GetSelItems(1, items); }, 1},
      {"multi: select all", [&] { return multi.SetSel(-1, TRUE); }, LB_OKAY},
      {"multi: all selected", [&] { return multi.GetSelCount(); }, 4},
      {"multi: deselect a range", [&] { return multi.SelItemRange(FALSE, 2, 0); }, LB_OKAY},
      {"multi: what is left", [&] { return multi.GetSelCount(); }, 1},
      {"multi: a bad index", [&] { return multi.SetSel(4); }, LB_ERR},
      {"delete a missing item", [&] { return single.DeleteString(4); }, LB_ERR},
      {"delete", [&] { return single.DeleteString(0); }, 3},
      {"text of a missing item", [&] { return single.GetTextLen(3); }, LB_ERR},
  };
  for (const Step& s : steps) EXPECT_EQ(s.call(), s.expected) << s.name;
}

TEST_F(ControlsTest, ListBoxGeometryTopIndexAndHitTesting) {
  CListBox l;
  ASSERT_TRUE(l.Create(kChild | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, CRect(0, 0, 150, 100), &parent, 104));
  ASSERT_EQ(l.SetItemHeight(0, 20), LB_OKAY);
  EXPECT_EQ(l.SetItemHeight(0, 256), LB_ERR);
  for (int i = 0; i < 30; ++i) {
    CString s;
    s.Format(L"item %d", i);
    l.AddString(s);
  }
  EXPECT_EQ(l.GetItemHeight(0), 20);
  EXPECT_EQ(l.GetTopIndex(), 0);
  CRect r;
  ASSERT_EQ(l.GetItemRect(1, &r), LB_OKAY);
  EXPECT_EQ(r.top, 20);
  EXPECT_EQ(r.Height(), 20);
  BOOL outside = TRUE;
  EXPECT_EQ(l.ItemFromPoint(CPoint(5, r.top + 3), outside), 1u);
  EXPECT_FALSE(outside);
  ASSERT_EQ(l.SetTopIndex(10), LB_OKAY);
  EXPECT_EQ(l.GetTopIndex(), 10);
  ASSERT_EQ(l.GetItemRect(10, &r), LB_OKAY);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(l.ItemFromPoint(CPoint(5, 25), outside), 11u);
  EXPECT_EQ(l.SetTopIndex(30), LB_ERR);
  l.ItemFromPoint(CPoint(5, 500), outside);
  EXPECT_TRUE(outside);
  l.SetHorizontalExtent(600);
  EXPECT_EQ(l.GetHorizontalExtent(), 600);
}

TEST_F(ControlsTest, OwnerDrawnListBoxItemsReachTheParent) {
  parent.heightFor = [](UINT) { return 20u; };
  CListBox l;
  ASSERT_TRUE(l.Create(kChild | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT, CRect(10, 10, 210, 110),
                       &parent, 105));
  for (int i = 0; i < 3; ++i) {
    l.AddString(i == 0 ? L"one" : i == 1 ? L"two" : L"three");
    l.SetItemData(i, 100 + static_cast<DWORD_PTR>(i));
  }
  ASSERT_EQ(parent.measures.size(), 1u) << "a fixed list measures once";
  EXPECT_EQ(parent.measures[0].CtlType, static_cast<UINT>(ODT_LISTBOX));
  EXPECT_EQ(parent.measures[0].CtlID, 105u);
  EXPECT_EQ(l.GetItemHeight(0), 20);
  l.SetCurSel(1);
  parent.draws.clear();
  l.GetWidget()->grab();
  int width = qobject_cast<QListWidget*>(l.GetWidget())->viewport()->width();
  for (UINT i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    auto it = std::find_if(parent.draws.begin(), parent.draws.end(), [i](const DRAWITEMSTRUCT& d) { return d.itemID == i; });
    ASSERT_NE(it, parent.draws.end());
    EXPECT_EQ(it->CtlType, static_cast<UINT>(ODT_LISTBOX));
    EXPECT_EQ(it->CtlID, 105u);
    EXPECT_EQ(it->hwndItem, l.m_hWnd);
    EXPECT_EQ(it->itemData, 100 + i);
    EXPECT_EQ(CRect(it->rcItem), CRect(0, static_cast<int>(i) * 20, width, static_cast<int>(i) * 20 + 20));
    EXPECT_EQ((it->itemState & ODS_SELECTED) != 0, i == 1);
  }
  // The texts stay with the items, for GetText and for accessibility.
  EXPECT_EQ(l.GetText(2), CString(L"three"));
  QAccessibleInterface* acc = QAccessible::queryAccessibleInterface(l.GetWidget());
  ASSERT_NE(acc, nullptr);
  QStringList names;
  for (int i = 0; i < acc->childCount(); ++i) {
    if (QAccessibleInterface* child = acc->child(i)) names << child->text(QAccessible::Name);
  }
  EXPECT_TRUE(names.contains("two")) << names.join(",").toStdString();
}

TEST_F(ControlsTest, VariableOwnerDrawnListMeasuresEveryItem) {
  parent.heightFor = [](UINT id) { return 10 + id * 5; };
  CListBox l;
  ASSERT_TRUE(l.Create(kChild | LBS_OWNERDRAWVARIABLE | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT, CRect(10, 10, 210, 150),
                       &parent, 106));
  for (int i = 0; i < 4; ++i) l.InsertString(-1, L"line");
  ASSERT_EQ(parent.measures.size(), 4u);
  int top = 0;
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(parent.measures[static_cast<size_t>(i)].itemID, static_cast<UINT>(i));
    EXPECT_EQ(l.GetItemHeight(i), 10 + i * 5);
    CRect r;
    ASSERT_EQ(l.GetItemRect(i, &r), LB_OKAY);
    EXPECT_EQ(r.top, top) << i;
    top += 10 + i * 5;
  }
  EXPECT_EQ(l.GetItemHeight(4), LB_ERR);
  // A parent that leaves owner draw alone lets the list measure and draw itself.
  parent.heightFor = nullptr;
  parent.takeDrawItem = false;
  SelfDrawnList own;
  ASSERT_TRUE(own.Create(kChild | LBS_OWNERDRAWVARIABLE | LBS_HASSTRINGS, CRect(220, 10, 400, 150), &parent, 107));
  own.AddString(L"a");
  own.AddString(L"b");
  EXPECT_EQ(own.GetItemHeight(1), 17);
  own.GetWidget()->grab();
  EXPECT_NE(std::find(own.drawn.begin(), own.drawn.end(), 1u), own.drawn.end());
}

// ---- a control taken over by another object --------------------------------------------------

TEST_F(ControlsTest, SubclassingMemberSeesTheControlsState) {
  auto* wrapper = new CComboBox();
  wrapper->SetWrapperOwned(true);
  ASSERT_TRUE(wrapper->Create(kChild | CBS_DROPDOWNLIST, CRect(0, 0, 150, 200), &parent, 110));
  wrapper->AddString(L"a");
  wrapper->AddString(L"b");
  wrapper->SetItemData(1, 42);
  wrapper->SetCurSel(1);
  auto* editWrapper = new CEdit();
  editWrapper->SetWrapperOwned(true);
  ASSERT_TRUE(editWrapper->Create(kChild | ES_AUTOHSCROLL, CRect(0, 40, 150, 64), &parent, 111));
  editWrapper->LimitText(4);
  HWND comboHandle = wrapper->m_hWnd;
  HWND editHandle = editWrapper->m_hWnd;

  CComboBox combo;
  PasteCatcher edit;
  ASSERT_TRUE(combo.SubclassWindow(comboHandle));
  ASSERT_TRUE(edit.SubclassWindow(editHandle));
  EXPECT_EQ(combo.GetCount(), 2);
  EXPECT_EQ(combo.GetCurSel(), 1);
  EXPECT_EQ(combo.GetItemData(1), 42u);
  EXPECT_EQ(edit.GetLimitText(), 4u);
  QTest::keyClick(edit.GetWidget(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(edit.pastes, 1) << "the new object's map gets the messages";
  parent.Clear();
  QTest::keyClick(combo.GetWidget(), Qt::Key_Up);
  ASSERT_EQ(parent.Count(WM_COMMAND, CBN_SELCHANGE), 1);
  EXPECT_EQ(parent.notices.back().from, comboHandle);
}

// ---- statics ----------------------------------------------------------------------------------

TEST_F(ControlsTest, StaticsNotifyClicksOnlyWithSsNotify) {
  CStatic notify, plain;
  ASSERT_TRUE(notify.Create(L"&Link", kChild | SS_NOTIFY, CRect(0, 0, 100, 20), &parent, 120));
  ASSERT_TRUE(plain.Create(L"Label", kChild, CRect(0, 40, 100, 60), &parent, 121));
  EXPECT_EQ(Text(notify), CString(L"&Link"));
  notify.GetWidget()->grab();
  plain.GetWidget()->grab();
  Click(notify.GetWidget());
  QTest::mouseDClick(notify.GetWidget(), Qt::LeftButton);
  EXPECT_GE(parent.Count(WM_COMMAND, STN_CLICKED), 1);
  EXPECT_EQ(parent.Count(WM_COMMAND, STN_DBLCLK), 1);
  parent.Clear();
  // A plain label lets the mouse through to the window under it.
  QTest::mouseClick(parent.GetWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
  EXPECT_TRUE(parent.notices.empty());
  // Style changes made later count (as a hyperlink control adds SS_NOTIFY to its static).
  plain.ModifyStyle(0, SS_NOTIFY);
  plain.GetWidget()->grab();
  Click(plain.GetWidget());
  EXPECT_EQ(parent.Count(WM_COMMAND, STN_CLICKED), 1);
}

TEST_F(ControlsTest, StaticTextColourComesFromCtlColor) {
  RedStatic red;
  CStatic plain;
  ASSERT_TRUE(red.Create(L"WWWWWW", kChild, CRect(0, 0, 120, 24), &parent, 122));
  ASSERT_TRUE(plain.Create(L"WWWWWW", kChild, CRect(0, 30, 120, 54), &parent, 123));
  EXPECT_TRUE(HasColor(red.GetWidget()->grab().toImage(), qRgb(255, 0, 0)));
  EXPECT_FALSE(HasColor(plain.GetWidget()->grab().toImage(), qRgb(255, 0, 0)));
}

TEST_F(ControlsTest, StaticImagesAndOwnerDraw) {
  CStatic pic, drawn;
  ASSERT_TRUE(pic.Create(L"", kChild | SS_BITMAP, CRect(0, 0, 10, 10), &parent, 124));
  ASSERT_TRUE(drawn.Create(L"", kChild | SS_OWNERDRAW, CRect(0, 50, 80, 70), &parent, 125));
  QImage image(16, 12, QImage::Format_RGB32);
  image.fill(qRgb(0, 0, 255));
  CBitmap bitmap;
  ASSERT_TRUE(bitmap.CreateFromImage(image));
  EXPECT_EQ(pic.SetBitmap(bitmap), nullptr);
  EXPECT_EQ(pic.GetBitmap(), static_cast<HBITMAP>(bitmap));
  EXPECT_EQ(pic.GetWidget()->size(), QSize(16, 12)) << "a bitmap static takes its bitmap's size";
  EXPECT_TRUE(HasColor(pic.GetWidget()->grab().toImage(), qRgb(0, 0, 255)));
  EXPECT_EQ(pic.SetBitmap(nullptr), static_cast<HBITMAP>(bitmap));

  parent.Clear();
  drawn.GetWidget()->grab();
  ASSERT_FALSE(parent.draws.empty());
  EXPECT_EQ(parent.draws.back().CtlType, static_cast<UINT>(ODT_STATIC));
  EXPECT_EQ(parent.draws.back().CtlID, 125u);
  EXPECT_EQ(CRect(parent.draws.back().rcItem), CRect(0, 0, 80, 20));
}

// ---- progress bar -----------------------------------------------------------------------------

TEST_F(ControlsTest, ProgressBarPositionsAndColours) {
  CProgressCtrl p;
  ASSERT_TRUE(p.Create(kChild | PBS_SMOOTH, CRect(0, 0, 200, 20), &parent, 130));
  int lo = -1;
  int hi = -1;
  p.GetRange(lo, hi);
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 100);
  struct Step {
    const char* name;
    std::function<int()> call;
    int result;
    int posAfter;
  };
  const Step steps[] = {
      {"SetPos answers the old position", [&] { return p.SetPos(50); }, 0, 50},
      {"past the end is the end", [&] { return p.SetPos(150); }, 50, 100},
      {"OffsetPos", [&] { return p.OffsetPos(-30); }, 100, 70},
      {"SetStep answers the old step", [&] { return p.SetStep(25); }, 10, 70},
      {"StepIt", [&] { return p.StepIt(); }, 70, 95},
      {"StepIt past the end starts over", [&] { return p.StepIt(); }, 95, 20},
      {"below the start is the start", [&] { return p.SetPos(-5); }, 20, 0},
      {"a new range keeps the position inside", [&] { p.SetRange32(10, 40); return p.GetPos(); }, 10, 10},
      {"an empty range (lower 0, count 1)", [&] { p.SetRange(0, 0); return p.GetPos(); }, 0, 0},
      {"which holds no position but its start", [&] { return p.SetPos(7); }, 0, 0},
  };
  for (const Step& s : steps) {
    EXPECT_EQ(s.call(), s.result) << s.name;
    EXPECT_EQ(p.GetPos(), s.posAfter) << s.name;
  }
  p.GetRange(lo, hi);
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 0);
  EXPECT_EQ(p.SetBarColor(RGB(0, 128, 0)), CLR_DEFAULT);
  EXPECT_EQ(p.SetBarColor(RGB(1, 2, 3)), RGB(0, 128, 0));
  EXPECT_EQ(p.SetBkColor(RGB(9, 9, 9)), CLR_DEFAULT);
  EXPECT_EQ(p.GetBkColor(), RGB(9, 9, 9));
  PBRANGE range{};
  p.SendMessage(PBM_SETRANGE32, 5, 15);
  EXPECT_EQ(p.SendMessage(PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range)), 5);
  EXPECT_EQ(range.iHigh, 15);
}

// ---- scroll bar -------------------------------------------------------------------------------

TEST_F(ControlsTest, ScrollBarRangePageAndPosition) {
  CScrollBar bar;
  ASSERT_TRUE(bar.Create(kChild | SBS_VERT, CRect(300, 0, 317, 200), &parent, 140));
  int lo = -1;
  int hi = -1;
  bar.GetScrollRange(&lo, &hi);
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 0);
  SCROLLINFO si{sizeof(SCROLLINFO), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 100, 10, 50, 0};
  bar.SetScrollInfo(&si);
  EXPECT_EQ(bar.GetScrollLimit(), 91);
  struct Case {
    int set;
    int old;
    int now;
  };
  const Case cases[] = {{20, 50, 20}, {200, 20, 91}, {-3, 91, 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(bar.SetScrollPos(c.set), c.old) << c.set;
    EXPECT_EQ(bar.GetScrollPos(), c.now) << c.set;
  }
  SCROLLINFO out{sizeof(SCROLLINFO), SIF_ALL, 0, 0, 0, 0, 0};
  ASSERT_TRUE(bar.GetScrollInfo(&out));
  EXPECT_EQ(out.nMax, 100);
  EXPECT_EQ(out.nPage, 10u);
  bar.SetScrollRange(0, 5);  // the page shrinks to fit the range
  ASSERT_TRUE(bar.GetScrollInfo(&out));
  EXPECT_EQ(out.nPage, 6u);
}

TEST_F(ControlsTest, ScrollBarMovesOnlyWhenItsOwnerSaysSo) {
  CScrollBar bar;
  ASSERT_TRUE(bar.Create(kChild | SBS_VERT, CRect(300, 0, 317, 200), &parent, 141));
  bar.SetScrollRange(0, 100);
  auto* qbar = qobject_cast<QScrollBar*>(bar.GetWidget());
  ASSERT_NE(qbar, nullptr);
  QPoint downArrow(8, 195);

  // Nobody answers: the bar stays, and the parent heard the line-down and the end.
  QTest::mouseClick(qbar, Qt::LeftButton, Qt::NoModifier, downArrow);
  EXPECT_EQ(parent.Codes(WM_VSCROLL), (std::vector<UINT>{SB_LINEDOWN, SB_ENDSCROLL}));
  EXPECT_EQ(parent.notices.front().from, bar.m_hWnd);
  EXPECT_EQ(bar.GetScrollPos(), 0);
  EXPECT_EQ(qbar->value(), 0);

  // An owner that follows the Windows pattern moves it.
  parent.onScroll = [](CScrollBar* b, UINT code, int pos) {
    if (code == SB_LINEDOWN) b->SetScrollPos(b->GetScrollPos() + 1);
    if (code == SB_THUMBTRACK || code == SB_THUMBPOSITION) b->SetScrollPos(pos);
  };
  parent.Clear();
  QTest::mouseClick(qbar, Qt::LeftButton, Qt::NoModifier, downArrow);
  EXPECT_EQ(bar.GetScrollPos(), 1);
  EXPECT_EQ(qbar->value(), 1);

  // Dragging the thumb: tracking positions, then the final one and the end.
  parent.Clear();
  qbar->setSliderDown(true);
  qbar->setSliderPosition(40);
  qbar->setSliderDown(false);
  EXPECT_EQ(parent.Codes(WM_VSCROLL), (std::vector<UINT>{SB_THUMBTRACK, SB_THUMBPOSITION, SB_ENDSCROLL}));
  EXPECT_EQ(parent.notices[0].value, 40);
  EXPECT_EQ(bar.GetScrollPos(), 40);

  // Without an owner's answer a dragged thumb goes back.
  parent.onScroll = nullptr;
  qbar->setSliderDown(true);
  qbar->setSliderPosition(70);
  qbar->setSliderDown(false);
  EXPECT_EQ(bar.GetScrollPos(), 40);
  EXPECT_EQ(qbar->value(), 40);
}

// ---- IP address -------------------------------------------------------------------------------

TEST_F(ControlsTest, IpAddressFieldsFromTextAndNumbers) {
  CIPAddressCtrl ip;
  ASSERT_TRUE(ip.Create(kChild, CRect(0, 0, 160, 24), &parent, 150));
  EXPECT_TRUE(ip.IsBlank());
  struct Case {
    const wchar_t* text;
    int filled;
    DWORD address;
  };
  const Case cases[] = {
      {L"192.168.0.1", 4, 0xC0A80001u}, {L"256.1.1.1", 4, 0xFF010101u}, {L"1.2", 2, 0x01020000u},
      {L"a.b.c.d", 0, 0}, {L"", 0, 0}, {L"10..3.4", 3, 0x0A000304u}, {L"1.2.3.4.5", 4, 0x01020304u},
  };
  for (const Case& c : cases) {
    ip.SetWindowText(c.text);
    DWORD address = 0xDEADBEEF;
    EXPECT_EQ(ip.GetAddress(address), c.filled) << CString(c.text);
    EXPECT_EQ(address, c.address) << CString(c.text);
    EXPECT_EQ(ip.IsBlank() != FALSE, c.filled == 0) << CString(c.text);
  }
  ip.SetAddress(MAKEIPADDRESS(10, 20, 30, 40));
  BYTE b0 = 0, b1 = 0, b2 = 0, b3 = 0;
  EXPECT_EQ(ip.GetAddress(b0, b1, b2, b3), 4);
  EXPECT_EQ((std::vector<int>{b0, b1, b2, b3}), (std::vector<int>{10, 20, 30, 40}));
  EXPECT_EQ(Text(ip), CString(L"10.20.30.40"));
  ip.ClearAddress();
  EXPECT_TRUE(ip.IsBlank());
}

TEST_F(ControlsTest, IpAddressTypingClampsAndNotifies) {
  CIPAddressCtrl ip;
  ASSERT_TRUE(ip.Create(kChild, CRect(0, 0, 160, 24), &parent, 151));
  QList<QLineEdit*> fields = ip.GetWidget()->findChildren<QLineEdit*>();
  ASSERT_EQ(fields.size(), 4);
  QTest::keyClicks(fields[0], "300");
  DWORD address = 0;
  EXPECT_EQ(ip.GetAddress(address), 1);
  EXPECT_EQ(FIRST_IPADDRESS(address), 255u);
  EXPECT_GE(parent.Count(WM_NOTIFY, IPN_FIELDCHANGED), 1);
  EXPECT_GE(parent.Count(WM_COMMAND, EN_CHANGE), 1);
  EXPECT_EQ(parent.notices.back().value, 255);
  QTest::keyClicks(fields[1], "1x2");
  EXPECT_EQ(fields[1]->text(), QString("12"));
}

// ---- tooltip ----------------------------------------------------------------------------------

TEST_F(ControlsTest, TooltipToolsFollowAddUpdateActivateAndDelete) {
  CToolTipCtrl tip;
  ASSERT_TRUE(tip.Create(&parent, TTS_ALWAYSTIP));
  CStatic label;
  ASSERT_TRUE(label.Create(L"label", kChild | SS_NOTIFY, CRect(0, 0, 100, 20), &parent, 160));
  QWidget* w = label.GetWidget();
  ASSERT_TRUE(tip.AddTool(&label, L"the whole name"));
  EXPECT_EQ(tip.GetToolCount(), 1);
  EXPECT_EQ(w->toolTip(), QString("the whole name"));
  tip.UpdateTipText(L"changed", &label);
  CString text;
  tip.GetText(text, &label);
  EXPECT_EQ(text, CString(L"changed"));
  EXPECT_EQ(w->toolTip(), QString("changed"));
  tip.Activate(FALSE);
  EXPECT_TRUE(w->toolTip().isEmpty());
  tip.Activate(TRUE);
  EXPECT_EQ(w->toolTip(), QString("changed"));
  tip.DelTool(&label);
  EXPECT_EQ(tip.GetToolCount(), 0);
  EXPECT_TRUE(w->toolTip().isEmpty());
  EXPECT_FALSE(tip.AddTool(nullptr, L"x"));
}

TEST_F(ControlsTest, TooltipRectangleToolsShowInsideTheirRectangle) {
  CToolTipCtrl tip;
  ASSERT_TRUE(tip.Create(&parent));
  CStatic area;
  ASSERT_TRUE(area.Create(L"", kChild | SS_NOTIFY, CRect(0, 0, 200, 100), &parent, 161));
  CRect rc(0, 0, 50, 50);
  ASSERT_TRUE(tip.AddTool(&area, L"corner", &rc, 5));
  QWidget* w = area.GetWidget();
  QHelpEvent inside(QEvent::ToolTip, QPoint(10, 10), w->mapToGlobal(QPoint(10, 10)));
  QApplication::sendEvent(w, &inside);
  EXPECT_TRUE(QToolTip::isVisible());
  EXPECT_EQ(QToolTip::text(), QString("corner"));
  tip.Activate(FALSE);
  ASSERT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 5000));
  QHelpEvent again(QEvent::ToolTip, QPoint(10, 10), w->mapToGlobal(QPoint(10, 10)));
  QApplication::sendEvent(w, &again);
  EXPECT_FALSE(QToolTip::isVisible()) << "an inactive control shows no tips";
}

TEST_F(ControlsTest, TooltipDelaysAndWidth) {
  CToolTipCtrl tip;
  ASSERT_TRUE(tip.Create(&parent));
  EXPECT_EQ(tip.GetDelayTime(TTDT_AUTOPOP), 5000);
  tip.SetDelayTime(1000);
  EXPECT_EQ(tip.GetDelayTime(TTDT_INITIAL), 1000);
  EXPECT_EQ(tip.GetDelayTime(TTDT_AUTOPOP), 10000);
  EXPECT_EQ(tip.GetDelayTime(TTDT_RESHOW), 200);
  tip.SetDelayTime(TTDT_INITIAL, 30);
  EXPECT_EQ(tip.GetDelayTime(TTDT_INITIAL), 30);
  tip.SetDelayTime(10000, 10);  // not a delay kind: nothing changes
  EXPECT_EQ(tip.GetDelayTime(TTDT_INITIAL), 30);
  EXPECT_EQ(tip.SetMaxTipWidth(300), -1);
  EXPECT_EQ(tip.SetMaxTipWidth(100), 300);
  tip.SetTipBkColor(RGB(0, 0, 0));
  tip.SetTipTextColor(RGB(255, 255, 255));
  EXPECT_EQ(tip.GetTipBkColor(), RGB(0, 0, 0));
  EXPECT_EQ(tip.GetTipTextColor(), RGB(255, 255, 255));
}

// ---- objects without a window -----------------------------------------------------------------

TEST(ControlsWithoutWindow, AnswerErrorValues) {
  CButton button;
  CEdit edit;
  CStatic label;
  CComboBox combo;
  CListBox list;
  CProgressCtrl progress;
  CScrollBar bar;
  CIPAddressCtrl ip;
  CToolTipCtrl tip;
  CString text;
  int a = 5;
  int b = 5;
  SCROLLINFO si{sizeof(SCROLLINFO), SIF_ALL, 0, 0, 0, 0, 0};
  DWORD address = 1;
  struct Case {
    const char* name;
    std::function<long long()> call;
    long long expected;
  };
  const Case cases[] = {
      {"button check", [&] { return button.GetCheck(); }, 0},
      {"button state", [&] { return button.GetState(); }, 0},
      {"button bitmap", [&] { return reinterpret_cast<long long>(button.SetBitmap(nullptr)); }, 0},
      {"edit limit", [&] { return edit.GetLimitText(); }, 0},
      {"edit lines", [&] { return edit.GetLineCount(); }, 0},
      {"edit selection", [&] { edit.SetSel(0, -1); edit.GetSel(a, b); return a + b; }, 0},
      {"edit line index", [&] { return edit.LineIndex(0); }, -1},
      {"edit undo", [&] { return edit.Undo(); }, FALSE},
      {"static bitmap", [&] { return reinterpret_cast<long long>(label.GetBitmap()); }, 0},
      {"combo count", [&] { return combo.GetCount(); }, CB_ERR},
      {"combo add", [&] { return combo.AddString(L"x"); }, CB_ERR},
      {"combo select", [&] { return combo.SetCurSel(0); }, CB_ERR},
      {"combo find", [&] { return combo.FindStringExact(-1, L"x"); }, CB_ERR},
      {"combo text", [&] { return combo.GetLBText(0, text); }, CB_ERR},
      {"combo data", [&] { return static_cast<long long>(combo.GetItemData(0)); },
       static_cast<long long>(static_cast<DWORD_PTR>(CB_ERR))},
      {"list count", [&] { return list.GetCount(); }, LB_ERR},
      {"list insert", [&] { return list.InsertString(0, L"x"); }, LB_ERR},
      {"list selection", [&] { return list.GetCurSel(); }, LB_ERR},
      {"list rect", [&] { CRect r; return list.GetItemRect(0, &r); }, LB_ERR},
      {"list height", [&] { return list.GetItemHeight(0); }, LB_ERR},
      {"progress position", [&] { return progress.SetPos(5); }, 0},
      {"progress step", [&] { return progress.StepIt(); }, 0},
      {"scroll info", [&] { return bar.GetScrollInfo(&si); }, FALSE},
      {"scroll position", [&] { return bar.SetScrollPos(3); }, 0},
      {"ip address", [&] { return ip.GetAddress(address) * 10 + static_cast<long long>(address); }, 0},
      {"ip blank", [&] { return ip.IsBlank(); }, TRUE},
      {"tooltip tool", [&] { return tip.AddTool(&button, L"x"); }, FALSE},
      {"tooltip count", [&] { return tip.GetToolCount(); }, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(c.call(), c.expected) << c.name;
}

}  // namespace

// The filtering edits: real key presses and pastes through the layer into CNumbericEdit and
// CHexEdit (the text and caret after each), the locale's symbols, and the double-click report of
// CEditFileRead.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "../../platform/qt_app.h"
#include "platform/controls.h"
#include "reference/control/edit/editfileread.h"
#include "reference/control/edit/hexedit.h"
#include "reference/control/edit/numbericedit.h"

namespace {

const DWORD kEditStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL;
const LocaleNumberSymbols kPlainSymbols{L'.', L'-'};

class Parent : public CWnd {
 public:
  struct Command {
    UINT id;
    UINT code;
    LPARAM lParam;
    int selStart;  // the edit's selection when the command arrived
    int selEnd;
  };
  std::vector<Command> commands;
  CEdit* watched = nullptr;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_COMMAND) {
      Command c{LOWORD(wParam), HIWORD(wParam), lParam, -1, -1};
      if (watched != nullptr) watched->GetSel(c.selStart, c.selEnd);
      commands.push_back(c);
    }
    return CWnd::WindowProc(message, wParam, lParam);
  }
};

// A key press as the user makes it.
struct Key {
  Qt::Key key;
  Qt::KeyboardModifiers modifiers;
};
Key K(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) { return Key{key, modifiers}; }

struct KeyCase {
  const char* name;
  const wchar_t* text;  // the field before
  int start;            // its selection
  int end;
  Key key;
  const wchar_t* expected;  // the field after
  int caret;                // the caret after (-1: not checked)
};

struct PasteCase {
  const char* name;
  const wchar_t* text;
  int start;
  int end;
  const wchar_t* clipboard;
  const wchar_t* expected;
  int caret;  // -1: not checked
};

class EditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::EnsureApp();
    CHexEdit::SetLocaleSymbols(kPlainSymbols);
    CNumbericEdit::SetLocaleSymbols(kPlainSymbols);
    ASSERT_TRUE(parent.CreateEx(0, nullptr, L"edits", WS_POPUP | WS_VISIBLE, CRect(40, 40, 440, 240), nullptr, 0));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(parent.GetWidget()));
  }
  void TearDown() override {
    if (parent.m_hWnd != nullptr) parent.DestroyWindow();
    CHexEdit::SetLocaleSymbols(savedHex);
    CNumbericEdit::SetLocaleSymbols(savedNumeric);
  }

  template <typename Edit>
  void Make(Edit& edit, UINT id = 3001) {
    ASSERT_TRUE(edit.Create(kEditStyle, CRect(10, 10, 200, 34), &parent, id));
  }

  static void Prepare(CEdit& edit, const wchar_t* text, int start, int end) {
    edit.SetWindowText(CString(text));
    edit.SetSel(start, end);
  }

  static void Press(CEdit& edit, const Key& key) {
    QTest::keyClick(edit.GetWidget(), key.key, key.modifiers);
  }

  static void PasteWithKeys(CEdit& edit, const wchar_t* clipboard) {
    ASSERT_TRUE(SetClipboardText(CString(clipboard)));
    QTest::keyClick(edit.GetWidget(), Qt::Key_V, Qt::ControlModifier);
  }

  static std::string Utf8(const CString& s) { return s.ToUtf8(); }

  // The field's text, and its caret unless caret is -1 (no selection).
  static void ExpectField(CEdit& edit, const char* name, const wchar_t* expected, int caret) {
    EXPECT_EQ(Utf8(edit.GetWindowText()), Utf8(CString(expected))) << name;
    if (caret < 0) return;
    int s = -1;
    int e = -1;
    edit.GetSel(s, e);
    EXPECT_EQ(s, caret) << name;
    EXPECT_EQ(e, caret) << name;
  }

  static void RunKeys(CEdit& edit, const std::vector<KeyCase>& cases) {
    for (const KeyCase& c : cases) {
      Prepare(edit, c.text, c.start, c.end);
      Press(edit, c.key);
      ExpectField(edit, c.name, c.expected, c.caret);
    }
  }

  static void RunPastes(CEdit& edit, const std::vector<PasteCase>& cases) {
    for (const PasteCase& c : cases) {
      Prepare(edit, c.text, c.start, c.end);
      PasteWithKeys(edit, c.clipboard);
      ExpectField(edit, c.name, c.expected, c.caret);
    }
  }

  Parent parent;
  LocaleNumberSymbols savedHex = CHexEdit::GetLocaleSymbols();
  LocaleNumberSymbols savedNumeric = CNumbericEdit::GetLocaleSymbols();
};

TEST_F(EditTest, NumericKeysWithDefaults) {
  CNumbericEdit edit;  // negative allowed, 2 decimals
  Make(edit);
  RunKeys(edit, {
      {"digit into an empty field", L"", 0, 0, K(Qt::Key_5), L"5", 1},
      {"separator into an empty field", L"", 0, 0, K(Qt::Key_Period), L".", 1},
      {"minus into an empty field", L"", 0, 0, K(Qt::Key_Minus), L"-", 1},
      {"keypad digit", L"1", 1, 1, K(Qt::Key_7, Qt::KeypadModifier), L"17", 2},
      {"keypad separator", L"1", 1, 1, K(Qt::Key_Period, Qt::KeypadModifier), L"1.", 2},
      {"digit in front of the sign", L"-12", 0, 0, K(Qt::Key_5), L"-12", 0},
      {"separator in front of the sign", L"-12", 0, 0, K(Qt::Key_Period), L"-12", 0},
      {"second minus in front of the sign", L"-12", 0, 0, K(Qt::Key_Minus), L"-12", 0},
      {"minus over the whole signed text", L"-12", 0, 3, K(Qt::Key_Minus), L"-", 1},
      {"minus at the start", L"12", 0, 0, K(Qt::Key_Minus), L"-12", 1},
      {"minus after the start", L"12", 2, 2, K(Qt::Key_Minus), L"12", 2},
      {"keypad minus after the start", L"12", 1, 1, K(Qt::Key_Minus, Qt::KeypadModifier), L"12", 1},
      {"minus in front of a separator", L".5", 0, 0, K(Qt::Key_Minus), L".5", 0},
      {"third decimal", L"1.25", 4, 4, K(Qt::Key_3), L"1.25", 4},
      {"digit before the separator", L"1.25", 1, 1, K(Qt::Key_3), L"13.25", 2},
      {"digit replacing a decimal", L"1.25", 3, 4, K(Qt::Key_7), L"1.27", 4},
      {"second separator at the end", L"1.5", 3, 3, K(Qt::Key_Period), L"1.5", 3},
      // The caret standing at the separator does not let a second one in.
      {"second separator at the first", L"1.5", 1, 1, K(Qt::Key_Period), L"1.5", 1},
      {"separator replacing the separator", L"1.5", 0, 2, K(Qt::Key_Period), L".5", 1},
      {"separator replacing a digit", L"12", 0, 1, K(Qt::Key_Period), L".2", 1},
      {"separator before three digits", L"123", 0, 0, K(Qt::Key_Period), L"123", 0},
      {"separator before two digits", L"123", 1, 1, K(Qt::Key_Period), L"1.23", 2},
      {"letter A", L"12", 2, 2, K(Qt::Key_A), L"12", 2},
      {"letter Z", L"12", 2, 2, K(Qt::Key_Z), L"12", 2},
      {"space", L"12", 2, 2, K(Qt::Key_Space), L"12", 2},
      {"comma in a full-stop locale", L"12", 2, 2, K(Qt::Key_Comma), L"12", 2},
      {"number sign", L"12", 2, 2, K(Qt::Key_NumberSign), L"12", 2},
      {"plus", L"12", 2, 2, K(Qt::Key_Plus), L"12", 2},
      {"Shift with a digit", L"12", 2, 2, K(Qt::Key_3, Qt::ShiftModifier), L"12", 2},
      {"Shift with Left", L"12", 2, 2, K(Qt::Key_Left, Qt::ShiftModifier), L"12", 2},
      {"Home", L"12", 2, 2, K(Qt::Key_Home), L"12", 2},
      {"Left", L"12", 2, 2, K(Qt::Key_Left), L"12", 1},
      {"Backspace", L"12", 2, 2, K(Qt::Key_Backspace), L"1", 1},
      {"Delete", L"12", 0, 0, K(Qt::Key_Delete), L"2", 0},
  });
}

TEST_F(EditTest, NumericKeysWithOtherSettings) {
  CNumbericEdit six(6);
  Make(six, 3001);
  RunKeys(six, {
      {"sixth decimal", L"1.12345", 7, 7, K(Qt::Key_6), L"1.123456", 8},
      {"seventh decimal", L"1.123456", 8, 8, K(Qt::Key_7), L"1.123456", 8},
  });
  CNumbericEdit integers(0);
  Make(integers, 3003);
  // An integer field takes no separator, except into an empty field.
  RunKeys(integers, {
      {"separator into an empty integer field", L"", 0, 0, K(Qt::Key_Period), L".", 1},
      {"separator into an integer", L"12", 2, 2, K(Qt::Key_Period), L"12", 2},
      {"digit into an integer", L"12", 2, 2, K(Qt::Key_3), L"123", 3},
  });
  CNumbericEdit unsigned_;
  unsigned_.m_bAllowNegative = 0;
  Make(unsigned_, 3005);
  RunKeys(unsigned_, {
      {"minus into an empty unsigned field", L"", 0, 0, K(Qt::Key_Minus), L"", 0},
      {"minus at the start of an unsigned field", L"5", 0, 0, K(Qt::Key_Minus), L"5", 0},
  });
}

TEST_F(EditTest, HexKeysWithDefaults) {
  CHexEdit edit;  // no sign, no decimals
  Make(edit);
  RunKeys(edit, {
      {"digit", L"", 0, 0, K(Qt::Key_1), L"1", 1},
      {"letter A", L"1", 1, 1, K(Qt::Key_A), L"1a", 2},
      {"letter G", L"1", 1, 1, K(Qt::Key_G), L"1", 1},
      // Shift with a digit key types a symbol such as '#', the device lines' value separator.
      {"Shift with 3", L"12", 2, 2, K(Qt::Key_3, Qt::ShiftModifier), L"12", 2},
      {"number sign", L"12", 2, 2, K(Qt::Key_NumberSign, Qt::ShiftModifier), L"12", 2},
      {"minus", L"12", 0, 0, K(Qt::Key_Minus), L"12", 0},
      {"minus into an empty field", L"", 0, 0, K(Qt::Key_Minus), L"", 0},
      {"keypad minus", L"", 0, 0, K(Qt::Key_Minus, Qt::KeypadModifier), L"", 0},
      // No decimals: no separator, except into an empty field.
      {"separator into an empty field", L"", 0, 0, K(Qt::Key_Period), L".", 1},
      {"separator", L"12", 2, 2, K(Qt::Key_Period), L"12", 2},
      {"space", L"12", 2, 2, K(Qt::Key_Space), L"12", 2},
      {"Shift with Left selects", L"12", 2, 2, K(Qt::Key_Left, Qt::ShiftModifier), L"12", -1},
      {"Backspace", L"12", 2, 2, K(Qt::Key_Backspace), L"1", 1},
  });
  int s = -1;
  int e = -1;
  Prepare(edit, L"12", 2, 2);
  Press(edit, K(Qt::Key_Left, Qt::ShiftModifier));
  edit.GetSel(s, e);
  EXPECT_EQ(s, 1);
  EXPECT_EQ(e, 2);
}

TEST_F(EditTest, LocaleSymbolsAreTyped) {
  // A locale that writes decimals with a comma and its minus as U+2212.
  CNumbericEdit::SetLocaleSymbols(LocaleNumberSymbols{L',', L'\u2212'});
  CNumbericEdit edit;
  Make(edit);
  RunKeys(edit, {
      {"full stop types the comma", L"1", 1, 1, K(Qt::Key_Period), L"1,", 2},
      {"comma key", L"1", 1, 1, K(Qt::Key_Comma), L"1,", 2},
      {"keypad separator", L"1", 1, 1, K(Qt::Key_Period, Qt::KeypadModifier), L"1,", 2},
      {"second separator", L"1,5", 3, 3, K(Qt::Key_Comma), L"1,5", 3},
      {"minus types the locale's sign", L"", 0, 0, K(Qt::Key_Minus), L"\u2212", 1},
      {"digit in front of the locale's sign", L"\u22125", 0, 0, K(Qt::Key_1), L"\u22125", 0},
      {"third decimal", L"1,25", 4, 4, K(Qt::Key_3), L"1,25", 4},
  });
  // The other class keeps its own symbols.
  CHexEdit hex;
  hex.m_nDecimalPlaces = 1;
  Make(hex, 3003);
  RunKeys(hex, {{"hex full stop", L"1", 1, 1, K(Qt::Key_Period), L"1.", 2},
                {"hex comma", L"1", 1, 1, K(Qt::Key_Comma), L"1", 1}});
}

TEST_F(EditTest, CtrlASelectsEverythingInEveryEdit) {
  CNumbericEdit numeric;
  CHexEdit hex;
  CEditFileRead path;
  CEdit plain;
  const struct {
    const char* name;
    CEdit* edit;
    UINT id;
  } cases[] = {{"numeric", &numeric, 3001}, {"hexadecimal", &hex, 3002}, {"path", &path, 3003}, {"plain", &plain, 3004}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(c.edit->Create(kEditStyle, CRect(10, 10 + 30 * static_cast<int>(c.id - 3001), 200, 34 + 30 * static_cast<int>(c.id - 3001)), &parent, c.id));
    Prepare(*c.edit, L"125", 1, 1);
    Press(*c.edit, K(Qt::Key_A, Qt::ControlModifier));
    int s = -1;
    int e = -1;
    c.edit->GetSel(s, e);
    EXPECT_EQ(s, 0);
    EXPECT_EQ(e, 3);
    EXPECT_EQ(Utf8(c.edit->GetWindowText()), "125");
  }
}

TEST_F(EditTest, ReadOnlyFieldTakesNothing) {
  CNumbericEdit edit;
  ASSERT_TRUE(edit.Create(kEditStyle | ES_READONLY, CRect(10, 10, 200, 34), &parent, 3001));
  RunKeys(edit, {{"digit", L"1", 1, 1, K(Qt::Key_2), L"1", 1},
                 {"separator", L"1", 1, 1, K(Qt::Key_Period), L"1", 1},
                 {"minus", L"1", 0, 0, K(Qt::Key_Minus), L"1", 0}});
  RunPastes(edit, {{"paste", L"1", 1, 1, L"23", L"1", 1}});
}

TEST_F(EditTest, NumericPaste) {
  CNumbericEdit edit;
  Make(edit);
  RunPastes(edit, {
      {"blanks, sign and too many decimals", L"", 0, 0, L" \t-3.14159", L"-3.14", 5},
      {"into the middle", L"12", 1, 1, L"5", L"152", 2},
      {"over a selection", L"1234", 1, 3, L"9", L"194", 2},
      {"stops at the first other character", L"", 0, 0, L"42abc", L"42", 2},
      {"nothing numeric", L"7", 1, 1, L"abc", L"7", 1},
      {"empty clipboard", L"7", 1, 1, L"", L"7", 1},
      {"field with a sign, caret at the end", L"-5", 2, 2, L"3", L"-5", 2},
      {"field with a sign, caret at the start", L"-5", 0, 0, L"3", L"-5", 0},
      {"over the digit after the sign", L"-5", 1, 2, L"3", L"-3", 2},
      {"signed number at the start", L"12", 0, 0, L"-3", L"-312", 2},
      {"signed number after the start", L"12", 1, 1, L"-3", L"12", 1},
      {"signed number over the sign", L"-5", 0, 1, L"-3", L"-35", 2},
      // Pasting never leaves two separators.
      {"separator kept after the caret", L"1.5", 0, 1, L"2.3", L"2.5", 1},
      {"separator kept before the caret", L"1.5", 3, 3, L"2.3", L"1.52", 4},
      {"separator replaced by the selection", L"1.5", 1, 3, L"2.3", L"12.3", 4},
      {"decimals beyond the count are cut", L"1.2", 3, 3, L"345", L"1.23", 4},
      {"second separator in the clipboard ends the number", L"", 0, 0, L"1.2.3", L"1.2", 3},
  });
}

TEST_F(EditTest, PasteWithOtherSettingsAndLimit) {
  CNumbericEdit integers(0);
  Make(integers, 3001);
  RunPastes(integers, {{"decimals dropped", L"", 0, 0, L"12.5", L"12", 2}});
  CHexEdit hex;
  Make(hex, 3003);
  RunPastes(hex, {
      {"signed into the hex edit", L"", 0, 0, L" \t-3.14159", L"", 0},
      {"hex letters are not digits", L"", 0, 0, L"1A2B", L"1", 1},
  });
  CNumbericEdit limited;
  Make(limited, 3005);
  limited.LimitText(4);
  RunPastes(limited, {
      {"cut to the limit", L"12", 2, 2, L"3456", L"1234", 4},
      {"full field", L"1234", 4, 4, L"5", L"1234", 4},
      {"over a selection within the limit", L"1234", 0, 4, L"9876", L"9876", 4},
  });
}

TEST_F(EditTest, ClipboardNumberAndPasteMessage) {
  CNumbericEdit edit;
  Make(edit);
  struct Case {
    const wchar_t* clipboard;
    const wchar_t* number;
  } cases[] = {{L"  -12.345xyz", L"-12.345"}, {L"\t.5", L".5"}, {L"x1", L""}, {L"-", L"-"}, {L"", L""}};
  for (const Case& c : cases) {
    ASSERT_TRUE(SetClipboardText(CString(c.clipboard)));
    EXPECT_EQ(Utf8(edit.GetClipboardNumber()), Utf8(CString(c.number))) << Utf8(CString(c.clipboard));
  }
  // The edit's own paste message goes through the same filter.
  ASSERT_TRUE(SetClipboardText(CString(L"7.891")));
  Prepare(edit, L"", 0, 0);
  edit.Paste();
  EXPECT_EQ(Utf8(edit.GetWindowText()), "7.89");
}

TEST_F(EditTest, PasteNotifiesTheParent) {
  CNumbericEdit edit;
  Make(edit, 3007);
  Prepare(edit, L"1", 1, 1);
  parent.commands.clear();
  PasteWithKeys(edit, L"2");
  ASSERT_EQ(Utf8(edit.GetWindowText()), "12");
  int changes = 0;
  for (const auto& c : parent.commands) changes += c.id == 3007 && c.code == EN_CHANGE ? 1 : 0;
  EXPECT_GE(changes, 1);
}

TEST_F(EditTest, FileReadReportsDoubleClickBeforeSelectingTheWord) {
  CEditFileRead edit;
  Make(edit, 3011);
  edit.SetWindowText(CString(L"alpha beta"));
  edit.SetSel(0, 0);
  parent.watched = &edit;
  parent.commands.clear();
  QTest::mouseDClick(edit.GetWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(6, 10));
  QTest::mouseRelease(edit.GetWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(6, 10));
  std::vector<Parent::Command> reports;
  for (const auto& c : parent.commands) {
    if (c.code == EN_DBLCLK) reports.push_back(c);
  }
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].id, 3011u);
  EXPECT_EQ(reports[0].lParam, reinterpret_cast<LPARAM>(&edit));
  EXPECT_EQ(reports[0].selStart, reports[0].selEnd) << "the word was selected before the report";
  int s = -1;
  int e = -1;
  edit.GetSel(s, e);
  EXPECT_EQ(Utf8(edit.GetWindowText().Mid(s, e - s)).substr(0, 5), "alpha");
}

// The parent may destroy the field while it handles the report.
class DestroyingParent : public CWnd {
 public:
  CEditFileRead* field = nullptr;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_COMMAND && HIWORD(wParam) == EN_DBLCLK && field != nullptr) {
      delete field;
      field = nullptr;
    }
    return CWnd::WindowProc(message, wParam, lParam);
  }
};

TEST_F(EditTest, FileReadSurvivesItsParentDeletingIt) {
  DestroyingParent host;
  ASSERT_TRUE(host.CreateEx(0, nullptr, L"host", WS_POPUP | WS_VISIBLE, CRect(40, 300, 440, 400), nullptr, 0));
  auto* edit = new CEditFileRead;
  ASSERT_TRUE(edit->Create(kEditStyle, CRect(10, 10, 200, 34), &host, 3011));
  edit->SetWindowText(CString(L"path"));
  host.field = edit;
  QWidget* widget = edit->GetWidget();
  QTest::mouseDClick(widget, Qt::LeftButton, Qt::NoModifier, QPoint(6, 10));
  EXPECT_EQ(host.field, nullptr);
  QTest::mouseRelease(host.GetWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(6, 10));
  host.DestroyWindow();
}

}  // namespace

// The bitmap button: setter results, the face per state with its transparent colour, derived
// grey and darker faces, transparent drawing over the parent, hover tracking, clicks in push,
// check-box and radio mode, the drop-down menu, the link, sounds and caption colours.
#include "reference/control/button/buttonst.h"

#include <gtest/gtest.h>

#include <QEvent>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "../../platform/qt_app.h"
#include "platform/modal.h"
#include "platform/shellexec.h"

namespace {

using platform::DrawOp;
using platform::DrawRecord;
using platform::DrawRecorder;

const COLORREF kMagenta = RGB(255, 0, 255);
const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kGreen = RGB(0, 160, 0);
const UINT kMenuNotify = WM_USER + 60;

// A face of w x h pixels: a one-pixel magenta border around a plain colour.
HBITMAP MakeFace(int w, int h, COLORREF inside) {
  std::vector<BYTE> bits(static_cast<size_t>(w * h * 4));
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      COLORREF c = (x == 0 || y == 0 || x == w - 1 || y == h - 1) ? kMagenta : inside;
      BYTE* p = &bits[static_cast<size_t>((y * w + x) * 4)];
      p[0] = GetBValue(c);
      p[1] = GetGValue(c);
      p[2] = GetRValue(c);
    }
  }
  CBitmap bitmap;
  EXPECT_TRUE(bitmap.CreateBitmap(w, h, 1, 32, bits.data()));
  return static_cast<HBITMAP>(bitmap.Detach());
}

// A point that clicks the button whatever its kind (a check box only takes clicks on its box).
QPoint Inside(CWnd& b) { return QPoint(6, b.GetWidget()->height() / 2); }

// Opens the protected state for the tests.
class ProbeButton : public CButtonST {
 public:
  using CButtonST::m_bDefault;
  using CButtonST::m_bMouseOver;
  using CButtonST::m_bRadio;
  using CButtonST::m_nCheck;
  using CButtonST::m_nCheckMode;
  using CButtonST::m_nTemplateType;
  using CButtonST::m_ptImageMargin;
  using CButtonST::m_Sounds;
  using CButtonST::m_szURL;
};

// Records the commands and messages that reach the button's parent.
class Parent : public CWnd {
 public:
  std::vector<std::pair<UINT, UINT>> commands;  // id, code
  std::vector<WPARAM> menuNotices;
  int Count(UINT id, UINT code) const {
    int n = 0;
    for (const auto& c : commands) n += c.first == id && c.second == code ? 1 : 0;
    return n;
  }
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_COMMAND) commands.emplace_back(LOWORD(wParam), HIWORD(wParam));
    if (message == kMenuNotify) menuNotices.push_back(wParam);
    return CWnd::WindowProc(message, wParam, lParam);
  }
};

// A memory context over a w x h bitmap filled with one colour.
struct Canvas {
  CDC dc;
  CBitmap bitmap;
  CBitmap* old = nullptr;
  Canvas(int w, int h, COLORREF fill) {
    EXPECT_TRUE(dc.CreateCompatibleDC(nullptr));
    EXPECT_TRUE(bitmap.CreateBitmap(w, h, 1, 32, nullptr));
    old = dc.SelectObject(&bitmap);
    dc.FillSolidRect(0, 0, w, h, fill);
  }
  ~Canvas() { dc.SelectObject(old); }
  COLORREF At(int x, int y) const { return dc.GetPixel(x, y) & 0xFFFFFFu; }
};

class ButtonSTTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::EnsureApp();
    ASSERT_TRUE(parent.CreateEx(0, nullptr, L"buttons", WS_POPUP | WS_VISIBLE, CRect(80, 80, 480, 380), nullptr, 0));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(parent.GetWidget()));
  }
  void TearDown() override {
    platform::SetShellHandler(nullptr);
    platform::SetSoundHandler(nullptr);
    if (platform::ModalService::Instance().IsScripted()) platform::ModalService::Instance().UninstallScript();
    if (parent.m_hWnd != nullptr) parent.DestroyWindow();
  }
  void Make(ProbeButton& b, DWORD type = BS_PUSHBUTTON, const wchar_t* caption = L"", UINT id = 1007) {
    ASSERT_TRUE(b.Create(caption, WS_CHILD | WS_VISIBLE | type, CRect(20, 20, 120, 50), &parent, id));
  }
  // Draws the button's face through its own DrawItem onto a canvas.
  std::vector<DrawRecord> Face(ProbeButton& b, Canvas& canvas, UINT state, int w, int h) {
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_BUTTON;
    dis.CtlID = static_cast<UINT>(b.GetDlgCtrlID());
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = state;
    dis.hwndItem = b.m_hWnd;
    dis.hDC = canvas.dc.GetSafeHdc();
    dis.rcItem = CRect(0, 0, w, h);
    DrawRecorder recorder;
    recorder.Start();
    b.DrawItem(&dis);
    recorder.Stop();
    return recorder.Records();
  }
  static std::vector<DrawRecord> Only(const std::vector<DrawRecord>& all, DrawOp op) {
    std::vector<DrawRecord> out;
    for (const DrawRecord& r : all) {
      if (r.op == op) out.push_back(r);
    }
    return out;
  }

  Parent parent;
};

// ---- results of the setters ------------------------------------------------------------------

TEST_F(ButtonSTTest, SettersAnswerTheirResults) {
  ProbeButton b;
  ASSERT_NO_FATAL_FAILURE(Make(b));
  CDC dc;
  COLORREF colour = 0;
  HBITMAP bogusBitmap = reinterpret_cast<HBITMAP>(0x99);
  HICON bogusIcon = reinterpret_cast<HICON>(0x98);
  struct Case {
    const char* what;
    std::function<DWORD()> call;
    DWORD result;
  };
  const Case cases[] = {
      {"colour slot 6", [&] { return b.SetStateColor(6, kRed); }, CButtonST::kBadColorSlot},
      {"colour slot 5", [&] { return b.SetStateColor(5, kBlue); }, CButtonST::kDone},
      {"reading slot 6", [&] { return b.GetStateColor(6, &colour); }, CButtonST::kBadColorSlot},
      {"reading into nothing", [&] { return b.GetStateColor(0, nullptr); }, CButtonST::kBadParameter},
      {"shading slot 6", [&] { return b.ShadeStateColor(6, 10); }, CButtonST::kBadColorSlot},
      {"shade 300", [&] { return b.ShadeStateColor(0, 300); }, CButtonST::kBadParameter},
      {"shade -256", [&] { return b.ShadeStateColor(0, -256); }, CButtonST::kBadParameter},
      {"shade 255", [&] { return b.ShadeStateColor(1, 255); }, CButtonST::kDone},
      {"alignment 4", [&] { return b.SetImageAlignment(4); }, CButtonST::kBadAlignment},
      {"alignment 3", [&] { return b.SetImageAlignment(3); }, CButtonST::kDone},
      {"pressed style 2", [&] { return b.SetPressedShift(2); }, CButtonST::kBadPressedStyle},
      {"pressed style 1", [&] { return b.SetPressedShift(1); }, CButtonST::kDone},
      {"an unknown cursor", [&] { return b.SetHoverCursor(12345); }, CButtonST::kNoResource},
      {"the hand cursor", [&] { return b.SetHoverCursor(32649); }, CButtonST::kDone},
      {"no cursor", [&] { return b.SetHoverCursor(0); }, CButtonST::kDone},
      {"an unknown menu", [&] { return b.AttachMenu(64999, parent.m_hWnd); }, CButtonST::kNoResource},
      {"no menu", [&] { return b.AttachMenu(0, nullptr); }, CButtonST::kDone},
      {"unknown bitmaps", [&] { return b.LoadStateBitmaps(64998, kMagenta); }, CButtonST::kNoResource},
      {"unknown icons", [&] { return b.LoadStateIcons(64997); }, CButtonST::kNoResource},
      {"a handle that is no bitmap", [&] { return b.SetStateBitmaps(bogusBitmap, kMagenta); }, CButtonST::kNoResource},
      {"a handle that is no icon", [&] { return b.SetStateIcons(bogusIcon); }, CButtonST::kNoResource},
      {"parent background while opaque", [&] { return b.SetParentBackground(&dc); }, CButtonST::kBadParameter},
      {"transparent drawing", [&] { return b.EnableTransparentDrawing(FALSE); }, CButtonST::kDone},
      {"parent background from nothing", [&] { return b.SetParentBackground(nullptr); }, CButtonST::kBadParameter},
      {"parent background", [&] { return b.SetParentBackground(&dc); }, CButtonST::kDone},
      {"check state of a push button", [&] { return b.SetCheckState(1); }, CButtonST::kDone},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.call(), c.result);
  }
  EXPECT_EQ(b.GetStateColor(0, &colour), CButtonST::kDone);
  EXPECT_EQ(colour, GetSysColor(COLOR_BTNFACE)) << "refused calls changed nothing";
  EXPECT_EQ(b.GetStateColor(5, &colour), CButtonST::kDone);
  EXPECT_EQ(colour, kBlue);
  EXPECT_EQ(b.GetCheckState(), 0) << "a push button has no check state";
  EXPECT_EQ(b.ResetStateColors(), CButtonST::kDone);
  EXPECT_EQ(b.GetStateColor(5, &colour), CButtonST::kDone);
  EXPECT_EQ(colour, GetSysColor(COLOR_BTNTEXT));
}

TEST_F(ButtonSTTest, ShadingMovesAllChannelsAlikeWithinRange) {
  ProbeButton b;
  struct Case {
    COLORREF colour;
    short shade;
    COLORREF result;
  };
  const Case cases[] = {
      {RGB(100, 150, 200), 100, RGB(155, 205, 255)},
      {RGB(100, 150, 200), 40, RGB(140, 190, 240)},
      {RGB(100, 150, 200), -120, RGB(0, 50, 100)},
      {RGB(10, 20, 30), -5, RGB(5, 15, 25)},
      {RGB(255, 0, 0), 10, RGB(255, 0, 0)},
      {RGB(0, 0, 255), -10, RGB(0, 0, 255)},
      {RGB(0, 0, 0), 255, RGB(255, 255, 255)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.colour << " " << std::dec << c.shade);
    ASSERT_EQ(b.SetStateColor(2, c.colour, FALSE), CButtonST::kDone);
    ASSERT_EQ(b.ShadeStateColor(2, c.shade, FALSE), CButtonST::kDone);
    COLORREF out = 0;
    b.GetStateColor(2, &out);
    EXPECT_EQ(out, c.result);
  }
}

// ---- faces -----------------------------------------------------------------------------------

TEST_F(ButtonSTTest, TheButtonTakesTheSizeOfItsInBitmap) {
  ProbeButton b;
  ASSERT_NO_FATAL_FAILURE(Make(b));
  ASSERT_EQ(b.SetStateBitmaps(MakeFace(14, 10, kRed), kMagenta, MakeFace(20, 16, kBlue), kMagenta), CButtonST::kDone);
  CRect r;
  b.GetWindowRect(&r);
  EXPECT_EQ(r.Width(), 14);
  EXPECT_EQ(r.Height(), 10);
  b.SetWindowPos(nullptr, 0, 0, 40, 30, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(b.FitToImage(), CButtonST::kDone);
  b.GetWindowRect(&r);
  EXPECT_EQ(r.Size(), CSize(14, 10));
  EXPECT_EQ(b.m_ptImageMargin, CPoint(0, 0));
}

TEST_F(ButtonSTTest, EachStateShowsItsFaceAndTheBackgroundThroughMagenta) {
  ProbeButton b;
  ASSERT_NO_FATAL_FAILURE(Make(b));
  ASSERT_EQ(b.SetStateBitmaps(MakeFace(12, 10, kRed), kMagenta, MakeFace(12, 10, kBlue), kMagenta), CButtonST::kDone);
  const COLORREF inside = RGB(250, 250, 0), idle = RGB(128, 128, 128), focus = RGB(0, 200, 200);
  b.SetStateColor(CButtonST::kBackInside, inside, FALSE);
  b.SetStateColor(CButtonST::kBackIdle, idle, FALSE);
  b.SetStateColor(CButtonST::kBackFocus, focus, FALSE);
  struct Case {
    const char* what;
    UINT state;
    bool hover;
    COLORREF face;
    COLORREF background;
    int shift;
  };
  const Case cases[] = {
      {"normal: the out face", 0, false, kBlue, idle, 0},
      {"hovered: the in face", 0, true, kRed, inside, 0},
      {"pressed: the in face, shifted", ODS_SELECTED, false, kRed, inside, 1},
      {"focused: the out face on the focus colour", ODS_FOCUS, false, kBlue, focus, 0},
      {"disabled: the out face", ODS_DISABLED, false, kBlue, idle, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    b.m_bMouseOver = c.hover ? TRUE : FALSE;
    Canvas canvas(12, 10, kGreen);
    std::vector<DrawRecord> all = Face(b, canvas, c.state, 12, 10);
    const int s = c.shift;
    EXPECT_EQ(canvas.At(s, s), c.background) << "a magenta pixel shows what lies under the face";
    EXPECT_EQ(canvas.At(11, 0), c.background);
    EXPECT_EQ(canvas.At(5 + s, 5 + s), c.face) << "every other pixel is drawn unchanged";
    EXPECT_EQ(canvas.At(1 + s, 1 + s), c.face);
    std::vector<DrawRecord> blits = Only(all, DrawOp::BitBlt);
    ASSERT_EQ(blits.size(), 2u);
    EXPECT_EQ(blits[0].rop, SRCAND) << "the mask first";
    EXPECT_EQ(blits[1].rop, SRCPAINT) << "then the face";
    EXPECT_EQ(blits[1].rect, CRect(s, s, 12 + s, 10 + s));
  }
}

TEST_F(ButtonSTTest, TheOutFaceOfAnotherSizeIsDrawnAtTheSamePlace) {
  ProbeButton b;
  ASSERT_NO_FATAL_FAILURE(Make(b));
  ASSERT_EQ(b.SetStateBitmaps(MakeFace(12, 10, kRed), kMagenta, MakeFace(6, 4, kBlue), kMagenta), CButtonST::kDone);
  Canvas canvas(20, 16, kGreen);
  std::vector<DrawRecord> blits = Only(Face(b, canvas, 0, 20, 16), DrawOp::BitBlt);
  ASSERT_EQ(blits.size(), 2u);
  // The in face (12 x 10) would sit centred at (4, 3); the out face starts there too.
  EXPECT_EQ(blits[1].rect, CRect(4, 3, 10, 7));
  EXPECT_EQ(blits[1].srcSize, CSize(6, 4));
}

TEST_F(ButtonSTTest, DerivedOutFacesAreGreyOrDarkerAndKeepTheirTransparency) {
  struct Case {
    INT_PTR kind;
    COLORREF idleFace;
  };
  const Case cases[] = {
      {CButtonST::kOutGrey, RGB(76, 76, 76)},   // 0.299 x 255, cut
      {CButtonST::kOutDarker, RGB(191, 0, 0)},  // 255 - 0.25 x 255, cut
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    ProbeButton b;
    ASSERT_NO_FATAL_FAILURE(Make(b));
    ASSERT_EQ(b.SetStateBitmaps(MakeFace(12, 10, kRed), kMagenta, CButtonST::OutBitmap(c.kind)), CButtonST::kDone);
    const COLORREF idle = GetSysColor(COLOR_BTNFACE);
    Canvas normal(12, 10, kGreen);
    Face(b, normal, 0, 12, 10);
    EXPECT_EQ(normal.At(5, 5), c.idleFace);
    EXPECT_EQ(normal.At(0, 0), idle) << "magenta stays transparent in the derived face";
    b.m_bMouseOver = TRUE;
    Canvas hovered(12, 10, kGreen);
    Face(b, hovered, 0, 12, 10);
    EXPECT_EQ(hovered.At(5, 5), kRed);
    b.DestroyWindow();
  }
}

TEST_F(ButtonSTTest, TransparentDrawingCopiesTheParentUnderTheButton) {
  ProbeButton b;
  ASSERT_NO_FATAL_FAILURE(Make(b));
  ASSERT_EQ(b.SetStateBitmaps(MakeFace(12, 10, kRed), kMagenta), CButtonST::kDone);
  ASSERT_EQ(b.EnableTransparentDrawing(FALSE), CButtonST::kDone);
  // The parent's look, as a context: green where the button sits.
  Canvas look(400, 300, RGB(255, 255, 255));
  look.dc.FillSolidRect(20, 20, 12, 10, kGreen);
  ASSERT_EQ(b.SetParentBackground(&look.dc), CButtonST::kDone);
  Canvas canvas(12, 10, RGB(0, 0, 0));
  std::vector<DrawRecord> blits = Only(Face(b, canvas, 0, 12, 10), DrawOp::BitBlt);
  ASSERT_EQ(blits.size(), 3u);
  EXPECT_EQ(blits[0].rop, SRCCOPY) << "the captured background first";
  EXPECT_EQ(canvas.At(0, 0), kGreen) << "the parent shows through magenta";
  EXPECT_EQ(canvas.At(5, 5), kRed);
  EXPECT_TRUE(Only(Face(b, canvas, 0, 12, 10), DrawOp::FillRect).empty()) << "no face colour is painted";
}

TEST_F(ButtonSTTest, TheWindowPaintsThroughItsOwnDrawing) {
  // As the main window sets up its buttons.
  ProbeButton b;
  ASSERT_NO_FATAL_FAILURE(Make(b));
  ASSERT_EQ(b.SetStateBitmaps(MakeFace(12, 10, kRed), kMagenta, MakeFace(12, 10, kBlue), kMagenta), CButtonST::kDone);
  ASSERT_EQ(b.EnableTransparentDrawing(FALSE), CButtonST::kDone);
  EXPECT_EQ(b.GetStyle() & BS_TYPEMASK, static_cast<DWORD>(BS_OWNERDRAW));
  DrawRecorder recorder;
  recorder.Start();
  b.GetWidget()->repaint();
  recorder.Stop();
  std::vector<DrawRecord> blits = recorder.Records(DrawOp::BitBlt);
  ASSERT_GE(blits.size(), 3u) << "the parent's background, the mask and the face";
  EXPECT_EQ(blits[blits.size() - 3].rop, SRCCOPY);
  EXPECT_EQ(blits[blits.size() - 2].rop, SRCAND);
  EXPECT_EQ(blits.back().rop, SRCPAINT);
  EXPECT_EQ(blits.back().srcSize, CSize(12, 10));
}

TEST_F(ButtonSTTest, IconsAreDrawnWholeAndEmbossedWhenDisabled) {
  ProbeButton b;
  ASSERT_NO_FATAL_FAILURE(Make(b));
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmColor = MakeFace(16, 16, kRed);
  CBitmap mask;
  ASSERT_TRUE(mask.CreateBitmap(16, 16, 1, 1, nullptr));
  info.hbmMask = static_cast<HBITMAP>(mask.m_hObject);
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(info.hbmColor);
  ASSERT_NE(icon, nullptr);
  CRect before;
  b.GetWindowRect(&before);
  ASSERT_EQ(b.SetStateIcons(icon, CButtonST::OutIcon(CButtonST::kOutGrey)), CButtonST::kDone);
  CRect after;
  b.GetWindowRect(&after);
  EXPECT_EQ(after.Size(), before.Size()) << "icons leave the button's size alone";
  struct Case {
    const char* what;
    UINT state;
    bool hover;
    UINT flags;
  };
  const Case cases[] = {
      {"idle", 0, false, DSS_NORMAL},
      {"hovered", 0, true, DSS_NORMAL},
      {"disabled", ODS_DISABLED, false, DSS_DISABLED},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    b.m_bMouseOver = c.hover ? TRUE : FALSE;
    Canvas canvas(40, 30, kGreen);
    std::vector<DrawRecord> icons = Only(Face(b, canvas, c.state, 40, 30), DrawOp::DrawState);
    ASSERT_EQ(icons.size(), 1u);
    EXPECT_EQ(icons[0].format & DSS_DISABLED, c.flags);
    EXPECT_EQ(icons[0].rect.TopLeft(), CPoint(12, 7)) << "centred without a caption";
    COLORREF middle = canvas.At(20, 15);
    EXPECT_EQ(middle, c.hover ? kRed : middle);
    if (!c.hover && c.state == 0) {
      EXPECT_EQ(GetRValue(middle), GetGValue(middle)) << "the idle icon is grey";
    }
  }
  EXPECT_EQ(b.FitToImage(), CButtonST::kDone);
  b.GetWindowRect(&after);
  EXPECT_EQ(after.Size(), CSize(16, 16));
}

// ---- templates and messages --------------------------------------------------------------------

TEST_F(ButtonSTTest, TheTemplateTypeDecidesTheMode) {
  struct Case {
    const char* what;
    DWORD type;
    int checkMode;
    BOOL radio;
    BOOL isDefault;
  };
  const Case cases[] = {
      {"push button", BS_PUSHBUTTON, 0, FALSE, FALSE},
      {"default push button", BS_DEFPUSHBUTTON, 0, FALSE, TRUE},
      {"check box", BS_CHECKBOX, 1, FALSE, FALSE},
      {"automatic check box", BS_AUTOCHECKBOX, 1, FALSE, FALSE},
      {"automatic three-state box", BS_AUTO3STATE, 1, FALSE, FALSE},
      {"automatic radio button", BS_AUTORADIOBUTTON, 1, TRUE, FALSE},
      {"group box is no check box", BS_GROUPBOX, 0, FALSE, FALSE},
  };
  UINT id = 3000;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // The template's control, taken over by the member.
    CButton plain;
    ASSERT_TRUE(plain.Create(L"", WS_CHILD | WS_VISIBLE | c.type, CRect(0, 0, 60, 20), &parent, ++id));
    HWND h = plain.UnsubclassWindow();
    ProbeButton b;
    ASSERT_TRUE(b.SubclassWindow(h));
    EXPECT_EQ(b.m_nTemplateType, static_cast<int>(c.type));
    EXPECT_EQ(b.m_nCheckMode, c.checkMode);
    EXPECT_EQ(b.m_bRadio, c.radio);
    EXPECT_EQ(b.IsDefaultButton(), c.isDefault);
    EXPECT_EQ(b.GetStyle() & BS_TYPEMASK, static_cast<DWORD>(BS_OWNERDRAW));
    UINT code = static_cast<UINT>(b.SendMessage(WM_GETDLGCODE));
    EXPECT_EQ((code & DLGC_DEFPUSHBUTTON) != 0, c.isDefault == TRUE);
    EXPECT_EQ((code & DLGC_UNDEFPUSHBUTTON) != 0, c.isDefault == FALSE);
    b.DestroyWindow();
  }
}

TEST_F(ButtonSTTest, StyleAndCheckMessages) {
  ProbeButton b;
  ASSERT_NO_FATAL_FAILURE(Make(b));
  b.SendMessage(BM_SETSTYLE, BS_DEFPUSHBUTTON, FALSE);
  EXPECT_TRUE(b.IsDefaultButton());
  EXPECT_EQ(b.GetStyle() & BS_TYPEMASK, static_cast<DWORD>(BS_OWNERDRAW)) << "the button stays owner-drawn";
  b.SendMessage(BM_SETSTYLE, BS_PUSHBUTTON, FALSE);
  EXPECT_FALSE(b.IsDefaultButton());

  EXPECT_EQ(b.SendMessage(BM_GETCHECK), 0) << "a push button leaves the check to the button";
  b.SetCheckMode(1);
  struct Case {
    WPARAM check;
    int stored;
  };
  for (const Case& c : {Case{BST_CHECKED, 1}, Case{BST_UNCHECKED, 0}, Case{BST_INDETERMINATE, 1}, Case{7, 0}}) {
    SCOPED_TRACE(c.check);
    EXPECT_EQ(b.SendMessage(BM_SETCHECK, c.check), 0);
    EXPECT_EQ(b.GetCheckState(), c.stored);
    EXPECT_EQ(b.SendMessage(BM_GETCHECK), c.stored);
  }
  EXPECT_EQ(b.SetCheckState(5), CButtonST::kDone);
  EXPECT_EQ(b.GetCheckState(), 1) << "any non-zero check is 1";
}

TEST_F(ButtonSTTest, ClicksFlipCheckBoxesButNotACheckedRadioButton) {
  struct Case {
    const char* what;
    DWORD type;
    std::vector<int> after;  // the check after each click
  };
  const Case cases[] = {
      {"check box", BS_AUTOCHECKBOX, {1, 0, 1}},
      {"radio button", BS_AUTORADIOBUTTON, {1, 1, 1}},
      {"push button", BS_PUSHBUTTON, {0, 0, 0}},
  };
  UINT id = 4000;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ProbeButton b;
    ASSERT_NO_FATAL_FAILURE(Make(b, c.type, L"", ++id));
    parent.commands.clear();
    for (int expected : c.after) {
      QTest::mouseClick(b.GetWidget(), Qt::LeftButton, Qt::NoModifier, Inside(b));
      EXPECT_EQ(b.GetCheckState(), expected);
    }
    EXPECT_EQ(parent.Count(id, BN_CLICKED), 3) << "the parent hears every click";
    b.DestroyWindow();
  }
}

TEST_F(ButtonSTTest, ADoubleClickIsTwoClicks) {
  ProbeButton b;
  ASSERT_NO_FATAL_FAILURE(Make(b, BS_AUTOCHECKBOX));
  // What the system delivers for a double click: press, release, double click, release.
  QWidget* w = b.GetWidget();
  const QPoint at = Inside(b);
  const struct {
    QEvent::Type type;
    Qt::MouseButtons buttons;
  } events[] = {{QEvent::MouseButtonPress, Qt::LeftButton},
                {QEvent::MouseButtonRelease, Qt::NoButton},
                {QEvent::MouseButtonDblClick, Qt::LeftButton},
                {QEvent::MouseButtonRelease, Qt::NoButton}};
  for (const auto& e : events) {
    QMouseEvent event(e.type, QPointF(at), QPointF(w->mapToGlobal(at)), Qt::LeftButton, e.buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
  }
  EXPECT_EQ(parent.Count(1007, BN_CLICKED), 2);
  EXPECT_EQ(b.GetCheckState(), 0) << "checked and unchecked again";
}

// ---- hover -----------------------------------------------------------------------------------

TEST_F(ButtonSTTest, HoverFollowsTheMouseOnFlatButtonsOnly) {
  struct Case {
    const char* what;
    BOOL flat;
    Qt::MouseButtons held;
    bool hovered;
  };
  const Case cases[] = {
      {"flat button", TRUE, Qt::NoButton, true},
      {"dragged onto from elsewhere", TRUE, Qt::LeftButton, false},
      {"button with a 3-D look", FALSE, Qt::NoButton, false},
  };
  std::vector<platform::SoundRequest> sounds;
  platform::SetSoundHandler([&](const platform::SoundRequest& r) {
    sounds.push_back(r);
    return TRUE;
  });
  UINT id = 5000;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    sounds.clear();
    ProbeButton b;
    ASSERT_NO_FATAL_FAILURE(Make(b, BS_PUSHBUTTON, L"", ++id));
    b.SetFlatLook(c.flat);
    b.SetButtonSound(L"/sounds/hover.wav");
    QWidget* w = b.GetWidget();
    // Windows hear of every move over them, pressed button or not.
    w->setMouseTracking(true);
    QPoint at = w->rect().center();
    QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(w->mapToGlobal(at)), Qt::NoButton, c.held, Qt::NoModifier);
    QApplication::sendEvent(w, &move);
    EXPECT_EQ(b.m_bMouseOver != FALSE, c.hovered);
    EXPECT_EQ(sounds.size(), c.hovered ? 1u : 0u) << "the hover sound plays once per hover";
    QApplication::sendEvent(w, &move);
    EXPECT_EQ(sounds.size(), c.hovered ? 1u : 0u);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(w, &leave);
    EXPECT_FALSE(b.m_bMouseOver) << "leaving the window ends the hover at once";
    b.DestroyWindow();
  }
}

// ---- menu, link, sounds ----------------------------------------------------------------------

TEST_F(ButtonSTTest, TheMenuDropsDownAndPostsTheChoice) {
  const UINT kMenu = 64100;
  platform::RegisterMenuTemplate(
      kMenu, {MenuTemplateItem(L"Port", 0, MF_POPUP, {MenuTemplateItem(L"COM1", 501), MenuTemplateItem(L"COM2", 502)})});
  auto& modal = platform::ModalService::Instance();
  modal.InstallScript();
  modal.SetUnexpectedHandler([](const platform::ModalRecord& r) {
    ADD_FAILURE() << "unexpected modal request: " << platform::DescribeModalRecord(r).q().toStdString();
  });
  ProbeButton b;
  ASSERT_NO_FATAL_FAILURE(Make(b));
  ASSERT_EQ(b.AttachMenu(kMenu, parent.m_hWnd), CButtonST::kDone);
  ASSERT_EQ(b.SetMenuNotify(parent.m_hWnd, kMenuNotify, 0), CButtonST::kDone);
  struct Case {
    const char* what;
    UINT choice;
  };
  for (const Case& c : {Case{"dismissed", 0}, Case{"COM2 chosen", 502}}) {
    SCOPED_TRACE(c.what);
    parent.commands.clear();
    parent.menuNotices.clear();
    modal.ExpectMenu(c.choice);
    QTest::mouseClick(b.GetWidget(), Qt::LeftButton, Qt::NoModifier, b.GetWidget()->rect().center());
    EXPECT_EQ(modal.PendingAnswers(), 0u);
    ASSERT_EQ(parent.menuNotices.size(), 1u) << "the owner prepares the menu before it drops down";
    EXPECT_TRUE(IsMenu(reinterpret_cast<HMENU>(parent.menuNotices[0])));
    if (c.choice == 0) {
      QApplication::processEvents();
      EXPECT_EQ(parent.Count(502, 0), 0) << "a dismissed menu posts nothing";
    } else {
      EXPECT_TRUE(QTest::qWaitFor([&] { return parent.Count(c.choice, 0) == 1; }));
    }
  }
  std::vector<platform::ModalRecord> shown = modal.Records();
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back().kind, platform::ModalKind::PopupMenu);
  CRect r;
  b.GetWindowRect(&r);
  EXPECT_EQ(shown.back().point.x, r.left);
  EXPECT_EQ(shown.back().point.y, r.bottom) << "below the button's lower-left corner";
}

TEST_F(ButtonSTTest, ALinkIsOpenedOnClick) {
  std::vector<platform::ShellRequest> opened;
  platform::SetShellHandler([&](const platform::ShellRequest& r) {
    opened.push_back(r);
    return TRUE;
  });
  ProbeButton b;
  ASSERT_NO_FATAL_FAILURE(Make(b));
  std::wstring longLink = L"https://example.invalid/" + std::wstring(300, L'a');
  struct Case {
    const wchar_t* link;
    size_t opens;
    size_t length;
  };
  const Case cases[] = {
      {L"https://example.invalid/brelvano", 1, 32},
      {longLink.c_str(), 1, 259},
      {nullptr, 0, 0},
  };
  for (const Case& c : cases) {
    opened.clear();
    EXPECT_EQ(b.SetLink(c.link), CButtonST::kDone);
    QTest::mouseClick(b.GetWidget(), Qt::LeftButton, Qt::NoModifier, b.GetWidget()->rect().center());
    ASSERT_EQ(opened.size(), c.opens);
    if (c.opens == 0) continue;
    EXPECT_EQ(opened[0].verb, CString(L"open"));
    EXPECT_EQ(opened[0].file.GetLength(), static_cast<int>(c.length));
    EXPECT_EQ(opened[0].show, SW_SHOWMAXIMIZED);
    EXPECT_EQ(opened[0].mask, SEE_MASK_FLAG_NO_UI);
  }
}

TEST_F(ButtonSTTest, SoundRecordsCarryTheirFlags) {
  std::vector<platform::SoundRequest> played;
  platform::SetSoundHandler([&](const platform::SoundRequest& r) {
    played.push_back(r);
    return TRUE;
  });
  ProbeButton b;
  ASSERT_NO_FATAL_FAILURE(Make(b));
  HMODULE module = reinterpret_cast<HMODULE>(0x500);
  struct Case {
    const char* what;
    const wchar_t* sound;
    HMODULE module;
    BOOL async;
    DWORD flags;
  };
  const Case cases[] = {
      {"a file, played asynchronously", L"/sounds/click.wav", nullptr, TRUE,
       SND_FILENAME | SND_NODEFAULT | SND_NOWAIT | SND_ASYNC},
      {"a file, played while waiting", L"/sounds/click.wav", nullptr, FALSE, SND_FILENAME | SND_NODEFAULT | SND_NOWAIT},
      {"a resource of a module", L"CLICK", module, TRUE, SND_RESOURCE | SND_NODEFAULT | SND_NOWAIT | SND_ASYNC},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    played.clear();
    EXPECT_EQ(b.SetButtonSound(c.sound, c.module, TRUE, c.async), CButtonST::kDone);
    QTest::mouseClick(b.GetWidget(), Qt::LeftButton, Qt::NoModifier, b.GetWidget()->rect().center());
    ASSERT_EQ(played.size(), 1u);
    EXPECT_EQ(played[0].sound, CString(c.sound));
    EXPECT_EQ(played[0].module, c.module);
    EXPECT_EQ(played[0].flags, c.flags);
  }
  played.clear();
  EXPECT_EQ(b.SetButtonSound(nullptr, nullptr, TRUE), CButtonST::kDone);
  QTest::mouseClick(b.GetWidget(), Qt::LeftButton, Qt::NoModifier, b.GetWidget()->rect().center());
  EXPECT_TRUE(played.empty()) << "a cleared record plays nothing";
}

// ---- captions ----------------------------------------------------------------------------------

TEST_F(ButtonSTTest, CaptionColoursFollowTheState) {
  ProbeButton b;
  ASSERT_NO_FATAL_FAILURE(Make(b, BS_PUSHBUTTON, L"Connect"));
  const COLORREF shades[] = {RGB(10, 0, 0), RGB(20, 0, 0), RGB(30, 0, 0), RGB(40, 0, 0), RGB(50, 0, 0), RGB(60, 0, 0)};
  for (BYTE i = 0; i < 6; ++i) b.SetStateColor(i, shades[i], FALSE);
  struct Case {
    const char* what;
    int checkMode;
    int check;
    UINT state;
    bool hover;
    COLORREF text;
  };
  const Case cases[] = {
      {"idle", 0, 0, 0, false, shades[3]},
      {"hovered", 0, 0, 0, true, shades[1]},
      {"pressed", 0, 0, ODS_SELECTED, false, shades[1]},
      {"focused", 0, 0, ODS_FOCUS, false, shades[5]},
      {"disabled: readable grey, not the face colour", 0, 0, ODS_DISABLED, false, GetSysColor(COLOR_GRAYTEXT)},
      {"check box hovered, unchecked", 1, 0, 0, true, shades[3]},
      {"check box checked", 1, 1, 0, false, shades[1]},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    b.m_nCheckMode = c.checkMode;
    b.m_nCheck = c.check;
    b.m_bMouseOver = c.hover ? TRUE : FALSE;
    Canvas canvas(100, 30, kGreen);
    std::vector<DrawRecord> texts = Only(Face(b, canvas, c.state, 100, 30), DrawOp::DrawText);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, CString(L"Connect"));
    EXPECT_EQ(texts[0].textColor & 0xFFFFFFu, c.text);
    EXPECT_EQ(texts[0].bkMode, TRANSPARENT);
  }
}

TEST_F(ButtonSTTest, CaptionLinesStartAtTheTopOrHalfTheFreeHeightBelowIt) {
  CDC dc;
  TEXTMETRIC tm{};
  dc.GetTextMetrics(&tm);
  const int h = static_cast<int>(tm.tmHeight);
  struct Case {
    const char* what;
    DWORD style;
    int checkMode;
    int gap;
    int firstTop;  // -1: half the free height below the top
  };
  const Case cases[] = {
      {"push button", 0, 0, 0, 2},
      {"push button with a line gap", 0, 0, 3, 2},
      {"push button with the centring bit", CButtonST::kCaptionCentredStyle, 0, 3, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ProbeButton b;
    ASSERT_NO_FATAL_FAILURE(Make(b, BS_PUSHBUTTON | c.style, L"one\ntwo"));
    b.SetLineGap(c.gap);
    b.m_nCheckMode = c.checkMode;
    Canvas canvas(100, 60, kGreen);
    const std::vector<DrawRecord> texts = Only(Face(b, canvas, 0, 100, 60), DrawOp::DrawText);
    ASSERT_EQ(texts.size(), 2u);
    const int free = 60 - 2 * h - c.gap;
    const int first = c.firstTop >= 0 ? c.firstTop : free / 2 + 2;
    EXPECT_EQ(texts[0].rect.top, first);
    EXPECT_EQ(texts[1].rect.top, first + h + c.gap);
    b.DestroyWindow();
  }
}

TEST_F(ButtonSTTest, DisablingTakesTheFocusOnlyFromTheButtonItself) {
  ProbeButton b;
  ASSERT_NO_FATAL_FAILURE(Make(b));
  CEdit edit;
  ASSERT_TRUE(edit.Create(WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(20, 60, 120, 80), &parent, 2001));
  edit.SetFocus();
  ASSERT_TRUE(platform::PumpUntil([&] { return CWnd::GetFocus() == &edit; }, 5000));
  b.EnableWindow(FALSE);
  platform::PumpPendingEvents();
  EXPECT_EQ(CWnd::GetFocus(), &edit) << "the user's field keeps the focus";
  b.EnableWindow(TRUE);
  b.SetFocus();
  ASSERT_TRUE(platform::PumpUntil([&] { return CWnd::GetFocus() == &b; }, 5000));
  b.EnableWindow(FALSE);
  platform::PumpPendingEvents();
  EXPECT_NE(CWnd::GetFocus(), &b) << "a disabled button gives its focus away";
}

TEST_F(ButtonSTTest, CaptionsBreakAtLineEndsBlanksAndTheWidth) {
  CDC dc;
  const int fiveWide = dc.GetTextExtent(CString(L"aa aa")).cx;
  const int fourWide = dc.GetTextExtent(CString(L"aaaa")).cx;
  struct Case {
    const wchar_t* text;
    int width;
    std::vector<CString> lines;
  };
  const Case cases[] = {
      {L"one", 1000, {L"one"}},
      {L"a\r\nb\nc\rd", 1000, {L"a", L"b", L"c", L"d"}},
      {L"aa aa aa", fiveWide, {L"aa", L"aa aa"}},
      {L"aaaaaaaa", fourWide, {L"aaaa", L"aaaa"}},
      {L"", 50, {L""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(CString(c.text).q().toStdString());
    EXPECT_EQ(CButtonST::BreakCaption(&dc, c.text, c.width), c.lines);
  }
}

}  // namespace

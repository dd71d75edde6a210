// Drawing: GDI objects and their handles, the system tables, device contexts drawing into memory
// bitmaps and windows, blits (raster operations, monochrome masks, transparency), text layout,
// regions, program resources, and the draw recorder.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QEvent>
#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>
#include <QWidget>
#include <climits>
#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/gdi.h"
#include "platform/resources.h"
#include "platform/wnd.h"
#include "test_main_env.h"

namespace {

using platform::DrawOp;
using platform::DrawRecord;
using platform::DrawRecorder;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 128, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kMagenta = RGB(255, 0, 255);

class GdiTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(platform::test::EnsureApplication(), nullptr) << "the tests need a QApplication"; }
};

COLORREF ColorOf(QRgb p) { return RGB(qRed(p), qGreen(p), qBlue(p)); }

// A memory context with a 32-bit bitmap of its own, filled with one colour.
struct Canvas {
  CDC dc;
  CBitmap bmp;
  Canvas(int w, int h, COLORREF fill) {
    EXPECT_TRUE(dc.CreateCompatibleDC(nullptr));
    EXPECT_TRUE(bmp.CreateBitmap(w, h, 1, 32, nullptr));
    EXPECT_NE(dc.SelectObject(&bmp), nullptr);
    dc.FillSolidRect(0, 0, w, h, fill);
    dc.SetBkColor(kWhite);
  }
  COLORREF At(int x, int y) const {
    QImage img = bmp.GetQImage();
    return img.valid(x, y) ? ColorOf(img.pixel(x, y)) : CLR_INVALID;
  }
};

std::string Hex(COLORREF c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%06X", static_cast<unsigned>(c));
  return buf;
}

std::vector<DrawOp> Ops(const std::vector<DrawRecord>& records) {
  std::vector<DrawOp> ops;
  for (const DrawRecord& r : records) ops.push_back(r.op);
  return ops;
}

// ---- system tables ----

TEST_F(GdiTest, SystemColoursAreTheWindowsDefaultsWithStockBrushes) {
  struct Case {
    int index;
    COLORREF rgb;
  } cases[] = {
      {COLOR_BTNFACE, RGB(240, 240, 240)},     {COLOR_3DFACE, RGB(240, 240, 240)},
      {COLOR_WINDOW, RGB(255, 255, 255)},      {COLOR_WINDOWTEXT, RGB(0, 0, 0)},
      {COLOR_HIGHLIGHT, RGB(0, 120, 215)},     {COLOR_HIGHLIGHTTEXT, RGB(255, 255, 255)},
      {COLOR_BTNSHADOW, RGB(160, 160, 160)},   {COLOR_BTNHIGHLIGHT, RGB(255, 255, 255)},
      {COLOR_3DDKSHADOW, RGB(105, 105, 105)},  {COLOR_3DLIGHT, RGB(227, 227, 227)},
      {COLOR_GRAYTEXT, RGB(109, 109, 109)},    {COLOR_BTNTEXT, RGB(0, 0, 0)},
      {COLOR_WINDOWFRAME, RGB(100, 100, 100)}, {COLOR_ACTIVECAPTION, RGB(153, 180, 209)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    EXPECT_EQ(Hex(GetSysColor(c.index)), Hex(c.rgb));
    HBRUSH brush = GetSysColorBrush(c.index);
    ASSERT_NE(brush, nullptr);
    EXPECT_EQ(brush, GetSysColorBrush(c.index)) << "one stock brush per colour";
    LOGBRUSH lb{};
    ASSERT_EQ(GetObject(brush, sizeof lb, &lb), static_cast<int>(sizeof lb));
    EXPECT_EQ(Hex(lb.lbColor), Hex(c.rgb));
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_NE(CBrush::FromHandle(brush), nullptr) << "deleting a stock brush leaves it usable";
  }
  for (int unknown : {-1, 25, 31, 1000}) {
    EXPECT_EQ(GetSysColor(unknown), 0u) << unknown;
    EXPECT_EQ(GetSysColorBrush(unknown), nullptr) << unknown;
  }
}

TEST_F(GdiTest, SystemMetricsTable) {
  struct Case {
    int index;
    int value;
  } cases[] = {{SM_CXVSCROLL, 17}, {SM_CYHSCROLL, 17}, {SM_CXBORDER, 1}, {SM_CYCAPTION, 23},
               {SM_CXEDGE, 2},     {SM_CYEDGE, 2},     {SM_CXICON, 32}, {SM_CYICON, 32},
               {SM_CXSMICON, 16},  {SM_CXDRAG, 4},     {SM_CYDRAG, 4},  {SM_CXDOUBLECLK, 4},
               {SM_CYMENUCHECK, 15}, {-5, 0},          {5000, 0}};
  for (const Case& c : cases) EXPECT_EQ(GetSystemMetrics(c.index), c.value) << c.index;
  if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1920);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 1080);
  }
  CDC dc;
  EXPECT_EQ(dc.GetDeviceCaps(LOGPIXELSX), 96);
  EXPECT_EQ(dc.GetDeviceCaps(LOGPIXELSY), 96);
  EXPECT_EQ(dc.GetDeviceCaps(HORZRES), GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(dc.GetDeviceCaps(BITSPIXEL), 32);
}

// ---- fonts ----

TEST_F(GdiTest, FontCreationMapsHeightWeightAndFace) {
  struct Case {
    const char* what;
    int height;
    int weight;
    BYTE italic;
    const wchar_t* face;
    QFont::Weight qtWeight;
  } cases[] = {
      {"character height in pixels", -12, FW_NORMAL, 0, L"Arial", QFont::Normal},
      {"cell height", 16, FW_BOLD, 0, L"Tahoma", QFont::Bold},
      {"default height and weight", 0, FW_DONTCARE, 0, L"MS Shell Dlg", QFont::Normal},
      {"thin", -14, FW_THIN, 0, L"Arial", QFont::Thin},
      {"italic", -10, FW_SEMIBOLD, 1, L"Courier New", QFont::DemiBold},
      {"absurd height and weight", INT_MIN, 5000, 0, L"", QFont::Black},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CFont font;
    ASSERT_TRUE(font.CreateFont(c.height, 0, 0, 0, c.weight, c.italic, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, c.face));
    const QFont& q = font.GetQFont();
    EXPECT_EQ(q.weight(), c.qtWeight);
    EXPECT_EQ(q.italic(), c.italic != 0);
    if (c.height < 0 && c.height > -100) {
      EXPECT_EQ(q.pixelSize(), -c.height);
    }
    if (c.height > 0) {
      // The largest pixel size whose cell fits the height.
      EXPECT_LE(QFontMetrics(q).height(), c.height);
      QFont bigger = q;
      bigger.setPixelSize(q.pixelSize() + 1);
      EXPECT_GT(QFontMetrics(bigger).height(), c.height);
    }
    if (c.height == 0) {
      EXPECT_GT(q.pixelSize(), 6);
    }
    if (c.height == INT_MIN) {
      EXPECT_LE(q.pixelSize(), 4096);
    }
    LOGFONT lf{};
    ASSERT_EQ(font.GetLogFont(&lf), static_cast<int>(sizeof lf));
    EXPECT_EQ(lf.lfHeight, c.height);
    EXPECT_EQ(lf.lfWeight, c.weight);
    EXPECT_EQ(std::wstring(lf.lfFaceName), std::wstring(c.face));
  }

  CFont point;
  ASSERT_TRUE(point.CreatePointFont(90, L"Arial"));
  LOGFONT lf{};
  point.GetLogFont(&lf);
  EXPECT_EQ(lf.lfHeight, -12) << "9 points at 96 pixels per inch";

  CFont longName;
  ASSERT_TRUE(longName.CreateFont(-10, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0,
                                  L"A face name much longer than thirty-one characters"));
  longName.GetLogFont(&lf);
  EXPECT_EQ(std::wstring(lf.lfFaceName).size(), static_cast<size_t>(LF_FACESIZE - 1));
}

TEST_F(GdiTest, TextMeasuresFollowTheSelectedFont) {
  CFont small, large;
  ASSERT_TRUE(small.CreateFont(-10, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, L"Arial"));
  ASSERT_TRUE(large.CreateFont(-30, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, L"Arial"));
  CDC dc;
  dc.SelectObject(&small);
  CSize s = dc.GetTextExtent(CString(L"Measure"));
  TEXTMETRIC tm{};
  ASSERT_TRUE(dc.GetTextMetrics(&tm));
  EXPECT_EQ(s.cy, tm.tmHeight);
  EXPECT_EQ(tm.tmAscent + tm.tmDescent, tm.tmHeight);
  dc.SelectObject(&large);
  CSize l = dc.GetTextExtent(CString(L"Measure"));
  EXPECT_GT(l.cx, s.cx * 2);
  EXPECT_GT(l.cy, s.cy * 2);
  EXPECT_EQ(dc.GetTextExtent(CString()).cx, 0);
  SIZE viaHandle{};
  EXPECT_TRUE(GetTextExtentPoint32(dc.GetSafeHdc(), L"Measure", 7, &viaHandle));
  EXPECT_EQ(viaHandle.cx, l.cx);
}

// ---- handles ----

TEST_F(GdiTest, HandlesResolveUntilTheObjectIsDeleted) {
  CPen pen(PS_DASH, 2, RGB(1, 2, 3));
  ASSERT_NE(pen.GetSafeHandle(), nullptr);
  EXPECT_EQ(CPen::FromHandle(pen), &pen);
  LOGPEN lp{};
  ASSERT_EQ(pen.GetLogPen(&lp), static_cast<int>(sizeof lp));
  EXPECT_EQ(lp.lopnStyle, static_cast<UINT>(PS_DASH));
  EXPECT_EQ(lp.lopnWidth.x, 2);
  EXPECT_EQ(lp.lopnColor, RGB(1, 2, 3));
  EXPECT_EQ(GetObjectType(pen), static_cast<DWORD>(OBJ_PEN));
  EXPECT_FALSE(pen.CreatePen(PS_SOLID, 1, 0)) << "an object holds one handle";
  EXPECT_EQ(CPen::FromHandle(pen), &pen);
  EXPECT_EQ(CBrush::FromHandle(reinterpret_cast<HBRUSH>(pen.GetSafeHandle())), nullptr) << "a pen is no brush";

  // Selection gives back what was selected before: first the stock black pen, then ours.
  CDC dc;
  CPen* first = dc.SelectObject(&pen);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->GetSafeHandle(), GetStockObject(BLACK_PEN));
  EXPECT_EQ(dc.SelectObject(first), &pen);

  // A detached handle lives on with a stand-in object until it is deleted.
  HPEN h = static_cast<HPEN>(pen.Detach());
  EXPECT_EQ(pen.GetSafeHandle(), nullptr);
  CPen* standIn = CPen::FromHandle(h);
  ASSERT_NE(standIn, nullptr);
  EXPECT_NE(standIn, &pen);
  EXPECT_EQ(standIn->GetSafeHandle(), h);
  EXPECT_TRUE(DeleteObject(h));
  EXPECT_EQ(CPen::FromHandle(h), nullptr);
  EXPECT_EQ(GetObject(h, sizeof lp, &lp), 0);
  EXPECT_FALSE(DeleteObject(h));

  // Stock objects survive deletion; the (HBRUSH)(COLOR_xxx + 1) form names a system colour brush.
  EXPECT_TRUE(DeleteObject(GetStockObject(WHITE_BRUSH)));
  EXPECT_NE(CGdiObject::FromHandle(GetStockObject(WHITE_BRUSH)), nullptr);
  CBrush* face = CBrush::FromHandle(reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(COLOR_BTNFACE + 1)));
  ASSERT_NE(face, nullptr);
  LOGBRUSH lb{};
  face->GetLogBrush(&lb);
  EXPECT_EQ(Hex(lb.lbColor), Hex(GetSysColor(COLOR_BTNFACE)));

  EXPECT_EQ(CDC::FromHandle(dc.GetSafeHdc()), &dc);
  EXPECT_EQ(CDC::FromHandle(reinterpret_cast<HDC>(static_cast<uintptr_t>(0x1234))), nullptr);
}

TEST_F(GdiTest, AnObjectDeletedWhileSelectedKeepsDrawing) {
  Canvas c(8, 8, kWhite);
  auto* brush = new CBrush(kRed);
  c.dc.SelectObject(brush);
  delete brush;
  c.dc.SelectStockObject(NULL_PEN);
  c.dc.Rectangle(0, 0, 8, 8);
  EXPECT_EQ(Hex(c.At(3, 3)), Hex(kRed));
}

TEST_F(GdiTest, AnAttachedContextSharesStateAndSurface) {
  Canvas canvas(6, 6, kWhite);
  {
    CDC alias;
    ASSERT_TRUE(alias.Attach(canvas.dc.GetSafeHdc()));
    EXPECT_FALSE(alias.Attach(canvas.dc.GetSafeHdc())) << "already a second name";
    alias.SetTextColor(kBlue);
    EXPECT_EQ(canvas.dc.GetTextColor(), kBlue);
    alias.FillSolidRect(0, 0, 2, 2, kRed);
    EXPECT_EQ(Hex(canvas.At(1, 1)), Hex(kRed));
    EXPECT_EQ(alias.Detach(), canvas.dc.GetSafeHdc());
    EXPECT_EQ(alias.GetTextColor(), kBlack) << "its own state again";
    EXPECT_EQ(alias.Detach(), nullptr);
  }
  auto* owner = new CDC;
  CDC alias;
  ASSERT_TRUE(alias.Attach(owner->GetSafeHdc()));
  delete owner;
  EXPECT_EQ(alias.Detach(), nullptr) << "the context it named is gone";
  alias.FillSolidRect(0, 0, 1, 1, kRed);  // draws nothing, safely
  EXPECT_FALSE(alias.Attach(reinterpret_cast<HDC>(static_cast<uintptr_t>(0x4321))));
}

// ---- recording ----

// What an owner-drawn list line draws: its background, its text measured first, a focus frame.
void DrawListLine(CDC* dc, const CRect& rc, COLORREF back, COLORREF text, const CString& s) {
  dc->FillSolidRect(rc, back);
  COLORREF oldText = dc->SetTextColor(text);
  int oldMode = dc->SetBkMode(TRANSPARENT);
  CRect measured = rc;
  dc->DrawText(s, measured, DT_SINGLELINE | DT_VCENTER | DT_CALCRECT);
  dc->DrawText(s, measured, DT_SINGLELINE | DT_VCENTER);
  dc->DrawFocusRect(rc);
  dc->SetTextColor(oldText);
  dc->SetBkMode(oldMode);
}

TEST_F(GdiTest, RecorderCapturesAnOwnerDrawnRoutineOnEverySurface) {
  const CRect rc(4, 2, 90, 22);
  const CString text(L"Connected");
  struct Surface {
    const char* what;
    bool draws;
  } surfaces[] = {{"context without a surface", false}, {"painter on an image", true}, {"memory bitmap", true}};
  for (const Surface& s : surfaces) {
    SCOPED_TRACE(s.what);
    QImage image(100, 30, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter;
    Canvas canvas(100, 30, kWhite);
    CDC plain;
    CDC* dc = &plain;
    if (std::string(s.what) == "painter on an image") {
      ASSERT_TRUE(painter.begin(&image));
      ASSERT_TRUE(plain.AttachPainter(&painter));
    } else if (std::string(s.what) == "memory bitmap") {
      dc = &canvas.dc;
    }
    CFont font;
    ASSERT_TRUE(font.CreateFont(-13, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, L"Arial"));
    dc->SelectObject(&font);

    DrawRecorder rec;
    rec.Start();
    DrawListLine(dc, rc, kRed, RGB(0, 255, 255), text);
    rec.Stop();
    if (s.draws) {
      // The background right of the (left-aligned) text.
      QImage now = std::string(s.what) == "memory bitmap" ? canvas.bmp.GetQImage() : image;
      EXPECT_EQ(Hex(ColorOf(now.pixel(rc.right - 3, rc.top + 10))), Hex(kRed));
    }
    dc->FillSolidRect(rc, kBlue);  // after Stop: not recorded

    std::vector<DrawRecord> r = rec.Records();
    ASSERT_EQ(Ops(r), (std::vector<DrawOp>{DrawOp::FillSolidRect, DrawOp::DrawText, DrawOp::DrawFocusRect}))
        << "measuring with DT_CALCRECT draws nothing";
    EXPECT_EQ(r[0].rect, rc);
    EXPECT_EQ(Hex(r[0].color), Hex(kRed));
    EXPECT_EQ(r[0].dc, dc);
    const DrawRecord& t = r[1];
    EXPECT_EQ(t.text, text);
    EXPECT_EQ(Hex(t.textColor), Hex(RGB(0, 255, 255)));
    EXPECT_EQ(t.bkMode, TRANSPARENT);
    EXPECT_EQ(t.format, static_cast<UINT>(DT_SINGLELINE | DT_VCENTER));
    EXPECT_EQ(t.rect.left, rc.left);
    EXPECT_EQ(t.rect.top, rc.top);
    EXPECT_EQ(t.rect.Width(), dc->GetTextExtent(text).cx) << "drawn into the measured rectangle";
    EXPECT_EQ(t.fontFace, CString(L"Arial"));
    EXPECT_EQ(t.fontHeight, -13);
    EXPECT_EQ(t.fontWeight, FW_BOLD);
    EXPECT_EQ(r[2].rect, rc);
    plain.DetachPainter();
  }
}

TEST_F(GdiTest, CompositePrimitivesRecordOnceAndRecordersNest) {
  CDC dc;
  DrawRecorder outer, inner;
  outer.Start();
  dc.Draw3dRect(CRect(0, 0, 10, 10), kWhite, kBlack);
  inner.Start();
  CRect edge(0, 0, 20, 20);
  dc.DrawEdge(edge, EDGE_RAISED, BF_RECT | BF_ADJUST);
  inner.Stop();
  dc.MoveTo(1, 2);
  dc.LineTo(7, 2);
  outer.Stop();

  EXPECT_EQ(Ops(outer.Records()), (std::vector<DrawOp>{DrawOp::Draw3dRect, DrawOp::LineTo}));
  ASSERT_EQ(Ops(inner.Records()), (std::vector<DrawOp>{DrawOp::DrawEdge}));
  const DrawRecord e = inner.Records()[0];
  EXPECT_EQ(e.rect, CRect(0, 0, 20, 20));
  EXPECT_EQ(e.format, static_cast<UINT>(EDGE_RAISED));
  EXPECT_EQ(edge, CRect(2, 2, 18, 18)) << "BF_ADJUST leaves the inside";
  const DrawRecord line = outer.Records()[1];
  ASSERT_EQ(line.points.size(), 2u);
  EXPECT_EQ(line.points[0], CPoint(1, 2));
  EXPECT_EQ(line.points[1], CPoint(7, 2));
  EXPECT_EQ(Hex(dc.GetBkColor()), Hex(kBlack)) << "Draw3dRect fills leave the background colour set";
}

// ---- pixels ----

TEST_F(GdiTest, ShapesFillsAndStateGiveTheWindowsPixels) {
  struct Probe {
    int x, y;
    COLORREF expected;
  };
  struct Case {
    const char* what;
    std::function<void(CDC&)> draw;
    std::vector<Probe> probes;
  };
  const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW), hilite = GetSysColor(COLOR_BTNHIGHLIGHT);
  const COLORREF dark = GetSysColor(COLOR_3DDKSHADOW), light = GetSysColor(COLOR_3DLIGHT);
  const std::vector<Case> cases = {
      {"rectangle leaves out its right and bottom edges",
       [](CDC& dc) { dc.Rectangle(2, 2, 8, 8); },
       {{2, 2, kBlack}, {7, 7, kBlack}, {7, 2, kBlack}, {2, 7, kBlack}, {4, 4, kRed}, {8, 8, kWhite}, {8, 4, kWhite}}},
      {"rectangle without a pen fills one pixel less",
       [](CDC& dc) { dc.SelectStockObject(NULL_PEN); dc.Rectangle(2, 2, 8, 8); },
       {{2, 2, kRed}, {6, 6, kRed}, {7, 7, kWhite}}},
      {"line leaves out its last point",
       [](CDC& dc) { dc.MoveTo(1, 1); dc.LineTo(6, 1); },
       {{1, 1, kBlack}, {5, 1, kBlack}, {6, 1, kWhite}}},
      {"solid fill", [](CDC& dc) { dc.FillSolidRect(3, 3, 2, 2, kBlue); }, {{3, 3, kBlue}, {4, 4, kBlue}, {5, 5, kWhite}}},
      {"frame of a brush",
       [](CDC& dc) { CBrush b(kBlue); dc.FrameRect(CRect(2, 2, 6, 6), &b); },
       {{2, 2, kBlue}, {5, 5, kBlue}, {5, 2, kBlue}, {3, 3, kWhite}, {6, 6, kWhite}}},
      {"3-D rectangle",
       [](CDC& dc) { dc.Draw3dRect(1, 1, 5, 5, kGreen, kBlue); },
       {{1, 1, kGreen}, {4, 1, kGreen}, {1, 4, kGreen}, {5, 1, kBlue}, {1, 5, kBlue}, {5, 5, kBlue}, {3, 3, kWhite}}},
      {"sunken edge",
       [](CDC& dc) { CRect r(1, 1, 7, 7); dc.DrawEdge(r, EDGE_SUNKEN, BF_RECT); },
       {{1, 1, shadow}, {1, 3, shadow}, {6, 3, hilite}, {3, 6, hilite}, {2, 2, dark}, {5, 3, light}, {3, 3, kWhite}}},
      {"viewport origin moves the drawing",
       [](CDC& dc) { dc.SetViewportOrg(3, 3); dc.FillSolidRect(0, 0, 2, 2, kBlue); },
       {{3, 3, kBlue}, {4, 4, kBlue}, {0, 0, kWhite}, {5, 5, kWhite}}},
      {"window origin moves it the other way",
       [](CDC& dc) { dc.SetWindowOrg(-2, -2); dc.FillSolidRect(0, 0, 1, 1, kBlue); },
       {{2, 2, kBlue}, {0, 0, kWhite}}},
      {"intersected clip",
       [](CDC& dc) { dc.IntersectClipRect(0, 0, 4, 12); dc.FillSolidRect(0, 0, 12, 12, kBlue); },
       {{3, 5, kBlue}, {4, 5, kWhite}}},
      {"excluded clip",
       [](CDC& dc) { dc.ExcludeClipRect(2, 2, 4, 4); dc.FillSolidRect(0, 0, 12, 12, kBlue); },
       {{2, 2, kWhite}, {3, 3, kWhite}, {1, 1, kBlue}, {4, 4, kBlue}}},
      {"clip region removed again",
       [](CDC& dc) { dc.IntersectClipRect(0, 0, 1, 1); dc.SelectClipRgn(nullptr); dc.FillSolidRect(0, 0, 12, 12, kBlue); },
       {{5, 5, kBlue}}},
      {"restored state drops the origin and colours",
       [](CDC& dc) {
         int level = dc.SaveDC();
         dc.SetViewportOrg(5, 5);
         CBrush b(kBlue);
         dc.SelectObject(&b);
         EXPECT_TRUE(dc.RestoreDC(level));
         dc.SelectStockObject(NULL_PEN);
         dc.Rectangle(0, 0, 3, 3);
       },
       {{0, 0, kRed}, {5, 5, kWhite}}},
      {"inverted area", [](CDC& dc) { dc.InvertRect(CRect(0, 0, 2, 2)); }, {{0, 0, kBlack}, {1, 1, kBlack}, {2, 2, kWhite}}},
      {"focus frame dots",
       [](CDC& dc) { dc.DrawFocusRect(CRect(2, 2, 8, 8)); },
       {{2, 2, kBlack}, {3, 2, kWhite}, {4, 2, kBlack}, {7, 7, kBlack}, {4, 4, kWhite}}},
      {"focus frame drawn twice disappears",
       [](CDC& dc) { dc.DrawFocusRect(CRect(2, 2, 8, 8)); dc.DrawFocusRect(CRect(2, 2, 8, 8)); },
       {{2, 2, kWhite}, {4, 2, kWhite}}},
      {"ellipse", [](CDC& dc) { dc.Ellipse(0, 0, 12, 12); }, {{6, 6, kRed}, {0, 0, kWhite}, {11, 11, kWhite}}},
      {"polygon",
       [](CDC& dc) { POINT p[] = {{1, 1}, {10, 1}, {1, 10}}; dc.Polygon(p, 3); },
       {{2, 2, kRed}, {9, 9, kWhite}}},
      {"pattern copy", [](CDC& dc) { dc.PatBlt(0, 0, 3, 3, PATCOPY); }, {{0, 0, kRed}, {2, 2, kRed}, {3, 3, kWhite}}},
      {"xor pen", [](CDC& dc) { dc.SetROP2(R2_XORPEN); dc.SelectStockObject(WHITE_PEN); dc.MoveTo(0, 0); dc.LineTo(3, 0); },
       {{0, 0, kBlack}, {2, 0, kBlack}, {3, 0, kWhite}}},
      {"no-op drawing mode", [](CDC& dc) { dc.SetROP2(R2_NOP); dc.Rectangle(0, 0, 6, 6); }, {{0, 0, kWhite}, {3, 3, kWhite}}},
      {"pixel", [](CDC& dc) { EXPECT_EQ(dc.SetPixel(3, 4, kBlue), kBlue); }, {{3, 4, kBlue}, {4, 4, kWhite}}},
      {"region fill",
       [](CDC& dc) { CRgn r; r.CreateRectRgn(1, 1, 3, 3); CBrush b(kBlue); dc.FillRgn(&r, &b); },
       {{1, 1, kBlue}, {2, 2, kBlue}, {3, 3, kWhite}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Canvas canvas(12, 12, kWhite);
    CBrush red(kRed);
    canvas.dc.SelectObject(&red);
    canvas.dc.SelectStockObject(BLACK_PEN);
    c.draw(canvas.dc);
    for (const Probe& p : c.probes) {
      EXPECT_EQ(Hex(canvas.At(p.x, p.y)), Hex(p.expected)) << "at " << p.x << "," << p.y;
    }
    // GetPixel reads the same surface (in logical coordinates: the canvas has no origin left).
    canvas.dc.SetViewportOrg(0, 0);
    canvas.dc.SetWindowOrg(0, 0);
    canvas.dc.SelectClipRgn(nullptr);
    EXPECT_EQ(Hex(canvas.dc.GetPixel(c.probes[0].x, c.probes[0].y)), Hex(c.probes[0].expected));
  }
}

TEST_F(GdiTest, RasterOperationsCombineSourceAndDestination) {
  const COLORREF D = RGB(0x0F, 0xF0, 0x55), S = RGB(0x33, 0x55, 0xF0), B = RGB(0x81, 0x42, 0x24);
  struct Case {
    DWORD rop;
    COLORREF expected;
  } cases[] = {
      {SRCCOPY, S},
      {SRCAND, S & D},
      {SRCPAINT, S | D},
      {SRCINVERT, S ^ D},
      {NOTSRCCOPY, ~S & 0xFFFFFF},
      {SRCERASE, S & ~D & 0xFFFFFF},
      {NOTSRCERASE, ~(S | D) & 0xFFFFFF},
      {MERGEPAINT, (~S | D) & 0xFFFFFF},
      {MERGECOPY, S & B},
      {BLACKNESS, 0},
      {WHITENESS, 0xFFFFFF},
      {DSTINVERT, ~D & 0xFFFFFF},
      {PATCOPY, B},
      {PATINVERT, B ^ D},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Hex(c.rop));
    Canvas dst(6, 6, D), src(6, 6, S);
    CBrush brush(B);
    dst.dc.SelectObject(&brush);
    EXPECT_TRUE(dst.dc.BitBlt(1, 1, 3, 3, &src.dc, 0, 0, c.rop));
    EXPECT_EQ(Hex(dst.At(2, 2)), Hex(c.expected));
    EXPECT_EQ(Hex(dst.At(0, 0)), Hex(D)) << "outside the blit";
    EXPECT_EQ(Hex(dst.At(4, 4)), Hex(D)) << "outside the blit";
    // The result reads back through another blit unchanged (pixels stay opaque).
    Canvas copy(6, 6, kWhite);
    copy.dc.BitBlt(0, 0, 6, 6, &dst.dc, 0, 0, SRCCOPY);
    EXPECT_EQ(Hex(copy.At(2, 2)), Hex(c.expected));
  }
}

TEST_F(GdiTest, MonochromeMasksFollowTheWindowsColourRules) {
  // The classic transparent drawing: a mask from the key colour, the key pixels of the image
  // turned black, the destination cut out with the mask (AND), the image painted in (OR).
  const COLORREF G = RGB(10, 200, 30);
  CDC src;
  ASSERT_TRUE(src.CreateCompatibleDC(nullptr));
  CBitmap image;
  ASSERT_TRUE(image.CreateBitmap(3, 1, 1, 32, nullptr));
  src.SelectObject(&image);
  src.SetPixel(0, 0, kMagenta);
  src.SetPixel(1, 0, kBlue);
  src.SetPixel(2, 0, kMagenta);

  CDC maskDC;
  ASSERT_TRUE(maskDC.CreateCompatibleDC(nullptr));
  CBitmap mask;
  ASSERT_TRUE(mask.CreateCompatibleBitmap(&maskDC, 3, 1)) << "compatible with the initial monochrome bitmap";
  BITMAP bm{};
  mask.GetBitmap(&bm);
  EXPECT_EQ(bm.bmBitsPixel, 1);
  maskDC.SelectObject(&mask);
  src.SetBkColor(kMagenta);
  ASSERT_TRUE(maskDC.BitBlt(0, 0, 3, 1, &src, 0, 0, SRCCOPY));
  QImage m = mask.GetQImage();
  EXPECT_EQ(Hex(ColorOf(m.pixel(0, 0))), Hex(kWhite)) << "key colour -> white";
  EXPECT_EQ(Hex(ColorOf(m.pixel(1, 0))), Hex(kBlack));
  BYTE bits[2] = {};
  EXPECT_EQ(mask.GetBitmapBits(sizeof bits, bits), 2u);
  EXPECT_EQ(bits[0], 0xA0) << "rows of 1-bit pixels, set = white";

  src.SetBkColor(kBlack);
  src.SetTextColor(kWhite);
  ASSERT_TRUE(src.BitBlt(0, 0, 3, 1, &maskDC, 0, 0, SRCAND));

  Canvas dst(3, 1, G);
  dst.dc.SetBkColor(kWhite);
  dst.dc.SetTextColor(kBlack);
  ASSERT_TRUE(dst.dc.BitBlt(0, 0, 3, 1, &maskDC, 0, 0, SRCAND));
  ASSERT_TRUE(dst.dc.BitBlt(0, 0, 3, 1, &src, 0, 0, SRCPAINT));
  EXPECT_EQ(Hex(dst.At(0, 0)), Hex(G));
  EXPECT_EQ(Hex(dst.At(1, 0)), Hex(kBlue));
  EXPECT_EQ(Hex(dst.At(2, 0)), Hex(G));
}

TEST_F(GdiTest, TransparentDrawingLeavesTheKeyColourOut) {
  struct Way {
    const char* what;
    bool helper;
  } ways[] = {{"TransparentBlt", false}, {"DrawTransparentBitmap", true}};
  for (const Way& way : ways) {
    SCOPED_TRACE(way.what);
    CDC srcDC;
    ASSERT_TRUE(srcDC.CreateCompatibleDC(nullptr));
    CBitmap sprite;
    ASSERT_TRUE(sprite.CreateBitmap(4, 4, 1, 32, nullptr));
    CBitmap* old = srcDC.SelectObject(&sprite);
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 4; ++x) srcDC.SetPixel(x, y, (x + y) % 2 == 0 ? kMagenta : kBlue);
    }
    if (way.helper) srcDC.SelectObject(old);

    Canvas dst(8, 8, kWhite);
    DrawRecorder rec;
    rec.Start();
    if (way.helper) {
      EXPECT_TRUE(platform::DrawTransparentBitmap(&dst.dc, &sprite, 2, 2, kMagenta));
    } else {
      EXPECT_TRUE(dst.dc.TransparentBlt(2, 2, 4, 4, &srcDC, 0, 0, 4, 4, kMagenta));
    }
    rec.Stop();

    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x) {
        const bool inside = x >= 2 && x < 6 && y >= 2 && y < 6;
        const COLORREF want = inside && (x - 2 + y - 2) % 2 != 0 ? kBlue : kWhite;
        EXPECT_EQ(Hex(dst.At(x, y)), Hex(want)) << "at " << x << "," << y;
      }
    }
    ASSERT_EQ(rec.Records().size(), 1u);
    const DrawRecord r = rec.Records()[0];
    EXPECT_EQ(r.op, DrawOp::TransparentBlt);
    EXPECT_TRUE(r.hasTransparentKey);
    EXPECT_EQ(Hex(r.transparentKey), Hex(kMagenta));
    EXPECT_EQ(r.srcSize, CSize(4, 4));
    EXPECT_EQ(r.rect, CRect(2, 2, 6, 6));
  }
}

TEST_F(GdiTest, StretchBltScalesAndMirrors) {
  Canvas src(2, 1, kRed);
  src.dc.SetPixel(1, 0, kBlue);
  Canvas dst(8, 2, kWhite);
  ASSERT_TRUE(dst.dc.StretchBlt(0, 0, 4, 2, &src.dc, 0, 0, 2, 1, SRCCOPY));
  EXPECT_EQ(Hex(dst.At(0, 0)), Hex(kRed));
  EXPECT_EQ(Hex(dst.At(1, 1)), Hex(kRed));
  EXPECT_EQ(Hex(dst.At(2, 0)), Hex(kBlue));
  EXPECT_EQ(Hex(dst.At(3, 1)), Hex(kBlue));
  ASSERT_TRUE(dst.dc.StretchBlt(8, 0, -4, 2, &src.dc, 0, 0, 2, 1, SRCCOPY)) << "negative width mirrors";
  EXPECT_EQ(Hex(dst.At(4, 0)), Hex(kBlue));
  EXPECT_EQ(Hex(dst.At(7, 0)), Hex(kRed));
}

// ---- text ----

TEST_F(GdiTest, DrawTextCalcRectMeasuresWithoutDrawing) {
  QImage image(200, 100, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  CDC dc;
  ASSERT_TRUE(dc.AttachPainter(&painter));
  CFont font;
  ASSERT_TRUE(font.CreateFont(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, L"Arial"));
  dc.SelectObject(&font);
  TEXTMETRIC tm{};
  ASSERT_TRUE(dc.GetTextMetrics(&tm));
  const int lh = tm.tmHeight;
  auto ext = [&](const wchar_t* s) { return dc.GetTextExtent(CString(s)).cx; };

  struct Case {
    const char* what;
    const wchar_t* text;
    UINT format;
    int width;  // of the rectangle given
    int lines;
    int expectWidth;
  } cases[] = {
      {"one line", L"Hello", DT_SINGLELINE, 150, 1, ext(L"Hello")},
      {"line breaks", L"A\nBB", 0, 150, 2, ext(L"BB")},
      {"CR LF and CR", L"A\r\nB\rC", 0, 150, 3, std::max({ext(L"A"), ext(L"B"), ext(L"C")})},
      {"single line ignores breaks", L"A\nB", DT_SINGLELINE, 150, 1, ext(L"AB")},
      {"word breaks", L"one two three", DT_WORDBREAK, ext(L"three") + 2, 3, std::max({ext(L"one"), ext(L"two"), ext(L"three")})},
      {"a long word stays whole", L"abcdefghij k", DT_WORDBREAK, ext(L"abc"), 2, ext(L"abcdefghij")},
      {"prefix removed", L"&File", DT_SINGLELINE, 150, 1, ext(L"File")},
      {"double ampersand", L"a&&b", DT_SINGLELINE, 150, 1, ext(L"a&b")},
      {"no prefix processing", L"&File", DT_SINGLELINE | DT_NOPREFIX, 150, 1, ext(L"&File")},
      {"empty text", L"", DT_SINGLELINE, 150, 0, 0},
  };
  DrawRecorder rec;
  rec.Start();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CRect r(10, 20, 10 + c.width, 90);
    int h = dc.DrawText(CString(c.text), r, c.format | DT_CALCRECT);
    EXPECT_EQ(h, c.lines * lh);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 20);
    EXPECT_EQ(r.bottom, 20 + c.lines * lh);
    EXPECT_EQ(r.Width(), c.expectWidth);
  }
  // Tabs expand to the next stop (8 average characters) only when asked.
  CRect tabs(0, 0, 300, 50), plain(0, 0, 300, 50);
  dc.DrawText(CString(L"x\ty"), tabs, DT_SINGLELINE | DT_EXPANDTABS | DT_CALCRECT);
  dc.DrawText(CString(L"x y"), plain, DT_SINGLELINE | DT_CALCRECT);
  EXPECT_GE(tabs.Width(), 8 * tm.tmAveCharWidth);
  EXPECT_GT(tabs.Width(), plain.Width());
  rec.Stop();
  EXPECT_TRUE(rec.Records().empty()) << "measuring records nothing";
  dc.DetachPainter();
  painter.end();
  QImage blank(200, 100, QImage::Format_RGB32);
  blank.fill(Qt::white);
  EXPECT_EQ(image, blank) << "measuring draws nothing";
}

TEST_F(GdiTest, DrawTextPlacesAndReportsItsText) {
  Canvas c(120, 40, kWhite);
  CFont font;
  ASSERT_TRUE(font.CreateFont(-14, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, L"Arial"));
  c.dc.SelectObject(&font);
  TEXTMETRIC tm{};
  c.dc.GetTextMetrics(&tm);
  c.dc.SetTextColor(kBlue);
  c.dc.SetBkColor(kRed);
  c.dc.SetBkMode(OPAQUE);
  CRect box(0, 0, 120, 40);
  int r = c.dc.DrawText(CString(L"MM"), box, DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
  EXPECT_EQ(r, (40 - tm.tmHeight) / 2 + tm.tmHeight) << "vertically centred: offset to the text's bottom";
  const int w = c.dc.GetTextExtent(CString(L"MM")).cx;
  const int top = (40 - tm.tmHeight) / 2;
  EXPECT_EQ(Hex(c.At(119 - w - 1, 20)), Hex(kWhite)) << "left of the right-aligned text";
  EXPECT_EQ(Hex(c.At(120 - w, top)), Hex(kRed)) << "opaque background behind the text";
  EXPECT_EQ(Hex(c.At(120 - w, top - 1)), Hex(kWhite));
  bool inked = false;
  for (int x = 120 - w; x < 120; ++x) inked = inked || c.At(x, 20) == kBlue;
  EXPECT_TRUE(inked) << "glyphs in the text colour";

  // Without DT_NOCLIP the text stays inside its rectangle (probed below the baseline, where the
  // opaque background shows and no glyph of "W" reaches).
  Canvas clipped(60, 20, kWhite);
  clipped.dc.SelectObject(&font);
  clipped.dc.SetBkMode(OPAQUE);
  clipped.dc.SetBkColor(kRed);
  const int below = tm.tmAscent + 1;
  ASSERT_LT(below, tm.tmHeight);
  CRect small(0, 0, 10, 20);
  clipped.dc.DrawText(CString(L"WWWWWW"), small, DT_SINGLELINE);
  EXPECT_EQ(Hex(clipped.At(9, below)), Hex(kRed));
  EXPECT_EQ(Hex(clipped.At(12, below)), Hex(kWhite));
  CRect loose(0, 0, 10, 20);
  clipped.dc.DrawText(CString(L"WWWWWW"), loose, DT_SINGLELINE | DT_NOCLIP);
  EXPECT_EQ(Hex(clipped.At(12, below)), Hex(kRed));
}

TEST_F(GdiTest, TextOutAlignsOnItsReferencePoint) {
  Canvas c(100, 40, kWhite);
  CFont font;
  ASSERT_TRUE(font.CreateFont(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, L"Arial"));
  c.dc.SelectObject(&font);
  TEXTMETRIC tm{};
  c.dc.GetTextMetrics(&tm);
  const CString text(L"Hi");
  const int w = c.dc.GetTextExtent(text).cx;
  struct Case {
    UINT align;
    CRect box;
  } cases[] = {
      {TA_LEFT | TA_TOP, CRect(50, 10, 50 + w, 10 + tm.tmHeight)},
      {TA_RIGHT | TA_TOP, CRect(50 - w, 10, 50, 10 + tm.tmHeight)},
      {TA_CENTER | TA_TOP, CRect(50 - w / 2, 10, 50 - w / 2 + w, 10 + tm.tmHeight)},
      {TA_LEFT | TA_BASELINE, CRect(50, 10 - tm.tmAscent, 50 + w, 10 - tm.tmAscent + tm.tmHeight)},
      {TA_LEFT | TA_BOTTOM, CRect(50, 10 - tm.tmHeight, 50 + w, 10)},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.align);
    c.dc.SetTextAlign(k.align);
    DrawRecorder rec;
    rec.Start();
    EXPECT_TRUE(c.dc.TextOut(50, 10, text));
    rec.Stop();
    ASSERT_EQ(rec.Count(DrawOp::TextOut), 1u);
    EXPECT_EQ(rec.Records()[0].rect, k.box);
    EXPECT_EQ(rec.Records()[0].text, text);
  }
  c.dc.SetTextAlign(TA_UPDATECP);
  c.dc.MoveTo(5, 5);
  c.dc.TextOut(0, 0, text);
  EXPECT_EQ(c.dc.GetCurrentPosition(), CPoint(5 + w, 5)) << "the current position moves on";

  c.dc.SetTextAlign(TA_LEFT | TA_TOP);
  c.dc.SetBkColor(kGreen);
  CRect field(0, 20, 100, 40);
  EXPECT_TRUE(c.dc.ExtTextOut(2, 22, ETO_OPAQUE, field, text));
  EXPECT_EQ(Hex(c.At(90, 35)), Hex(kGreen)) << "the whole rectangle in the background colour";
  EXPECT_EQ(Hex(c.At(90, 19)), Hex(kWhite));
}

// ---- windows ----

class BufferedWnd : public CWnd {
 public:
  int paints = 0;
  CRect paintRect;
  COLORREF sampled = CLR_INVALID;

 protected:
  void OnPaint() {
    CPaintDC dc(this);
    ++paints;
    paintRect = dc.m_ps.rcPaint;
    CRect rc;
    GetClientRect(&rc);
    CDC mem;
    mem.CreateCompatibleDC(&dc);
    CBitmap bmp;
    bmp.CreateCompatibleBitmap(&dc, rc.Width(), rc.Height());
    CBitmap* old = mem.SelectObject(&bmp);
    mem.FillSolidRect(rc, kGreen);
    mem.FillSolidRect(5, 5, 10, 10, kRed);
    dc.BitBlt(0, 0, rc.Width(), rc.Height(), &mem, 0, 0, SRCCOPY);
    mem.SelectObject(old);
    sampled = dc.GetPixel(7, 7);           // the window's own pixels can be read back
    dc.InvertRect(CRect(30, 20, 32, 22));  // and combined with (raster operations)
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(BufferedWnd, CWnd)
  ON_WM_PAINT()
END_MESSAGE_MAP()

TEST_F(GdiTest, DoubleBufferedPaintReachesTheWindow) {
  BufferedWnd wnd;
  ASSERT_TRUE(wnd.CreateEx(0, nullptr, L"", WS_POPUP | WS_VISIBLE, CRect(0, 0, 40, 30), nullptr, 0));
  QImage shot = wnd.GetWidget()->grab().toImage();
  ASSERT_GE(wnd.paints, 1);
  EXPECT_EQ(wnd.paintRect, CRect(0, 0, 40, 30));
  EXPECT_EQ(Hex(ColorOf(shot.pixel(2, 2))), Hex(kGreen));
  EXPECT_EQ(Hex(ColorOf(shot.pixel(7, 7))), Hex(kRed));
  EXPECT_EQ(Hex(ColorOf(shot.pixel(14, 14))), Hex(kRed));
  EXPECT_EQ(Hex(ColorOf(shot.pixel(15, 15))), Hex(kGreen));
  EXPECT_EQ(Hex(ColorOf(shot.pixel(39, 29))), Hex(kGreen));
  EXPECT_EQ(Hex(wnd.sampled), Hex(kRed));
  EXPECT_EQ(Hex(ColorOf(shot.pixel(31, 21))), Hex(RGB(255, 127, 255))) << "inverted green";
  EXPECT_EQ(qAlpha(shot.pixel(31, 21)), 255);

  // Outside a paint: a paint context draws nothing (but records), a client context draws into a
  // buffer of its own, and reading a client context gives the window's look.
  {
    DrawRecorder rec;
    rec.Start();
    CPaintDC outside(&wnd);
    outside.FillSolidRect(0, 0, 40, 30, kBlue);
    CClientDC client(&wnd);
    client.FillSolidRect(0, 0, 40, 30, kBlue);
    rec.Stop();
    EXPECT_EQ(rec.Count(DrawOp::FillSolidRect), 2u);
    EXPECT_EQ(CRect(outside.m_ps.rcPaint), CRect(0, 0, 40, 30));
  }
  EXPECT_EQ(Hex(ColorOf(wnd.GetWidget()->grab().toImage().pixel(2, 2))), Hex(kGreen));
  Canvas copy(40, 30, kWhite);
  CClientDC client(&wnd);
  EXPECT_EQ(client.GetWindow(), &wnd);
  ASSERT_TRUE(copy.dc.BitBlt(0, 0, 40, 30, &client, 0, 0, SRCCOPY));
  EXPECT_EQ(Hex(copy.At(7, 7)), Hex(kRed));
  EXPECT_EQ(Hex(copy.At(20, 20)), Hex(kGreen));
  wnd.DestroyWindow();
}

// Parts of a client context read as the window looks there (beyond the window: black), also
// through a viewport origin; a context drawn on after a read keeps the window's look under it.
TEST_F(GdiTest, PartsOfAClientContextReadAsTheWindowLooks) {
  BufferedWnd wnd;
  ASSERT_TRUE(wnd.CreateEx(0, nullptr, L"", WS_POPUP | WS_VISIBLE, CRect(0, 0, 40, 30), nullptr, 0));
  const QImage look = wnd.GetWidget()->grab().toImage();
  struct Case {
    const char* name;
    CRect part;
    CPoint origin;
  };
  const std::vector<Case> cases = {
      {"inside", CRect(3, 4, 13, 14), CPoint(0, 0)},
      {"over the right and bottom edges", CRect(30, 20, 50, 40), CPoint(0, 0)},
      {"from before the top left corner", CRect(-5, -5, 7, 7), CPoint(0, 0)},
      {"through a viewport origin", CRect(2, 3, 10, 11), CPoint(4, 4)},
  };
  for (const Case& c : cases) {
    CClientDC client(&wnd);
    client.SetViewportOrg(c.origin);
    Canvas copy(c.part.Width(), c.part.Height(), kWhite);
    ASSERT_TRUE(copy.dc.BitBlt(0, 0, c.part.Width(), c.part.Height(), &client, c.part.left, c.part.top, SRCCOPY))
        << c.name;
    for (int y = 0; y < c.part.Height(); ++y) {
      for (int x = 0; x < c.part.Width(); ++x) {
        const QPoint at(c.part.left + x + c.origin.x, c.part.top + y + c.origin.y);
        const COLORREF want = look.valid(at) ? ColorOf(look.pixel(at)) : RGB(0, 0, 0);
        ASSERT_EQ(Hex(copy.At(x, y)), Hex(want)) << c.name << " at " << x << "," << y;
      }
    }
  }

  CClientDC client(&wnd);
  Canvas first(4, 4, kWhite);
  ASSERT_TRUE(first.dc.BitBlt(0, 0, 4, 4, &client, 6, 6, SRCCOPY));
  client.FillSolidRect(0, 0, 3, 3, kBlue);
  Canvas whole(40, 30, kWhite);
  ASSERT_TRUE(whole.dc.BitBlt(0, 0, 40, 30, &client, 0, 0, SRCCOPY));
  EXPECT_EQ(Hex(whole.At(1, 1)), Hex(kBlue));
  EXPECT_EQ(Hex(whole.At(7, 7)), Hex(kRed)) << "the window's look under the drawing";
  EXPECT_EQ(Hex(whole.At(20, 20)), Hex(kGreen));
  wnd.DestroyWindow();
}

// Paints a window's widget through a context attached to the paint event's painter.
class AttachOnPaint : public QObject {
 public:
  QString face;
  int height = 0;
  bool seen = false;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      QPainter painter(static_cast<QWidget*>(watched));
      CDC dc;
      if (dc.AttachPainter(&painter)) {
        LOGFONT lf{};
        if (CFont* f = dc.GetCurrentFont()) f->GetLogFont(&lf);
        face = QString::fromWCharArray(lf.lfFaceName);
        height = lf.lfHeight;
        seen = true;
        dc.FillSolidRect(0, 0, 4, 4, kBlue);
        dc.DetachPainter();
      }
      return true;
    }
    return false;
  }
};

TEST_F(GdiTest, WindowFontsAndContexts) {
  CWnd parent;
  ASSERT_TRUE(parent.CreateEx(0, nullptr, L"", WS_POPUP | WS_VISIBLE, CRect(0, 0, 60, 40), nullptr, 0));
  CWnd child;
  ASSERT_TRUE(child.Create(nullptr, L"", WS_CHILD | WS_VISIBLE, CRect(0, 0, 20, 20), &parent, 100));
  EXPECT_EQ(child.GetFont(), nullptr) << "no font until one is set";

  CFont font;
  ASSERT_TRUE(font.CreateFont(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, L"Tahoma"));
  child.SetFont(&font);
  EXPECT_EQ(child.GetFont(), &font);
  EXPECT_EQ(child.GetWidget()->font().pixelSize(), 13);

  // A context attached to the painter of the window's paint starts with the window's font.
  AttachOnPaint filter;
  child.GetWidget()->installEventFilter(&filter);
  QImage shot = child.GetWidget()->grab().toImage();
  child.GetWidget()->removeEventFilter(&filter);
  ASSERT_TRUE(filter.seen);
  EXPECT_EQ(filter.face, QStringLiteral("Tahoma"));
  EXPECT_EQ(filter.height, -13);
  EXPECT_EQ(Hex(ColorOf(shot.pixel(1, 1))), Hex(kBlue));

  CDC* dc = child.GetDC();
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(dc->GetWindow(), &child);
  RECT box{};
  EXPECT_EQ(dc->GetClipBox(&box), SIMPLEREGION);
  EXPECT_EQ(CRect(box), CRect(0, 0, 20, 20));
  EXPECT_EQ(child.ReleaseDC(dc), 1);
  CDC stackDC;
  EXPECT_EQ(child.ReleaseDC(&stackDC), 0) << "only contexts from GetDC are released";

  font.DeleteObject();
  EXPECT_EQ(child.GetFont(), nullptr) << "a deleted font is gone";
  child.SetFont(nullptr);
  EXPECT_EQ(child.GetFont(), nullptr);

  CRgn shape;
  ASSERT_TRUE(shape.CreateEllipticRgn(0, 0, 20, 20));
  EXPECT_TRUE(platform::SetWidgetRegion(&child, &shape));
  EXPECT_EQ(child.GetWidget()->mask(), shape.GetQRegion());
  EXPECT_TRUE(platform::SetWidgetRegion(&child, nullptr));
  EXPECT_TRUE(child.GetWidget()->mask().isEmpty());
  EXPECT_FALSE(platform::SetWidgetRegion(nullptr, &shape));
  child.DestroyWindow();
  parent.DestroyWindow();
}

// Paints a window through a client context while an inner widget of the window (no window of
// its own, like a scroll area's viewport) is painting.
class PaintThroughWindow : public QObject {
 public:
  explicit PaintThroughWindow(CWnd* wnd) : m_wnd(wnd) {}
  CRect clipBox;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() != QEvent::Paint) return false;
    CClientDC dc(m_wnd);
    dc.FillSolidRect(12, 7, 3, 3, kBlue);  // window coordinates
    RECT box{};
    dc.GetClipBox(&box);
    clipBox = box;
    return true;
  }

 private:
  CWnd* m_wnd;
};

TEST_F(GdiTest, ContextsKeepWindowCoordinatesOnAnInnerWidget) {
  CWnd wnd;
  ASSERT_TRUE(wnd.CreateEx(0, nullptr, L"", WS_POPUP | WS_VISIBLE, CRect(0, 0, 60, 40), nullptr, 0));
  auto* inner = new QWidget(wnd.GetWidget());
  inner->setGeometry(10, 5, 30, 20);
  inner->show();
  PaintThroughWindow filter(&wnd);
  inner->installEventFilter(&filter);
  QImage shot = inner->grab().toImage();
  inner->removeEventFilter(&filter);
  EXPECT_EQ(Hex(ColorOf(shot.pixel(2, 2))), Hex(kBlue));
  EXPECT_EQ(Hex(ColorOf(shot.pixel(4, 4))), Hex(kBlue));
  EXPECT_NE(Hex(ColorOf(shot.pixel(1, 1))), Hex(kBlue));
  EXPECT_NE(Hex(ColorOf(shot.pixel(5, 5))), Hex(kBlue));
  EXPECT_EQ(filter.clipBox, CRect(10, 5, 40, 25)) << "the inner widget's place in the window";
  wnd.DestroyWindow();
}

// ---- regions ----

TEST_F(GdiTest, RegionsContainAndCombine) {
  struct Case {
    const char* what;
    std::function<BOOL(CRgn&)> make;
    std::vector<std::pair<CPoint, bool>> points;
    int type;
  } cases[] = {
      {"rectangle", [](CRgn& r) { return r.CreateRectRgn(0, 0, 10, 10); },
       {{CPoint(0, 0), true}, {CPoint(9, 9), true}, {CPoint(10, 10), false}, {CPoint(10, 0), false}}, SIMPLEREGION},
      {"ellipse", [](CRgn& r) { return r.CreateEllipticRgn(0, 0, 10, 10); },
       {{CPoint(5, 5), true}, {CPoint(0, 0), false}, {CPoint(9, 9), false}}, COMPLEXREGION},
      {"rounded rectangle", [](CRgn& r) { return r.CreateRoundRectRgn(0, 0, 20, 20, 10, 10); },
       {{CPoint(10, 10), true}, {CPoint(0, 0), false}, {CPoint(10, 0), true}}, COMPLEXREGION},
      {"triangle", [](CRgn& r) { POINT p[] = {{0, 0}, {10, 0}, {0, 10}}; return r.CreatePolygonRgn(p, 3, ALTERNATE); },
       {{CPoint(2, 2), true}, {CPoint(8, 8), false}}, COMPLEXREGION},
      {"empty", [](CRgn& r) { return r.CreateRectRgn(5, 5, 5, 9); }, {{CPoint(5, 5), false}}, NULLREGION},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CRgn rgn;
    ASSERT_TRUE(c.make(rgn));
    for (const auto& p : c.points) EXPECT_EQ(rgn.PtInRegion(p.first) != FALSE, p.second) << p.first.x << "," << p.first.y;
    RECT box{};
    EXPECT_EQ(rgn.GetRgnBox(&box), c.type);
  }

  CRgn a, b, result;
  a.CreateRectRgn(0, 0, 10, 10);
  b.CreateRectRgn(5, 5, 15, 15);
  struct Combine {
    int mode;
    int type;
    CPoint in, out;
  } combines[] = {
      {RGN_AND, SIMPLEREGION, CPoint(7, 7), CPoint(2, 2)},
      {RGN_OR, COMPLEXREGION, CPoint(2, 2), CPoint(2, 12)},
      {RGN_DIFF, COMPLEXREGION, CPoint(2, 2), CPoint(7, 7)},
      {RGN_XOR, COMPLEXREGION, CPoint(12, 12), CPoint(7, 7)},
  };
  for (const Combine& c : combines) {
    SCOPED_TRACE(c.mode);
    EXPECT_EQ(result.CombineRgn(&a, &b, c.mode), c.type) << "made on first use, reused after";
    EXPECT_TRUE(result.PtInRegion(c.in));
    EXPECT_FALSE(result.PtInRegion(c.out));
  }
  EXPECT_EQ(result.CombineRgn(&a, &b, 99), RGN_ERROR);
  EXPECT_EQ(result.CombineRgn(&a, nullptr, RGN_AND), RGN_ERROR);
  EXPECT_EQ(result.CopyRgn(&a), SIMPLEREGION);
  EXPECT_TRUE(result.EqualRgn(&a));
  result.OffsetRgn(3, 4);
  RECT box{};
  result.GetRgnBox(&box);
  EXPECT_EQ(CRect(box), CRect(3, 4, 13, 14));

  // Clip regions select in device coordinates.
  Canvas canvas(12, 12, kWhite);
  CRgn clip;
  clip.CreateEllipticRgn(0, 0, 12, 12);
  EXPECT_EQ(canvas.dc.SelectClipRgn(&clip), COMPLEXREGION);
  canvas.dc.FillSolidRect(0, 0, 12, 12, kBlue);
  EXPECT_EQ(Hex(canvas.At(6, 6)), Hex(kBlue));
  EXPECT_EQ(Hex(canvas.At(0, 0)), Hex(kWhite));
  EXPECT_EQ(canvas.dc.GetPixel(0, 0), CLR_INVALID) << "outside the clip";
}

// ---- bad input ----

TEST_F(GdiTest, BadArgumentsGiveErrorResults) {
  Canvas canvas(4, 4, kWhite);
  CDC plain;
  POINT pts[] = {{0, 0}, {1, 1}, {2, 0}};
  CBitmap shared;
  ASSERT_TRUE(shared.CreateBitmap(2, 2, 1, 32, nullptr));
  CDC other;
  other.CreateCompatibleDC(nullptr);
  ASSERT_NE(other.SelectObject(&shared), nullptr);
  struct Case {
    const char* what;
    std::function<bool()> rejected;
  } cases[] = {
      {"negative bitmap size", [] { CBitmap b; return !b.CreateBitmap(-1, 5, 1, 32, nullptr); }},
      {"huge bitmap", [] { CBitmap b; return !b.CreateBitmap(100000, 100000, 1, 32, nullptr); }},
      {"unsupported depth", [] { CBitmap b; return !b.CreateBitmap(4, 4, 1, 8, nullptr); }},
      {"two planes", [] { CBitmap b; return !b.CreateBitmap(4, 4, 2, 32, nullptr); }},
      {"compatible with nothing", [] { CBitmap b; return !b.CreateCompatibleBitmap(nullptr, 4, 4); }},
      {"blit without a source", [&] { return !canvas.dc.BitBlt(0, 0, 2, 2, nullptr, 0, 0, SRCCOPY); }},
      {"unknown raster operation", [&] { return !canvas.dc.BitBlt(0, 0, 2, 2, &canvas.dc, 0, 0, 0x123456); }},
      {"transparent blit of nothing", [&] { return !canvas.dc.TransparentBlt(0, 0, 0, 2, &canvas.dc, 0, 0, 2, 2, 0); }},
      {"huge stretch", [&] { return !canvas.dc.StretchBlt(0, 0, 100000, 100000, &canvas.dc, 0, 0, 1, 1, SRCCOPY); }},
      {"pattern blit with a source operation", [&] { return !canvas.dc.PatBlt(0, 0, 2, 2, SRCCOPY); }},
      {"text without a rectangle", [&] { return canvas.dc.DrawText(CString(L"x"), nullptr, 0) == 0; }},
      {"polygon without points", [&] { return !canvas.dc.Polygon(nullptr, 3); }},
      {"polygon of one point", [&] { return !canvas.dc.Polygon(pts, 1); }},
      {"restoring level 0", [&] { return !canvas.dc.RestoreDC(0); }},
      {"restoring a level never saved", [&] { return !canvas.dc.RestoreDC(5); }},
      {"bitmap into a non-memory context", [&] { CBitmap b; b.CreateBitmap(1, 1, 1, 32, nullptr); return plain.SelectObject(&b) == nullptr; }},
      {"bitmap selected elsewhere", [&] { return canvas.dc.SelectObject(&shared) == nullptr; }},
      {"polygon region without points", [] { CRgn r; return !r.CreatePolygonRgn(nullptr, 3, ALTERNATE); }},
      {"unknown hatch", [] { CBrush b; return !b.CreateHatchBrush(99, 0); }},
      {"font without a description", [] { CFont f; return !f.CreateFontIndirect(nullptr); }},
      {"object into a small buffer", [] { CPen p(PS_SOLID, 1, 0); char small[2]; return p.GetObject(2, small) == 0; }},
      {"unknown background mode", [&] { return canvas.dc.SetBkMode(5) == 0 && canvas.dc.GetBkMode() == OPAQUE; }},
      {"unknown icon", [&] { return !canvas.dc.DrawIcon(0, 0, reinterpret_cast<HICON>(static_cast<uintptr_t>(0x77))); }},
      {"pixel outside the surface", [&] { return canvas.dc.GetPixel(50, 50) == CLR_INVALID; }},
      {"pixel of a context without a surface", [&] { return plain.GetPixel(0, 0) == CLR_INVALID; }},
      {"destroying an unknown icon", [] { return !DestroyIcon(reinterpret_cast<HICON>(static_cast<uintptr_t>(0x99))); }},
      {"unknown handle", [] { return CGdiObject::FromHandle(reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(0x55))) == nullptr; }},
  };
  for (const Case& c : cases) EXPECT_TRUE(c.rejected()) << c.what;

  // Absurd coordinates are bounded: the shaped regions are made at once.
  CRgn wide;
  POINT far[] = {{INT_MIN, INT_MIN}, {INT_MAX, INT_MIN}, {INT_MAX, INT_MAX}};
  EXPECT_TRUE(wide.CreatePolygonRgn(far, 3, WINDING));
  CRgn ellipse;
  EXPECT_TRUE(ellipse.CreateEllipticRgn(INT_MIN, INT_MIN, INT_MAX, INT_MAX));
  CDC none;
  CRect r(INT_MIN / 2, 0, INT_MAX / 2, 10);
  none.FillSolidRect(r, kRed);
  none.DrawFocusRect(r);
  EXPECT_EQ(MulDiv(INT_MAX, 2, 1), -1) << "overflow";
  EXPECT_EQ(MulDiv(5, 3, 0), -1);
  EXPECT_EQ(MulDiv(7, 1, 2), 4) << "rounds half away from zero";
  EXPECT_EQ(MulDiv(-7, 1, 2), -4);
}

// ---- resources ----

QByteArray Encode(const QImage& img, const char* format) {
  QByteArray bytes;
  QBuffer buf(&bytes);
  buf.open(QIODevice::WriteOnly);
  img.save(&buf, format);
  return bytes;
}

TEST_F(GdiTest, BitmapResourcesLoadFromWindowsBitmapBytes) {
  QImage img(3, 2, QImage::Format_RGB32);
  img.setPixel(0, 0, qRgb(255, 0, 0));
  img.setPixel(1, 0, qRgb(0, 255, 0));
  img.setPixel(2, 0, qRgb(0, 0, 255));
  img.setPixel(0, 1, qRgb(255, 0, 255));
  img.setPixel(1, 1, qRgb(255, 255, 255));
  img.setPixel(2, 1, qRgb(0, 0, 0));
  QImage indexed = img.convertToFormat(QImage::Format_Indexed8);
  QImage alpha = img.convertToFormat(QImage::Format_ARGB32);
  const QByteArray file24 = Encode(img, "BMP");
  ASSERT_GT(file24.size(), 14);
  struct Case {
    const char* what;
    QByteArray bytes;
  } cases[] = {
      {"bitmap file", file24},
      {"bitmap without its file header", file24.mid(14)},
      {"8-bit palettised file", Encode(indexed, "BMP")},
      {"32-bit file", Encode(alpha, "BMP")},
      {"PNG", Encode(img, "PNG")},
  };
  const UINT id = 31001;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(platform::RegisterBitmapResource(id, reinterpret_cast<const unsigned char*>(c.bytes.constData()),
                                                 static_cast<size_t>(c.bytes.size())));
    CBitmap bmp;
    ASSERT_TRUE(bmp.LoadBitmap(id));
    BITMAP bm{};
    ASSERT_TRUE(bmp.GetBitmap(&bm));
    EXPECT_EQ(bm.bmWidth, 3);
    EXPECT_EQ(bm.bmHeight, 2);
    EXPECT_EQ(bm.bmBitsPixel, 32);
    QImage got = bmp.GetQImage();
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < 3; ++x) EXPECT_EQ(Hex(ColorOf(got.pixel(x, y))), Hex(ColorOf(img.pixel(x, y)))) << x << "," << y;
    }
    EXPECT_FALSE(platform::PixmapFromHBitmap(bmp).isNull());
  }
  platform::UnregisterResource(id);
  CBitmap missing;
  EXPECT_FALSE(missing.LoadBitmap(id));

  const QByteArray garbage("not an image at all");
  EXPECT_FALSE(platform::RegisterBitmapResource(id, reinterpret_cast<const unsigned char*>(garbage.constData()),
                                                static_cast<size_t>(garbage.size())));
  EXPECT_FALSE(platform::RegisterBitmapResource(id, reinterpret_cast<const unsigned char*>(file24.constData()), 20))
      << "truncated";
  EXPECT_FALSE(platform::RegisterBitmapResource(id, nullptr, 100));
  QImage none;
  EXPECT_FALSE(platform::FindBitmapResource(id, none));
}

// The program's pictures and the language libraries' button faces are plain bitmap files, read
// without Qt's image reader; every kind of file must come out as Qt's reader gives it.
TEST_F(GdiTest, BitmapFilesReadAsQtReadsThem) {
  QImage rgb(37, 5, QImage::Format_RGB32);
  for (int y = 0; y < rgb.height(); ++y) {
    for (int x = 0; x < rgb.width(); ++x) rgb.setPixel(x, y, qRgb(x * 7, y * 50, (x * y) % 256));
  }
  QImage indexed(13, 4, QImage::Format_Indexed8);
  indexed.setColorTable({qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(9, 9, 9), qRgb(255, 0, 255)});
  for (int y = 0; y < indexed.height(); ++y) {
    for (int x = 0; x < indexed.width(); ++x) indexed.setPixel(x, y, static_cast<uint>((x + y) % 5));
  }
  const QByteArray file24 = Encode(rgb, "BMP");
  const QByteArray file8 = Encode(indexed, "BMP");
  ASSERT_GT(file24.size(), 54);
  ASSERT_GT(file8.size(), 54);
  const auto le32 = [](const QByteArray& b, int at) {
    return static_cast<int32_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8 |
                                static_cast<uint8_t>(b[at + 2]) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24);
  };
  const auto put32 = [](QByteArray& b, int at, int32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
  };
  // The same picture stored top row first (a negative height).
  QByteArray topDown = file24;
  {
    const int offset = le32(file24, 10), rowBytes = (37 * 3 + 3) & ~3;
    put32(topDown, 22, -5);
    for (int row = 0; row < 5; ++row) {
      topDown.replace(offset + row * rowBytes, rowBytes, file24.mid(offset + (4 - row) * rowBytes, rowBytes));
    }
  }
  QByteArray beyondPalette = file8;
  beyondPalette[le32(file8, 10)] = static_cast<char>(250);
  QByteArray huge = file24;
  put32(huge, 18, 30000);
  put32(huge, 22, 30000);
  struct Case {
    const char* what;
    QByteArray bytes;
    QImage expected;  // null: as Qt's reader gives it
    bool pixels;      // false: Qt's reader leaves the rows it could not read undefined
  } cases[] = {
      {"24-bit rows with padding", file24, rgb, true},
      {"24-bit top row first", topDown, rgb, true},
      {"8-bit palette", file8, indexed, true},
      {"8-bit with a colour the palette lacks", beyondPalette, QImage(), true},
      {"pixels cut short", file24.left(file24.size() - 10), QImage(), false},
      {"dimensions far beyond the data", huge, QImage(), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const QImage got = platform::DecodeBitmapFile(reinterpret_cast<const unsigned char*>(c.bytes.constData()),
                                                  static_cast<size_t>(c.bytes.size()));
    const QImage expected = c.expected.isNull() ? QImage::fromData(c.bytes, "BMP") : c.expected;
    ASSERT_EQ(got.isNull(), expected.isNull());
    ASSERT_EQ(got.size(), expected.size());
    for (int y = 0; c.pixels && y < got.height(); ++y) {
      for (int x = 0; x < got.width(); ++x) ASSERT_EQ(Hex(got.pixel(x, y)), Hex(expected.pixel(x, y))) << x << "," << y;
    }
  }
  const QByteArray png = Encode(rgb, "PNG");
  EXPECT_TRUE(platform::DecodeBitmapFile(reinterpret_cast<const unsigned char*>(png.constData()),
                                         static_cast<size_t>(png.size()))
                  .isNull())
      << "not a bitmap file";
}

// A font given by its cell height is fitted when it is first measured, wherever that happens:
// a new context's default font measures within its cell.
TEST_F(GdiTest, ACellHeightFontIsFittedWhenFirstMeasured) {
  CDC dc;
  TEXTMETRIC tm{};
  ASSERT_TRUE(dc.GetTextMetrics(&tm));
  EXPECT_LE(tm.tmHeight, 16);
  EXPECT_GT(tm.tmHeight, 8);
  CFont cell;
  ASSERT_TRUE(cell.CreateFont(40, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, L"Arial"));
  CFont* old = dc.SelectObject(&cell);
  ASSERT_TRUE(dc.GetTextMetrics(&tm));
  EXPECT_LE(tm.tmHeight, 40);
  EXPECT_GT(tm.tmHeight, 30);
  EXPECT_EQ(QFontMetrics(cell.GetQFont()).height(), tm.tmHeight) << "the handle and the context agree";
  dc.SelectObject(old);
}

TEST_F(GdiTest, IconsAndImageFiles) {
  const UINT id = 31002;
  QImage small(16, 16, QImage::Format_ARGB32);
  small.fill(qRgba(0, 0, 255, 255));
  QImage large(48, 48, QImage::Format_ARGB32);
  large.fill(qRgba(255, 0, 0, 255));
  platform::RegisterIconResource(id, small);
  HICON shared = LoadIcon(nullptr, id);
  ASSERT_NE(shared, nullptr);
  EXPECT_EQ(LoadIcon(nullptr, id), shared) << "one shared handle";
  EXPECT_EQ(platform::ImageFromHIcon(shared).size(), QSize(32, 32)) << "the standard icon size";
  DestroyIcon(shared);
  EXPECT_FALSE(platform::ImageFromHIcon(shared).isNull()) << "a shared icon is never destroyed";

  Canvas canvas(40, 40, kWhite);
  DrawRecorder rec;
  rec.Start();
  EXPECT_TRUE(canvas.dc.DrawIcon(2, 2, shared));
  rec.Stop();
  ASSERT_EQ(rec.Count(DrawOp::DrawIcon), 1u);
  EXPECT_EQ(rec.Records()[0].rect, CRect(2, 2, 34, 34));
  EXPECT_EQ(Hex(canvas.At(20, 20)), Hex(kBlue));
  EXPECT_EQ(Hex(canvas.At(36, 36)), Hex(kWhite));

  // An icon file: its image at the size asked.
  QByteArray ico;
  {
    QBuffer buf(&ico);
    buf.open(QIODevice::WriteOnly);
    QImageWriter writer(&buf, "ico");
    ASSERT_TRUE(writer.write(large)) << writer.errorString().toStdString();
  }
  ASSERT_TRUE(platform::RegisterIconResource(id, reinterpret_cast<const unsigned char*>(ico.constData()),
                                             static_cast<size_t>(ico.size())));
  HICON fresh = platform::LoadIconResource(id, 48, 48);
  ASSERT_NE(fresh, nullptr);
  QImage freshImage = platform::ImageFromHIcon(fresh);
  EXPECT_EQ(freshImage.size(), QSize(48, 48));
  EXPECT_EQ(Hex(ColorOf(freshImage.pixel(4, 4))), Hex(kRed));
  EXPECT_TRUE(DestroyIcon(fresh));
  EXPECT_TRUE(platform::ImageFromHIcon(fresh).isNull());
  ICONINFO info{};
  HICON again = platform::LoadIconResource(id, 16, 16);
  ASSERT_TRUE(GetIconInfo(again, &info));
  BITMAP bm{};
  CBitmap::FromHandle(info.hbmColor)->GetBitmap(&bm);
  EXPECT_EQ(bm.bmWidth, 16);
  HICON rebuilt = CreateIconIndirect(&info);
  EXPECT_EQ(platform::ImageFromHIcon(rebuilt).size(), QSize(16, 16));
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  DestroyIcon(rebuilt);
  DestroyIcon(again);
  platform::UnregisterResource(id);
  EXPECT_EQ(platform::LoadIconResource(id, 0, 0), nullptr);

  // Image files are decoded by their contents, whatever the name says.
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString pngNamedBmp = dir.filePath(QStringLiteral("CompanyImage.bmp"));
  QFile f(pngNamedBmp);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(Encode(large, "PNG"));
  f.close();
  HBITMAP loaded = platform::LoadImageFromFile(CString(pngNamedBmp));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(platform::ImageFromHBitmap(loaded).size(), QSize(48, 48));
  DeleteObject(loaded);
  const QString broken = dir.filePath(QStringLiteral("broken.bmp"));
  QFile g(broken);
  ASSERT_TRUE(g.open(QIODevice::WriteOnly));
  g.write("BM this is not really a bitmap");
  g.close();
  EXPECT_EQ(platform::LoadImageFromFile(CString(broken)), nullptr);
  EXPECT_EQ(platform::LoadImageFromFile(CString(dir.filePath(QStringLiteral("missing.bmp")))), nullptr);
}

TEST_F(GdiTest, HatchesAndDisabledImages) {
  auto colours = [](const Canvas& c, int w, int h) {
    std::set<COLORREF> seen;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) seen.insert(c.At(x, y));
    }
    return seen;
  };
  struct Case {
    int bkMode;
    std::set<COLORREF> expected;
  } cases[] = {{OPAQUE, {kBlue, kGreen}}, {TRANSPARENT, {kBlue, kWhite}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bkMode);
    Canvas canvas(8, 8, kWhite);
    canvas.dc.SetBkMode(c.bkMode);
    canvas.dc.SetBkColor(kGreen);
    CBrush hatch(HS_CROSS, kBlue);
    canvas.dc.FillRect(CRect(0, 0, 8, 8), &hatch);
    EXPECT_EQ(colours(canvas, 8, 8), c.expected) << "hatch lines, gaps in the background colour or untouched";
  }

  QImage dark(8, 8, QImage::Format_ARGB32);
  dark.fill(qRgba(0, 0, 0, 255));
  HICON icon = platform::HIconFromImage(dark);
  Canvas normal(12, 12, kWhite), disabled(12, 12, kWhite);
  EXPECT_TRUE(normal.dc.DrawState(CPoint(0, 0), CSize(0, 0), icon, DST_ICON | DSS_NORMAL));
  EXPECT_TRUE(disabled.dc.DrawState(CPoint(0, 0), CSize(0, 0), icon, DST_ICON | DSS_DISABLED));
  EXPECT_EQ(Hex(normal.At(3, 3)), Hex(kBlack));
  EXPECT_EQ(Hex(disabled.At(3, 3)), Hex(GetSysColor(COLOR_3DSHADOW))) << "embossed";
  EXPECT_EQ(Hex(disabled.At(8, 8)), Hex(GetSysColor(COLOR_3DHILIGHT))) << "the highlight one pixel down and right";
  EXPECT_TRUE(DestroyIcon(icon));
}

TEST_F(GdiTest, RestoringAMemoryContextReselectsItsBitmap) {
  Canvas canvas(4, 4, kWhite);
  CBitmap second;
  ASSERT_TRUE(second.CreateBitmap(4, 4, 1, 32, nullptr));
  int level = canvas.dc.SaveDC();
  ASSERT_NE(canvas.dc.SelectObject(&second), nullptr);
  canvas.dc.FillSolidRect(0, 0, 4, 4, kBlue);
  ASSERT_TRUE(canvas.dc.RestoreDC(level));
  canvas.dc.FillSolidRect(0, 0, 1, 1, kRed);
  EXPECT_EQ(Hex(canvas.At(0, 0)), Hex(kRed)) << "drawing goes to the first bitmap again";
  EXPECT_EQ(Hex(canvas.At(1, 1)), Hex(kWhite));
  EXPECT_EQ(Hex(ColorOf(second.GetQImage().pixel(1, 1))), Hex(kBlue));
  CDC other;
  other.CreateCompatibleDC(nullptr);
  EXPECT_NE(other.SelectObject(&second), nullptr) << "the second bitmap is free again";
  EXPECT_EQ(canvas.dc.GetCurrentBitmap(), &canvas.bmp);
}

TEST_F(GdiTest, BitmapBitsRoundTrip) {
  const BYTE pixels[] = {0x10, 0x20, 0x30, 0x00, 0x40, 0x50, 0x60, 0x00};  // blue, green, red, unused
  CBitmap bmp;
  ASSERT_TRUE(bmp.CreateBitmap(2, 1, 1, 32, pixels));
  QImage img = bmp.GetQImage();
  EXPECT_EQ(Hex(ColorOf(img.pixel(0, 0))), Hex(RGB(0x30, 0x20, 0x10)));
  EXPECT_EQ(Hex(ColorOf(img.pixel(1, 0))), Hex(RGB(0x60, 0x50, 0x40)));
  BYTE back[8] = {};
  EXPECT_EQ(bmp.GetBitmapBits(sizeof back, back), 8u);
  EXPECT_EQ(back[0], 0x10);
  EXPECT_EQ(back[6], 0x60);
  const BYTE mono[] = {0x80, 0x00};  // 1 pixel set in a row padded to 16 bits
  CBitmap m;
  ASSERT_TRUE(m.CreateBitmap(2, 1, 1, 1, mono));
  EXPECT_EQ(Hex(ColorOf(m.GetQImage().pixel(0, 0))), Hex(kWhite));
  EXPECT_EQ(Hex(ColorOf(m.GetQImage().pixel(1, 0))), Hex(kBlack));
  CBitmap zero;
  ASSERT_TRUE(zero.CreateBitmap(0, 0, 1, 32, nullptr));
  BITMAP bm{};
  zero.GetBitmap(&bm);
  EXPECT_EQ(bm.bmWidth, 1);
  EXPECT_EQ(bm.bmBitsPixel, 1) << "a bitmap of no size is the 1 x 1 monochrome one";
  EXPECT_EQ(bmp.SetBitmapDimension(10, 20), CSize(0, 0));
  EXPECT_EQ(bmp.GetBitmapDimension(), CSize(10, 20));
}

}  // namespace

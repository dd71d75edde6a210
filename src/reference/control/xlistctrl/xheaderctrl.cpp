#include "reference/control/xlistctrl/xheaderctrl.h"

#include "platform/imagelist.h"
#include "platform/trace.h"
#include "reference/control/xlistctrl/memdc.h"

namespace {
constexpr int kCaptionLimit = 80;  // characters of a caption read, terminator included
constexpr COLORREF kCaptionColour = RGB(0, 0, 255);
}  // namespace

BEGIN_MESSAGE_MAP(CXHeaderCtrl, CHeaderCtrl)
  ON_MESSAGE(HDM_SETIMAGELIST, &CXHeaderCtrl::OnImageListSet)
  ON_MESSAGE(HDM_LAYOUT, &CXHeaderCtrl::OnHeaderLayout)
  ON_WM_PAINT()
  ON_WM_SYSCOLORCHANGE()
  ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

CXHeaderCtrl::CXHeaderCtrl() { ReadColours(); }

void CXHeaderCtrl::ReadColours() {
  m_clrLight = GetSysColor(COLOR_BTNHIGHLIGHT);
  m_clrShadow = GetSysColor(COLOR_BTNSHADOW);
  m_clrFace = GetSysColor(COLOR_BTNFACE);
  m_clrText = GetSysColor(COLOR_BTNTEXT);
}

BOOL CXHeaderCtrl::SetOption(int code, DWORD value) {
  switch (code) {
    case 1: m_nGap = static_cast<int>(value); break;
    case 2:
      m_nOptionLow = LOWORD(value);
      m_nOptionHigh = HIWORD(value);
      break;
    case 3: m_bWideLayout = value != 0; break;
    case 4: m_nOption4 = static_cast<int>(value); break;
    default: return FALSE;
  }
  if (::IsWindow(GetSafeHwnd())) Invalidate(TRUE);
  return TRUE;
}

LRESULT CXHeaderCtrl::OnImageListSet(WPARAM /*wParam*/, LPARAM lParam) {
  if (CImageList* list = CImageList::FromHandle(reinterpret_cast<HIMAGELIST>(lParam))) {
    IMAGEINFO info{};
    if (list->GetImageInfo(0, &info)) {
      m_nImageWidth = info.rcImage.right - info.rcImage.left;
      m_nImageHeight = info.rcImage.bottom - info.rcImage.top;
    }
  }
  return Default();
}

LRESULT CXHeaderCtrl::OnHeaderLayout(WPARAM /*wParam*/, LPARAM lParam) {
  auto* layout = reinterpret_cast<HDLAYOUT*>(lParam);
  if (m_bWideLayout && layout != nullptr && layout->prc != nullptr)
    layout->prc->right += 2 * GetSystemMetrics(SM_CXBORDER);
  return Default();
}

void CXHeaderCtrl::OnSysColorChange() {
  Default();
  ReadColours();
}

BOOL CXHeaderCtrl::OnEraseBkgnd(CDC* /*pDC*/) { return TRUE; }

void CXHeaderCtrl::OnPaint() {
  CPaintDC dc(this);
  CMemmoryDC memDc(&dc);
  DrawHeader(&memDc);
}

void CXHeaderCtrl::DrawItem(LPDRAWITEMSTRUCT /*lpDIS*/) {
  TRACE(L"CXHeaderCtrl::DrawItem: owner-drawn header items need a class that draws them\n");
}

void CXHeaderCtrl::DrawHeader(CDC* pDC) {
  CRect clip;
  if (pDC->GetClipBox(&clip) == RGN_ERROR) return;
  pDC->FillSolidRect(&clip, m_clrFace);
  CRect client;
  GetClientRect(&client);
  int count = GetItemCount();
  if (count < 0) count = 0;
  CPen light(PS_SOLID, 1, m_clrLight), shadow(PS_SOLID, 1, m_clrShadow);
  CFont* oldFont = pDC->SelectObject(GetFont());
  CPen* oldPen = pDC->SelectObject(&light);
  pDC->SetBkColor(m_clrFace);
  pDC->SetTextColor(m_clrText);
  int total = 0;
  for (int order = 0; order < count; ++order) {
    const int index = OrderToIndex(order);
    wchar_t caption[kCaptionLimit] = {};
    HDITEM item{};
    item.mask = HDI_WIDTH | HDI_TEXT | HDI_FORMAT | HDI_BITMAP | HDI_IMAGE;
    item.pszText = caption;
    item.cchTextMax = kCaptionLimit;
    GetItem(index, &item);
    CRect rect;
    GetItemRect(index, &rect);
    total += item.cxy;
    if (rect.right < clip.left || rect.left > clip.right) continue;
    if (item.fmt & HDF_OWNERDRAW) {
      DRAWITEMSTRUCT dis{};
      dis.CtlType = ODT_HEADER;
      dis.CtlID = GetDlgCtrlID();
      dis.itemID = static_cast<UINT>(index);
      dis.itemAction = ODA_DRAWENTIRE;
      dis.hwndItem = GetSafeHwnd();
      dis.hDC = pDC->GetSafeHdc();
      dis.rcItem = rect;
      DrawItem(&dis);
    } else {
      CRect inner = rect;
      inner.DeflateRect(m_nGap, 0);
      PaintItem(pDC, inner, &item);
    }
    if (order < count - 1) {
      pDC->SelectObject(&shadow);
      pDC->MoveTo(rect.right - 1, rect.top + 2);
      pDC->LineTo(rect.right - 1, rect.bottom - 2);
      pDC->SelectObject(&light);
      pDC->MoveTo(rect.right, rect.top + 2);
      pDC->LineTo(rect.right, rect.bottom - 2);
    }
  }
  if (total >= 1) {
    CRect frame = client;
    frame.right = frame.left + total;
    pDC->Draw3dRect(&frame, m_clrLight, m_clrShadow);
  }
  pDC->SelectObject(oldFont);
  pDC->SelectObject(oldPen);
}

void CXHeaderCtrl::PaintItem(CDC* pDC, CRect rect, LPHDITEM item) {
  if (item == nullptr || !(item->mask & HDI_FORMAT)) return;
  BITMAP bm{};
  const bool hasBitmap = (item->fmt & HDF_BITMAP) && (item->mask & HDI_BITMAP) && item->hbm != nullptr &&
                         CBitmap::FromHandle(item->hbm)->GetBitmap(&bm);
  CImageList* images = GetImageList();
  if (item->iImage != 0 && images != nullptr && rect.Width() > 0) {
    const int top = rect.CenterPoint().y - m_nImageHeight / 2;
    const COLORREF old = images->SetBkColor(pDC->GetBkColor());
    images->Draw(pDC, item->iImage, CPoint(rect.left, top), ILD_NORMAL);
    images->SetBkColor(old);
    rect.left += m_nImageWidth + m_nGap;
  }
  CRect textRect = rect;
  if (hasBitmap && rect.Width() >= bm.bmWidth) {
    CDC memDc;
    memDc.CreateCompatibleDC(pDC);
    CBitmap* old = memDc.SelectObject(CBitmap::FromHandle(item->hbm));
    pDC->BitBlt(rect.right - bm.bmWidth, rect.CenterPoint().y - bm.bmHeight / 2, bm.bmWidth, bm.bmHeight, &memDc, 0, 0,
                SRCCOPY);
    memDc.SelectObject(old);
    textRect.right -= bm.bmWidth + m_nGap;
  }
  pDC->SetTextColor(kCaptionColour);
  if (rect.Width() > 0 && (item->mask & HDI_TEXT) && (item->fmt & HDF_STRING) && item->pszText != nullptr) {
    pDC->DrawText(CString(item->pszText), &textRect, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
  }
}

#include "reference/control/xlistctrl/memdc.h"

CMemmoryDC::CMemmoryDC(CDC* pTarget) : m_pTargetDC(pTarget), m_bOffscreen(pTarget && !pTarget->IsPrinting()) {
  if (m_pTargetDC == nullptr) {
    m_bOffscreen = FALSE;
    return;
  }
  // The layer never prints: a context that is not off-screen simply draws nothing of its own.
  if (!m_bOffscreen) return;
  m_pTargetDC->GetClipBox(&m_rcArea);
  CreateCompatibleDC(m_pTargetDC);
  m_bmpBuffer.CreateCompatibleBitmap(m_pTargetDC, m_rcArea.Width(), m_rcArea.Height());
  m_pPrevBitmap = SelectObject(&m_bmpBuffer);
  SetWindowOrg(m_rcArea.left, m_rcArea.top);
}

CMemmoryDC::~CMemmoryDC() {
  if (m_bOffscreen && m_pTargetDC != nullptr) {
    m_pTargetDC->BitBlt(m_rcArea.left, m_rcArea.top, m_rcArea.Width(), m_rcArea.Height(), this, m_rcArea.left,
                        m_rcArea.top, SRCCOPY);
    SelectObject(m_pPrevBitmap);
  }
}

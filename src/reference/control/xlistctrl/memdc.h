// CMemmoryDC: an off-screen device context over a target's clip box; what is drawn on it reaches
// the target, at the same place, when it goes out of scope.
#pragma once

#include "platform/gdi.h"

class CMemmoryDC : public CDC {
 public:
  explicit CMemmoryDC(CDC* pTarget);
  ~CMemmoryDC() override;
  CMemmoryDC(const CMemmoryDC&) = delete;
  CMemmoryDC& operator=(const CMemmoryDC&) = delete;

 private:
  CBitmap m_bmpBuffer;
  CBitmap* m_pPrevBitmap = nullptr;
  CDC* m_pTargetDC;
  CRect m_rcArea;
  BOOL m_bOffscreen;
};

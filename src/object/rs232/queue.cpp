// CQueue (see queue.h).
#include "object/rs232/queue.h"

#include <cstring>

CQueue::CQueue() { Reset(); }

int CQueue::GetCount() const { return (m_nTail - m_nHead + QUEUE_SIZE) % QUEUE_SIZE; }

BOOL CQueue::Push(BYTE byte) {
  if (GetCount() >= QUEUE_SIZE - 1) return FALSE;
  m_buf[m_nTail] = byte;
  m_nTail = (m_nTail + 1) % QUEUE_SIZE;
  return TRUE;
}

BOOL CQueue::Pop(BYTE* pByte) {
  if (GetCount() == 0) return FALSE;
  if (pByte != nullptr) *pByte = m_buf[m_nHead];
  m_nHead = (m_nHead + 1) % QUEUE_SIZE;
  return TRUE;
}

void CQueue::Reset() {
  m_nTail = 0;
  m_nHead = 0;
  std::memset(m_buf, 0, sizeof(m_buf));
}

// CQueue: the circular byte queue into which the serial read thread gathers received bytes before
// it hands them to the main window. One slot always stays free, so the queue holds one byte less
// than its buffer.
#pragma once

#include "platform/wintypes.h"

class CQueue {
 public:
  enum { QUEUE_SIZE = 300000 };

  CQueue();
  virtual ~CQueue() = default;
  CQueue(const CQueue&) = delete;
  CQueue& operator=(const CQueue&) = delete;

  // Number of bytes queued (0 to QUEUE_SIZE - 1).
  int GetCount() const;
  // Appends one byte; FALSE (and nothing stored) when the queue is full.
  BOOL Push(BYTE byte);
  // Takes the oldest byte; FALSE when the queue is empty (pByte is then left alone; it may be null
  // to drop the byte).
  BOOL Pop(BYTE* pByte);
  // Empties the queue and zeroes the whole buffer.
  void Reset();
  // The buffer itself. After a Reset followed only by pushes, the queued bytes start at its first
  // byte and are followed by zero bytes.
  const BYTE* GetBuffer() const { return m_buf; }

 private:
  BYTE m_buf[QUEUE_SIZE];
  int m_nTail = 0;  // where the next byte is written
  int m_nHead = 0;  // where the next byte is read
};

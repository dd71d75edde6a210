// CQueue: first in first out across the end of the buffer, the full queue refusing bytes, empty
// reads, and the reset that zeroes the buffer.
#include "object/rs232/queue.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr int kCapacity = CQueue::QUEUE_SIZE - 1;

TEST(QueueTest, EmptyQueueGivesNothing) {
  auto q = std::make_unique<CQueue>();
  EXPECT_EQ(q->GetCount(), 0);
  BYTE b = 0x5A;
  EXPECT_FALSE(q->Pop(&b));
  EXPECT_EQ(b, 0x5A) << "a failed read leaves the target alone";
  EXPECT_FALSE(q->Pop(nullptr));
  ASSERT_TRUE(q->Push(7));
  ASSERT_TRUE(q->Pop(&b));
  EXPECT_EQ(b, 7);
  EXPECT_FALSE(q->Pop(&b)) << "emptied again";
  EXPECT_EQ(q->GetCount(), 0);
}

TEST(QueueTest, FullQueueRefusesAndKeepsItsBytes) {
  auto q = std::make_unique<CQueue>();
  for (int i = 0; i < kCapacity; ++i) ASSERT_TRUE(q->Push(static_cast<BYTE>(i))) << i;
  EXPECT_EQ(q->GetCount(), kCapacity);
  EXPECT_FALSE(q->Push(0xEE));
  EXPECT_FALSE(q->Push(0xEE));
  EXPECT_EQ(q->GetCount(), kCapacity);
  // The queued bytes sit from the start of the buffer; the one free slot stays zero.
  const BYTE* buf = q->GetBuffer();
  EXPECT_EQ(buf[0], 0);
  EXPECT_EQ(buf[1], 1);
  EXPECT_EQ(buf[kCapacity - 1], static_cast<BYTE>(kCapacity - 1));
  EXPECT_EQ(buf[kCapacity], 0);
  for (int i = 0; i < kCapacity; ++i) {
    BYTE b = 0;
    ASSERT_TRUE(q->Pop(&b));
    ASSERT_EQ(b, static_cast<BYTE>(i)) << i;
  }
  EXPECT_FALSE(q->Pop(nullptr));
}

TEST(QueueTest, WrapsAroundTheEndOfTheBuffer) {
  auto q = std::make_unique<CQueue>();
  // Move both indices near the end, then push across it.
  const int shift = CQueue::QUEUE_SIZE - 10;
  for (int i = 0; i < shift; ++i) ASSERT_TRUE(q->Push(0));
  for (int i = 0; i < shift; ++i) ASSERT_TRUE(q->Pop(nullptr));
  EXPECT_EQ(q->GetCount(), 0);
  for (int i = 0; i < 25; ++i) ASSERT_TRUE(q->Push(static_cast<BYTE>(100 + i)));
  EXPECT_EQ(q->GetCount(), 25);
  for (int i = 0; i < 25; ++i) {
    BYTE b = 0;
    ASSERT_TRUE(q->Pop(&b));
    EXPECT_EQ(b, static_cast<BYTE>(100 + i)) << i;
  }
  EXPECT_EQ(q->GetCount(), 0);

  // Full with the free slot anywhere: a read frees exactly one place.
  for (int i = 0; i < kCapacity; ++i) ASSERT_TRUE(q->Push(static_cast<BYTE>(i % 251)));
  EXPECT_FALSE(q->Push(1));
  ASSERT_TRUE(q->Pop(nullptr));
  EXPECT_TRUE(q->Push(200));
  EXPECT_FALSE(q->Push(201));
  EXPECT_EQ(q->GetCount(), kCapacity);
}

TEST(QueueTest, ResetEmptiesAndZeroes) {
  auto q = std::make_unique<CQueue>();
  for (int i = 0; i < 1000; ++i) ASSERT_TRUE(q->Push(0xAB));
  ASSERT_TRUE(q->Pop(nullptr));
  q->Reset();
  EXPECT_EQ(q->GetCount(), 0);
  EXPECT_FALSE(q->Pop(nullptr));
  for (int i = 0; i < CQueue::QUEUE_SIZE; i += 997) ASSERT_EQ(q->GetBuffer()[i], 0) << i;
  EXPECT_EQ(q->GetBuffer()[999], 0);
  // After a reset a new delivery starts at the first byte and is followed by zero bytes.
  ASSERT_TRUE(q->Push('O'));
  ASSERT_TRUE(q->Push('K'));
  EXPECT_EQ(q->GetBuffer()[0], 'O');
  EXPECT_EQ(q->GetBuffer()[1], 'K');
  EXPECT_EQ(q->GetBuffer()[2], 0);
}

}  // namespace

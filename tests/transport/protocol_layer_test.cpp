#include "transport/protocol_layer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "foundation/globals.h"

using namespace zv;
using namespace std::chrono_literals;

namespace {

PduStr Take(TByteCircularBuffer& b, int Count) {
  std::vector<uint8_t> v;
  b.Read(v, Count);
  return PduStr(v.begin(), v.end());
}

TEST(ByteCircularBuffer, ReadTakesCountOrEverything) {
  struct Row { int Count; PduStr Taken; PduStr Left; };
  const Row rows[] = {
      {0, "abcde", ""}, {3, "abc", "de"}, {5, "abcde", ""}, {9, "abcde", ""}, {-1, "abcde", ""},
  };
  for (const Row& r : rows) {
    TByteCircularBuffer b;
    b.Write("abcde", 5);
    std::vector<uint8_t> v(7, 'x');
    EXPECT_EQ(b.Read(v, r.Count), static_cast<int>(r.Taken.size())) << r.Count;
    EXPECT_EQ(PduStr(v.begin(), v.end()), r.Taken) << r.Count;
    EXPECT_EQ(b.ByteQty(), static_cast<int>(r.Left.size()));
    EXPECT_EQ(b.ReadAll(), r.Left);
  }
  TByteCircularBuffer empty;
  std::vector<uint8_t> v(3, 'x');
  EXPECT_EQ(empty.Read(v, 0), 0);
  EXPECT_TRUE(v.empty());
}

TEST(ByteCircularBuffer, KeepsOrderAcrossWritesAndReads) {
  TByteCircularBuffer b;
  PduStr s;
  b.TransferStr(s);
  EXPECT_EQ(b.ByteQty(), 0);
  s = PduStr("\x00\xFF\x7F", 3);
  b.TransferStr(s);
  EXPECT_TRUE(s.empty());
  b.Write("12", 2);
  EXPECT_EQ(Take(b, 2), PduStr("\x00\xFF", 2));
  b.Write("345", 3);
  EXPECT_EQ(b.ReadByte(), 0x7F);
  EXPECT_EQ(Take(b, 0), "12345");
  // Enough traffic that the taken front is dropped along the way.
  PduStr expected, got;
  for (int i = 0; i < 20000; ++i) {
    char c = static_cast<char>(i * 7);
    b.Write(&c, 1);
    expected += c;
    if (i % 3 == 0) got += Take(b, 2);
  }
  got += b.ReadAll();
  EXPECT_EQ(got, expected);
}

TEST(ByteCircularBuffer, ReadByteOfAnEmptyFifoIsAnAssertion) {
  TByteCircularBuffer b;
  EXPECT_THROW(b.ReadByte(), EAssertionFailed);
  b.Write("a", 1);
  EXPECT_EQ(b.ReadByte(), 'a');
  EXPECT_THROW(b.ReadByte(), EAssertionFailed);
  b.Write("b", 1);
  EXPECT_EQ(b.ReadAll(), "b");
}

TEST(ByteCircularBuffer, PushFrontOnlyIntoTheSameEpoch) {
  TByteCircularBuffer b;
  b.Write("abcdef", 6);
  uint8_t c;
  uint64_t epoch;
  ASSERT_TRUE(b.TryReadByte(c, epoch));
  ASSERT_TRUE(b.TryReadByte(c, epoch));
  b.PushFront("XYZ", epoch);  // more than the room in front
  EXPECT_EQ(b.ReadAll(), "XYZcdef");
  b.Write("12", 2);
  ASSERT_TRUE(b.TryReadByte(c, epoch));
  b.PushFront("1", epoch);
  EXPECT_EQ(b.ByteQty(), 2);
  b.Clear();  // a new stream: what belonged to the old one stays out
  b.PushFront("old", epoch);
  EXPECT_EQ(b.ByteQty(), 0);
  EXPECT_NE(b.Epoch(), epoch);
}

TEST(ByteCircularBuffer, AWriteWakesTheWaitingConsumer) {
  TByteCircularBuffer b;
  std::thread producer([&] { b.Write("x", 1); });
  EXPECT_TRUE(b.WaitForData(30000, nullptr));
  producer.join();
  EXPECT_EQ(b.ReadAll(), "x");
  // A stop condition that holds ends the wait without octets.
  EXPECT_FALSE(b.WaitForData(30000, [] { return true; }));
  // Zero milliseconds only looks.
  EXPECT_FALSE(b.WaitForData(0, nullptr));
}

TEST(AbortFlag, SettingItWakesWaitersAndSubscribers) {
  AbortRequested = false;
  std::atomic<int> calls{0};
  TByteCircularBuffer b;
  {
    TAbortSubscription subscription([&] {
      ++calls;
      b.Notify();
    });
    std::thread aborter([] { AbortRequested = true; });
    EXPECT_FALSE(b.WaitForData(30000, [] { return AbortRequested.load(); }));
    aborter.join();
    EXPECT_TRUE(WaitForAbort(30000));
    EXPECT_EQ(calls.load(), 1);
    AbortRequested = false;
    EXPECT_EQ(calls.load(), 1);  // clearing wakes nobody
    EXPECT_FALSE(WaitForAbort(0));
  }
  AbortRequested = true;
  EXPECT_EQ(calls.load(), 1);  // the ended subscription is not called
  AbortRequested = false;
}

TEST(ProtocolLayerAbstract, MissingOperations) {
  TProtocolLayerAbstract layer;
  layer.Name = "TCPServer";
  try {
    layer.Send(nullptr, "x");
    FAIL();
  } catch (const EProtocolLayer& e) {
    EXPECT_EQ(e.Message(), "TCPServer:\"Send\" not available");
  }
  try {
    layer.Rec(nullptr);
    FAIL();
  } catch (const EProtocolLayer& e) {
    EXPECT_EQ(e.Message(), "TCPServer:\"Rec\" not available");
  }
  try {
    layer.RaiseProtocolLayerException("\"TCPServer\" is not connected");
    FAIL();
  } catch (const EProtocolLayer& e) {
    EXPECT_EQ(e.Message(), "TCPServer:\"TCPServer\" is not connected");
    EXPECT_STREQ(e.ClassName(), "EProtocolLayer");
  }
  EXPECT_THROW(layer.Connect(), EAbstractError);
  EXPECT_THROW(layer.Disconnect(), EAbstractError);
  EXPECT_THROW(layer.IsConnected(), EAbstractError);
  EXPECT_THROW(layer.SendRec(nullptr, "x"), EAbstractError);
  EXPECT_NO_THROW(layer.DisconnectSupportingLayer());
}

TEST(ProtocolLayerErrors, NoResponseStandsApart) {
  ENoResponse e;
  EXPECT_EQ(e.Message(), "No response");
  EXPECT_STREQ(e.ClassName(), "ENoResponse");
  // A handler of transport failures must not swallow "nothing came".
  EXPECT_EQ(dynamic_cast<const EProtocolLayer*>(static_cast<const Exception*>(&e)), nullptr);
}

}  // namespace

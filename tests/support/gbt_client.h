// The client side of general block transfer for tests over loopback: requests sent as
// blocks and answers taken as blocks with acknowledgements, driven by our own engine in the
// client role, and single hand-written blocks for the sequences a well-behaved client never
// sends.
#pragma once
#include <functional>
#include <memory>
#include <vector>

#include "server/gbt.h"
#include "support/test_client.h"

namespace zv::test {

class TGBTClient {
 public:
  // Window: the client's own window, advertised in every block it sends.
  explicit TGBTClient(TTestClient& Client, int Window = 1) : FClient(Client), FWindow(Window) {}

  // Every block of the server received and every block sent, in order, over all exchanges.
  std::vector<TGBT> Received;
  std::vector<TGBT> Sent;
  // Longest wait for one APDU of the server; an exchange that waits longer fails.
  int TimeoutMs = 10000;
  // Asked for every block of the server an exchange receives (Count from 1 within the
  // exchange); true drops the block as if it had been lost on the way.
  std::function<bool(int Count, const TGBT& Block)> Lose;

  // Sends Apdu as blocks of BlockSize octets and answers the joined answer; the server's
  // blocks are acknowledged as they come, all but the last (see AcknowledgeLast).
  PduStr Exchange(const PduStr& Apdu, int BlockSize);
  // Sends Apdu whole and answers the answer: joined when it comes as blocks (ByBlocks true),
  // else as it came. Empty when nothing came.
  PduStr Request(const PduStr& Apdu, bool* ByBlocks = nullptr);
  // Acknowledges the last block of the last exchange, which the server waits for.
  bool AcknowledgeLast();

  // A hand-written block, sent as it is.
  bool SendBlock(const TGBT& Block);
  // The next APDU of the server; true when it is a block (then in Block), else its octets
  // are in Other (empty when nothing came within TimeoutMs).
  bool ReceiveBlock(TGBT& Block, PduStr* Other = nullptr);

  static TGBT MakeBlock(bool LB, bool STR, int W, int BN, int BNA, const PduStr& BD = PduStr());

 private:
  PduStr Run(const TCOSEMpdu* First);
  TTestClient& FClient;
  int FWindow;
  std::unique_ptr<TGBTProtocol> FEngine;
};

}  // namespace zv::test

#include "support/gbt_client.h"

#include <algorithm>
#include <stdexcept>

#include "apdu/apdu_views.h"

namespace zv::test {

namespace {

TGBT ToGBT(const TCOSEMpdu& Pdu) {
  TGBT g;
  TGBTProtocol::GeneralBlockTransferToGBT(TCOSEMPDUHelper::AsGeneralBlockTransfer(Pdu), g);
  return g;
}

}  // namespace

TGBT TGBTClient::MakeBlock(bool LB, bool STR, int W, int BN, int BNA, const PduStr& BD) {
  TGBT g;
  g.LB = LB;
  g.STR = STR;
  g.W = W;
  g.BN = BN;
  g.BNA = BNA;
  g.BD = BD;
  return g;
}

bool TGBTClient::SendBlock(const TGBT& Block) {
  Sent.push_back(Block);
  return FClient.SendApdu(TGeneralBlockTransferHelper::MakeAPDU(Block)->Encode());
}

bool TGBTClient::ReceiveBlock(TGBT& Block, PduStr* Other) {
  PduStr octets = FClient.ReceiveApdu(TimeoutMs);
  if (!octets.empty() && static_cast<uint8_t>(octets[0]) == 0xE0) {
    Block = ToGBT(*TCOSEMPDUHelper::MakeFromPdu(octets));
    Received.push_back(Block);
    return true;
  }
  if (Other) *Other = octets;
  return false;
}

PduStr TGBTClient::Run(const TCOSEMpdu* First) {
  FEngine->OnGBTAPDUReceived = [this](TGBTProtocol&, int Count, TGBT& Block, bool& Lost) {
    Lost = Lose && Lose(Count, Block);
  };
  auto send = [this](const TCOSEMpdu& Pdu) {
    Sent.push_back(ToGBT(Pdu));
    if (!FClient.SendApdu(Pdu.Encode())) throw std::runtime_error("the server closed the connection");
  };
  // A server that falls silent fails the exchange; the engine would ask again for ever.
  auto rec = [this]() -> COSEMpduPtr {
    PduStr octets = FClient.ReceiveApdu(TimeoutMs);
    if (octets.empty()) throw std::runtime_error("no block of the server within time");
    COSEMpduPtr pdu = TCOSEMPDUHelper::MakeFromPdu(octets);
    if (TCOSEMPDUHelper::IsGeneralBlockTransfer(*pdu)) Received.push_back(ToGBT(*pdu));
    return pdu;
  };
  PduStr answer;
  FEngine->ApplicationLayerGBT(First, rec, send, answer);
  return answer;
}

PduStr TGBTClient::Exchange(const PduStr& Apdu, int BlockSize) {
  FEngine = std::make_unique<TGBTProtocol>(gpClient);
  TGBTSettings settings;
  settings.WindowSize = FWindow;
  FEngine->ApplySettings(settings);
  FEngine->Initialize(nullptr);
  const size_t n = static_cast<size_t>(std::max(BlockSize, 1));
  for (size_t at = 0; at < Apdu.size(); at += n) FEngine->AddBlockToSQ(at + n >= Apdu.size(), Apdu.substr(at, n));
  return Run(nullptr);
}

PduStr TGBTClient::Request(const PduStr& Apdu, bool* ByBlocks) {
  if (ByBlocks) *ByBlocks = false;
  if (!FClient.SendApdu(Apdu)) return PduStr();
  PduStr octets = FClient.ReceiveApdu(TimeoutMs);
  if (octets.empty() || static_cast<uint8_t>(octets[0]) != 0xE0) return octets;
  if (ByBlocks) *ByBlocks = true;
  FEngine = std::make_unique<TGBTProtocol>(gpClient);
  TGBTSettings settings;
  settings.WindowSize = FWindow;
  FEngine->ApplySettings(settings);
  FEngine->Initialize(nullptr);
  COSEMpduPtr first = TCOSEMPDUHelper::MakeFromPdu(octets);
  Received.push_back(ToGBT(*first));
  return Run(first.get());
}

bool TGBTClient::AcknowledgeLast() {
  if (!FEngine) return false;
  // An empty last block: the client has nothing more to send and has all up to BNASelf.
  return SendBlock(MakeBlock(true, false, FWindow, FEngine->NextBN++, FEngine->BNASelf));
}

}  // namespace zv::test

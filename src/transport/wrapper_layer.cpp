#include "transport/wrapper_layer.h"

#include "foundation/globals.h"
#include "platform/clock.h"

namespace zv {

namespace {

int Field(std::string_view s, size_t Offset) {
  return (static_cast<uint8_t>(s[Offset]) << 8) | static_cast<uint8_t>(s[Offset + 1]);
}

// Octets that a WPDU may still grow from: the version field, as far as it is there, is 1.
bool CouldBeginWPdu(std::string_view s) {
  return !s.empty() && s[0] == 0 && (s.size() < 2 || s[1] == 1);
}

}  // namespace

TProtocolLayerWrapper::TProtocolLayerWrapper() = default;

bool TProtocolLayerWrapper::IsWPdu(std::string_view s) {
  if (s.size() < kHeaderSize) return false;
  if (Field(s, 0) != 1) return false;
  return s.size() - kHeaderSize >= static_cast<size_t>(Field(s, 6));
}

bool TProtocolLayerWrapper::CheckFrameComplete(TProtocolLayerAbstract*, const PduStr& CurrentReceivedBytes) {
  // No WPDU is longer than this; octets that grew that far without making one are not a
  // WPDU, and waiting for more would only pile them up.
  return IsWPdu(CurrentReceivedBytes) || CurrentReceivedBytes.size() >= kHeaderSize + kMaxAPduSize;
}

PduStr TProtocolLayerWrapper::SendRec(TLinkAddresses* TransferContext, const PduStr& s) {
  if (!s.empty()) Send(TransferContext, s);
  return Rec(TransferContext);
}

PduStr TProtocolLayerWrapper::Rec(TLinkAddresses* TransferContext) {
  ZV_ASSERT(FSupportingLayer && TransferContext);
  FSupportingLayer->CheckFrameCompleteCallBack = [this](TProtocolLayerAbstract* Sender, const PduStr& Bytes) {
    return CheckFrameComplete(Sender, Bytes);
  };
  PduStr s = FSupportingLayer->Rec(TransferContext);
  if (s.empty()) throw ENoResponse();
  if (!IsWPdu(s) && CouldBeginWPdu(s)) {
    // The receive time ran out in the middle of a WPDU: its rest is still to come, so its
    // beginning waits for the next receive instead of being taken for a short APDU.
    FSupportingLayer->PushBack(s);
    throw ENoResponse();
  }
  if (s.size() < kHeaderSize) throw EProtocolLayerWrapper("Illegal WPDU");
  const int version = Field(s, 0), source = Field(s, 2), destination = Field(s, 4), length = Field(s, 6);
  if (version != 1) throw EProtocolLayerWrapper(Format("Illegal version %d in response WPDU", version));
  TransferContext->ClientId = source;
  TransferContext->ServerId = destination;
  PduStr apdu = s.substr(kHeaderSize);
  if (LogProc) {
    FLogStringList.clear();
    FLogStringList.push_back(Format("%s: Rec Src=%d, Dst=%d, Len=%d %s", Name.c_str(), source, destination, length,
                                    ByteStrToHexStr(apdu).c_str()));
    LogProc(FLogStringList);
  }
  return apdu;
}

void TProtocolLayerWrapper::Send(TLinkAddresses* TransferContext, const PduStr& s) {
  ZV_ASSERT(FSupportingLayer && TransferContext);
  // The length field has 16 bits; a longer APDU cannot be framed.
  if (s.size() > kMaxAPduSize)
    throw EProtocolLayerWrapper(Format("APDU of %zu octets is too long for a WPDU", s.size()));
  const IClock& clock = Clock();
  for (;;) {
    const uint32_t elapsed = TicksElapsed(TickOfLastSend, NowTick());
    if (elapsed >= FMinOutWPduFramesDelay) break;
    // Abort only shortens the gap; the WPDU still goes.
    if (WaitForAbort(clock.WaitBudgetMs(FMinOutWPduFramesDelay - elapsed))) break;
  }
  TickOfLastSend = NowTick();
  const int source = TransferContext->ServerId & 0xFFFF;
  const int destination = TransferContext->ClientId & 0xFFFF;
  const int length = static_cast<int>(s.size());
  PduStr wpdu;
  wpdu.reserve(kHeaderSize + s.size());
  AppendBE(wpdu, 1, 2);
  AppendBE(wpdu, static_cast<uint64_t>(source), 2);
  AppendBE(wpdu, static_cast<uint64_t>(destination), 2);
  AppendBE(wpdu, static_cast<uint64_t>(length), 2);
  wpdu += s;
  FSupportingLayer->Send(TransferContext, wpdu);
  if (LogProc) {
    FLogStringList.clear();
    FLogStringList.push_back(Format("%s: Sent Src=%d, Dst=%d, Len=%d %s", Name.c_str(), source, destination, length,
                                    ByteStrToHexStr(s).c_str()));
    LogProc(FLogStringList);
  }
}

void TProtocolLayerWrapper::WPduGetAsStrings(std::string_view WPdu, std::vector<std::string>& StringList, int Indent) {
  if (WPdu.size() < kHeaderSize) throw EProtocolLayerWrapper("Illegal WPDU");
  StringList.push_back(Blanks(Indent) + "WPDU(");
  const std::string inner = Blanks(Indent + 2);
  StringList.push_back(Format("%sVersion: %d, SrcWPort:%d, DstWPort:%d, Length:%d", inner.c_str(), Field(WPdu, 0),
                              Field(WPdu, 2), Field(WPdu, 4), Field(WPdu, 6)));
  StringList.push_back(Format("%sData:'%s'", inner.c_str(), ByteStrToHexStr(WPdu.substr(kHeaderSize)).c_str()));
  StringList.push_back(Blanks(Indent) + ")");
}

std::string TProtocolLayerWrapper::GetHexAPduPayLoad(std::string_view HexWPdu) {
  PduStr octets = HexStrToByteStr2(HexWPdu);
  if (octets.size() <= kHeaderSize) return std::string();
  return ByteStrToHexStr(std::string_view(octets).substr(kHeaderSize));
}

}  // namespace zv

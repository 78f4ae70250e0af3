// Arbitrary octets arriving from a peer, in chunks, read by the wrapper's frame reader: it
// must never crash or loop, every APDU it hands up must be framed as its header says, and
// what it sends back must read again as the same APDU.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "foundation/misc.h"
#include "transport/wrapper_layer.h"

using namespace zv;

namespace {

// An octet stream: Rec hands out what has arrived against the frame-complete test and
// returns what it has when nothing more has arrived.
class StreamStub : public TProtocolLayerAbstract {
 public:
  PduStr Rec(TLinkAddresses*) override {
    PduStr result;
    size_t taken = 0;
    while (taken < Arrived.size()) {
      result += Arrived[taken++];
      if (CheckFrameCompleteCallBack && CheckFrameCompleteCallBack(this, result)) break;
    }
    Arrived.erase(0, taken);
    return result;
  }
  void Send(TLinkAddresses*, const PduStr& s) override { Sent = s; }
  void PushBack(const PduStr& s) override { Arrived.insert(0, s); }
  PduStr Arrived, Sent;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
  const size_t chunk = 1 + data[0] % 97;
  StreamStub stream;
  TProtocolLayerWrapper wrapper;
  wrapper.SetSupportingLayer(&stream);
  TLinkAddresses context;
  size_t pos = 0;
  for (;;) {
    const bool more = pos < input.size();
    if (more) {
      stream.Arrived += input.substr(pos, chunk);
      pos += chunk;
    }
    const size_t before = stream.Arrived.size();
    PduStr apdu;
    try {
      apdu = wrapper.Rec(&context);
    } catch (const ENoResponse&) {
      if (!more && stream.Arrived.size() == before) break;  // an unfinished WPDU at the end
      continue;
    } catch (const EProtocolLayerWrapper&) {
      continue;
    }
    // The reader stops at the end of a WPDU, so the APDU is exactly as long as its header says.
    if (apdu.size() > TProtocolLayerWrapper::kMaxAPduSize) std::abort();
    if (context.ClientId < 0 || context.ClientId > 0xFFFF || context.ServerId < 0 || context.ServerId > 0xFFFF)
      std::abort();
    wrapper.Send(&context, apdu);
    if (!TProtocolLayerWrapper::IsWPdu(stream.Sent) || stream.Sent.size() != apdu.size() + 8) std::abort();
    StreamStub echo;
    TProtocolLayerWrapper reader;
    reader.SetSupportingLayer(&echo);
    echo.Arrived = stream.Sent;
    TLinkAddresses answer;
    if (reader.Rec(&answer) != apdu || answer.ClientId != context.ServerId || answer.ServerId != context.ClientId)
      std::abort();
  }
  if (input.size() >= 8) {
    std::vector<std::string> lines;
    TProtocolLayerWrapper::WPduGetAsStrings(input, lines, 2);
    if (lines.size() != 4) std::abort();
    if (TProtocolLayerWrapper::GetHexAPduPayLoad(ByteStrToHexStr(input)) != ByteStrToHexStr(input.substr(8)))
      std::abort();
  }
  return 0;
}

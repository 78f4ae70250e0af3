// Arbitrary octets arriving on a serial line: the HDLC frame reader and the link's state
// machine must never crash or hang, and every frame the link sends must read back as a
// well-formed answer. The same octets, taken as one frame, must either fail with EFrame or
// build again into a frame that reads back the same. With the first octet's high bit set,
// the rest describes frames (kind, sequence numbers, addresses, information) that are built
// with valid check sequences, between raw and corrupted octets, so that the link gets past
// its checks into every state.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "foundation/globals.h"
#include "platform/clock.h"
#include "transport/hdlc_frame.h"
#include "transport/hdlc_server_layer.h"
#include "transport/serial_layer.h"

using namespace zv;

namespace {

class FuzzClock : public IClock {
 public:
  int64_t NowMs() const override { return Ms.load(); }
  int64_t WaitBudgetMs(int64_t Wait) const override {
    Ms += Wait;
    return 0;
  }
  mutable std::atomic<int64_t> Ms{1000000};
};

// The line: hands out the input octet by octet, checks every frame sent, and when the
// input is used up ends the application's waits.
class LineStub : public TProtocolLayerSerial {
 public:
  void Connect() override {}
  void Disconnect() override {}
  bool IsConnected() override { return true; }
  void InterruptWaits() override {}
  void ResumeWaits() override {}

  uint8_t GetByte(int TimeOutValue, bool& Timeout) override {
    if (Pos < Input.size()) {
      Timeout = false;
      return static_cast<uint8_t>(Input[Pos++]);
    }
    if (!AbortRequested) AbortRequested = true;
    Clock().WaitBudgetMs(TimeOutValue);
    Timeout = true;
    return 0;
  }

  void Send(TLinkAddresses*, const PduStr& s) override {
    TFrame f;
    try {
      f.SetFromPduByteStr(s);
    } catch (const EFrame&) {
      std::abort();
    }
    if (!f.FPollFinal || f.FSrcAddress.FSize < 1 || f.FDstAddress.FSize != 1) std::abort();
    switch (f.Kind()) {
      case fkI:
        if (f.FData.empty() || f.FData.size() > 128) std::abort();
        break;
      case fkUA:
        if (f.FData != THDLCLinkParameters().Encode()) std::abort();
        break;
      case fkRR:
      case fkDM:
      case fkFRMR:
        if (!f.FData.empty()) std::abort();
        break;
      default:
        std::abort();
    }
  }

  std::string Input;
  size_t Pos = 0;
};

void CheckFrame(const std::string& Octets) {
  TFrame f;
  try {
    f.SetFromPduByteStr(Octets);
  } catch (const EFrame&) {
    return;
  }
  if (f.FLength != static_cast<int>(Octets.size()) - 2) std::abort();
  auto sizeOk = [](int Size) { return Size == 1 || Size == 2 || Size == 4; };
  if (!sizeOk(f.FSrcAddress.FSize) || !sizeOk(f.FDstAddress.FSize)) {
    std::vector<std::string> lines;
    try {
      f.GetAsStrings(lines, 1);
    } catch (const EAssertionFailed&) {
    }
    return;
  }
  std::vector<std::string> lines;
  f.GetAsStrings(lines, 1);
  if (lines.size() < 3) std::abort();
  if (f.Kind() == fkUnknown) return;
  TFrame again;
  again.SetFromPduByteStr(f.GetPDUByteStr());
  if (again.Kind() != f.Kind() || again.FSrcAddress != f.FSrcAddress || again.FDstAddress != f.FDstAddress ||
      again.FPollFinal != f.FPollFinal || again.FSegmented != f.FSegmented || again.FData != f.FData ||
      again.FRSequenceNr != f.FRSequenceNr || again.FSSequenceNr != f.FSSequenceNr)
    std::abort();
}

// Frames from descriptions; the octets of the description are consumed as they are read.
std::string Describe(const std::string& In) {
  static constexpr TFrameKind kKinds[] = {fkSNRM, fkI, fkI, fkRR, fkRR, fkDISC, fkRNR, fkUA, fkDM, fkUI, fkFRMR};
  std::string out;
  size_t pos = 0;
  auto next = [&]() -> uint8_t { return pos < In.size() ? static_cast<uint8_t>(In[pos++]) : 0; };
  while (pos < In.size()) {
    const uint8_t op = next();
    if (op % 8 == 6) {  // raw octets
      const size_t n = next();
      out += In.substr(pos, n);
      pos += n;
      continue;
    }
    TFrame f;
    f.SetKind(kKinds[op % std::size(kKinds)]);
    const uint8_t seq = next();
    f.FSSequenceNr = seq & 7;
    f.FRSequenceNr = (seq >> 3) & 7;
    f.FSegmented = seq & 0x40;
    f.FPollFinal = !(seq & 0x80);
    const uint8_t address = next();
    static constexpr int kSizes[] = {1, 1, 1, 2, 4, 2};
    f.FDstAddress.FSize = kSizes[address % std::size(kSizes)];
    f.FDstAddress.FUpper = (address & 0x10) ? 5 : 1;
    f.FDstAddress.FLower = (address & 0x20) ? 3 : 0;
    f.FSrcAddress.FSize = (address & 0x40) ? 2 : 1;
    f.FSrcAddress.FUpper = 16;
    if (f.Kind() == fkI || f.Kind() == fkSNRM) {
      const size_t n = next() % 140;
      f.FData = (f.Kind() == fkI && !(op & 0x80) ? std::string("\xE6\xE6\x00", 3) : std::string()) + In.substr(pos, n);
      pos += n;
    }
    std::string octets = f.GetPDUByteStr();
    if (op % 8 == 7 && octets.size() > 2) {  // one octet changed
      const uint8_t at = next();
      octets[1 + at % (octets.size() - 2)] ^= static_cast<char>(next() | 1);
    }
    CheckFrame(octets);
    out += octets;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
  CheckFrame(input);
  try {
    THDLCLinkParameters::Parse(input);
  } catch (const EFrame&) {
  }

  // The application answers each request with this many octets (none: no answer).
  const size_t answerSize = (data[0] & 0x7F) * 5u;
  AbortRequested = false;
  NoResponseGenerated = false;
  FuzzClock clock;
  LineStub line;
  line.Input = (data[0] & 0x80) ? Describe(input) : input;
  line.SetClock(clock);
  {
    TProtocolLayerHDLCServer link;
    link.SetClock(clock);
    link.SetSerialPort(&line);
    size_t logged = 0;
    int drops = 0;
    link.LogProc = [&logged](const std::vector<std::string>& Lines) {
      if (Lines.size() != 1 || Lines[0].compare(0, 5, "HDLC ") != 0) std::abort();
      ++logged;
    };
    link.OnDisconnectedProc = [&drops](TProtocolLayerAbstract*) { ++drops; };
    link.StartListening();
    TLinkAddresses context;
    for (;;) {
      PduStr request;
      try {
        request = link.Rec(&context);
      } catch (const EAbort&) {
        break;
      } catch (const EHDLCDisconnected&) {
        continue;
      }
      if (request.empty() || request.size() > TProtocolLayerHDLCServer::kMaxRequestSize) std::abort();
      if (answerSize == 0)
        NoResponseGenerated = true;
      else
        link.Send(&context, PduStr(answerSize, static_cast<char>(request[0])));
    }
    link.StopListening();
  }
  AbortRequested = false;
  return 0;
}

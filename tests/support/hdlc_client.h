// The client's end of an HDLC link for tests, on the master side of a pseudo-terminal:
// frames built and read by our own frame codec, requests written in the XML form.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "apdu/cosem_pdu.h"
#include "foundation/misc.h"
#include "support/serial_test_support.h"
#include "support/test_client.h"
#include "transport/hdlc_frame.h"

namespace zv::test {

// The link parameters of the server's every UA.
inline const PduStr kLinkParameters =
    HexStrToByteStr("81 80 14 05 02 00 80 06 02 00 80 07 04 00 00 00 01 08 04 00 00 00 01");
inline const PduStr kRequestLLC("\xE6\xE6\x00", 3);
inline const PduStr kResponseLLC("\xE6\xE7\x00", 3);
inline constexpr size_t kMaxInfo = 128;

// The XML form of an answer; "<no answer>" for none.
inline std::string AnswerXml(const PduStr& Apdu) {
  if (Apdu.empty()) return "<no answer>";
  try {
    return XmlOf(*TCOSEMPDUHelper::MakeFromPdu(Apdu));
  } catch (const std::exception& e) {
    return std::string("<undecodable: ") + e.what() + ">";
  }
}

// The client's end of the link on the master side of the pseudo-terminal: client 16 to
// the server's upper address 1, window 1, 128 information octets per frame.
class THdlcClient {
 public:
  explicit THdlcClient(const Pty& P) : FPty(P) {}

  // Sends a frame of the client with the poll bit set.
  bool SendFrame(TFrameKind Kind, const PduStr& Info = PduStr(), bool Segmented = false) {
    TFrame f;
    f.SetKind(Kind);
    f.FPollFinal = true;
    f.FDstAddress = Address(1);
    f.FSrcAddress = Address(16);
    f.FSSequenceNr = static_cast<uint8_t>(FNS);
    f.FRSequenceNr = static_cast<uint8_t>(FNR);
    f.FData = Info;
    f.FSegmented = Segmented;
    if (Kind == fkI) FNS = (FNS + 1) % 8;
    return FPty.Write(f.GetPDUByteStr());
  }
  // The server's next frame, checked for the addresses of the answer and the final bit.
  TFrame Receive() {
    TFrame f;
    EXPECT_TRUE(FPty.ReadFrame(f)) << "no frame from the server";
    EXPECT_TRUE(f.FPollFinal);
    EXPECT_EQ(f.FDstAddress, Address(16));
    EXPECT_EQ(f.FSrcAddress, Address(1));
    return f;
  }

  // SNRM answered by UA with the fixed link parameters; the sequence numbers start again.
  void Connect() {
    ASSERT_TRUE(SendFrame(fkSNRM));
    const TFrame ua = Receive();
    EXPECT_EQ(ua.Kind(), fkUA);
    EXPECT_EQ(ua.FData, kLinkParameters);
    FNS = FNR = 0;
  }
  void Disconnect() {
    ASSERT_TRUE(SendFrame(fkDISC));
    const TFrame ua = Receive();
    EXPECT_EQ(ua.Kind(), fkUA);
    EXPECT_EQ(ua.FData, kLinkParameters);
  }

  // Sends an APDU in I frames and returns the answer joined from its segments, each
  // polled for with RR; empty when the link answered RR (no answer).
  PduStr Request(const PduStr& Apdu) {
    const PduStr info = kRequestLLC + Apdu;
    for (size_t at = 0; at < info.size(); at += kMaxInfo) {
      const bool more = at + kMaxInfo < info.size();
      EXPECT_TRUE(SendFrame(fkI, info.substr(at, kMaxInfo), more));
      if (!more) break;
      const TFrame rr = Receive();
      EXPECT_EQ(rr.Kind(), fkRR);
      EXPECT_EQ(rr.FRSequenceNr, FNS);
    }
    Segments.clear();
    PduStr answer;
    for (;;) {
      const TFrame f = Receive();
      if (f.Kind() == fkRR) {
        EXPECT_EQ(f.FRSequenceNr, FNS);
        EXPECT_TRUE(answer.empty()) << "RR in the middle of an answer";
        return PduStr();
      }
      EXPECT_EQ(f.Kind(), fkI);
      if (f.Kind() != fkI) return PduStr();
      EXPECT_EQ(f.FSSequenceNr, FNR);
      EXPECT_EQ(f.FRSequenceNr, FNS);
      FNR = (FNR + 1) % 8;
      Segments.push_back(f.FData.size());
      answer += f.FData;
      if (!f.FSegmented) break;
      EXPECT_TRUE(SendFrame(fkRR));
    }
    EXPECT_EQ(answer.substr(0, 3), kResponseLLC);
    return answer.size() >= 3 ? answer.substr(3) : PduStr();
  }
  std::string RequestXml(const std::string& Xml) { return AnswerXml(Request(ApduFromXml(Xml))); }

  // The information octets of each I frame of the last answer.
  std::vector<size_t> Segments;

 private:
  static TFrameAddress Address(int Upper) {
    TFrameAddress a;
    a.FSize = 1;
    a.FUpper = static_cast<uint16_t>(Upper);
    return a;
  }

  const Pty& FPty;
  int FNS = 0;  // N(S) of the next I frame sent
  int FNR = 0;  // N(S) expected in the server's next I frame
};

}  // namespace zv::test

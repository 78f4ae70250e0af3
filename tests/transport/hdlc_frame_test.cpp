#include "transport/hdlc_frame.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace zv;

namespace {

PduStr Hex(const char* Text) { return HexStrToByteStr2(Text); }

const char* const kParameters = "81 80 14 05 02 00 80 06 02 00 80 07 04 00 00 00 01 08 04 00 00 00 01";

TFrameAddress Address(int Size, int Upper, int Lower = 0) {
  TFrameAddress a;
  a.FSize = Size;
  a.FUpper = static_cast<uint16_t>(Upper);
  a.FLower = static_cast<uint16_t>(Lower);
  return a;
}

// A frame from the given address octets, control and information, with correct check
// sequences and length, so that one field at a time can be made wrong.
PduStr RawFrame(const PduStr& Addresses, uint8_t Control, const PduStr& Info = PduStr(), bool WithFcs = false) {
  PduStr body;
  const size_t length = 2 + Addresses.size() + 1 + 2 + ((Info.empty() && !WithFcs) ? 0 : Info.size() + 2);
  body.push_back(static_cast<char>(0xA0 | (length >> 8)));
  body.push_back(static_cast<char>(length & 0xFF));
  body += Addresses;
  body.push_back(static_cast<char>(Control));
  uint16_t crc = HDLCCrc(body);
  body.push_back(static_cast<char>(crc & 0xFF));
  body.push_back(static_cast<char>(crc >> 8));
  if (!Info.empty() || WithFcs) {
    body += Info;
    crc = HDLCCrc(body);
    body.push_back(static_cast<char>(crc & 0xFF));
    body.push_back(static_cast<char>(crc >> 8));
  }
  return "\x7E" + body + "\x7E";
}

std::string ParseError(const PduStr& Octets) {
  TFrame f;
  try {
    f.SetFromPduByteStr(Octets);
  } catch (const EFrame& e) {
    return e.Message();
  }
  return "(parsed)";
}

TEST(HdlcFrame, CrcOfTheCheckText) {
  EXPECT_EQ(HDLCCrc("123456789"), 0x906E);
  // Sent least significant octet first, the check sequence leaves the CRC's good residue.
  EXPECT_EQ(HDLCCrc(PduStr("123456789") + Hex("6E 90")), 0x0F47);
}

TEST(HdlcFrame, ParsesTheLinkFrames) {
  struct Row {
    const char* Octets;
    TFrameKind Kind;
  } rows[] = {
      {"7E A0 07 03 21 93 0F 01 7E", fkSNRM},
      {"7E A0 07 03 21 53 03 C7 7E", fkDISC},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.Octets);
    TFrame f;
    f.SetFromPduByteStr(Hex(r.Octets));
    EXPECT_EQ(f.Kind(), r.Kind);
    EXPECT_TRUE(f.FPollFinal);
    EXPECT_FALSE(f.FSegmented);
    EXPECT_EQ(f.FDstAddress, Address(1, 1));
    EXPECT_EQ(f.FSrcAddress, Address(1, 16));
    EXPECT_EQ(f.FLength, 7);
    EXPECT_TRUE(f.FData.empty());
  }
}

TEST(HdlcFrame, BuildsTheAnswers) {
  TFrame ua;
  ua.SetKind(fkUA);
  ua.FPollFinal = true;
  ua.FDstAddress = Address(1, 16);
  ua.FSrcAddress = Address(1, 1);
  ua.FData = Hex(kParameters);
  EXPECT_EQ(ua.GetPDUByteStr(), Hex("7E A0 20 21 03 73 73 98") + Hex(kParameters) + Hex("CE 6A 7E"));
  EXPECT_EQ(ua.FControl, 0x73);
  EXPECT_EQ(ua.FHCSIndex, 6);
  EXPECT_EQ(ua.FFCSIndex, 6 + 2 + 23);

  TFrame dm;
  dm.SetKind(fkDM);
  dm.FPollFinal = true;
  dm.FDstAddress = Address(1, 16);
  dm.FSrcAddress = Address(1, 1);
  EXPECT_EQ(dm.AsPduHexStr(), "7EA00721031F6BE97E");

  // The server's fixed link parameters are the field above.
  EXPECT_EQ(THDLCLinkParameters().Encode(), Hex(kParameters));
}

TEST(HdlcFrame, AnyChangedOctetFailsACheck) {
  const PduStr frames[] = {
      Hex("7E A0 07 03 21 93 0F 01 7E"),
      Hex("7E A0 07 21 03 1F 6B E9 7E"),
      Hex("7E A0 20 21 03 73 73 98") + Hex(kParameters) + Hex("CE 6A 7E"),
  };
  for (const PduStr& frame : frames) {
    for (size_t i = 3; i + 1 < frame.size(); ++i) {
      for (uint8_t mask : {0x40, 0x80, 0x01}) {
        PduStr changed = frame;
        changed[i] = static_cast<char>(changed[i] ^ mask);
        SCOPED_TRACE(ByteStrToHexStr(changed));
        const std::string error = ParseError(changed);
        if (mask == 0x01) {
          // An extension bit moves the fields; some check fails all the same.
          EXPECT_NE(error, "(parsed)");
        } else {
          EXPECT_TRUE(error == "Illegal HCS" || error == "Illegal FCS") << error;
        }
      }
    }
  }
}

TEST(HdlcFrame, ReportsTheFirstWrongField) {
  const PduStr snrm = Hex("7E A0 07 03 21 93 0F 01 7E");
  struct Row {
    PduStr Octets;
    std::string Error;
  } rows[] = {
      {PduStr(), "Illegal length (0)"},
      {Hex("7E A0"), "Illegal length (2)"},
      {Hex("7F A0 07 03 21 93 0F 01 7E"), "Illegal opening flag"},
      {Hex("7E B0 07 03 21 93 0F 01 7E"), "Illegal frame type"},
      {snrm.substr(0, 8), "Frame length subfield value (7) does not match frame length (6)"},
      {snrm + "\x7E", "Frame length subfield value (7) does not match frame length (8)"},
      {Hex("7E A0 07 03 21 93 0F 01 7F"), "Illegal closing flag"},
      {Hex("7E A0 07 03 21 93 0F 02 7E"), "Illegal HCS"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(ByteStrToHexStr(r.Octets));
    EXPECT_EQ(ParseError(r.Octets), r.Error);
  }
}

TEST(HdlcFrame, FramesTooShortForTheirHeaderAreRefused) {
  // Each length subfield matches its frame, but the frame ends inside its header.
  for (const char* octets : {"7E A0 01", "7E A0 02 03", "7E A0 03 03 21", "7E A0 04 03 21 93", "7E A0 05 03 21 93 0F",
                             "7E A0 05 02 02 02 02", "7E A0 06 03 21 93 0F 01"}) {
    SCOPED_TRACE(octets);
    const std::string error = ParseError(Hex(octets));
    EXPECT_NE(error, "(parsed)");
    EXPECT_EQ(error.find("does not match"), std::string::npos) << error;
  }
}

TEST(HdlcFrame, ReadsEveryControlField) {
  struct Row {
    uint8_t Control;
    TFrameKind Kind;
    int NR, NS;
    bool PF;
  } rows[] = {
      {0x11, fkRR, 0, 0, true},    {0x10, fkI, 0, 0, true},     {0xB1, fkRR, 5, 0, true},
      {0x54, fkI, 2, 2, true},     {0xFE, fkI, 7, 7, true},     {0x25, fkRNR, 1, 0, false},
      {0x93, fkSNRM, 0, 0, true},  {0x83, fkSNRM, 0, 0, false}, {0x53, fkDISC, 0, 0, true},
      {0x73, fkUA, 0, 0, true},    {0x1F, fkDM, 0, 0, true},    {0x97, fkFRMR, 0, 0, true},
      {0x13, fkUI, 0, 0, true},    {0xFF, fkUnknown, 0, 0, true}, {0x0B, fkUnknown, 0, 0, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(static_cast<int>(r.Control));
    TFrame f;
    f.SetFromPduByteStr(RawFrame(Hex("03 21"), r.Control));
    EXPECT_EQ(f.Kind(), r.Kind);
    EXPECT_EQ(f.FRSequenceNr, r.NR);
    EXPECT_EQ(f.FSSequenceNr, r.NS);
    EXPECT_EQ(f.FPollFinal, r.PF);
    EXPECT_EQ(f.FControl, r.Control);
    if (r.Kind != fkUnknown) {
      // Built again from its fields, the frame has the same control octet.
      EXPECT_EQ(f.GetPDUByteStr(), RawFrame(Hex("03 21"), r.Control));
    }
  }
}

TEST(HdlcFrame, AddressesOfOneTwoAndFourOctets) {
  struct Row {
    const char* Octets;
    TFrameAddress Address;
    const char* Text;
  } rows[] = {
      {"03", Address(1, 1), "01"},
      {"02 21", Address(2, 1, 16), "01 10"},
      {"00 02 00 21", Address(4, 1, 16), "0001 0010"},
      {"FE FE FE FF", Address(4, 0x3FFF, 0x3FFF), "3FFF 3FFF"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.Octets);
    const PduStr octets = Hex(r.Octets);
    TFrame f;
    f.SetFromPduByteStr(RawFrame(octets + Hex("21"), 0x93));
    EXPECT_EQ(f.FDstAddress, r.Address);
    EXPECT_EQ(TFrame::AddressText(f.FDstAddress), r.Text);
    PduStr written;
    TFrame::EncodeAddress(r.Address, written);
    EXPECT_EQ(written, octets);
  }
  // Three and five octets are written as the four-octet form cut or extended; read back
  // they keep only their size.
  PduStr three, five;
  TFrame::EncodeAddress(Address(3, 1, 16), three);
  TFrame::EncodeAddress(Address(5, 1, 16), five);
  EXPECT_EQ(three, Hex("00 02 01"));
  EXPECT_EQ(five, Hex("00 02 00 20 01"));
  TFrame f;
  f.SetFromPduByteStr(RawFrame(five + Hex("21"), 0x93));
  EXPECT_EQ(f.FDstAddress, Address(5, 0, 0));
}

TEST(HdlcFrame, InformationAndSegmentation) {
  TFrame f;
  f.SetKind(fkI);
  f.FSegmented = true;
  f.FPollFinal = true;
  f.FRSequenceNr = 3;
  f.FSSequenceNr = 5;
  f.FDstAddress = Address(1, 16);
  f.FSrcAddress = Address(2, 1, 0);
  f.FData = PduStr(300, '\x7E');  // flags inside the information need no escaping
  const PduStr octets = f.GetPDUByteStr();
  EXPECT_EQ(octets.size(), 300u + 12u);
  EXPECT_EQ(static_cast<uint8_t>(octets[1]), 0xA9);  // segmentation bit and length 0x136
  EXPECT_EQ(static_cast<uint8_t>(octets[2]), 0x36);
  TFrame back;
  back.SetFromPduByteStr(octets);
  EXPECT_EQ(back.Kind(), fkI);
  EXPECT_TRUE(back.FSegmented);
  EXPECT_EQ(back.FRSequenceNr, 3);
  EXPECT_EQ(back.FSSequenceNr, 5);
  EXPECT_EQ(back.FData, f.FData);
  EXPECT_EQ(back.FSrcAddress, Address(2, 1, 0));

  // A frame check sequence behind an empty information field is accepted.
  TFrame empty;
  empty.SetFromPduByteStr(RawFrame(Hex("03 21"), 0x10, PduStr(), true));
  EXPECT_EQ(empty.Kind(), fkI);
  EXPECT_TRUE(empty.FData.empty());

  // The length subfield has 11 bits.
  f.FData = PduStr(2047 - 10, 'x');
  EXPECT_EQ(f.GetPDUByteStr().size(), 2049u);
  f.FData += "x";
  EXPECT_THROW(f.GetPDUByteStr(), EFrame);

  // Setting the kind empties the information.
  f.SetKind(fkRR);
  EXPECT_TRUE(f.FData.empty());
}

TEST(HdlcFrame, LinkParameterFields) {
  const THDLCLinkParameters defaults = THDLCLinkParameters::Parse(PduStr());
  EXPECT_EQ(defaults.MaxInfoLengthTransmit, 128u);
  EXPECT_EQ(defaults.WindowSizeReceive, 1u);

  const THDLCLinkParameters p = THDLCLinkParameters::Parse(Hex("81 80 09 06 01 40 05 04 00 00 01 00"));
  EXPECT_EQ(p.MaxInfoLengthReceive, 0x40u);
  EXPECT_EQ(p.MaxInfoLengthTransmit, 0x100u);
  EXPECT_EQ(p.WindowSizeTransmit, 1u);
  ASSERT_EQ(p.Present.size(), 2u);
  EXPECT_EQ(p.Present[0].first, 6);
  EXPECT_EQ(p.Present[1].first, 5);

  struct Row {
    const char* Octets;
    int Code;
  } rows[] = {
      {"81", 1},           {"81 80", 1},        {"82 80 00", 2},           {"81 81 00", 3},
      {"81 80 05 05 02 00", 4},                  {"81 80 03 05 03 00", 5}, {"81 80 03 08 00 00", 8},
      {"81 80 03 09 01 00", 9},                  {"81 80 03 04 01 00", 9}, {"81 80 05 06 02 00 01", 4},
      {"81 80 03 06 02 00", 1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.Octets);
    try {
      THDLCLinkParameters::Parse(Hex(r.Octets));
      ADD_FAILURE() << "parsed";
    } catch (const EFrame& e) {
      EXPECT_EQ(e.Message(), Format("Wrong encoding of UA frame info (ErrorCode=%d)", r.Code));
    }
  }
  // A lone octet at the end is not read.
  EXPECT_TRUE(THDLCLinkParameters::Parse(Hex("81 80 01 05")).Present.empty());
}

TEST(HdlcFrame, ReadableRendering) {
  TFrame snrm;
  snrm.SetFromPduByteStr(Hex("7E A0 07 03 21 93 0F 01 7E"));
  std::vector<std::string> lines;
  snrm.GetAsStrings(lines, 0);
  EXPECT_EQ(lines, (std::vector<std::string>{"Frame(", "  Kind:SNRM, Dst:'01', Src:'10', P/F:1, Seg:0", ")"}));

  TFrame ua;
  ua.SetFromPduByteStr(Hex("7E A0 20 21 03 73 73 98") + Hex(kParameters) + Hex("CE 6A 7E"));
  lines.clear();
  ua.GetAsStrings(lines, 1);
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "  Frame(",
                       "    Kind:UA, Dst:'10', Src:'01', P/F:1, Seg:0,",
                       "    Info:'" + ByteStrToHexStr(Hex(kParameters)) +
                           "' size=23( MaxInfoLengthTransmit=128 MaxInfoLengthReceive=128 WindowSizeTransmit=1 "
                           "WindowSizeReceive=1)",
                       "  )"}));

  TFrame i;
  i.SetKind(fkI);
  i.FSegmented = true;
  i.FRSequenceNr = 3;
  i.FSSequenceNr = 5;
  i.FDstAddress = Address(4, 1, 16);
  i.FSrcAddress = Address(2, 1, 0);
  i.FData = Hex("C0 01");
  lines.clear();
  i.GetAsStrings(lines, 0);
  EXPECT_EQ(lines, (std::vector<std::string>{"Frame(", "  Kind:I, Dst:'0001 0010', Src:'01 00', P/F:0, Seg:1,",
                                             "  N(R):3, N(S):5,", "  Info:'C001' size=2", ")"}));

  TFrame rr;
  rr.SetFromPduByteStr(RawFrame(Hex("03 21"), 0xB1));
  lines.clear();
  rr.GetAsStrings(lines, 0);
  EXPECT_EQ(lines[2], "  N(R):5");

  // An SNRM whose information is not a parameter field shows only its octets.
  TFrame odd;
  odd.SetFromPduByteStr(RawFrame(Hex("03 21"), 0x93, Hex("01 02")));
  lines.clear();
  odd.GetAsStrings(lines, 0);
  EXPECT_EQ(lines[2], "  Info:'0102' size=2");
}

}  // namespace

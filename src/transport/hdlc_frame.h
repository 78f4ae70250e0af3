// One HDLC frame of frame format type 3 as meters use it on serial lines: the frame
// format field with the segmentation bit and an 11-bit length, destination and source
// addresses of 1, 2 or 4 octets, the control field, the header check sequence, an optional
// information field and its frame check sequence, between two 0x7E flags.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "foundation/errors.h"
#include "foundation/misc.h"

namespace zv {

// The CRC of both check sequences (reflected 0x8408, preset 0xFFFF, complemented); it
// travels least significant octet first.
uint16_t HDLCCrc(std::string_view Octets);

// Every octet carries 7 address bits above an extension bit that is set in the last octet.
struct TFrameAddress {
  uint16_t FUpper = 0;
  uint16_t FLower = 0;
  int FSize = 0;  // octets on the wire
  bool operator==(const TFrameAddress&) const = default;
};

enum TFrameKind { fkUnknown, fkI, fkRNR, fkRR, fkDISC, fkDM, fkFRMR, fkSNRM, fkUA, fkUI };

const char* FrameKindName(TFrameKind Kind);

// Link parameters of SNRM and UA information fields.
enum THDLCParameterId : uint8_t {
  hpMaxInfoLengthTransmit = 0x05,
  hpMaxInfoLengthReceive = 0x06,
  hpWindowSizeTransmit = 0x07,
  hpWindowSizeReceive = 0x08,
};

struct THDLCLinkParameters {
  uint32_t MaxInfoLengthTransmit = 128;
  uint32_t MaxInfoLengthReceive = 128;
  uint32_t WindowSizeTransmit = 1;
  uint32_t WindowSizeReceive = 1;
  // The identifiers and values as they stood in the field, in their order.
  std::vector<std::pair<uint8_t, uint32_t>> Present;

  // Reads an information field (empty: the defaults); raises EFrame
  // "Wrong encoding of UA frame info (ErrorCode=%d)".
  static THDLCLinkParameters Parse(std::string_view Info);
  // The field with the lengths as 2-octet values and the windows as 4-octet values.
  PduStr Encode() const;
};

class TFrame {
 public:
  // The largest frame length the 11-bit subfield can hold.
  static constexpr int kMaxFrameLength = 2047;

  TFrameKind FKind = fkUnknown;
  bool FSegmented = false;
  TFrameAddress FSrcAddress;
  TFrameAddress FDstAddress;
  uint8_t FControl = 0;
  uint8_t FRSequenceNr = 0;  // N(R)
  uint8_t FSSequenceNr = 0;  // N(S)
  bool FPollFinal = false;
  PduStr FData;      // information field
  int FLength = 0;   // frame length subfield of the last frame read
  int FHCSIndex = 0;  // first HCS octet of the last frame built, 1 = first frame format octet
  int FFCSIndex = 0;  // first FCS octet likewise, when the frame had information

  TFrameKind Kind() const { return FKind; }
  // Also empties the information field.
  void SetKind(TFrameKind Value);

  // Reads one complete frame, flags included; raises EFrame at the first wrong field and
  // leaves the fields read before it.
  void SetFromPduByteStr(std::string_view PduByteStr);
  // The frame's octets; also sets FControl, FHCSIndex and FFCSIndex. Raises EFrame when
  // the frame would be longer than its length subfield can say.
  PduStr GetPDUByteStr();
  std::string AsPduHexStr() { return ByteStrToHexStr(GetPDUByteStr()); }
  // A readable rendering, two blanks per indentation level.
  void GetAsStrings(std::vector<std::string>& StringList, int Indent) const;

  static void EncodeAddress(const TFrameAddress& Address, PduStr& Out);
  // Reads an address from Octets at Pos (0-based), moving Pos behind it; false when the
  // octets end before its last octet.
  static bool DecodeAddress(std::string_view Octets, size_t& Pos, TFrameAddress& Address);
  static std::string AddressText(const TFrameAddress& Address);
};

}  // namespace zv

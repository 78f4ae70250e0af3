#include "transport/hdlc_frame.h"

#include <array>

namespace zv {

namespace {

constexpr uint8_t kFlag = 0x7E;
constexpr uint8_t kPollFinal = 0x10;

constexpr std::array<uint16_t, 256> MakeCrcTable() {
  std::array<uint16_t, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    unsigned v = i;
    for (int bit = 0; bit < 8; ++bit) v = (v & 1) ? (v >> 1) ^ 0x8408 : v >> 1;
    table[i] = static_cast<uint16_t>(v);
  }
  return table;
}

constexpr std::array<uint16_t, 256> kCrcTable = MakeCrcTable();

void AppendCrc(PduStr& Out, uint16_t Crc) {
  Out.push_back(static_cast<char>(Crc & 0xFF));
  Out.push_back(static_cast<char>(Crc >> 8));
}

bool CrcMatches(std::string_view Octets, size_t From, size_t Count, size_t At) {
  const uint16_t crc = HDLCCrc(Octets.substr(From, Count));
  return static_cast<uint8_t>(Octets[At]) == (crc & 0xFF) && static_cast<uint8_t>(Octets[At + 1]) == (crc >> 8);
}

uint8_t ControlOf(TFrameKind Kind, uint8_t NR, uint8_t NS) {
  switch (Kind) {
    case fkI: return static_cast<uint8_t>((NR & 7) << 5 | (NS & 7) << 1);
    case fkRR: return static_cast<uint8_t>((NR & 7) << 5 | 0x01);
    case fkRNR: return static_cast<uint8_t>((NR & 7) << 5 | 0x05);
    case fkSNRM: return 0x83;
    case fkDISC: return 0x43;
    case fkUA: return 0x63;
    case fkDM: return 0x0F;
    case fkFRMR: return 0x87;
    case fkUI: return 0x03;
    case fkUnknown: break;
  }
  return 0xFF;
}

[[noreturn]] void WrongParameters(int Code) {
  throw EFrame(Format("Wrong encoding of UA frame info (ErrorCode=%d)", Code));
}

}  // namespace

uint16_t HDLCCrc(std::string_view Octets) {
  uint16_t crc = 0xFFFF;
  for (char c : Octets) crc = static_cast<uint16_t>(kCrcTable[(static_cast<uint8_t>(c) ^ crc) & 0xFF] ^ (crc >> 8));
  return static_cast<uint16_t>(~crc);
}

const char* FrameKindName(TFrameKind Kind) {
  static constexpr const char* kNames[] = {"Unknown", "I", "RNR", "RR", "DISC", "DM", "FRMR", "SNRM", "UA", "UI"};
  const int k = static_cast<int>(Kind);
  return k >= 0 && k < static_cast<int>(std::size(kNames)) ? kNames[k] : kNames[0];
}

// --- link parameters ---------------------------------------------------------------------

THDLCLinkParameters THDLCLinkParameters::Parse(std::string_view Info) {
  THDLCLinkParameters p;
  if (Info.empty()) return p;
  if (Info.size() < 3) WrongParameters(1);
  if (static_cast<uint8_t>(Info[0]) != 0x81) WrongParameters(2);
  if (static_cast<uint8_t>(Info[1]) != 0x80) WrongParameters(3);
  if (static_cast<uint8_t>(Info[2]) != Info.size() - 3) WrongParameters(4);
  size_t pos = 3;
  while (Info.size() - pos >= 2) {
    const uint8_t id = static_cast<uint8_t>(Info[pos]);
    const size_t length = static_cast<uint8_t>(Info[pos + 1]);
    pos += 2;
    if (id < hpMaxInfoLengthTransmit || id > hpWindowSizeReceive) WrongParameters(9);
    if (length != 1 && length != 2 && length != 4) WrongParameters(id);
    if (Info.size() - pos < length) WrongParameters(1);
    uint32_t value = 0;
    for (size_t i = 0; i < length; ++i) value = value << 8 | static_cast<uint8_t>(Info[pos + i]);
    pos += length;
    switch (id) {
      case hpMaxInfoLengthTransmit: p.MaxInfoLengthTransmit = value; break;
      case hpMaxInfoLengthReceive: p.MaxInfoLengthReceive = value; break;
      case hpWindowSizeTransmit: p.WindowSizeTransmit = value; break;
      default: p.WindowSizeReceive = value; break;
    }
    p.Present.emplace_back(id, value);
  }
  return p;
}

PduStr THDLCLinkParameters::Encode() const {
  PduStr body;
  auto add = [&body](uint8_t Id, uint32_t Value, int Length) {
    body.push_back(static_cast<char>(Id));
    body.push_back(static_cast<char>(Length));
    AppendBE(body, Value, Length);
  };
  add(hpMaxInfoLengthTransmit, MaxInfoLengthTransmit & 0xFFFF, 2);
  add(hpMaxInfoLengthReceive, MaxInfoLengthReceive & 0xFFFF, 2);
  add(hpWindowSizeTransmit, WindowSizeTransmit, 4);
  add(hpWindowSizeReceive, WindowSizeReceive, 4);
  PduStr info = "\x81\x80";
  info.push_back(static_cast<char>(body.size()));
  return info + body;
}

// --- addresses ---------------------------------------------------------------------------

void TFrame::EncodeAddress(const TFrameAddress& Address, PduStr& Out) {
  auto octet = [&Out](unsigned Value) { Out.push_back(static_cast<char>(Value & 0xFF)); };
  const unsigned upper = Address.FUpper, lower = Address.FLower;
  switch (Address.FSize) {
    case 1:
      octet(upper * 2 + 1);
      break;
    case 2:
      octet(upper * 2);
      octet(lower * 2 + 1);
      break;
    case 3:
      octet((upper / 128) * 2);
      octet((upper % 128) * 2);
      octet((lower / 128) * 2 + 1);
      break;
    case 4:
      octet((upper / 128) * 2);
      octet((upper % 128) * 2);
      octet((lower / 128) * 2);
      octet((lower % 128) * 2 + 1);
      break;
    case 5:
      octet((upper / 128) * 2);
      octet((upper % 128) * 2);
      octet((lower / 128) * 2);
      octet((lower % 128) * 2);
      octet(1);
      break;
    default:
      ZV_ASSERT(false);
  }
}

bool TFrame::DecodeAddress(std::string_view Octets, size_t& Pos, TFrameAddress& Address) {
  size_t end = Pos;
  while (end < Octets.size() && !(static_cast<uint8_t>(Octets[end]) & 1)) ++end;
  if (end >= Octets.size()) return false;
  const size_t size = end - Pos + 1;
  auto bits = [&](size_t i) { return static_cast<uint16_t>(static_cast<uint8_t>(Octets[Pos + i]) >> 1); };
  Address = TFrameAddress();
  Address.FSize = static_cast<int>(size);
  if (size == 1) {
    Address.FUpper = bits(0);
  } else if (size == 2) {
    Address.FUpper = bits(0);
    Address.FLower = bits(1);
  } else if (size == 4) {
    Address.FUpper = static_cast<uint16_t>(bits(0) * 128 + bits(1));
    Address.FLower = static_cast<uint16_t>(bits(2) * 128 + bits(3));
  }
  Pos = end + 1;
  return true;
}

std::string TFrame::AddressText(const TFrameAddress& Address) {
  switch (Address.FSize) {
    case 1: return IntToHex(Address.FUpper, 2);
    case 2: return IntToHex(Address.FUpper, 2) + " " + IntToHex(Address.FLower, 2);
    case 4: return IntToHex(Address.FUpper, 4) + " " + IntToHex(Address.FLower, 4);
    default: ZV_ASSERT(false);
  }
  return std::string();
}

// --- frame -------------------------------------------------------------------------------

void TFrame::SetKind(TFrameKind Value) {
  FKind = Value;
  FData.clear();
}

void TFrame::SetFromPduByteStr(std::string_view s) {
  const size_t n = s.size();
  if (n < 3) throw EFrame(Format("Illegal length (%d)", static_cast<int>(n)));
  if (static_cast<uint8_t>(s[0]) != kFlag) throw EFrame("Illegal opening flag");
  const uint8_t format = static_cast<uint8_t>(s[1]);
  if ((format >> 4) != 0xA) throw EFrame("Illegal frame type");
  FSegmented = (format & 0x08) != 0;
  FLength = (format & 7) * 256 + static_cast<uint8_t>(s[2]);
  if (static_cast<size_t>(FLength) != n - 2)
    throw EFrame(Format("Frame length subfield value (%d) does not match frame length (%d)", FLength,
                        static_cast<int>(n - 2)));
  // A length that matches may still leave no room for the header.
  auto tooShort = [n] { return EFrame(Format("Frame too short for its header (%d)", static_cast<int>(n))); };
  size_t pos = 3;
  if (!DecodeAddress(s, pos, FDstAddress)) throw tooShort();
  if (!DecodeAddress(s, pos, FSrcAddress)) throw tooShort();
  if (n - pos < 3) throw tooShort();  // control and HCS
  const uint8_t control = static_cast<uint8_t>(s[pos++]);
  FControl = control;
  FPollFinal = (control & kPollFinal) != 0;
  FRSequenceNr = 0;
  FSSequenceNr = 0;
  TFrameKind kind = fkUnknown;
  if (!(control & 1)) {
    kind = fkI;
    FSSequenceNr = (control >> 1) & 7;
    FRSequenceNr = control >> 5;
  } else if ((control & 0x0F) == 0x01) {
    kind = fkRR;
    FRSequenceNr = control >> 5;
  } else if ((control & 0x0F) == 0x05) {
    kind = fkRNR;
    FRSequenceNr = control >> 5;
  } else {
    switch (control & 0xEF) {
      case 0x83: kind = fkSNRM; break;
      case 0x43: kind = fkDISC; break;
      case 0x63: kind = fkUA; break;
      case 0x0F: kind = fkDM; break;
      case 0x87: kind = fkFRMR; break;
      case 0x03: kind = fkUI; break;
      default: break;
    }
  }
  SetKind(kind);
  if (!CrcMatches(s, 1, pos - 1, pos)) throw EFrame("Illegal HCS");
  pos += 2;
  if (n - pos >= 3) {
    const size_t infoEnd = n - 3;
    FData = PduStr(s.substr(pos, infoEnd - pos));
    if (!CrcMatches(s, 1, infoEnd - 1, infoEnd)) throw EFrame("Illegal FCS");
    pos = infoEnd + 2;
  }
  if (pos >= n || static_cast<uint8_t>(s[pos]) != kFlag) throw EFrame("Illegal closing flag");
}

PduStr TFrame::GetPDUByteStr() {
  PduStr addresses;
  EncodeAddress(FDstAddress, addresses);
  EncodeAddress(FSrcAddress, addresses);
  size_t length = 2 + addresses.size() + 1 + 2;
  if (!FData.empty()) length += FData.size() + 2;
  if (length > static_cast<size_t>(kMaxFrameLength))
    throw EFrame(Format("Frame too long (%zu)", length));
  FControl = static_cast<uint8_t>(ControlOf(FKind, FRSequenceNr, FSSequenceNr) | (FPollFinal ? kPollFinal : 0));
  PduStr body;
  body.reserve(length);
  const unsigned format = 0xA000 | (FSegmented ? 0x0800 : 0) | static_cast<unsigned>(length);
  body.push_back(static_cast<char>(format >> 8));
  body.push_back(static_cast<char>(format & 0xFF));
  body += addresses;
  body.push_back(static_cast<char>(FControl));
  FHCSIndex = static_cast<int>(body.size()) + 1;
  AppendCrc(body, HDLCCrc(body));
  if (!FData.empty()) {
    body += FData;
    FFCSIndex = static_cast<int>(body.size()) + 1;
    AppendCrc(body, HDLCCrc(body));
  }
  PduStr frame;
  frame.reserve(body.size() + 2);
  frame.push_back(static_cast<char>(kFlag));
  frame += body;
  frame.push_back(static_cast<char>(kFlag));
  return frame;
}

void TFrame::GetAsStrings(std::vector<std::string>& StringList, int Indent) const {
  const std::string outer = Blanks(2 * Indent), inner = Blanks(2 * (Indent + 1));
  StringList.push_back(outer + "Frame(");
  std::string line = inner + "Kind:" + FrameKindName(FKind) + ", Dst:'" + AddressText(FDstAddress) + "', Src:'" +
                     AddressText(FSrcAddress) + "', P/F:" + (FPollFinal ? "1" : "0") + ", Seg:" +
                     (FSegmented ? "1" : "0");
  if (FKind == fkI) {
    StringList.push_back(line + ",");
    line = inner + Format("N(R):%d, N(S):%d", FRSequenceNr, FSSequenceNr);
  } else if (FKind == fkRR || FKind == fkRNR) {
    StringList.push_back(line + ",");
    line = inner + Format("N(R):%d", FRSequenceNr);
  }
  if (!FData.empty()) {
    StringList.push_back(line + ",");
    line = inner + "Info:'" + ByteStrToHexStr(FData) + "' size=" + std::to_string(FData.size());
    if (FKind == fkSNRM || FKind == fkUA) {
      try {
        const THDLCLinkParameters p = THDLCLinkParameters::Parse(FData);
        std::string text = "(";
        for (const auto& [id, value] : p.Present) {
          switch (id) {
            case hpMaxInfoLengthTransmit: text += " MaxInfoLengthTransmit="; break;
            case hpMaxInfoLengthReceive: text += " MaxInfoLengthReceive="; break;
            case hpWindowSizeTransmit: text += " WindowSizeTransmit="; break;
            case hpWindowSizeReceive: text += " WindowSizeReceive="; break;
            default: continue;
          }
          text += std::to_string(value);
        }
        line += text + ")";
      } catch (const EFrame&) {
        // Not a parameter field: the octets alone are shown.
      }
    }
  }
  StringList.push_back(line);
  StringList.push_back(outer + ")");
}

}  // namespace zv

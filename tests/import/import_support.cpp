#include "import/import_support.h"

#include "cosem/logical_device.h"
#include "foundation/data_helper.h"
#include "server/hdlc_frame.h"
#include "support/test_client.h"

namespace zv::test {

namespace {

const TFrameAddress kClient{16, 0, 1};
const TFrameAddress kMeter{1, 0, 1};

std::string Invoke() { return "<InvokeIdAndPriority Value=\"C1\" />"; }

std::string HexLine(const PduStr& Octets, bool Blanks) {
  if (!Blanks) return ByteStrToHexStr(Octets);
  std::string line;
  for (char c : Octets) line += IntToHex(static_cast<uint8_t>(c), 2) + " ";
  line.pop_back();
  return line;
}

}  // namespace

std::string DataXml(const TData& Value) { return TDataHelper::ValueToXMLString(Value); }

PduStr GetRequestApdu(int ClassId, const PduStr& Name, int AttributeId, const std::string& SelectionXml) {
  std::string x = GetXml(ClassId, ByteStrToHexStr(Name), AttributeId);
  if (!SelectionXml.empty()) x.insert(x.find("</GetRequestNormal>"), SelectionXml);
  return ApduFromXml(x);
}

PduStr GetResponseApdu(const std::string& DataXml) {
  return ApduFromXml("<GetResponse><GetResponseNormal>" + Invoke() + "<Result><Data>" + DataXml +
                     "</Data></Result></GetResponseNormal></GetResponse>");
}

PduStr GetErrorApdu() {
  return ApduFromXml("<GetResponse><GetResponseNormal>" + Invoke() +
                     "<Result><DataAccessError Value=\"ObjectUndefined\" /></Result></GetResponseNormal></GetResponse>");
}

PduStr GetBlockApdu(uint32_t Number, bool Last, const PduStr& RawData) {
  return ApduFromXml("<GetResponse><GetResponseWithDataBlock>" + Invoke() + "<Result><LastBlock Value=\"" +
                     (Last ? "01" : "00") + "\" /><BlockNumber Value=\"" + IntToHex(Number, 8) +
                     "\" /><Result><RawData Value=\"" + ByteStrToHexStr(RawData) +
                     "\" /></Result></Result></GetResponseWithDataBlock></GetResponse>");
}

PduStr ReadRequestApdu(uint16_t ShortName, bool Parameterised) {
  const std::string name = "Value=\"" + IntToHex(ShortName, 4) + "\" />";
  if (!Parameterised) return ApduFromXml("<ReadRequest Qty=\"0001\"><VariableName " + name + "</ReadRequest>");
  return ApduFromXml("<ReadRequest Qty=\"0001\"><ParameterisedAccess><VariableName " + name +
                     "<Selector Value=\"01\" /><Parameter><NullData /></Parameter></ParameterisedAccess></ReadRequest>");
}

PduStr ReadResponseApdu(const std::string& DataXml) {
  return ApduFromXml("<ReadResponse Qty=\"0001\"><Data>" + DataXml + "</Data></ReadResponse>");
}

PduStr ReadErrorApdu() {
  return ApduFromXml("<ReadResponse Qty=\"0001\"><DataAccessError Value=\"ObjectUndefined\" /></ReadResponse>");
}

void TRawLogWriter::Send(bool FromClient, const PduStr& Apdu) {
  const PduStr info = PduStr(FromClient ? "\xE6\xE6" : "\xE6\xE7", 2) + '\0' + Apdu;
  Note(FromClient ? "client -> meter" : "meter -> client");
  for (size_t at = 0;;) {
    TFrame frame;
    frame.SetKind(fkI);
    frame.FSrcAddress = FromClient ? kClient : kMeter;
    frame.FDstAddress = FromClient ? kMeter : kClient;
    frame.FData = info.substr(at, MaxInfo);
    at += frame.FData.size();
    frame.FSegmented = at < info.size();
    frame.FSSequenceNr = FSequence[FromClient]++ & 7;
    frame.FRSequenceNr = FSequence[!FromClient] & 7;
    frame.FPollFinal = true;
    Lines.push_back(HexLine(frame.GetPDUByteStr(), Blanks));
    ++FrameCount;
    if (!frame.FSegmented) return;
    // The peer asks for the next segment.
    TFrame ready;
    ready.SetKind(fkRR);
    ready.FSrcAddress = frame.FDstAddress;
    ready.FDstAddress = frame.FSrcAddress;
    ready.FRSequenceNr = FSequence[FromClient] & 7;
    ready.FPollFinal = true;
    Lines.push_back(HexLine(ready.GetPDUByteStr(), Blanks));
    ++FrameCount;
  }
}

void TRawLogWriter::Get(int ClassId, const PduStr& Name, int AttributeId, const TData& Value, size_t BlockSize) {
  Request(GetRequestApdu(ClassId, Name, AttributeId));
  const PduStr encoded = Value.EncodeData();
  if (BlockSize == 0 || encoded.size() <= BlockSize) {
    Response(GetResponseApdu(DataXml(Value)));
    return;
  }
  for (uint32_t number = 1, at = 0; at < encoded.size(); ++number) {
    if (number > 1) Request(ApduFromXml("<GetRequest><GetRequestForNextDataBlock>" + Invoke() + "<BlockNumber Value=\"" +
                                        IntToHex(number - 1, 8) + "\" /></GetRequestForNextDataBlock></GetRequest>"));
    const PduStr raw = encoded.substr(at, BlockSize);
    at += static_cast<uint32_t>(raw.size());
    Response(GetBlockApdu(number, at >= encoded.size(), raw));
  }
}

void TRawLogWriter::GetDevice(const TSequence& Device, size_t BlockSize) {
  for (int i = 0; i < TLogicalDevice::ObjectCount(Device); ++i) {
    const TCOSEMInstance& object = TLogicalDevice::Object(Device, i);
    for (int a = 1; a <= object.AttributeCount(); ++a)
      if (const TCOSEMPduBase* value = object.Attribute(a))
        Get(object.COSEMClassId(), object.LogicalName(), a, *TDataHelper::MakeFromPdu(*value), BlockSize);
  }
}

void TRawLogWriter::Read(uint16_t ShortName, const TData& Value) {
  Request(ReadRequestApdu(ShortName));
  Response(ReadResponseApdu(DataXml(Value)));
}

void TRecordingLog::ClearLog() {
  Lines.clear();
  ++Clears;
}

void TRecordingLog::LogProtocolItem(const TCOSEMPduBase& Item, const std::string& Title, int Indent) {
  if (!Title.empty()) Lines.push_back(Title);
  Item.AddXmlToLines(Indent, Lines);
}

std::string JoinLines(const std::vector<std::string>& Lines) {
  std::string text;
  for (const auto& line : Lines) text.append(line).append("\r\n");
  return text;
}

std::vector<std::string> DataLines(const TData& Value) {
  std::vector<std::string> lines;
  Value.AddXmlToLines(2, lines);
  return lines;
}

std::vector<std::string> Concat(std::vector<std::string> A, const std::vector<std::string>& B) {
  A.insert(A.end(), B.begin(), B.end());
  return A;
}

}  // namespace zv::test

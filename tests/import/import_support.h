// What the import tests and the benchmark share: raw logs of a client talking to a meter,
// written with our own HDLC frame writer and APDU codecs (one frame per line in hex, LLC
// headers, segmentation with the peer's RR frames between segments, lines of other text
// between the exchanges), and a log pane that records what the import writes.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "app/import/import_log.h"
#include "foundation/axdr_types.h"

namespace zv::test {

class TRawLogWriter {
 public:
  std::vector<std::string> Lines;
  size_t MaxInfo = 128;   // information octets per frame
  bool Blanks = true;     // octets separated by blanks
  size_t FrameCount = 0;  // I and RR frames written

  void Request(const PduStr& Apdu) { Send(true, Apdu); }
  void Response(const PduStr& Apdu) { Send(false, Apdu); }
  void Note(const std::string& Text) { Lines.push_back(Text); }

  // A GET of one attribute and its answer, in data blocks of BlockSize octets when the
  // value's encoding is longer.
  void Get(int ClassId, const PduStr& Name, int AttributeId, const TData& Value, size_t BlockSize = 0);
  // Every present attribute of every object of a device, in list order.
  void GetDevice(const TSequence& Device, size_t BlockSize = 0);
  // A READ of one short name and its answer.
  void Read(uint16_t ShortName, const TData& Value);

 private:
  void Send(bool FromClient, const PduStr& Apdu);
  uint8_t FSequence[2] = {0, 0};
};

// APDUs made from their XML form. DataXml: a Data alternative, e.g. <Unsigned Value="05" />.
PduStr GetRequestApdu(int ClassId, const PduStr& Name, int AttributeId, const std::string& SelectionXml = "");
PduStr GetResponseApdu(const std::string& DataXml);
PduStr GetErrorApdu();
PduStr GetBlockApdu(uint32_t Number, bool Last, const PduStr& RawData);
PduStr ReadRequestApdu(uint16_t ShortName, bool Parameterised = false);
PduStr ReadResponseApdu(const std::string& DataXml);
PduStr ReadErrorApdu();
// The Data alternative's XML of a value.
std::string DataXml(const TData& Value);

// The log pane as lines.
class TRecordingLog : public IImportLog {
 public:
  std::vector<std::string> Lines;
  int Clears = 0;
  void ClearLog() override;
  void StringToLog(const std::string& Text) override { Lines.push_back(Text); }
  void StringListToLog(const std::vector<std::string>& L) override { Lines.insert(Lines.end(), L.begin(), L.end()); }
  void LogProtocolItem(const TCOSEMPduBase& Item, const std::string& Title, int Indent) override;
};

// Lines ended by CR LF, as the device editor holds them.
std::string JoinLines(const std::vector<std::string>& Lines);
// The value's XML lines as an entry holds them.
std::vector<std::string> DataLines(const TData& Value);
std::vector<std::string> Concat(std::vector<std::string> A, const std::vector<std::string>& B);

}  // namespace zv::test

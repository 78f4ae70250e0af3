// Arbitrary input through both steps of the device import. An input starting with 'T' is a
// raw log text as it stands; any other input is a list of records (length, flags, octets)
// that become valid I frames (flag 1: segmented, flag 2: from the meter), so that the APDU
// pairing, the short-name mapping and the device maker see arbitrary APDUs. The entry text
// step one produces goes through step two, and so does the input as entry text; a device
// description step two writes must load with the device loader.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/import/import_device.h"
#include "cosem/logical_device.h"
#include "foundation/codec.h"
#include "transport/hdlc_frame.h"

using namespace zv;

namespace {

class TRenderingLog : public IImportLog {
 public:
  void ClearLog() override {}
  void StringToLog(const std::string&) override {}
  void StringListToLog(const std::vector<std::string>&) override {}
  void LogProtocolItem(const TCOSEMPduBase& Item, const std::string& Title, int Indent) override {
    std::vector<std::string> lines{Title};
    Item.AddXmlToLines(Indent, lines);
  }
};

std::vector<std::string> FrameLines(const uint8_t* Data, size_t Size) {
  std::vector<std::string> lines;
  for (size_t at = 0; at + 2 <= Size;) {
    const size_t length = Data[at];
    const uint8_t flags = Data[at + 1];
    at += 2;
    TFrame frame;
    frame.SetKind(fkI);
    frame.FSegmented = flags & 1;
    frame.FSrcAddress = {static_cast<uint16_t>(flags & 2 ? 1 : 16), 0, 1};
    frame.FDstAddress = {static_cast<uint16_t>(flags & 2 ? 16 : 1), 0, 1};
    frame.FData.assign(reinterpret_cast<const char*>(Data + at), std::min(length, Size - at));
    at += frame.FData.size();
    lines.push_back(ByteStrToHexStr(frame.GetPDUByteStr()));
  }
  return lines;
}

// A device description the import wrote must load as a device.
void MakeAndLoad(TImportDevice& import, const std::vector<std::string>& entries) {
  std::vector<std::string> device;
  try {
    device = import.EntriesToDevice(entries);
  } catch (const Exception&) {
    return;
  }
  std::string text;
  for (const std::string& line : device) text += line + "\n";
  try {
    MakeLogicalDevice(text);
  } catch (const Exception&) {
    __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const bool text = size > 0 && data[0] == 'T';
  const std::vector<std::string> lines =
      text ? SplitRawLogLines(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1))
           : FrameLines(data, size);
  TRenderingLog log;
  TImportDevice import(log);
  try {
    MakeAndLoad(import, import.RawLogToEntries(lines));
  } catch (const Exception&) {
    // Step one refused the log: there is no entry text for step two.
  }
  if (text) MakeAndLoad(import, lines);
  return 0;
}

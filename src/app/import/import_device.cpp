#include "app/import/import_device.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>

#include "apdu/cosem_pdu.h"
#include "apdu/ln_services.h"
#include "apdu/sn_services.h"
#include "cosem/logical_device.h"
#include "foundation/data_helper.h"
#include "transport/hdlc_frame.h"

namespace zv {

namespace {

// APDU tags and the alternatives read here.
constexpr int kReadRequest = 5, kReadResponse = 12, kGetRequest = 192, kGetResponse = 196;
constexpr int kNormal = 1, kWithDataBlock = 2;
constexpr int kDataResult = 0;               // get-data-result, single read response: data
constexpr int kDataAccessError = 1;          // ... and data-access-result
constexpr int kRawData = 0;                  // DataBlock-G result: raw data
constexpr int kVariableName = 2, kParameterisedAccess = 4;
constexpr uint16_t kSNObjectListName = 0xFA08;  // attribute 2 of the SN association object
constexpr int kProfileGenericClassId = 7;
constexpr int kProfileEntriesKept = 100;

std::unique_ptr<TData> CloneData(const TCOSEMPduBase& Data) {
  PduPtr p = Data.Clone();
  return std::unique_ptr<TData>(static_cast<TData*>(p.release()));
}

// ---- Reading Data values of association object lists ------------------------------------

const TCOSEMPduBase& Element(const TSequenceOf& Structure, int Index) {
  const TData* d = GetDataElement(Structure, Index);
  if (!d || !d->Value) throw EInvalidCast("Invalid class typecast");
  return *d->Value;
}
int64_t NumberElement(const TSequenceOf& Structure, int Index) {
  return Element(Structure, Index).As<TNumber>().AsInt64();
}
const PduStr& OctetsElement(const TSequenceOf& Structure, int Index) {
  return Element(Structure, Index).As<TOctetString>().Value;
}

// ---- Choosing the interface class ------------------------------------------------------

// Versions of objects as the association object lists among the entries give them:
// (class id, logical name) -> version.
using TVersionMap = std::map<std::pair<int, PduStr>, int>;

void AddListedVersions(const TData& List, int ClassIdIndex, TVersionMap& Versions) {
  if (!TDataHelper::IsArray(List)) return;
  for (const auto& e : TDataHelper::AsArray(List).FElements) {
    const auto* item = dynamic_cast<const TData*>(e.get());
    if (!item || !item->Value || !item->Value->IsA(T_Structure)) continue;
    const auto& s = item->Value->As<TSequenceOf>();
    try {
      const int classId = static_cast<int>(NumberElement(s, ClassIdIndex));
      const int version = static_cast<int>(NumberElement(s, ClassIdIndex + 1));
      Versions.emplace(std::make_pair(classId, OctetsElement(s, ClassIdIndex + 2)), version);
    } catch (const Exception&) {
      // An item of another shape names no version.
    }
  }
}

TVersionMap ListedVersions(const TAttributeInfos& Infos) {
  TVersionMap versions;
  for (const auto& info : Infos.Items) {
    if (info->AttributeId != 2 || !info->DataValue) continue;
    // LN items: class id, version, logical name, rights; SN items: base name first.
    if (info->ClassId == 15) AddListedVersions(*info->DataValue, 0, versions);
    if (info->ClassId == 12) AddListedVersions(*info->DataValue, 1, versions);
  }
  return versions;
}

// Attributes an object of the class must have: up to its last one that is not optional
// (the optional ones after it are this system's own, which no meter reports).
int RequiredAttributes(const TypeInfo& Class) {
  const TypeInfo& s = Class.Shape();
  int required = 0;
  for (int i = 0; i < s.memberCount; ++i)
    if (!s.members[i].optional) required = i + 1;
  return required;
}

// The interface classes of the id (several classes share ids 24, 27, 28, 29 and 64), in
// the order the device description lists them; only the one of the version when the
// association object lists name it.
std::vector<const AltInfo*> ClassesOf(int ClassId, int Version) {
  const TypeInfo& objects = T_COSEMObject;
  std::vector<const AltInfo*> classes;
  for (int i = 0; i < objects.altCount; ++i)
    if (objects.alts[i].type->classId == ClassId) classes.push_back(&objects.alts[i]);
  if (classes.empty()) throw Exception(Format("ClassId=%d not found", ClassId));
  auto listed = std::find_if(classes.begin(), classes.end(),
                             [Version](const AltInfo* a) { return a->type->classVersion == Version; });
  if (listed != classes.end()) classes = {*listed};
  return classes;
}

// The classes that take Found attribute values.
std::vector<const AltInfo*> Admitted(const std::vector<const AltInfo*>& Classes, int Found) {
  std::vector<const AltInfo*> admitted;
  for (const AltInfo* a : Classes)
    if (Found >= RequiredAttributes(*a->type) && Found <= a->type->Shape().memberCount) admitted.push_back(a);
  if (admitted.empty()) {
    const TypeInfo& first = *Classes.front()->type;
    const int all = first.Shape().memberCount;
    throw Exception(Format("%d attributes expected, found %d", Found > all ? all : RequiredAttributes(first), Found));
  }
  return admitted;
}

// The object of the first class whose attributes the values decode as.
PduPtr MakeObject(const std::vector<const AltInfo*>& Classes, int Found, const PduStr& Values,
                  const AltInfo*& Chosen) {
  PduStr octets;
  octets.push_back(2);  // a structure of the attribute values
  octets.push_back(static_cast<char>(Found));
  octets += Values;
  std::string firstError;
  for (const AltInfo* a : Classes) {
    try {
      TStringWrapper w(octets);
      PduPtr object = CreateFromDataPduStr(*a->type, a->id, w);
      Chosen = a;
      return object;
    } catch (const std::exception& e) {
      if (firstError.empty()) firstError = e.what();
    }
  }
  throw Exception(firstError);
}

// The attribute's Data form; a profile buffer keeps its last entries and says so.
void AppendAttribute(const TAttributeInfo& Info, int ClassId, PduStr& Values) {
  const TData& value = *Info.DataValue;
  if (ClassId == kProfileGenericClassId && Info.AttributeId == 2 && TDataHelper::IsArray(value)) {
    const int count = TDataHelper::AsArray(value).ElementCount();
    if (count > kProfileEntriesKept) {
      std::unique_ptr<TData> kept = CloneData(value);
      TDataHelper::AsArray(*kept).FreeRange(0, count - kProfileEntriesKept);
      kept->EncodeToDataPduStr(Values);
      return;
    }
  }
  if (ClassId == kProfileGenericClassId && Info.AttributeId == 7 && value.Value && value.Value->IsA(T_Unsigned32) &&
      value.Value->As<TNumber>().AsUInt64() > kProfileEntriesKept) {
    std::unique_ptr<TData> kept = CloneData(value);
    kept->Value->As<TNumber>().SetInt64(kProfileEntriesKept);
    kept->EncodeToDataPduStr(Values);
    return;
  }
  value.EncodeToDataPduStr(Values);
}

}  // namespace

// Information fields of I frames joined into APDUs: a frame with the segmentation bit opens
// a sequence that the next frame without it closes. Other frames (the peer's RR between
// segments) do not count. An I frame of another link than the open sequence's means the
// sequence was cut short: its octets are dropped and the frame starts afresh.
class TImportDevice::TApduAssembler {
 public:
  // True when the frame completes an APDU, which is then in Apdu.
  bool Add(std::string_view FrameOctets, PduStr& Apdu) {
    FFrame.SetFromPduByteStr(FrameOctets);
    if (FFrame.FKind != fkI) return false;
    if (FOpen && !(FFrame.FSrcAddress == FSrc && FFrame.FDstAddress == FDst)) FOpen = false;
    if (!FOpen) {
      FData.clear();
      FSrc = FFrame.FSrcAddress;
      FDst = FFrame.FDstAddress;
    }
    FData += FFrame.FData;
    FOpen = FFrame.FSegmented;
    if (FOpen) return false;
    Apdu.swap(FData);
    FData.clear();
    return true;
  }

 private:
  TFrame FFrame;
  bool FOpen = false;
  TFrameAddress FSrc, FDst;
  PduStr FData;
};

TImportDevice::TImportDevice(IImportLog& Log) : FLog(&Log), FAssembler(std::make_unique<TApduAssembler>()) {}

TImportDevice::~TImportDevice() = default;

// ---- Raw log files ------------------------------------------------------------------------

namespace {

// Where the line from Start ends (at CR LF, LF or CR), npos when no line end follows; Next
// gets the start of the following line.
size_t LineEnd(std::string_view Text, size_t Start, size_t& Next) {
  const size_t end = Text.find_first_of("\r\n", Start);
  if (end == std::string_view::npos) return end;
  Next = end + 1;
  if (Text[end] == '\r' && Next < Text.size() && Text[Next] == '\n') ++Next;
  return end;
}

}  // namespace

std::vector<std::string> SplitRawLogLines(std::string_view Text) {
  std::vector<std::string> lines;
  for (size_t start = 0, next = 0; start < Text.size(); start = next) {
    size_t end = LineEnd(Text, start, next);
    if (end == std::string_view::npos) end = next = Text.size();
    lines.emplace_back(Text.substr(start, end - start));
  }
  return lines;
}

TRawLogReader::TRawLogReader(const std::string& FileName)
    : FFileName(FileName), FFile(std::fopen(FileName.c_str(), "rb")) {
  if (!FFile) throw Exception(Format("Cannot open file \"%s\". %s", FileName.c_str(), std::strerror(errno)));
}

TRawLogReader::~TRawLogReader() { std::fclose(FFile); }

// Appends the next block of the file behind the unread rest; false at the end.
bool TRawLogReader::Fill() {
  constexpr size_t kBlock = 1 << 16;
  FBuffer.erase(0, FStart);
  FStart = 0;
  const size_t kept = FBuffer.size();
  FBuffer.resize(kept + kBlock);
  const size_t got = std::fread(FBuffer.data() + kept, 1, kBlock, FFile);
  FBuffer.resize(kept + got);
  if (got == 0 && std::ferror(FFile))
    throw Exception(Format("Cannot read file \"%s\". %s", FFileName.c_str(), std::strerror(errno)));
  return got > 0;
}

bool TRawLogReader::Next(std::string_view& Line) {
  size_t end, next = 0;
  // A CR at the end of the buffer may be the first half of a CR LF split between blocks.
  while (((end = LineEnd(FBuffer, FStart, next)) == std::string::npos || next == FBuffer.size()) && !FEnd)
    if (!Fill()) FEnd = true;
  if (end == std::string::npos) {
    if (FStart == FBuffer.size()) return false;
    end = next = FBuffer.size();
  }
  Line = std::string_view(FBuffer).substr(FStart, end - FStart);
  FStart = next;
  return true;
}

std::vector<std::string> ReadRawLogFile(const std::string& FileName) {
  TRawLogReader reader(FileName);
  std::vector<std::string> lines;
  for (std::string_view line; reader.Next(line);) lines.emplace_back(line);
  return lines;
}

// ---- Step one -----------------------------------------------------------------------------

std::vector<std::string> TImportDevice::RawLogToEntries(const std::vector<std::string>& Lines) {
  BeginRawLog();
  for (const std::string& line : Lines) AddRawLogLine(line);
  EndRawLog();
  return AttributeInfos.GetLines();
}

std::vector<std::string> TImportDevice::RawLogFileToEntries(const std::string& FileName) {
  TRawLogReader reader(FileName);
  BeginRawLog();
  for (std::string_view line; reader.Next(line);) AddRawLogLine(line);
  EndRawLog();
  return AttributeInfos.GetLines();
}

void TImportDevice::BeginRawLog() {
  FLog->ClearLog();
  AttributeInfos.Clear();
  CurrentAttributeInfo.reset();
  TotalBlocksData.clear();
  *FAssembler = TApduAssembler();
  FLog->StringToLog("*** SERVICES ****");
}

void TImportDevice::AddRawLogLine(std::string_view Line) {
  if (Line.starts_with("7E") && FAssembler->Add(HexStrToByteStr(Line), FApdu)) HandleApdu(FApdu);
}

void TImportDevice::EndRawLog() { MapShortNames(); }

void TImportDevice::HandleApdu(std::string_view Octets) {
  // The LLC header goes; an APDU that does not decode is skipped.
  const std::string_view body = Octets.substr(std::min<size_t>(3, Octets.size()));
  COSEMpduPtr pdu;
  try {
    pdu = TCOSEMPDUHelper::MakeFromPdu(body);
  } catch (const std::exception&) {
    return;
  }
  FLog->StringToLog("PDU: " + ByteStrToHexStr(body));
  FLog->LogProtocolItem(*pdu, std::string(), 20);
  Pair(*pdu);
}

void TImportDevice::Pair(const TCOSEMpdu& Pdu) {
  if (!Pdu.Value) return;
  switch (Pdu.Tag) {
    case kGetRequest: {
      const auto& get = Pdu.Value->As<TChoice>();
      if (get.Tag != kNormal || !get.Value) return;
      const auto& request = get.Value->As<TSequence>();
      const auto& descriptor = request.Get<TSequence>(GetRequestNormal::AttributeDescriptor);
      auto info = std::make_unique<TAttributeInfo>();
      info->ClassId = static_cast<int>(descriptor.Get<TNumber>(AttributeDescriptor::ClassId).AsUInt64());
      info->InstanceId = descriptor.Get<TOctetString>(AttributeDescriptor::InstanceId).Value;
      info->AttributeId = static_cast<int>(descriptor.Get<TNumber>(AttributeDescriptor::AttributeId).AsInt64());
      info->SelectiveAccess = request.Member(GetRequestNormal::AccessSelection) != nullptr;
      // Attribute 0 and the negative ones belong to no object the device can hold.
      if (info->AttributeId < 1) info.reset();
      CurrentAttributeInfo = std::move(info);
      return;
    }
    case kGetResponse: {
      const auto& get = Pdu.Value->As<TChoice>();
      if (!get.Value) return;
      if (get.Tag == kNormal) {
        const auto& result = get.Value->As<TSequence>().Get<TChoice>(GetResponseNormal::Result);
        if (result.Tag == kDataResult && result.Value) Complete(CloneData(*result.Value));
        else CurrentAttributeInfo.reset();
      } else if (get.Tag == kWithDataBlock) {
        const auto& block = get.Value->As<TSequence>().Get<TSequence>(GetResponseNormal::Result);
        const auto& raw = block.Get<TChoice>(DataBlock_G::Result);
        if (raw.Tag != kRawData || !raw.Value || !raw.Value->IsA(TOctetString_Type))
          throw Exception("DataBlockGResult is not string");
        const PduStr& octets = raw.Value->As<TOctetString>().Value;
        if (block.Get<TNumber>(DataBlock_G::BlockNumber).AsUInt64() == 1) TotalBlocksData = octets;
        else TotalBlocksData += octets;
        if (block.Get<TNumber>(DataBlock_G::LastBlock).AsBool()) {
          // Only a value that is kept is decoded.
          if (CurrentAttributeInfo && !CurrentAttributeInfo->SelectiveAccess)
            Complete(TDataHelper::MakeFromPduStr(TotalBlocksData));
          CurrentAttributeInfo.reset();
          PduStr().swap(TotalBlocksData);
        }
      }
      return;
    }
    case kReadRequest: {
      const auto& list = Pdu.Value->As<TSequenceOf>();
      if (list.ElementCount() != 1) return;
      const auto& access = list.Elements(0)->As<TChoice>();
      if (!access.Value) return;
      auto info = std::make_unique<TAttributeInfo>();
      info->SNRead = true;
      if (access.Tag == kVariableName) {
        info->SNObjectName = static_cast<uint16_t>(access.Value->As<TNumber>().AsInt64());
      } else if (access.Tag == kParameterisedAccess) {
        const auto& p = access.Value->As<TSequence>();
        info->SNObjectName = static_cast<uint16_t>(p.Get<TNumber>(ParametrisedAccess::VariableName).AsInt64());
        info->SelectiveAccess = true;
      } else {
        return;
      }
      CurrentAttributeInfo = std::move(info);
      return;
    }
    case kReadResponse: {
      const auto& list = Pdu.Value->As<TSequenceOf>();
      if (list.ElementCount() != 1) return;
      const auto& result = list.Elements(0)->As<TChoice>();
      if (result.Tag == kDataResult && result.Value) Complete(CloneData(*result.Value));
      else if (result.Tag == kDataAccessError) CurrentAttributeInfo.reset();
      return;
    }
    default:
      return;
  }
}

// The pending request gets its value and becomes an entry, unless it read selectively.
void TImportDevice::Complete(std::unique_ptr<TData> Value) {
  std::unique_ptr<TAttributeInfo> info = std::move(CurrentAttributeInfo);
  if (!info || info->SelectiveAccess) return;
  info->DataValue = std::move(Value);
  AttributeInfos.Add(std::move(info));
}

// Entries of SN reads get the object and attribute their short name stands for, from the
// object list of the SN association object (read as short name 0xFA08). LN entries are
// complete already, so a log without SN reads needs no such list.
void TImportDevice::MapShortNames() {
  auto& items = AttributeInfos.Items;
  if (std::none_of(items.begin(), items.end(), [](const auto& i) { return i->SNRead; })) return;
  auto list = std::find_if(items.begin(), items.end(),
                           [](const auto& i) { return i->SNRead && i->SNObjectName == kSNObjectListName; });
  if (list == items.end()) throw Exception("SN Association object not found");

  struct TListed {
    uint16_t BaseName;
    int ClassId;
    PduStr LogicalName;
  };
  std::vector<TListed> listed;
  for (const auto& e : TDataHelper::AsArray(*(*list)->DataValue).FElements) {
    const auto& item = TDataHelper::AsStructure(e->As<TData>());
    listed.push_back({static_cast<uint16_t>(NumberElement(item, 0)), static_cast<int>(NumberElement(item, 1)),
                      OctetsElement(item, 3)});
  }
  // Short names are 16-bit names that compare unsigned (0xFA00 lies above 0x0100).
  std::sort(listed.begin(), listed.end(), [](const TListed& a, const TListed& b) { return a.BaseName < b.BaseName; });
  std::erase_if(items, [&listed](const std::unique_ptr<TAttributeInfo>& info) {
    if (!info->SNRead) return false;
    auto above = std::upper_bound(listed.begin(), listed.end(), info->SNObjectName,
                                  [](uint16_t name, const TListed& l) { return name < l.BaseName; });
    if (above == listed.begin()) return true;  // below every object: names none
    const TListed& object = *(above - 1);
    info->AttributeId = (info->SNObjectName - object.BaseName) / 8 + 1;
    info->ClassId = object.ClassId;
    info->InstanceId = object.LogicalName;
    return false;
  });
}

// ---- Step two -----------------------------------------------------------------------------

std::vector<std::string> TImportDevice::EntriesToDevice(const std::vector<std::string>& EditorLines) {
  AttributeInfos.LoadFromStrings(EditorLines);
  FLog->ClearLog();
  std::vector<std::string> lines = MakeDevice();
  FLog->StringListToLog(lines);
  return lines;
}

std::vector<std::string> TImportDevice::MakeDevice() const {
  std::vector<std::string> lines = {
      "<LogicalDevice>",
      "  <Name Value = \"\\Logical device name\" />",
      "  <ServerSAP Value = \"0001\" />",
      "  <COSEMObjectList Qty = \"AUTO\">",
  };
  const TVersionMap versions = ListedVersions(AttributeInfos);
  std::set<std::string> produced;
  const auto& items = AttributeInfos.Items;
  size_t i = 0;
  for (;;) {
    while (i < items.size() && items[i]->AttributeId != 1) ++i;
    if (i == items.size()) break;
    const TAttributeInfo& first = *items[i];
    const std::string name = ByteStrToHexStr(first.InstanceId);
    size_t end = i + 1;
    while (end < items.size() && items[end]->AttributeId != 1) ++end;
    try {
      auto listed = versions.find({first.ClassId, first.InstanceId});
      const std::vector<const AltInfo*> classes =
          ClassesOf(first.ClassId, listed == versions.end() ? -1 : listed->second);
      PduStr values;
      for (size_t j = i; j < end; ++j) {
        const int expected = static_cast<int>(j - i + 1);
        if (items[j]->AttributeId != expected) throw Exception(Format("AttributeId=%d is missing", expected));
        AppendAttribute(*items[j], first.ClassId, values);
      }
      const int found = static_cast<int>(end - i);
      const std::vector<const AltInfo*> admitted = Admitted(classes, found);
      if (produced.insert(Format("%s/%d", name.c_str(), first.ClassId)).second) {
        const AltInfo* chosen = nullptr;
        PduPtr object = MakeObject(admitted, found, values, chosen);
        lines.emplace_back();
        lines.push_back(Format("// *** %s %s", name.c_str(), chosen->type->name));
        object->AddXmlToLines(4, lines);
      }
    } catch (const std::exception& e) {
      throw Exception(Format("InstanceId=%s, ClassId=%d: %s", name.c_str(), first.ClassId, e.what()));
    }
    i = end;
  }
  lines.push_back("  </COSEMObjectList>");
  lines.push_back("</LogicalDevice>");
  return lines;
}

}  // namespace zv

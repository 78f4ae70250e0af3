// The attribute entries of the device import: one read attribute of a meter each, and
// their editable text (a header line per entry followed by the XML of its value).
#pragma once
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "foundation/axdr_types.h"

namespace zv {

class IImportLog;

struct TAttributeInfo {
  PduStr InstanceId;  // the 6-octet logical name
  int ClassId = 0;
  int AttributeId = 0;
  bool SelectiveAccess = false;  // the request used selective or parameterised access
  std::unique_ptr<TData> DataValue;
  uint16_t SNObjectName = 0;  // the short name of an SN read
  bool SNRead = false;        // the entry comes from an SN read and still needs its name mapped
};

class TAttributeInfos {
 public:
  std::vector<std::unique_ptr<TAttributeInfo>> Items;

  int Count() const { return static_cast<int>(Items.size()); }
  void Clear() { Items.clear(); }
  void Add(std::unique_ptr<TAttributeInfo> Info) { Items.push_back(std::move(Info)); }

  // Per entry: Format("Instance=\"%s\", ClassId=%d, AttributeId=%d") with the logical name
  // in hex, then the value's XML indented by two blanks.
  std::vector<std::string> GetLines() const;
  // The text of one entry, appended to Lines.
  static void AddEntryLines(const TAttributeInfo& Info, std::vector<std::string>& Lines);
  // The same text, CR LF after each line.
  void SaveToStream(std::ostream& Stream) const;
  // Each value as a protocol item titled with its entry.
  void Log(IImportLog& Log) const;
  // Reads the entry text back (see the .cpp); raises "Syntax error in line %d \"%s\"" for
  // a bad header and "Error \"%s\" for %s" for a value that does not read.
  void LoadFromStrings(const std::vector<std::string>& Lines);
};

}  // namespace zv

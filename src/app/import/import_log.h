// Where the device import writes what the user sees in the main window's log pane.
#pragma once
#include <string>
#include <vector>

namespace zv {

class TCOSEMPduBase;

class IImportLog {
 public:
  virtual ~IImportLog() = default;
  virtual void ClearLog() = 0;
  // One time-stamped line.
  virtual void StringToLog(const std::string& Text) = 0;
  // Lines appended as they are.
  virtual void StringListToLog(const std::vector<std::string>& Lines) = 0;
  // The item's XML lines at Indent blanks, after Title when it is not empty.
  virtual void LogProtocolItem(const TCOSEMPduBase& Item, const std::string& Title, int Indent) = 0;
};

// The process-wide logger, as the import window uses it.
class TLoggerImportLog : public IImportLog {
 public:
  void ClearLog() override;
  void StringToLog(const std::string& Text) override;
  void StringListToLog(const std::vector<std::string>& Lines) override;
  void LogProtocolItem(const TCOSEMPduBase& Item, const std::string& Title, int Indent) override;
};

}  // namespace zv

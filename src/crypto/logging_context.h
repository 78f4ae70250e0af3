// The log sink through which protection layers, data protection and block transfer write
// their lines without knowing the logger.
#pragma once
#include <functional>
#include <string>
#include <vector>

namespace zv {

class TCOSEMPduBase;

using TLogStringProc = std::function<void(const std::string& s)>;
using TLogStringListProc = std::function<void(const std::vector<std::string>& lines)>;
using TLogProtocolItemProc =
    std::function<void(const TCOSEMPduBase* ProtocolItem, const std::string& Title, int Indent)>;

class TLoggingContext {
 public:
  void SetLogStringProc(TLogStringProc proc) { FLogStringProc = std::move(proc); }
  void SetLogStringListProc(TLogStringListProc proc) { FLogStringListProc = std::move(proc); }
  void SetLogProtocolItemProc(TLogProtocolItemProc proc) { FLogProtocolItemProc = std::move(proc); }

  // Each calls its procedure when it is set and does nothing otherwise.
  void LogString(const std::string& s) const;
  void LogStringList(const std::vector<std::string>& lines) const;
  void LogProtocolItem(const TCOSEMPduBase* ProtocolItem, const std::string& Title, int Indent) const;
  // The title, then the APDU's XML lines indented by Indent blanks: as one list when the
  // list procedure is set, else line by line.
  void LogCOSEMPdu(const std::string& Title, const TCOSEMPduBase& COSEMPdu, int Indent) const;

 private:
  TLogStringProc FLogStringProc;
  TLogStringListProc FLogStringListProc;
  TLogProtocolItemProc FLogProtocolItemProc;
};

}  // namespace zv

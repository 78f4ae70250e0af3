#include "crypto/logging_context.h"

namespace zv {

void TLoggingContext::LogString(const std::string& s) const {
  if (FLogStringProc) FLogStringProc(s);
}

void TLoggingContext::LogStringList(const std::vector<std::string>& lines) const {
  if (FLogStringListProc) FLogStringListProc(lines);
}

void TLoggingContext::LogProtocolItem(const TCOSEMPduBase* ProtocolItem, const std::string& Title,
                                      int Indent) const {
  if (FLogProtocolItemProc) FLogProtocolItemProc(ProtocolItem, Title, Indent);
}

}  // namespace zv

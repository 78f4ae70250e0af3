#include "crypto/logging_context.h"

#include "foundation/codec.h"

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

void TLoggingContext::LogCOSEMPdu(const std::string& Title, const TCOSEMPduBase& COSEMPdu,
                                  int Indent) const {
  LogString(Title);
  std::vector<std::string> lines;
  COSEMPdu.AddXmlToLines(Indent, lines);
  if (FLogStringListProc) {
    FLogStringListProc(lines);
  } else {
    for (const auto& line : lines) LogString(line);
  }
}

}  // namespace zv

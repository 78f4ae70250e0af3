#include "app/import/import_log.h"

#include "foundation/logger.h"
#include "server/misc_helpers.h"

namespace zv {

void TLoggerImportLog::ClearLog() { Logger().ClearLog(); }

void TLoggerImportLog::StringToLog(const std::string& Text) { Logger().StringToLog(Text); }

void TLoggerImportLog::StringListToLog(const std::vector<std::string>& Lines) { Logger().StringListToLog(Lines); }

void TLoggerImportLog::LogProtocolItem(const TCOSEMPduBase& Item, const std::string& Title, int Indent) {
  TMiscHelpers::LogProtocolItem(&Item, Title, Indent);
}

}  // namespace zv

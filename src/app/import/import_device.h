// The device import without its window: step one turns a raw log of HDLC frames into
// attribute entries (requests paired with their responses), step two turns the edited
// entries into a device description written to the log pane. The import window is a thin
// layer: it runs the file dialog, shows the entry text in its editor and reports errors.
#pragma once
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/import/attribute_infos.h"
#include "app/import/import_log.h"

namespace zv {

class TCOSEMpdu;

// The window's own texts.
struct TImportDeviceTexts {
  static constexpr const char* Caption = "Import Device";
  static constexpr const char* RawLogButton = "Raw log to request/responses...";
  static constexpr const char* ToDeviceButton = "Make device!";
  static constexpr const char* FileFilter = "*.txt|*.txt";
  static constexpr const char* LastFileKey = "IMPORT";  // the last file of the open dialog
};

// The lines of a text file, split at CR LF, LF or CR; raises "Cannot open file \"%s\"".
std::vector<std::string> ReadRawLogFile(const std::string& FileName);
// The same for a text in memory.
std::vector<std::string> SplitRawLogLines(std::string_view Text);
// A text file's lines one by one, split as above, without holding the whole file: the raw
// log of a long recording is large. Raises "Cannot open file \"%s\"" and read errors.
class TRawLogReader {
 public:
  explicit TRawLogReader(const std::string& FileName);
  ~TRawLogReader();
  TRawLogReader(const TRawLogReader&) = delete;
  TRawLogReader& operator=(const TRawLogReader&) = delete;
  // The next line, valid until the next call; false at the end of the file.
  bool Next(std::string_view& Line);

 private:
  bool Fill();
  std::string FFileName;
  std::FILE* FFile;
  std::string FBuffer;
  size_t FStart = 0;
  bool FEnd = false;
};

class TImportDevice {
 public:
  explicit TImportDevice(IImportLog& Log);
  ~TImportDevice();
  // Where the log pane's entries go from now on.
  void SetLog(IImportLog& Log) { FLog = &Log; }

  // Step one on the raw log's lines: the log is cleared and shows every APDU found, the
  // entries are rebuilt, and their text (for the editor) is returned. Hex and frame errors,
  // "DataBlockGResult is not string" and "SN Association object not found" end the step;
  // the entries collected until then stay.
  std::vector<std::string> RawLogToEntries(const std::vector<std::string>& Lines);
  // The same on a raw log file read line by line.
  std::vector<std::string> RawLogFileToEntries(const std::string& FileName);

  // Step one in parts, for a caller that reads the lines itself: BeginRawLog, every line to
  // AddRawLogLine, then EndRawLog, which maps the short names; the entries are then complete.
  void BeginRawLog();
  void AddRawLogLine(std::string_view Line);
  void EndRawLog();

  // Step two on the editor's lines: the entries are read back, the log is cleared and the
  // device description goes to the log as lines; they are returned as well.
  std::vector<std::string> EntriesToDevice(const std::vector<std::string>& EditorLines);

  // The device description of the current entries. Raises "ClassId=%d not found",
  // "AttributeId=%d is missing" and "%d attributes expected, found %d", each behind
  // "InstanceId=%s, ClassId=%d: ".
  std::vector<std::string> MakeDevice() const;

  TAttributeInfos AttributeInfos;

 private:
  class TApduAssembler;
  void HandleApdu(std::string_view Octets);
  void Pair(const TCOSEMpdu& Pdu);
  void Complete(std::unique_ptr<TData> Value);
  void MapShortNames();

  IImportLog* FLog;
  std::unique_ptr<TAttributeInfo> CurrentAttributeInfo;
  PduStr TotalBlocksData;
  std::unique_ptr<TApduAssembler> FAssembler;
  PduStr FApdu;
};

}  // namespace zv

// The settings file: sections of "key=value" lines. One object may be shared by the GUI
// thread and the server thread; every call takes its lock.
#pragma once
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

class TIniFile {
 public:
  explicit TIniFile(std::string FileName);

  const std::string& FileName() const { return FFileName; }

  // Missing values give Default. Section and key names are compared without regard to case.
  std::string ReadString(std::string_view Section, std::string_view Ident, const std::string& Default);
  // Decimal text; a value that is no integer gives Default.
  int32_t ReadInteger(std::string_view Section, std::string_view Ident, int32_t Default);
  // An integer (true when not 0), or "true"/"false" in any case; anything else gives Default.
  bool ReadBool(std::string_view Section, std::string_view Ident, bool Default);

  // Each write goes to disk at once (a temporary file renamed over the old one); a failure
  // raises "Unable to write to %s".
  void WriteString(std::string_view Section, std::string_view Ident, std::string_view Value);
  void WriteInteger(std::string_view Section, std::string_view Ident, int32_t Value);
  void WriteBool(std::string_view Section, std::string_view Ident, bool Value);  // "1" or "0"
  void EraseSection(std::string_view Section);

 private:
  // One line of the file: a section header, a key with its value, or anything else kept as it is.
  struct TLine {
    enum TKind { lkOther, lkSection, lkValue } Kind;
    std::string Name;   // section name or key
    std::string Value;  // value, unquoted
    std::string Raw;    // the line as read; written back unchanged unless the entry changed
  };

  void Refresh();
  void Load();
  void Save();
  int FindSection(std::string_view Section) const;
  int FindValue(std::string_view Section, std::string_view Ident) const;
  void SetValue(std::string_view Section, std::string_view Ident, std::string_view Value);

  std::string FFileName;
  std::mutex FLock;
  std::vector<TLine> FLines;
  // What the loaded content came from, so that an edit on disk is seen at the next call.
  struct TStamp {
    bool Exists = false;
    uint64_t Inode = 0, Size = 0;
    int64_t MTimeNs = 0;
    bool operator==(const TStamp&) const = default;
  } FStamp;
  bool FLoaded = false;
};

}  // namespace zv

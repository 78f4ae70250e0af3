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
  // An INI held in memory: read from FileName when first used (when the file exists),
  // changed in memory only, and written by UpdateFile.
  TIniFile(std::string FileName, bool InMemory);

  const std::string& FileName() const { return FFileName; }

  // Missing values give Default. Section and key names are compared without regard to case.
  std::string ReadString(std::string_view Section, std::string_view Ident, const std::string& Default);
  // Decimal text; a value that is no integer gives Default.
  int32_t ReadInteger(std::string_view Section, std::string_view Ident, int32_t Default);
  // An integer (true when not 0), or "true"/"false" in any case; anything else gives Default.
  bool ReadBool(std::string_view Section, std::string_view Ident, bool Default);

  // Each write goes to disk at once (a temporary file renamed over the old one); a failure
  // raises "Unable to write to %s: <the system's reason>". A value the file already has
  // leaves the file untouched.
  void WriteString(std::string_view Section, std::string_view Ident, std::string_view Value);
  void WriteInteger(std::string_view Section, std::string_view Ident, int32_t Value);
  void WriteBool(std::string_view Section, std::string_view Ident, bool Value);  // "1" or "0"
  void EraseSection(std::string_view Section);
  void DeleteKey(std::string_view Section, std::string_view Ident);

  // In file order; a section or key that the file repeats is listed once.
  std::vector<std::string> ReadSections();
  std::vector<std::string> ReadSection(std::string_view Section);
  // "key=value" for each key of the section.
  std::vector<std::string> ReadSectionValues(std::string_view Section);
  bool SectionExists(std::string_view Section);
  bool ValueExists(std::string_view Section, std::string_view Ident);

  // The lines as they would be written, and all of them replaced.
  std::vector<std::string> GetLines();
  void SetLines(const std::vector<std::string>& Lines);
  // Memory mode: writes the content to the file (raises as the writes above on failure).
  void UpdateFile();
  // Memory mode: another file name; Reload replaces the content by that file's.
  void Rename(std::string FileName, bool Reload);

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
  void Parse(std::string_view Text);
  std::string Compose() const;
  void WriteText(const std::string& Text);
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
  bool FInMemory = false;
};

}  // namespace zv

#include "foundation/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "foundation/errors.h"
#include "foundation/misc.h"
#include "platform/replace_file.h"

namespace zv {

namespace {

std::string_view Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return s.substr(b, e - b);
}

bool IsQuote(char c) { return c == '"' || c == '\''; }

// A value enclosed in one pair of matching quotes is read without them.
std::string Unquote(std::string_view v) {
  if (v.size() >= 2 && IsQuote(v.front()) && v.back() == v.front()) v = v.substr(1, v.size() - 2);
  return std::string(v);
}

// The inverse of Trim and Unquote, so that every value reads back as written; a line
// break would split the entry, so it becomes a blank.
std::string EncodeValue(std::string_view v) {
  std::string s(v);
  for (char& c : s)
    if (c == '\r' || c == '\n') c = ' ';
  bool padded = !s.empty() && (s.front() == ' ' || s.front() == '\t' || s.back() == ' ' || s.back() == '\t');
  bool quoted = s.size() >= 2 && IsQuote(s.front()) && s.back() == s.front();
  return padded || quoted ? '"' + s + '"' : s;
}

std::string CleanName(std::string_view v) {
  std::string s(Trim(v));
  for (char& c : s)
    if (c == '\r' || c == '\n') c = ' ';
  return s;
}

}  // namespace

TIniFile::TIniFile(std::string FileName) : FFileName(std::move(FileName)) {}

TIniFile::TIniFile(std::string FileName, bool InMemory) : FFileName(std::move(FileName)), FInMemory(InMemory) {}

void TIniFile::Refresh() {
  if (FInMemory) {
    if (!FLoaded) Load();
    return;
  }
  TStamp stamp;
  struct stat st;
  if (stat(FFileName.c_str(), &st) == 0) {
    stamp.Exists = true;
    stamp.Inode = st.st_ino;
    stamp.Size = static_cast<uint64_t>(st.st_size);
    stamp.MTimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  }
  if (FLoaded && stamp == FStamp) return;
  FStamp = stamp;
  Load();
}

void TIniFile::Load() {
  FLines.clear();
  FLoaded = true;
  std::string text;
  int fd = open(FFileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;  // missing or unreadable: every value takes its default
  char buf[8192];
  for (;;) {
    ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    text.append(buf, static_cast<size_t>(n));
  }
  close(fd);
  Parse(text);
}

void TIniFile::Parse(std::string_view Text) {
  FLines.clear();
  std::string_view rest(Text);
  if (rest.substr(0, 3) == "\xEF\xBB\xBF") rest.remove_prefix(3);
  while (!rest.empty()) {
    size_t eol = rest.find('\n');
    std::string_view line = rest.substr(0, eol);
    rest = eol == std::string_view::npos ? std::string_view() : rest.substr(eol + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::string_view t = Trim(line);
    TLine l{TLine::lkOther, {}, {}, std::string(line)};
    if (!t.empty() && t.front() == '[') {
      size_t close = t.rfind(']');
      l.Kind = TLine::lkSection;
      l.Name = std::string(Trim(t.substr(1, close == std::string_view::npos ? t.npos : close - 1)));
    } else if (!t.empty() && t.front() != ';' && t.front() != '#' && t.find('=') != t.npos) {
      size_t eq = t.find('=');
      l.Kind = TLine::lkValue;
      l.Name = std::string(Trim(t.substr(0, eq)));
      l.Value = Unquote(Trim(t.substr(eq + 1)));
    }
    FLines.push_back(std::move(l));
  }
}

std::string TIniFile::Compose() const {
  std::string text;
  for (const TLine& l : FLines) {
    // Lines written by hand keep their layout.
    if (l.Kind == TLine::lkOther || !l.Raw.empty()) text += l.Raw;
    else if (l.Kind == TLine::lkSection) text += '[' + l.Name + ']';
    else text += l.Name + '=' + EncodeValue(l.Value);
    text += '\n';
  }
  return text;
}

void TIniFile::WriteText(const std::string& text) {
  // Readers (and a crash half-way) see the old file or the new one, never a torn one.
  const TReplaceFileResult done = ReplaceFileContent(FFileName, text.data(), text.size());
  if (!done) throw Exception(Format("Unable to write to %s: %s", FFileName.c_str(), std::strerror(done.Error)));
}

void TIniFile::Save() {
  if (FInMemory) return;
  FLoaded = false;  // also after a failure, the next call reads what is really on disk
  WriteText(Compose());
  Refresh();
}

int TIniFile::FindSection(std::string_view Section) const {
  for (size_t i = 0; i < FLines.size(); ++i)
    if (FLines[i].Kind == TLine::lkSection && SameText(FLines[i].Name, Section)) return static_cast<int>(i);
  return -1;
}

int TIniFile::FindValue(std::string_view Section, std::string_view Ident) const {
  // Hand-written files may repeat a section; the first entry of the key wins.
  bool inSection = Section.empty();
  for (size_t i = 0; i < FLines.size(); ++i) {
    const TLine& l = FLines[i];
    if (l.Kind == TLine::lkSection) inSection = SameText(l.Name, Section);
    else if (inSection && l.Kind == TLine::lkValue && SameText(l.Name, Ident)) return static_cast<int>(i);
  }
  return -1;
}

void TIniFile::SetValue(std::string_view Section, std::string_view Ident, std::string_view Value) {
  Refresh();
  std::string section = CleanName(Section), ident = CleanName(Ident);
  int found = FindValue(section, ident);
  if (found >= 0) {
    // The settings dialog writes every field on OK: a value that stays is not written again.
    if (FLines[static_cast<size_t>(found)].Value == Value) return;
    FLines[static_cast<size_t>(found)].Value = std::string(Value);
    FLines[static_cast<size_t>(found)].Raw.clear();
  } else {
    TLine entry{TLine::lkValue, ident, std::string(Value), {}};
    int s = section.empty() ? -1 : FindSection(section);
    if (s < 0 && !section.empty()) {
      if (!FLines.empty() && !(FLines.back().Kind == TLine::lkOther && Trim(FLines.back().Raw).empty()))
        FLines.push_back(TLine{TLine::lkOther, {}, {}, {}});
      FLines.push_back(TLine{TLine::lkSection, section, {}, {}});
      FLines.push_back(std::move(entry));
    } else {
      // After the last entry of the section, before the blank lines that separate it.
      size_t at = static_cast<size_t>(s + 1);
      for (size_t i = at; i < FLines.size() && FLines[i].Kind != TLine::lkSection; ++i)
        if (FLines[i].Kind == TLine::lkValue || !Trim(FLines[i].Raw).empty()) at = i + 1;
      FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(at), std::move(entry));
    }
  }
  Save();
}

std::string TIniFile::ReadString(std::string_view Section, std::string_view Ident, const std::string& Default) {
  std::lock_guard<std::mutex> guard(FLock);
  Refresh();
  int i = FindValue(Section, Ident);
  return i < 0 ? Default : FLines[static_cast<size_t>(i)].Value;
}

int32_t TIniFile::ReadInteger(std::string_view Section, std::string_view Ident, int32_t Default) {
  std::lock_guard<std::mutex> guard(FLock);
  Refresh();
  int i = FindValue(Section, Ident);
  int32_t v;
  if (i < 0 || !TryStrToInt(FLines[static_cast<size_t>(i)].Value, v)) return Default;
  return v;
}

bool TIniFile::ReadBool(std::string_view Section, std::string_view Ident, bool Default) {
  std::lock_guard<std::mutex> guard(FLock);
  Refresh();
  int i = FindValue(Section, Ident);
  if (i < 0) return Default;
  const std::string& s = FLines[static_cast<size_t>(i)].Value;
  int32_t v;
  if (TryStrToInt(s, v)) return v != 0;
  if (SameText(s, "true")) return true;
  if (SameText(s, "false")) return false;
  return Default;
}

void TIniFile::WriteString(std::string_view Section, std::string_view Ident, std::string_view Value) {
  std::lock_guard<std::mutex> guard(FLock);
  SetValue(Section, Ident, Value);
}

void TIniFile::WriteInteger(std::string_view Section, std::string_view Ident, int32_t Value) {
  std::lock_guard<std::mutex> guard(FLock);
  SetValue(Section, Ident, std::to_string(Value));
}

void TIniFile::WriteBool(std::string_view Section, std::string_view Ident, bool Value) {
  std::lock_guard<std::mutex> guard(FLock);
  SetValue(Section, Ident, Value ? "1" : "0");
}

void TIniFile::EraseSection(std::string_view Section) {
  std::lock_guard<std::mutex> guard(FLock);
  Refresh();
  std::vector<TLine> kept;
  bool erasing = false, any = false;
  for (TLine& l : FLines) {
    if (l.Kind == TLine::lkSection) erasing = SameText(l.Name, Section);
    if (erasing) any = true;
    else kept.push_back(std::move(l));
  }
  FLines = std::move(kept);
  if (any) Save();
}

void TIniFile::DeleteKey(std::string_view Section, std::string_view Ident) {
  std::lock_guard<std::mutex> guard(FLock);
  Refresh();
  int i = FindValue(Section, Ident);
  if (i < 0) return;
  FLines.erase(FLines.begin() + i);
  Save();
}

namespace {

void AddOnce(std::vector<std::string>& List, const std::string& Name) {
  for (const std::string& n : List)
    if (SameText(n, Name)) return;
  List.push_back(Name);
}

}  // namespace

std::vector<std::string> TIniFile::ReadSections() {
  std::lock_guard<std::mutex> guard(FLock);
  Refresh();
  std::vector<std::string> out;
  for (const TLine& l : FLines)
    if (l.Kind == TLine::lkSection) AddOnce(out, l.Name);
  return out;
}

std::vector<std::string> TIniFile::ReadSection(std::string_view Section) {
  std::lock_guard<std::mutex> guard(FLock);
  Refresh();
  std::vector<std::string> out;
  bool inSection = Section.empty();
  for (const TLine& l : FLines) {
    if (l.Kind == TLine::lkSection) inSection = SameText(l.Name, Section);
    else if (inSection && l.Kind == TLine::lkValue) AddOnce(out, l.Name);
  }
  return out;
}

std::vector<std::string> TIniFile::ReadSectionValues(std::string_view Section) {
  std::vector<std::string> out = ReadSection(Section);
  std::lock_guard<std::mutex> guard(FLock);
  for (std::string& key : out) key += '=' + FLines[static_cast<size_t>(FindValue(Section, key))].Value;
  return out;
}

bool TIniFile::SectionExists(std::string_view Section) {
  std::lock_guard<std::mutex> guard(FLock);
  Refresh();
  return FindSection(Section) >= 0;
}

bool TIniFile::ValueExists(std::string_view Section, std::string_view Ident) {
  std::lock_guard<std::mutex> guard(FLock);
  Refresh();
  return FindValue(Section, Ident) >= 0;
}

std::vector<std::string> TIniFile::GetLines() {
  std::lock_guard<std::mutex> guard(FLock);
  Refresh();
  std::vector<std::string> out;
  const std::string text = Compose();
  for (size_t at = 0; at < text.size();) {
    const size_t eol = text.find('\n', at);
    out.push_back(text.substr(at, eol - at));
    at = eol + 1;
  }
  return out;
}

void TIniFile::SetLines(const std::vector<std::string>& Lines) {
  std::lock_guard<std::mutex> guard(FLock);
  std::string text;
  for (const std::string& l : Lines) text += l + '\n';
  Parse(text);
  FLoaded = true;
  Save();
}

void TIniFile::UpdateFile() {
  std::lock_guard<std::mutex> guard(FLock);
  Refresh();
  WriteText(Compose());
}

void TIniFile::Rename(std::string FileName, bool Reload) {
  std::lock_guard<std::mutex> guard(FLock);
  Refresh();
  FFileName = std::move(FileName);
  if (Reload) Load();
}

}  // namespace zv

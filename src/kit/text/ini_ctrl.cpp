#include "kit/text/ini_ctrl.h"

#include <charconv>
#include <cstdio>

#include "foundation/ini_file.h"
#include "foundation/misc.h"
#include "kit/text/application.h"
#include "kit/text/strings.h"
#include "kit/text/sys_info.h"
#include "kit/text/unicode.h"

namespace zv {

namespace {

std::string U8(const TKitString& S) { return KitToPlatformText(S); }
TKitString U16(const std::string& S) { return KitFromPlatformText(S); }

void ToList(const std::vector<std::string>& From, TKitStringList& To) {
  To.clear();
  for (const std::string& s : From) To.push_back(U16(s));
}

// The platform's default scrambling key of stored strings.
constexpr uint16_t DefaultKey = 0x6B1D;

// A line of a settings file holds no line break, but scrambled text may: the two breaks are
// stored as private-use characters, which the ANSI reading of bytes never gives.
constexpr char16_t StoredCR = 0xE00D, StoredLF = 0xE00A;

TKitString StoreLineBreaks(TKitString S) {
  for (char16_t& c : S) c = c == u'\r' ? StoredCR : c == u'\n' ? StoredLF : c;
  return S;
}

TKitString RestoreLineBreaks(TKitString S) {
  for (char16_t& c : S) c = c == StoredCR ? u'\r' : c == StoredLF ? u'\n' : c;
  return S;
}

TKitString Digits(int Value, int Width) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%0*d", Width, Value);
  return U16(buf);
}

// Parses "a<sep>b<sep>c" (Parts numbers, the last of them optional when Optional).
bool SplitNumbers(const TKitString& S, char16_t Sep, int Parts, bool LastOptional, int* Out) {
  const std::string s = U8(KitTrim(S));
  const char* p = s.data();
  const char* end = p + s.size();
  for (int i = 0; i < Parts; ++i) {
    if (i > 0) {
      if (p == end && LastOptional && i == Parts - 1) {
        Out[i] = 0;
        return true;
      }
      if (p == end || *p != static_cast<char>(Sep)) return false;
      ++p;
    }
    const auto r = std::from_chars(p, end, Out[i]);
    if (r.ec != std::errc() || Out[i] < 0) return false;
    p = r.ptr;
  }
  return p == end;
}

bool TryEncode(int Y, int M, int D, int H, int N, int S, TDateTime& Value) {
  try {
    Value = EncodeDateTime(Y, M, D, H, N, S);
    return true;
  } catch (const Exception&) {
    return false;
  }
}

// A date typed with '.' or '/' is read as if it had been written with the separator.
TKitString WithDateSeparator(TKitString S) {
  if (S.find(KitDateSeparator) == TKitString::npos)
    for (char16_t& c : S)
      if (c == u'.' || c == u'/' || c == u'-') c = KitDateSeparator;
  return S;
}

}  // namespace

const char16_t* KitRegRootName(TKitRegRootKey Root) {
  static const char16_t* const names[] = {u"HKEY_CLASSES_ROOT", u"HKEY_CURRENT_USER", u"HKEY_LOCAL_MACHINE",
                                          u"HKEY_USERS",        u"HKEY_CURRENT_CONFIG", u"HKEY_DYN_DATA"};
  return names[Root];
}

TKitString KitDateToStr(TDateTime Value) {
  TDateTimeRecord r;
  DateTimeToRecord(r, Value);
  return Digits(r.Year, 4) + KitDateSeparator + Digits(r.Month, 2) + KitDateSeparator + Digits(r.Day, 2);
}

TKitString KitTimeToStr(TDateTime Value) {
  TDateTimeRecord r;
  DateTimeToRecord(r, Value);
  return Digits(r.Hour, 2) + u':' + Digits(r.Min, 2) + u':' + Digits(r.Sec, 2);
}

TKitString KitDateTimeToStr(TDateTime Value) { return KitDateToStr(Value) + u' ' + KitTimeToStr(Value); }

bool KitTryStrToDate(const TKitString& S, TDateTime& Value) {
  int d[3];
  return SplitNumbers(S, KitDateSeparator, 3, false, d) && TryEncode(d[0], d[1], d[2], 0, 0, 0, Value);
}

bool KitTryStrToTime(const TKitString& S, TDateTime& Value) {
  int t[3];
  if (!SplitNumbers(S, u':', 3, true, t) || t[0] > 23 || t[1] > 59 || t[2] > 59) return false;
  Value = (t[0] * 3600 + t[1] * 60 + t[2]) / 86400.0;
  return true;
}

bool KitTryStrToDateTime(const TKitString& S, TDateTime& Value) {
  const TKitString s = KitTrim(S);
  const size_t blank = s.find(u' ');
  TDateTime date, time = 0;
  if (!KitTryStrToDate(s.substr(0, blank), date)) return false;
  if (blank != TKitString::npos && !KitTryStrToTime(s.substr(blank + 1), time)) return false;
  Value = date + (date < 0 ? -time : time);
  return true;
}

// ---------------------------------------------------------------------------------------

TKitIniFile::TKitIniFile(const TKitString& FileName) : FIni(std::make_unique<TIniFile>(U8(FileName))) {}
TKitIniFile::TKitIniFile(std::unique_ptr<TIniFile> Ini) : FIni(std::move(Ini)) {}
TKitIniFile::~TKitIniFile() = default;

std::string TKitIniFile::Sec(const TKitString& Section) const { return U8(Section); }

TKitString TKitIniFile::FileName() const { return U16(FIni->FileName()); }

TKitString TKitIniFile::ReadString(const TKitString& Section, const TKitString& Ident, const TKitString& Default) {
  return U16(FIni->ReadString(Sec(Section), U8(Ident), U8(Default)));
}

void TKitIniFile::WriteString(const TKitString& Section, const TKitString& Ident, const TKitString& Value) {
  FIni->WriteString(Sec(Section), U8(Ident), U8(Value));
}

int32_t TKitIniFile::ReadInteger(const TKitString& Section, const TKitString& Ident, int32_t Default) {
  return FIni->ReadInteger(Sec(Section), U8(Ident), Default);
}

void TKitIniFile::WriteInteger(const TKitString& Section, const TKitString& Ident, int32_t Value) {
  FIni->WriteInteger(Sec(Section), U8(Ident), Value);
}

bool TKitIniFile::ReadBool(const TKitString& Section, const TKitString& Ident, bool Default) {
  return FIni->ReadBool(Sec(Section), U8(Ident), Default);
}

void TKitIniFile::WriteBool(const TKitString& Section, const TKitString& Ident, bool Value) {
  FIni->WriteBool(Sec(Section), U8(Ident), Value);
}

void TKitIniFile::ReadSection(const TKitString& Section, TKitStringList& Strings) {
  ToList(FIni->ReadSection(Sec(Section)), Strings);
}

void TKitIniFile::ReadSections(TKitStringList& Strings) { ToList(FIni->ReadSections(), Strings); }

void TKitIniFile::ReadSectionValues(const TKitString& Section, TKitStringList& Strings) {
  ToList(FIni->ReadSectionValues(Sec(Section)), Strings);
}

void TKitIniFile::DeleteKey(const TKitString& Section, const TKitString& Ident) {
  FIni->DeleteKey(Sec(Section), U8(Ident));
}

void TKitIniFile::EraseSection(const TKitString& Section) { FIni->EraseSection(Sec(Section)); }

bool TKitIniFile::SectionExists(const TKitString& Section) { return FIni->SectionExists(Sec(Section)); }

bool TKitIniFile::ValueExists(const TKitString& Section, const TKitString& Ident) {
  return FIni->ValueExists(Sec(Section), U8(Ident));
}

// ---------------------------------------------------------------------------------------

TKitRegIniFile::TKitRegIniFile(TKitRegRootKey Root, const TKitString& RemoteComputer, const TKitString& KeyPath,
                               bool ReadOnly)
    : TKitIniFile(RegistryFileName()), FKitFileName(KeyPath), FRemoteComputer(RemoteComputer), FReadOnly(ReadOnly) {
  TKitString key = TKitString(KitRegRootName(Root)) + u'\\' + KitExcludeTrailingBackslash(KeyPath);
  FKey = U8(KitExcludeTrailingBackslash(key));
}

TKitString TKitRegIniFile::RegistryFileName() { return KitGetSpecialPath(ppWindows, true) + u"Registry.ini"; }

std::string TKitRegIniFile::Sec(const TKitString& Section) const {
  return Section.empty() ? FKey : FKey + '\\' + U8(Section);
}

void TKitRegIniFile::ReadSections(TKitStringList& Strings) {
  Strings.clear();
  const std::string prefix = FKey + '\\';
  std::vector<std::string> names;
  for (const std::string& s : Ini().ReadSections()) {
    if (s.size() <= prefix.size() || !SameText(s.substr(0, prefix.size()), prefix)) continue;
    const std::string name = s.substr(prefix.size(), s.find('\\', prefix.size()) - prefix.size());
    bool known = false;
    for (const std::string& n : names) known = known || SameText(n, name);
    if (!known) names.push_back(name);
  }
  ToList(names, Strings);
}

void TKitRegIniFile::EraseSection(const TKitString& Section) {
  const std::string key = Sec(Section), below = key + '\\';
  for (const std::string& s : Ini().ReadSections())
    if (SameText(s, key) || (s.size() > below.size() && SameText(s.substr(0, below.size()), below)))
      Ini().EraseSection(s);
}

bool TKitRegIniFile::SectionExists(const TKitString& Section) {
  const std::string key = Sec(Section), below = key + '\\';
  for (const std::string& s : Ini().ReadSections())
    if (SameText(s, key) || (s.size() > below.size() && SameText(s.substr(0, below.size()), below))) return true;
  return false;
}

// ---------------------------------------------------------------------------------------

TKitMemIniFile::TKitMemIniFile(const TKitString& FileName)
    : TKitIniFile(std::make_unique<TIniFile>(U8(FileName), true)) {}

void TKitMemIniFile::LoadFromStream(TKitStream& Stream) {
  const int64_t count = std::max<int64_t>(Stream.Size() - Stream.Position(), 0);
  const std::string text = KitStreamReadAnsiString(Stream, count);
  std::vector<std::string> lines;
  for (size_t at = 0; at < text.size();) {
    size_t eol = text.find('\n', at);
    if (eol == std::string::npos) eol = text.size();
    lines.push_back(text.substr(at, eol - at));
    at = eol + 1;
  }
  Ini().SetLines(lines);
}

void TKitMemIniFile::GetStrings(TKitStringList& Lines) { ToList(Ini().GetLines(), Lines); }

void TKitMemIniFile::SetStrings(const TKitStringList& Lines) {
  std::vector<std::string> lines;
  for (const TKitString& l : Lines) lines.push_back(U8(l));
  Ini().SetLines(lines);
}

void TKitMemIniFile::RenameSection(const TKitString& Old, const TKitString& New) {
  TKitStringList lines;
  GetStrings(lines);
  for (TKitString& l : lines) {
    if (l == u"[" + Old + u"]") {
      l = u"[" + New + u"]";
      SetStrings(lines);
      return;
    }
  }
}

void TKitMemIniFile::Normalize(const TKitString& CommentToken, bool TrimValue) {
  TKitStringList lines;
  GetStrings(lines);
  auto cut = [&CommentToken](const TKitString& S) {
    const size_t at = CommentToken.empty() ? TKitString::npos : S.find(CommentToken);
    return at == TKitString::npos ? S : S.substr(0, at);
  };
  for (TKitString& l : lines) {
    const size_t eq = l.find(u'=');
    if (eq == TKitString::npos) {
      if (!CommentToken.empty() && l.find(CommentToken) != TKitString::npos) l = KitTrim(cut(l));
    } else {
      const TKitString value = cut(l.substr(eq + 1));
      l = KitTrim(l.substr(0, eq)) + u'=' + (TrimValue ? KitTrim(value) : value);
    }
  }
  SetStrings(lines);
}

void TKitMemIniFile::Clear() { Ini().SetLines({}); }

void TKitMemIniFile::UpdateFile() { Ini().UpdateFile(); }

void TKitMemIniFile::Rename(const TKitString& FileName, bool Reload) { Ini().Rename(U8(FileName), Reload); }

// ---------------------------------------------------------------------------------------

class TKitIniCtrl::TAccess {
 public:
  TAccess(TKitIniFile* Kept, std::unique_ptr<TKitIniFile> Made) : FKept(Kept), FMade(std::move(Made)) {}
  TKitIniFile* operator->() const { return FMade ? FMade.get() : FKept; }

 private:
  TKitIniFile* FKept;
  std::unique_ptr<TKitIniFile> FMade;
};

TKitIniCtrl::TKitIniCtrl(TObject* Owner) : TKitCustomComponent(Owner), FKey(DefaultKey) {}
TKitIniCtrl::~TKitIniCtrl() = default;

TKitIniCtrl::TAccess TKitIniCtrl::Open(bool ReadOnly) {
  switch (FTarget) {
    case itMemIniFile: return TAccess(FMemIniFile.get(), nullptr);
    case itIniFile: return TAccess(nullptr, std::make_unique<TKitIniFile>(GetIniName()));
    default: return TAccess(nullptr, std::make_unique<TKitRegIniFile>(FRootKey, FRemoteComputer, GetRegPath(), ReadOnly));
  }
}

void TKitIniCtrl::SetNetUser(bool Value) {
  FNetUser = Value;
  if (Value) FUser = GetNetUserName();
}

TKitString TKitIniCtrl::IniFile() {
  if (FIniFile.empty()) SetIniFile({});
  return FIniFile;
}

void TKitIniCtrl::SetIniFile(const TKitString& Value) {
  FIniFile = Value.empty() ? KitChangeFileExt(KitExeName(), u".INI") : Value;
  if (!KitHasFileExt(FIniFile)) FIniFile += u".INI";
  if (FTarget == itMemIniFile && FMemIniFile) FMemIniFile->Rename(GetIniName(), false);
}

void TKitIniCtrl::SetAlphaCounter(bool Value) {
  if (Value == FAlphaCounter) return;
  FAlphaCounter = Value;
  if (Value && FMaxEntries > 26) FMaxEntries = 26;
}

void TKitIniCtrl::SetMaxEntries(uint8_t Value) {
  if (FAlphaCounter && Value > 26) return;
  FMaxEntries = Value;
}

void TKitIniCtrl::SetTarget(TKitIniTarget Value) {
  if (Value == FHTarget) return;
  FHTarget = Value;
  FTarget = Value == itAuto ? itRegistry : Value;
  if (FTarget == itMemIniFile) {
    FMemIniFile = std::make_unique<TKitMemIniFile>(GetIniName());
  } else if (FMemIniFile) {
    FMemIniFile->Clear();
    FMemIniFile.reset();
  }
}

TKitString TKitIniCtrl::GetNetUserName() { return KitGetUserName(); }

TKitString TKitIniCtrl::EncodeString(const TKitString& Text) {
  switch (FCryptMode) {
    case icmKey: return StoreLineBreaks(KitAnsiToString(KitScrambleString(KitStringToAnsi(Text), FKey)));
    case icmTextKey: return KitEncodeSixBit(KitScrambleString(KitStringToAnsi(Text), FKey));
    case icmCustom: break;
  }
  TKitString t = Text;
  if (OnEncodeString) OnEncodeString(this, t);
  return t;
}

TKitString TKitIniCtrl::DecodeString(const TKitString& Text) {
  switch (FCryptMode) {
    case icmKey: return KitAnsiToString(KitUnscrambleString(KitStringToAnsi(RestoreLineBreaks(Text)), FKey));
    case icmTextKey: return KitAnsiToString(KitUnscrambleString(KitDecodeSixBit(Text), FKey));
    case icmCustom: break;
  }
  TKitString t = Text;
  if (OnDecodeString) OnDecodeString(this, t);
  return t;
}

TKitString TKitIniCtrl::GetIniName() {
  const TKitString file = IniFile();
  if (FIniPrefix == ppFixed) return file;
  return KitGetSpecialPath(FIniPrefix, true) + KitExtractFileName(file);
}

TKitString TKitIniCtrl::GetRegPath() {
  if (!KitIsBlank(FRegPath)) return KitIncludeTrailingBackslash(FRegPath);
  return KitApplication().GetDefaultRegPath();
}

TKitString TKitIniCtrl::GetSectionName(const TKitString& Section) {
  if (KitIsBlank(Section)) return FLastSection.empty() ? TKitString(u"Common") : FLastSection;
  TKitString name = Section;
  if (FTarget == itRegistry) {
    if (Section == u"#ROOT") name.clear();
  } else if (!FCommon) {
    name = (FNetUser ? GetNetUserName() : FUser) + u'.' + Section;
  }
  FLastSection = name;
  return name;
}

TKitString TKitIniCtrl::CounterText(int Counter) const {
  return FAlphaCounter ? TKitString(1, static_cast<char16_t>(u'A' + Counter)) : U16(std::to_string(Counter));
}

TKitString TKitIniCtrl::ReadString(const TKitString& Section, const TKitString& Ident, const TKitString& Default) {
  const TKitString section = GetSectionName(Section);
  if (!FCoded) return Open(true)->ReadString(section, Ident, Default);
  return DecodeString(Open(true)->ReadString(section, Ident, EncodeString(Default)));
}

void TKitIniCtrl::WriteString(const TKitString& Section, const TKitString& Ident, const TKitString& Value) {
  const TKitString section = GetSectionName(Section);
  Open(false)->WriteString(section, Ident, FCoded ? EncodeString(Value) : Value);
}

int32_t TKitIniCtrl::ReadInteger(const TKitString& Section, const TKitString& Ident, int32_t Default) {
  const TKitString section = GetSectionName(Section);
  return Open(true)->ReadInteger(section, Ident, Default);
}

void TKitIniCtrl::WriteInteger(const TKitString& Section, const TKitString& Ident, int32_t Value) {
  const TKitString section = GetSectionName(Section);
  Open(false)->WriteInteger(section, Ident, Value);
}

bool TKitIniCtrl::ReadBool(const TKitString& Section, const TKitString& Ident, bool Default) {
  const TKitString section = GetSectionName(Section);
  return Open(true)->ReadBool(section, Ident, Default);
}

void TKitIniCtrl::WriteBool(const TKitString& Section, const TKitString& Ident, bool Value) {
  const TKitString section = GetSectionName(Section);
  Open(false)->WriteBool(section, Ident, Value);
}

double TKitIniCtrl::ReadFloat(const TKitString& Section, const TKitString& Ident, double Default) {
  const std::string s = U8(KitTrim(ReadString(Section, Ident, {})));
  double v;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  return s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size() ? Default : v;
}

void TKitIniCtrl::WriteFloat(const TKitString& Section, const TKitString& Ident, double Value) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, Value);
  WriteString(Section, Ident, U16(std::string(buf, r.ptr)));
}

TDateTime TKitIniCtrl::ReadDate(const TKitString& Section, const TKitString& Ident, TDateTime Default) {
  TDateTime v;
  return KitTryStrToDate(WithDateSeparator(ReadString(Section, Ident, {})), v) ? v : Default;
}

TDateTime TKitIniCtrl::ReadTime(const TKitString& Section, const TKitString& Ident, TDateTime Default) {
  TDateTime v;
  return KitTryStrToTime(ReadString(Section, Ident, {}), v) ? v : Default;
}

TDateTime TKitIniCtrl::ReadDateTime(const TKitString& Section, const TKitString& Ident, TDateTime Default) {
  TDateTime v;
  return KitTryStrToDateTime(WithDateSeparator(ReadString(Section, Ident, {})), v) ? v : Default;
}

void TKitIniCtrl::WriteDate(const TKitString& Section, const TKitString& Ident, TDateTime Value) {
  WriteString(Section, Ident, KitDateToStr(Value));
}

void TKitIniCtrl::WriteTime(const TKitString& Section, const TKitString& Ident, TDateTime Value) {
  WriteString(Section, Ident, KitTimeToStr(Value));
}

void TKitIniCtrl::WriteDateTime(const TKitString& Section, const TKitString& Ident, TDateTime Value) {
  WriteString(Section, Ident, KitDateTimeToStr(Value));
}

TColor TKitIniCtrl::ReadColor(const TKitString& Section, const TKitString& Ident, TColor Default) {
  try {
    return KitStrToColor(ReadString(Section, Ident, KitColorToStr(Default)));
  } catch (const EConvertError&) {
    return Default;
  }
}

void TKitIniCtrl::WriteColor(const TKitString& Section, const TKitString& Ident, TColor Value) {
  WriteString(Section, Ident, KitColorToStr(Value));
}

bool TKitIniCtrl::ReadFont(const TKitString& Section, const TKitString& Ident, TKitFont& Font) {
  const TKitString s = ReadString(Section, Ident, {});
  if (s.empty()) return false;
  KitStrToFont(s, Font);
  return true;
}

void TKitIniCtrl::WriteFont(const TKitString& Section, const TKitString& Ident, const TKitFont& Font) {
  WriteString(Section, Ident, KitFontToStr(Font));
}

TKitPoint TKitIniCtrl::ReadPoint(const TKitString& Section, const TKitString& Ident, const TKitPoint& Default) {
  return KitStrToPoint(ReadString(Section, Ident, KitPointToStr(Default)));
}

void TKitIniCtrl::WritePoint(const TKitString& Section, const TKitString& Ident, const TKitPoint& Value) {
  WriteString(Section, Ident, KitPointToStr(Value));
}

TKitRect TKitIniCtrl::ReadRect(const TKitString& Section, const TKitString& Ident, const TKitRect& Default) {
  return KitStrToRect(ReadString(Section, Ident, KitRectToStr(Default)));
}

void TKitIniCtrl::WriteRect(const TKitString& Section, const TKitString& Ident, const TKitRect& Value) {
  WriteString(Section, Ident, KitRectToStr(Value));
}

void TKitIniCtrl::ReadStrings(const TKitString& Section, const TKitString& Prefix, TKitStringList& List) {
  ReadStringsExt(Section, Prefix, FMaxEntries, List);
}

void TKitIniCtrl::WriteStrings(const TKitString& Section, const TKitString& Prefix, const TKitStringList& List) {
  WriteStringsExt(Section, Prefix, FMaxEntries, List);
}

void TKitIniCtrl::ReadStringsExt(const TKitString& Section, const TKitString& Prefix, int Count,
                                 TKitStringList& List) {
  List.clear();
  const TKitString section = GetSectionName(Section);
  TAccess ini = Open(true);
  for (int i = 0; i < Count; ++i) {
    const TKitString v = ini->ReadString(section, Prefix + CounterText(i), {});
    if (v.empty()) break;
    List.push_back(FCoded ? DecodeString(v) : v);
  }
}

void TKitIniCtrl::WriteStringsExt(const TKitString& Section, const TKitString& Prefix, int Count,
                                  const TKitStringList& List) {
  const TKitString section = GetSectionName(Section);
  TAccess ini = Open(false);
  ini->EraseSection(section);
  const int n = std::min(Count, static_cast<int>(List.size()));
  for (int i = 0; i < n; ++i) {
    const TKitString& item = List[static_cast<size_t>(i)];
    ini->WriteString(section, Prefix + CounterText(i), FCoded ? EncodeString(item) : item);
  }
}

void TKitIniCtrl::ReadColorList(const TKitString& Section, TKitStringList& List) {
  Open(true)->ReadSectionValues(Section, List);
}

void TKitIniCtrl::WriteColorList(const TKitString& Section, const TKitStringList& List) {
  TAccess ini = Open(false);
  for (const TKitString& line : List)
    if (const size_t eq = line.find(u'='); eq != TKitString::npos)
      ini->WriteString(Section, line.substr(0, eq), line.substr(eq + 1));
}

void TKitIniCtrl::ReadSection(const TKitString& Section, TKitStringList& Strings) {
  const TKitString section = GetSectionName(Section);
  Open(true)->ReadSection(section, Strings);
}

void TKitIniCtrl::ReadSections(TKitStringList& Strings) { Open(true)->ReadSections(Strings); }

void TKitIniCtrl::ReadSectionValues(const TKitString& Section, TKitStringList& Strings) {
  const TKitString section = GetSectionName(Section);
  Open(true)->ReadSectionValues(section, Strings);
}

void TKitIniCtrl::DeleteKey(const TKitString& Section, const TKitString& Ident) {
  const TKitString section = GetSectionName(Section);
  Open(false)->DeleteKey(section, Ident);
}

void TKitIniCtrl::EraseSection(const TKitString& Section) {
  const TKitString section = GetSectionName(Section);
  Open(false)->EraseSection(section);
}

bool TKitIniCtrl::SectionExists(const TKitString& Section) {
  if (FTarget == itMemIniFile && !FMemIniFile) return false;
  return Open(false)->SectionExists(Section);
}

bool TKitIniCtrl::ValueExists(const TKitString& Section, const TKitString& Ident) {
  const TKitString section = GetSectionName(Section);
  return Open(true)->ValueExists(section, Ident);
}

void TKitIniCtrl::Load() {
  if (FTarget == itMemIniFile) FMemIniFile = std::make_unique<TKitMemIniFile>(GetIniName());
}

void TKitIniCtrl::Save() {
  if (FTarget == itMemIniFile && FMemIniFile) FMemIniFile->UpdateFile();
}

void TKitIniCtrl::Clear() {
  if (FMemIniFile) FMemIniFile->Clear();
}

}  // namespace zv

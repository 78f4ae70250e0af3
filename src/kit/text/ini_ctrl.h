// The component library's settings store: typed values under (section, ident) in an INI
// file, in the "registry", or in an INI held in memory. All three share foundation's INI
// model. The registry here is one INI file, "Registry.ini" in the settings folder, whose
// sections are key paths ("HKEY_CURRENT_USER\Software\...\View").
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "foundation/date_time.h"
#include "kit/text/component.h"
#include "kit/text/helpers.h"
#include "kit/text/kit_types.h"
#include "kit/text/stream.h"

namespace zv {

class TIniFile;

enum TKitIniTarget { itIniFile, itRegistry, itAuto, itMemIniFile };
enum TKitRegRootKey { rpClassesRoot, rpCurrentUser, rpLocalMachine, rpUsers, rpCurrentConfig, rpDynData };
enum TKitIniCryptMode { icmKey, icmTextKey, icmCustom };
using TKitIniCryptEvent = std::function<void(TObject* Sender, TKitString& Text)>;

// "HKEY_CLASSES_ROOT" .. "HKEY_DYN_DATA".
const char16_t* KitRegRootName(TKitRegRootKey Root);

// The text forms of dates and times in stored settings and in the log: "yyyy-mm-dd",
// "hh:nn:ss", and the two with a blank between. The readers answer false for a text that
// is no such value.
constexpr char16_t KitDateSeparator = u'-';
TKitString KitDateToStr(TDateTime Value);
TKitString KitTimeToStr(TDateTime Value);
TKitString KitDateTimeToStr(TDateTime Value);
bool KitTryStrToDate(const TKitString& S, TDateTime& Value);
bool KitTryStrToTime(const TKitString& S, TDateTime& Value);
bool KitTryStrToDateTime(const TKitString& S, TDateTime& Value);

// One INI model seen through UTF-16 names. Missing values give the default.
class TKitIniFile : public TObject {
 public:
  explicit TKitIniFile(const TKitString& FileName);
  ~TKitIniFile() override;
  TKitIniFile(const TKitIniFile&) = delete;
  TKitIniFile& operator=(const TKitIniFile&) = delete;

  TKitString FileName() const;
  TKitString ReadString(const TKitString& Section, const TKitString& Ident, const TKitString& Default);
  void WriteString(const TKitString& Section, const TKitString& Ident, const TKitString& Value);
  int32_t ReadInteger(const TKitString& Section, const TKitString& Ident, int32_t Default);
  void WriteInteger(const TKitString& Section, const TKitString& Ident, int32_t Value);
  bool ReadBool(const TKitString& Section, const TKitString& Ident, bool Default);
  void WriteBool(const TKitString& Section, const TKitString& Ident, bool Value);
  // The idents of a section, the sections, and a section's "ident=value" lines.
  void ReadSection(const TKitString& Section, TKitStringList& Strings);
  virtual void ReadSections(TKitStringList& Strings);
  void ReadSectionValues(const TKitString& Section, TKitStringList& Strings);
  void DeleteKey(const TKitString& Section, const TKitString& Ident);
  virtual void EraseSection(const TKitString& Section);
  virtual bool SectionExists(const TKitString& Section);
  bool ValueExists(const TKitString& Section, const TKitString& Ident);

 protected:
  explicit TKitIniFile(std::unique_ptr<TIniFile> Ini);
  // The model's name of a section.
  virtual std::string Sec(const TKitString& Section) const;
  TIniFile& Ini() { return *FIni; }

 private:
  std::unique_ptr<TIniFile> FIni;
};

// A registry key (FileName is its path under the root) and its subkeys, which are the
// sections; the key itself is the empty section.
class TKitRegIniFile : public TKitIniFile {
 public:
  // The remote computer is kept, not used; read-only opens never create anything anyway.
  TKitRegIniFile(TKitRegRootKey Root, const TKitString& RemoteComputer, const TKitString& KeyPath, bool ReadOnly);
  const TKitString& KeyPath() const { return FKitFileName; }
  // The store behind every key.
  static TKitString RegistryFileName();

  // The names of the subkeys.
  void ReadSections(TKitStringList& Strings) override;
  // A subkey is erased with every key below it.
  void EraseSection(const TKitString& Section) override;
  // Whether the subkey exists (it may hold only keys).
  bool SectionExists(const TKitString& Section) override;

 protected:
  std::string Sec(const TKitString& Section) const override;

 private:
  TKitString FKitFileName;
  TKitString FRemoteComputer;
  std::string FKey;  // root and path, without a trailing '\'
  bool FReadOnly;
};

// An INI held in memory: read from its file when made, written back by UpdateFile.
class TKitMemIniFile : public TKitIniFile {
 public:
  explicit TKitMemIniFile(const TKitString& FileName);

  // The content becomes the lines of the rest of the stream (UTF-8).
  void LoadFromStream(TKitStream& Stream);
  // Replaces the header line "[Old]" by "[New]"; nothing when there is no such line.
  void RenameSection(const TKitString& Old, const TKitString& New);
  // Every line loses its comment (from CommentToken on) and blanks around names; values
  // are trimmed when TrimValue.
  void Normalize(const TKitString& CommentToken, bool TrimValue);
  void Clear();
  void UpdateFile();
  void Rename(const TKitString& FileName, bool Reload);
  void GetStrings(TKitStringList& Lines);
  void SetStrings(const TKitStringList& Lines);
};

class TKitIniCtrl : public TKitCustomComponent {
 public:
  explicit TKitIniCtrl(TObject* Owner = nullptr);
  ~TKitIniCtrl() override;

  bool Common() const { return FCommon; }
  void SetCommon(bool Value) { FCommon = Value; }
  bool NetUser() const { return FNetUser; }
  void SetNetUser(bool Value);
  // By default the executable's name with ".INI"; a name without extension gets ".INI".
  TKitString IniFile();
  void SetIniFile(const TKitString& Value);
  const TKitString& Section() const { return FLastSection; }
  void SetSection(const TKitString& Value) { FLastSection = GetSectionName(Value); }
  const TKitString& User() const { return FUser; }
  void SetUser(const TKitString& Value) { FUser = Value; }
  TKitPathPrefix IniPrefix() const { return FIniPrefix; }
  void SetIniPrefix(TKitPathPrefix Value) { FIniPrefix = Value; }
  TKitMemIniFile* MemIniFile() const { return FMemIniFile.get(); }
  TKitRegRootKey RegRoot() const { return FRootKey; }
  void SetRegRoot(TKitRegRootKey Value) { FRootKey = Value; }
  const TKitString& RegPath() const { return FRegPath; }
  void SetRegPath(const TKitString& Value) { FRegPath = Value; }
  bool AlphaCounter() const { return FAlphaCounter; }
  void SetAlphaCounter(bool Value);
  uint8_t MaxEntries() const { return FMaxEntries; }
  // Refused above 26 while AlphaCounter is set.
  void SetMaxEntries(uint8_t Value);
  // As set; itAuto works as itRegistry.
  TKitIniTarget Target() const { return FHTarget; }
  TKitIniTarget EffectiveTarget() const { return FTarget; }
  void SetTarget(TKitIniTarget Value);
  uint16_t EncKey() const { return FKey; }
  void SetEncKey(uint16_t Value) { FKey = Value; }
  bool Encoded() const { return FCoded; }
  void SetEncoded(bool Value) { FCoded = Value; }
  TKitIniCryptMode CryptMode() const { return FCryptMode; }
  void SetCryptMode(TKitIniCryptMode Value) { FCryptMode = Value; }
  TKitIniCryptEvent OnEncodeString, OnDecodeString;

  virtual TKitString GetNetUserName();
  virtual TKitString EncodeString(const TKitString& Text);
  virtual TKitString DecodeString(const TKitString& Text);

  TKitString GetIniName();
  // RegPath with a trailing '\', else the application's default path.
  TKitString GetRegPath();
  // A blank section is the last one used ("Common" at first); INI sections are per user
  // unless Common; the registry's "#ROOT" is the key itself.
  TKitString GetSectionName(const TKitString& Section);

  TKitString ReadString(const TKitString& Section, const TKitString& Ident, const TKitString& Default);
  void WriteString(const TKitString& Section, const TKitString& Ident, const TKitString& Value);
  int32_t ReadInteger(const TKitString& Section, const TKitString& Ident, int32_t Default);
  void WriteInteger(const TKitString& Section, const TKitString& Ident, int32_t Value);
  bool ReadBool(const TKitString& Section, const TKitString& Ident, bool Default);
  void WriteBool(const TKitString& Section, const TKitString& Ident, bool Value);
  double ReadFloat(const TKitString& Section, const TKitString& Ident, double Default);
  void WriteFloat(const TKitString& Section, const TKitString& Ident, double Value);
  TDateTime ReadDate(const TKitString& Section, const TKitString& Ident, TDateTime Default);
  TDateTime ReadTime(const TKitString& Section, const TKitString& Ident, TDateTime Default);
  TDateTime ReadDateTime(const TKitString& Section, const TKitString& Ident, TDateTime Default);
  void WriteDate(const TKitString& Section, const TKitString& Ident, TDateTime Value);
  void WriteTime(const TKitString& Section, const TKitString& Ident, TDateTime Value);
  void WriteDateTime(const TKitString& Section, const TKitString& Ident, TDateTime Value);
  TColor ReadColor(const TKitString& Section, const TKitString& Ident, TColor Default);
  void WriteColor(const TKitString& Section, const TKitString& Ident, TColor Value);
  // False, and Font unchanged, when nothing is stored.
  bool ReadFont(const TKitString& Section, const TKitString& Ident, TKitFont& Font);
  void WriteFont(const TKitString& Section, const TKitString& Ident, const TKitFont& Font);
  TKitPoint ReadPoint(const TKitString& Section, const TKitString& Ident, const TKitPoint& Default);
  void WritePoint(const TKitString& Section, const TKitString& Ident, const TKitPoint& Value);
  TKitRect ReadRect(const TKitString& Section, const TKitString& Ident, const TKitRect& Default);
  void WriteRect(const TKitString& Section, const TKitString& Ident, const TKitRect& Value);
  // Numbered entries Prefix + counter, MaxEntries of them at most; reading stops at the
  // first empty one, writing first erases the section.
  void ReadStrings(const TKitString& Section, const TKitString& Prefix, TKitStringList& List);
  void WriteStrings(const TKitString& Section, const TKitString& Prefix, const TKitStringList& List);
  void ReadStringsExt(const TKitString& Section, const TKitString& Prefix, int Count, TKitStringList& List);
  void WriteStringsExt(const TKitString& Section, const TKitString& Prefix, int Count, const TKitStringList& List);
  // The section's "name=value" lines as they are (the section is not mapped).
  void ReadColorList(const TKitString& Section, TKitStringList& List);
  void WriteColorList(const TKitString& Section, const TKitStringList& List);
  void ReadSection(const TKitString& Section, TKitStringList& Strings);
  void ReadSections(TKitStringList& Strings);
  void ReadSectionValues(const TKitString& Section, TKitStringList& Strings);
  void DeleteKey(const TKitString& Section, const TKitString& Ident);
  void EraseSection(const TKitString& Section);
  // The section is not mapped.
  bool SectionExists(const TKitString& Section);
  bool ValueExists(const TKitString& Section, const TKitString& Ident);
  // Memory target only: read again from the INI name, write to it, empty it.
  void Load();
  void Save();
  void Clear();

  // "A" + counter with AlphaCounter, else the decimal counter.
  TKitString CounterText(int Counter) const;

 private:
  // The back-end for one call: the kept memory INI, or one made for the call.
  class TAccess;
  TAccess Open(bool ReadOnly);

  bool FCommon = true;
  bool FNetUser = false;
  TKitString FIniFile;
  TKitString FLastSection;
  TKitString FUser;
  TKitPathPrefix FIniPrefix = ppWindows;
  std::unique_ptr<TKitMemIniFile> FMemIniFile;
  TKitRegRootKey FRootKey = rpCurrentUser;
  TKitString FRemoteComputer;
  TKitString FRegPath;
  bool FAlphaCounter = false;
  uint8_t FMaxEntries = 16;
  TKitIniTarget FTarget = itRegistry;
  TKitIniTarget FHTarget = itAuto;
  uint16_t FKey;
  bool FCoded = false;
  TKitIniCryptMode FCryptMode = icmKey;
};

}  // namespace zv

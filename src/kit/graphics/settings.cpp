#include "kit/graphics/settings.h"

#include <mutex>
#include <utility>

#include "foundation/errors.h"
#include "kit/graphics/alpha_effects.h"
#include "kit/graphics/bevel.h"
#include "kit/graphics/captions.h"
#include "kit/graphics/shape_fill.h"

namespace zv {

void TKitSettingObject::Assign(const TKitSettingObject* Source) {
  throw EConvertError(Format("Cannot assign a %s to a %s", Source ? Source->ClassName() : "nil", ClassName()));
}

void TKitColorObject::SetColor(TColor Value) {
  if (Value == FColor) return;
  FColor = Value;
  Change();
}

void TKitColorObject::Assign(const TKitSettingObject* Source) {
  if (Source == this) return;
  if (const auto* src = dynamic_cast<const TKitColorObject*>(Source)) {
    FColor = src->FColor;
    Change();
    return;
  }
  TKitSettingObject::Assign(Source);
}

bool TKitCtlSettings::GetBool(int Index) const {
  if (Index == 0) return FTransparent;
  if (Index == 1) return FCtlXP;
  return false;
}

void TKitCtlSettings::SetBool(int Index, bool Value) {
  bool* field = Index == 0 ? &FTransparent : Index == 1 ? &FCtlXP : nullptr;
  if (field == nullptr || *field == Value) return;
  *field = Value;
  Change();
}

void TKitCtlSettings::Assign(const TKitSettingObject* Source) {
  if (Source == this) return;
  if (const auto* src = dynamic_cast<const TKitCtlSettings*>(Source)) {
    FTransparent = src->FTransparent;
    FCtlXP = src->FCtlXP;
    Change();
    return;
  }
  TKitSettingObject::Assign(Source);
}

TKitString TKitCtlSettings::GetSetStr() const {
  return KitAsciiToString(std::string("Transp.: ") + (FTransparent ? "True" : "False") + ", CtlXP: " +
                          (FCtlXP ? "True" : "False"));
}

void TKitStyleObject::SetStyleName(const TKitString& Value) {
  if (Value == FStyleName) return;
  FStyleName = Value;
  Change();
}

void TKitStyleObject::Assign(const TKitSettingObject* Source) {
  if (Source == this) return;
  if (const auto* src = dynamic_cast<const TKitStyleObject*>(Source)) {
    FStyleName = src->FStyleName;
    Change();
    return;
  }
  TKitSettingObject::Assign(Source);
}

namespace {

struct TClassEntry {
  std::string Name;
  TKitClassFactory Make;
  TKitSettingClassFactory MakeSetting;  // empty for other classes
};

struct TClassRegistry {
  std::mutex Lock;
  std::vector<TClassEntry> Classes;
};

template <class T>
TKitSettingClassFactory FactoryOf() {
  return [](TObject* Owner) -> TKitSettingObject* { return new T(Owner); };
}

TClassEntry SettingEntry(const std::string& Name, TKitSettingClassFactory Factory) {
  TKitClassFactory make = [Factory](TObject* Owner) -> TObject* { return Factory(Owner); };
  return {Name, std::move(make), std::move(Factory)};
}

TClassRegistry& Registry() {
  // The setting classes in their order of registration, the font among them.
  static TClassRegistry* registry = [] {
    auto* r = new TClassRegistry;
    r->Classes = {SettingEntry("TKitBevel", FactoryOf<TKitBevel>()),
                  SettingEntry("TKit3DCaption", FactoryOf<TKit3DCaption>()),
                  SettingEntry("TKitFxCaption", FactoryOf<TKitFxCaption>()),
                  SettingEntry("TKitFillObject", FactoryOf<TKitFillObject>()),
                  {"TFont", [](TObject* Owner) -> TObject* { return new TFont(Owner); }, {}},
                  SettingEntry("TKitBitmapEffectObject", FactoryOf<TKitBitmapEffectObject>()),
                  SettingEntry("TKitColorObject", FactoryOf<TKitColorObject>()),
                  SettingEntry("TKitCtlSettings", FactoryOf<TKitCtlSettings>()),
                  SettingEntry("TKitStyleObject", FactoryOf<TKitStyleObject>())};
    return r;
  }();
  return *registry;
}

void Register(TClassEntry Entry) {
  TClassRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.Lock);
  for (auto& entry : r.Classes)
    if (entry.Name == Entry.Name) {
      entry = std::move(Entry);
      return;
    }
  r.Classes.push_back(std::move(Entry));
}

template <class F>
F Find(const std::string& Name, F TClassEntry::*Field) {
  TClassRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.Lock);
  for (const auto& entry : r.Classes)
    if (entry.Name == Name) return entry.*Field;
  return {};
}

}  // namespace

void KitRegisterClass(const std::string& Name, TKitSettingClassFactory Factory) {
  Register(SettingEntry(Name, std::move(Factory)));
}

void KitRegisterObjectClass(const std::string& Name, TKitClassFactory Factory) {
  Register({Name, std::move(Factory), {}});
}

TKitSettingClassFactory KitFindClass(const std::string& Name) { return Find(Name, &TClassEntry::MakeSetting); }

TKitClassFactory KitFindObjectClass(const std::string& Name) { return Find(Name, &TClassEntry::Make); }

std::vector<std::string> KitRegisteredClassNames() {
  TClassRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.Lock);
  std::vector<std::string> names;
  for (const auto& entry : r.Classes) names.push_back(entry.Name);
  return names;
}

const char* const KitControlStateNames[KitControlStateCount] = {"Focused",  "MouseAbove", "Down",    "Modified",
                                                                "ReadOnly", "WrongData",  "Disabled"};
const char* const KitControlStateSuffixes[KitControlStateCount] = {
    ".focused", ".hot", ".pressed", ".modified", ".readonly", ".wrongdata", ".disabled"};

const TKitStateList& KitStateList() {
  static const TKitStateList list = {
      {{0, 0, 0, 0, 0, 0, 1}, u"Disabled"}, {{0, 0, 0, 0, 0, 1, 2}, u"Error"},
      {{1, 0, 0, 0, 0, 2, 2}, u"Focused"},  {{2, 0, 0, 0, 1, 2, 2}, u"ReadOnly"},
      {{2, 1, 0, 0, 2, 2, 2}, u"Hot"},      {{2, 2, 1, 0, 2, 2, 2}, u"Pressed"},
      {{2, 2, 2, 1, 2, 2, 2}, u"Modified"}, {{2, 2, 2, 2, 2, 2, 2}, u"Normal"},
  };
  return list;
}

const TKitPrintMacro KitPrintMacros[3] = {
    {"[Page]", "Current page"}, {"[PagesCount]", "Total pages"}, {"[Title]", "Document title"}};
const char* const KitPageSetupDialogName = "KitPAGESETUPDLG";
const char* const KitPrintPreviewCaptions[18] = {
    "Print",       "Print setup", "Page settings", "Save page",    "Scale to 100%", "Text width",
    "Whole Page",  "Two pages",   "Multiple pages", "Zoom out",    "Zoom in",       "To first page",
    "To prev page", "To next page", "To last page", "Page number", "Scale",         "Close"};

const char* const KitClipboardFormatNames[16] = {
    "TEXT",    "BITMAP", "METAFILEPICT", "SYLK", "DIF",         "TIFF",        "OEMTEXT", "DIB",
    "PALETTE", "PENDATA", "RIFF",        "WAVE", "UNICODETEXT", "ENHMETAFILE", "HDROP",   "LOCALE"};
const char* const KitNameTable[3] = {"", "nbsWin31", "nbsWin40"};

}  // namespace zv

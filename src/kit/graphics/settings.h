// The small setting objects that controls embed as sub-properties, their registration by
// class name for stored forms, and the constant tables of the graphics units.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "kit/graphics/graphics_types.h"
#include "kit/text/component.h"

namespace zv {

// Base of the graphics setting objects: a class name for stored forms and messages, and the
// assignment that refuses what it does not know ("Cannot assign a %s to a %s").
class TKitSettingObject : public TKitObject {
 public:
  using TKitObject::TKitObject;
  virtual const char* ClassName() const = 0;
  // Descendants copy from sources they know and pass anything else here.
  virtual void Assign(const TKitSettingObject* Source);

 protected:
  // Stores a different value and notifies; an equal value changes nothing.
  template <class T>
  void Store(T& Field, T Value) {
    if (Field == Value) return;
    Field = Value;
    Change();
  }
};

class TKitColorObject : public TKitSettingObject {
 public:
  using TKitSettingObject::TKitSettingObject;
  const char* ClassName() const override { return "TKitColorObject"; }
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  void Assign(const TKitSettingObject* Source) override;
  TKitString GetSetStr() const override { return KitColorToStr(FColor); }

 private:
  TColor FColor = clBtnFace;
};

class TKitCtlSettings : public TKitSettingObject {
 public:
  using TKitSettingObject::TKitSettingObject;
  const char* ClassName() const override { return "TKitCtlSettings"; }
  // Index 0 is Transparent, 1 is CtlXP; any other index reads False and writes nothing.
  bool GetBool(int Index) const;
  void SetBool(int Index, bool Value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value) { SetBool(0, Value); }
  bool CtlXP() const { return FCtlXP; }
  void SetCtlXP(bool Value) { SetBool(1, Value); }
  void Assign(const TKitSettingObject* Source) override;
  TKitString GetSetStr() const override;

 private:
  bool FTransparent = false;
  bool FCtlXP = true;
};

class TKitStyleObject : public TKitSettingObject {
 public:
  using TKitSettingObject::TKitSettingObject;
  const char* ClassName() const override { return "TKitStyleObject"; }
  const TKitString& StyleName() const { return FStyleName; }
  void SetStyleName(const TKitString& Value);
  void Assign(const TKitSettingObject* Source) override;
  TKitString GetSetStr() const override { return FStyleName; }

 private:
  TKitString FStyleName;
};

// The window library's font, as stored forms create it by name ("TFont"): the font of the
// settings store in an object.
class TFont : public TObject, public TKitFont {
 public:
  explicit TFont(TObject* /*Owner*/ = nullptr) {}
};

// Classes that stored forms create by name: the setting classes and the font, in their
// fixed order, and the item classes that each container class adds when its first
// container is made.
using TKitSettingClassFactory = std::function<TKitSettingObject*(TObject* Owner)>;
using TKitClassFactory = std::function<TObject*(TObject* Owner)>;
void KitRegisterClass(const std::string& Name, TKitSettingClassFactory Factory);
void KitRegisterObjectClass(const std::string& Name, TKitClassFactory Factory);
// The factory of a registered setting class, or an empty function.
TKitSettingClassFactory KitFindClass(const std::string& Name);
// The factory of any registered class, or an empty function.
TKitClassFactory KitFindObjectClass(const std::string& Name);
std::vector<std::string> KitRegisteredClassNames();

// Control states 0..6 and the state list: for each named state, one byte per control state.
constexpr int KitControlStateCount = 7;
extern const char* const KitControlStateNames[KitControlStateCount];
extern const char* const KitControlStateSuffixes[KitControlStateCount];
struct TKitStateEntry {
  uint8_t sl[KitControlStateCount];
  TKitString name;
};
using TKitStateList = std::vector<TKitStateEntry>;
const TKitStateList& KitStateList();

// Print-preview constants.
struct TKitPrintMacro {
  const char* Macro;
  const char* Description;
};
extern const TKitPrintMacro KitPrintMacros[3];
extern const char* const KitPageSetupDialogName;
extern const char* const KitPrintPreviewCaptions[18];

// The standard clipboard format names, format numbers 1..16 at indexes 0..15.
extern const char* const KitClipboardFormatNames[16];
extern const char* const KitNameTable[3];

}  // namespace zv

// The two plain containers: wave sounds and string lists, one per item.
//
// Wave item stream form: the item header, then always the wave's stream form (compressed
// when the item is, else with its 4-byte length); an item without sound writes the empty
// form. String item stream form: the item header, then, when there are lines, the text in
// the string-list encoding (compressed when the item is).
#pragma once
#include "kit/graphics/container.h"
#include "kit/graphics/wave.h"

namespace zv {

class TKitWaveListItem : public TKitListItem {
 public:
  explicit TKitWaveListItem(TObject* Owner = nullptr) : TKitListItem(Owner) {}
  const char* ClassName() const override { return "TKitWaveListItem"; }
  TKitWave& Wave() { return FWave; }
  const TKitWave& Wave() const { return FWave; }
  // Copies the sound.
  void SetWave(const TKitWave& Value) { FWave.Assign(&Value); }

  bool GetEmpty() const override { return FWave.Empty(); }
  uint8_t GetFlags() const override;
  void FreeData() override { FWave.FreeWave(); }
  void ReadData(TKitStream& Stream) override;
  void WriteData(TKitStream& Stream) override;
  void Assign(const TKitListItem* Source) override;

 private:
  TKitWave FWave;
};

class TKitWaveList : public TKitCustomContainer {
 public:
  explicit TKitWaveList(TObject* Owner = nullptr);
  const char* ClassName() const override { return "TKitWaveList"; }
  TKitWaveListItem* Items(int Index) const { return static_cast<TKitWaveListItem*>(GetItem(Index)); }
  TKitWaveListItem* ItemByName(const TKitString& Name) const {
    return static_cast<TKitWaveListItem*>(TKitCustomContainer::ItemByName(Name));
  }
};

class TKitStringListItem : public TKitListItem {
 public:
  explicit TKitStringListItem(TObject* Owner = nullptr) : TKitListItem(Owner) {}
  const char* ClassName() const override { return "TKitStringListItem"; }
  const TKitStringList& Items() const { return FStrList; }
  TKitStringList& Items() { return FStrList; }
  void SetItems(const TKitStringList& Value) { FStrList = Value; }

  bool GetEmpty() const override { return FStrList.empty(); }
  uint8_t GetFlags() const override;
  void FreeData() override { FStrList.clear(); }
  void ReadData(TKitStream& Stream) override;
  void WriteData(TKitStream& Stream) override;
  void Assign(const TKitListItem* Source) override;

 private:
  TKitStringList FStrList;
};

// The string-list container. TKitStringList names the library's list of strings, so the
// container class takes this name; its class name for stored forms is "TKitStringList".
class TKitStringListContainer : public TKitCustomContainer {
 public:
  explicit TKitStringListContainer(TObject* Owner = nullptr);
  const char* ClassName() const override { return "TKitStringList"; }
  TKitStringListItem* Items(int Index) const { return static_cast<TKitStringListItem*>(GetItem(Index)); }
  TKitStringListItem* ItemByName(const TKitString& Name) const {
    return static_cast<TKitStringListItem*>(TKitCustomContainer::ItemByName(Name));
  }
};

}  // namespace zv

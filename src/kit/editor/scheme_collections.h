// A document's syntax schemes and colour schemes: named XML texts in two collections, of
// which the document names one of each as active. Every change of an item or of a
// collection makes the document activate its schemes again, so the parser always holds
// the pair the names say.
#pragma once
#include <functional>
#include <memory>
#include <vector>

#include "kit/text/kit_types.h"

namespace zv {

class TKitEditDocument;
class TKitEditParserSchemeCollection;
class TKitEditParserSchemeCollectionItem;

// The XML text of one item, as lines.
class TKitEditParserSchemeStrings {
 public:
  explicit TKitEditParserSchemeStrings(TKitEditParserSchemeCollectionItem* AParent);
  TKitEditParserSchemeCollectionItem* Parent() const { return FParent; }
  const TKitStringList& Lines() const { return FLines; }
  void SetLines(const TKitStringList& ALines);
  // Every line followed by CR LF.
  TKitString Text() const;
  // Split at CR LF, LF or CR.
  void SetText(const TKitString& AText);
  // UTF-8 (with or without its byte-order mark) or else the ANSI code page.
  void LoadFromFile(const TKitString& AFileName);
  std::function<void()> OnChange;

 private:
  friend class TKitEditParserSchemeCollectionItem;
  friend class TKitEditParserSchemeCollection;
  TKitEditParserSchemeCollectionItem* FParent;
  TKitStringList FLines;
};

class TKitEditParserSchemeCollectionItem : public TObject {
 public:
  // Appends itself to the collection with the first free default name.
  explicit TKitEditParserSchemeCollectionItem(TKitEditParserSchemeCollection* ACollection);
  TKitEditParserSchemeCollection* Collection() const { return FCollection; }
  int Index() const;
  const TKitString& Name() const { return FName; }
  // Non-empty and unique in the collection (EKitEditDocError).
  void SetName(const TKitString& AValue);
  TKitString DisplayName() const;
  TKitEditParserSchemeStrings& Scheme() { return *FScheme; }
  const TKitEditParserSchemeStrings& Scheme() const { return *FScheme; }
  void SetScheme(const TKitEditParserSchemeStrings& AValue);
  // Takes the text and the name (without the uniqueness test) of a source whose text differs.
  void Assign(const TKitEditParserSchemeCollectionItem& ASource);

 private:
  friend class TKitEditParserSchemeCollection;
  void Changed();
  TKitEditParserSchemeCollection* FCollection;
  std::unique_ptr<TKitEditParserSchemeStrings> FScheme;
  TKitString FName;
};

class TKitEditParserSchemeCollection : public TObject {
 public:
  // Only a document makes its own collections, from its constructor.
  explicit TKitEditParserSchemeCollection(TKitEditDocument* ADoc);
  ~TKitEditParserSchemeCollection() override;
  TKitEditDocument* Parent() const { return FParent; }

  int Count() const { return static_cast<int>(FItems.size()); }
  TKitEditParserSchemeCollectionItem& Items(int AIndex) const { return *FItems[static_cast<size_t>(AIndex)]; }
  void SetItems(int AIndex, const TKitEditParserSchemeCollectionItem& AValue) { Items(AIndex).Assign(AValue); }
  TKitEditParserSchemeCollectionItem& Add();
  TKitEditParserSchemeCollectionItem& Insert(int AIndex);
  void Delete(int AIndex);
  void Clear();
  // The first item whose display name equals AName exactly, or none.
  TKitEditParserSchemeCollectionItem* FindItem(const TKitString& AName) const;
  // Replaces the items by copies of the source's.
  void Assign(const TKitEditParserSchemeCollection& ASource);
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  // One item per existing file, named after the file without its extensions.
  void LoadFromFiles(const TKitStringList& AFiles);
  // The files of the folder with the extension AFileExt (ignoring case).
  void LoadFromDirectory(const TKitString& ADir, const TKitString& AFileExt);

 private:
  friend class TKitEditParserSchemeCollectionItem;
  // An item (or, with none, the collection) changed.
  void Update(TKitEditParserSchemeCollectionItem* AItem);
  TKitEditParserSchemeCollectionItem& Added(std::unique_ptr<TKitEditParserSchemeCollectionItem> AItem, int AIndex);

  TKitEditDocument* FParent;
  std::vector<std::unique_ptr<TKitEditParserSchemeCollectionItem>> FItems;
  int FUpdateCount = 0;
  bool FUpdatePending = false;
  // Items being made are not yet in FItems.
  TKitEditParserSchemeCollectionItem* FAdding = nullptr;
};

}  // namespace zv

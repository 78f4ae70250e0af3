#include "kit/editor/scheme_collections.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "kit/editor/color_scheme.h"
#include "kit/editor/edit_document.h"
#include "kit/editor/parser_facade.h"
#include "kit/text/sys_info.h"
#include "kit/text/unicode.h"

namespace zv {

namespace {

TKitString Num(int N) {
  const std::string s = std::to_string(N);
  return TKitString(s.begin(), s.end());
}

}  // namespace

// ---- Scheme text --------------------------------------------------------------------------

TKitEditParserSchemeStrings::TKitEditParserSchemeStrings(TKitEditParserSchemeCollectionItem* AParent)
    : FParent(AParent) {
  ZV_ASSERT(AParent != nullptr);
}

void TKitEditParserSchemeStrings::SetLines(const TKitStringList& ALines) {
  FLines = ALines;
  if (OnChange) OnChange();
}

TKitString TKitEditParserSchemeStrings::Text() const {
  TKitString text;
  for (const TKitString& line : FLines) text += line + u"\r\n";
  return text;
}

void TKitEditParserSchemeStrings::SetText(const TKitString& AText) {
  TKitStringList lines;
  size_t start = 0, i = 0;
  while (i < AText.size()) {
    const char16_t c = AText[i];
    if (c != u'\r' && c != u'\n') {
      ++i;
      continue;
    }
    lines.push_back(AText.substr(start, i - start));
    i += (c == u'\r' && i + 1 < AText.size() && AText[i + 1] == u'\n') ? 2 : 1;
    start = i;
  }
  if (start < AText.size()) lines.push_back(AText.substr(start));
  SetLines(lines);
}

void TKitEditParserSchemeStrings::LoadFromFile(const TKitString& AFileName) {
  std::ifstream in(KitToPlatformText(AFileName), std::ios::binary);
  if (!in) KitDocError("Cannot open file %s", KitToPlatformText(AFileName).c_str());
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // The byte-order mark stays for the decoder: it is what says UTF-8 rather than ANSI.
  TKitString text;
  KitUTF8OrAnsiToString(bytes, text);
  SetText(text);
}

// ---- Item ---------------------------------------------------------------------------------

TKitEditParserSchemeCollectionItem::TKitEditParserSchemeCollectionItem(TKitEditParserSchemeCollection* ACollection)
    : FCollection(ACollection), FScheme(std::make_unique<TKitEditParserSchemeStrings>(this)) {
  FScheme->OnChange = [this] { Changed(); };
}

int TKitEditParserSchemeCollectionItem::Index() const {
  const auto& items = FCollection->FItems;
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i].get() == this) return static_cast<int>(i);
  return -1;
}

void TKitEditParserSchemeCollectionItem::Changed() { FCollection->Update(this); }

void TKitEditParserSchemeCollectionItem::SetName(const TKitString& AValue) {
  if (AValue == FName) return;
  const TKitEditParserSchemeCollectionItem* other = FCollection->FindItem(AValue);
  if (AValue.empty() || (other && other != this))
    KitDocError("Scheme collection item name should be nonempty and unique");
  FName = AValue;
  Changed();
}

TKitString TKitEditParserSchemeCollectionItem::DisplayName() const {
  return FName.empty() ? TKitString(u"TKitEditParserSchemeCollectionItem") : FName;
}

void TKitEditParserSchemeCollectionItem::SetScheme(const TKitEditParserSchemeStrings& AValue) {
  if (&AValue != FScheme.get()) FScheme->SetLines(AValue.Lines());
}

void TKitEditParserSchemeCollectionItem::Assign(const TKitEditParserSchemeCollectionItem& ASource) {
  if (&ASource == this || ASource.FScheme->Lines() == FScheme->Lines()) return;
  FName = ASource.FName;
  FScheme->FLines = ASource.FScheme->Lines();
  Changed();
}

// ---- Collection ---------------------------------------------------------------------------

TKitEditParserSchemeCollection::TKitEditParserSchemeCollection(TKitEditDocument* ADoc) : FParent(ADoc) {
  if (!ADoc || !ADoc->InsideConstructor()) KitDocError("This internal Document class should not be created manually.");
}

TKitEditParserSchemeCollection::~TKitEditParserSchemeCollection() = default;

TKitEditParserSchemeCollectionItem& TKitEditParserSchemeCollection::Added(
    std::unique_ptr<TKitEditParserSchemeCollectionItem> AItem, int AIndex) {
  const char16_t* kind = nullptr;
  if (this == &FParent->SyntaxSchemes())
    kind = u"Syntax";
  else if (this == &FParent->ColorSchemes())
    kind = u"Color";
  ZV_ASSERT(kind != nullptr);
  int n = AIndex;
  while (FindItem(TKitString(kind) + u"Scheme" + Num(n))) ++n;
  AItem->FName = TKitString(kind) + u"Scheme" + Num(n);
  TKitEditParserSchemeCollectionItem& item = *AItem;
  FItems.insert(FItems.begin() + AIndex, std::move(AItem));
  Update(nullptr);
  return item;
}

TKitEditParserSchemeCollectionItem& TKitEditParserSchemeCollection::Add() { return Insert(Count()); }

TKitEditParserSchemeCollectionItem& TKitEditParserSchemeCollection::Insert(int AIndex) {
  AIndex = std::clamp(AIndex, 0, Count());
  return Added(std::make_unique<TKitEditParserSchemeCollectionItem>(this), AIndex);
}

void TKitEditParserSchemeCollection::Delete(int AIndex) {
  if (!KitInRange(AIndex, 0, Count() - 1)) throw EListError(Format("List index out of bounds (%d)", AIndex));
  FItems.erase(FItems.begin() + AIndex);
  Update(nullptr);
}

void TKitEditParserSchemeCollection::Clear() {
  if (FItems.empty()) return;
  FItems.clear();
  Update(nullptr);
}

TKitEditParserSchemeCollectionItem* TKitEditParserSchemeCollection::FindItem(const TKitString& AName) const {
  for (const auto& item : FItems)
    if (item->DisplayName() == AName) return item.get();
  return nullptr;
}

void TKitEditParserSchemeCollection::Assign(const TKitEditParserSchemeCollection& ASource) {
  if (&ASource == this) return;
  BeginUpdate();
  try {
    FItems.clear();
    for (const auto& src : ASource.FItems) {
      auto item = std::make_unique<TKitEditParserSchemeCollectionItem>(this);
      item->FName = src->FName;
      item->FScheme->FLines = src->FScheme->Lines();
      FItems.push_back(std::move(item));
    }
    FUpdatePending = true;
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TKitEditParserSchemeCollection::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0 && FUpdatePending) {
    FUpdatePending = false;
    Update(nullptr);
  }
}

void TKitEditParserSchemeCollection::Update(TKitEditParserSchemeCollectionItem* AItem) {
  if (FUpdateCount > 0) {
    FUpdatePending = true;
    return;
  }
  FParent->SchemeCollectionChanged(*this, AItem != nullptr);
}

void TKitEditParserSchemeCollection::LoadFromFiles(const TKitStringList& AFiles) {
  BeginUpdate();
  try {
    Clear();
    for (const TKitString& file : AFiles) {
      const std::filesystem::path path(KitToPlatformText(file));
      std::error_code ec;
      if (!std::filesystem::is_regular_file(path, ec)) continue;
      TKitString name = KitFromPlatformText(path.stem().string());
      const size_t dot = name.rfind(u'.');
      if (dot != TKitString::npos && dot != 0) name.resize(dot);
      TKitEditParserSchemeCollectionItem& item = Add();
      try {
        item.SetName(name);
      } catch (...) {
        Delete(item.Index());
        throw;
      }
      item.Scheme().LoadFromFile(file);
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TKitEditParserSchemeCollection::LoadFromDirectory(const TKitString& ADir, const TKitString& AFileExt) {
  TKitStringList files;
  std::error_code ec;
  const TKitString ext = KitLowerCase(u"." + AFileExt);
  for (const auto& entry : std::filesystem::directory_iterator(KitToPlatformText(ADir), ec)) {
    std::error_code fec;
    if (entry.is_directory(fec)) continue;
    if (KitLowerCase(KitFromPlatformText(entry.path().extension().string())) == ext)
      files.push_back(KitFromPlatformText(entry.path().string()));
  }
  // The listing order of the platform is arbitrary; names in order keep loading repeatable.
  std::sort(files.begin(), files.end());
  LoadFromFiles(files);
}

}  // namespace zv

// ---- The document's side ------------------------------------------------------------------

namespace zv {

void TKitEditDocument::SchemeCollectionChanged(TKitEditParserSchemeCollection& ACollection, bool AItemChange) {
  if (!AItemChange) {
    if (&ACollection == FSyntaxSchemes.get() && !FSyntaxScheme.empty() && !ACollection.FindItem(FSyntaxScheme))
      FSyntaxScheme.clear();
    if (&ACollection == FColorSchemes.get() && !FColorScheme.empty() && !ACollection.FindItem(FColorScheme))
      FColorScheme.clear();
  }
  ActivateSchemes();
}

void TKitEditDocument::SetSyntaxSchemes(const TKitEditParserSchemeCollection& AValue) {
  FSyntaxSchemes->Assign(AValue);
}

void TKitEditDocument::SetColorSchemes(const TKitEditParserSchemeCollection& AValue) { FColorSchemes->Assign(AValue); }

void TKitEditDocument::SetActiveSyntaxScheme(const TKitString& AValue) {
  if (AValue == FSyntaxScheme) return;
  if (!AValue.empty() && !FSyntaxSchemes->FindItem(AValue))
    KitDocError("Can't find syntax scheme by name: %s", KitToPlatformText(AValue).c_str());
  FSyntaxScheme = AValue;
  ActivateSchemes();
}

void TKitEditDocument::SetActiveColorScheme(const TKitString& AValue) {
  if (AValue == FColorScheme) return;
  if (!AValue.empty() && !FColorSchemes->FindItem(AValue))
    KitDocError("Can't find color scheme by name: %s", KitToPlatformText(AValue).c_str());
  FColorScheme = AValue;
  ActivateSchemes();
}

void TKitEditDocument::InstallSchemeLoaders() {
  auto* parser = dynamic_cast<TKitEditParser*>(FParser.get());
  if (!parser) return;
  auto loader = [](TKitEditParserSchemeCollection& ACollection, const char* AMessage) {
    return [&ACollection, AMessage](const TKitString& AName) {
      const TKitEditParserSchemeCollectionItem* item = ACollection.FindItem(AName);
      if (!item) KitDocError("%s%s", AMessage, KitToPlatformText(AName).c_str());
      return item->Scheme().Text();
    };
  };
  parser->SetSchemeLoaders(loader(*FColorSchemes, "Can't find color scheme by name: "),
                           loader(*FSyntaxSchemes, "Can't find syntax scheme by name: "));
}

}  // namespace zv

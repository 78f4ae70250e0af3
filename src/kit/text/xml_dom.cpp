#include "kit/text/xml_dom.h"

#include <algorithm>

#include "foundation/misc.h"
#include "kit/text/strings.h"
#include "kit/text/sys_info.h"
#include "kit/text/unicode.h"

namespace zv {

namespace {

std::string Narrow(const TKitString& S) { return KitToPlatformText(S); }

[[noreturn]] void IndexOutOfRange() { throw Exception("Getting element error: Index is out of range"); }

// The non-empty texts of the element, text and CDATA children, joined by a blank.
TKitString JoinChildTexts(const TKitXmlNodeList& Children) {
  TKitString out;
  for (const IKitXmlNode& c : Children) {
    const TKitXmlNodeType t = c->NodeType();
    if (t != xntElement && t != xntText && t != xntCDATASection) continue;
    const TKitString text = c->Text();
    if (text.empty()) continue;
    if (!out.empty()) out += u' ';
    out += text;
  }
  return out;
}

bool HasLineBreak(const TKitString& S, size_t From) {
  for (size_t i = From; i < S.size(); ++i)
    if (S[i] == u'\r' || S[i] == u'\n') return true;
  return false;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Node lists

TKitXmlNodeList::~TKitXmlNodeList() = default;

void TKitXmlNodeList::CheckIndex(int Index) const {
  if (Index < 0 || Index >= Count()) IndexOutOfRange();
}

IKitXmlNode TKitXmlNodeList::Item(int Index) const {
  CheckIndex(Index);
  return FItems[static_cast<size_t>(Index)];
}

TKitString TKitXmlNodeList::Xml() const {
  TKitString out;
  for (const IKitXmlNode& n : FItems) out += n->Xml();
  return out;
}

int TKitXmlNodeList::IndexOf(const TKitXmlNode* Node) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].get() == Node) return static_cast<int>(i);
  return -1;
}

int TKitXmlNodeList::Adopt(const IKitXmlNode& Node, int Index) {
  if (!FOwnerNode) return Index;
  // A node inside its own subtree would make a cycle that is never freed.
  for (const TKitXmlNode* p = FOwnerNode; p; p = p->FParentNode)
    if (p == Node.get()) throw Exception("A node cannot be inserted into itself or its descendants");
  // A node has one parent: it leaves the list that held it.
  if (TKitXmlNode* parent = Node->FParentNode) {
    TKitXmlNodeList* from = parent->FChilds.get();
    if (const int i = from ? from->IndexOf(Node.get()) : -1; i >= 0) {
      from->FItems.erase(from->FItems.begin() + i);
      if (from == this && i < Index) --Index;
    }
    Node->FParentNode = nullptr;
  }
  if (Node->FNames != FOwnerNode->FNames) {
    std::vector<int32_t> map;
    Node->Remap(FOwnerNode->FNames, map);
  }
  Node->FParentNode = FOwnerNode;
  return Index;
}

void TKitXmlNodeList::Insert(const IKitXmlNode& Node, int Index) {
  if (!Node) return;
  const IKitXmlNode keep = Node;  // Node may refer into a list it is taken out of
  if (Index == -1) Index = Count();
  if (Index < 0 || Index > Count()) IndexOutOfRange();
  Index = Adopt(keep, Index);
  FItems.insert(FItems.begin() + Index, keep);
}

void TKitXmlNodeList::AppendNew(IKitXmlNode Node) {
  Node->FParentNode = FOwnerNode;
  FItems.push_back(std::move(Node));
}

void TKitXmlNodeList::Delete(int Index) {
  CheckIndex(Index);
  const IKitXmlNode node = FItems[static_cast<size_t>(Index)];
  FItems.erase(FItems.begin() + Index);
  if (FOwnerNode && node->FParentNode == FOwnerNode) node->FParentNode = nullptr;
}

int TKitXmlNodeList::Remove(const IKitXmlNode& Node) {
  const int i = IndexOf(Node.get());
  if (i >= 0) Delete(i);
  return i;
}

void TKitXmlNodeList::Replace(int Index, const IKitXmlNode& Node) {
  CheckIndex(Index);
  if (!Node || FItems[static_cast<size_t>(Index)] == Node) return;
  const IKitXmlNode keep = Node;
  Index = Adopt(keep, Index);
  IKitXmlNode old = std::move(FItems[static_cast<size_t>(Index)]);
  FItems[static_cast<size_t>(Index)] = keep;
  if (FOwnerNode && old->FParentNode == FOwnerNode) old->FParentNode = nullptr;
}

void TKitXmlNodeList::Clear() {
  if (FOwnerNode)
    for (const IKitXmlNode& n : FItems)
      if (n->FParentNode == FOwnerNode) n->FParentNode = nullptr;
  FItems.clear();
}

// ---------------------------------------------------------------------------------------
// Nodes

TKitXmlNode::TKitXmlNode(IKitXmlNameTable Names) : FNames(std::move(Names)) {}

TKitXmlNode::~TKitXmlNode() {
  // Children that outlive this node (held elsewhere) must not point back to it.
  if (FChilds) {
    for (const IKitXmlNode& n : FChilds->FItems)
      if (n->FParentNode == this) n->FParentNode = nullptr;
    FChilds->FOwnerNode = nullptr;
  }
}

TKitString TKitXmlNode::Xml() const {
  TKitString out;
  WriteXml(out, PreservesWhiteSpace(), 0);
  return out;
}

bool TKitXmlNode::PreservesWhiteSpace() const {
  for (const TKitXmlNode* p = this; p; p = p->FParentNode)
    if (p->NodeType() == xntDocument) return static_cast<const TKitXmlDocument*>(p)->PreserveWhiteSpace();
  return KitXmlDefaultPreserveWhiteSpace;
}

IKitXmlNode TKitXmlNode::ParentNode() const {
  if (!FParentNode) return nullptr;
  return std::static_pointer_cast<TKitXmlNode>(FParentNode->shared_from_this());
}

IKitXmlDocument TKitXmlNode::OwnerDocument() const {
  for (const TKitXmlNode* p = this; p; p = p->FParentNode)
    if (p->NodeType() == xntDocument)
      return std::static_pointer_cast<TKitXmlDocument>(std::const_pointer_cast<TKitXmlBase>(p->shared_from_this()));
  return nullptr;
}

const IKitXmlNodeList& TKitXmlNode::ChildNodes() const {
  if (!FChilds) FChilds = std::make_shared<TKitXmlNodeList>(const_cast<TKitXmlNode*>(this));
  return FChilds;
}

void TKitXmlNode::WriteChildrenXml(TKitString& Out, bool Preserve, int Level) const {
  if (!FChilds) return;
  for (const IKitXmlNode& n : FChilds->FItems) n->WriteXml(Out, Preserve, Level);
}

void TKitXmlNode::WriteAttrsXml(TKitString& Out) const {
  for (const TKitXmlAttrData& a : FAttrs) {
    Out += u' ';
    FNames->AppendName(Out, a.NameID);
    Out += u"=\"";
    if (a.Value.IsString())
      KitXmlEscapeTo(Out, a.Value.StrValue());
    else
      KitXmlEscapeTo(Out, KitXmlVariantToStr(a.Value));
    Out += u'"';
  }
}

void TKitXmlNode::CloneChildrenTo(TKitXmlNode& Target) const {
  if (!FChilds) return;
  for (const IKitXmlNode& n : FChilds->FItems) Target.ChildNodes()->AppendNew(n->CloneNode(true));
}

void TKitXmlNode::Remap(const IKitXmlNameTable& Names, std::vector<int32_t>& Map) {
  const IKitXmlNameTable old = FNames;
  if (old == Names) return;
  auto translate = [&](int32_t ID) {
    if (ID < 0) return ID;
    if (static_cast<size_t>(ID) >= Map.size()) Map.resize(static_cast<size_t>(ID) + 1, -2);
    int32_t& to = Map[static_cast<size_t>(ID)];
    if (to == -2) to = Names->GetID(old->GetName(ID));
    return to;
  };
  if (int32_t* own = OwnNameID()) *own = translate(*own);
  for (TKitXmlAttrData& a : FAttrs) a.NameID = translate(a.NameID);
  FNames = Names;
  if (!FChilds) return;
  for (const IKitXmlNode& n : FChilds->FItems) {
    if (n->FNames == old) {
      n->Remap(Names, Map);
    } else {
      std::vector<int32_t> own;
      n->Remap(Names, own);
    }
  }
}

IKitXmlNode TKitXmlNode::AppendChild(const IKitXmlNode& Node) {
  ChildNodes()->Insert(Node, -1);
  return Node;
}

IKitXmlNode TKitXmlNode::InsertBefore(const IKitXmlNode& Node, const IKitXmlNode& RefNode) {
  const IKitXmlNodeList& list = ChildNodes();
  list->Insert(Node, RefNode ? list->IndexOf(RefNode.get()) : -1);
  return Node;
}

IKitXmlNode TKitXmlNode::ReplaceChild(const IKitXmlNode& NewNode, const IKitXmlNode& OldNode) {
  const int i = FChilds ? FChilds->IndexOf(OldNode.get()) : -1;
  if (i < 0) return nullptr;
  const IKitXmlNode old = OldNode;
  FChilds->Replace(i, NewNode);
  return old;
}

int TKitXmlNode::RemoveChild(const IKitXmlNode& Node) { return FChilds ? FChilds->Remove(Node) : -1; }

IKitXmlElement TKitXmlNode::AddChildElement(int32_t NameID) {
  auto e = std::make_shared<TKitXmlElement>(FNames, NameID);
  AppendChild(e);
  return e;
}

IKitXmlElement TKitXmlNode::AddChildElement(const TKitString& Name) { return AddChildElement(IDOf(Name)); }

IKitXmlText TKitXmlNode::AddChildText(const TKitString& Text) {
  auto t = std::make_shared<TKitXmlText>(FNames, Text);
  AppendChild(t);
  return t;
}

IKitXmlCDATASection TKitXmlNode::AddChildCDATA(const TKitString& Data) {
  auto c = std::make_shared<TKitXmlCDATASection>(FNames, Data);
  AppendChild(c);
  return c;
}

IKitXmlComment TKitXmlNode::AddChildComment(const TKitString& Data) {
  auto c = std::make_shared<TKitXmlComment>(FNames, Data);
  AppendChild(c);
  return c;
}

IKitXmlProcessingInstruction TKitXmlNode::AddChildProcessingInstruction(int32_t TargetID, const TKitString& Data) {
  auto p = std::make_shared<TKitXmlProcessingInstruction>(FNames, TargetID, Data);
  AppendChild(p);
  return p;
}

IKitXmlProcessingInstruction TKitXmlNode::AddChildProcessingInstruction(const TKitString& Target,
                                                                        const TKitString& Data) {
  return AddChildProcessingInstruction(IDOf(Target), Data);
}

IKitXmlNode TKitXmlNode::FirstChild(int32_t NameID) const {
  if (FChilds)
    for (const IKitXmlNode& n : FChilds->FItems)
      if (n->NodeNameID() == NameID) return n;
  return nullptr;
}

IKitXmlNode TKitXmlNode::FirstChildElement(int32_t NameID) const {
  if (FChilds)
    for (const IKitXmlNode& n : FChilds->FItems)
      if (n->NodeType() == xntElement && n->NodeNameID() == NameID) return n;
  return nullptr;
}

TKitString TKitXmlNode::ReadChildText(int32_t NameID, const TKitString& Default) const {
  const IKitXmlNode n = FirstChild(NameID);
  return n ? n->Text() : Default;
}

TKitString TKitXmlNode::ReadChildText(const TKitString& Name, const TKitString& Default) const {
  return ReadChildText(IDOf(Name), Default);
}

void TKitXmlNode::WriteChildText(int32_t NameID, const TKitString& Text) {
  IKitXmlNode n = FirstChild(NameID);
  if (!n) n = AddChildElement(NameID);
  n->SetText(Text);
}

void TKitXmlNode::WriteChildText(const TKitString& Name, const TKitString& Text) { WriteChildText(IDOf(Name), Text); }

IKitXmlNode TKitXmlNode::RequireChild(int32_t NameID) const {
  IKitXmlNode n = FirstChild(NameID);
  if (!n) throw Exception(Format("Error: child element \"%s\" not found.", Narrow(FNames->GetName(NameID)).c_str()));
  return n;
}

IKitXmlNode TKitXmlNode::RequireChild(const TKitString& Name) const { return RequireChild(IDOf(Name)); }

IKitXmlNode TKitXmlNode::FindOrAddChild(int32_t NameID) {
  IKitXmlNode n = FirstChild(NameID);
  return n ? n : AddChildElement(NameID);
}

IKitXmlNode TKitXmlNode::FindOrAddChild(const TKitString& Name) { return FindOrAddChild(IDOf(Name)); }

void TKitXmlNode::ClearChildren() {
  if (FChilds) FChilds->Clear();
}

int32_t TKitXmlNode::QueryID(const TKitString& Name) const {
  if (!KitXmlIsName(Name)) throw Exception("This feature isn't implemented yet in KitXML");
  return IDOf(Name);
}

IKitXmlNodeList TKitXmlNode::SelectNodes(const TKitString& Name) const {
  const int32_t id = QueryID(Name);
  auto result = std::make_shared<TKitXmlNodeList>();
  if (FChilds)
    for (const IKitXmlNode& n : FChilds->FItems)
      if (n->NodeType() == xntElement && n->NodeNameID() == id) result->FItems.push_back(n);
  return result;
}

IKitXmlNode TKitXmlNode::SelectSingleNode(const TKitString& Name) const { return FirstChildElement(QueryID(Name)); }

IKitXmlNode TKitXmlNode::FindChildByAttr(const TKitString& Name, const TKitString& AttrName,
                                         const TKitXmlVariant& Value) const {
  if (!FChilds) return nullptr;
  const int32_t id = IDOf(Name);
  const int32_t attr = AttrName.empty() ? -1 : IDOf(AttrName);
  for (const IKitXmlNode& n : FChilds->FItems) {
    if (n->NodeType() != xntElement || n->NodeNameID() != id) continue;
    if (AttrName.empty()) return n;
    const int i = n->FindAttr(attr);
    if (i < 0) continue;
    try {
      if (KitXmlVarEquals(n->FAttrs[static_cast<size_t>(i)].Value, Value)) return n;
    } catch (const Exception&) {
      // a value that cannot be compared is unequal
    }
  }
  return nullptr;
}

IKitXmlNodeList TKitXmlNode::SelectNestedElements(const TKitString& Name) const {
  const int32_t id = IDOf(Name);
  auto result = std::make_shared<TKitXmlNodeList>();
  auto walk = [&](const TKitXmlNode& Node, auto& Self) -> void {
    if (!Node.FChilds) return;
    for (const IKitXmlNode& n : Node.FChilds->FItems) {
      if (n->NodeType() != xntElement || n->NodeNameID() != id) continue;
      result->FItems.push_back(n);
      Self(*n, Self);
    }
  };
  walk(*this, walk);
  return result;
}

// ---------------------------------------------------------------------------------------
// Attributes

int TKitXmlNode::FindAttr(int32_t NameID) const {
  for (size_t i = 0; i < FAttrs.size(); ++i)
    if (FAttrs[i].NameID == NameID) return static_cast<int>(i);
  return -1;
}

const TKitXmlAttrData& TKitXmlNode::AttrAt(int Index) const {
  if (Index < 0 || Index >= AttrCount()) throw EInvalidArgument(Format("Index out of bounds: %d", Index));
  return FAttrs[static_cast<size_t>(Index)];
}

int32_t TKitXmlNode::AttrNameIDAt(int Index) const { return AttrAt(Index).NameID; }
TKitString TKitXmlNode::AttrNameAt(int Index) const { return FNames->GetName(AttrAt(Index).NameID); }
TKitString TKitXmlNode::GetAttrAt(int Index) const { return KitXmlVariantToStr(AttrAt(Index).Value); }

void TKitXmlNode::SetAttrAt(int Index, const TKitString& Text) {
  AttrAt(Index);
  FAttrs[static_cast<size_t>(Index)].Value = Text;
}

void TKitXmlNode::DeleteAttr(int32_t NameID) {
  const int i = FindAttr(NameID);
  if (i >= 0) FAttrs.erase(FAttrs.begin() + i);
}

void TKitXmlNode::DeleteAttr(const TKitString& Name) { DeleteAttr(IDOf(Name)); }
bool TKitXmlNode::AttrExists(const TKitString& Name) const { return AttrExists(IDOf(Name)); }

TKitVarType TKitXmlNode::AttrValueType(int32_t NameID) const {
  const int i = FindAttr(NameID);
  return i < 0 ? varOleStr : FAttrs[static_cast<size_t>(i)].Value.VarType();
}

TKitVarType TKitXmlNode::AttrValueType(const TKitString& Name) const { return AttrValueType(IDOf(Name)); }

TKitXmlVariant TKitXmlNode::GetAttrValue(int32_t NameID, const TKitXmlVariant& Default) const {
  const int i = FindAttr(NameID);
  return i < 0 ? Default : FAttrs[static_cast<size_t>(i)].Value;
}

TKitXmlVariant TKitXmlNode::GetAttrValue(const TKitString& Name, const TKitXmlVariant& Default) const {
  return GetAttrValue(IDOf(Name), Default);
}

void TKitXmlNode::SetAttrValue(int32_t NameID, const TKitXmlVariant& Value) {
  const int i = FindAttr(NameID);
  if (i >= 0)
    FAttrs[static_cast<size_t>(i)].Value = Value;
  else
    FAttrs.push_back({NameID, Value});
}

void TKitXmlNode::SetAttrValue(const TKitString& Name, const TKitXmlVariant& Value) { SetAttrValue(IDOf(Name), Value); }

TKitString TKitXmlNode::RequireAttr(int32_t NameID) const {
  const int i = FindAttr(NameID);
  if (i < 0) throw Exception(Format("Attribute \"%s\" not set", Narrow(FNames->GetName(NameID)).c_str()));
  return KitXmlVariantToStr(FAttrs[static_cast<size_t>(i)].Value);
}

TKitString TKitXmlNode::RequireAttr(const TKitString& Name) const { return RequireAttr(IDOf(Name)); }

TKitString TKitXmlNode::GetAttr(int32_t NameID, const TKitString& Default) const {
  const int i = FindAttr(NameID);
  return i < 0 ? Default : KitXmlVariantToStr(FAttrs[static_cast<size_t>(i)].Value);
}

TKitString TKitXmlNode::GetAttr(const TKitString& Name, const TKitString& Default) const {
  return GetAttr(IDOf(Name), Default);
}

bool TKitXmlNode::GetAttrAsBool(int32_t NameID, bool Default) const {
  const int i = FindAttr(NameID);
  return i < 0 ? Default : KitXmlVarToBool(FAttrs[static_cast<size_t>(i)].Value);
}

bool TKitXmlNode::GetAttrAsBool(const TKitString& Name, bool Default) const {
  return GetAttrAsBool(IDOf(Name), Default);
}

int32_t TKitXmlNode::GetAttrAsInt(int32_t NameID, int32_t Default) const {
  const int i = FindAttr(NameID);
  return i < 0 ? Default : KitXmlVarToInt(FAttrs[static_cast<size_t>(i)].Value);
}

int32_t TKitXmlNode::GetAttrAsInt(const TKitString& Name, int32_t Default) const {
  return GetAttrAsInt(IDOf(Name), Default);
}

TDateTime TKitXmlNode::GetAttrAsDateTime(int32_t NameID, TDateTime Default) const {
  const int i = FindAttr(NameID);
  if (i < 0) return Default;
  const TKitXmlVariant& v = FAttrs[static_cast<size_t>(i)].Value;
  return v.IsString() ? KitXmlStrToDateTime(v.StrValue()) : KitXmlVarToFloat(v);
}

TDateTime TKitXmlNode::GetAttrAsDateTime(const TKitString& Name, TDateTime Default) const {
  return GetAttrAsDateTime(IDOf(Name), Default);
}

void TKitXmlNode::SetAttrAsDateTime(int32_t NameID, TDateTime Value) {
  SetAttrValue(NameID, TKitXmlVariant::OfDateTime(Value));
}

void TKitXmlNode::SetAttrAsDateTime(const TKitString& Name, TDateTime Value) {
  SetAttrAsDateTime(IDOf(Name), Value);
}

double TKitXmlNode::GetAttrAsFloat(int32_t NameID, double Default) const {
  const int i = FindAttr(NameID);
  if (i < 0) return Default;
  const TKitXmlVariant& v = FAttrs[static_cast<size_t>(i)].Value;
  if (v.IsInteger() || v.IsFloat() || v.VarType() == varCurrency) return KitXmlVarToFloat(v);
  return KitXmlStrToFloat(KitXmlVariantToStr(v));
}

double TKitXmlNode::GetAttrAsFloat(const TKitString& Name, double Default) const {
  return GetAttrAsFloat(IDOf(Name), Default);
}

int32_t TKitXmlNode::GetAttrAsHex(int32_t NameID, int32_t Default) const {
  const int i = FindAttr(NameID);
  if (i < 0) return Default;
  return StrToInt("$" + Narrow(KitXmlVariantToStr(FAttrs[static_cast<size_t>(i)].Value)));
}

int32_t TKitXmlNode::GetAttrAsHex(const TKitString& Name, int32_t Default) const {
  return GetAttrAsHex(IDOf(Name), Default);
}

void TKitXmlNode::SetAttrAsHex(int32_t NameID, int32_t Value, int Digits) {
  SetAttrValue(NameID, KitFromPlatformText(IntToHex(static_cast<uint32_t>(Value), Digits)));
}

void TKitXmlNode::SetAttrAsHex(const TKitString& Name, int32_t Value, int Digits) {
  SetAttrAsHex(IDOf(Name), Value, Digits);
}

int TKitXmlNode::EnumIndex(int32_t NameID, const TKitStringList& Values, bool Required, int Default) const {
  const int i = FindAttr(NameID);
  if (i < 0) {
    if (Required) throw Exception(Format("Attribute \"%s\" not found", Narrow(FNames->GetName(NameID)).c_str()));
    return Default;
  }
  const TKitString text = KitUpperCase(KitXmlVariantToStr(FAttrs[static_cast<size_t>(i)].Value));
  for (size_t k = 0; k < Values.size(); ++k)
    if (KitUpperCase(Values[k]) == text) return static_cast<int>(k);
  TKitString list;
  for (size_t k = 0; k < Values.size(); ++k) {
    if (k > 0) list += u"\r\n";
    list += Values[k];
  }
  throw Exception(Format("Invalid attribute vaalue \"%s\" of element \"%s\".\r\nValid values:\r\n%s",
                         Narrow(FNames->GetName(NameID)).c_str(), Narrow(NodeName()).c_str(), Narrow(list).c_str()));
}

int TKitXmlNode::GetAttrAsEnum(int32_t NameID, const TKitStringList& Values, int Default) const {
  return EnumIndex(NameID, Values, false, Default);
}

int TKitXmlNode::GetAttrAsEnum(const TKitString& Name, const TKitStringList& Values, int Default) const {
  return EnumIndex(IDOf(Name), Values, false, Default);
}

int TKitXmlNode::RequireAttrAsEnum(int32_t NameID, const TKitStringList& Values) const {
  return EnumIndex(NameID, Values, true, 0);
}

int TKitXmlNode::RequireAttrAsEnum(const TKitString& Name, const TKitStringList& Values) const {
  return EnumIndex(IDOf(Name), Values, true, 0);
}

TKitXmlVariant TKitXmlNode::GetPathValue(const TKitString& Path) const {
  if (Path.empty()) return NodeValue();
  if (Path[0] == u'@') return GetAttrValue(IDOf(Path.substr(1)), TKitXmlVariant(TKitString()));
  const IKitXmlNode n = SelectSingleNode(Path);
  return n ? n->NodeValue() : TKitXmlVariant(TKitString());
}

void TKitXmlNode::SetPathValue(const TKitString& Path, const TKitXmlVariant& Value) {
  if (Path.empty()) return SetNodeValue(Value);
  if (Path[0] == u'@') return SetAttrValue(IDOf(Path.substr(1)), Value);
  IKitXmlNode n = SelectSingleNode(Path);
  if (!n) n = AddChildElement(IDOf(Path));
  n->SetNodeValue(Value);
}

// ---------------------------------------------------------------------------------------
// Elements

TKitString TKitXmlElement::Text() const {
  if (HasChildNodes()) return JoinChildTexts(*ChildNodes());
  return KitXmlVariantToStr(FData);
}

void TKitXmlElement::SetText(const TKitString& Value) {
  ClearChildren();
  FData = Value;
}

TKitVarType TKitXmlElement::DataType() const {
  return HasChildNodes() || FData.IsEmpty() ? varOleStr : FData.VarType();
}

TKitXmlVariant TKitXmlElement::NodeValue() const { return HasChildNodes() ? TKitXmlVariant(Text()) : FData; }

void TKitXmlElement::SetNodeValue(const TKitXmlVariant& Value) {
  ClearChildren();
  FData = Value;
}

IKitXmlNode TKitXmlElement::CloneNode(bool Deep) const {
  auto e = std::make_shared<TKitXmlElement>(NameTable(), FNameID);
  CopyAttrsTo(*e);
  e->FData = FData;
  if (Deep) CloneChildrenTo(*e);
  return e;
}

void TKitXmlElement::WriteXml(TKitString& Out, bool Preserve, int Level) const {
  if (!Preserve) {
    Out += u"\r\n";
    Out.append(static_cast<size_t>(Level), KitXmlIndent[0]);
  }
  Out += u'<';
  NameTable()->AppendName(Out, FNameID);
  WriteAttrsXml(Out);
  const size_t open = Out.size();
  Out += u'>';
  const size_t content = Out.size();
  bool childElement = false;
  if (HasChildNodes()) {
    for (const IKitXmlNode& n : *ChildNodes()) {
      childElement = childElement || n->NodeType() == xntElement;
      WriteNodeXml(*n, Out, Preserve, Level + 1);
    }
  } else if (FData.IsString()) {
    KitXmlEscapeTo(Out, FData.StrValue());
  } else {
    KitXmlEscapeTo(Out, KitXmlVariantToStr(FData));
  }
  if (Out.size() == content) {
    Out.resize(open);
    Out += u"/>";
    return;
  }
  // An indented child element always begins with a line break.
  if (!Preserve && ((childElement) || HasLineBreak(Out, content))) {
    if (!Out.ends_with(u"\r\n")) Out += u"\r\n";
    Out.append(static_cast<size_t>(Level), KitXmlIndent[0]);
  }
  Out += u"</";
  NameTable()->AppendName(Out, FNameID);
  Out += u'>';
}

void TKitXmlElement::RemoveTextChildren() {
  if (!HasChildNodes()) return;
  const IKitXmlNodeList& list = ChildNodes();
  for (int i = list->Count() - 1; i >= 0; --i) {
    const TKitXmlNodeType t = list->Item(i)->NodeType();
    if (t == xntText || t == xntCDATASection) list->Delete(i);
  }
}

void TKitXmlElement::SetTextAsCDATA(const TKitString& Text) {
  RemoveTextChildren();
  // Each "]]>" is split after its first "]", as the CDATA rendering does.
  std::u16string_view rest = Text;
  for (;;) {
    const size_t p = rest.find(u"]]>");
    if (p == std::u16string_view::npos) break;
    AddChildCDATA(TKitString(rest.substr(0, p + 1)));
    rest = rest.substr(p + 1);
  }
  AddChildCDATA(TKitString(rest));
}

void TKitXmlElement::SetTextAsBase64(const uint8_t* Bytes, int Count, int LineLength) {
  RemoveTextChildren();
  AddChildText(KitBase64Encode(Bytes, Count, LineLength));
}

// ---------------------------------------------------------------------------------------
// Text, CDATA, comments, processing instructions

IKitXmlNode TKitXmlText::CloneNode(bool) const { return std::make_shared<TKitXmlText>(NameTable(), FData); }

void TKitXmlText::WriteXml(TKitString& Out, bool, int) const {
  if (FData.IsString())
    KitXmlEscapeTo(Out, FData.StrValue());
  else
    KitXmlEscapeTo(Out, KitXmlVariantToStr(FData));
}

TKitString TKitXmlCharacterData::Text() const { return PreservesWhiteSpace() ? FData : KitTrim(FData); }

IKitXmlNode TKitXmlCDATASection::CloneNode(bool) const {
  return std::make_shared<TKitXmlCDATASection>(NameTable(), FData);
}

void TKitXmlCDATASection::WriteXml(TKitString& Out, bool, int) const {
  std::u16string_view rest = FData;
  for (;;) {
    Out += u"<![CDATA[";
    const size_t p = rest.find(u"]]>");
    if (p == std::u16string_view::npos) break;
    Out.append(rest.substr(0, p + 1));
    Out += u"]]>";
    rest = rest.substr(p + 1);
  }
  Out.append(rest);
  Out += u"]]>";
}

IKitXmlNode TKitXmlComment::CloneNode(bool) const { return std::make_shared<TKitXmlComment>(NameTable(), FData); }

void TKitXmlComment::WriteXml(TKitString& Out, bool, int) const {
  Out += u"<!--";
  Out += FData;
  Out += u"-->";
}

IKitXmlNode TKitXmlProcessingInstruction::CloneNode(bool) const {
  auto p = std::make_shared<TKitXmlProcessingInstruction>(NameTable(), FTargetID, FData);
  CopyAttrsTo(*p);
  return p;
}

void TKitXmlProcessingInstruction::WriteXml(TKitString& Out, bool, int) const {
  Out += u"<?";
  NameTable()->AppendName(Out, FTargetID);
  if (!FData.empty()) {
    Out += u' ';
    Out += FData;
  } else {
    WriteAttrsXml(Out);
  }
  Out += u"?>";
}

// ---------------------------------------------------------------------------------------
// Documents

TKitXmlDocument::TKitXmlDocument(IKitXmlNameTable Names)
    : TKitXmlNode(Names ? std::move(Names) : KitXmlGlobalNameTable()) {}

TKitString TKitXmlDocument::Text() const { return HasChildNodes() ? JoinChildTexts(*ChildNodes()) : TKitString(); }

void TKitXmlDocument::SetText(const TKitString& Value) {
  ClearChildren();
  AddChildText(Value);
}

IKitXmlNode TKitXmlDocument::CloneNode(bool Deep) const {
  auto d = std::make_shared<TKitXmlDocument>(NameTable());
  d->FPreserveWhiteSpace = FPreserveWhiteSpace;
  d->FCaseSensitive = FCaseSensitive;
  d->FBOM = FBOM;
  CopyAttrsTo(*d);
  if (Deep) CloneChildrenTo(*d);
  return d;
}

void TKitXmlDocument::WriteXml(TKitString& Out, bool Preserve, int Level) const {
  WriteChildrenXml(Out, Preserve, Level);
}

IKitXmlElement TKitXmlDocument::DocumentElement() const {
  if (HasChildNodes())
    for (const IKitXmlNode& n : *ChildNodes())
      if (n->NodeType() == xntElement) return std::static_pointer_cast<TKitXmlElement>(n);
  return nullptr;
}

void TKitXmlDocument::SetCaseSensitive(bool Value) {
  FCaseSensitive = Value;
  if (NameTable() == KitXmlGlobalNameTable() && NameTable()->CaseSensitive() != Value) {
    std::vector<int32_t> map;
    Remap(std::make_shared<TKitXmlNameTable>(KitXmlGlobalHashTableSize, Value), map);
    return;
  }
  NameTable()->SetCaseSensitive(Value);
}

IKitXmlElement TKitXmlDocument::StartDocument(const TKitString& Version, const TKitString& Encoding, int32_t RootID) {
  ClearChildren();
  const TKitString encoding = Encoding.empty() ? TKitString(KitXmlDefaultEncoding) : Encoding;
  const TKitString upper = KitUpperCase(encoding);
  if (upper == u"UTF-8")
    FBOM = bomUTF8;
  else if (upper == u"UTF-16" || upper == u"UTF-16LE")
    FBOM = bomUTF16LE;
  const TKitString data = u"version=\"" + Version + u"\" encoding=\"" + encoding + u"\"";
  ChildNodes()->Insert(CreateProcessingInstruction(NameTable()->XmlID(), data), 0);
  IKitXmlElement root = CreateElement(RootID);
  ChildNodes()->Insert(root, 1);
  return root;
}

IKitXmlElement TKitXmlDocument::StartDocument(const TKitString& Version, const TKitString& Encoding,
                                              const TKitString& RootName) {
  return StartDocument(Version, Encoding, NameTable()->GetID(RootName));
}

IKitXmlElement TKitXmlDocument::CreateElement(int32_t NameID) {
  return std::make_shared<TKitXmlElement>(NameTable(), NameID);
}

IKitXmlElement TKitXmlDocument::CreateElement(const TKitString& Name) { return CreateElement(NameTable()->GetID(Name)); }

IKitXmlText TKitXmlDocument::CreateTextNode(const TKitString& Text) {
  return std::make_shared<TKitXmlText>(NameTable(), Text);
}

IKitXmlCDATASection TKitXmlDocument::CreateCDATASection(const TKitString& Data) {
  return std::make_shared<TKitXmlCDATASection>(NameTable(), Data);
}

IKitXmlComment TKitXmlDocument::CreateComment(const TKitString& Data) {
  return std::make_shared<TKitXmlComment>(NameTable(), Data);
}

IKitXmlProcessingInstruction TKitXmlDocument::CreateProcessingInstruction(int32_t TargetID, const TKitString& Data) {
  return std::make_shared<TKitXmlProcessingInstruction>(NameTable(), TargetID, Data);
}

IKitXmlProcessingInstruction TKitXmlDocument::CreateProcessingInstruction(const TKitString& Target,
                                                                          const TKitString& Data) {
  return CreateProcessingInstruction(NameTable()->GetID(Target), Data);
}

void TKitXmlDocument::Reset() {
  ClearChildren();
  ClearAttrs();
}

}  // namespace zv

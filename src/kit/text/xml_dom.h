// The XML document model: a tree of reference-counted nodes (elements, text, CDATA
// sections, comments, processing instructions and the document), their attributes, the
// queries by name, cloning, and the text and XML renderings of each kind. The model's
// interfaces are shared pointers: a list or a parent holds counted references to its
// children, a child knows its parent without holding it, so trees never form cycles.
//
// Parsing, loading and saving are in xml_load.cpp, the binary form in xml_binary.cpp.
// Errors are zv::Exception with the model's fixed messages; parse errors carry their
// position (EPositioned: PosY the 1-based line, PosX the 1-based column).
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kit/text/helpers.h"
#include "kit/text/kit_types.h"
#include "kit/text/stream.h"
#include "kit/text/xml_names.h"

namespace zv {

enum TKitXmlNodeType : int {
  xntElement = 1,
  xntText = 3,
  xntCDATASection = 4,
  xntProcessingInstruction = 7,
  xntComment = 8,
  xntDocument = 9,
};

class TKitXmlNode;
class TKitXmlNodeList;
class TKitXmlElement;
class TKitXmlCharacterData;
class TKitXmlText;
class TKitXmlCDATASection;
class TKitXmlComment;
class TKitXmlProcessingInstruction;
class TKitXmlDocument;

using IKitXmlNode = std::shared_ptr<TKitXmlNode>;
using IKitXmlNodeList = std::shared_ptr<TKitXmlNodeList>;
using IKitXmlElement = std::shared_ptr<TKitXmlElement>;
using IKitXmlCharacterData = std::shared_ptr<TKitXmlCharacterData>;
using IKitXmlText = std::shared_ptr<TKitXmlText>;
using IKitXmlCDATASection = std::shared_ptr<TKitXmlCDATASection>;
using IKitXmlComment = std::shared_ptr<TKitXmlComment>;
using IKitXmlProcessingInstruction = std::shared_ptr<TKitXmlProcessingInstruction>;
using IKitXmlDocument = std::shared_ptr<TKitXmlDocument>;

struct TKitXmlAttrData {
  int32_t NameID;
  TKitXmlVariant Value;
};

// Options of the binary form: strings as UTF-16 rather than one byte per character.
constexpr uint32_t KitBinXmlWideStrings = 1;

// The children of a node (an owned list: inserting sets the parent, removing clears it)
// or the result of a query (a plain list of references).
class TKitXmlNodeList : public TKitXmlBase {
 public:
  explicit TKitXmlNodeList(TKitXmlNode* Owner = nullptr) : FOwnerNode(Owner) {}
  ~TKitXmlNodeList() override;
  TKitXmlNodeList(const TKitXmlNodeList&) = delete;
  TKitXmlNodeList& operator=(const TKitXmlNodeList&) = delete;

  int Count() const { return static_cast<int>(FItems.size()); }
  // "Getting element error: Index is out of range" outside 0 .. Count - 1.
  IKitXmlNode Item(int Index) const;
  TKitString Xml() const;

  // Index -1 or Count appends. A node that sits in another owned list is taken out of it
  // first; inserting a node into its own subtree is refused. A node from another name
  // table has its subtree's names moved to the owner's table.
  void Insert(const IKitXmlNode& Node, int Index);
  void Delete(int Index);
  // The former index, or -1.
  int Remove(const IKitXmlNode& Node);
  void Replace(int Index, const IKitXmlNode& Node);
  int IndexOf(const TKitXmlNode* Node) const;
  void Clear();

  auto begin() const { return FItems.begin(); }
  auto end() const { return FItems.end(); }

 private:
  friend class TKitXmlNode;
  friend class TKitXmlParserAccess;
  void CheckIndex(int Index) const;
  // Makes Node ready to be inserted here; answers Index corrected for a node taken out of
  // this very list.
  int Adopt(const IKitXmlNode& Node, int Index);
  // For loaders: appends a node made for this list, with no checks.
  void AppendNew(IKitXmlNode Node);

  TKitXmlNode* FOwnerNode;
  std::vector<IKitXmlNode> FItems;
};

class TKitXmlNode : public TKitXmlBase {
 public:
  ~TKitXmlNode() override;
  TKitXmlNode(const TKitXmlNode&) = delete;
  TKitXmlNode& operator=(const TKitXmlNode&) = delete;

  const IKitXmlNameTable& NameTable() const { return FNames; }
  TKitString NodeName() const { return FNames->GetName(NodeNameID()); }
  virtual int32_t NodeNameID() const = 0;
  virtual TKitXmlNodeType NodeType() const = 0;
  virtual TKitString Text() const = 0;
  virtual void SetText(const TKitString& Value) = 0;
  // varOleStr for the kinds whose value is their text.
  virtual TKitVarType DataType() const { return varOleStr; }
  virtual TKitXmlVariant NodeValue() const { return Text(); }
  virtual void SetNodeValue(const TKitXmlVariant& Value) { SetText(KitXmlVariantToStr(Value)); }
  // Elements of a document that does not preserve white space (and of no document) are
  // indented with CR LF and tabs.
  TKitString Xml() const;
  virtual IKitXmlNode CloneNode(bool Deep) const = 0;

  IKitXmlNode ParentNode() const;
  // The nearest document among the node and its ancestors.
  IKitXmlDocument OwnerDocument() const;
  // The owned child list, created when missing.
  const IKitXmlNodeList& ChildNodes() const;
  bool HasChildNodes() const { return FChilds && FChilds->Count() > 0; }

  IKitXmlNode AppendChild(const IKitXmlNode& Node);
  // A null reference node, or one that is no child, appends.
  IKitXmlNode InsertBefore(const IKitXmlNode& Node, const IKitXmlNode& RefNode);
  // Nothing when OldNode is no child; answers the replaced node or null.
  IKitXmlNode ReplaceChild(const IKitXmlNode& NewNode, const IKitXmlNode& OldNode);
  // The former index, or -1.
  int RemoveChild(const IKitXmlNode& Node);
  IKitXmlElement AddChildElement(int32_t NameID);
  IKitXmlElement AddChildElement(const TKitString& Name);
  IKitXmlText AddChildText(const TKitString& Text);
  IKitXmlCDATASection AddChildCDATA(const TKitString& Data);
  IKitXmlComment AddChildComment(const TKitString& Data);
  IKitXmlProcessingInstruction AddChildProcessingInstruction(int32_t TargetID, const TKitString& Data);
  IKitXmlProcessingInstruction AddChildProcessingInstruction(const TKitString& Target, const TKitString& Data);
  // The Text of the first child of any kind with that name, else the default.
  TKitString ReadChildText(const TKitString& Name, const TKitString& Default) const;
  TKitString ReadChildText(int32_t NameID, const TKitString& Default) const;
  // Sets the Text of the first child with that name, appending an element when none.
  void WriteChildText(const TKitString& Name, const TKitString& Text);
  void WriteChildText(int32_t NameID, const TKitString& Text);
  // "Error: child element "%s" not found." when there is none.
  IKitXmlNode RequireChild(int32_t NameID) const;
  IKitXmlNode RequireChild(const TKitString& Name) const;
  IKitXmlNode FindOrAddChild(int32_t NameID);
  IKitXmlNode FindOrAddChild(const TKitString& Name);
  void ClearChildren();

  // The child elements of that name. The name must be a plain XML name, else "This
  // feature isn't implemented yet in KitXML".
  IKitXmlNodeList SelectNodes(const TKitString& Name) const;
  IKitXmlNode SelectSingleNode(const TKitString& Name) const;
  // The first child element of that name whose attribute equals Value (KitXmlVarEquals);
  // an empty AttrName takes the first element of that name.
  IKitXmlNode FindChildByAttr(const TKitString& Name, const TKitString& AttrName, const TKitXmlVariant& Value) const;
  // Depth first: each child element of that name is added and searched in turn; elements
  // of other names are not searched.
  IKitXmlNodeList SelectNestedElements(const TKitString& Name) const;

  // Attributes keep their order; indexes outside 0 .. AttrCount - 1 raise EInvalidArgument.
  int AttrCount() const { return static_cast<int>(FAttrs.size()); }
  int32_t AttrNameIDAt(int Index) const;
  TKitString AttrNameAt(int Index) const;
  TKitString GetAttrAt(int Index) const;
  void SetAttrAt(int Index, const TKitString& Text);
  void DeleteAttr(const TKitString& Name);
  void DeleteAttr(int32_t NameID);
  void ClearAttrs() { FAttrs.clear(); }
  bool AttrExists(int32_t NameID) const { return FindAttr(NameID) >= 0; }
  bool AttrExists(const TKitString& Name) const;
  // varOleStr when absent.
  TKitVarType AttrValueType(int32_t NameID) const;
  TKitVarType AttrValueType(const TKitString& Name) const;
  TKitXmlVariant GetAttrValue(int32_t NameID, const TKitXmlVariant& Default = {}) const;
  TKitXmlVariant GetAttrValue(const TKitString& Name, const TKitXmlVariant& Default = {}) const;
  void SetAttrValue(int32_t NameID, const TKitXmlVariant& Value);
  void SetAttrValue(const TKitString& Name, const TKitXmlVariant& Value);
  // The value as text; "Attribute "%s" not set" when absent.
  TKitString RequireAttr(int32_t NameID) const;
  TKitString RequireAttr(const TKitString& Name) const;
  TKitString GetAttr(int32_t NameID, const TKitString& Default = {}) const;
  TKitString GetAttr(const TKitString& Name, const TKitString& Default = {}) const;
  void SetAttr(int32_t NameID, const TKitString& Text) { SetAttrValue(NameID, Text); }
  void SetAttr(const TKitString& Name, const TKitString& Text) { SetAttrValue(Name, Text); }
  bool GetAttrAsBool(int32_t NameID, bool Default) const;
  bool GetAttrAsBool(const TKitString& Name, bool Default) const;
  void SetAttrAsBool(int32_t NameID, bool Value) { SetAttrValue(NameID, Value); }
  void SetAttrAsBool(const TKitString& Name, bool Value) { SetAttrValue(Name, Value); }
  int32_t GetAttrAsInt(int32_t NameID, int32_t Default) const;
  int32_t GetAttrAsInt(const TKitString& Name, int32_t Default) const;
  void SetAttrAsInt(int32_t NameID, int32_t Value) { SetAttrValue(NameID, Value); }
  void SetAttrAsInt(const TKitString& Name, int32_t Value) { SetAttrValue(Name, Value); }
  TDateTime GetAttrAsDateTime(int32_t NameID, TDateTime Default) const;
  TDateTime GetAttrAsDateTime(const TKitString& Name, TDateTime Default) const;
  void SetAttrAsDateTime(int32_t NameID, TDateTime Value);
  void SetAttrAsDateTime(const TKitString& Name, TDateTime Value);
  double GetAttrAsFloat(int32_t NameID, double Default) const;
  double GetAttrAsFloat(const TKitString& Name, double Default) const;
  void SetAttrAsFloat(int32_t NameID, double Value) { SetAttrValue(NameID, Value); }
  void SetAttrAsFloat(const TKitString& Name, double Value) { SetAttrValue(Name, Value); }
  // The text read as hexadecimal digits (EConvertError for bad digits).
  int32_t GetAttrAsHex(const TKitString& Name, int32_t Default) const;
  int32_t GetAttrAsHex(int32_t NameID, int32_t Default) const;
  // Upper-case hexadecimal with at least Digits digits, stored as a string.
  void SetAttrAsHex(const TKitString& Name, int32_t Value, int Digits);
  void SetAttrAsHex(int32_t NameID, int32_t Value, int Digits);
  // The index of the value's text among Values, ignoring case; the default when absent.
  // A text not in the list raises "Invalid attribute vaalue ..." listing the values.
  int GetAttrAsEnum(const TKitString& Name, const TKitStringList& Values, int Default) const;
  int GetAttrAsEnum(int32_t NameID, const TKitStringList& Values, int Default) const;
  // The same; an absent attribute raises "Attribute "%s" not found".
  int RequireAttrAsEnum(const TKitString& Name, const TKitStringList& Values) const;
  int RequireAttrAsEnum(int32_t NameID, const TKitStringList& Values) const;
  // "" is the node's value, "@name" an attribute, a name the value of that child element
  // (appended when missing on writing).
  TKitXmlVariant GetPathValue(const TKitString& Path) const;
  void SetPathValue(const TKitString& Path, const TKitXmlVariant& Value);

  virtual IKitXmlElement AsElement() { return nullptr; }
  virtual IKitXmlText AsText() { return nullptr; }
  virtual IKitXmlCDATASection AsCDATASection() { return nullptr; }
  virtual IKitXmlComment AsComment() { return nullptr; }
  virtual IKitXmlProcessingInstruction AsProcessingInstruction() { return nullptr; }

 protected:
  explicit TKitXmlNode(IKitXmlNameTable Names);

  // Appends the node's XML; Level is the indentation of the indented form.
  virtual void WriteXml(TKitString& Out, bool Preserve, int Level) const = 0;
  // The field that holds the node's own name id, if it has one.
  virtual int32_t* OwnNameID() { return nullptr; }
  void CopyAttrsTo(TKitXmlNode& Target) const { Target.FAttrs = FAttrs; }
  void CloneChildrenTo(TKitXmlNode& Target) const;
  void WriteChildrenXml(TKitString& Out, bool Preserve, int Level) const;
  static void WriteNodeXml(const TKitXmlNode& Node, TKitString& Out, bool Preserve, int Level) {
    Node.WriteXml(Out, Preserve, Level);
  }
  void WriteAttrsXml(TKitString& Out) const;
  bool PreservesWhiteSpace() const;
  // Moves the node and its subtree to the table Names.
  void Remap(const IKitXmlNameTable& Names, std::vector<int32_t>& Map);
  template <class T>
  std::shared_ptr<T> Self() {
    return std::static_pointer_cast<T>(shared_from_this());
  }

 private:
  friend class TKitXmlNodeList;
  friend class TKitXmlParserAccess;
  int FindAttr(int32_t NameID) const;
  const TKitXmlAttrData& AttrAt(int Index) const;
  int32_t QueryID(const TKitString& Name) const;
  int32_t IDOf(const TKitString& Name) const { return FNames->GetID(Name); }
  IKitXmlNode FirstChild(int32_t NameID) const;
  IKitXmlNode FirstChildElement(int32_t NameID) const;
  int EnumIndex(int32_t NameID, const TKitStringList& Values, bool Required, int Default) const;

  TKitXmlNode* FParentNode = nullptr;
  IKitXmlNameTable FNames;
  std::vector<TKitXmlAttrData> FAttrs;
  mutable IKitXmlNodeList FChilds;
};

class TKitXmlElement : public TKitXmlNode {
 public:
  TKitXmlElement(IKitXmlNameTable Names, int32_t NameID) : TKitXmlNode(std::move(Names)), FNameID(NameID) {}

  int32_t NodeNameID() const override { return FNameID; }
  TKitXmlNodeType NodeType() const override { return xntElement; }
  // With children: the non-empty texts of the element, text and CDATA children joined by
  // a blank; without: the element's own value as text.
  TKitString Text() const override;
  // Clears the children.
  void SetText(const TKitString& Value) override;
  TKitVarType DataType() const override;
  TKitXmlVariant NodeValue() const override;
  void SetNodeValue(const TKitXmlVariant& Value) override;
  IKitXmlNode CloneNode(bool Deep) const override;
  IKitXmlElement AsElement() override { return Self<TKitXmlElement>(); }

  // Replaces the text and CDATA children by CDATA sections holding Text.
  void SetTextAsCDATA(const TKitString& Text);
  // Replaces the text and CDATA children by one text child in base64.
  void SetTextAsBase64(const uint8_t* Bytes, int Count, int LineLength);
  TKitByteArray DecodeBase64Text() const { return KitBase64Decode(Text()); }

 protected:
  void WriteXml(TKitString& Out, bool Preserve, int Level) const override;
  int32_t* OwnNameID() override { return &FNameID; }

 private:
  friend class TKitXmlParserAccess;
  void RemoveTextChildren();

  int32_t FNameID;
  TKitXmlVariant FData;
};

class TKitXmlText : public TKitXmlNode {
 public:
  TKitXmlText(IKitXmlNameTable Names, TKitXmlVariant Value) : TKitXmlNode(std::move(Names)), FData(std::move(Value)) {}

  int32_t NodeNameID() const override { return NameTable()->XmlTextNameID(); }
  TKitXmlNodeType NodeType() const override { return xntText; }
  TKitString Text() const override { return KitXmlVariantToStr(FData); }
  void SetText(const TKitString& Value) override { FData = Value; }
  TKitVarType DataType() const override { return FData.VarType(); }
  TKitXmlVariant NodeValue() const override { return FData; }
  void SetNodeValue(const TKitXmlVariant& Value) override { FData = Value; }
  IKitXmlNode CloneNode(bool Deep) const override;
  IKitXmlText AsText() override { return Self<TKitXmlText>(); }

 protected:
  void WriteXml(TKitString& Out, bool Preserve, int Level) const override;

 private:
  TKitXmlVariant FData;
};

// CDATA sections and comments: their Text is the data, trimmed unless the owning
// document preserves white space.
class TKitXmlCharacterData : public TKitXmlNode {
 public:
  TKitString Text() const override;
  void SetText(const TKitString& Value) override { FData = Value; }
  const TKitString& Data() const { return FData; }

 protected:
  TKitXmlCharacterData(IKitXmlNameTable Names, TKitString Data)
      : TKitXmlNode(std::move(Names)), FData(std::move(Data)) {}
  TKitString FData;
};

class TKitXmlCDATASection : public TKitXmlCharacterData {
 public:
  TKitXmlCDATASection(IKitXmlNameTable Names, TKitString Data) : TKitXmlCharacterData(std::move(Names), std::move(Data)) {}
  int32_t NodeNameID() const override { return NameTable()->XmlCDATASectionNameID(); }
  TKitXmlNodeType NodeType() const override { return xntCDATASection; }
  IKitXmlNode CloneNode(bool Deep) const override;
  IKitXmlCDATASection AsCDATASection() override { return Self<TKitXmlCDATASection>(); }

 protected:
  // Data holding "]]>" is split into several sections that read back as the data.
  void WriteXml(TKitString& Out, bool Preserve, int Level) const override;
};

class TKitXmlComment : public TKitXmlCharacterData {
 public:
  TKitXmlComment(IKitXmlNameTable Names, TKitString Data) : TKitXmlCharacterData(std::move(Names), std::move(Data)) {}
  int32_t NodeNameID() const override { return NameTable()->XmlCommentNameID(); }
  TKitXmlNodeType NodeType() const override { return xntComment; }
  IKitXmlNode CloneNode(bool Deep) const override;
  IKitXmlComment AsComment() override { return Self<TKitXmlComment>(); }

 protected:
  void WriteXml(TKitString& Out, bool Preserve, int Level) const override;
};

// The XML declaration is one with the target "xml" whose pseudo-attributes are attributes.
class TKitXmlProcessingInstruction : public TKitXmlNode {
 public:
  TKitXmlProcessingInstruction(IKitXmlNameTable Names, int32_t TargetID, TKitString Data)
      : TKitXmlNode(std::move(Names)), FTargetID(TargetID), FData(std::move(Data)) {}
  int32_t NodeNameID() const override { return FTargetID; }
  TKitXmlNodeType NodeType() const override { return xntProcessingInstruction; }
  TKitString Text() const override { return FData; }
  void SetText(const TKitString& Value) override { FData = Value; }
  IKitXmlNode CloneNode(bool Deep) const override;
  IKitXmlProcessingInstruction AsProcessingInstruction() override { return Self<TKitXmlProcessingInstruction>(); }

 protected:
  void WriteXml(TKitString& Out, bool Preserve, int Level) const override;
  int32_t* OwnNameID() override { return &FTargetID; }

 private:
  int32_t FTargetID;
  TKitString FData;
};

class TKitXmlDocument : public TKitXmlNode {
 public:
  // On the process-wide name table unless another is given.
  explicit TKitXmlDocument(IKitXmlNameTable Names = nullptr);
  static IKitXmlDocument Create(IKitXmlNameTable Names = nullptr) { return std::make_shared<TKitXmlDocument>(std::move(Names)); }

  int32_t NodeNameID() const override { return NameTable()->XmlDocumentNameID(); }
  TKitXmlNodeType NodeType() const override { return xntDocument; }
  TKitString Text() const override;
  // Replaces the children by one text node.
  void SetText(const TKitString& Value) override;
  IKitXmlNode CloneNode(bool Deep) const override;

  // The first child element, or null.
  IKitXmlElement DocumentElement() const;
  bool PreserveWhiteSpace() const { return FPreserveWhiteSpace; }
  void SetPreserveWhiteSpace(bool Value) { FPreserveWhiteSpace = Value; }
  bool CaseSensitive() const { return FCaseSensitive; }
  // Also sets the flag of the document's name table. A document on the process-wide table
  // first moves to a table of its own, so that other documents keep their case rule.
  void SetCaseSensitive(bool Value);
  // The encoding the document was read in and is saved in.
  TKitBOM BOM() const { return FBOM; }
  void SetBOM(TKitBOM Value) { FBOM = Value; }
  // Replaces the children by an XML declaration and the root element, which is returned;
  // an empty encoding is the default one.
  IKitXmlElement StartDocument(const TKitString& Version, const TKitString& Encoding, int32_t RootID);
  IKitXmlElement StartDocument(const TKitString& Version, const TKitString& Encoding, const TKitString& RootName);
  // Nodes on the document's table, not inserted.
  IKitXmlElement CreateElement(int32_t NameID);
  IKitXmlElement CreateElement(const TKitString& Name);
  IKitXmlText CreateTextNode(const TKitString& Text);
  IKitXmlCDATASection CreateCDATASection(const TKitString& Data);
  IKitXmlComment CreateComment(const TKitString& Data);
  IKitXmlProcessingInstruction CreateProcessingInstruction(const TKitString& Target, const TKitString& Data);
  IKitXmlProcessingInstruction CreateProcessingInstruction(int32_t TargetID, const TKitString& Data);

  // Loading replaces the children and attributes; a failed load keeps what was read
  // before the error. Text beginning with the binary signature is read as binary XML.
  void LoadXML(const TKitString& Text);
  void LoadBinaryText(const TKitString& Text);
  // The encoding comes from the byte-order mark: none (the ANSI code page), UTF-8 or
  // UTF-16LE; any other raises "This encoding isn't supported".
  void Load(TKitStream& Stream);
  void Load(const TKitString& FileName);
  // A compiled-in resource (kit/text/resources.h), read like a file. A missing or empty
  // resource loads nothing and answers false.
  bool LoadXmlResource(const TKitString& Type, const TKitString& Name);
  void Save(TKitStream& Stream) const;
  void Save(const TKitString& FileName) const;

  // The binary form (KitBinXmlWideStrings in Options keeps every character).
  TKitString BinaryText() const;
  void SaveBinaryForm(TKitStream& Stream, uint32_t Options) const;
  void SaveBinaryForm(const TKitString& FileName, uint32_t Options) const;

 protected:
  void WriteXml(TKitString& Out, bool Preserve, int Level) const override;

 private:
  void Reset();
  void LoadBinary(TKitBinXmlReader& Reader);

  bool FPreserveWhiteSpace = KitXmlDefaultPreserveWhiteSpace;
  bool FCaseSensitive = KitXmlDefaultCaseSensitive;
  TKitBOM FBOM = bomNone;
};

// New documents on the process-wide name table. Parse and file errors raise.
IKitXmlDocument KitLoadXmlFromString(const TKitString& Text);
IKitXmlDocument KitLoadXmlFromFile(const TKitString& FileName);
// A compiled-in resource; "Resource "%s" of type "%s" not found" when it is missing.
IKitXmlDocument KitLoadXmlFromResource(const TKitString& Type, const TKitString& Name);

}  // namespace zv

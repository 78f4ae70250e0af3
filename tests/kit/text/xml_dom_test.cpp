#include "kit/text/xml_dom.h"

#include <gtest/gtest.h>

#include <thread>

#include "kit/text/sys_info.h"

namespace zv {
namespace {

std::string N(const TKitString& S) { return KitToPlatformText(S); }

template <class F>
std::string MessageOf(F&& Call) {
  try {
    Call();
  } catch (const Exception& e) {
    return e.what();
  }
  return "(no error)";
}

// A root with <a x="1"/>, <b/>, <a x="2"/>.
IKitXmlDocument Fixture() {
  IKitXmlDocument doc = TKitXmlDocument::Create();
  IKitXmlElement root = doc->AddChildElement(u"root");
  root->AddChildElement(u"a")->SetAttr(u"x", u"1");
  root->AddChildElement(u"b");
  root->AddChildElement(u"a")->SetAttr(u"x", u"2");
  return doc;
}

TEST(XmlDomTest, QueriesByName) {
  const IKitXmlDocument doc = Fixture();
  const IKitXmlElement root = doc->DocumentElement();
  ASSERT_TRUE(root);
  EXPECT_EQ(root->NodeName(), u"root");

  const IKitXmlNodeList as = root->SelectNodes(u"a");
  EXPECT_EQ(as->Count(), 2);
  EXPECT_EQ(MessageOf([&] { as->Item(2); }), "Getting element error: Index is out of range");
  EXPECT_EQ(MessageOf([&] { as->Item(-1); }), "Getting element error: Index is out of range");
  EXPECT_EQ(root->SelectSingleNode(u"a")->GetAttr(u"x"), u"1");
  EXPECT_EQ(root->SelectSingleNode(u"zz"), nullptr);
  EXPECT_EQ(root->FindChildByAttr(u"a", u"x", 2), as->Item(1));
  EXPECT_EQ(root->FindChildByAttr(u"a", u"x", u"2"), as->Item(1));
  EXPECT_EQ(root->FindChildByAttr(u"a", u"", 7), as->Item(0));
  EXPECT_EQ(root->FindChildByAttr(u"a", u"x", 3), nullptr);
  EXPECT_EQ(root->FindChildByAttr(u"a", u"y", 1), nullptr);
  for (const char16_t* bad : {u"a/b", u"", u"@x", u"1a", u"*"})
    EXPECT_EQ(MessageOf([&] { root->SelectNodes(bad); }), "This feature isn't implemented yet in KitXML") << N(bad);
  // A result list does not own its items.
  EXPECT_EQ(as->Item(0)->ParentNode(), root);
  EXPECT_EQ(as->Item(0)->OwnerDocument(), doc);
}

TEST(XmlDomTest, AttributeAccess) {
  const IKitXmlElement e = TKitXmlDocument::Create()->CreateElement(u"e");
  e->SetAttr(u"mode", u"Fast");
  EXPECT_EQ(e->GetAttr(u"y", u"dflt"), u"dflt");
  EXPECT_EQ(e->AttrValueType(u"y"), varOleStr);
  EXPECT_EQ(MessageOf([&] { e->RequireAttr(u"y"); }), "Attribute \"y\" not set");
  EXPECT_EQ(e->RequireAttr(u"mode"), u"Fast");

  const TKitStringList modes{u"slow", u"fast"};
  EXPECT_EQ(e->GetAttrAsEnum(u"mode", modes, 0), 1);
  EXPECT_EQ(e->GetAttrAsEnum(u"absent", modes, 7), 7);
  EXPECT_EQ(MessageOf([&] { e->RequireAttrAsEnum(u"absent", modes); }), "Attribute \"absent\" not found");
  e->SetAttr(u"mode", u"x");
  EXPECT_EQ(MessageOf([&] { e->GetAttrAsEnum(u"mode", modes, 0); }),
            "Invalid attribute vaalue \"mode\" of element \"e\".\r\nValid values:\r\nslow\r\nfast");

  // Typed values keep their type; text values convert.
  e->SetAttrAsInt(u"i", 42);
  e->SetAttrAsBool(u"b", true);
  e->SetAttrAsFloat(u"f", 2.5);
  e->SetAttrAsDateTime(u"d", EncodeDateTime(2018, 8, 2, 13, 5, 9));
  e->SetAttrAsHex(u"h", 255, 4);
  EXPECT_EQ(e->AttrValueType(u"i"), varInteger);
  EXPECT_EQ(e->GetAttrAsInt(u"i", 0), 42);
  EXPECT_TRUE(e->GetAttrAsBool(u"b", false));
  EXPECT_EQ(e->GetAttr(u"b"), u"1");
  EXPECT_EQ(e->GetAttrAsFloat(u"f", 0), 2.5);
  EXPECT_EQ(e->GetAttr(u"d"), u"2018-08-02T13-05-09");
  EXPECT_EQ(e->GetAttr(u"h"), u"00FF");
  EXPECT_EQ(e->GetAttrAsHex(u"h", 0), 255);
  e->SetAttrAsHex(u"n", -1, 2);
  EXPECT_EQ(e->GetAttr(u"n"), u"FFFFFFFF");
  EXPECT_EQ(e->GetAttrAsHex(u"n", 0), -1);

  e->SetAttr(u"s", u"1,5");
  EXPECT_EQ(e->GetAttrAsFloat(u"s", 0), 1.5);
  e->SetAttr(u"s", u"true");
  EXPECT_TRUE(e->GetAttrAsBool(u"s", false));
  e->SetAttr(u"s", u"2018-08-02T13-05-09");
  EXPECT_EQ(e->GetAttrAsDateTime(u"s", 0), EncodeDateTime(2018, 8, 2, 13, 5, 9));
  e->SetAttr(u"s", u"zz");
  EXPECT_THROW(e->GetAttrAsHex(u"s", 0), EConvertError);
  EXPECT_THROW(e->GetAttrAsInt(u"s", 0), EConvertError);
  EXPECT_EQ(e->GetAttrAsInt(u"absent", -5), -5);

  // Order is kept; replacing keeps the place, deleting closes the gap.
  const int before = e->AttrCount();
  e->SetAttr(u"mode", u"slow");
  EXPECT_EQ(e->AttrCount(), before);
  EXPECT_EQ(e->AttrNameAt(0), u"mode");
  e->DeleteAttr(u"mode");
  EXPECT_EQ(e->AttrNameAt(0), u"i");
  EXPECT_FALSE(e->AttrExists(u"mode"));
  EXPECT_THROW(e->AttrNameAt(99), EInvalidArgument);
  e->SetAttrAt(0, u"7");
  EXPECT_EQ(e->GetAttrAt(0), u"7");
  e->ClearAttrs();
  EXPECT_EQ(e->AttrCount(), 0);
}

TEST(XmlDomTest, TextOfKinds) {
  const IKitXmlDocument doc = KitLoadXmlFromString(u"<a>one<b>two</b><![CDATA[three]]><!--c--><?p d?></a>");
  const IKitXmlElement a = doc->DocumentElement();
  EXPECT_EQ(a->Text(), u"one two three");
  EXPECT_EQ(doc->Text(), u"one two three");

  // A CDATA section or comment is trimmed unless its document preserves white space.
  const IKitXmlNode cdata = a->AddChildCDATA(u"  x  ");
  EXPECT_EQ(cdata->Text(), u"x");
  doc->SetPreserveWhiteSpace(true);
  EXPECT_EQ(cdata->Text(), u"  x  ");
  EXPECT_EQ(TKitXmlDocument::Create()->CreateComment(u" c ")->Text(), u"c");

  a->SetText(u"<new & text>");
  EXPECT_EQ(a->ChildNodes()->Count(), 0);
  EXPECT_EQ(a->Xml(), u"<a>&lt;new &amp; text&gt;</a>");
  EXPECT_EQ(a->DataType(), varUString);
  a->SetNodeValue(5);
  EXPECT_EQ(a->DataType(), varInteger);
  EXPECT_EQ(a->Text(), u"5");
}

TEST(XmlDomTest, IndentedAndPreservedRendering) {
  IKitXmlDocument doc = TKitXmlDocument::Create();
  IKitXmlElement root = doc->AddChildElement(u"root");
  root->AddChildElement(u"b");
  EXPECT_EQ(doc->Xml(), u"\r\n<root>\r\n\t<b/>\r\n</root>");
  doc->SetPreserveWhiteSpace(true);
  EXPECT_EQ(doc->Xml(), u"<root><b/></root>");
  doc->SetPreserveWhiteSpace(false);

  IKitXmlElement a = root->AddChildElement(u"a");
  a->SetAttr(u"q", u"\"&");
  a->AddChildElement(u"c")->SetText(u"x");
  root->AddChildText(u"t");
  root->AddChildComment(u"note");
  EXPECT_EQ(doc->Xml(),
            u"\r\n<root>\r\n\t<b/>\r\n\t<a q=\"&quot;&amp;\">\r\n\t\t<c>x</c>\r\n\t</a>t<!--note-->\r\n</root>");
  // A subtree renders from level 0 whatever rendered before; renderings share no state.
  EXPECT_EQ(a->Xml(), u"\r\n<a q=\"&quot;&amp;\">\r\n\t<c>x</c>\r\n</a>");
  // Content that already ends with CR LF gets no second one.
  IKitXmlElement t = TKitXmlDocument::Create()->CreateElement(u"t");
  t->SetText(u"line\r\n");
  EXPECT_EQ(t->Xml(), u"\r\n<t>line\r\n</t>");

  const TKitString expected = doc->Xml();
  std::vector<std::thread> threads;
  std::vector<TKitString> results(4);
  for (size_t i = 0; i < results.size(); ++i)
    threads.emplace_back([&, i] {
      for (int k = 0; k < 50; ++k) results[i] = doc->Xml();
    });
  for (auto& th : threads) th.join();
  for (const TKitString& r : results) EXPECT_EQ(r, expected);
}

TEST(XmlDomTest, CDATAWithTerminatorSplits) {
  IKitXmlDocument doc = TKitXmlDocument::Create();
  IKitXmlElement e = doc->AddChildElement(u"e");
  e->AddChildCDATA(u"x]]>y");
  EXPECT_EQ(e->Xml(), u"\r\n<e><![CDATA[x]]]><![CDATA[]>y]]></e>");
  doc->SetPreserveWhiteSpace(true);
  const IKitXmlDocument back = TKitXmlDocument::Create();
  back->SetPreserveWhiteSpace(true);
  back->LoadXML(doc->Xml());
  TKitString joined;
  for (const IKitXmlNode& n : *back->DocumentElement()->ChildNodes()) {
    ASSERT_EQ(n->NodeType(), xntCDATASection);
    joined += n->Text();
  }
  EXPECT_EQ(joined, u"x]]>y");

  e->AddChildText(u"keep");
  e->SetTextAsCDATA(u"a]]>b]]>c");
  ASSERT_EQ(e->ChildNodes()->Count(), 3);
  EXPECT_EQ(e->ChildNodes()->Item(0)->Text(), u"a]");
  EXPECT_EQ(e->ChildNodes()->Item(2)->Text(), u"]>c");

  const uint8_t bytes[] = {1, 2, 3, 4};
  e->SetTextAsBase64(bytes, 4, 0);
  EXPECT_EQ(e->Text(), u"AQIDBA==");
  EXPECT_EQ(e->DecodeBase64Text(), TKitByteArray(bytes, bytes + 4));
}

TEST(XmlDomTest, CloneShallowAndDeep) {
  const IKitXmlDocument doc = Fixture();
  const IKitXmlElement root = doc->DocumentElement();
  root->SetAttr(u"k", u"v");
  const IKitXmlNode deep = root->CloneNode(true);
  EXPECT_EQ(deep->Xml(), root->Xml());
  EXPECT_EQ(deep->ParentNode(), nullptr);
  EXPECT_EQ(deep->ChildNodes()->Item(0)->ParentNode(), deep);

  const IKitXmlNode shallow = root->CloneNode(false);
  EXPECT_EQ(shallow->NodeName(), u"root");
  EXPECT_EQ(shallow->GetAttr(u"k"), u"v");
  EXPECT_EQ(shallow->ChildNodes()->Count(), 0);
  const IKitXmlElement valued = doc->CreateElement(u"v");
  valued->SetNodeValue(3.25);
  EXPECT_EQ(valued->CloneNode(false)->NodeValue(), TKitXmlVariant(3.25));

  const IKitXmlNode docCopy = doc->CloneNode(true);
  EXPECT_EQ(docCopy->Xml(), doc->Xml());
  EXPECT_EQ(docCopy->NodeType(), xntDocument);
}

TEST(XmlDomTest, NestedElementsAndEmptyLists) {
  const IKitXmlDocument doc = KitLoadXmlFromString(u"<r><a><a/></a><b><a/></b></r>");
  const IKitXmlElement r = doc->DocumentElement();
  const IKitXmlNodeList nested = r->SelectNestedElements(u"a");
  ASSERT_EQ(nested->Count(), 2);
  EXPECT_EQ(nested->Item(0), r->ChildNodes()->Item(0));
  EXPECT_EQ(nested->Item(1), r->ChildNodes()->Item(0)->ChildNodes()->Item(0));

  const IKitXmlElement leaf = doc->CreateElement(u"leaf");
  EXPECT_EQ(leaf->ChildNodes()->Count(), 0);
  EXPECT_EQ(leaf->SelectNestedElements(u"a")->Count(), 0);
  EXPECT_EQ(leaf->SelectNodes(u"a")->Count(), 0);
}

TEST(XmlDomTest, ChildEditing) {
  IKitXmlDocument doc = TKitXmlDocument::Create();
  IKitXmlElement root = doc->AddChildElement(u"root");
  EXPECT_EQ(root->ReadChildText(u"name", u"none"), u"none");
  root->WriteChildText(u"name", u"first");
  root->WriteChildText(u"name", u"second");
  EXPECT_EQ(root->ChildNodes()->Count(), 1);
  EXPECT_EQ(root->ReadChildText(u"name", u""), u"second");
  EXPECT_EQ(MessageOf([&] { root->RequireChild(u"other"); }), "Error: child element \"other\" not found.");
  const IKitXmlNode other = root->FindOrAddChild(u"other");
  EXPECT_EQ(root->FindOrAddChild(u"other"), other);

  const IKitXmlNode first = root->ChildNodes()->Item(0);
  const IKitXmlNode c = doc->CreateComment(u"c");
  root->InsertBefore(c, first);
  EXPECT_EQ(root->ChildNodes()->IndexOf(c.get()), 0);
  const IKitXmlNode t = doc->CreateTextNode(u"t");
  EXPECT_EQ(root->ReplaceChild(t, c), c);
  EXPECT_EQ(c->ParentNode(), nullptr);
  EXPECT_EQ(t->ParentNode(), root);
  EXPECT_EQ(root->ReplaceChild(c, c), nullptr);
  EXPECT_EQ(root->RemoveChild(t), 0);
  EXPECT_EQ(root->RemoveChild(t), -1);
  EXPECT_EQ(t->ParentNode(), nullptr);

  EXPECT_EQ(root->GetPathValue(u"name"), TKitXmlVariant(u"second"));
  EXPECT_EQ(root->GetPathValue(u"missing"), TKitXmlVariant(u""));
  EXPECT_EQ(root->GetPathValue(u"@k"), TKitXmlVariant(u""));
  root->SetPathValue(u"@k", 5);
  root->SetPathValue(u"fresh", u"v");
  EXPECT_EQ(root->GetPathValue(u"@k"), TKitXmlVariant(5));
  EXPECT_EQ(root->ReadChildText(u"fresh", u""), u"v");
  EXPECT_EQ(MessageOf([&] { root->GetPathValue(u"a/b"); }), "This feature isn't implemented yet in KitXML");

  IKitXmlElement started = doc->StartDocument(u"1.0", u"", u"Scheme");
  EXPECT_EQ(doc->ChildNodes()->Count(), 2);
  EXPECT_EQ(doc->Xml(), u"<?xml version=\"1.0\" encoding=\"windows-1251\"?>\r\n<Scheme/>");
  EXPECT_EQ(doc->BOM(), bomNone);
  doc->StartDocument(u"1.0", u"utf-8", u"Scheme");
  EXPECT_EQ(doc->BOM(), bomUTF8);
  EXPECT_EQ(started->ParentNode(), nullptr);
}

TEST(XmlDomTest, OwnershipHasNoCyclesAndNoDanglingParents) {
  IKitXmlDocument doc = TKitXmlDocument::Create();
  IKitXmlElement a = doc->AddChildElement(u"a");
  IKitXmlElement b = a->AddChildElement(u"b");
  IKitXmlElement c = b->AddChildElement(u"c");

  // A node moves: it leaves its former parent.
  doc->AppendChild(c);
  EXPECT_EQ(b->ChildNodes()->Count(), 0);
  EXPECT_EQ(c->ParentNode(), doc);
  a->ChildNodes()->Insert(c, 0);
  EXPECT_EQ(doc->ChildNodes()->Count(), 1);
  EXPECT_EQ(a->ChildNodes()->Item(0), c);
  // Moving within one list.
  a->ChildNodes()->Insert(c, -1);
  EXPECT_EQ(a->ChildNodes()->Item(0), b);
  EXPECT_EQ(a->ChildNodes()->Item(1), c);

  // Into itself or its own subtree: refused, the tree unchanged.
  EXPECT_THROW(b->AppendChild(a), Exception);
  EXPECT_THROW(a->AppendChild(a), Exception);
  EXPECT_EQ(a->ParentNode(), doc);

  // Children held after their parent is gone no longer point to it.
  IKitXmlNodeList kept = a->ChildNodes();
  doc.reset();
  a.reset();
  EXPECT_EQ(b->ParentNode(), nullptr);
  EXPECT_EQ(kept->Count(), 2);
  EXPECT_EQ(b->OwnerDocument(), nullptr);
}

TEST(XmlDomTest, InsertingRemapsNamesFromAnotherTable) {
  auto priv = std::make_shared<TKitXmlNameTable>(16, true);
  priv->GetID(u"pad1");
  priv->GetID(u"pad2");
  IKitXmlDocument other = TKitXmlDocument::Create(priv);
  IKitXmlElement e = other->AddChildElement(u"Token");
  e->SetAttr(u"name", u"kw");
  e->AddChildElement(u"Inner")->AddChildProcessingInstruction(u"pi", u"data");
  const TKitString xml = e->Xml();

  IKitXmlDocument doc = TKitXmlDocument::Create();
  doc->AppendChild(e);
  EXPECT_EQ(e->NameTable(), doc->NameTable());
  EXPECT_EQ(e->ChildNodes()->Item(0)->NameTable(), doc->NameTable());
  EXPECT_EQ(e->Xml(), xml);
  EXPECT_EQ(doc->SelectSingleNode(u"Token"), e);
  EXPECT_EQ(e->GetAttr(u"name"), u"kw");
  EXPECT_EQ(e->SelectSingleNode(u"Inner")->ChildNodes()->Item(0)->NodeName(), u"pi");
}

TEST(XmlDomTest, CaseRuleOfOneDocumentStaysItsOwn) {
  const IKitXmlDocument doc = KitLoadXmlFromString(u"<Root><Item k='1'/></Root>");
  doc->SetCaseSensitive(false);
  EXPECT_NE(doc->NameTable(), KitXmlGlobalNameTable());
  EXPECT_TRUE(KitXmlGlobalNameTable()->CaseSensitive());
  EXPECT_FALSE(doc->NameTable()->CaseSensitive());
  const IKitXmlNode item = doc->DocumentElement()->SelectSingleNode(u"ITEM");
  ASSERT_TRUE(item);
  EXPECT_EQ(item->GetAttr(u"K"), u"1");
  EXPECT_EQ(item->NameTable(), doc->NameTable());
  // Other documents of the process-wide table keep telling case apart.
  EXPECT_EQ(KitLoadXmlFromString(u"<Root/>")->SelectSingleNode(u"ROOT"), nullptr);
}

}  // namespace
}  // namespace zv

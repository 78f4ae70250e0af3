#include "kit/editor/syntax_scheme.h"

#include <algorithm>
#include <climits>

#include "kit/text/strings.h"
#include "kit/text/sys_info.h"
#include "kit/text/unicode.h"

namespace zv {

namespace {

// The child elements of that name, held while the caller walks them.
std::vector<IKitXmlNode> Children(const IKitXmlNode& ANode, const TKitString& AName) {
  const IKitXmlNodeList list = ANode->SelectNodes(AName);
  return {list->begin(), list->end()};
}

TKitString Num(int N) {
  const std::string s = std::to_string(N);
  return TKitString(s.begin(), s.end());
}

// The file of a scheme name in a folder.
TKitString SchemeFile(const TKitString& ADir, const TKitString& AName) {
  TKitString path = ADir;
  if (!path.empty() && path.back() != u'/' && path.back() != u'\\') path += u'/';
  return path + KitTrim(AName) + u".xml";
}

// The text before the first dot (the whole text when it has none).
TKitString DocPart(const TKitString& AName) { return AName.substr(0, AName.find(u'.')); }

template <class E>
[[noreturn]] void RaiseLoadError(const char* AWhat, const std::exception& AError) {
  const auto* ours = dynamic_cast<const Exception*>(&AError);
  throw E(Format("Error %s on loading %s scheme contents. Original message: %s", ours ? ours->ClassName() : "Exception",
                 AWhat, AError.what()));
}

}  // namespace

bool KitSchemeExec(TKitRegExp& ARegex, int AOffset, int ACount, bool& ANeedMore) {
  try {
    return ARegex.Exec(AOffset, ACount, ANeedMore);
  } catch (const EKitRegExprError&) {
    ANeedMore = false;
    return false;
  }
}

// ---- Match record and sources ---------------------------------------------------------------

void TMatchRec::Clear() {
  Count = 0;
  InnerStart = -1;
  InnerCount = 0;
}

void TMatchRec::SetEmpty(int APos) {
  Count = 1;
  Starts[0] = Ends[0] = APos;
  InnerStart = -1;
  InnerCount = 0;
}

void TCharsRegexSource::Bind(const char16_t* AChars, int AStart, int ACount) {
  FChars = AChars;
  BaseIndex = FIdxStart = AStart;
  Count = ACount;
  FIdxEnd = AStart + ACount;
  ResetBuffer();
}

void TCharsRegexSource::FillBuffer() {
  for (int i = FBufferStart; i < FBufferEnd; ++i)
    FBuffer[static_cast<size_t>(i - FBufferStart)] = FChars[i - BaseIndex];
}

void TSynRegexSource::Bind(const int32_t* ACodes, int ACount) {
  FCodes = ACodes;
  BaseIndex = FIdxStart = 0;
  Count = FIdxEnd = ACount;
  ResetBuffer();
}

void TSynRegexSource::FillBuffer() { std::copy(FCodes + FBufferStart, FCodes + FBufferEnd, FBuffer.begin()); }

// ---- Rules ----------------------------------------------------------------------------------

void TRule::FillMatch(TKitRegExp& ARegex, const TRuleTokens& ATokens, TMatchRec& AMatch) const {
  const int n = std::min(ARegex.CompiledSubExpCount(), KitMaxSubExp);
  AMatch.Count = n;
  for (int g = 0; g < n; ++g) {
    const int pos = ARegex.GetMatchPos(g);
    if ((g > 0 && (static_cast<size_t>(g) >= ATokens.size() || !ATokens[static_cast<size_t>(g)])) || pos < 0) {
      AMatch.Starts[g] = AMatch.Ends[g] = -1;
    } else {
      AMatch.Starts[g] = pos;
      AMatch.Ends[g] = pos + ARegex.GetMatchLen(g);
    }
  }
  // A group inside an earlier group gives way to it.
  for (int g = n - 1; g >= 2; --g)
    for (int i = g - 1; i >= 1; --i)
      if (AMatch.Ends[g] >= 0 && AMatch.Ends[i] >= AMatch.Ends[g]) {
        AMatch.Starts[g] = AMatch.Ends[g] = -1;
        break;
      }
  AMatch.InnerStart = -1;
  AMatch.InnerCount = 0;
  if (FInnerContentGroup >= 0 && FInnerContentGroup < n) {
    const int pos = ARegex.GetMatchPos(FInnerContentGroup);
    if (pos >= 0) {
      AMatch.InnerStart = pos;
      AMatch.InnerCount = ARegex.GetMatchLen(FInnerContentGroup);
    }
  }
}

bool TRegexRule::Match(int AStart, int ACount, TMatchRec& AMatch, int AParserState) {
  if (!StartRegex || (LineBound && !(AParserState & KitParserStateFirstTry))) return false;
  if (!KitSchemeExec(*StartRegex, AStart, ACount)) return false;
  FillMatch(*StartRegex, Tokens[0], AMatch);
  return true;
}

bool TRegexRule::MatchEnd(int AStart, int ACount, TMatchRec& AMatch, int AParserState) {
  if (!EndRegex || (LineBound && !(AParserState & KitParserStateFirstTry))) return false;
  const TSchemeModel& model = *FScheme->FParser;
  const int offset = AStart - model.LineStart();
  const TCharsRegexSource& src = const_cast<TSchemeModel&>(model).CharsInput();
  if (AStart < src.BaseIndex + src.Count && !EndCanStartWith(model.LineChars()[offset])) return false;
  if (!KitSchemeExec(*EndRegex, AStart, ACount)) return false;
  FillMatch(*EndRegex, Tokens[1], AMatch);
  return true;
}

bool TRegexRule::NeedVariables() {
  if (FNeedVars < 0) FNeedVars = EndRegex && EndRegex->HasVariables() ? 1 : 0;
  return FNeedVars == 1;
}

void TRegexRule::BindVariables(const std::vector<TKitSegment>* AVars) {
  FVars = AVars;
  if (!EndRegex) return;
  EndRegex->InvalidateVariables();
  EndAcceptedAnsiChars = EndRegex->GetFirstCharSetAnsi(EndAcceptUnicodeChars);
}

int TRegexRule::MaxVarId() { return StartRegex ? StartRegex->CompiledSubExpCount() - 1 : -1; }

bool TRegexRule::GetVariable(int AId, int& AStart, int& ACount) {
  if (!StartRegex) return false;
  AStart = StartRegex->GetMatchPos(AId);
  ACount = StartRegex->GetMatchLen(AId);
  return AStart >= 0;
}

bool TKeywordsRule::Match(int AStart, int ACount, TMatchRec& AMatch, int /*AParserState*/) {
  if (!KitSchemeExec(*Regex, AStart, ACount)) return false;
  const int len = Regex->GetMatchLen(0);
  const TSchemeModel& model = *FScheme->FParser;
  const bool keyword = FScheme->Keywords.GetKeyword(model.LineChars() + (AStart - model.LineStart()), len) != nullptr;
  AMatch.Count = 3;
  AMatch.Starts[0] = AStart;
  AMatch.Ends[0] = AStart + len;
  AMatch.Starts[1] = AMatch.Ends[1] = AMatch.Starts[2] = AMatch.Ends[2] = -1;
  const int g = keyword ? 1 : 2;
  AMatch.Starts[g] = AStart;
  AMatch.Ends[g] = AStart + len;
  AMatch.InnerStart = -1;
  AMatch.InnerCount = 0;
  return true;
}

bool TSyntaxBlock::EndNeedsVariables() {
  if (FNeedVars < 0) FNeedVars = EndRegex->HasVariables() ? 1 : 0;
  return FNeedVars == 1;
}

void TSyntaxBlock::BindVariables(const std::vector<TKitIntArray>* AVars) {
  FVars = AVars;
  EndRegex->InvalidateVariables();
  EndAcceptedAnsiChars = EndRegex->GetFirstCharSetAnsi(EndAcceptUnicodeChars);
}

// ---- Rule tables ----------------------------------------------------------------------------

void TRulesHash::Insert(TRuleChain& AChain, const TRuleRef& ARef) {
  for (const TRuleRef& r : AChain)
    if (r.Base == ARef.Base) return;
  auto it = AChain.begin();
  while (it != AChain.end() && it->Base->Priority >= ARef.Base->Priority) ++it;
  AChain.insert(it, ARef);
}

void TRulesHash::AddRule(TRuleBase* ARuleBase, TRule* ARule, TSyntaxBlock* ASynBlock) {
  const TRuleRef ref{ARuleBase, ARule, ASynBlock};
  for (int c = 0; c < 256; ++c)
    if (ARuleBase->AcceptedAnsiChars.Contains(c)) Insert(FAnsiHash[c], ref);
  if (ARuleBase->AcceptUnicodeChars) Insert(FUnicodeRules, ref);
  ++Count;
}

const TRuleChain& TScheme::GetBlockChain(int32_t ACode) {
  if (static_cast<uint32_t>(ACode) < 256) return SynBlocksHash.GetRuleChain(ACode);
  const auto found = FBlockChains.find(ACode);
  if (found != FBlockChains.end()) return found->second;
  // A pattern that neither matches nor asks for more codes on this one code alone cannot
  // begin at it, whatever follows.
  TRuleChain chain;
  TSynRegexSource probe;
  const int32_t code = ACode;
  probe.Bind(&code, 1);
  for (const TRuleRef& r : SynBlocksHash.GetRuleChain(ACode)) {
    TKitRegExp& re = *r.SynBlock->StartRegex;
    bool keep = true;
    re.SetInputSource(&probe);
    bool more = false;
    keep = KitSchemeExec(re, 0, 1, more) || more;
    re.SetInputSource(&FParser->SyntaxInput());
    if (keep) chain.push_back(r);
  }
  return FBlockChains.emplace(ACode, std::move(chain)).first->second;
}

// ---- The model: loading ---------------------------------------------------------------------

TSchemeModel::TSchemeModel() {
  // A regular expression's defaults, taken once: every document's parser has a model.
  static const TKitRegExp defaults;
  FDefaultWordSeparators = defaults.WordSeparators();
  FDefaultWordChars = defaults.WordChars();
}

TSchemeModel::~TSchemeModel() = default;

void TSchemeModel::SetSchemeLoaders(TKitEditParserSchemeLoader AColorLoader, TKitEditParserSchemeLoader ASyntaxLoader) {
  FColorLoader = std::move(AColorLoader);
  FSyntaxLoader = std::move(ASyntaxLoader);
}

void TSchemeModel::UnloadSchemes() {
  FSchemeLoaded = false;
  FRootSc = nullptr;
  FTokenKeyword = FTokenDefault = nullptr;
  FSchemes.clear();
  FSchemeIndex.clear();
  FDocsRead.clear();
  FTokenProps.Clear();
  FTokenID = -1;
  FInheritPath.clear();
  FCurSchemeName.clear();
  FCurRule.clear();
  FCurBlock.clear();
}

TScheme* TSchemeModel::FindScheme(const TKitString& AFullName) const {
  const auto it = FSchemeIndex.find(AFullName);
  return it == FSchemeIndex.end() ? nullptr : it->second;
}

void TSchemeModel::GetAllTokenIDs(const TKitString& ATokenName, TKitIntArray& AResult) const {
  AResult.clear();
  const TKitString tail = u"." + ATokenName;
  for (int i = 0; i < FTokenProps.Count(); ++i) {
    const TKitString& n = FTokenProps.At(i).Name;
    if (n == ATokenName || (n.size() > tail.size() && n.compare(n.size() - tail.size(), tail.size(), tail) == 0))
      AResult.push_back(FTokenProps.At(i).ID);
  }
}

void TSchemeModel::SchemeError(const std::string& AMessage) const {
  std::string s = "Scheme loading error: \r\n" + AMessage + "\r\n--------Current document: " + KitToPlatformText(FCurDocName) + ", " +
                  KitToPlatformText(FCurDocPath) + "\r\nCurrent scheme name: " + KitToPlatformText(FCurSchemeName) + "\r\n";
  if (!FCurRule.empty()) s += "Current rule code: \r\n--------" + KitToPlatformText(FCurRule) + "\r\n--------";
  if (!FCurBlock.empty()) s += "Current block code: \r\n--------" + KitToPlatformText(FCurBlock) + "\r\n--------";
  throw EKitSyntaxSchemeLoadError(s);
}

void TSchemeModel::DocError(const std::string& AMessage) const {
  throw EKitSyntaxSchemeLoadError("Schemes document loading error: \r\n" + AMessage +
                                  "\r\n--------Current document: " + KitToPlatformText(FCurDocName) + ", " + KitToPlatformText(FCurDocPath));
}

void TSchemeModel::LoadSchemeDoc(const TKitString& ADocName, const TKitString& AAttrsDocName) {
  UnloadSchemes();
  ReadColorDoc(AAttrsDocName);
  FRootSc = ReadSchemesDoc(ADocName);
  FInheritPath.clear();
  ResolveScheme(*FRootSc);
  FCurDocName = ADocName;
  FCurSchemeName.clear();
  FTokenKeyword = TokenByRef(u"keyword");
  FTokenDefault = TokenByRef(u"default");
  FSchemeLoaded = true;
}

void TSchemeModel::ReadColorDoc(const TKitString& AName) {
  IKitXmlDocument doc;
  TKitString reported = AName;
  try {
    if (FColorLoader) {
      doc = KitLoadXmlFromString(FColorLoader(AName));
    } else {
      reported = SchemeFile(AttrsDir(), AName);
      doc = KitLoadXmlFromFile(reported);
    }
  } catch (const std::exception& e) {
    RaiseLoadError<EKitColorSchemeLoadError>("color", e);
  }
  KitReadColorScheme(doc, reported, FTokenProps, FTokenID);
}

TScheme* TSchemeModel::ReadSchemesDoc(const TKitString& ADocName) {
  FDocsRead.insert(ADocName);
  FCurDocName = ADocName;
  FCurDocPath = ADocName;
  FCurSchemeName.clear();
  IKitXmlDocument doc;
  try {
    if (FSyntaxLoader) {
      doc = KitLoadXmlFromString(FSyntaxLoader(ADocName));
    } else {
      FCurDocPath = SchemeFile(SchemesDir, ADocName);
      doc = KitLoadXmlFromFile(FCurDocPath);
    }
  } catch (const std::exception& e) {
    RaiseLoadError<EKitSyntaxSchemeLoadError>("syntax", e);
  }
  const IKitXmlNode list = doc->SelectSingleNode(u"SchemeList");
  if (!list) DocError("Document should have SchemeList element!");
  const TKitString root = list->GetAttr(u"root");
  if (root.empty()) DocError("SchemeList element in document should have non-empty 'root' attribute!");
  ReadAliases(list);

  const size_t first = FSchemes.size();
  for (const IKitXmlNode& node : Children(list, u"Scheme")) {
    auto scheme = std::make_unique<TScheme>(this);
    scheme->DocName = FCurDocName;
    scheme->DocPath = FCurDocPath;
    ReadScheme(node, *scheme);
    FSchemeIndex.emplace(scheme->Name, scheme.get());
    FSchemes.push_back(std::move(scheme));
  }
  FCurSchemeName.clear();
  const TKitString rootName = root.find(u'.') != TKitString::npos ? root : ADocName + u"." + root;
  for (size_t i = FSchemes.size(); i > first; --i)
    if (FSchemes[i - 1]->Name == rootName) return FSchemes[i - 1].get();
  DocError(Format("Can't find root Scheme element with name '%s' in document!", KitToPlatformText(root).c_str()));
}

void TSchemeModel::ReadAliases(const IKitXmlNode& AList) {
  const IKitXmlNodeList aliases = AList->SelectNodes(u"TokenAlias");
  auto duplicate = [this](const TKitString& AName) {
    DocError("Attribute 'name' of node <Token> or <TokenAlias> should be unique. Found duplicate: " + KitToPlatformText(AName));
  };
  for (const IKitXmlNode& a : *aliases) {
    const TKitString name = KitTrim(a->GetAttr(u"name"));
    if (name.empty()) DocError("Attribute 'name' of node <Token> should exist and be non-empty");
    if (FTokenProps.Find(name)) duplicate(name);
    if (FTokenProps.Find(FCurDocName + u"." + name)) duplicate(FCurDocName + u"." + name);
  }
  for (const IKitXmlNode& a : *aliases) {
    const TKitString name = FCurDocName + u"." + KitTrim(a->GetAttr(u"name"));
    if (FTokenProps.Find(name)) duplicate(name);
    const TTokenProps* base = TokenByRef(KitTrim(a->GetAttr(u"baseToken")));
    const TKitEditAttributes attrs = base->Attributes;
    NewToken(name)->Attributes = attrs;
  }
}

bool TSchemeModel::ReadBool(const IKitXmlNode& ANode, const TKitString& AName, bool ADefault) const {
  if (!ANode->AttrExists(AName)) return ADefault;
  const TKitString v = KitLowerCase(KitTrim(ANode->GetAttr(AName)));
  if (v == u"1" || v == u"true") return true;
  if (v == u"0" || v == u"false") return false;
  SchemeError(Format("Malformed boolean attribute %s. 0/1 of \"true\"/\"false\" required", KitToPlatformText(AName).c_str()));
}

int TSchemeModel::ReadInt(const IKitXmlNode& ANode, const TKitString& AName, int ALow, int AHigh, int ADefault) const {
  if (!ANode->AttrExists(AName)) return ADefault;
  const TKitString v = KitTrim(ANode->GetAttr(AName));
  size_t i = 0;
  const bool negative = !v.empty() && v[0] == u'-';
  if (!v.empty() && (v[0] == u'-' || v[0] == u'+')) ++i;
  int64_t value = 0;
  bool ok = i < v.size();
  for (; i < v.size() && ok; ++i) {
    if (v[i] < u'0' || v[i] > u'9')
      ok = false;
    else
      value = value * 10 + (v[i] - u'0');
    if (value > INT_MAX + int64_t{1}) ok = false;
  }
  if (negative) value = -value;
  if (!ok || value < INT_MIN || value > INT_MAX) SchemeError(Format("Malformed int attribute %s", KitToPlatformText(AName).c_str()));
  if (value < ALow || value > AHigh)
    SchemeError(Format("Int attribute %s should be in range (%d given instead): [%d, %d]", KitToPlatformText(AName).c_str(),
                       static_cast<int>(value), ALow, AHigh));
  return static_cast<int>(value);
}

void TSchemeModel::ReadScheme(const IKitXmlNode& ANode, TScheme& AScheme) {
  const TKitString name = ANode->GetAttr(u"name");
  if (name.empty()) SchemeError("Scheme has no name!");
  AScheme.Name = FCurDocName + u"." + name;
  FCurSchemeName = AScheme.Name;
  AScheme.AllIgnoreCase = ReadBool(ANode, u"allIgnoreCase", false);
  AScheme.KeywordsIgnoreCase = ReadBool(ANode, u"keywordsIgnoreCase", AScheme.AllIgnoreCase);
  AScheme.Keywords = TKeywordMap(AScheme.KeywordsIgnoreCase);
  auto attrOrChild = [&](const char16_t* AName) {
    if (ANode->AttrExists(AName)) return ANode->GetAttr(AName);
    const IKitXmlNode child = ANode->SelectSingleNode(AName);
    return child ? child->Text() : TKitString();
  };
  AScheme.MoreWordSeparators = attrOrChild(u"moreWordSeparators");
  AScheme.MoreWordChars = attrOrChild(u"moreWordChars");

  auto addParent = [&](const TKitString& ARef) {
    const TKitString ref = KitTrim(ARef);
    if (ref.empty()) SchemeError("Empty 'inherit' attribute! Should be valid scheme reference!");
    AScheme.ParentSchemeNames.push_back(ref);
  };
  if (ANode->AttrExists(u"inherit")) addParent(ANode->GetAttr(u"inherit"));
  if (ANode->AttrExists(u"inherit0")) addParent(ANode->GetAttr(u"inherit0"));
  for (int n = 1; ANode->AttrExists(u"inherit" + Num(n)); ++n) addParent(ANode->GetAttr(u"inherit" + Num(n)));
  for (const IKitXmlNode& inherit : Children(ANode, u"Inherit")) {
    const TKitString attr = inherit->GetAttr(u"scheme");
    addParent(attr.empty() ? inherit->Text() : attr);
  }

  const TKitString defaultToken = KitTrim(ANode->GetAttr(u"defaultToken"));
  AScheme.DefaultToken = TokenByRef(defaultToken.empty() ? TKitString(u"default") : defaultToken);

  for (const char16_t* kind : {u"Regex", u"RegexBlock", u"ChainBlock"})
    for (const IKitXmlNode& node : Children(ANode, kind)) AScheme.FRules.push_back(CreateRule(node, AScheme));

  for (const IKitXmlNode& node : Children(ANode, u"Keyword")) {
    const TKitString word = KitTrim(node->Text());
    if (word.empty()) SchemeError("Empty 'Keyword' node!");
    AScheme.Keywords.AddWord(word);
  }
  for (const IKitXmlNode& node : Children(ANode, u"Keywords")) {
    const TKitString text = KitTrim(node->Text());
    if (text.empty()) SchemeError("Empty keywords list in 'Keywords' node!");
    size_t i = 0;
    while (i < text.size()) {
      while (i < text.size() && text[i] <= u' ') ++i;
      const size_t start = i;
      while (i < text.size() && text[i] > u' ') ++i;
      if (i > start) AScheme.Keywords.AddWord(text.substr(start, i - start));
    }
  }
  if (const IKitXmlNode node = ANode->SelectSingleNode(u"KeywordRegex"))
    AScheme.FRules.push_back(CreateRule(node, AScheme));

  for (const IKitXmlNode& node : Children(ANode, u"SyntaxBlock")) {
    FCurBlock = node->Xml();
    AScheme.FSyntaxBlocks.push_back(ReadSyntaxBlock(node));
    FCurBlock.clear();
  }
  for (const IKitXmlNode& node : Children(ANode, u"SkipSyntaxToken")) {
    if (!AScheme.FSynTokensToSkip.empty()) AScheme.FSynTokensToSkip += u' ';
    AScheme.FSynTokensToSkip += node->AttrExists(u"token") ? node->GetAttr(u"token") : node->Text();
  }
  AScheme.SyntaxTailMaxLength = ReadInt(ANode, u"syntaxTailMaxLength", 0, INT_MAX, 500);
}

std::unique_ptr<TKitRegExp> TSchemeModel::NewRuleRegex(bool AIgnoreCase, const TKitString& AMoreSeps,
                                                       const TKitString& AMoreChars) {
  auto re = std::make_unique<TKitRegExp>();
  re->SetModifierX(true);
  re->SetModifierA(true);
  re->SetModifierI(AIgnoreCase);
  re->SetWordSeparators(FDefaultWordSeparators + AMoreSeps);
  re->SetWordChars(FDefaultWordChars + AMoreChars);
  re->SetInputSource(&FCharsInput);
  return re;
}

std::unique_ptr<TKitRegExp> TSchemeModel::NewCodeRegex() {
  auto re = std::make_unique<TKitRegExp>();
  re->SetModifierI(false);
  re->SetModifierS(false);
  re->SetModifierM(false);
  re->SetModifierG(true);
  re->SetModifierA(true);
  re->SetModifierX(true);
  re->SetModifierC(true);
  re->CodesResolver = [this](const TKitString& AName) { return ResolveCodeName(AName); };
  re->SetInputSource(&FSyntaxInput);
  return re;
}

void TSchemeModel::CompileRegex(TKitRegExp& ARegex, const TKitString& AText, const std::string& AErrorPrefix) {
  try {
    ARegex.SetExpression(AText);
  } catch (const EKitRegExprError& e) {
    SchemeError(AErrorPrefix + "regex: " + KitToPlatformText(AText) + ", error: " + e.Message());
  }
}

std::unique_ptr<TKitRegExp> TSchemeModel::ReadRuleRegex(const IKitXmlNode& ANode, const TScheme& AScheme,
                                                        bool AIgnoreCase) {
  auto re = NewRuleRegex(AIgnoreCase, ANode->GetAttr(u"moreWordSeparators") + AScheme.MoreWordSeparators,
                         ANode->GetAttr(u"moreWordChars") + AScheme.MoreWordChars);
  const std::string element = KitToPlatformText(ANode->NodeName());
  const TKitString attr = ANode->GetAttr(u"regex");
  if (!attr.empty()) {
    CompileRegex(*re, attr, "Error in 'regex' attribute in " + element + " node: ");
  } else {
    const TKitString text = ANode->Text();
    if (text.empty()) SchemeError("Regex attribute 'regex' and node text is empty in regex node '" + element + "'");
    CompileRegex(*re, text, "Error in regex node text in regex node '" + element + "': ");
  }
  return re;
}

std::unique_ptr<TKitRegExp> TSchemeModel::ReadBlockRegex(const IKitXmlNode& ANode, const TKitString& AAttr,
                                                         const TKitString& AChild, const TScheme* AScheme,
                                                         IKitXmlNode& AChildNode) {
  AChildNode = ANode->SelectSingleNode(AChild);
  const std::string element = KitToPlatformText(ANode->NodeName());
  std::unique_ptr<TKitRegExp> re;
  if (!AScheme) {
    re = NewCodeRegex();
  } else {
    const TKitString prefix = AChildNode ? TKitString() : AAttr + u"_";
    const IKitXmlNode& from = AChildNode ? AChildNode : ANode;
    re = NewRuleRegex(AScheme->AllIgnoreCase,
                      from->GetAttr(prefix + u"moreWordSeparators") + AScheme->MoreWordSeparators,
                      from->GetAttr(prefix + u"moreWordChars") + AScheme->MoreWordChars);
  }
  const TKitString attr = ANode->GetAttr(AAttr);
  if (!attr.empty()) {
    CompileRegex(*re, attr, "Error in '" + KitToPlatformText(AAttr) + "' attribute in " + element + " node: ");
  } else if (AChildNode) {
    const TKitString text = AChildNode->Text();
    if (text.empty()) SchemeError("Regex subnode '" + KitToPlatformText(AChild) + "' is empty in node '" + element + "'");
    CompileRegex(*re, text, "Error in '" + KitToPlatformText(AChild) + "' subnode in " + element + " node: ");
  } else {
    SchemeError("Regex attribute '" + KitToPlatformText(AAttr) + "' is empty in node '" + element + "'");
  }
  return re;
}

TRuleTokens TSchemeModel::ReadTokens(const IKitXmlNode& ANode, const TKitString& APrefix, int ACount, bool& AAny) {
  TRuleTokens tokens(static_cast<size_t>(std::max(ACount, 0)), nullptr);
  AAny = false;
  for (int g = 0; g < ACount; ++g) {
    const TKitString attr = APrefix + Num(g);
    if (!ANode->AttrExists(attr)) continue;
    const TKitString name = KitTrim(ANode->GetAttr(attr));
    if (name.empty()) SchemeError("Token attribute '" + KitToPlatformText(attr) + "' should be valid token reference!");
    tokens[static_cast<size_t>(g)] = TokenByRef(name);
    AAny = true;
  }
  return tokens;
}

std::unique_ptr<TRule> TSchemeModel::CreateRule(const IKitXmlNode& ANode, TScheme& AScheme) {
  FCurRule = ANode->Xml();
  const TKitString kind = KitTrim(KitLowerCase(ANode->NodeName()));
  std::unique_ptr<TRule> rule;
  if (kind == u"keywordregex") {
    auto k = std::make_unique<TKeywordsRule>();
    k->FScheme = &AScheme;
    k->Priority = ReadInt(ANode, u"priority", 0, INT_MAX, -1);
    ReadKeywordsRule(ANode, AScheme, *k);
    rule = std::move(k);
  } else {
    auto r = std::make_unique<TRegexRule>();
    r->FScheme = &AScheme;
    r->Priority = ReadInt(ANode, u"priority", 0, INT_MAX, 0);
    ReadRegexRule(ANode, AScheme, *r, kind);
    rule = std::move(r);
  }
  rule->FXml = FCurRule;
  for (int i = 0; i < 2; ++i)
    rule->HasTokens[i] = std::any_of(rule->Tokens[i].begin(), rule->Tokens[i].end(), [](auto* t) { return t; });
  FCurRule.clear();
  return rule;
}

void TSchemeModel::ReadKeywordsRule(const IKitXmlNode& ANode, TScheme& AScheme, TKeywordsRule& ARule) {
  ARule.Regex = ReadRuleRegex(ANode, AScheme, AScheme.KeywordsIgnoreCase);
  ARule.AcceptedAnsiChars = ARule.Regex->GetFirstCharSetAnsi(ARule.AcceptUnicodeChars);
  ARule.Tokens[0] = {nullptr, TokenByRef(u"keyword"), TokenByRef(u"id")};
}

void TSchemeModel::ReadRegexRule(const IKitXmlNode& ANode, TScheme& AScheme, TRegexRule& ARule,
                                 const TKitString& AKind) {
  auto readInner = [&] {
    const TKitString inner = KitTrim(ANode->GetAttr(u"innerScheme"));
    if (inner.empty()) SchemeError("innerScheme should be set and be valid scheme reference!");
    ARule.InnerSchemeName = inner;
  };
  bool any = false;
  if (AKind == u"regex") {
    ARule.StartRegex = ReadRuleRegex(ANode, AScheme, AScheme.AllIgnoreCase);
    const int groups = ARule.StartRegex->CompiledSubExpCount();
    if (ANode->AttrExists(u"innerScheme")) {
      for (int g = 0; g < KitMaxSubExp; ++g)
        if (ANode->AttrExists(u"token" + Num(g)))
          SchemeError("Regex node can't contain both 'innerScheme' and 'token' attributes!");
      readInner();
      ARule.FInnerContentGroup = ReadInt(ANode, u"innerContentGroup", 0, INT_MAX, -1);
    } else {
      ARule.Tokens[0] = ReadTokens(ANode, u"token", groups, any);
    }
    ARule.LineBound = ReadBool(ANode, u"lineBound", false);
  } else {
    ARule.IsBlockRule = true;
    IKitXmlNode start, end;
    if (AKind == u"regexblock") {
      ARule.StartRegex = ReadBlockRegex(ANode, u"start", u"Start", &AScheme, start);
    } else {
      const TKitString name = KitTrim(ANode->GetAttr(u"name"));
      ARule.Name = AScheme.Name + u"." + name;
      const bool taken = std::any_of(AScheme.FRules.begin(), AScheme.FRules.end(),
                                     [&](const std::unique_ptr<TRule>& r) { return r->Name == ARule.Name; });
      if (name.empty() || taken) SchemeError("Chain block should have unique name in scheme");
    }
    ARule.EndRegex = ReadBlockRegex(ANode, u"end", u"End", &AScheme, end);
    if (ARule.StartRegex) {
      const int groups = ARule.StartRegex->CompiledSubExpCount();
      if (start) ARule.Tokens[0] = ReadTokens(start, u"token", groups, any);
      if (!any) ARule.Tokens[0] = ReadTokens(ANode, u"start_token", groups, any);
    }
    const int endGroups = ARule.EndRegex->CompiledSubExpCount();
    any = false;
    if (end) ARule.Tokens[1] = ReadTokens(end, u"token", endGroups, any);
    if (!any) ARule.Tokens[1] = ReadTokens(ANode, u"end_token", endGroups, any);
    readInner();
    if (ARule.StartRegex) ARule.CloseInnerSchemesOnMatchEnd = ReadBool(ANode, u"closeInnerSchemes", false);
    ARule.ChainedBlockRuleName = KitTrim(ANode->GetAttr(u"chainBlock"));
    ARule.FInnerContentGroup = ReadInt(ANode, u"innerContentGroup", 0, INT_MAX, -1);
    if (ARule.StartRegex && ARule.FInnerContentGroup >= ARule.StartRegex->CompiledSubExpCount())
      SchemeError(Format("innerContentGroup should be < %d (start regex sub-expressions count)!",
                         ARule.StartRegex->CompiledSubExpCount()));
    ARule.LineBound = ReadBool(ANode, u"lineBound", false);
    ARule.EndAcceptedAnsiChars = ARule.EndRegex->GetFirstCharSetAnsi(ARule.EndAcceptUnicodeChars);
    ARule.EndRegex->VariablesGetter = [&ARule](int AId, TKitIntArray& ACodes) {
      ACodes.clear();
      if (!ARule.FVars || AId < 0 || static_cast<size_t>(AId) >= ARule.FVars->size()) return;
      const TKitSegment& seg = (*ARule.FVars)[static_cast<size_t>(AId)];
      for (int i = 0; i < seg.Count; ++i) ACodes.push_back(KitSegmentChar(seg, i));
    };
  }
  if (ARule.StartRegex) ARule.AcceptedAnsiChars = ARule.StartRegex->GetFirstCharSetAnsi(ARule.AcceptUnicodeChars);
}

std::unique_ptr<TSyntaxBlock> TSchemeModel::ReadSyntaxBlock(const IKitXmlNode& ANode) {
  auto b = std::make_unique<TSyntaxBlock>();
  b->FXml = FCurBlock;
  IKitXmlNode child;
  b->StartRegex = ReadBlockRegex(ANode, u"start", u"Start", nullptr, child);
  b->EndRegex = ReadBlockRegex(ANode, u"end", u"End", nullptr, child);
  b->Capture = ReadBool(ANode, u"capture", false);
  b->StartGroupUsed = ReadInt(ANode, u"startGroupUsed", 0, INT_MAX, 0);
  if (b->StartGroupUsed >= b->StartRegex->CompiledSubExpCount())
    SchemeError(
        Format("startGroupUsed should be >=0  and < (regex groups count: %d)", b->StartRegex->CompiledSubExpCount()));
  b->EndGroupUsed = ReadInt(ANode, u"endGroupUsed", 0, INT_MAX, 0);
  if (b->EndGroupUsed >= b->EndRegex->CompiledSubExpCount())
    SchemeError(
        Format("endGroupUsed should be >=0  and < (regex groups count: %d)", b->EndRegex->CompiledSubExpCount()));
  b->Priority = ReadInt(ANode, u"priority", 0, INT_MAX, 0);
  b->MinLines = std::max(2, ReadInt(ANode, u"minLines", 1, INT_MAX, 2));
  b->AcceptedAnsiChars = b->StartRegex->GetFirstCharSetAnsi(b->AcceptUnicodeChars);
  b->EndAcceptedAnsiChars = b->EndRegex->GetFirstCharSetAnsi(b->EndAcceptUnicodeChars);
  TSyntaxBlock* block = b.get();
  b->EndRegex->VariablesGetter = [block](int AId, TKitIntArray& ACodes) {
    ACodes.clear();
    if (block->FVars && AId >= 0 && static_cast<size_t>(AId) < block->FVars->size())
      ACodes = (*block->FVars)[static_cast<size_t>(AId)];
  };
  return b;
}

// ---- Tokens and code names ------------------------------------------------------------------

TTokenProps* TSchemeModel::NewToken(const TKitString& AName) {
  auto token = std::make_unique<TTokenProps>();
  token->Name = AName;
  token->DefaultContentID = ++FTokenID;
  return &FTokenProps.Add(std::move(token));
}

TTokenProps* TSchemeModel::TokenByRef(const TKitString& AName) {
  if (TTokenProps* t = FTokenProps.Find(AName)) return t;
  const TKitString qualified = FCurDocName + u"." + AName;
  if (TTokenProps* t = FTokenProps.Find(qualified)) return t;
  return NewToken(qualified);
}

int32_t TSchemeModel::ResolveCodeName(const TKitString& ACodeName) {
  const size_t colon = ACodeName.find(u':');
  TKitString name = KitTrim(ACodeName.substr(0, colon));
  if (name == u"kw")
    name = u"keyword";
  else if (name == u"sym")
    name = u"symbol";
  if (name.empty()) SchemeError("Malformed int-code name: " + KitToPlatformText(ACodeName));
  TTokenProps* token = TokenByRef(name);
  if (colon == TKitString::npos) return token->DefaultContentID;
  const TKitString content = KitTrim(ACodeName.substr(colon + 1));
  if (const TKeywordMap::TKeyword* found = token->ContentMap.GetKeyword(content)) return found->ID;
  const int code = ++FTokenID;
  token->ContentMap.AddWord(content).ID = code;
  TKeywordMap::TKeyword& ci = token->ContentMapCI.AddWord(content);
  if (ci.ID < 0) ci.ID = code;
  return code;
}

// ---- Resolution ---------------------------------------------------------------------------

TScheme* TSchemeModel::FindOrLoadScheme(const TKitString& AFullName) {
  if (TScheme* s = FindScheme(AFullName)) return s;
  const TKitString doc = DocPart(AFullName);
  if (doc.empty())
    SchemeError(Format("Scheme reference <%s> does not have corresponding document", KitToPlatformText(AFullName).c_str()));
  // A document is read once; a scheme it lacks stays missing.
  if (!FDocsRead.count(doc)) {
    const TKitString name = FCurDocName, path = FCurDocPath, scheme = FCurSchemeName;
    ReadSchemesDoc(doc);
    FCurDocName = name;
    FCurDocPath = path;
    FCurSchemeName = scheme;
  }
  if (TScheme* s = FindScheme(AFullName)) return s;
  SchemeError(Format("Can't find referrent scheme for name '%s'!", KitToPlatformText(AFullName).c_str()));
}

TScheme* TSchemeModel::FindSchemeByRef(const TScheme& AScheme, const TKitString& AName) {
  const TKitString full = AName.find(u'.') != TKitString::npos ? AName : DocPart(AScheme.Name) + u"." + AName;
  return FindOrLoadScheme(full);
}

void TSchemeModel::ResolveScheme(TScheme& AScheme) {
  if (AScheme.FResolved) return;
  AScheme.FLoading = true;
  auto current = [&] {
    FCurSchemeName = AScheme.Name;
    FCurDocName = AScheme.DocName;
    FCurDocPath = AScheme.DocPath;
  };
  current();
  for (const TKitString& name : AScheme.ParentSchemeNames) {
    FInheritPath.push_back(name);
    TScheme* parent = FindSchemeByRef(AScheme, name);
    if (parent->FLoading) {
      TKitString chain;
      for (size_t i = 0; i < FInheritPath.size(); ++i) chain += (i ? u" -> " : u"") + FInheritPath[i];
      SchemeError("Cyclic reference in inherit chain! ==> Chain: " + KitToPlatformText(chain));
    }
    ResolveScheme(*parent);
    current();
    AScheme.ParentSchemes.push_back(parent);
    FInheritPath.pop_back();
  }
  for (const auto& rule : AScheme.FRules) {
    if (rule->InnerSchemeName.empty()) continue;
    TScheme* inner = FindSchemeByRef(AScheme, rule->InnerSchemeName);
    if (!inner->FLoading) ResolveScheme(*inner);
    current();
    rule->InnerScheme = inner;
  }
  BuildChains(AScheme);

  AScheme.SkipSyntaxTokens.assign(static_cast<size_t>(FTokenProps.Count()), false);
  std::set<const TScheme*> seen;
  std::vector<const TScheme*> todo{&AScheme};
  while (!todo.empty()) {
    const TScheme* s = todo.back();
    todo.pop_back();
    if (!seen.insert(s).second) continue;
    const TKitString& names = s->FSynTokensToSkip;
    size_t i = 0;
    while (i < names.size()) {
      auto sep = [&](char16_t c) { return c == u' ' || c == u'\t' || c == u',' || c == u';'; };
      while (i < names.size() && sep(names[i])) ++i;
      const size_t start = i;
      while (i < names.size() && !sep(names[i])) ++i;
      if (i > start)
        if (const TTokenProps* t = FTokenProps.Find(names.substr(start, i - start)))
          AScheme.SkipSyntaxTokens[static_cast<size_t>(t->ID)] = true;
    }
    for (const TScheme* p : s->ParentSchemes) todo.push_back(p);
  }

  for (const auto& rule : AScheme.FRules) {
    if (rule->ChainedBlockRuleName.empty()) continue;
    const TKitString full = AScheme.Name + u"." + rule->ChainedBlockRuleName;
    for (const auto& r : AScheme.FRules)
      if (r->Name == full) rule->ChainedBlockRule = r.get();
    if (!rule->ChainedBlockRule) DocError(Format("Can't find chain block by name '%s'", KitToPlatformText(full).c_str()));
  }
  AScheme.FLoading = false;
  AScheme.FResolved = true;
}

void TSchemeModel::BuildChains(TScheme& AScheme) {
  std::set<const TScheme*> seen;
  auto add = [&](auto& self, const TScheme& AFrom) -> void {
    if (!seen.insert(&AFrom).second) return;
    for (const auto& r : AFrom.FRules) AScheme.RulesHash.AddRule(r.get(), r.get(), nullptr);
    for (const auto& b : AFrom.FSyntaxBlocks) AScheme.SynBlocksHash.AddRule(b.get(), nullptr, b.get());
    for (const TScheme* p : AFrom.ParentSchemes) self(self, *p);
  };
  add(add, AScheme);
}

}  // namespace zv

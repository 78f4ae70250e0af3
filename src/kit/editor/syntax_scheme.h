// The in-memory form of loaded syntax schemes: rules (regular expressions over the
// characters of a line, keyword rules), syntax blocks (regular expressions over the token
// codes the parser produces), the per-code rule tables that let the parser try only the
// rules that can start at a position, best priority first, and the model that reads the
// colour-scheme and syntax-scheme documents into them and resolves inheritance, inner
// schemes and chain blocks.
#pragma once
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "kit/editor/color_scheme.h"
#include "kit/text/regex.h"

namespace zv {

class TScheme;
class TSchemeModel;
class TRule;
class TSyntaxBlock;

// The regex engine's group limit: the length of the match arrays.
constexpr int KitMaxSubExp = 16;

// Runs the engine; an engine error while matching (a scheme whose pattern nests deeper
// than the engine can follow) counts as no match rather than failing every line.
bool KitSchemeExec(TKitRegExp& ARegex, int AOffset, int ACount, bool& ANeedMore);
inline bool KitSchemeExec(TKitRegExp& ARegex, int AOffset, int ACount) {
  bool more = false;
  return KitSchemeExec(ARegex, AOffset, ACount, more);
}

// Bit 0 of the parser state handed to Match: the parser is at the first position it tries
// on the line.
constexpr int KitParserStateFirstTry = 1;

// The parser's single match record: one position pair per regex group, -1 for a group that
// is ignored or did not take part.
struct TMatchRec {
  int Starts[KitMaxSubExp];
  int Ends[KitMaxSubExp];
  int Count = 0;
  int InnerStart = -1;
  int InnerCount = 0;
  void Clear();
  // One empty group at APos, no inner content.
  void SetEmpty(int APos);
};

// Characters of one line, indexed by their document offsets.
class TCharsRegexSource : public TKitRegexSource {
 public:
  TCharsRegexSource() : TKitRegexSource(128, 0) {}
  // AChars holds the ACount characters from document offset AStart; it must stay valid
  // while the source is read.
  void Bind(const char16_t* AChars, int AStart, int ACount);

 protected:
  void FillBuffer() override;

 private:
  const char16_t* FChars = nullptr;
};

// The syntax codes of one tail, indexed from 0.
class TSynRegexSource : public TKitRegexSource {
 public:
  TSynRegexSource() : TKitRegexSource(32, 0) {}
  void Bind(const int32_t* ACodes, int ACount);

 protected:
  void FillBuffer() override;

 private:
  const int32_t* FCodes = nullptr;
};

class TRuleBase {
 public:
  virtual ~TRuleBase() = default;
  int Priority = 0;
  TKitSetOfByte AcceptedAnsiChars;
  bool AcceptUnicodeChars = false;
  TKitSetOfByte EndAcceptedAnsiChars;
  bool EndAcceptUnicodeChars = false;

  bool CanStartWith(int32_t ACode) const {
    return ACode > 255 ? AcceptUnicodeChars : AcceptedAnsiChars.Contains(ACode);
  }
  bool EndCanStartWith(int32_t ACode) const {
    return ACode > 255 ? EndAcceptUnicodeChars : EndAcceptedAnsiChars.Contains(ACode);
  }
};

using TRuleTokens = std::vector<TTokenProps*>;  // one token or none per regex group

class TRule : public TRuleBase {
 public:
  TKitString FXml;
  TScheme* FScheme = nullptr;
  int FInnerContentGroup = -1;
  TKitString Name;        // full name of a chain block
  TRuleTokens Tokens[2];  // start and end tokens
  bool HasTokens[2] = {false, false};
  TKitString InnerSchemeName;
  TScheme* InnerScheme = nullptr;
  bool CloseInnerSchemesOnMatchEnd = false;
  TRule* ChainedBlockRule = nullptr;
  TKitString ChainedBlockRuleName;
  bool IsBlockRule = false;

  // Try the start (end) pattern at AStart over at most ACount characters of the line the
  // model's character source is bound to; True fills AMatch.
  virtual bool Match(int AStart, int ACount, TMatchRec& AMatch, int AParserState) = 0;
  virtual bool MatchEnd(int AStart, int ACount, TMatchRec& AMatch, int AParserState) = 0;
  virtual bool NeedVariables() { return false; }
  // The end pattern reads its variables from these segments (start group n is variable n).
  virtual void BindVariables(const std::vector<TKitSegment>* /*AVars*/) {}
  virtual int MaxVarId() { return -1; }
  virtual bool GetVariable(int /*AId*/, int& /*AStart*/, int& /*ACount*/) { return false; }

 protected:
  // Fills the record from the regex's groups with the token row.
  void FillMatch(TKitRegExp& ARegex, const TRuleTokens& ATokens, TMatchRec& AMatch) const;
};

class TRegexRule : public TRule {
 public:
  std::unique_ptr<TKitRegExp> StartRegex;
  std::unique_ptr<TKitRegExp> EndRegex;
  bool LineBound = false;

  bool Match(int AStart, int ACount, TMatchRec& AMatch, int AParserState) override;
  bool MatchEnd(int AStart, int ACount, TMatchRec& AMatch, int AParserState) override;
  bool NeedVariables() override;
  void BindVariables(const std::vector<TKitSegment>* AVars) override;
  int MaxVarId() override;
  bool GetVariable(int AId, int& AStart, int& ACount) override;

 private:
  friend class TSchemeModel;
  const std::vector<TKitSegment>* FVars = nullptr;
  int FNeedVars = -1;  // unknown until asked
};

class TKeywordsRule : public TRule {
 public:
  std::unique_ptr<TKitRegExp> Regex;
  bool Match(int AStart, int ACount, TMatchRec& AMatch, int AParserState) override;
  bool MatchEnd(int, int, TMatchRec&, int) override { return false; }
};

class TSyntaxBlock : public TRuleBase {
 public:
  TKitString FXml;
  int MinLines = 2;
  bool Capture = false;
  std::unique_ptr<TKitRegExp> StartRegex;
  std::unique_ptr<TKitRegExp> EndRegex;
  int StartGroupUsed = 0;
  int EndGroupUsed = 0;

  bool EndNeedsVariables();
  // The end pattern reads variable n from AVars[n].
  void BindVariables(const std::vector<TKitIntArray>* AVars);

 private:
  friend class TSchemeModel;
  const std::vector<TKitIntArray>* FVars = nullptr;
  int FNeedVars = -1;
};

struct TRuleRef {
  TRuleBase* Base = nullptr;
  TRule* Rule = nullptr;
  TSyntaxBlock* SynBlock = nullptr;
};
using TRuleChain = std::vector<TRuleRef>;

// Per-code chains of rules, highest priority first, equal priorities in insertion order.
// Codes 0..255 have a chain each; codes above share one.
class TRulesHash {
 public:
  void AddRule(TRuleBase* ARuleBase, TRule* ARule, TSyntaxBlock* ASynBlock);
  const TRuleChain& GetRuleChain(int32_t ACode) const {
    return static_cast<uint32_t>(ACode) < 256 ? FAnsiHash[ACode] : FUnicodeRules;
  }
  int Count = 0;

 private:
  static void Insert(TRuleChain& AChain, const TRuleRef& ARef);
  TRuleChain FAnsiHash[256];
  TRuleChain FUnicodeRules;
};

class TScheme {
 public:
  explicit TScheme(TSchemeModel* AParser) : FParser(AParser) {}

  TSchemeModel* FParser;
  bool FLoading = false;
  bool FResolved = false;
  std::vector<std::unique_ptr<TRule>> FRules;
  std::vector<std::unique_ptr<TSyntaxBlock>> FSyntaxBlocks;
  TKitString FSynTokensToSkip;
  bool AllIgnoreCase = false;
  std::vector<bool> SkipSyntaxTokens;
  TKitString Name;
  std::vector<TScheme*> ParentSchemes;
  TKitStringList ParentSchemeNames;
  TTokenProps* DefaultToken = nullptr;
  TKeywordMap Keywords{false};
  bool KeywordsIgnoreCase = false;
  TRulesHash RulesHash;
  TRulesHash SynBlocksHash;
  int SyntaxTailMaxLength = 500;
  TKitString MoreWordSeparators;
  TKitString MoreWordChars;
  // Where the scheme was read, for error reports.
  TKitString DocName;
  TKitString DocPath;

  bool HasSyntaxBlocks() const { return SynBlocksHash.Count > 0; }
  bool SkipsToken(const TTokenProps* AToken) const {
    return static_cast<size_t>(AToken->ID) < SkipSyntaxTokens.size() &&
           SkipSyntaxTokens[static_cast<size_t>(AToken->ID)];
  }
  // The syntax blocks whose start pattern can begin at ACode. Above 255 the shared chain is
  // narrowed, once per code, to the blocks whose pattern does not refuse that code at once.
  const TRuleChain& GetBlockChain(int32_t ACode);

 private:
  std::unordered_map<int32_t, TRuleChain> FBlockChains;
};

// The schemes of one loaded pair, the token table and the loader.
class TSchemeModel {
 public:
  TSchemeModel();
  ~TSchemeModel();
  TSchemeModel(const TSchemeModel&) = delete;
  TSchemeModel& operator=(const TSchemeModel&) = delete;

  // Empty loaders make the model read files from the folders.
  void SetSchemeLoaders(TKitEditParserSchemeLoader AColorLoader, TKitEditParserSchemeLoader ASyntaxLoader);
  TKitString SchemesDir;
  TKitString FAttrsDir;
  TKitString AttrsDir() const { return FAttrsDir.empty() ? SchemesDir : FAttrsDir; }

  // Reads the colour document, then the syntax document and every document it refers to.
  // Raises EKitColorSchemeLoadError or EKitSyntaxSchemeLoadError; a failed load keeps
  // what was read (the owner unloads).
  void LoadSchemeDoc(const TKitString& ADocName, const TKitString& AAttrsDocName);
  void UnloadSchemes();
  bool IsSchemeLoaded() const { return FSchemeLoaded; }

  TTokenTable& Tokens() { return FTokenProps; }
  TScheme* RootScheme() const { return FRootSc; }
  const std::vector<std::unique_ptr<TScheme>>& Schemes() const { return FSchemes; }
  // The first scheme of that full name, or none.
  TScheme* FindScheme(const TKitString& AFullName) const;
  TTokenProps* TokenKeyword() const { return FTokenKeyword; }
  TTokenProps* TokenDefault() const { return FTokenDefault; }
  void GetAllTokenIDs(const TKitString& ATokenName, TKitIntArray& AResult) const;

  // Token lookup by reference: the name, then the current document's name, a dot and the
  // name; otherwise a new token of that qualified name with no attributes.
  TTokenProps* TokenByRef(const TKitString& AName);
  // The integer code of a code name ("token" or "token:content").
  int32_t ResolveCodeName(const TKitString& ACodeName);

  TCharsRegexSource& CharsInput() { return FCharsInput; }
  TSynRegexSource& SyntaxInput() { return FSyntaxInput; }
  // Keyword rules look their match up in the characters of the bound line.
  const char16_t* LineChars() const { return FLineChars; }
  int LineStart() const { return FLineStart; }
  void BindLine(const char16_t* AChars, int AStart, int ACount) {
    FLineChars = AChars;
    FLineStart = AStart;
    FCharsInput.Bind(AChars, AStart, ACount);
  }

 private:
  friend class TScheme;
  // Error texts with the current document, scheme, rule and block.
  [[noreturn]] void SchemeError(const std::string& AMessage) const;
  [[noreturn]] void DocError(const std::string& AMessage) const;

  void ReadColorDoc(const TKitString& AName);
  // Reads a syntax document and appends its schemes; answers its root scheme.
  TScheme* ReadSchemesDoc(const TKitString& ADocName);
  void ReadAliases(const IKitXmlNode& AList);
  void ReadScheme(const IKitXmlNode& ANode, TScheme& AScheme);
  std::unique_ptr<TRule> CreateRule(const IKitXmlNode& ANode, TScheme& AScheme);
  void ReadRegexRule(const IKitXmlNode& ANode, TScheme& AScheme, TRegexRule& ARule, const TKitString& AKind);
  void ReadKeywordsRule(const IKitXmlNode& ANode, TScheme& AScheme, TKeywordsRule& ARule);
  std::unique_ptr<TSyntaxBlock> ReadSyntaxBlock(const IKitXmlNode& ANode);
  // Reads the start or end pattern of a block element (attribute AAttr, else child AChild)
  // into a new regex; AChildNode answers the child when there is one.
  // Word characters come from the child, else from the element's attributes prefixed with
  // AAttr and "_"; AScheme is none for the int-code patterns of syntax blocks.
  std::unique_ptr<TKitRegExp> ReadBlockRegex(const IKitXmlNode& ANode, const TKitString& AAttr,
                                             const TKitString& AChild, const TScheme* AScheme, IKitXmlNode& AChildNode);
  // A Regex or KeywordRegex pattern: attribute regex, else the element text.
  std::unique_ptr<TKitRegExp> ReadRuleRegex(const IKitXmlNode& ANode, const TScheme& AScheme, bool AIgnoreCase);
  std::unique_ptr<TKitRegExp> NewRuleRegex(bool AIgnoreCase, const TKitString& AMoreSeps, const TKitString& AMoreChars);
  std::unique_ptr<TKitRegExp> NewCodeRegex();
  // Compiles; an engine error becomes the scheme error AErrorPrefix + "regex: ..., error: ...".
  void CompileRegex(TKitRegExp& ARegex, const TKitString& AText, const std::string& AErrorPrefix);
  TRuleTokens ReadTokens(const IKitXmlNode& ANode, const TKitString& APrefix, int ACount, bool& AAny);
  bool ReadBool(const IKitXmlNode& ANode, const TKitString& AName, bool ADefault) const;
  int ReadInt(const IKitXmlNode& ANode, const TKitString& AName, int ALow, int AHigh, int ADefault) const;

  void ResolveScheme(TScheme& AScheme);
  // Qualifies AName against AScheme's document part and finds (or reads) the scheme.
  TScheme* FindSchemeByRef(const TScheme& AScheme, const TKitString& AName);
  TScheme* FindOrLoadScheme(const TKitString& AFullName);
  void BuildChains(TScheme& AScheme);
  TTokenProps* NewToken(const TKitString& AName);

  TKitEditParserSchemeLoader FColorLoader;
  TKitEditParserSchemeLoader FSyntaxLoader;
  // The sources live as long as the rules that read them.
  TCharsRegexSource FCharsInput;
  TSynRegexSource FSyntaxInput;
  const char16_t* FLineChars = nullptr;
  int FLineStart = 0;
  TTokenTable FTokenProps;
  int FTokenID = -1;
  std::vector<std::unique_ptr<TScheme>> FSchemes;
  std::unordered_map<TKitString, TScheme*> FSchemeIndex;  // first scheme of each full name
  std::set<TKitString> FDocsRead;
  TScheme* FRootSc = nullptr;
  TTokenProps* FTokenKeyword = nullptr;
  TTokenProps* FTokenDefault = nullptr;
  bool FSchemeLoaded = false;
  TKitStringList FInheritPath;
  // Error-report context.
  TKitString FCurSchemeName;
  TKitString FCurRule;
  TKitString FCurBlock;
  TKitString FCurDocName;
  TKitString FCurDocPath;
  TKitString FDefaultWordSeparators;
  TKitString FDefaultWordChars;
};

}  // namespace zv

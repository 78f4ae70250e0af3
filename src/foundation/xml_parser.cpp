#include "foundation/xml_parser.h"

#include <algorithm>
#include <vector>

#include "foundation/errors.h"

namespace zv {

namespace {

struct KeyTable {
  std::vector<std::pair<std::string, TXMLId>> entries;  // lower-case name, id; sorted
  KeyTable() {
    entries.reserve(XMLIdCount);
    for (int i = 0; i < XMLIdCount; ++i) entries.emplace_back(LowerCase(XMLIdNames[i]), static_cast<TXMLId>(i));
    std::sort(entries.begin(), entries.end());
  }
};

const KeyTable& Keys() {
  static const KeyTable table;
  return table;
}

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsNameStart(char c) { return IsLetter(c) || c == '_'; }
bool IsNameChar(char c) { return IsNameStart(c) || (c >= '0' && c <= '9'); }

}  // namespace

bool TXMLParser::TryKeyWord(std::string_view identifier, TXMLId& id) {
  const auto& e = Keys().entries;
  std::string key = LowerCase(identifier);
  auto it = std::lower_bound(e.begin(), e.end(), key,
                             [](const auto& a, const std::string& k) { return a.first < k; });
  if (it == e.end() || it->first != key) return false;
  id = it->second;
  return true;
}

TXMLId TXMLParser::KeyWord(std::string_view identifier) const {
  TXMLId id;
  if (!TryKeyWord(identifier, id))
    RaiseXMLError(Format("'%.*s' unknown identifier", static_cast<int>(identifier.size()), identifier.data()));
  return id;
}

TXMLId TXMLParser::Tag() const {
  if (FTagIdCache < 0) FTagIdCache = KeyWord(FTagIdentifier);
  return static_cast<TXMLId>(FTagIdCache);
}

void TXMLParser::SetText(std::string_view text) {
  FText = text;
  FNextIdx = 0;
  FLineNr = 0;
  Next();
}

void TXMLParser::SkipWhite() {
  for (;;) {
    char c = Ch(FNextIdx);
    if (c == ' ' || c == '\t' || c == '\r') {
      ++FNextIdx;
    } else if (c == '\n') {
      ++FNextIdx;
      ++FLineNr;
    } else {
      return;
    }
  }
}

void TXMLParser::Next() {
  FTagIdCache = -1;
  do {
    SkipWhite();
    char c = Ch(FNextIdx);
    if (c == '/' && Ch(FNextIdx + 1) == '/') {
      FNextIdx += 2;
      while (Ch(FNextIdx) != '\n' && Ch(FNextIdx) != '\0') ++FNextIdx;
      FToken = xtComment;
    } else if (c == '(' && Ch(FNextIdx + 1) == '*') {
      FNextIdx += 2;
      char prev = '*';  // the opening star counts: "(*)" is a whole comment
      for (;;) {
        char d = Ch(FNextIdx);
        if (d == '\0') break;
        ++FNextIdx;
        if (d == ')' && prev == '*') break;
        if (d == '\n') {
          ++FLineNr;
        } else {
          prev = d;
        }
      }
      FToken = xtComment;
    } else if (c == '\0') {
      FTokenIdx = FNextIdx;
      FToken = xtEndOfBuffer;
    } else if (c == '<' && (Ch(FNextIdx + 1) == '!' || Ch(FNextIdx + 1) == '?')) {
      FNextIdx += 2;
      for (;;) {
        char d = Ch(FNextIdx);
        if (d == '\0') break;
        ++FNextIdx;
        if (d == '>') break;
        if (d == '\n') ++FLineNr;
      }
      FToken = xtComment;
    } else if (c == '<') {
      FTokenIdx = FNextIdx;
      ++FNextIdx;
      ScanTag();
    } else {
      FTokenIdx = FNextIdx;
      FToken = xtUnknown;
    }
  } while (FToken == xtComment);
}

void TXMLParser::ScanTag() {
  FToken = xtUnknown;
  FHasAttribute = false;
  FTagIdentifier.clear();
  bool stop = false;
  if (Ch(FNextIdx) == '/') {
    stop = true;
    ++FNextIdx;
  }
  if (!IsNameStart(Ch(FNextIdx))) return;
  FTokenIdx = FNextIdx;
  int start = FNextIdx;
  while (IsNameChar(Ch(FNextIdx))) ++FNextIdx;
  FTagIdentifier.assign(FText.substr(static_cast<size_t>(start), static_cast<size_t>(FNextIdx - start)));
  SkipWhite();
  if (IsNameStart(Ch(FNextIdx))) {
    FTokenIdx = FNextIdx;
    int a = FNextIdx;
    while (IsNameChar(Ch(FNextIdx))) ++FNextIdx;
    FAttribIdentifier.assign(FText.substr(static_cast<size_t>(a), static_cast<size_t>(FNextIdx - a)));
    FAttributeId = KeyWord(FAttribIdentifier);
    SkipWhite();
    if (Ch(FNextIdx) != '=') return;
    ++FNextIdx;
    SkipWhite();
    char q = Ch(FNextIdx);
    if (q != '"' && q != '\'') return;
    FTokenIdx = FNextIdx;
    ++FNextIdx;
    int v = FNextIdx;
    while (Ch(FNextIdx) != q && Ch(FNextIdx) != '\0') ++FNextIdx;
    FAttribValue.assign(FText.substr(static_cast<size_t>(v), static_cast<size_t>(FNextIdx - v)));
    if (Ch(FNextIdx) == q) ++FNextIdx;
    FHasAttribute = true;
    SkipWhite();
  }
  if (Ch(FNextIdx) == '/') {
    ++FNextIdx;
    SkipWhite();
  }
  if (Ch(FNextIdx) == '>') {
    ++FNextIdx;
    FToken = stop ? xtStopTag : xtStartTag;
  }
}

// Counted in characters, not octets: the text is UTF-8, and an editor that shows it puts
// its caret by characters.
int TXMLParser::IndexInLine() const {
  int j = std::min(FTokenIdx, static_cast<int>(FText.size()));
  int column = 0;
  while (j > 0 && FText[static_cast<size_t>(j - 1)] != '\n') {
    --j;
    if ((static_cast<unsigned char>(FText[static_cast<size_t>(j)]) & 0xC0) != 0x80) ++column;
  }
  return column;
}

void TXMLParser::RaiseXMLError(const std::string& s) const { throw EXMLError(s, IndexInLine(), FLineNr + 1); }

bool TXMLParser::IsStartTag(TXMLId k) const { return FToken == xtStartTag && Tag() == k; }

bool TXMLParser::IsStartTag(std::initializer_list<TXMLId> ks) const {
  if (FToken != xtStartTag) return false;
  TXMLId t = Tag();
  return std::find(ks.begin(), ks.end(), t) != ks.end();
}

bool TXMLParser::IsStopTag(TXMLId k) const { return FToken == xtStopTag && Tag() == k; }

void TXMLParser::XMLAssertStartTag(TXMLId k) const {
  if (!IsStartTag(k)) RaiseXMLError(Format("Start tag \"%s\" expected", XMLIdNames[k]));
}

void TXMLParser::XMLAssertStartTagAndNext(TXMLId k) {
  XMLAssertStartTag(k);
  Next();
}

void TXMLParser::XMLAssertStopTag(TXMLId k) const {
  if (!IsStopTag(k)) RaiseXMLError(Format("Stop tag \"%s\" expected", XMLIdNames[k]));
}

void TXMLParser::XMLAssertStopTagAndNext(TXMLId k) {
  XMLAssertStopTag(k);
  Next();
}

TXMLId TXMLParser::XMLStartTag() const {
  if (FToken != xtStartTag) RaiseXMLError("Start tag expected");
  return Tag();
}

std::string TXMLParser::XMLGetAttributeValue(TXMLId a) const {
  if (FToken != xtStartTag || !FHasAttribute || FAttributeId != a)
    RaiseXMLError(Format("\"%s\" expected", XMLIdNames[a]));
  return FAttribValue;
}

void TXMLParser::HexStrToByteStrOfValue(PduStr& bytes) const {
  std::string v = XMLGetAttributeValue(xmlValue);
  try {
    TMisc::TStringFormat f;
    TMisc::FormattedStrToByteStr(v, f, bytes);
  } catch (const EXMLError&) {
    throw;
  } catch (const Exception& e) {
    RaiseXMLError(e.Message());
  }
}

void TXMLParser::UnexpectedKeyword(TXMLId k) const {
  RaiseXMLError(Format("Unexpected keyword \"%s\"", XMLIdNames[k]));
}

TXMLId StringToXMLId(std::string_view text) {
  for (int i = 0; i < XMLIdCount; ++i)
    if (text == XMLIdNames[i]) return static_cast<TXMLId>(i);
  throw EAssertionFailed(Format("No XMLId for string \"%.*s\"", static_cast<int>(text.size()), text.data()));
}

}  // namespace zv

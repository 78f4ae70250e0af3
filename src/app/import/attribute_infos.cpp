#include "app/import/attribute_infos.h"

#include "app/import/import_log.h"
#include "foundation/data_helper.h"
#include "foundation/lexer.h"

namespace zv {

namespace {

std::string HeaderLine(const TAttributeInfo& Info, const char* Fmt) {
  return Format(Fmt, ByteStrToHexStr(Info.InstanceId).c_str(), Info.ClassId, Info.AttributeId);
}

// Instance="<12 characters>" , ClassId=<int> , AttributeId=<int>; names in any case, the
// separators between the three parts are not checked, nor is anything after the last number.
bool ParseHeader(const std::string& Line, std::string& Name, int& ClassId, int& AttributeId) {
  try {
    TLexicalAnalyser lex;
    lex.SetText(Line);
    auto take = [&lex](TLexicalToken Token) {
      const bool ok = lex.Token() == Token;
      lex.Next();
      return ok;
    };
    auto identifier = [&lex, &take](const char* Upper) {
      return lex.Token() == toIdentifier && lex.Identifier() == Upper && take(toIdentifier);
    };
    if (!identifier("INSTANCE") || !take(toEqual)) return false;
    if (lex.Token() != toStrConst || lex.StrConst().size() != 12) return false;
    Name = lex.StrConst();
    lex.Next();
    lex.Next();
    if (!identifier("CLASSID") || !take(toEqual) || lex.Token() != toIntConst) return false;
    ClassId = lex.TokenIntValue();
    lex.Next();
    lex.Next();
    if (!identifier("ATTRIBUTEID") || !take(toEqual) || lex.Token() != toIntConst) return false;
    AttributeId = lex.TokenIntValue();
    return true;
  } catch (const Exception&) {
    // The lexer's own complaints (a number out of range) are syntax errors of the line too.
    return false;
  }
}

// A value's XML lines all begin with '<'; a line that mentions "Instance" and is not XML
// starts the next entry, so that a text value containing the word stays inside its entry.
bool StartsEntry(const std::string& Line) {
  const size_t first = Line.find_first_not_of(" \t");
  return first != std::string::npos && Line[first] != '<' && Line.find("Instance") != std::string::npos;
}

// Values decoded from octets carry the element name "_Data"; the XML reader wants "Data".
void AppendWithoutDataUnderscore(std::string& Text, const std::string& Line) {
  size_t from = 0;
  for (size_t at; (at = Line.find("_Data", from)) != std::string::npos; from = at + 1)
    Text.append(Line, from, at - from);
  Text.append(Line, from, std::string::npos);
}

}  // namespace

std::vector<std::string> TAttributeInfos::GetLines() const {
  std::vector<std::string> lines;
  for (const auto& info : Items) AddEntryLines(*info, lines);
  return lines;
}

void TAttributeInfos::AddEntryLines(const TAttributeInfo& Info, std::vector<std::string>& Lines) {
  Lines.push_back(HeaderLine(Info, "Instance=\"%s\", ClassId=%d, AttributeId=%d"));
  if (Info.DataValue) Info.DataValue->AddXmlToLines(2, Lines);
}

void TAttributeInfos::SaveToStream(std::ostream& Stream) const {
  for (const std::string& line : GetLines()) Stream << line << "\r\n";
}

void TAttributeInfos::Log(IImportLog& Log) const {
  for (const auto& info : Items)
    if (info->DataValue)
      Log.LogProtocolItem(*info->DataValue, HeaderLine(*info, "Instance=%s, ClassId=%d, AttributeId=%d"), 20);
}

void TAttributeInfos::LoadFromStrings(const std::vector<std::string>& Lines) {
  Clear();
  size_t i = 0;
  while (i < Lines.size()) {
    const std::string& header = Lines[i];
    auto info = std::make_unique<TAttributeInfo>();
    std::string name;
    if (!ParseHeader(header, name, info->ClassId, info->AttributeId))
      throw Exception(Format("Syntax error in line %d \"%s\"", static_cast<int>(i + 1), header.c_str()));
    std::string xml;
    for (++i; i < Lines.size() && !StartsEntry(Lines[i]); ++i) AppendWithoutDataUnderscore(xml, Lines[i]);
    try {
      info->InstanceId = HexStrToByteStr(name);
      info->DataValue = TDataHelper::MakeFromXml(xml);
    } catch (const std::exception& e) {
      throw Exception(Format("Error \"%s\" for %s", e.what(), header.c_str()));
    }
    Add(std::move(info));
  }
}

}  // namespace zv

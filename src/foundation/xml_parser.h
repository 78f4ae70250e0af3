// Scanner of the XML form: start tags with at most one attribute, stop tags,
// "//" and "(* *)" comments, skipped declarations. Names map to TXMLId.
#pragma once
#include <initializer_list>
#include <string>
#include <string_view>

#include "foundation/misc.h"
#include "foundation/xml_ids.h"

namespace zv {

enum TXMLToken { xtUnknown, xtStartTag, xtStopTag, xtEndOfBuffer, xtComment };

class TXMLParser {
 public:
  TXMLParser() = default;
  // The parser keeps a view: the caller keeps the text alive.
  explicit TXMLParser(std::string_view text) { SetText(text); }

  void SetText(std::string_view text);
  void Next();

  TXMLToken Token() const { return FToken; }
  int LineNr() const { return FLineNr; }
  int NextIdx() const { return FNextIdx; }
  int IndexInLine() const;
  bool HasAttribute() const { return FHasAttribute; }
  TXMLId AttributeId() const { return FAttributeId; }
  const std::string& AttribValue() const { return FAttribValue; }
  const std::string& TagIdentifier() const { return FTagIdentifier; }

  // Case-insensitive lookup; "'%s' unknown identifier" when absent.
  TXMLId KeyWord(std::string_view identifier) const;
  static bool TryKeyWord(std::string_view identifier, TXMLId& id);
  TXMLId Tag() const;

  bool IsStartTag(TXMLId k) const;
  bool IsStartTag(std::initializer_list<TXMLId> ks) const;
  bool IsStopTag(TXMLId k) const;
  void XMLAssertStartTag(TXMLId k) const;
  void XMLAssertStartTagAndNext(TXMLId k);
  void XMLAssertStopTag(TXMLId k) const;
  void XMLAssertStopTagAndNext(TXMLId k);
  TXMLId XMLStartTag() const;
  std::string XMLGetAttributeValue(TXMLId a) const;
  void HexStrToByteStrOfValue(PduStr& bytes) const;
  [[noreturn]] void UnexpectedKeyword(TXMLId k) const;
  [[noreturn]] void RaiseXMLError(const std::string& s) const;
  [[noreturn]] void NotImplemented(const std::string& s) const { RaiseXMLError(s); }

 private:
  char Ch(int i) const { return i < static_cast<int>(FText.size()) ? FText[static_cast<size_t>(i)] : '\0'; }
  void ScanTag();
  void SkipWhite();

  std::string_view FText;
  TXMLToken FToken = xtEndOfBuffer;
  int FNextIdx = 0;
  int FLineNr = 0;
  int FTokenIdx = 0;
  std::string FTagIdentifier;
  bool FHasAttribute = false;
  std::string FAttribIdentifier;
  TXMLId FAttributeId = xmlName;
  std::string FAttribValue;
  mutable int FTagIdCache = -1;  // -1 unknown yet
};

// The first id whose name equals Text exactly (case-sensitive).
TXMLId StringToXMLId(std::string_view text);

}  // namespace zv

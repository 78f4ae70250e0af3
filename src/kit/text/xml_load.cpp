#include "kit/text/xml_load.h"

#include <algorithm>
#include <cstring>

#include "kit/text/resources.h"
#include "kit/text/sys_info.h"
#include "kit/text/unicode.h"
#include "kit/text/xml_access.h"
#include "kit/text/xml_binary.h"

namespace zv {

// ---------------------------------------------------------------------------------------
// Sources

void TKitXmlSource::Start() { NextBlock(); }

bool TKitXmlSource::NextBlock() {
  if (FAtEnd) return false;
  if (!MoreBlocks()) {
    FPtr = FEnd;
    FAtEnd = true;
    CurChar = 0;
    return false;
  }
  // The finished block's lines, for the positions of later errors.
  for (const char16_t* p = FBlock; p != FEnd; ++p) {
    if (*p == u'\n') {
      ++FLinesBefore;
      FColumnBefore = 0;
    } else {
      ++FColumnBefore;
    }
  }
  const char16_t* begin;
  const char16_t* end;
  while (ReadBlock(begin, end)) {
    if (begin == end) continue;
    FBlock = FPtr = begin;
    FEnd = end;
    CurChar = *begin;
    return true;
  }
  FBlock = FPtr = FEnd;
  FAtEnd = true;
  CurChar = 0;
  return false;
}

void TKitXmlSource::Skip(size_t Count) {
  if (Count == 0) return;
  FPtr += Count - 1;
  Next();
}

void TKitXmlSource::Position(int& Line, int& Column) const {
  Line = FLinesBefore + 1;
  Column = FColumnBefore + 1;
  for (const char16_t* p = FBlock; p != FPtr; ++p) {
    if (*p == u'\n') {
      ++Line;
      Column = 1;
    } else {
      ++Column;
    }
  }
}

TKitXmlStrSource::TKitXmlStrSource(const TKitString& Source) : FSource(Source) { Start(); }

bool TKitXmlStrSource::ReadBlock(const char16_t*& Begin, const char16_t*& End) {
  if (FRead) return false;
  FRead = true;
  Begin = FSource.data();
  End = Begin + FSource.size();
  return true;
}

TKitXmlStmSource::TKitXmlStmSource(TKitStream& Stream, bool IsUtf8, int BufSize)
    : FStream(Stream), FIsUtf8(IsUtf8), FBufSize(std::max(BufSize, 16)),
      FSize(std::max<int64_t>(Stream.Size() - Stream.Position(), 0)) {
  if (FIsUtf8) {
    FEncoding = TKitEncoding::GetEncoding(neUTF8);
    FState = std::make_unique<TKitDecodeState>();
  }
  Start();
}

TKitXmlStmSource::~TKitXmlStmSource() = default;

bool TKitXmlStmSource::ReadBlock(const char16_t*& Begin, const char16_t*& End) {
  if (!FIsUtf8) {
    const int64_t n = std::min<int64_t>(FBufSize, FSize);
    if (n <= 0) return false;
    FBuffer.resize(static_cast<size_t>(n));
    const int64_t got = FStream.Read(FBuffer.data(), n);
    FSize = got < n ? 0 : FSize - n;
    if (got <= 0) return false;
    FChars.resize(static_cast<size_t>(got));
    for (int64_t i = 0; i < got; ++i) FChars[static_cast<size_t>(i)] = KitAnsiCharToWide(FBuffer[static_cast<size_t>(i)]);
    Begin = FChars.data();
    End = Begin + FChars.size();
    return true;
  }
  // FBuffer holds the bytes of a character the previous block cut off.
  for (;;) {
    if (FSize <= 0 && FBuffer.empty()) return false;
    const size_t kept = FBuffer.size();
    const int64_t n = std::min<int64_t>(FBufSize, FSize);
    FBuffer.resize(kept + static_cast<size_t>(n));
    const int64_t got = n > 0 ? FStream.Read(FBuffer.data() + kept, n) : 0;
    FSize = got < n ? 0 : FSize - n;
    FBuffer.resize(kept + static_cast<size_t>(std::max<int64_t>(got, 0)));
    FState->Last = FSize == 0;
    if (FChars.empty()) FChars.resize(1);
    const int units = FBuffer.empty()
                          ? 0
                          : FEncoding->ReadBuffer(FChars, 0, static_cast<int>(FBuffer.size()), 0, FBuffer, *FState);
    const size_t used = FBuffer.empty() ? 0 : static_cast<size_t>(FState->BytesUsed);
    FBuffer.erase(FBuffer.begin(), FBuffer.begin() + static_cast<std::ptrdiff_t>(used));
    if (FState->Last) FBuffer.clear();
    if (units > 0) {
      Begin = FChars.data();
      End = Begin + units;
      return true;
    }
    if (FState->Last) return false;
  }
}

TKitXmlUnicodeStmSource::TKitXmlUnicodeStmSource(TKitStream& Stream, int BufSize)
    : FStream(Stream), FBufSize(std::max(BufSize, 16) & ~1),
      FSize(std::max<int64_t>(Stream.Size() - Stream.Position(), 0)) {
  Start();
}

bool TKitXmlUnicodeStmSource::ReadBlock(const char16_t*& Begin, const char16_t*& End) {
  const int64_t n = std::min<int64_t>(FBufSize, FSize);
  if (n < 2) return false;
  FBuffer.resize(static_cast<size_t>(n));
  const int64_t got = FStream.Read(FBuffer.data(), n);
  FSize = got < n ? 0 : FSize - n;
  const size_t units = static_cast<size_t>(std::max<int64_t>(got, 0) / 2);
  if (units == 0) return false;
  FChars.resize(units);
  for (size_t i = 0; i < units; ++i)
    FChars[i] = static_cast<char16_t>(FBuffer[2 * i] | FBuffer[2 * i + 1] << 8);
  Begin = FChars.data();
  End = Begin + units;
  return true;
}

// ---------------------------------------------------------------------------------------
// Parser

namespace {

constexpr bool IsBlank(char16_t C) { return C <= 32; }

class TParser {
 public:
  TParser(TKitXmlSource& Source, const IKitXmlNameTable& Names, bool Preserve)
      : S(Source), FNames(Names), FPreserve(Preserve) {}

  void ParseXML(TKitXmlNode& Parent, int Depth);

 private:
  [[noreturn]] void Error(const std::string& Message) const {
    int line, column;
    S.Position(line, column);
    throw EPositioned(Message, column, line);
  }
  [[noreturn]] void Waiting(std::u16string_view What) const {
    Error("Waiting \"" + KitToPlatformText(TKitString(What)) + "\"");
  }

  void SkipBlanks() {
    while (!S.Eof() && IsBlank(S.CurChar)) S.Next();
  }
  void ExpectChar(char16_t C) {
    if (S.Eof() || S.CurChar != C) Waiting(std::u16string_view(&C, 1));
    S.Next();
  }
  // Compared ignoring case; the error names the part not yet matched.
  void ExpectText(std::u16string_view Text) {
    for (size_t i = 0; i < Text.size(); ++i) {
      if (S.Eof() || KitUpperChar(S.CurChar) != KitUpperChar(Text[i])) Waiting(Text.substr(i));
      S.Next();
    }
  }
  // Appends the run of characters that Keep accepts.
  template <class Pred>
  void TakeWhile(TKitString& Out, Pred Keep) {
    while (!S.Eof()) {
      const std::u16string_view run = S.Run();
      size_t n = 0;
      while (n < run.size() && Keep(run[n])) ++n;
      Out.append(run.substr(0, n));
      S.Skip(n);
      if (n < run.size()) return;
    }
  }
  void ExpectXmlName(TKitString& Out) {
    if (S.Eof() || !KitXmlIsNameStart(S.CurChar)) Error("Name should began with the letter or symbol \"_\"");
    Out.clear();
    TakeWhile(Out, KitXmlIsNameChar);
  }
  void AppendEntity(TKitString& Out);
  void ExpectQuotedValue(TKitString& Out);
  void ParseAttrs(TKitXmlNode& Node);
  void ParseTo(std::u16string_view Terminator, TKitString& Out);
  void ParseText(TKitXmlNode& Parent);
  void ParseElement(TKitXmlNode& Parent, int Depth);
  void ParseProcessingInstruction(TKitXmlNode& Parent);

  TKitXmlSource& S;
  const IKitXmlNameTable& FNames;
  bool FPreserve;
  TKitString FText, FName, FValue;
};

void TParser::AppendEntity(TKitString& Out) {
  if (!S.Next()) Error("Waiting \"#\" or managing symbol name");
  if (S.CurChar == u'#') {
    if (!S.Next()) Error("Waiting number");
    const bool hex = S.CurChar == u'x';
    if (hex) S.Next();
    const char* message = hex ? "Waiting hexadecimal number" : "Waiting number";
    uint32_t code = 0;
    int digits = 0;
    for (; !S.Eof(); S.Next(), ++digits) {
      const char16_t c = S.CurChar;
      uint32_t d;
      if (c >= u'0' && c <= u'9')
        d = c - u'0';
      else if (hex && c >= u'a' && c <= u'f')
        d = c - u'a' + 10;
      else if (hex && c >= u'A' && c <= u'F')
        d = c - u'A' + 10;
      else
        break;
      code = std::min<uint32_t>(code * (hex ? 16 : 10) + d, 0x110000);
    }
    // Beyond the last code point there is no character to stand for.
    if (digits == 0 || code > 0x10FFFF) Error(message);
    ExpectChar(u';');
    if (code > 0xFFFF) {
      code -= 0x10000;
      Out += static_cast<char16_t>(0xD800 + (code >> 10));
      Out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
      Out += static_cast<char16_t>(code);
    }
    return;
  }
  TKitString name;
  TakeWhile(name, KitXmlIsNameChar);
  char16_t c;
  if (name == u"amp")
    c = u'&';
  else if (name == u"quot")
    c = u'"';
  else if (name == u"lt")
    c = u'<';
  else if (name == u"gt")
    c = u'>';
  else if (name == u"apos")
    c = u'\'';
  else
    Error("Incorrect name of a managing symbol");
  ExpectChar(u';');
  Out += c;
}

void TParser::ExpectQuotedValue(TKitString& Out) {
  const char16_t quote = S.CurChar;
  S.Next();
  Out.clear();
  for (;;) {
    TakeWhile(Out, [quote](char16_t C) { return C != quote && C != u'<' && C != u'&'; });
    if (S.Eof()) Waiting(std::u16string_view(&quote, 1));
    if (S.CurChar == quote) break;
    if (S.CurChar == u'<') Error("Symbol \"<\" cannot used in attribute values");
    AppendEntity(Out);
  }
  S.Next();
}

void TParser::ParseAttrs(TKitXmlNode& Node) {
  SkipBlanks();
  while (!S.Eof() && KitXmlIsNameStart(S.CurChar)) {
    ExpectXmlName(FName);
    const int32_t id = FNames->GetID(FName);
    SkipBlanks();
    ExpectChar(u'=');
    SkipBlanks();
    if (S.Eof()) Error("Waiting attribute value");
    if (S.CurChar != u'\'' && S.CurChar != u'"') Error("Waiting string constant");
    ExpectQuotedValue(FValue);
    Node.SetAttrValue(id, FValue);
    SkipBlanks();
  }
}

void TParser::ParseTo(std::u16string_view Terminator, TKitString& Out) {
  Out.clear();
  const char16_t last = Terminator.back();
  for (;;) {
    if (S.Eof()) Waiting(Terminator);
    const char16_t c = S.CurChar;
    Out += c;
    S.Next();
    if (c == last && Out.ends_with(Terminator)) {
      Out.resize(Out.size() - Terminator.size());
      return;
    }
  }
}

void TParser::ParseText(TKitXmlNode& Parent) {
  FText.clear();
  for (;;) {
    TakeWhile(FText, [](char16_t C) { return C != u'<' && C != u'&'; });
    if (S.Eof() || S.CurChar == u'<') break;
    AppendEntity(FText);
  }
  if (FText.empty()) return;
  size_t start = 0;
  while (start < FText.size() && IsBlank(FText[start])) ++start;
  if (start == FText.size() && !FPreserve) return;
  TKitXmlParserAccess::Append(Parent, std::make_shared<TKitXmlText>(FNames, FText.substr(start)));
}

void TParser::ParseElement(TKitXmlNode& Parent, int Depth) {
  if (Depth >= KitXmlMaxDepth) Error("Elements are nested too deeply");
  ExpectXmlName(FName);
  const TKitString name = FName;
  if (S.Eof()) Error("Setting of element isn't finished");
  if (!IsBlank(S.CurChar) && S.CurChar != u'/' && S.CurChar != u'>') Error("Invalid symbol in the element name");
  auto element = std::make_shared<TKitXmlElement>(FNames, FNames->GetID(name));
  TKitXmlParserAccess::Append(Parent, element);
  ParseAttrs(*element);
  if (!S.Eof() && S.CurChar == u'/') {
    S.Next();
    ExpectChar(u'>');
    return;
  }
  ExpectChar(u'>');
  ParseXML(*element, Depth + 1);
  ExpectChar(u'/');
  ExpectText(name);
  SkipBlanks();
  ExpectChar(u'>');
}

void TParser::ParseProcessingInstruction(TKitXmlNode& Parent) {
  ExpectXmlName(FName);
  const int32_t id = FNames->GetID(FName);
  auto pi = std::make_shared<TKitXmlProcessingInstruction>(FNames, id, TKitString());
  TKitXmlParserAccess::Append(Parent, pi);
  if (id == FNames->XmlID()) {
    ParseAttrs(*pi);
    ExpectText(u"?>");
    return;
  }
  SkipBlanks();
  ParseTo(u"?>", FValue);
  pi->SetText(FValue);
}

void TParser::ParseXML(TKitXmlNode& Parent, int Depth) {
  while (!S.Eof()) {
    ParseText(Parent);
    // A "<" at the very end opens nothing.
    if (S.Eof() || !S.Next()) return;
    switch (S.CurChar) {
      case u'/': return;  // the enclosing element checks its end tag
      case u'?':
        S.Next();
        ParseProcessingInstruction(Parent);
        break;
      case u'!':
        S.Next();
        if (S.CurChar == u'-') {
          ExpectText(u"--");
          ParseTo(u"-->", FValue);
          TKitXmlParserAccess::Append(Parent, std::make_shared<TKitXmlComment>(FNames, FValue));
        } else if (S.CurChar == u'[') {
          ExpectText(u"[CDATA[");
          ParseTo(u"]]>", FValue);
          TKitXmlParserAccess::Append(Parent, std::make_shared<TKitXmlCDATASection>(FNames, FValue));
        } else {
          ExpectText(u"DOCTYPE");
          while (!S.Eof() && S.CurChar != u'>') S.Next();
          S.Next();
        }
        break;
      default: ParseElement(Parent, Depth);
    }
  }
}

}  // namespace

void KitXmlParse(TKitXmlNode& Parent, TKitXmlSource& Source, bool PreserveWhiteSpace) {
  TParser(Source, Parent.NameTable(), PreserveWhiteSpace).ParseXML(Parent, 0);
}

// ---------------------------------------------------------------------------------------
// Documents: loading and saving

namespace {

// The encoding a document without a byte-order mark is taken to be in.
TKitBOM DefaultBOM() {
  const TKitString name = KitLowerCase(KitXmlDefaultEncoding);
  if (name == u"utf-8") return bomUTF8;
  if (name == u"utf-16le") return bomUTF16LE;
  return bomNone;
}

[[noreturn]] void UnsupportedEncoding() { throw Exception("This encoding isn't supported"); }

}  // namespace

void TKitXmlDocument::LoadXML(const TKitString& Text) {
  if (KitIsBinaryXml(Text)) return LoadBinaryText(Text);
  Reset();
  if (FBOM == bomNone) FBOM = DefaultBOM();
  TKitXmlStrSource source(Text);
  KitXmlParse(*this, source, FPreserveWhiteSpace);
}

void TKitXmlDocument::Load(TKitStream& Stream) {
  Reset();
  if (Stream.Size() - Stream.Position() > KitXmlBinarySignatureLength) {
    char head[KitXmlBinarySignatureLength];
    const int64_t got = Stream.Read(head, KitXmlBinarySignatureLength);
    if (got == KitXmlBinarySignatureLength && std::memcmp(head, KitXmlBinarySignature, sizeof head) == 0) {
      TKitStmXmlReader reader(Stream, 0);
      return LoadBinary(reader);
    }
    Stream.Seek(-got, TSeekOrigin::soCurrent);
  }
  FBOM = KitDetectBOM(&Stream, false);
  std::unique_ptr<TKitXmlSource> source;
  switch (FBOM) {
    case bomNone:
      FBOM = DefaultBOM();
      source = std::make_unique<TKitXmlStmSource>(Stream, false);
      break;
    case bomUTF8: source = std::make_unique<TKitXmlStmSource>(Stream, true); break;
    case bomUTF16LE: source = std::make_unique<TKitXmlUnicodeStmSource>(Stream); break;
    default: UnsupportedEncoding();
  }
  KitXmlParse(*this, *source, FPreserveWhiteSpace);
}

void TKitXmlDocument::Load(const TKitString& FileName) {
  TKitFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  Load(stream);
}

bool TKitXmlDocument::LoadXmlResource(const TKitString& Type, const TKitString& Name) {
  const std::span<const uint8_t> bytes = KitFindResource(Type, Name);
  if (bytes.empty()) return false;
  TKitMemoryStream stream(TKitByteArray(bytes.begin(), bytes.end()));
  Load(stream);
  return true;
}

void TKitXmlDocument::Save(TKitStream& Stream) const {
  const TKitString xml = Xml();
  switch (FBOM) {
    case bomNone: {
      const std::string bytes = KitStringToAnsi(xml);
      Stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
      break;
    }
    case bomUTF16LE: {
      KitWriteBOM(&Stream, FBOM);
      std::string bytes(xml.size() * 2, '\0');
      for (size_t i = 0; i < xml.size(); ++i) {
        bytes[2 * i] = static_cast<char>(xml[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(xml[i] >> 8);
      }
      Stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
      break;
    }
    case bomUTF8: {
      KitWriteBOM(&Stream, FBOM);
      std::string bytes;
      KitUTF16ToUTF8(xml, bytes, true, false);
      Stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
      break;
    }
    default: UnsupportedEncoding();
  }
}

void TKitXmlDocument::Save(const TKitString& FileName) const {
  TKitFileStream stream(FileName, fmCreate);
  Save(stream);
}

IKitXmlDocument KitLoadXmlFromString(const TKitString& Text) {
  IKitXmlDocument doc = TKitXmlDocument::Create(KitXmlGlobalNameTable());
  doc->LoadXML(Text);
  return doc;
}

IKitXmlDocument KitLoadXmlFromFile(const TKitString& FileName) {
  IKitXmlDocument doc = TKitXmlDocument::Create(KitXmlGlobalNameTable());
  doc->Load(FileName);
  return doc;
}

IKitXmlDocument KitLoadXmlFromResource(const TKitString& Type, const TKitString& Name) {
  IKitXmlDocument doc = TKitXmlDocument::Create(KitXmlGlobalNameTable());
  if (!doc->LoadXmlResource(Type, Name))
    throw Exception(Format("Resource \"%s\" of type \"%s\" not found", KitToPlatformText(Name).c_str(),
                           KitToPlatformText(Type).c_str()));
  return doc;
}

}  // namespace zv

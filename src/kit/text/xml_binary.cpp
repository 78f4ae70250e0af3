#include "kit/text/xml_binary.h"

#include <algorithm>
#include <cstring>

#include "kit/text/unicode.h"
#include "kit/text/xml_access.h"
#include "kit/text/xml_dom.h"

namespace zv {

namespace {

constexpr size_t BufSize = 65536;

[[noreturn]] void ReadDataError() { throw Exception("Read data error"); }

}  // namespace

// ---------------------------------------------------------------------------------------
// Readers

uint8_t TKitBinXmlReader::ReadByte() {
  uint8_t b;
  Read(&b, 1);
  return b;
}

uint32_t TKitBinXmlReader::ReadUInt32() {
  uint8_t b[4];
  Read(b, 4);
  return uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
}

int32_t TKitBinXmlReader::ReadLongint() {
  const uint8_t first = ReadByte();
  if (first < 0x80) return first;
  if (first == 0xFF) return static_cast<int32_t>(ReadUInt32());
  return (first & 0x7F) << 8 | ReadByte();
}

int32_t TKitBinXmlReader::ReadCount(int MinSize) {
  const int32_t n = ReadLongint();
  if (n < 0 || static_cast<int64_t>(n) * MinSize > Remaining()) ReadDataError();
  return n;
}

TKitString TKitBinXmlReader::ReadAnsiString() {
  const int32_t n = ReadCount(1);
  std::string bytes(static_cast<size_t>(n), '\0');
  Read(bytes.data(), n);
  return KitAnsiToString(bytes);
}

TKitString TKitBinXmlReader::ReadWideString() {
  const int32_t n = ReadCount(2);
  std::vector<uint8_t> bytes(static_cast<size_t>(n) * 2);
  Read(bytes.data(), static_cast<int64_t>(bytes.size()));
  TKitString s(static_cast<size_t>(n), u'\0');
  for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
  return s;
}

TKitString TKitBinXmlReader::ReadXmlString() {
  return (FOptions & 1) ? ReadWideString() : ReadAnsiString();
}

TKitXmlVariant TKitBinXmlReader::ReadVariant() {
  const int32_t type = ReadLongint();
  auto fixed = [this](int Size) {
    uint8_t b[8] = {};
    Read(b, Size);
    uint64_t v = 0;
    for (int i = Size - 1; i >= 0; --i) v = v << 8 | b[i];
    return v;
  };
  switch (type) {
    case varEmpty: return {};
    case varNull: return TKitXmlVariant::Null();
    case varSmallint: return TKitXmlVariant::OfInt(varSmallint, static_cast<int16_t>(fixed(2)));
    case varInteger: return TKitXmlVariant::OfInt(varInteger, static_cast<int32_t>(fixed(4)));
    case varSingle: {
      const uint32_t bits = static_cast<uint32_t>(fixed(4));
      float f;
      std::memcpy(&f, &bits, 4);
      return TKitXmlVariant::OfFloat(varSingle, f);
    }
    case varDouble:
    case varDate: {
      const uint64_t bits = fixed(8);
      double d;
      std::memcpy(&d, &bits, 8);
      return TKitXmlVariant::OfFloat(static_cast<TKitVarType>(type), d);
    }
    case varCurrency: return TKitXmlVariant::OfInt(varCurrency, static_cast<int64_t>(fixed(8)));
    case varOleStr: return TKitXmlVariant::OfString(varOleStr, ReadWideString());
    case varBoolean: return TKitXmlVariant::OfInt(varBoolean, fixed(2) != 0);
    case varShortInt: return TKitXmlVariant::OfInt(varShortInt, static_cast<int8_t>(fixed(1)));
    case varByte: return TKitXmlVariant::OfInt(varByte, static_cast<int64_t>(fixed(1)));
    case varWord: return TKitXmlVariant::OfInt(varWord, static_cast<int64_t>(fixed(2)));
    case varLongWord: return TKitXmlVariant::OfInt(varLongWord, static_cast<int64_t>(fixed(4)));
    case varInt64: return TKitXmlVariant::OfInt(varInt64, static_cast<int64_t>(fixed(8)));
    case varString: return TKitXmlVariant::OfString(varString, ReadAnsiString());
    case varUString: return TKitXmlVariant::OfString(varUString, ReadWideString());
    case varByteArray: {
      TKitByteArray bytes(static_cast<size_t>(ReadCount(1)));
      Read(bytes.data(), static_cast<int64_t>(bytes.size()));
      return TKitXmlVariant::OfBytes(std::move(bytes));
    }
    default: throw Exception("Read value error: Invalid type");
  }
}

TKitStmXmlReader::TKitStmXmlReader(TKitStream& Stream, uint32_t Options)
    : TKitBinXmlReader(Options), FStream(Stream), FBuffer(BufSize),
      FRestSize(std::max<int64_t>(Stream.Size() - Stream.Position(), 0)) {}

void TKitStmXmlReader::Read(void* Buffer, int64_t Size) {
  if (Size < 0 || Size > Remaining()) ReadDataError();
  auto* out = static_cast<uint8_t*>(Buffer);
  while (Size > 0) {
    if (FBufPtr == FBufEnd) {
      const int64_t n = std::min<int64_t>(static_cast<int64_t>(FBuffer.size()), FRestSize);
      const int64_t got = FStream.Read(FBuffer.data(), n);
      if (got <= 0) ReadDataError();
      FRestSize -= got;
      FBufPtr = 0;
      FBufEnd = static_cast<size_t>(got);
    }
    const size_t take = std::min(static_cast<size_t>(Size), FBufEnd - FBufPtr);
    std::memcpy(out, FBuffer.data() + FBufPtr, take);
    FBufPtr += take;
    out += take;
    Size -= static_cast<int64_t>(take);
  }
}

TKitStrXmlReader::TKitStrXmlReader(const TKitString& Data, size_t Start, uint32_t Options)
    : TKitBinXmlReader(Options), FString(Data), FPtr(std::min(Start, Data.size())) {}

void TKitStrXmlReader::Read(void* Buffer, int64_t Size) {
  if (Size < 0 || Size > Remaining()) ReadDataError();
  auto* out = static_cast<uint8_t*>(Buffer);
  for (int64_t i = 0; i < Size; ++i) {
    const char16_t c = FString[FPtr++];
    if (c > 0xFF) ReadDataError();
    out[i] = static_cast<uint8_t>(c);
  }
}

// ---------------------------------------------------------------------------------------
// Writers

void TKitBinXmlWriter::WriteUInt32(uint32_t Value) {
  const uint8_t b[4] = {static_cast<uint8_t>(Value), static_cast<uint8_t>(Value >> 8), static_cast<uint8_t>(Value >> 16),
                        static_cast<uint8_t>(Value >> 24)};
  Write(b, 4);
}

void TKitBinXmlWriter::WriteLongint(int32_t Value) {
  if (Value >= 0 && Value <= 0x7F) {
    WriteByte(static_cast<uint8_t>(Value));
  } else if (Value >= 0x80 && Value <= 0x7FFF && (Value >> 8) != 0x7F) {
    // A high byte of 7F would begin with FF, the mark of the long form.
    const uint8_t b[2] = {static_cast<uint8_t>(Value >> 8 | 0x80), static_cast<uint8_t>(Value)};
    Write(b, 2);
  } else {
    WriteByte(0xFF);
    WriteUInt32(static_cast<uint32_t>(Value));
  }
}

void TKitBinXmlWriter::WriteAnsiString(const TKitString& Value) {
  const std::string bytes = KitStringToAnsi(Value);
  WriteLongint(static_cast<int32_t>(bytes.size()));
  if (!bytes.empty()) Write(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void TKitBinXmlWriter::WriteWideString(const TKitString& Value) {
  WriteLongint(static_cast<int32_t>(Value.size()));
  std::string bytes(Value.size() * 2, '\0');
  for (size_t i = 0; i < Value.size(); ++i) {
    bytes[2 * i] = static_cast<char>(Value[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<char>(Value[i] >> 8);
  }
  if (!bytes.empty()) Write(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void TKitBinXmlWriter::WriteXmlString(const TKitString& Value) {
  if (FOptions & 1)
    WriteWideString(Value);
  else
    WriteAnsiString(Value);
}

void TKitBinXmlWriter::WriteVariant(const TKitXmlVariant& Value) {
  auto fixed = [this](uint64_t V, int Size) {
    uint8_t b[8];
    for (int i = 0; i < Size; ++i) b[i] = static_cast<uint8_t>(V >> (8 * i));
    Write(b, Size);
  };
  const TKitVarType type = Value.VarType();
  WriteLongint(type);
  switch (type) {
    case varEmpty: case varNull: return;
    case varSmallint: case varWord: return fixed(static_cast<uint64_t>(Value.IntValue()), 2);
    case varInteger: case varLongWord: return fixed(static_cast<uint64_t>(Value.IntValue()), 4);
    case varShortInt: case varByte: return fixed(static_cast<uint64_t>(Value.IntValue()), 1);
    case varInt64: case varCurrency: return fixed(static_cast<uint64_t>(Value.IntValue()), 8);
    case varBoolean: return fixed(Value.IntValue() ? 0xFFFF : 0, 2);
    case varSingle: {
      const float f = static_cast<float>(Value.FloatValue());
      uint32_t bits;
      std::memcpy(&bits, &f, 4);
      return fixed(bits, 4);
    }
    case varDouble: case varDate: {
      const double d = Value.FloatValue();
      uint64_t bits;
      std::memcpy(&bits, &d, 8);
      return fixed(bits, 8);
    }
    case varOleStr: case varUString: return WriteWideString(Value.StrValue());
    case varString: return WriteAnsiString(Value.StrValue());
    case varByteArray: {
      const TKitByteArray& b = Value.Bytes();
      WriteLongint(static_cast<int32_t>(b.size()));
      if (!b.empty()) Write(b.data(), static_cast<int64_t>(b.size()));
      return;
    }
  }
  throw Exception("Write value error: Invalid type");
}

TKitStmXmlWriter::TKitStmXmlWriter(TKitStream& Stream, uint32_t Options)
    : TKitBinXmlWriter(Options), FStream(Stream), FBuffer(BufSize) {}

TKitStmXmlWriter::~TKitStmXmlWriter() {
  try {
    Flush();
  } catch (...) {
    // a destructor cannot report it; callers that care call Flush
  }
}

void TKitStmXmlWriter::Write(const void* Buffer, int64_t Size) {
  const auto* in = static_cast<const uint8_t*>(Buffer);
  while (Size > 0) {
    if (FBufPtr == FBuffer.size()) Flush();
    const size_t take = std::min(static_cast<size_t>(Size), FBuffer.size() - FBufPtr);
    std::memcpy(FBuffer.data() + FBufPtr, in, take);
    FBufPtr += take;
    in += take;
    Size -= static_cast<int64_t>(take);
  }
}

void TKitStmXmlWriter::Flush() {
  const size_t n = FBufPtr;
  FBufPtr = 0;
  if (n > 0) FStream.WriteBuffer(FBuffer.data(), static_cast<int64_t>(n));
}

void TKitStrXmlWriter::Write(const void* Buffer, int64_t Size) {
  FData.append(static_cast<const char*>(Buffer), static_cast<size_t>(Size));
}

// ---------------------------------------------------------------------------------------
// Name table

void TKitXmlNameTable::SaveBinXml(TKitBinXmlWriter& Writer) const {
  std::lock_guard<std::mutex> lock(FLock);
  Writer.WriteLongint(static_cast<int32_t>(FNames.size()));
  for (const TKitString& n : FNames) Writer.WriteXmlString(n);
  Writer.WriteLongint(static_cast<int32_t>(FHashTable.size()));
  const auto used = std::count_if(FHashTable.begin(), FHashTable.end(), [](const auto& b) { return !b.empty(); });
  Writer.WriteLongint(static_cast<int32_t>(used));
  for (size_t i = 0; i < FHashTable.size(); ++i) {
    const TKitNameIndexArray& bucket = FHashTable[i];
    if (bucket.empty()) continue;
    Writer.WriteLongint(static_cast<int32_t>(i));
    Writer.WriteLongint(static_cast<int32_t>(bucket.size()));
    for (int32_t id : bucket) Writer.WriteUInt32(static_cast<uint32_t>(id));
  }
}

void TKitXmlNameTable::LoadBinXml(TKitBinXmlReader& Reader) {
  std::vector<TKitString> names(static_cast<size_t>(Reader.ReadCount(1)));
  for (TKitString& n : names) n = Reader.ReadXmlString();
  // The stored buckets are checked and skipped: they are rebuilt for this table's size.
  const int32_t buckets = Reader.ReadLongint();
  const int32_t used = Reader.ReadCount(2);
  int32_t previous = -1;
  for (int32_t b = 0; b < used; ++b) {
    const int32_t index = Reader.ReadLongint();
    if (index <= previous || index >= buckets) ReadDataError();
    previous = index;
    const int32_t count = Reader.ReadCount(4);
    for (int32_t k = 0; k < count; ++k) {
      const auto id = static_cast<int32_t>(Reader.ReadUInt32());
      if (id < 0 || static_cast<size_t>(id) >= names.size()) ReadDataError();
    }
  }
  std::lock_guard<std::mutex> lock(FLock);
  FNames = std::move(names);
  for (TKitNameIndexArray& bucket : FHashTable) bucket.clear();
  for (size_t id = 0; id < FNames.size(); ++id) {
    if (FNames[id].empty()) continue;
    FHashTable[Hash(Key(FNames[id]))].push_back(static_cast<int32_t>(id));
  }
  InternPredefined();
}

// ---------------------------------------------------------------------------------------
// Node trees

namespace {

void WriteNodeBody(TKitBinXmlWriter& W, const TKitXmlNode& Node) {
  const auto& attrs = TKitXmlParserAccess::Attrs(Node);
  W.WriteLongint(static_cast<int32_t>(attrs.size()));
  for (const TKitXmlAttrData& a : attrs) {
    W.WriteLongint(a.NameID);
    W.WriteVariant(a.Value);
  }
  if (!Node.HasChildNodes()) return W.WriteLongint(0);
  const IKitXmlNodeList& children = Node.ChildNodes();
  W.WriteLongint(children->Count());
  for (const IKitXmlNode& c : *children) {
    switch (c->NodeType()) {
      case xntElement:
        W.WriteByte(xntElement);
        W.WriteLongint(c->NodeNameID());
        W.WriteVariant(c->HasChildNodes() ? TKitXmlVariant() : c->NodeValue());
        WriteNodeBody(W, *c);
        break;
      case xntText:
        W.WriteByte(xntText);
        W.WriteVariant(c->NodeValue());
        break;
      case xntCDATASection:
      case xntComment:
        W.WriteByte(static_cast<uint8_t>(c->NodeType()));
        W.WriteXmlString(static_cast<const TKitXmlCharacterData&>(*c).Data());
        break;
      case xntProcessingInstruction:
        W.WriteByte(xntProcessingInstruction);
        W.WriteLongint(c->NodeNameID());
        W.WriteXmlString(c->Text());
        WriteNodeBody(W, *c);
        break;
      default: throw Exception("BinaryXML write error: incorrect node type");
    }
  }
}

int32_t ReadNameID(TKitBinXmlReader& R, const TKitXmlNode& Node) {
  const int32_t id = R.ReadLongint();
  if (id < -1 || id >= Node.NameTable()->Count()) ReadDataError();
  return id;
}

void ReadNodeBody(TKitBinXmlReader& R, TKitXmlNode& Node, int Depth) {
  const IKitXmlNameTable& names = Node.NameTable();
  const int32_t attrs = R.ReadCount(2);
  for (int32_t i = 0; i < attrs; ++i) {
    const int32_t id = ReadNameID(R, Node);
    Node.SetAttrValue(id, R.ReadVariant());
  }
  const int32_t children = R.ReadCount(1);
  for (int32_t i = 0; i < children; ++i) {
    const uint8_t type = R.ReadByte();
    if ((type == xntElement || type == xntProcessingInstruction) && Depth + 1 >= KitXmlMaxDepth)
      throw Exception("Elements are nested too deeply");
    switch (type) {
      case xntElement: {
        const int32_t id = ReadNameID(R, Node);
        auto e = std::make_shared<TKitXmlElement>(names, id);
        TKitXmlParserAccess::Append(Node, e);
        e->SetNodeValue(R.ReadVariant());
        ReadNodeBody(R, *e, Depth + 1);
        break;
      }
      case xntText: TKitXmlParserAccess::Append(Node, std::make_shared<TKitXmlText>(names, R.ReadVariant())); break;
      case xntCDATASection:
        TKitXmlParserAccess::Append(Node, std::make_shared<TKitXmlCDATASection>(names, R.ReadXmlString()));
        break;
      case xntComment:
        TKitXmlParserAccess::Append(Node, std::make_shared<TKitXmlComment>(names, R.ReadXmlString()));
        break;
      case xntProcessingInstruction: {
        const int32_t id = ReadNameID(R, Node);
        auto p = std::make_shared<TKitXmlProcessingInstruction>(names, id, R.ReadXmlString());
        TKitXmlParserAccess::Append(Node, p);
        ReadNodeBody(R, *p, Depth + 1);
        break;
      }
      default: throw Exception("BinaryXML read error: incorrect node type");
    }
  }
}

void WriteDocument(TKitBinXmlWriter& W, const TKitXmlDocument& Doc) {
  W.Write(KitXmlBinarySignature, KitXmlBinarySignatureLength);
  W.WriteUInt32(W.Options());
  Doc.NameTable()->SaveBinXml(W);
  WriteNodeBody(W, Doc);
}

}  // namespace

void TKitXmlDocument::LoadBinary(TKitBinXmlReader& Reader) {
  Reader.SetOptions(Reader.ReadUInt32());
  auto names = std::make_shared<TKitXmlNameTable>(KitXmlGlobalHashTableSize, true);
  names->LoadBinXml(Reader);
  TKitXmlParserAccess::SetNames(*this, std::move(names));
  ReadNodeBody(Reader, *this, 0);
}

void TKitXmlDocument::LoadBinaryText(const TKitString& Text) {
  Reset();
  if (!KitIsBinaryXml(Text)) ReadDataError();
  TKitStrXmlReader reader(Text, KitXmlBinarySignatureLength, 0);
  LoadBinary(reader);
}

TKitString TKitXmlDocument::BinaryText() const {
  TKitStrXmlWriter writer(KitBinXmlWideStrings);
  WriteDocument(writer, *this);
  const std::string& bytes = writer.Data();
  TKitString out(bytes.size(), u'\0');
  for (size_t i = 0; i < bytes.size(); ++i) out[i] = static_cast<uint8_t>(bytes[i]);
  return out;
}

void TKitXmlDocument::SaveBinaryForm(TKitStream& Stream, uint32_t Options) const {
  TKitStmXmlWriter writer(Stream, Options);
  WriteDocument(writer, *this);
  writer.Flush();
}

void TKitXmlDocument::SaveBinaryForm(const TKitString& FileName, uint32_t Options) const {
  TKitFileStream stream(FileName, fmCreate);
  SaveBinaryForm(stream, Options);
}

}  // namespace zv

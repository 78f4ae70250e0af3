// Binary XML: the document's name table and node tree with names as ids and values in
// their typed form. The layout: the signature "< binary-xml >", 32-bit options (bit 0:
// strings as UTF-16), the name table, then the document's node body. Numbers are
// little-endian; counts and ids are packed integers (0..127 in one byte, up to 32767 in
// two with bit 7 of the first set, else FF and 32 bits).
//
// Reading checks every count and length against the bytes that remain, so hostile input
// ends in "Read data error" rather than a large allocation.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "kit/text/kit_types.h"
#include "kit/text/stream.h"
#include "kit/text/xml_names.h"

namespace zv {

class TKitBinXmlReader {
 public:
  explicit TKitBinXmlReader(uint32_t Options) : FOptions(Options) {}
  virtual ~TKitBinXmlReader() = default;

  // Exactly Size bytes; "Read data error" when fewer remain.
  virtual void Read(void* Buffer, int64_t Size) = 0;
  virtual int64_t Remaining() const = 0;

  uint32_t Options() const { return FOptions; }
  void SetOptions(uint32_t Value) { FOptions = Value; }

  uint8_t ReadByte();
  uint32_t ReadUInt32();
  int32_t ReadLongint();
  // A packed count that fits into what remains, at MinSize bytes per item.
  int32_t ReadCount(int MinSize);
  TKitString ReadAnsiString();
  TKitString ReadWideString();
  // Wide or single-byte by option bit 0.
  TKitString ReadXmlString();
  // "Read value error: Invalid type" for a type the form does not know.
  TKitXmlVariant ReadVariant();

 protected:
  uint32_t FOptions;
};

// Through a 64 KiB buffer from the stream's position.
class TKitStmXmlReader : public TKitBinXmlReader {
 public:
  TKitStmXmlReader(TKitStream& Stream, uint32_t Options);
  void Read(void* Buffer, int64_t Size) override;
  int64_t Remaining() const override { return FRestSize + static_cast<int64_t>(FBufEnd - FBufPtr); }

 private:
  TKitStream& FStream;
  std::vector<uint8_t> FBuffer;
  size_t FBufPtr = 0;
  size_t FBufEnd = 0;
  int64_t FRestSize;  // bytes of the stream not yet in the buffer
};

// From a string whose characters are the bytes (U+0000 .. U+00FF).
class TKitStrXmlReader : public TKitBinXmlReader {
 public:
  TKitStrXmlReader(const TKitString& Data, size_t Start, uint32_t Options);
  void Read(void* Buffer, int64_t Size) override;
  int64_t Remaining() const override { return static_cast<int64_t>(FString.size() - FPtr); }

 private:
  const TKitString& FString;
  size_t FPtr;
};

class TKitBinXmlWriter {
 public:
  explicit TKitBinXmlWriter(uint32_t Options) : FOptions(Options) {}
  virtual ~TKitBinXmlWriter() = default;

  virtual void Write(const void* Buffer, int64_t Size) = 0;

  uint32_t Options() const { return FOptions; }

  void WriteByte(uint8_t Value) { Write(&Value, 1); }
  void WriteUInt32(uint32_t Value);
  void WriteLongint(int32_t Value);
  // Characters without a byte in the ANSI code page become '?'.
  void WriteAnsiString(const TKitString& Value);
  void WriteWideString(const TKitString& Value);
  void WriteXmlString(const TKitString& Value);
  void WriteVariant(const TKitXmlVariant& Value);

 protected:
  uint32_t FOptions;
};

// Through a 64 KiB buffer; Flush writes what it holds (the destructor flushes too, but
// cannot report a failure).
class TKitStmXmlWriter : public TKitBinXmlWriter {
 public:
  TKitStmXmlWriter(TKitStream& Stream, uint32_t Options);
  ~TKitStmXmlWriter() override;
  TKitStmXmlWriter(const TKitStmXmlWriter&) = delete;
  TKitStmXmlWriter& operator=(const TKitStmXmlWriter&) = delete;
  void Write(const void* Buffer, int64_t Size) override;
  void Flush();

 private:
  TKitStream& FStream;
  std::vector<uint8_t> FBuffer;
  size_t FBufPtr = 0;
};

class TKitStrXmlWriter : public TKitBinXmlWriter {
 public:
  explicit TKitStrXmlWriter(uint32_t Options) : TKitBinXmlWriter(Options) {}
  void Write(const void* Buffer, int64_t Size) override;
  const std::string& Data() const { return FData; }

 private:
  std::string FData;
};

}  // namespace zv

// Character sources of the XML parser (a string, or a stream of ANSI, UTF-8 or UTF-16LE
// bytes read in blocks) and the parser that turns them into nodes. The documents' Load and
// Save operations and the KitLoadXmlFrom... functions are declared in xml_dom.h.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kit/text/encoding.h"
#include "kit/text/kit_types.h"
#include "kit/text/stream.h"
#include "kit/text/xml_dom.h"

namespace zv {

// A window of characters over the input, refilled block by block. CurChar is the current
// character, 0 at the end.
class TKitXmlSource {
 public:
  virtual ~TKitXmlSource() = default;
  TKitXmlSource(const TKitXmlSource&) = delete;
  TKitXmlSource& operator=(const TKitXmlSource&) = delete;

  char16_t CurChar = 0;
  bool Eof() const { return FAtEnd; }
  // Advances; false at the end.
  bool Next() {
    if (FPtr + 1 < FEnd) {
      CurChar = *++FPtr;
      return true;
    }
    return NextBlock();
  }
  // The characters from the current one on, up to a stop character or the end of the
  // block; the caller consumes them with Skip.
  std::u16string_view Run() const { return {FPtr, static_cast<size_t>(FEnd - FPtr)}; }
  void Skip(size_t Count);
  // The current position: 1-based line and column (in UTF-16 units).
  void Position(int& Line, int& Column) const;

 protected:
  TKitXmlSource() = default;
  // Reads the first block; called by the constructors of the sources.
  void Start();
  // The next block of characters, or false when the input is used up.
  virtual bool ReadBlock(const char16_t*& Begin, const char16_t*& End) = 0;
  // False when ReadBlock is sure to answer false (the current block then stays valid).
  virtual bool MoreBlocks() const { return true; }

 private:
  bool NextBlock();

  const char16_t* FBlock = nullptr;
  const char16_t* FPtr = nullptr;
  const char16_t* FEnd = nullptr;
  bool FAtEnd = false;
  int FLinesBefore = 0;   // line breaks in earlier blocks
  int FColumnBefore = 0;  // characters after the last of them
};

class TKitXmlStrSource : public TKitXmlSource {
 public:
  // The text must outlive the source.
  explicit TKitXmlStrSource(const TKitString& Source);

 protected:
  bool ReadBlock(const char16_t*& Begin, const char16_t*& End) override;
  bool MoreBlocks() const override { return !FRead; }

 private:
  const TKitString& FSource;
  bool FRead = false;
};

// Bytes from the stream's position in blocks of BufSize: through the ANSI code page, or as
// UTF-8 (a character split between blocks is completed from the next one).
class TKitXmlStmSource : public TKitXmlSource {
 public:
  TKitXmlStmSource(TKitStream& Stream, bool IsUtf8, int BufSize = 65536);
  ~TKitXmlStmSource() override;

 protected:
  bool ReadBlock(const char16_t*& Begin, const char16_t*& End) override;

 private:
  TKitStream& FStream;
  bool FIsUtf8;
  int FBufSize;
  int64_t FSize;  // bytes left in the stream
  TKitByteArray FBuffer;
  TKitWideCharArray FChars;
  std::unique_ptr<TKitEncoding> FEncoding;
  std::unique_ptr<TKitDecodeState> FState;
};

// UTF-16LE code units; a final odd byte is ignored.
class TKitXmlUnicodeStmSource : public TKitXmlSource {
 public:
  TKitXmlUnicodeStmSource(TKitStream& Stream, int BufSize = 65536);

 protected:
  bool ReadBlock(const char16_t*& Begin, const char16_t*& End) override;

 private:
  TKitStream& FStream;
  int FBufSize;  // even
  int64_t FSize;
  TKitByteArray FBuffer;
  TKitWideCharArray FChars;
};

// Parses the source into the children of Parent, on Parent's name table. Errors raise
// EPositioned (class name "Exception") with the parser's messages.
void KitXmlParse(TKitXmlNode& Parent, TKitXmlSource& Source, bool PreserveWhiteSpace);

}  // namespace zv

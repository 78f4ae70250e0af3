// Named encodings: conversion between bytes in a code page and UTF-16 units, with the
// code page's byte-order mark ("preamble") and detection of the encoding of a file.
// UTF-16 and UTF-32 in both byte orders are converted here; code page 0 (the system ANSI
// code page) and code page 1252 are the library's fixed Windows-1252 table, UTF-8 is
// decoded by the library's own converter; every other code page goes through iconv.
// Bytes a code page cannot decode become U+FFFD (unless a strict decoding stops there),
// characters it cannot encode '?'.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kit/text/kit_types.h"
#include "kit/text/stream.h"

namespace zv {

ZV_ERROR_CLASS(EKitEncodingError, Exception)

enum TKitNamedEncoding {
  neACP, neOEMCP, neASCII, neUTF7, neUTF8, neUTF16LE, neUTF16BE, neUTF32LE, neUTF32BE, neUndefined
};

// The code page of a named encoding, and the first named encoding of a code page
// (neUndefined when none; code page 0 gives neACP).
int KitNamedEncodingCodePage(TKitNamedEncoding Named);
TKitNamedEncoding KitCodePageNamedEncoding(int CodePage);

struct TKitEncodingDescr {
  std::vector<TKitString> Names;
  TKitNamedEncoding NamedCode = neACP;  // the table does not fill it
  int CodePage = 0;
  TKitString Description;
};

struct TKitEncodingDetect {
  bool PreambleUsed = false;
  int CodePage = 0;
  bool Detected = false;
};

class TKitCodeConverter;

// The state of a decoding done in passes (see TKitEncoding::ReadBuffer with a state). One
// state serves one byte sequence from its start to its end.
class TKitDecodeState {
 public:
  TKitDecodeState();
  ~TKitDecodeState();
  TKitDecodeState(const TKitDecodeState&) = delete;
  TKitDecodeState& operator=(const TKitDecodeState&) = delete;

  // In: no bytes follow the ones of this pass.
  bool Last = false;
  // Out: bytes of this pass that were decoded (a skipped preamble included); the rest,
  // an incomplete character, must be handed in again at the front of the next pass.
  int BytesUsed = 0;
  // Out: the sequence began with the encoding's preamble, which was skipped.
  bool PreambleSeen = false;
  // In: bytes the code page cannot decode are not replaced: the pass stops in front of
  // them and reports Invalid. Only UTF-8 and the platform's code pages can meet such
  // bytes; the others decode every byte.
  bool Strict = false;
  // Out: a strict pass met bytes that are not valid in the code page.
  bool Invalid = false;

  // Starts a new sequence.
  void Reset();

 private:
  friend class TKitEncoding;
  bool FStarted = false;
  bool FHadBytes = false;  // past the preamble
  bool FHadUnits = false;
  std::unique_ptr<TKitCodeConverter> FConverter;
};

class TKitEncoding : public TObject {
 public:
  TKitEncoding(int CodePage, const TKitString& Description, const TKitString& Name, TKitNamedEncoding Named);
  ~TKitEncoding() override;
  TKitEncoding(const TKitEncoding&) = delete;
  TKitEncoding& operator=(const TKitEncoding&) = delete;

  // A code page of the table gets the row's first name and description, any other
  // "Undefined"; both get the named encoding of the code page.
  static std::unique_ptr<TKitEncoding> GetEncoding(int CodePage);
  static std::unique_ptr<TKitEncoding> GetEncoding(TKitNamedEncoding Named);
  // By one of the table's names (case does not matter, blanks around are ignored), else by
  // a decimal code page; anything else raises "Can't create TKitEncoding by name ...".
  static std::unique_ptr<TKitEncoding> GetEncoding(const TKitString& Name);
  static std::vector<TKitEncodingDescr> GetDescriptions(bool ValidOnly);
  // True when this platform can convert the code page.
  static bool IsEncodingValid(int CodePage);
  static bool IsUnicodeEncoding(int CodePage);
  // By the preamble only (UTF-32LE is preferred to UTF-16LE).
  static void TryDetectEncoding(const TKitByteArray& Bytes, int Start, int Count, TKitEncodingDetect& Detect);
  // By the preamble, else by scanning for UTF-8 from the position on; the position is kept.
  static void TryDetectEncoding(TKitStream& Stream, TKitEncodingDetect& Detect);
  static void TryDetectEncoding(const TKitString& FileName, TKitEncodingDetect& Detect);

  int CodePage() const { return FCodePage; }
  const TKitString& Name() const { return FName; }
  const TKitString& Description() const { return FDescription; }
  TKitNamedEncoding NamedEncoding() const { return FNamedEncoding; }

  // Start + the preamble's length when the bytes at Start begin with it, else Start.
  virtual int SkipPreamble(const TKitByteArray& Bytes, int Start, int Count);
  // Writes the preamble at Start; answers its length.
  virtual int WritePreamble(TKitByteArray& Bytes, int Start, int Count);
  // Decodes ByteCount bytes from ByteStart (a preamble at their front is skipped) into
  // Units from UnitsStart; answers the units written. Units grows when MayGrow, else a
  // short destination raises "Buffer given to conversion function is too small".
  virtual int DecodeBuffer(TKitWideCharArray& Units, int UnitsStart, bool MayGrow, int ByteCount, int ByteStart,
                           const TKitByteArray& Bytes);
  // Encodes UnitCount units from UnitsStart into Bytes from ByteStart, behind the preamble
  // when UsePreamble; answers the bytes written, the preamble included.
  virtual int EncodeBuffer(const TKitWideCharArray& Units, int UnitsStart, bool MayGrow, bool UsePreamble,
                           int ByteStart, TKitByteArray& Bytes, int UnitCount);
  virtual int GetRequiredWideCharBufferSize(const TKitByteArray& Bytes, int Start, int Count);
  virtual int GetRequiredByteBufferSize(const TKitWideCharArray& Units, int Start, bool UsePreamble, int Count);
  virtual int PreambleCount() const { return static_cast<int>(FPreamble.size()); }
  virtual TKitByteArray GetPreamble() const { return FPreamble; }
  // Decodes min(ByteCount, what is left) bytes of the stream into Units from UnitsStart.
  virtual int ReadStream(TKitWideCharArray& Units, int UnitsStart, int ByteCount, TKitStream& Stream);
  // Encodes the units and writes them; answers the bytes written.
  virtual int WriteStream(const TKitWideCharArray& Units, int UnitsStart, bool UsePreamble, TKitStream& Stream,
                          int UnitCount);

  bool HavePreamble() const { return !FPreamble.empty(); }
  bool StartsFromMyPreamble(const TKitByteArray& Bytes, int Start, int Count) const;
  int GetRequiredWideCharBufferSize(const TKitByteArray& Bytes);
  int GetRequiredByteBufferSize(const TKitWideCharArray& Units, bool UsePreamble);

  int ReadBuffer(TKitWideCharArray& Units, const TKitByteArray& Bytes);
  int ReadBuffer(TKitWideCharArray& Units, int UnitsStart, int ByteCount, int ByteStart, const TKitByteArray& Bytes);
  // One pass of a decoding in passes. Decodes the whole characters among the bytes (all of
  // them when State.Last) into Units from UnitsStart, growing it; reports in
  // State.BytesUsed how many bytes that took. The preamble is skipped only at the start of
  // the sequence. A pass that holds only part of a character decodes nothing (0 bytes
  // used) unless it is the last. The state of a stateful code page carries over.
  int ReadBuffer(TKitWideCharArray& Units, int UnitsStart, int ByteCount, int ByteStart, const TKitByteArray& Bytes,
                 TKitDecodeState& State);
  int ReadBufferCheck(TKitWideCharArray& Units, const TKitByteArray& Bytes);
  int ReadBufferCheck(TKitWideCharArray& Units, int UnitsStart, int ByteCount, int ByteStart,
                      const TKitByteArray& Bytes);
  int ReadStream(TKitWideCharArray& Units, TKitStream& Stream);
  int WriteBuffer(const TKitWideCharArray& Units, TKitByteArray& Bytes, bool UsePreamble);
  int WriteBuffer(const TKitWideCharArray& Units, int UnitsStart, bool UsePreamble, int ByteStart,
                  TKitByteArray& Bytes, int UnitCount);
  int WriteBufferCheck(const TKitWideCharArray& Units, TKitByteArray& Bytes, bool UsePreamble);
  int WriteBufferCheck(const TKitWideCharArray& Units, int UnitsStart, bool UsePreamble, int ByteStart,
                       TKitByteArray& Bytes, int UnitCount);
  int WriteStream(const TKitWideCharArray& Units, TKitStream& Stream, bool UsePreamble);

 protected:
  TKitString FName;
  int FCodePage;
  TKitNamedEncoding FNamedEncoding;
  TKitString FDescription;
  TKitByteArray FPreamble;

 private:
  // Decodes Count bytes; with Final an incomplete character at the end is decoded too
  // (as U+FFFD), else left over. With Strict it stops in front of the first bytes that
  // would become U+FFFD and sets Invalid. Answers the bytes consumed.
  int Decode(const uint8_t* Bytes, int Count, bool Final, TKitWideCharArray& Out, TKitCodeConverter* Converter,
             bool Strict = false, bool* Invalid = nullptr);
  void Encode(const char16_t* Units, int Count, TKitByteArray& Out);
  std::unique_ptr<TKitCodeConverter> OpenConverter(bool ForDecoding) const;
  const TKitByteArray& DefaultChar();

  // kUTF8 decodes on its own and encodes through the platform.
  enum TKind { kUTF16LE, kUTF16BE, kUTF32LE, kUTF32BE, kAnsi, kUTF8, kPlatform };
  TKind FKind;
  std::string FCharset;  // the platform converter's name of the code page
  std::unique_ptr<TKitCodeConverter> FDecoder, FEncoder;
  TKitByteArray FDefaultChar;
  bool FDefaultCharKnown = false;
};

}  // namespace zv

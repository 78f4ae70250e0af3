// Loading and saving of the document's text in a code page.
#include <algorithm>
#include <functional>
#include <optional>

#include "kit/editor/edit_document.h"
#include "kit/text/helpers.h"

namespace zv {

namespace {

// The loader reads the bytes in passes of this size; a character cut by a pass's end is
// handed in again at the front of the next one.
constexpr int kPassSize = 64 * 1024;
// Encoded lines are gathered up to about this size before they are written.
constexpr size_t kSaveChunk = 64 * 1024;

// Decodes the stream from its position to its end into AText; APreamble tells whether it
// began with the encoding's preamble. Every byte the decoder did not use is kept for the
// next pass, so that invalid input or replacement characters can never shift the stream.
// With AStrict, bytes the code page cannot decode end the decoding early: answers false.
bool DecodeStream(TKitStream& AStream, TKitEncoding& AEncoding, bool AStrict, TKitWideCharArray& AText,
                  bool& APreamble) {
  const int64_t expected = std::max<int64_t>(AStream.Size() - AStream.Position(), 0);
  // Most code pages give at most one unit per byte; a larger file is refused on the way.
  if (expected <= KitMaxTextLength) AText.reserve(static_cast<size_t>(expected));
  TKitByteArray buf(static_cast<size_t>(std::clamp<int64_t>(expected, 16, kPassSize)));
  TKitDecodeState state;
  state.Strict = AStrict;
  int held = 0;
  int64_t total = 0;
  bool atEnd = false;
  for (;;) {
    while (!atEnd && held < static_cast<int>(buf.size())) {
      const int64_t n = AStream.Read(buf.data() + held, static_cast<int64_t>(buf.size()) - held);
      if (n <= 0) atEnd = true;
      else held += static_cast<int>(n), total += n;
    }
    if (held == 0) break;
    state.Last = atEnd;
    AEncoding.ReadBuffer(AText, static_cast<int>(AText.size()), held, 0, buf, state);
    KitCheckTextGrowth(0, static_cast<int64_t>(AText.size()));
    if (state.Invalid) return false;
    const int used = state.BytesUsed;
    if (used == 0 && !atEnd && held == static_cast<int>(buf.size())) {
      // No character of this code page is that long, but a stateful one may need more
      // bytes before it gives any: the buffer grows rather than the loop spinning.
      buf.resize(buf.size() * 2);
      continue;
    }
    if (used == 0 && atEnd) break;
    std::copy(buf.begin() + used, buf.begin() + held, buf.begin());
    held -= used;
  }
  // A file stream reports a failed read as its end: a text cut short is no text.
  if (total < expected) throw EReadError("Stream read error");
  APreamble = state.PreambleSeen;
  return true;
}

// Writes each line with its own line break, encoded in the code page. The writer writes
// nothing for an empty line, so an empty text gives no bytes, not even the mark.
void WriteText(TKitEditDocument& ADoc, int ACodePage, bool AUsePreamble, TKitStream& AStream) {
  std::unique_ptr<TKitEncoding> temporary;
  if (ACodePage != ADoc.CodePage()) temporary = TKitEncoding::GetEncoding(ACodePage);
  TKitEncoding& encoding = temporary ? *temporary : ADoc.Encoding();
  TKitWideCharArray units;
  TKitByteArray bytes;
  for (int i = 0; i < ADoc.LinesCount(); ++i) {
    const TKitSegment line = ADoc.GetLineWithCr(i);
    units.resize(static_cast<size_t>(line.Count));
    KitCopySegment(line, units.data());
    encoding.WriteBuffer(units, 0, AUsePreamble && i == 0, static_cast<int>(bytes.size()), bytes, line.Count);
    if (bytes.size() >= kSaveChunk) {
      AStream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
      bytes.clear();
    }
  }
  AStream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

}  // namespace

// --- code page properties ---

void TKitEditDocument::SetCodePage(int AValue) {
  BeginUpdate();
  try {
    if (AValue != CodePage()) {
      FEncoding = TKitEncoding::GetEncoding(AValue);
      FChanges |= dcCodePagePropsChanged;
    }
  } catch (...) {
    EndUpdate(true);
    throw;
  }
  EndUpdate(true);
}

void TKitEditDocument::SetCodePageName(const TKitString& AValue) {
  if (AValue != CodePageName()) FEncoding = TKitEncoding::GetEncoding(AValue);
}

void TKitEditDocument::SetCodePageUsePreamble(bool AValue) {
  BeginUpdate();
  if (AValue != FCodePageUsePreamble) FChanges |= dcCodePagePropsChanged;
  FCodePageUsePreamble = AValue;
  EndUpdate(true);
}

// --- loading ---

void TKitEditDocument::LoadFromFile(const TKitString& AFileName) { LoadFromFile(AFileName, CodePage(), false); }

void TKitEditDocument::LoadFromFile(const TKitString& AFileName, int ACodePage) {
  LoadFromFile(AFileName, ACodePage, false);
}

void TKitEditDocument::LoadFromFile(const TKitString& AFileName, int ADefaultCodePage, bool AUnicodeAutodetect) {
  LoadFile(AFileName, [&](TKitStream& AStream) { LoadFromStream(AStream, ADefaultCodePage, AUnicodeAutodetect); });
}

void TKitEditDocument::LoadFromFileWithFallback(const TKitString& AFileName, int ACodePage, int AFallbackCodePage) {
  LoadFile(AFileName, [&](TKitStream& AStream) { LoadFromStreamWithFallback(AStream, ACodePage, AFallbackCodePage); });
}

void TKitEditDocument::LoadFile(const TKitString& AFileName, const std::function<void(TKitStream&)>& ALoad) {
  CheckReadOnly();
  CheckChangesLock();
  CheckNotInCompound();
  std::unique_ptr<TKitFileStream> file;
  try {
    file = std::make_unique<TKitFileStream>(AFileName, fmOpenRead);
  } catch (const EStreamError& e) {
    throw EKitEditDocError(e.Message());
  }
  ALoad(*file);
}

void TKitEditDocument::LoadFromStream(TKitStream& AStream) { LoadFromStream(AStream, CodePage(), false); }

void TKitEditDocument::LoadFromStream(TKitStream& AStream, int ACodePage) { LoadFromStream(AStream, ACodePage, false); }

void TKitEditDocument::LoadFromStream(TKitStream& AStream, int ADefaultCodePage, bool AUnicodeAutodetect) {
  Load(AStream, ADefaultCodePage, AUnicodeAutodetect, std::nullopt);
}

void TKitEditDocument::LoadFromStreamWithFallback(TKitStream& AStream, int ACodePage, int AFallbackCodePage) {
  Load(AStream, ACodePage, false, AFallbackCodePage);
}

void TKitEditDocument::Load(TKitStream& AStream, int ADefaultCodePage, bool AUnicodeAutodetect,
                            std::optional<int> AFallbackCodePage) {
  CheckReadOnly();
  CheckChangesLock();
  CheckNotInCompound();
  // The whole file is read and decoded before the text is touched: a failure on the way
  // leaves the text, the modified state and the undo history as they were.
  TKitWideCharArray text;
  std::unique_ptr<TKitEncoding> encoding;
  bool preamble = false;
  try {
    int codePage = ADefaultCodePage;
    if (AUnicodeAutodetect) {
      TKitEncodingDetect detect;
      TKitEncoding::TryDetectEncoding(AStream, detect);
      if (detect.Detected) {
        codePage = detect.CodePage;
        preamble = detect.PreambleUsed;
      }
    }
    encoding = TKitEncoding::GetEncoding(codePage);
    const int64_t start = AStream.Position();
    bool seen = false;
    // One pass decodes and checks: only a file the code page cannot read is read again,
    // whole, in the fallback code page, so that no byte of it is replaced.
    if (!DecodeStream(AStream, *encoding, AFallbackCodePage.has_value(), text, seen)) {
      text.clear();
      AStream.SetPosition(start);
      encoding = TKitEncoding::GetEncoding(*AFallbackCodePage);
      DecodeStream(AStream, *encoding, false, text, seen);
    }
    preamble = seen || preamble;
  } catch (const EStreamError& e) {
    throw EKitEditDocError(e.Message());
  } catch (const EKitEncodingError& e) {
    throw EKitEditDocError(e.Message());
  }

  BeginUpdate();
  // The code page describes the file from the refresh on; a refused refresh restores it.
  const bool changedCodePage = encoding->CodePage() != CodePage();
  if (changedCodePage) std::swap(FEncoding, encoding);
  const bool oldPreamble = FCodePageUsePreamble;
  const TKitDocStatusChanges oldChange = FChanges & dcCodePagePropsChanged;
  try {
    if (changedCodePage || preamble != FCodePageUsePreamble) FChanges |= dcCodePagePropsChanged;
    FCodePageUsePreamble = preamble;
    RefreshText(text.data(), static_cast<int>(text.size()));
  } catch (...) {
    if (changedCodePage) std::swap(FEncoding, encoding);
    FCodePageUsePreamble = oldPreamble;
    FChanges = (FChanges & ~dcCodePagePropsChanged) | oldChange;
    EndUpdate(true);
    throw;
  }
  EndUpdate(true);
}

// --- saving ---

void TKitEditDocument::SaveToFile(const TKitString& AFileName) {
  SaveToFile(AFileName, CodePage(), CodePageUsePreamble());
}

void TKitEditDocument::SaveToFile(const TKitString& AFileName, int ACodePage) {
  SaveToFile(AFileName, ACodePage, CodePageUsePreamble());
}

void TKitEditDocument::SaveToStream(TKitStream& AStream) { SaveToStream(AStream, CodePage(), CodePageUsePreamble()); }

void TKitEditDocument::SaveToStream(TKitStream& AStream, int ACodePage) {
  SaveToStream(AStream, ACodePage, CodePageUsePreamble());
}

void TKitEditDocument::SaveToFile(const TKitString& AFileName, int ACodePage, bool AUsePreamble) {
  // Encoded in full first, then put in place of the old file in one step: neither a code
  // page that cannot encode the text nor a full disk leaves the old file cut off.
  TKitMemoryStream bytes;
  WriteText(*this, ACodePage, AUsePreamble, bytes);
  KitReplaceFile(AFileName, bytes.Memory(), bytes.Size());
  SetSavePoint();
}

void TKitEditDocument::SaveToStream(TKitStream& AStream, int ACodePage, bool AUsePreamble) {
  WriteText(*this, ACodePage, AUsePreamble, AStream);
  SetSavePoint();
}

// --- Lines proxy ---

void TDocumentStringsProxy::LoadFromFile(const TKitString& AFileName) { FParent->LoadFromFile(AFileName); }

void TDocumentStringsProxy::LoadFromStream(TKitStream& AStream) { FParent->LoadFromStream(AStream); }

void TDocumentStringsProxy::SaveToStream(TKitStream& AStream) { FParent->SaveToStream(AStream); }

}  // namespace zv

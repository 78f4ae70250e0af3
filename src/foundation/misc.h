// Octet strings ("PDU strings": one octet per char), the read cursor every decoder
// uses, and the conversions between octets and their texts.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

using PduStr = std::string;

// Read cursor over a private copy of a PDU string; positions are 1-based.
class TStringWrapper {
 public:
  explicit TStringWrapper(std::string_view s) : FString(s) {}
  TStringWrapper(const void* buffer, size_t size)
      : FString(static_cast<const char*>(buffer), size) {}

  int Index() const { return FIndex; }
  int RemainingBytes() const { return static_cast<int>(FString.size()) - FIndex + 1; }

  uint8_t NextByte() {
    if (FIndex > static_cast<int>(FString.size())) WrongEncoding();
    return static_cast<uint8_t>(FString[static_cast<size_t>(FIndex++ - 1)]);
  }
  uint8_t Inspect() const {
    if (FIndex > static_cast<int>(FString.size())) WrongEncoding();
    return static_cast<uint8_t>(FString[static_cast<size_t>(FIndex - 1)]);
  }
  void ExpectByte(uint8_t value);
  std::string CopyFromIndexAndForward(int qty);
  void SetNextByte(uint8_t value);
  // The octets not yet read, without moving.
  std::string_view Rest() const {
    return std::string_view(FString).substr(static_cast<size_t>(FIndex - 1));
  }

  [[noreturn]] static void WrongEncoding();

 private:
  std::string FString;
  int FIndex = 1;
};

class TMisc {
 public:
  enum TStringFormat { sfNone, sfVisibleString, sfHex, sfDotted };

  static std::string ByteStrToHexStr(std::string_view s);
  // "\" + text when every octet is printable and no quote, else hex.
  static std::string ByteStrToFormatedString2(std::string_view s);
  static void FormattedStrToByteStr(std::string_view s, TStringFormat& format, PduStr& bytes);
  static PduStr HexStrToByteStr(std::string_view s);
  static int H1(char digit);
  static uint8_t H2(char high, char low) { return static_cast<uint8_t>(H1(high) * 16 + H1(low)); }
};

// Process-wide conversions.
inline std::string ByteStrToHexStr(std::string_view s) { return TMisc::ByteStrToHexStr(s); }
// Like ByteStrToFormatedString2, but the apostrophe is allowed in the backslash form.
std::string ByteStrToFormatedString(std::string_view s);
inline PduStr HexStrToByteStr(std::string_view s) { return TMisc::HexStrToByteStr(s); }
// Hex where blanks, '-', CR and LF are all skipped.
PduStr HexStrToByteStr2(std::string_view s);
PduStr BytesToByteStr(const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ByteStrToBytes(std::string_view s);
std::string Blanks(int count);
std::string IntToStr2(int n);
std::string RemoveTrailingCRLF(std::string s);
// Appends the lines of Text, each ended by CR LF (the last one may lack it), to Lines.
void SplitCrLfLines(std::string_view Text, std::vector<std::string>& Lines);
std::string MsToElapsedText(int64_t milliseconds, bool withMilliseconds);
uint32_t TicksElapsed(uint32_t startTick, uint32_t nowTick);
// Upper-case hex of Value with at least Digits digits.
std::string IntToHex(uint64_t value, int digits);
// The number parser: decimal, or hex after "$" or "0x"; raises EConvertError
// "'%s' is not a valid integer value".
int32_t StrToInt(std::string_view s);
int64_t StrToInt64(std::string_view s);
bool TryStrToInt(std::string_view s, int32_t& value);
std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);
bool SameText(std::string_view a, std::string_view b);
// Big-endian integer octets.
void AppendBE(PduStr& out, uint64_t value, int octets);

}  // namespace zv

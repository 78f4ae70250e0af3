// The small services of the protection code: text forms, algorithm identifiers, hex
// conversions, public-key halves and the log sink.
#include <gtest/gtest.h>

#include "crypto/assymetric_keys.h"
#include "crypto/hex_conversions.h"
#include "crypto/logging_context.h"
#include "crypto/protection_misc.h"
#include "foundation/errors.h"
#include "support/error_of.h"

using namespace zv;
using zv::test::ErrorOf;

TEST(ProtectionHelper, TextForms) {
  EXPECT_EQ(TProtectionHelper::ByteStrToFormatedString("MMM12345"), "\\MMM12345");
  EXPECT_EQ(TProtectionHelper::ByteStrToFormatedString("MMM\"2345"), "4D4D4D2232333435");
  EXPECT_EQ(TProtectionHelper::ByteStrToFormatedString(std::string("MMM\x1F" "2345")), "4D4D4D1F32333435");
  EXPECT_EQ(TProtectionHelper::ByteStrToFormatedString(""), "");
  EXPECT_EQ(TProtectionHelper::ByteStrToHexStr(std::string("\x0A\xFF", 2)), "0AFF");
  EXPECT_EQ(TProtectionHelper::ByteStrToHexStr(""), "");
  EXPECT_EQ(TProtectionHelper::HexStrToByteStr("0A 1b"), std::string("\x0A\x1B", 2));
  EXPECT_EQ(ErrorOf([] { TProtectionHelper::HexStrToByteStr("0A1"); }), "HexStrToByteStr: Hex-character missing");

  EXPECT_EQ(BinToHex("\x01\xAB"), "01AB");
  EXPECT_EQ(HexToBin("01ab"), "\x01\xAB");
  EXPECT_EQ(ErrorOf([] { HexToBin("0x"); }), "Illegal hex-character");
  EXPECT_EQ(ErrorOf([] { HexToBin("abc"); }), "HexStrToByteStr: Hex-character missing");
  EXPECT_EQ(RemoveSpaces(" ffffffff 00000001 "), "ffffffff00000001");
}

TEST(ProtectionHelper, AlgorithmIdentifiers) {
  EXPECT_EQ(ByteStrToHexStr(TProtectionHelper::GetAlgorithmOID(aiAES_GCM_128)), "60857405080300");
  EXPECT_EQ(ByteStrToHexStr(TProtectionHelper::GetAlgorithmOID(aiAES_GCM_256)), "60857405080301");
  EXPECT_EQ(ByteStrToHexStr(TProtectionHelper::GetAlgorithmOID(aiAES_WRAP_128)), "60857405080302");
  EXPECT_EQ(ByteStrToHexStr(TProtectionHelper::GetAlgorithmOID(aiAES_WRAP_256)), "60857405080303");
  EXPECT_EQ(ErrorOf([] { TProtectionHelper::GetAlgorithmOID(static_cast<TAlgorithmId>(4)); })
                .rfind("Assertion failure (protection_misc.cpp", 0),
            0u);
}

TEST(PublicKey, HalvesOfTheOctetForm) {
  const PduStr bin(64, 'x');
  TPublicKey k = TPublicKey::MakeFromBin(PduStr(32, 'a') + PduStr(32, 'b'));
  EXPECT_EQ(k.x, PduStr(32, 'a'));
  EXPECT_EQ(k.y, PduStr(32, 'b'));
  EXPECT_EQ(ErrorOf([] { TPublicKey::MakeFromBin(PduStr(65, 'a')); }), "TPublicKey.MakeFromBin: Illegal key length");
  k = TPublicKey::MakeFromHex("0102 0304");
  EXPECT_EQ(k.x, "\x01\x02");
  EXPECT_EQ(k.y, "\x03\x04");
}

TEST(LoggingContext, CallsOnlyWhatIsSet) {
  TLoggingContext context;
  context.LogString("nobody listens");
  context.LogStringList({"a"});
  context.LogProtocolItem(nullptr, "t", 0);

  std::vector<std::string> log;
  context.SetLogStringProc([&](const std::string& s) { log.push_back("S:" + s); });
  context.SetLogStringListProc([&](const std::vector<std::string>& l) { log.push_back("L:" + std::to_string(l.size())); });
  context.SetLogProtocolItemProc([&](const TCOSEMPduBase* item, const std::string& title, int indent) {
    log.push_back("P:" + title + ":" + std::to_string(indent) + (item ? ":item" : ":nil"));
  });
  context.LogString("line");
  context.LogStringList({"a", "b"});
  context.LogProtocolItem(nullptr, "RECEIVED:", 20);
  EXPECT_EQ(log, (std::vector<std::string>{"S:line", "L:2", "P:RECEIVED::20:nil"}));
  context.SetLogStringProc(nullptr);
  context.LogString("gone");
  EXPECT_EQ(log.size(), 3u);
}

#include "transport/serial_layer.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <cstdlib>
#include <filesystem>

#include "foundation/globals.h"
#include "support/serial_test_support.h"
#include "support/transport_test_support.h"

using namespace zv;
using zv::test::FakeClock;
using zv::test::LogCapture;
using zv::test::Pty;

namespace {

std::string ErrorOf(const std::function<void()>& Call) {
  try {
    Call();
  } catch (const EProtocolLayerSerial& e) {
    return e.Message();
  }
  return "(no error)";
}

class SerialLayerTest : public ::testing::Test {
 protected:
  SerialLayerTest() {
    Serial.DevicePath = pty.SlaveName;
    Serial.SetClock(Fake);
  }
  // Waits until octets written on the master side have reached the port's input.
  bool Arrived() {
    pollfd p{pty.Slave(), POLLIN, 0};
    return ::poll(&p, 1, 30000) > 0;
  }

  LogCapture Log;
  FakeClock Fake;
  Pty pty;
  TProtocolLayerSerial Serial;
};

TEST_F(SerialLayerTest, OpeningAndClosingAreLoggedOnce) {
  ASSERT_TRUE(pty.Valid());
  EXPECT_FALSE(Serial.IsConnected());
  Serial.Connect();
  EXPECT_TRUE(Serial.IsConnected());
  Serial.Connect();  // already open: nothing
  Serial.Disconnect();
  Serial.Disconnect();  // already closed: nothing
  EXPECT_FALSE(Serial.IsConnected());
  Log.Sync();
  ASSERT_EQ(Log.Lines.size(), 2u);
  EXPECT_TRUE(Log.HasLineEndingWith("Port 1 opened at 9600 baud on " + pty.SlaveName));
  EXPECT_TRUE(Log.HasLineEndingWith("Port 1 closed"));

  Serial.SetShowTraffic(false);
  Serial.Connect();
  Serial.Disconnect();
  Log.Sync();
  EXPECT_EQ(Log.Lines.size(), 2u);
}

TEST_F(SerialLayerTest, SettingsChecks) {
  Serial.Connect();
  // A rate without a termios constant is set all the same.
  EXPECT_EQ(ErrorOf([&] { Serial.SetBaud(14400); }), "(no error)");
  EXPECT_EQ(ErrorOf([&] { Serial.SetBaud(256000); }), "(no error)");
  EXPECT_EQ(ErrorOf([&] { Serial.SetBaud(1234); }), "1234 is not a valid baud");
  EXPECT_EQ(Serial.Baud(), 1234);
  EXPECT_EQ(ErrorOf([&] { Serial.SetBaud(9600); }), "(no error)");
  EXPECT_EQ(ErrorOf([&] { Serial.SetFormat("8N2"); }), "\"8N2\" is not a valid format");
  EXPECT_EQ(ErrorOf([&] { Serial.SetFormat("7E1"); }), "(no error)");
  EXPECT_EQ(ErrorOf([&] { Serial.SetCOMNr(1); }), "(no error)");
  EXPECT_EQ(ErrorOf([&] { Serial.SetCOMNr(2); }), "COM is opened, cannot change COMNr");
  EXPECT_EQ(Serial.COMNr(), 1);
  EXPECT_FALSE(Serial.DCD());

  // Closed, a wrong rate is only stored; the next Connect opens the port and then fails.
  Serial.Disconnect();
  EXPECT_EQ(ErrorOf([&] { Serial.SetBaud(1234); }), "(no error)");
  EXPECT_EQ(ErrorOf([&] { Serial.Connect(); }), "1234 is not a valid baud");
  EXPECT_TRUE(Serial.IsConnected());
  EXPECT_EQ(ErrorOf([&] { Serial.SetCOMNr(2); }), "COM is opened, cannot change COMNr");
}

TEST_F(SerialLayerTest, SendDiscardsUnreadInputAndWritesWhole) {
  EXPECT_EQ(ErrorOf([&] { Serial.Send(nullptr, "x"); }), "\"\" is not connected");
  Serial.Connect();
  ASSERT_TRUE(pty.Write("abc"));
  ASSERT_TRUE(Arrived());
  Serial.Send(nullptr, "xyz");
  EXPECT_EQ(pty.Read(3), "xyz");
  EXPECT_EQ(Serial.LastSendCounter(), Fake.NowMs());
  bool timeout = false;
  Serial.GetByte(100, timeout);
  EXPECT_TRUE(timeout);
  EXPECT_EQ(Fake.Waited.load(), 100 + 10);  // the wait for the octet, and the settling after opening
  // An empty string sends nothing.
  Serial.Send(nullptr, "");
  EXPECT_FALSE(pty.Readable(0));
}

TEST_F(SerialLayerTest, GetByteTakesNoTimeForAWaitingOctet) {
  Serial.Connect();
  const int64_t before = Fake.Waited;
  ASSERT_TRUE(pty.Write("Q"));
  ASSERT_TRUE(Arrived());
  bool timeout = true;
  EXPECT_EQ(Serial.GetByte(100, timeout), 'Q');
  EXPECT_FALSE(timeout);
  EXPECT_EQ(Fake.Waited.load(), before);
  // Interrupted, a wait ends at once even with the process clock.
  Serial.SetClock(DefaultClock());
  Serial.InterruptWaits();
  Serial.GetByte(600000, timeout);
  EXPECT_TRUE(timeout);
  Serial.ResumeWaits();
}

TEST_F(SerialLayerTest, DelayBeforeSend) {
  Serial.Connect();
  Serial.SetDelayBeforeSend(250);
  const int64_t before = Fake.Waited;
  Serial.Send(nullptr, "a");
  EXPECT_GT(Fake.Waited.load() - before, 250);
  EXPECT_EQ(pty.Read(1), "a");
}

TEST_F(SerialLayerTest, PortNumbersNameDevicesInTheSettingsFolder) {
  std::string tmpl = (std::filesystem::temp_directory_path() / "zv_serial_XXXXXX").string();
  const std::string root = mkdtemp(tmpl.data());
  InitGlobals({root, root});
  std::filesystem::create_symlink(pty.SlaveName, SettingsFolder() + "COM7");
  std::filesystem::create_symlink(root + "/missing", SettingsFolder() + "COM9");
  TProtocolLayerSerial port;
  port.SetCOMNr(7);
  EXPECT_EQ(port.DeviceName(), SettingsFolder() + "COM7");
  port.Connect();
  EXPECT_TRUE(port.IsConnected());
  Log.Sync();
  // The lines name the device the number means, and where its link leads.
  EXPECT_TRUE(Log.HasLineEndingWith("Port 7 opened at 9600 baud on " + SettingsFolder() + "COM7 -> " + pty.SlaveName));
  port.Disconnect();
  port.SetCOMNr(9);
  EXPECT_EQ(ErrorOf([&] { port.Connect(); }),
            "Cannot open port 9 (No such file or directory) on " + SettingsFolder() + "COM9 -> " + root + "/missing");
  EXPECT_FALSE(port.IsConnected());
  port.SetCOMNr(12);
  EXPECT_EQ(port.DeviceName(), "/dev/ttyS11");
  DoneGlobals();
  std::filesystem::remove_all(root);
}

}  // namespace

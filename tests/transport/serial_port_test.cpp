#include "platform/serial_port.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>

#include "support/serial_test_support.h"

using namespace zv;
using zv::test::Pty;

namespace {

class SerialPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty.Valid());
    int error = 0;
    ASSERT_TRUE(Port.Open(pty.SlaveName, error)) << SerialErrorText(error);
    TSerialControlBlock b;
    ASSERT_TRUE(Port.GetControlBlock(b, error));
    b.BaudRate = 9600;
    b.Flags = scfBinary | scfDtrControlEnable | scfRtsControlEnable;  // no XON/XOFF
    ASSERT_TRUE(Port.SetControlBlock(b, error));
  }

  Pty pty;
  TSerialPort Port;
};

TEST_F(SerialPortTest, SettingsIncludingRatesWithoutATermiosConstant) {
  struct Row {
    uint32_t Baud;
    uint8_t ByteSize, Parity, StopBits;
  } rows[] = {{9600, 8, 0, 0}, {14400, 8, 2, 0}, {128000, 7, 2, 0}, {256000, 8, 1, 2}, {110, 8, 0, 0}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.Baud);
    int error = 0;
    TSerialControlBlock b;
    ASSERT_TRUE(Port.GetControlBlock(b, error));
    b.BaudRate = r.Baud;
    b.ByteSize = r.ByteSize;
    b.Parity = r.Parity;
    b.StopBits = r.StopBits;
    ASSERT_TRUE(Port.SetControlBlock(b, error)) << SerialErrorText(error);
    TSerialControlBlock back;
    ASSERT_TRUE(Port.GetControlBlock(back, error));
    EXPECT_EQ(back.BaudRate, r.Baud);
    // A pseudo-terminal keeps 8 data bits without parity whatever it is asked for.
    EXPECT_EQ(back.StopBits, r.StopBits);
    EXPECT_EQ(back.DCBlength, sizeof(TSerialControlBlock));
    EXPECT_TRUE(back.Flags & scfBinary);
  }
  int error = 0;
  TSerialControlBlock bad;
  ASSERT_TRUE(Port.GetControlBlock(bad, error));
  bad.ByteSize = 9;
  EXPECT_FALSE(Port.SetControlBlock(bad, error));
  EXPECT_EQ(error, EINVAL);
}

TEST_F(SerialPortTest, RawOctetsBothWays) {
  // Every octet value passes unchanged: no echo, no line editing, no CR/LF translation.
  PduStr all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
  ASSERT_TRUE(pty.Write(all));
  PduStr got;
  int error = 0;
  uint8_t v;
  while (got.size() < all.size() && Port.ReadByte(v, 30000, error) == 1) got.push_back(static_cast<char>(v));
  EXPECT_EQ(got, all);
  ASSERT_TRUE(Port.Write(all.data(), all.size(), error));
  EXPECT_EQ(pty.Read(all.size()), all);
  EXPECT_FALSE(pty.Readable(0));  // nothing was echoed
  EXPECT_EQ(Port.ReadByte(v, 0, error), 0);
  EXPECT_FALSE(Port.CarrierDetect());  // a pseudo-terminal has no modem lines
  EXPECT_EQ(Port.TakeErrorFlags(), 0u);
}

TEST_F(SerialPortTest, PurgeDiscardsWhatWasNotRead) {
  ASSERT_TRUE(pty.Write("abc"));
  int error = 0;
  uint8_t v;
  ASSERT_EQ(Port.ReadByte(v, 30000, error), 1);  // the rest is read ahead
  EXPECT_EQ(v, 'a');
  ASSERT_TRUE(Port.PurgeInput(error));
  EXPECT_EQ(Port.ReadByte(v, 0, error), 0);
  ASSERT_TRUE(pty.Write("d"));
  ASSERT_EQ(Port.ReadByte(v, 30000, error), 1);
  EXPECT_EQ(v, 'd');
}

TEST_F(SerialPortTest, AnInterruptEndsAWaitingRead) {
  auto reader = std::async(std::launch::async, [this] {
    uint8_t v;
    int error = 0;
    return Port.ReadByte(v, 600000, error);
  });
  Port.Interrupt();
  ASSERT_EQ(reader.wait_for(std::chrono::seconds(30)), std::future_status::ready);
  EXPECT_EQ(reader.get(), 0);
  // Interrupted, nothing waits; writes fail.
  uint8_t v;
  int error = 0;
  EXPECT_EQ(Port.ReadByte(v, 600000, error), 0);
  EXPECT_FALSE(Port.Write("x", 1, error));
  EXPECT_EQ(error, EINTR);
  Port.ClearInterrupt();
  ASSERT_TRUE(pty.Write("z"));
  ASSERT_EQ(Port.ReadByte(v, 30000, error), 1);
  EXPECT_EQ(v, 'z');
}

TEST_F(SerialPortTest, ClosingUnderAWaitingRead) {
  auto reader = std::async(std::launch::async, [this] {
    uint8_t v;
    int error = 0;
    const int r = Port.ReadByte(v, 600000, error);
    return r < 0 ? error : 0;
  });
  Port.Close();
  ASSERT_EQ(reader.wait_for(std::chrono::seconds(30)), std::future_status::ready);
  const int error = reader.get();
  // The read either saw the port close under it or came after the close.
  EXPECT_EQ(error, EBADF);
  EXPECT_FALSE(Port.IsOpen());
  // The same device opens again.
  int e = 0;
  EXPECT_TRUE(Port.Open(pty.SlaveName, e)) << SerialErrorText(e);
}

TEST_F(SerialPortTest, OneOpenerAtATime) {
  TSerialPort second;
  int error = 0;
  EXPECT_FALSE(second.Open(pty.SlaveName, error));
  EXPECT_EQ(error, EBUSY);
  EXPECT_FALSE(Port.Open(pty.SlaveName, error));  // already open

  // Something that is not a terminal is no serial port.
  const std::string file = std::filesystem::temp_directory_path() / ("zv_serial_" + std::to_string(::getpid()));
  ::close(::open(file.c_str(), O_CREAT | O_WRONLY, 0600));
  EXPECT_FALSE(second.Open(file, error));
  EXPECT_EQ(error, ENOTTY);
  std::filesystem::remove(file);
  EXPECT_FALSE(second.Open("/nonexistent/ttyX", error));
  EXPECT_EQ(error, ENOENT);
}

TEST(SerialDevicePath, ALinkInTheSettingsFolderElseTheSerialDevice) {
  std::string tmpl = (std::filesystem::temp_directory_path() / "zv_serial_XXXXXX").string();
  const std::string folder = std::string(mkdtemp(tmpl.data())) + "/";
  std::filesystem::create_symlink("/dev/ttyUSB0", folder + "COM3");
  EXPECT_EQ(SerialDevicePath(3, folder), folder + "COM3");
  EXPECT_EQ(SerialDevicePath(3, folder.substr(0, folder.size() - 1)), folder + "COM3");
  EXPECT_EQ(SerialDevicePath(4, folder), "/dev/ttyS3");
  EXPECT_EQ(SerialDevicePath(1, std::string()), "/dev/ttyS0");
  EXPECT_EQ(SerialDevicePath(0, folder), "");
  std::filesystem::remove_all(folder);
}

}  // namespace

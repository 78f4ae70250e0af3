// GET round trips per second against a server session over loopback, with every APDU
// logged as XML to a file, beside a bare loopback echo that answers the same request
// frames with the same response frames: each alone (EchoRoundTrip, ServerGetRoundTrip),
// interleaved in one run with their ratio (ServerToEcho), and interleaved without the log
// (ServerToEchoWithoutLog), which shows what the logging costs. ProfileReadInBlocks reads
// a 10,000-entry load profile in full, in data blocks of the negotiated PDU size 1024,
// with the log on.
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "foundation/date_time.h"
#include "support/test_client.h"
#include "support/test_server.h"

using namespace zv;
using namespace zv::test;

namespace {

// The log's reader takes what has gathered every 10 ms, as a GUI that repaints its pane does
// (ZV_LOG_BATCH_MS changes it; 0 takes each entry at once).
int BatchMs() {
  const char* v = std::getenv("ZV_LOG_BATCH_MS");
  return v ? std::atoi(v) : 10;
}

constexpr int kProfileEntries = 10000;

// The example meter with its load profile (0100630100FF: clock time and +A) holding
// kProfileEntries quarter hours.
std::string MeterWithLongProfile() {
  std::string device = ReadFile(ZV_EXAMPLES_DIR "/meter.txt");
  std::string buffer = "<Array Qty=\"AUTO\">";
  TDateTimeRecord time = TDateTimeRecord::GetDateTimeRecord(2024, 6, 15, 0, 0, 0);
  for (int n = 0; n < kProfileEntries; ++n, time.Advance(900))
    buffer += "<Structure Qty=\"0002\"><OctetString Value=\"" + ByteStrToHexStr(time.COSEMDateTime()) +
              "\"/><DoubleLongUnsigned Value=\"" + IntToHex(1000000u + 7u * static_cast<uint32_t>(n), 8) +
              "\"/></Structure>";
  buffer += "</Array>";
  const size_t profile = device.find("<Name Value=\"0100630100FF\" />");
  const size_t from = device.find("<Buffer>", profile), to = device.find("</Buffer>", profile);
  if (profile == std::string::npos || from == std::string::npos || to == std::string::npos) std::abort();
  return device.substr(0, from + 8) + buffer + device.substr(to);
}

// The session, its client and the frames of one GET, made once for every benchmark.
struct TSetup {
  // The log goes to a temporary file, removed at the end.
  std::string LogName;
  std::FILE* LogFile = nullptr;
  std::unique_ptr<TTestServer> Server;
  TTestClient Client;
  PduStr Request;   // the GET's APDU
  PduStr Response;  // the server's answer to it, as a WPDU

  TSetup() {
    char name[] = "/tmp/zv_server_bench_log_XXXXXX";
    int fd = mkstemp(name);
    LogName = name;
    LogFile = fdopen(fd, "w");
    Server = std::make_unique<TTestServer>(MeterWithLongProfile(), TSettings{},
                                           [this](const std::vector<std::string>& Lines) {
                                             for (const auto& l : Lines) {
                                               std::fwrite(l.data(), 1, l.size(), LogFile);
                                               std::fputc('\n', LogFile);
                                             }
                                           },
                                           false, BatchMs());
    TAarqOptions aarq;
    aarq.MaxPduSize = 1024;
    if (!Server->Start() || !Client.Connect("127.0.0.1", Server->Port()) || !Client.RequestXml(AarqXml(aarq)))
      std::abort();
    Request = ApduFromXml(GetXml(3, "0100010800FF", 2));
    Client.SendApdu(Request);
    PduStr apdu = Client.ReceiveApdu();
    PduStr w;
    AppendBE(w, 1, 2);
    AppendBE(w, 1, 2);
    AppendBE(w, 16, 2);
    AppendBE(w, apdu.size(), 2);
    Response = w + apdu;
  }
  ~TSetup() {
    Client.Close();
    Server.reset();
    std::fclose(LogFile);
    std::remove(LogName.c_str());
  }
};

TSetup& Setup() {
  static TSetup setup;
  return setup;
}

// A loopback peer that answers each request WPDU with the response WPDU, and a client of it.
class TEcho {
 public:
  explicit TEcho(const PduStr& Response) : FResponse(Response) {
    FListen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    ::bind(FListen, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(FListen, 1);
    ::getsockname(FListen, reinterpret_cast<sockaddr*>(&a), &length);
    FThread = std::thread([this] { Serve(); });
    if (!Client.Connect("127.0.0.1", ntohs(a.sin_port))) std::abort();
  }
  ~TEcho() {
    Client.Close();
    FThread.join();
    ::close(FListen);
  }
  TTestClient Client;

 private:
  void Serve() {
    int fd = ::accept(FListen, nullptr, nullptr);
    char buffer[65536];
    for (;;) {
      // One request WPDU: its header, then as many octets as it announces.
      size_t have = 0, need = 8;
      while (have < need) {
        ssize_t n = ::recv(fd, buffer + have, need - have, 0);
        if (n <= 0) {
          ::close(fd);
          return;
        }
        have += static_cast<size_t>(n);
        if (have == 8) need = 8 + ((static_cast<uint8_t>(buffer[6]) << 8) | static_cast<uint8_t>(buffer[7]));
      }
      ::send(fd, FResponse.data(), FResponse.size(), MSG_NOSIGNAL);
    }
  }
  PduStr FResponse;
  int FListen = -1;
  std::thread FThread;
};

void RoundTrip(TTestClient& Client, const PduStr& Request) {
  if (!Client.SendApdu(Request) || Client.ReceiveApdu().empty()) std::abort();
}

void BM_EchoRoundTrip(benchmark::State& state) {
  TEcho echo(Setup().Response);
  for (auto _ : state) RoundTrip(echo.Client, Setup().Request);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EchoRoundTrip)->UseRealTime();

void BM_ServerGetRoundTrip(benchmark::State& state) {
  for (auto _ : state) RoundTrip(Setup().Client, Setup().Request);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ServerGetRoundTrip)->UseRealTime();

// The whole buffer of the load profile: a GET answered with block 1, then a request for
// each next block until the one marked last. A block answer is C4 02, the invoke-id, the
// last-block flag, the block number (4 octets), 00 and the raw data with its length.
void BM_ProfileReadInBlocks(benchmark::State& state) {
  TTestClient& client = Setup().Client;
  const PduStr get = ApduFromXml(GetXml(7, "0100630100FF", 2));
  int64_t blocks = 0, octets = 0;
  for (auto _ : state) {
    PduStr answer;
    if (!client.SendApdu(get)) std::abort();
    for (;;) {
      answer = client.ReceiveApdu();
      if (answer.size() < 10 || static_cast<uint8_t>(answer[0]) != 0xC4 || answer[1] != 2 || answer[8] != 0)
        std::abort();
      ++blocks;
      octets += static_cast<int64_t>(answer.size());
      if (answer[3]) break;
      PduStr next = HexStrToByteStr("C002C1");
      next += answer.substr(4, 4);
      if (!client.SendApdu(next)) std::abort();
    }
  }
  state.counters["blocks"] = static_cast<double>(blocks) / static_cast<double>(state.iterations());
  state.counters["octets"] = static_cast<double>(octets) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ProfileReadInBlocks)->UseRealTime()->Unit(benchmark::kMillisecond);

// Both in the same run, in alternate blocks of 100 round trips so that both meet the same
// conditions of the machine, and their ratio.
void ServerToEcho(benchmark::State& state) {
  TEcho echo(Setup().Response);
  using Clock = std::chrono::steady_clock;
  constexpr int kBlock = 100;
  const int blocks = static_cast<int>(state.range(0)) / kBlock;
  double echoSeconds = 0, serverSeconds = 0;
  int64_t rounds = 0;
  for (auto _ : state) {
    for (int b = 0; b < blocks; ++b) {
      auto t0 = Clock::now();
      for (int i = 0; i < kBlock; ++i) RoundTrip(echo.Client, Setup().Request);
      auto t1 = Clock::now();
      for (int i = 0; i < kBlock; ++i) RoundTrip(Setup().Client, Setup().Request);
      auto t2 = Clock::now();
      echoSeconds += std::chrono::duration<double>(t1 - t0).count();
      serverSeconds += std::chrono::duration<double>(t2 - t1).count();
      rounds += kBlock;
    }
  }
  const double echoRate = rounds / echoSeconds, serverRate = rounds / serverSeconds;
  state.counters["echo_per_s"] = echoRate;
  state.counters["server_per_s"] = serverRate;
  state.counters["ratio"] = serverRate / echoRate;
}
void BM_ServerToEcho(benchmark::State& state) { ServerToEcho(state); }
BENCHMARK(BM_ServerToEcho)->Arg(2000)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);

// The same with the log's reader gone (entries are dropped where they are made): what the
// logging costs. Runs last, since the log stays off.
void BM_ServerToEchoWithoutLog(benchmark::State& state) {
  Logger().Detach();
  ServerToEcho(state);
}
BENCHMARK(BM_ServerToEchoWithoutLog)->Arg(2000)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

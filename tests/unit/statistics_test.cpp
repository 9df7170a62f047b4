#include "statistics/statistics.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "app/program.h"
#include "common/public_config.h"
#include "common/text.h"
#include "fakes/fake_system.h"
#include "platform/win_constants.h"
#include "sysinfo/sys_info.h"

namespace vkr {
namespace {

using testing::Describe;
using testing::FakeSystem;

constexpr char16_t kUrlStart[] =
    u"http://stat.velqo.com/controller/istat.controller.php?item=4061rke2w7&platform=Velqo&game_id=155&ext_1=";
// The fake machine's GUID without braces and hyphens.
constexpr char16_t kFakeGuid[] = u"12345678123456789ABCDEF012345678";

std::u16string Read(FakeSystem& s, const std::u16string& section, const std::u16string& key) {
  return s.profile.ReadString(FakeSystem::kConfigPath, section, key, u"<absent>", 260);
}

bool EndsWith(const std::u16string& text, const std::u16string& suffix) {
  return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

void PutConfig(FakeSystem& s, const std::string& text) { s.files.PutFile(FakeSystem::kConfigPath, text); }

// The fingerprint this machine's probe gives, as the manager must send it.
std::u16string ExpectedMachineId() {
  TSysInfo info;
  return ComputeMachineId(info.CPUSerial(), info.HDDSerial(), info.MacAddress());
}

std::u16string OnlyRequest(FakeSystem& s) {
  EXPECT_EQ(s.http.requests.size(), 1u);
  return s.http.requests.empty() ? std::u16string() : s.http.requests.front().url;
}

TEST(StatisticsUrlTest, QueryInTheServiceOrder) {
  StatisticsReport report;
  report.ext_1 = 3;
  report.refer = u"client";
  report.guid = u"GUID";
  report.machine_id = u"0123";
  report.is_net_bar = true;
  report.ip_address = u"10.0.0.1";
  EXPECT_EQ(BuildStatisticsUrl(StatisticsUrlFormat, report),
            std::u16string(kUrlStart) + u"3&ext_2=client&ext_3=&ext_4=GUID&ext_5=0123&ext_6=1&user_ip=10.0.0.1");
  EXPECT_EQ(BuildStatisticsUrl(StatisticsUrlFormat, StatisticsReport{}),
            std::u16string(kUrlStart) + u"0&ext_2=&ext_3=&ext_4=&ext_5=&ext_6=2&user_ip=");
}

TEST(StatisticsUrlTest, ConfigurationValuesThatWouldBreakTheAddressAreEncoded) {
  FakeSystem s;
  PutConfig(s, "[Common]\r\nRefer=a b&c=1+%41\r\nUID=#7\"%\t用户\r\n[Install]\r\nGUID={A B}\r\n");
  LoadConfig();
  auto manager = TStatisticsManager::Create();
  // The manager keeps its own copies: later changes of the process-wide values do not reach it.
  Refer = u"changed";
  manager->SendSetupStatistics();
  EXPECT_TRUE(EndsWith(OnlyRequest(s), u"&ext_2=a%20b%26c=1%2B%41&ext_3=%237%22%25%09用户&ext_4=A%20B&ext_5=" +
                                           ExpectedMachineId() + u"&ext_6=2&user_ip="));
}

TEST(MachineIdTest, TrimmedSerialsJoinedAndDigestedAsText) {
  EXPECT_EQ(ComputeMachineId(u"", u" ", u"\t\r\n"), u"d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(ComputeMachineId(u" a", u"b\t", u"\r\nc\n"), u"70350f6027bce3713f6b76473084309b");
  EXPECT_EQ(ComputeMachineId(u"a", u"", u"bc"), u"70350f6027bce3713f6b76473084309b");
  // Only the first half of the joined text counts.
  EXPECT_EQ(ComputeMachineId(u"BFEBFBFF000306A9", u"WD-1", u"001122334455"),
            ComputeMachineId(u"BFEBFBFF000306A9", u"WD-2", u"001122334466"));
}

TEST(GuidToStringTest, RegistryFormFromMemoryOrder) {
  const std::uint8_t bytes[16] = {0x78, 0x56, 0x34, 0x12, 0x34, 0x12, 0x78, 0x56,
                                  0x9A, 0xBC, 0xDE, 0xF0, 0x12, 0x34, 0x56, 0x0a};
  EXPECT_EQ(GuidToString(bytes), u"{12345678-1234-5678-9ABC-DEF01234560A}");
}

TEST(FormatIPv4Test, BytesInTheOrderTheyStand) {
  // 192.168.1.20 as it lies in memory in network order, read as a little-endian word.
  EXPECT_EQ(FormatIPv4(0x1401A8C0u), u"192.168.1.20");
  EXPECT_EQ(FormatIPv4(0), u"0.0.0.0");
}

TEST(TStatisticsManagerTest, CreationTouchesNothing) {
  FakeSystem s;
  auto manager = TStatisticsManager::Create();
  EXPECT_FALSE(manager->IsNetBar());
  EXPECT_FALSE(manager->IsAutoRun());
  EXPECT_EQ(manager->Guid(), u"");
  EXPECT_EQ(manager->MachineId(), u"");
  EXPECT_EQ(manager->IpAddress(), u"");
  EXPECT_EQ(manager->InstallTime(), u"");
  EXPECT_EQ(manager->InstallType(), -1);
  EXPECT_EQ(s.profile.reads + s.profile.writes, 0);
  EXPECT_TRUE(s.registry.requests.empty());
  EXPECT_TRUE(s.http.requests.empty());
}

TEST(TStatisticsManagerTest, SetupReportGathersAndSendsOnce) {
  FakeSystem s;
  s.machine.hosts[u"PLAYER-PC"] = {0x1401A8C0u, 0x0100007Fu};
  auto manager = TStatisticsManager::Create();
  manager->SendSetupStatistics();
  EXPECT_EQ(OnlyRequest(s), std::u16string(kUrlStart) + u"2&ext_2=client&ext_3=&ext_4=" + kFakeGuid + u"&ext_5=" +
                                ExpectedMachineId() + u"&ext_6=2&user_ip=192.168.1.20");
  // Each receive waits 10 s at most, and the whole report ends within 15 s.
  EXPECT_EQ(Describe(s.http.requests[0].bounds), "read=10000 total=15000 min=0 window=0");
  EXPECT_LE(s.http.requests[0].cap, 8192u);
  EXPECT_EQ(Read(s, u"Install", u"GUID"), u"{12345678-1234-5678-9ABC-DEF012345678}");
  EXPECT_EQ(Read(s, u"Install", u"InstallTime"), u"2026-12-10 09:05:03");
  EXPECT_EQ(Read(s, u"Common", u"RunCount"), u"<absent>");
  EXPECT_EQ(manager->InstallType(), 0);
  EXPECT_EQ(manager->InstallTime(), u"2026-12-10 09:05:03");
  EXPECT_EQ(s.registry.open_keys(), 0);

  // The values are gathered once per process.
  const std::size_t registry_requests = s.registry.requests.size();
  manager->SendActiveStatistics();
  EXPECT_EQ(s.machine.guids_made, 1);
  EXPECT_EQ(s.registry.requests.size(), registry_requests);
  ASSERT_EQ(s.http.requests.size(), 2u);
  EXPECT_EQ(s.http.requests[1].url, std::u16string(kUrlStart) + u"5&ext_2=client&ext_3=&ext_4=" + kFakeGuid +
                                        u"&ext_5=" + ExpectedMachineId() + u"&ext_6=2&user_ip=192.168.1.20");
}

TEST(TStatisticsManagerTest, SetupCodeFollowsTheInstallType) {
  struct Row {
    const char* config;
    const char16_t* ext_1;
  };
  const Row rows[] = {
      {"[Install]\r\nInstallType=1\r\n", u"3"},   {"[Install]\r\nInstallType=2\r\n", u"2"},
      {"[Install]\r\nInstallType=one\r\n", u"2"}, {"[Install]\r\nInstallType=\r\n", u"2"},
      {"[Common]\r\nRefer=x\r\n", u"2"},
  };
  for (const Row& row : rows) {
    FakeSystem s;
    PutConfig(s, row.config);
    TStatisticsManager::Create()->SendSetupStatistics();
    EXPECT_TRUE(StartsWith(OnlyRequest(s), std::u16string(kUrlStart) + row.ext_1 + u"&")) << row.config;
    // InstallType is only read.
    EXPECT_EQ(s.files.Contents(FakeSystem::kConfigPath).find("InstallType=0"), std::string::npos);
  }
}

TEST(TStatisticsManagerTest, ActivityCodeFollowsTheAutorunSwitch) {
  struct Row {
    std::vector<std::u16string> arguments;
    const char16_t* ext_1;
  };
  const Row rows[] = {
      {{u"/AutoRun"}, u"4"},
      {{}, u"5"},
      {{u"/autorun2"}, u"5"},
      {{u"x", u"/autorun"}, u"5"},
  };
  for (const Row& row : rows) {
    FakeSystem s;
    s.processes.arguments = row.arguments;
    TStatisticsManager::Create()->SendActiveStatistics();
    EXPECT_TRUE(StartsWith(OnlyRequest(s), std::u16string(kUrlStart) + row.ext_1 + u"&"));
  }
}

TEST(TStatisticsManagerTest, CafeFoundSendsOneInBothReports) {
  FakeSystem s;
  s.registry.PutKey(win::HKEY_LOCAL_MACHINE, u"SOFTWARE\\iCafe8");
  auto manager = TStatisticsManager::Create();
  manager->SendSetupStatistics();
  manager->SendActiveStatistics();
  EXPECT_TRUE(manager->IsNetBar());
  ASSERT_EQ(s.http.requests.size(), 2u);
  for (const auto& request : s.http.requests) EXPECT_TRUE(Contains(request.url, u"&ext_6=1&")) << ToUtf8(request.url);
}

TEST(TStatisticsManagerTest, StoredGuidIsCleanedForSendingAndKeptInTheFile) {
  FakeSystem s;
  PutConfig(s, "[Install]\r\nGUID=\" {AB-CD}-EF \"\r\nInstallTime=2020-01-02 03:04:05\r\n");
  auto manager = TStatisticsManager::Create();
  manager->SendSetupStatistics();
  EXPECT_EQ(manager->Guid(), u"ABCDEF");
  EXPECT_EQ(manager->InstallTime(), u"2020-01-02 03:04:05");
  EXPECT_EQ(s.machine.guids_made, 0);
  EXPECT_EQ(s.profile.writes, 0);
  EXPECT_TRUE(Contains(OnlyRequest(s), u"&ext_4=ABCDEF&"));
}

TEST(TStatisticsManagerTest, BlankGuidIsReplaced) {
  FakeSystem s;
  PutConfig(s, "[Install]\r\nGUID=\"   \"\r\n");
  auto manager = TStatisticsManager::Create();
  manager->SendSetupStatistics();
  EXPECT_EQ(manager->Guid(), kFakeGuid);
  EXPECT_EQ(Read(s, u"Install", u"GUID"), u"{12345678-1234-5678-9ABC-DEF012345678}");
}

TEST(TStatisticsManagerTest, NoGuidObtainableWritesEmptyAndSendsGuidError) {
  FakeSystem s;
  s.machine.guid_fails = true;
  TStatisticsManager::Create()->SendSetupStatistics();
  EXPECT_TRUE(Contains(OnlyRequest(s), u"&ext_4=guid%20error&"));
  EXPECT_EQ(Read(s, u"Install", u"GUID"), u"");

  // The next process tries again.
  s.machine.guid_fails = false;
  TStatisticsManager::Create()->SendSetupStatistics();
  EXPECT_EQ(Read(s, u"Install", u"GUID"), u"{12345678-1234-5678-9ABC-DEF012345678}");
}

TEST(TStatisticsManagerTest, UnresolvableHostSendsAnEmptyAddress) {
  FakeSystem s;
  TStatisticsManager::Create()->SendSetupStatistics();
  EXPECT_TRUE(EndsWith(OnlyRequest(s), u"&user_ip="));
}

TEST(SendUrlTest, TrueOnlyForABodyOfExactlyOne) {
  struct Row {
    int status;
    std::string body;
    bool sent;
  };
  const Row rows[] = {
      {200, "1", true}, {200, "1\r\n", false}, {200, " 1", false}, {200, "0", false},
      {200, "", false}, {500, "1", false},     {404, "1", false},  {200, std::string(100000, '1'), false},
  };
  for (const Row& row : rows) {
    FakeSystem s;
    s.http.Answer(u"http://stat.velqo.com/x", row.status, row.body);
    EXPECT_EQ(TStatisticsManager::Create()->SendUrl(u"http://stat.velqo.com/x"), row.sent)
        << row.status << row.body.substr(0, 5);
    ASSERT_EQ(s.http.requests.size(), 1u);
    EXPECT_EQ(Describe(s.http.requests[0].bounds), "read=10000 total=15000 min=0 window=0");
    EXPECT_LE(s.http.requests[0].cap, 8192u);
  }
  FakeSystem s;
  s.http.Fail(u"http://stat.velqo.com/x", 12002);
  EXPECT_FALSE(TStatisticsManager::Create()->SendUrl(u"http://stat.velqo.com/x"));
  EXPECT_FALSE(TStatisticsManager::Create()->SendUrl(u"http://unreachable.invalid/"));
}

TEST(SendStatisticsThreadTest, OnlyTheCallThatMakesTheCountOneStartsAWorker) {
  struct Row {
    const char* config;
    const char16_t* written;
    int started;
  };
  const Row rows[] = {
      {"", u"1", 1},
      {"[Common]\r\nRunCount=abc\r\n", u"1", 1},
      {"[Common]\r\nRunCount=0\r\n", u"1", 1},
      {"[Common]\r\nRunCount=5\r\n", u"6", 0},
      {"[Common]\r\nRunCount=-1\r\n", u"0", 0},
      {"[Common]\r\nRunCount=2147483647\r\n", u"-2147483648", 0},
  };
  for (const Row& row : rows) {
    FakeSystem s;
    if (*row.config) PutConfig(s, row.config);
    auto manager = TStatisticsManager::Create();
    EXPECT_EQ(manager->SendStatisticsThread(kActiveStatistics), row.started == 1) << row.config;
    EXPECT_EQ(Read(s, u"Common", u"RunCount"), row.written) << row.config;
    EXPECT_EQ(s.threads.started, row.started) << row.config;
    // Counting alone gathers nothing and sends nothing.
    EXPECT_TRUE(s.http.requests.empty());
    EXPECT_TRUE(s.registry.requests.empty());
  }
}

TEST(SendStatisticsThreadTest, FirstDocumentReportsLaterDocumentsOnlyCount) {
  FakeSystem s;
  auto manager = TStatisticsManager::Create();
  manager->SendStatisticsThread(kActiveStatistics);
  manager->SendStatisticsThread(kActiveStatistics);
  EXPECT_EQ(Read(s, u"Common", u"RunCount"), u"2");
  EXPECT_EQ(s.threads.started, 1);
  s.threads.RunAll();
  EXPECT_TRUE(StartsWith(OnlyRequest(s), std::u16string(kUrlStart) + u"5&"));
  EXPECT_EQ(Read(s, u"Install", u"GUID"), u"{12345678-1234-5678-9ABC-DEF012345678}");
  EXPECT_EQ(Read(s, u"Install", u"InstallTime"), u"2026-12-10 09:05:03");
  EXPECT_EQ(TSendStatWorker::Running(), 0);
}

TEST(SendStatisticsThreadTest, OtherTypesStartAWorkerWithoutCounting) {
  FakeSystem s;
  auto manager = TStatisticsManager::Create();
  EXPECT_TRUE(manager->SendStatisticsThread(kSetupStatistics));
  EXPECT_TRUE(manager->SendStatisticsThread(7));
  EXPECT_EQ(s.threads.started, 2);
  EXPECT_EQ(Read(s, u"Common", u"RunCount"), u"<absent>");
  s.threads.RunAll();
  // The setup worker reports; the unknown type ends without sending.
  EXPECT_TRUE(StartsWith(OnlyRequest(s), std::u16string(kUrlStart) + u"2&"));
}

TEST(SendStatisticsThreadTest, AWorkerThatCannotStartLosesItsReport) {
  FakeSystem s;
  s.threads.start_fails = true;
  auto manager = TStatisticsManager::Create();
  EXPECT_FALSE(manager->SendStatisticsThread(kActiveStatistics));
  EXPECT_EQ(Read(s, u"Common", u"RunCount"), u"1");
  EXPECT_EQ(TSendStatWorker::Running(), 0);
  EXPECT_FALSE(manager->SendStatisticsThread(kActiveStatistics));
  EXPECT_TRUE(s.http.requests.empty());
}

TEST(TSendStatWorkerTest, ManagerReleasedBeforeTheWorkerRuns) {
  FakeSystem s;
  CreateStatisticsManager();
  ASSERT_NE(StatisticsManager(), nullptr);
  StatisticsManager()->SendStatisticsThread(kActiveStatistics);
  ASSERT_EQ(s.threads.pending.size(), 1u);
  EXPECT_EQ(TSendStatWorker::Running(), 1);

  // The end of the process does not wait for the worker: reports are fire-and-forget.
  ReleaseStatisticsManager();
  EXPECT_EQ(StatisticsManager(), nullptr);
  EXPECT_TRUE(s.clock.sleeps.empty());
  EXPECT_EQ(s.clock.ticks, 1000u);
  EXPECT_EQ(TSendStatWorker::Running(), 1);

  // The worker still owns what it reports with.
  s.threads.RunAll();
  EXPECT_TRUE(StartsWith(OnlyRequest(s), std::u16string(kUrlStart) + u"5&"));
  EXPECT_EQ(TSendStatWorker::Running(), 0);
}

TEST(TSendStatWorkerTest, ReleaseDoesNotWaitWithoutWorkers) {
  FakeSystem s;
  CreateStatisticsManager();
  ReleaseStatisticsManager();
  EXPECT_TRUE(s.clock.sleeps.empty());
}

TEST(TSendStatWorkerTest, AWorkerThatNeverRunsReleasesItsShare) {
  std::weak_ptr<TStatisticsManager> watched;
  {
    FakeSystem s;
    auto manager = TStatisticsManager::Create();
    watched = manager;
    manager->SendStatisticsThread(kActiveStatistics);
    manager.reset();
    EXPECT_FALSE(watched.expired());
  }
  EXPECT_TRUE(watched.expired());
  EXPECT_EQ(TSendStatWorker::Running(), 0);
}

// Runs each body on a real thread once the test opens the gate.
class GatedThreads : public Threads {
 public:
  bool StartDetached(std::function<void()> body) override {
    threads.emplace_back([this, body = std::move(body)]() mutable {
      {
        std::unique_lock<std::mutex> lock(mutex);
        opened.wait(lock, [this] { return open; });
      }
      body();
      body = nullptr;
    });
    return true;
  }
  void Open() {
    {
      std::lock_guard<std::mutex> lock(mutex);
      open = true;
    }
    opened.notify_all();
  }
  std::vector<std::thread> threads;
  std::mutex mutex;
  std::condition_variable opened;
  bool open = false;
};

TEST(TSendStatWorkerTest, RealThreadOutlivesTheReleasedManager) {
  FakeSystem s;
  GatedThreads threads;
  System system = Sys();
  system.threads = &threads;
  InstallSystem(system);
  {
    auto manager = TStatisticsManager::Create();
    EXPECT_TRUE(manager->SendStatisticsThread(kActiveStatistics));
  }
  threads.Open();
  for (auto& thread : threads.threads) thread.join();
  EXPECT_TRUE(StartsWith(OnlyRequest(s), std::u16string(kUrlStart) + u"5&"));
  EXPECT_EQ(TSendStatWorker::Running(), 0);
}

TEST(CheckSendSetupStatisticsTest, OnlyTheTwoSwitchesAsFirstParameter) {
  struct Row {
    std::vector<std::u16string> arguments;
    bool handled;
    bool updater;
  };
  const Row rows[] = {
      {{}, false, false},
      {{u"/setupsucc"}, true, false},
      {{u"/SETUPSUCC"}, true, false},
      {{u"/SetupSuccAndDown"}, true, true},
      {{u"/setupsuccand"}, false, false},
      {{u"/setupsucc "}, false, false},
      {{u"setupsucc"}, false, false},
      {{u"/autorun", u"/setupsucc"}, false, false},
  };
  for (const Row& row : rows) {
    FakeSystem s;
    s.processes.arguments = row.arguments;
    const std::string name = row.arguments.empty() ? "" : ToUtf8(row.arguments[0]);
    EXPECT_EQ(TStatisticsManager::Create()->CheckSendSetupStatistics(), row.handled) << name;
    std::size_t reports = 0;
    std::size_t downloads = 0;
    for (const auto& request : s.http.requests) {
      if (StartsWith(request.url, std::u16string(kUrlStart) + u"2&")) ++reports;
      if (request.url == AnimateIconDownloadUrl) ++downloads;
    }
    EXPECT_EQ(reports, row.handled ? 1u : 0u) << name;
    EXPECT_EQ(downloads, row.updater ? 1u : 0u) << name;
    EXPECT_EQ(s.http.requests.size(), reports + downloads) << name;
  }
}

TEST(RunProgramSetupModeTest, SendsOneReportWritesTheInstallKeysAndEnds) {
  FakeSystem s;
  s.processes.arguments = {u"/SetupSucc"};
  EXPECT_EQ(RunProgram(), 0);
  const std::u16string url = OnlyRequest(s);
  EXPECT_TRUE(StartsWith(url, std::u16string(kUrlStart) + u"2&ext_2=client&ext_3=&ext_4=" + kFakeGuid));
  EXPECT_EQ(Read(s, u"Install", u"GUID"), u"{12345678-1234-5678-9ABC-DEF012345678}");
  EXPECT_EQ(Read(s, u"Install", u"InstallTime"), u"2026-12-10 09:05:03");
  EXPECT_EQ(Read(s, u"Common", u"RunCount"), u"<absent>");
  EXPECT_TRUE(s.ui.boxes.empty());
  EXPECT_TRUE(s.shell.executions.empty());
  EXPECT_EQ(s.ui.loops_run, 1);
  EXPECT_EQ(s.threads.started, 0);
  EXPECT_EQ(StatisticsManager(), nullptr);
  EXPECT_EQ(s.registry.open_keys(), 0);
}

TEST(RunProgramSetupModeTest, AndDownStartsTheCompanionUpdaterAfterTheReport) {
  FakeSystem s;
  s.processes.arguments = {u"/setupsuccanddown"};
  s.http.Answer(AnimateIconDownloadUrl, 200, "MZ updater");
  EXPECT_EQ(RunProgram(), 0);
  ASSERT_EQ(s.http.requests.size(), 2u);
  EXPECT_TRUE(StartsWith(s.http.requests[0].url, kUrlStart));
  EXPECT_EQ(s.http.requests[1].url, AnimateIconDownloadUrl);
  ASSERT_EQ(s.processes.started.size(), 1u);
  EXPECT_TRUE(Contains(s.processes.started[0].command_line, u"\\Upgrade\\IconAnimate_Update.exe"));
  EXPECT_TRUE(s.ui.boxes.empty());
}

TEST(RunProgramSetupModeTest, NormalStartSendsNoReport) {
  FakeSystem s;
  s.processes.arguments = {u"/autorun", u"/setupsucc"};
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_TRUE(s.http.requests.empty());
  EXPECT_EQ(StatisticsManager(), nullptr);
}

}  // namespace
}  // namespace vkr

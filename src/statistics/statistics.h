// Usage statistics: the single statistics manager, its setup and activity reports to the
// platform's statistics service, and the short-lived worker that sends the activity report.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace vkr {

class TSysInfo;

// Report types of SendStatisticsThread and TSendStatWorker.
inline constexpr std::int32_t kSetupStatistics = 0;
inline constexpr std::int32_t kActiveStatistics = 1;

// The service's answer is read up to this many bytes; only "1" means accepted.
inline constexpr std::size_t kStatisticsBodyCap = 4096;
inline constexpr std::uint32_t kStatisticsReadTimeoutMs = 10000;
// A report never takes longer than this in all: the installer waits for the setup report, and a
// slow statistics service must not hold up an installation.
inline constexpr std::uint32_t kStatisticsTotalMs = 15000;

// The values of one report, in the order the service reads them.
struct StatisticsReport {
  std::int32_t ext_1 = 0;  // the setup or activity code
  std::u16string refer;
  std::u16string uid;
  std::u16string guid;
  std::u16string machine_id;
  bool is_net_bar = false;
  std::u16string ip_address;
};

// The report address: `url_format` (StatisticsUrlFormat) followed by the query in the service's
// fixed order. Refer, UID and the GUID come from the configuration file and are percent-encoded
// where they hold characters that would break the address; the other values cannot hold any.
std::u16string BuildStatisticsUrl(const std::u16string& url_format, const StatisticsReport& report);
// The machine fingerprint: MD5String over the trimmed processor serial, disk serial and adapter
// address joined without separator, as 32 lower-case hexadecimal digits.
std::u16string ComputeMachineId(const std::u16string& cpu_serial, const std::u16string& hdd_serial,
                                const std::u16string& mac_address);
// A GUID's 16 bytes in memory order in registry form: braces, hyphens, upper-case digits.
std::u16string GuidToString(const std::uint8_t guid[16]);
// The host part of the report: the four bytes of an IPv4 address, as they stand in memory
// (network order), in dotted decimal.
std::u16string FormatIPv4(std::uint32_t address);

// Reports the setup event (started with a setup switch) and, once per configuration file, the
// activity event. It gathers its values lazily at the first report and keeps them. Created only
// through Create, because a report worker shares ownership of it: a worker that is still sending
// when the process releases its manager keeps the manager alive until it ends.
class TStatisticsManager : public std::enable_shared_from_this<TStatisticsManager> {
  struct Token {};

 public:
  // Sets every field to its start value; touches no file, registry or network.
  static std::shared_ptr<TStatisticsManager> Create();
  explicit TStatisticsManager(Token);
  virtual ~TStatisticsManager();
  TStatisticsManager(const TStatisticsManager&) = delete;
  TStatisticsManager& operator=(const TStatisticsManager&) = delete;

  // For a first command-line parameter of "/setupsucc" or "/setupsuccanddown" (any letter case,
  // whole text): sends the setup report on the calling thread, for the second also downloads
  // and starts the companion updater, and returns true. Otherwise does nothing and returns false.
  bool CheckSendSetupStatistics();
  // The activity-report request of the login window (kActiveStatistics on each completed
  // document): counts the run and starts a worker only when the count has just become 1. Any
  // other type starts a worker of that type. True when a worker was started.
  bool SendStatisticsThread(std::int32_t AStatType);
  // One GET of the address; true only when the service answers with a body of exactly "1".
  bool SendUrl(const std::u16string& AUrl);
  // Gather the values if not done yet, then build and send the report (blocking).
  void SendActiveStatistics();
  void SendSetupStatistics();

  // The gathered values; reading them does not start the gathering.
  bool IsNetBar() const { return FIsNetBar; }
  bool IsAutoRun() const { return FIsAutoRun; }
  const std::u16string& MachineId() const { return FMachineId; }
  const std::u16string& Guid() const { return FGuid; }
  const std::u16string& IpAddress() const { return FIpAddress; }
  const std::u16string& InstallTime() const { return FInstallTime; }
  std::int32_t InstallType() const { return FInstallType; }

 private:
  void InitData();
  bool CheckAutoRun();
  bool CheckNetBar();
  std::u16string GetMachineId();
  std::u16string GetGuid();
  std::u16string CreateGuidString();
  std::u16string GetIpAddress();
  std::u16string GetInstallTime();
  std::int32_t GetInstallType();
  std::int32_t IncRunCount();
  // Gathers the values and builds the address under the lock, so that two reports never gather
  // at the same time.
  std::u16string PrepareReport(std::int32_t AStatType);

  bool FInitData = false;
  bool FIsNetBar = false;
  bool FIsAutoRun = false;
  std::u16string FMachineId;
  std::u16string FGuid;
  std::u16string FIpAddress;
  std::u16string FInstallTime;
  std::unique_ptr<TSysInfo> FSysInfo;
  // Declared for the run count; the run counter always works on the file.
  [[maybe_unused]] std::int32_t FRunCount = -1;
  std::int32_t FInstallType = -1;
  // Copies of the configuration values the reports carry, taken at creation (after the
  // configuration is read): a worker still sending while the process ends must not read the
  // process-wide strings, which are destroyed then.
  const std::u16string FUrlFormat;
  const std::u16string FRefer;
  const std::u16string FUID;
  std::mutex FReportLock;
};

// Sends one report for its owner on a detached thread and releases itself when done.
class TSendStatWorker {
 public:
  TSendStatWorker(std::shared_ptr<TStatisticsManager> AOwner, std::int32_t AStatType);
  ~TSendStatWorker();
  TSendStatWorker(const TSendStatWorker&) = delete;
  TSendStatWorker& operator=(const TSendStatWorker&) = delete;

  // Creates a worker and starts its thread; false when no thread could be started.
  static bool Start(std::shared_ptr<TStatisticsManager> AOwner, std::int32_t AStatType);
  // The thread body: the report of FStatType; nothing for an unknown type.
  void Execute();

  // Workers created and not yet released.
  static int Running();

 private:
  std::shared_ptr<TStatisticsManager> FOwner;
  std::int32_t FStatType;
};

// The process's single manager: created at initialisation after the configuration is read,
// released at the end of the process. Null outside that span.
TStatisticsManager* StatisticsManager();
void CreateStatisticsManager();
// Drops the process's reference and returns at once: reports are fire-and-forget, a worker still
// sending keeps its own share of the manager, and the process ends without tearing down what the
// worker uses (the composition roots end it directly), so nothing waits for a worker.
void ReleaseStatisticsManager();

}  // namespace vkr

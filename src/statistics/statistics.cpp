#include "statistics/statistics.h"

#include <atomic>
#include <utility>
#include <vector>

#include "common/command_line.h"
#include "common/public_config.h"
#include "common/public_unit.h"
#include "common/text.h"
#include "platform/system.h"
#include "statistics/net_bar.h"
#include "statistics/vuxo_md5.h"
#include "sysinfo/sys_info.h"

namespace vkr {
namespace {

// The profile reads of the manager see at most 259 characters, like the system's fixed buffer.
constexpr std::size_t kProfileBufferChars = 260;

constexpr char16_t kRunCountKey[] = u"RunCount";
constexpr char16_t kGuidKey[] = u"GUID";
constexpr char16_t kInstallTimeKey[] = u"InstallTime";
constexpr char16_t kInstallTypeKey[] = u"InstallType";
constexpr char16_t kGuidError[] = u"guid error";

std::atomic<int> running_workers{0};
std::shared_ptr<TStatisticsManager> process_manager;

std::u16string ReadProfile(const std::u16string& section, const std::u16string& key) {
  return Sys().profile->ReadString(GetConfigPath(), section, key, u"", kProfileBufferChars);
}

void WriteProfile(const std::u16string& section, const std::u16string& key, const std::u16string& value) {
  Sys().profile->WriteString(GetConfigPath(), section, key, value);
}

std::u16string RemoveAll(std::u16string text, char16_t what) {
  std::u16string out;
  for (const char16_t c : text) {
    if (c != what) out.push_back(c);
  }
  return out;
}

}  // namespace

std::u16string BuildStatisticsUrl(const std::u16string& url_format, const StatisticsReport& report) {
  return url_format + u"item=4061rke2w7&platform=Velqo&game_id=155&ext_1=" + ToText(report.ext_1) + u"&ext_2=" +
         EncodeUnsafeUrlChars(report.refer) + u"&ext_3=" + EncodeUnsafeUrlChars(report.uid) + u"&ext_4=" +
         EncodeUnsafeUrlChars(report.guid) + u"&ext_5=" + report.machine_id + u"&ext_6=" +
         (report.is_net_bar ? u"1" : u"2") + u"&user_ip=" + report.ip_address;
}

std::u16string ComputeMachineId(const std::u16string& cpu_serial, const std::u16string& hdd_serial,
                                const std::u16string& mac_address) {
  MD5Digest digest;
  MD5String(Trim(cpu_serial) + Trim(hdd_serial) + Trim(mac_address), digest);
  return MD5Print(digest);
}

std::u16string GuidToString(const std::uint8_t guid[16]) {
  const std::uint32_t data1 = guid[0] | (guid[1] << 8) | (guid[2] << 16) | (static_cast<std::uint32_t>(guid[3]) << 24);
  const std::uint32_t data2 = guid[4] | (guid[5] << 8);
  const std::uint32_t data3 = guid[6] | (guid[7] << 8);
  std::u16string text = u"{" + HexDigits(data1, 8) + u"-" + HexDigits(data2, 4) + u"-" + HexDigits(data3, 4) + u"-";
  for (int i = 8; i < 16; ++i) {
    if (i == 10) text += u"-";
    text += HexDigits(guid[i], 2);
  }
  return text + u"}";
}

std::u16string FormatIPv4(std::uint32_t address) {
  return ToText(address & 0xFF) + u"." + ToText((address >> 8) & 0xFF) + u"." + ToText((address >> 16) & 0xFF) + u"." +
         ToText(address >> 24);
}

// --- TStatisticsManager ----------------------------------------------------------------------

std::shared_ptr<TStatisticsManager> TStatisticsManager::Create() {
  return std::make_shared<TStatisticsManager>(Token{});
}

TStatisticsManager::TStatisticsManager(Token) : FUrlFormat(StatisticsUrlFormat), FRefer(Refer), FUID(UID) {}

TStatisticsManager::~TStatisticsManager() = default;

bool TStatisticsManager::CheckSendSetupStatistics() {
  const std::u16string first = FirstParameterLowered();
  if (first != kSetupSuccessSwitch && first != kSetupSuccessAndDownloadSwitch) return false;
  SendSetupStatistics();
  if (first == kSetupSuccessAndDownloadSwitch) UpgradeAnimateIcon();
  return true;
}

bool TStatisticsManager::SendStatisticsThread(std::int32_t AStatType) {
  try {
    if (AStatType == kActiveStatistics && IncRunCount() != 1) return false;
    return TSendStatWorker::Start(shared_from_this(), AStatType);
  } catch (...) {
    // A worker that cannot be created loses its report; the count stays raised.
    return false;
  }
}

bool TStatisticsManager::SendUrl(const std::u16string& AUrl) {
  const HttpResult result =
      Sys().http->Get(AUrl, HttpBounds::Exchange(kStatisticsReadTimeoutMs, kStatisticsTotalMs), kStatisticsBodyCap);
  return result.Ok() && !result.truncated && result.body == "1";
}

std::u16string TStatisticsManager::PrepareReport(std::int32_t AStatType) {
  std::lock_guard<std::mutex> lock(FReportLock);
  InitData();
  StatisticsReport report;
  report.ext_1 = AStatType == kSetupStatistics ? (FInstallType == 1 ? 3 : 2) : (FIsAutoRun ? 4 : 5);
  report.refer = FRefer;
  report.uid = FUID;
  report.guid = FGuid;
  report.machine_id = FMachineId;
  report.is_net_bar = FIsNetBar;
  report.ip_address = FIpAddress;
  return BuildStatisticsUrl(FUrlFormat, report);
}

void TStatisticsManager::SendActiveStatistics() {
  try {
    SendUrl(PrepareReport(kActiveStatistics));
  } catch (...) {
    // Reports are fire-and-forget.
  }
}

void TStatisticsManager::SendSetupStatistics() {
  try {
    SendUrl(PrepareReport(kSetupStatistics));
  } catch (...) {
    // Reports are fire-and-forget.
  }
}

void TStatisticsManager::InitData() {
  if (FInitData) return;
  FInitData = true;
  // A failing step leaves it and every later field at its start value; there is no second try.
  try {
    FSysInfo = std::make_unique<TSysInfo>();
    FIsNetBar = CheckNetBar();
    FIsAutoRun = CheckAutoRun();
    FMachineId = GetMachineId();
    FGuid = GetGuid();
    FIpAddress = GetIpAddress();
    FInstallTime = GetInstallTime();
    FInstallType = GetInstallType();
  } catch (...) {
  }
}

bool TStatisticsManager::CheckAutoRun() { return FirstParameterLowered() == kAutoRunSwitch; }

bool TStatisticsManager::CheckNetBar() { return ::vkr::CheckNetBar(); }

std::u16string TStatisticsManager::GetMachineId() {
  const std::u16string cpu = FSysInfo->CPUSerial();
  const std::u16string hdd = FSysInfo->HDDSerial();
  const std::u16string mac = FSysInfo->MacAddress();
  return ComputeMachineId(cpu, hdd, mac);
}

std::u16string TStatisticsManager::GetGuid() {
  std::u16string guid = Trim(ReadProfile(kSectionInstall, kGuidKey));
  if (guid.empty()) {
    guid = CreateGuidString();
    WriteProfile(kSectionInstall, kGuidKey, guid);
  }
  if (guid.empty()) return kGuidError;
  return RemoveAll(RemoveAll(RemoveAll(guid, u'-'), u'}'), u'{');
}

std::u16string TStatisticsManager::CreateGuidString() {
  std::uint8_t guid[16];
  if (!Sys().machine->NewGuid(guid)) return std::u16string();
  return GuidToString(guid);
}

std::u16string TStatisticsManager::GetIpAddress() {
  const std::u16string name = TextBeforeNul(Sys().machine->ComputerName());
  const std::vector<std::uint32_t> addresses = Sys().machine->ResolveHostIPv4(name);
  return addresses.empty() ? std::u16string() : FormatIPv4(addresses.front());
}

std::u16string TStatisticsManager::GetInstallTime() {
  const std::u16string stored = Trim(ReadProfile(kSectionInstall, kInstallTimeKey));
  if (!stored.empty()) return stored;
  const LocalTime now = Sys().clock->Now();
  const std::u16string text = ZeroPadded(now.year, 4) + u"-" + ZeroPadded(now.month, 2) + u"-" +
                              ZeroPadded(now.day, 2) + u" " + ZeroPadded(now.hour, 2) + u":" +
                              ZeroPadded(now.minute, 2) + u":" + ZeroPadded(now.second, 2);
  WriteProfile(kSectionInstall, kInstallTimeKey, text);
  return text;
}

std::int32_t TStatisticsManager::GetInstallType() {
  return ParseInt32Or(ReadProfile(kSectionInstall, kInstallTypeKey), 0);
}

std::int32_t TStatisticsManager::IncRunCount() {
  // 32-bit arithmetic: the largest count wraps instead of overflowing.
  const std::uint32_t read = static_cast<std::uint32_t>(ParseInt32Or(ReadProfile(kSectionCommon, kRunCountKey), 0));
  const std::int32_t count = static_cast<std::int32_t>(read + 1u);
  WriteProfile(kSectionCommon, kRunCountKey, ToText(count));
  return count;
}

// --- TSendStatWorker -------------------------------------------------------------------------

TSendStatWorker::TSendStatWorker(std::shared_ptr<TStatisticsManager> AOwner, std::int32_t AStatType)
    : FOwner(std::move(AOwner)), FStatType(AStatType) {
  ++running_workers;
}

TSendStatWorker::~TSendStatWorker() {
  // The manager goes first, so that a worker counted as done no longer holds it.
  FOwner.reset();
  --running_workers;
}

bool TSendStatWorker::Start(std::shared_ptr<TStatisticsManager> AOwner, std::int32_t AStatType) {
  auto worker = std::make_shared<TSendStatWorker>(std::move(AOwner), AStatType);
  // The body owns the worker: it is released when the body ends, or with the body when the
  // thread never runs it.
  return Sys().threads->StartDetached([worker]() mutable {
    try {
      worker->Execute();
    } catch (...) {
    }
    worker.reset();
  });
}

void TSendStatWorker::Execute() {
  if (FStatType == kActiveStatistics) {
    FOwner->SendActiveStatistics();
  } else if (FStatType == kSetupStatistics) {
    FOwner->SendSetupStatistics();
  }
}

int TSendStatWorker::Running() { return running_workers.load(); }

// --- The process's manager ---------------------------------------------------------------------

TStatisticsManager* StatisticsManager() { return process_manager.get(); }

void CreateStatisticsManager() { process_manager = TStatisticsManager::Create(); }

void ReleaseStatisticsManager() { process_manager.reset(); }

}  // namespace vkr

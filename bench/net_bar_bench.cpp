// Cafe detection over an uninstall list of growing length: the scan opens one key per entry, so
// the time per entry must stay flat as the list grows.
#include <benchmark/benchmark.h>

#include <string>

#include "common/text.h"
#include "fakes/fake_system.h"
#include "platform/win_constants.h"
#include "statistics/net_bar.h"

namespace {

void BM_GetNetBarTypeUninstallScan(benchmark::State& state) {
  vkr::testing::FakeSystem system;
  const auto entries = static_cast<int>(state.range(0));
  const std::u16string uninstall = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  for (int i = 0; i < entries; ++i) {
    // No entry matches, so every one of them is opened and read.
    system.registry.PutString(vkr::win::HKEY_LOCAL_MACHINE, uninstall + u"{Product-" + vkr::ToText(i) + u"}",
                              u"DisplayName", u"Some ordinary application " + vkr::ToText(i));
  }
  for (auto _ : state) {
    system.registry.requests.clear();
    benchmark::DoNotOptimize(vkr::GetNetBarType());
  }
  state.SetItemsProcessed(state.iterations() * entries);
  state.SetComplexityN(entries);
  state.counters["time_per_entry"] = benchmark::Counter(static_cast<double>(state.iterations()) * entries,
                                                        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_GetNetBarTypeUninstallScan)->Arg(10)->Arg(1000)->Arg(10000)->Complexity(benchmark::oN);

}  // namespace

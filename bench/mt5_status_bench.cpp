// The status route lists every Wine prefix on the main thread at each poll
// (once a second); this is a crowded home to keep that listing cheap.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/config.h"
#include "bridge/mt5_status.h"

namespace fs = std::filesystem;

static void BM_Mt5StatusTwentyPrefixesOfFiveUsers(benchmark::State& state) {
  char name[] = "/tmp/qv-mt5-bench-XXXXXX";
  if (!mkdtemp(name)) {
    state.SkipWithError("no temporary home");
    return;
  }
  const fs::path home = name;
  const auto prefixes = qv::Config::standard(home.string()).mt5Prefixes;
  // Spread over every "dir/*" place, each user holding a status file.
  std::vector<fs::path> places;
  for (const auto& p : prefixes) {
    if (p.ends_with("/*")) places.emplace_back(p.substr(0, p.size() - 2));
  }
  for (int i = 0; i < 20; ++i) {
    const auto prefix = places[i % places.size()] / ("prefix" + std::to_string(i));
    for (int u = 0; u < 5; ++u) {
      const auto dir = prefix / "drive_c/users" / ("user" + std::to_string(u)) /
                       qv::kMt5AppDataFolders[0] / qv::kMt5CommonFiles;
      fs::create_directories(dir);
      std::ofstream(dir / qv::kMt5StatusFile) << R"({"version":1,"time":1733490000})";
    }
  }
  for (auto _ : state) benchmark::DoNotOptimize(qv::mt5Status(prefixes));
  fs::remove_all(home);
}
BENCHMARK(BM_Mt5StatusTwentyPrefixesOfFiveUsers)->Unit(benchmark::kMicrosecond);

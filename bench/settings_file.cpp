// Cost of the settings file: every write re-reads, changes and atomically replaces the whole
// file (flushed to disk) under a lock, and every read parses it. These figures show what a
// window save (6 entries) and the sector list written at the end of a run cost.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "framework/window/IniManager.h"
#include "platform/settings/ProfileFile.h"

namespace {

// A settings file in a fresh directory beside the build (a real disk, not a memory file system).
struct BenchFile {
  BenchFile() {
    std::string pattern = (std::filesystem::current_path() / "bench-ini-XXXXXX").string();
    dir = ::mkdtemp(pattern.data()) ? pattern : ".";
    path = dir + "/Korvandel.INI";
  }
  ~BenchFile() { std::filesystem::remove_all(dir); }
  std::string dir, path;
};

// Fills the file with `sections` procedure-like sections of six entries each.
void Fill(const std::string& path, int sections) {
  for (int s = 0; s < sections; ++s) {
    for (const char* e : {"Maximize", "Minimize", "XPos", "YPos", "Width", "Height"}) {
      (void)kv::PutProfileString("Proc" + std::to_string(s), e, "123", path);
    }
  }
}

void BM_PutChangedValue(benchmark::State& state) {
  BenchFile file;
  Fill(file.path, static_cast<int>(state.range(0)));
  int i = 0;
  for (auto _ : state) {
    (void)kv::PutProfileString("Proc0", "XPos", std::to_string(i++), file.path);
  }
  state.SetLabel(std::to_string(std::filesystem::file_size(file.path)) + " bytes");
}
BENCHMARK(BM_PutChangedValue)->Arg(1)->Arg(20)->Arg(200)->Unit(benchmark::kMicrosecond);

void BM_PutSameValue(benchmark::State& state) {
  BenchFile file;
  Fill(file.path, static_cast<int>(state.range(0)));
  for (auto _ : state) (void)kv::PutProfileString("Proc0", "XPos", "123", file.path);
}
BENCHMARK(BM_PutSameValue)->Arg(20)->Unit(benchmark::kMicrosecond);

void BM_Get(benchmark::State& state) {
  BenchFile file;
  Fill(file.path, static_cast<int>(state.range(0)));
  for (auto _ : state) {
    benchmark::DoNotOptimize(kv::GetProfileString("Proc0", "XPos", "", file.path));
  }
}
BENCHMARK(BM_Get)->Arg(1)->Arg(20)->Arg(200)->Unit(benchmark::kMicrosecond);

// Kill of a manager holding `range` sectors, the first time (every entry new) and again with
// an unchanged list (nothing rewritten).
void BM_KillWritesSectors(benchmark::State& state) {
  BenchFile file;
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove(file.path);
    kv::IniManager ini;
    ini.Init(file.path);
    for (int i = 0; i < state.range(0); ++i) {
      ini.AddSector(ini.SectorName("Browse", "query" + std::to_string(i), "Query"));
    }
    state.ResumeTiming();
    ini.Kill();
  }
}
BENCHMARK(BM_KillWritesSectors)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

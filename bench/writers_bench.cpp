// The two file writers, each in create mode (no file yet: the whole file is
// written line by line) and in update mode (the file exists: its keys are
// edited in memory and the file replaced once); and beside update mode, the
// same keys written one profile_write each, as the writers did before.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "bench/ini_corpus.h"
#include "files/client_config.h"
#include "files/update_descriptor.h"
#include "runtime/files/profile.h"

namespace {

files::ClientConfig sample_config() {
  files::ClientConfig c;
  c.ProgramName = "Sales.exe";
  c.URL = "http://example.com/update/Update.txt";
  c.Version = "1.5";
  c.DBMS = "MSS Microsoft SQL Server";
  c.ServerName = "192.168.10.20";
  c.Database = "sales";
  c.LogID = "sa";
  c.LogPass = "secret";
  c.DBParm = "";
  return c;
}

files::UpdateDescriptor sample_descriptor() {
  files::UpdateDescriptor d;
  d.Version = "2.22";
  d.Date = "2024-03-02";
  d.URL = "http://example.com/update/sales.rar";
  d.Note = "Fixes the report totals.\r\nFaster start-up.";
  return d;
}

void BM_write_client_config_create(benchmark::State& state) {
  bench::ScratchDir dir;
  const files::ClientConfig config = sample_config();
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove(files::client_config_file);
    state.ResumeTiming();
    if (!files::write_client_config(config, true)) state.SkipWithError("not written");
  }
}

void BM_write_client_config_update(benchmark::State& state) {
  bench::ScratchDir dir;
  files::ClientConfig config = sample_config();
  files::write_client_config(config, true);
  bool flip = false;
  for (auto _ : state) {
    flip = !flip;
    config.Version = flip ? "1.6" : "1.5";
    if (!files::write_client_config(config, false)) state.SkipWithError("not written");
  }
}

void BM_write_update_descriptor_create(benchmark::State& state) {
  bench::ScratchDir dir;
  const files::UpdateDescriptor descriptor = sample_descriptor();
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove(files::update_descriptor_file);
    state.ResumeTiming();
    if (!files::write_update_descriptor(descriptor, true)) state.SkipWithError("not written");
  }
}

void BM_write_update_descriptor_update(benchmark::State& state) {
  bench::ScratchDir dir;
  files::UpdateDescriptor descriptor = sample_descriptor();
  files::write_update_descriptor(descriptor, true);
  bool flip = false;
  for (auto _ : state) {
    flip = !flip;
    descriptor.Version = flip ? "2.23" : "2.22";
    if (!files::write_update_descriptor(descriptor, false)) state.SkipWithError("not written");
  }
}

// Update mode's reads and writes of UpdateConfig.ini, each key its own
// replacement of the file.
void BM_client_config_key_by_key(benchmark::State& state) {
  bench::ScratchDir dir;
  files::ClientConfig config = sample_config();
  files::write_client_config(config, true);
  const char* file = files::client_config_file;
  bool flip = false;
  for (auto _ : state) {
    flip = !flip;
    bool whole = runtime::profile_write(file, "Main", "ProgramName", config.ProgramName);
    benchmark::DoNotOptimize(runtime::profile_read(file, "Update", "AutoUpdate", "#ERROR"));
    whole = runtime::profile_write(file, "Update", "URL", config.URL) && whole;
    whole = runtime::profile_write(file, "Update", "Version", flip ? "1.6" : "1.5") && whole;
    benchmark::DoNotOptimize(runtime::profile_read(file, "Update", "LastUpdate", "#ERROR"));
    if (!whole) state.SkipWithError("not written");
  }
}

void BM_update_descriptor_key_by_key(benchmark::State& state) {
  bench::ScratchDir dir;
  const files::UpdateDescriptor d = sample_descriptor();
  files::write_update_descriptor(d, true);
  bool flip = false;
  for (auto _ : state) {
    flip = !flip;
    bool whole = runtime::profile_write(files::update_descriptor_file, "Update", "Version", flip ? "2.23" : "2.22");
    for (const auto& [key, value] : {std::pair{"Date", d.Date}, {"URL", d.URL}, {"Note", d.Note}})
      whole = runtime::profile_write(files::update_descriptor_file, "Update", key, value) && whole;
    if (!whole) state.SkipWithError("not written");
  }
}

}  // namespace

BENCHMARK(BM_client_config_key_by_key)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_update_descriptor_key_by_key)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_write_client_config_create)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_write_client_config_update)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_write_update_descriptor_create)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_write_update_descriptor_update)->Unit(benchmark::kMicrosecond)->UseRealTime();

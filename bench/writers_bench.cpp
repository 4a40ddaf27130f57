// The two file writers, each in create mode (no file yet: the whole file is
// written line by line) and in update mode (the file exists: its keys are
// edited in place with profile_write).
#include <benchmark/benchmark.h>

#include <filesystem>

#include "bench/ini_corpus.h"
#include "files/client_config.h"
#include "files/update_descriptor.h"

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

}  // namespace

BENCHMARK(BM_write_client_config_create)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_write_client_config_update)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_write_update_descriptor_create)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_write_update_descriptor_update)->Unit(benchmark::kMicrosecond)->UseRealTime();

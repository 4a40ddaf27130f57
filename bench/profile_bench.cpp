// The cost of profile_read and profile_write against file size, with the key
// in the last section. Beside them, the two parts of a write measured alone:
// the in-memory edit (plan_key_edit) and the bare durable file replacement that
// profile_write performs (write a new file, fsync, rename, fsync the
// directory), and the same without the fsyncs, so the figures show which
// part grows with the file and what the disk's flushes cost.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "bench/ini_corpus.h"
#include "runtime/files/profile.h"
#include "runtime/files/profile_parse.h"

namespace {

constexpr char file_name[] = "Bench.ini";

void set_counters(benchmark::State& state, std::size_t bytes) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
  state.counters["file_bytes"] = static_cast<double>(bytes);
  // Seconds per byte of file, shown by the report as nanoseconds per byte.
  state.counters["per_byte"] =
      benchmark::Counter(static_cast<double>(state.iterations() * bytes),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_profile_read(benchmark::State& state) {
  bench::ScratchDir dir;
  const std::string content = bench::ini_content(static_cast<std::size_t>(state.range(0)));
  bench::write_file(file_name, content);
  for (auto _ : state) {
    std::string value = runtime::profile_read(file_name, bench::target_section, bench::target_key, "");
    benchmark::DoNotOptimize(value);
    if (value != bench::target_value_a) state.SkipWithError("profile_read missed the key");
  }
  set_counters(state, content.size());
}

void BM_profile_write(benchmark::State& state) {
  bench::ScratchDir dir;
  const std::string content = bench::ini_content(static_cast<std::size_t>(state.range(0)));
  bench::write_file(file_name, content);
  bool flip = false;
  for (auto _ : state) {
    flip = !flip;
    const char* value = flip ? bench::target_value_b : bench::target_value_a;
    if (!runtime::profile_write(file_name, bench::target_section, bench::target_key, value))
      state.SkipWithError("profile_write failed");
  }
  set_counters(state, content.size());
}

// The edit alone, planned on content already in memory: no file is touched.
void BM_edit_in_memory(benchmark::State& state) {
  const std::string content = bench::ini_content(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    runtime::profile::Edit edit = runtime::profile::plan_key_edit(content, bench::target_section,
                                                                  bench::target_key, bench::target_value_b);
    benchmark::DoNotOptimize(edit);
  }
  set_counters(state, content.size());
}

// Puts the bytes in place as profile_write does: a new file beside the old
// one, renamed over it; `durable` adds the fsync of the file and of the
// directory that make the rename survive a crash.
bool replace_file(const std::string& content, bool durable) {
  const int fd = ::open("Bench.ini.new", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  bool ok = fd >= 0 && ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
  ok = ok && (!durable || ::fsync(fd) == 0);
  ok = fd >= 0 && ::close(fd) == 0 && ok;
  ok = ok && std::rename("Bench.ini.new", file_name) == 0;
  if (durable) {
    const int dir_fd = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir_fd >= 0) {
      ::fsync(dir_fd);
      ::close(dir_fd);
    }
  }
  return ok;
}

// The file work of a write alone: the same bytes put in place as durably as
// profile_write puts them, with no reading and no editing.
void BM_durable_replace_only(benchmark::State& state) {
  bench::ScratchDir dir;
  const std::string content = bench::ini_content(static_cast<std::size_t>(state.range(0)));
  bench::write_file(file_name, content);
  for (auto _ : state) {
    if (!replace_file(content, true)) state.SkipWithError("replacing the file failed");
  }
  set_counters(state, content.size());
}

// The same without the two fsyncs: what the disk's flushes cost.
void BM_replace_without_fsync(benchmark::State& state) {
  bench::ScratchDir dir;
  const std::string content = bench::ini_content(static_cast<std::size_t>(state.range(0)));
  bench::write_file(file_name, content);
  for (auto _ : state) {
    if (!replace_file(content, false)) state.SkipWithError("replacing the file failed");
  }
  set_counters(state, content.size());
}

void sizes(benchmark::internal::Benchmark* b) {
  for (std::size_t size : bench::corpus_sizes) b->Arg(static_cast<int64_t>(size));
  // fsync waits for the disk without using the processor: wall-clock time.
  b->Unit(benchmark::kMicrosecond)->UseRealTime();
}

}  // namespace

BENCHMARK(BM_profile_read)->Apply(sizes);
BENCHMARK(BM_profile_write)->Apply(sizes);
BENCHMARK(BM_edit_in_memory)->Apply(sizes);
BENCHMARK(BM_durable_replace_only)->Apply(sizes);
BENCHMARK(BM_replace_without_fsync)->Apply(sizes);

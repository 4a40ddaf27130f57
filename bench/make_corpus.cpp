// Writes the benchmarks' files to a directory, so that other programs work on
// exactly the same bytes:
//   make_corpus DIR              DIR/1024.ini ... DIR/10485760.ini (name = target size),
//                                for the configparser peer
//   make_corpus --tool-files DIR DIR/UpdateConfig.ini and DIR/Update.txt as the
//                                tool writes them, for the start-up's prefill
//   make_corpus --edit FILE SECTION KEY VALUE
//                                one profile_write, so the peer's comparison of
//                                what an edit keeps runs the tool's own edit
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "bench/ini_corpus.h"
#include "files/client_config.h"
#include "files/update_descriptor.h"
#include "runtime/text/gbk.h"
#include "runtime/files/profile.h"

namespace {

int write_tool_files(const std::filesystem::path& dir) {
  std::filesystem::create_directories(dir);
  std::filesystem::current_path(dir);
  std::filesystem::remove(files::client_config_file);
  std::filesystem::remove(files::update_descriptor_file);
  files::ClientConfig config;
  config.ProgramName = "Sales.exe";
  config.URL = "http://example.com/update/Update.txt";
  config.Version = "1.5";
  config.DBMS = "MSS Microsoft SQL Server";
  config.ServerName = "192.168.10.20";
  config.Database = "sales";
  files::UpdateDescriptor descriptor;
  descriptor.Version = "2.22";
  descriptor.Date = "2024-03-02";
  descriptor.URL = "http://example.com/update/sales.rar";
  descriptor.Note = runtime::gbk("修正报表合计。");
  const bool written =
      files::write_client_config(config, true) && files::write_update_descriptor(descriptor, true);
  if (!written) std::fprintf(stderr, "make_corpus: cannot write the tool's files in %s\n", dir.c_str());
  return written ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--tool-files") == 0) return write_tool_files(argv[2]);
  if (argc == 6 && std::strcmp(argv[1], "--edit") == 0)
    return runtime::profile_write(argv[2], argv[3], argv[4], argv[5]) ? 0 : 1;
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_corpus DIR | --tool-files DIR | --edit FILE SECTION KEY VALUE\n");
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  std::filesystem::create_directories(dir);
  for (std::size_t size : bench::corpus_sizes) {
    const auto file = dir / (std::to_string(size) + ".ini");
    const std::string content = bench::ini_content(size);
    bench::write_file(file, content);
    std::printf("%s %zu\n", file.c_str(), content.size());
  }
  return 0;
}

#include "bench/ini_corpus.h"

#include <fstream>
#include <random>
#include <stdexcept>

#include "runtime/text/gbk.h"

namespace bench {
namespace {

// Texts like those a real configuration carries; comments are Chinese, so
// the files hold GBK double-byte characters as the tool's own files do.
const char* const comments[] = {
    ";数据库连接参数", ";是否每次打开都自动升级0否1是", ";更新用配置文件地址",
    ";最后一次更新日期", "; cache size in kilobytes", ";日志级别：0关闭 1错误 2全部",
};
const char* const key_stems[] = {"Server", "Timeout", "LogLevel", "CachePath", "Retry", "Title", "Port",
                                 "UserName", "Charset", "Window"};
const char* const values[] = {"192.168.10.20", "30", "2", "D:\\Program Files\\Sales\\cache", "5",
                              "销售管理系统", "1433", "admin", "GB2312", "0,0,800,600"};

std::string section_block(std::size_t number, std::mt19937& random) {
  std::string block = "[Section" + std::to_string(number) + "]\r\n";
  const std::size_t keys = 4 + random() % 9;
  for (std::size_t k = 0; k < keys; ++k) {
    if (random() % 3 == 0) block += runtime::gbk(comments[random() % std::size(comments)]) + "\r\n";
    const std::size_t stem = random() % std::size(key_stems);
    block += std::string(key_stems[stem]) + std::to_string(k) + "=" +
             runtime::gbk(values[random() % std::size(values)]) + "\r\n";
  }
  return block + "\r\n";
}

std::string target_block() {
  std::string block = "[";
  block.append(target_section).append("]\r\n");
  block.append(runtime::gbk(";当前程序版本")).append("\r\n");
  block.append(target_key).append("=").append(target_value_a).append("\r\nAutoUpdate=1\r\n");
  return block;
}

}  // namespace

std::string ini_content(std::size_t size) {
  std::mt19937 random(20240302);  // the same files on every run
  const std::string tail = target_block();
  std::string content;
  content.reserve(size + 512);
  for (std::size_t number = 1; content.size() + tail.size() < size; ++number) {
    content += section_block(number, random);
  }
  return content + tail;
}

void write_file(const std::filesystem::path& file, const std::string& content) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  if (!out) throw std::runtime_error("cannot write " + file.string());
}

ScratchDir::ScratchDir() : previous_(std::filesystem::current_path()) {
  std::random_device seed;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const auto candidate = std::filesystem::temp_directory_path() / ("kestrel-bench-" + std::to_string(seed()));
    if (std::filesystem::create_directory(candidate)) {
      path_ = candidate;
      std::filesystem::current_path(path_);
      return;
    }
  }
  throw std::runtime_error("no scratch directory");
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  std::filesystem::current_path(previous_, ignored);
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace bench

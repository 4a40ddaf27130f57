// The folder target: a file is written beside its name under a temporary
// one, held as runtime/files/temporary_file.h holds a writer's temporary
// (so that a cleaner spares it while it is written), flushed, and renamed
// onto the name.
#include <map>
#include <system_error>

#include "runtime/files/temporary_file.h"
#include "runtime/network/upload.h"
#include "runtime/network/upload_folder.h"
#include "runtime/network/upload_local.h"

#ifdef _WIN32
#include <windows.h>

#include "runtime/text/gbk.h"
#include "runtime/text/wide_text.h"
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#endif

namespace runtime {
namespace {

namespace fs = std::filesystem;
using temporary::Native;
using temporary::no_file;

#ifdef _WIN32

std::string last_error() { return system_error_text(GetLastError()); }

// A name's bytes as the address gave them: UTF-8 where they are, else GBK.
fs::path name_path(const std::string& name) {
  const bool utf8 = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name.data(), static_cast<int>(name.size()),
                                        nullptr, 0) > 0 || name.empty();
  return fs::path(wide_text(name, utf8 ? utf8_code_page : gbk_code_page));
}

Native open_new(const fs::path& path) {
  return CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}
bool write_all(Native file, const char* data, std::size_t size) {
  DWORD written = 0;
  return WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr) && written == size;
}
bool flush(Native file) { return FlushFileBuffers(file) != 0; }
void close_file(Native file) { CloseHandle(file); }
bool rename_onto(Native held, const fs::path&, const fs::path& to) {
  return temporary::rename_held(held, to, true) == temporary::Placed::placed;
}
void drop(Native held, const fs::path&) { temporary::delete_on_close(held); }

#else

std::string last_error() { return std::strerror(errno); }
fs::path name_path(const std::string& name) { return fs::path(name); }

Native open_new(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd >= 0) {
    while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {}
  }
  return fd;
}
bool write_all(Native file, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(file, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}
bool flush(Native file) { return ::fsync(file) == 0; }
void close_file(Native file) { ::close(file); }
bool rename_onto(Native, const fs::path& from, const fs::path& to) { return std::rename(from.c_str(), to.c_str()) == 0; }
void drop(Native, const fs::path& path) { ::unlink(path.c_str()); }

#endif

class FolderUploader : public Uploader {
 public:
  explicit FolderUploader(const UploadTarget& target) : folder_(utf8_path(target.folder)) {}
  ~FolderUploader() override {
    for (const auto& [path, file] : held_) {
      drop(file, path);
      close_file(file);
    }
  }

  UploadStatus connect() override {
    std::error_code code;
    if (!fs::is_directory(folder_, code)) return UploadStatus::failed("no such folder");
    return {};
  }

  UploadStatus put(const std::string& local_file, const std::string& name, const UploadProgress& progress) override {
    LocalFile local(local_file);
    if (!local.ok()) return UploadStatus::failed(local_file + ": " + local.error());
    const fs::path path = where(name);
    std::error_code code;
    fs::create_directories(path.parent_path(), code);
    const Native file = open_new(path);
    if (file == no_file) return UploadStatus::failed(last_error());
    held_[path] = file;  // until it has its name or is gone
    std::string buffer(1 << 16, '\0');
    std::uint64_t done = 0;
    for (;;) {
      const std::size_t got = local.read(buffer.data(), buffer.size());
      if (got == 0) break;
      if (!write_all(file, buffer.data(), got)) return failed_write(path);
      done += got;
      if (progress) progress(done, local.size());
    }
    if (!local.ok()) {
      forget(path);
      return UploadStatus::failed(local_file + ": " + local.error());
    }
    if (!flush(file)) return failed_write(path);
    return {};
  }

  UploadStatus rename(const std::string& from, const std::string& to) override {
    const fs::path source = where(from), target = where(to);
    const auto held = held_.find(source);
    const Native file = held == held_.end() ? no_file : held->second;
    bool renamed = false;
    if (file != no_file) {
      renamed = rename_onto(file, source, target);
    } else {
      std::error_code code;
      fs::rename(source, target, code);
      renamed = !code;
    }
    if (!renamed) return UploadStatus::failed(last_error());
    if (file != no_file) {
      close_file(file);
      held_.erase(held);
    }
    return {};
  }

  UploadStatus remove(const std::string& name) override {
    const fs::path path = where(name);
    if (held_.count(path) > 0) {
      forget(path);
      return {};
    }
    std::error_code code;
    if (!fs::remove(path, code) && code) return UploadStatus::failed(code.message());
    return {};
  }

  std::optional<std::vector<std::string>> list_beside(const std::string& name) override {
    std::vector<std::string> names;
    std::error_code code;
    for (fs::directory_iterator it(where(name).parent_path(), code), end; !code && it != end; it.increment(code))
      names.push_back(it->path().filename().string());
    if (code) return std::nullopt;
    return names;
  }

  // Only those that no running writer holds.
  std::vector<std::string> clear_temporaries(const std::string& name) override {
    std::vector<std::string> removed;
    const auto before = list_beside(name);
    if (!before) return removed;
    const std::string folder = name.substr(0, name.rfind('/') + 1);
    for (const std::string& entry : *before) {
      if (!temporary::is_temporary_name(entry)) continue;
      const std::string file = entry.substr(0, entry.rfind(".kestrel-"));
      temporary::remove_stale(where(folder + file));
      std::error_code code;
      if (!fs::exists(where(folder + entry), code)) removed.push_back(folder + entry);
    }
    return removed;
  }

 private:
  fs::path where(const std::string& name) const { return folder_ / name_path(name); }

  UploadStatus failed_write(const fs::path& path) {
    const std::string why = last_error();
    forget(path);
    return UploadStatus::failed(why);
  }
  void forget(const fs::path& path) {
    const auto held = held_.find(path);
    if (held == held_.end()) return;
    drop(held->second, path);
    close_file(held->second);
    held_.erase(held);
  }

  fs::path folder_;
  std::map<fs::path, Native> held_;
};

}  // namespace

std::unique_ptr<Uploader> open_folder_uploader(const UploadTarget& target) {
  return std::make_unique<FolderUploader>(target);
}

}  // namespace runtime

#include "support/subprocess.h"

#include <filesystem>
#include <thread>

#ifdef _WIN32
#include <windows.h>

#include "runtime/text/wide_text.h"
#else
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#endif

namespace test_support {
namespace {

#ifdef _WIN32

// One argument quoted as CommandLineToArgvW reads it back.
std::wstring quoted(const std::wstring& argument) {
  std::wstring text = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    text.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    text += c;
  }
  text.append(backslashes * 2, L'\\');
  return text + L"\"";
}

std::string read_all(HANDLE pipe) {
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  return bytes;
}

#else

void write_all(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

#endif

}  // namespace

#ifdef _WIN32

ProcessResult run_process(const std::string& program, const std::vector<std::string>& arguments,
                          const std::string& input, const Environment& environment) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE in_read, in_write, out_read, out_write, err_read, err_write;
  CreatePipe(&in_read, &in_write, &inherit, 0);
  CreatePipe(&out_read, &out_write, &inherit, 0);
  CreatePipe(&err_read, &err_write, &inherit, 0);
  for (HANDLE ours : {in_write, out_read, err_read}) SetHandleInformation(ours, HANDLE_FLAG_INHERIT, 0);

  std::wstring command_line = quoted(runtime::wide_text(program));
  for (const std::string& argument : arguments) command_line += L" " + quoted(runtime::wide_text(argument));
  // The child inherits this process's environment, with the additions set for the moment.
  for (const auto& [name, value] : environment) SetEnvironmentVariableW(runtime::wide_text(name).c_str(), runtime::wide_text(value).c_str());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in_read;
  startup.hStdOutput = out_write;
  startup.hStdError = err_write;
  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                      &startup, &process);
  for (const auto& [name, value] : environment) SetEnvironmentVariableW(runtime::wide_text(name).c_str(), nullptr);
  for (HANDLE theirs : {in_read, out_write, err_write}) CloseHandle(theirs);

  ProcessResult result;
  if (started) {
    std::thread feeder([&] {
      DWORD written = 0;
      WriteFile(in_write, input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
      CloseHandle(in_write);
    });
    std::thread errors([&] { result.err = read_all(err_read); });
    result.out = read_all(out_read);
    errors.join();
    feeder.join();
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    result.status = static_cast<int>(code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  } else {
    CloseHandle(in_write);
  }
  CloseHandle(out_read);
  CloseHandle(err_read);
  return result;
}

std::string program_beside_this_one(const std::string& name) {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::wstring program = (std::filesystem::path(path).parent_path() / runtime::wide_text(name + ".exe")).wstring();
  return runtime::narrow_text(program);
}

#else

ProcessResult run_process(const std::string& program, const std::vector<std::string>& arguments,
                          const std::string& input, const Environment& environment) {
  static const bool sigpipe_ignored = [] {  // a child that does not read its input must not end us
    std::signal(SIGPIPE, SIG_IGN);
    return true;
  }();
  (void)sigpipe_ignored;
  int in[2], out[2], err[2];
  if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) return {};
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(in[0], 0);
    ::dup2(out[1], 1);
    ::dup2(err[1], 2);
    for (const auto& [name, value] : environment) ::setenv(name.c_str(), value.c_str(), 1);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  for (const int theirs : {in[0], out[1], err[1]}) ::close(theirs);
  ProcessResult result;
  std::thread feeder([&] {
    write_all(in[1], input);
    ::close(in[1]);
  });
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  std::string* into[2] = {&result.out, &result.err};
  int open_pipes = 2;
  while (open_pipes > 0 && ::poll(fds, 2, -1) >= 0) {
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[4096];
      const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
      if (got > 0) {
        into[i]->append(buffer, static_cast<std::size_t>(got));
      } else if (got == 0 || errno != EINTR) {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open_pipes;
      }
    }
  }
  feeder.join();
  int status = 0;
  if (child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status)) result.status = WEXITSTATUS(status);
  return result;
}

std::string program_beside_this_one(const std::string& name) {
  return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / name).string();
}

#endif

}  // namespace test_support

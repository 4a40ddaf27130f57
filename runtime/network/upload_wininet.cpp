// The uploaders of kestrel-cli.exe through WinINet, as verify asks through
// it (the system's proxy settings): FTP (passive) and WebDAV (PUT, MOVE,
// DELETE, MKCOL, PROPFIND). WinINet has neither SFTP nor FTPS; those
// targets are refused by name. Paths go as the bytes the address gave
// (the ANSI calls pass them through). A password not given comes from the
// user's netrc file (%HOME% or %USERPROFILE%, _netrc or .netrc), as curl
// reads it on Windows.
#ifdef _WIN32

#include <windows.h>
#include <wininet.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "runtime/network/upload.h"
#include "runtime/network/upload_folder.h"
#include "runtime/network/upload_local.h"

namespace runtime {
namespace {

using Kind = UploadTarget::Kind;

constexpr DWORD http_flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_COOKIES |
                             INTERNET_FLAG_NO_UI | INTERNET_FLAG_KEEP_CONNECTION;

// The password of `user` (or, with no user, the login too) for `host` in
// the netrc file; none when there is no such entry.
std::optional<std::string> netrc_password(const std::string& host, std::string& user) {
  for (const char* variable : {"HOME", "USERPROFILE"}) {
    const char* folder = std::getenv(variable);
    if (!folder) continue;
    for (const char* name : {"\\_netrc", "\\.netrc"}) {
      std::ifstream in(utf8_path(std::string(folder) + name));
      if (!in) continue;
      std::string word, machine, login, password;
      bool default_entry = false;
      auto matches = [&] {
        return (machine == host || default_entry) && (user.empty() || login == user) && !password.empty();
      };
      while (in >> word) {
        if (word == "machine" || word == "default") {
          if (matches()) break;
          default_entry = word == "default";
          machine = login = password = "";
          if (!default_entry) in >> machine;
        } else if (word == "login") {
          in >> login;
        } else if (word == "password") {
          in >> password;
        }
      }
      if (matches()) {
        if (user.empty()) user = login;
        return password;
      }
    }
  }
  return std::nullopt;
}

// What went wrong with the last call, with the server's own words when it said any.
std::string last_error_text(const char* doing) {
  const DWORD error = GetLastError();
  std::string text = std::string(doing) + " failed (WinINet error " + std::to_string(error) + ")";
  DWORD code = 0, size = 0;
  InternetGetLastResponseInfoA(&code, nullptr, &size);
  if (size > 0) {
    std::string reply(size + 1, '\0');
    if (InternetGetLastResponseInfoA(&code, reply.data(), &size)) {
      reply.resize(size);
      while (!reply.empty() && (reply.back() == '\n' || reply.back() == '\r')) reply.pop_back();
      if (!reply.empty()) text += " (the server said: " + reply + ")";
    }
  }
  if (error == ERROR_INTERNET_LOGIN_FAILURE) text = "the login was refused: " + text;
  if (error == ERROR_INTERNET_TIMEOUT) text = "no answer within the timeout: " + text;
  if (error == ERROR_INTERNET_CANNOT_CONNECT) text = "the connection was refused or could not be made: " + text;
  return text;
}

class Handle {
 public:
  explicit Handle(HINTERNET handle = nullptr) : handle_(handle) {}
  ~Handle() {
    if (handle_) InternetCloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  void reset(HINTERNET handle) {
    if (handle_) InternetCloseHandle(handle_);
    handle_ = handle;
  }
  operator HINTERNET() const { return handle_; }

 private:
  HINTERNET handle_;
};

class WinInetUploader : public Uploader {
 public:
  WinInetUploader(const UploadTarget& target, const UploadLogin& login) : target_(target), login_(login) {
    user_ = percent_decoded(target_.user);
    password_ = login_.password;
    if (!password_) password_ = netrc_password(target_.host, user_);
  }

  UploadStatus connect() override {
    session_.reset(InternetOpenA(nullptr, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session_) return UploadStatus::failed(last_error_text("starting WinINet"));
    DWORD wait = static_cast<DWORD>(login_.timeout.count());
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
      InternetSetOptionA(session_, option, &wait, sizeof wait);
    const bool ftp = target_.kind == Kind::ftp;
    INTERNET_PORT port = static_cast<INTERNET_PORT>(std::atoi(target_.port.c_str()));
    if (port == 0) port = ftp ? INTERNET_DEFAULT_FTP_PORT : secure() ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT;
    connection_.reset(InternetConnectA(session_, target_.host.c_str(), port, user_.empty() ? nullptr : user_.c_str(),
                                       password_ ? password_->c_str() : nullptr,
                                       ftp ? INTERNET_SERVICE_FTP : INTERNET_SERVICE_HTTP,
                                       ftp ? INTERNET_FLAG_PASSIVE : 0, 0));
    if (!connection_) return UploadStatus::failed(last_error_text("logging in"));
    if (ftp) return {};
    std::string ignored;
    const UploadStatus status = http("PROPFIND", target_.path, "Depth: 0\r\n", nullptr, &ignored);
    return status_ == 405 || status_ == 501 ? UploadStatus{} : status;
  }

  UploadStatus put(const std::string& local_file, const std::string& name, const UploadProgress& progress) override {
    LocalFile local(local_file);
    if (!local.ok()) return UploadStatus::failed(local_file + ": " + local.error());
    if (target_.kind == Kind::ftp) {
      for (std::size_t slash = name.find('/'); slash != std::string::npos; slash = name.find('/', slash + 1))
        FtpCreateDirectoryA(connection_, ftp_path(name.substr(0, slash)).c_str());  // there already: refused, no harm
      Handle file(FtpOpenFileA(connection_, ftp_path(name).c_str(), GENERIC_WRITE,
                               FTP_TRANSFER_TYPE_BINARY | INTERNET_FLAG_RELOAD, 0));
      if (!file) return UploadStatus::failed(last_error_text("opening the file on the server"));
      if (!send_body(file, local, progress)) return UploadStatus::failed(last_error_text("sending"));
      return {};
    }
    UploadStatus status = http("PUT", target_.path + percent_encoded(name), "", &local, nullptr, progress);
    if (status_ == 409) {  // a folder on the way is missing
      for (std::size_t slash = name.find('/'); slash != std::string::npos; slash = name.find('/', slash + 1))
        http("MKCOL", target_.path + percent_encoded(name.substr(0, slash + 1)), "", nullptr, nullptr);
      if (local.rewind()) status = http("PUT", target_.path + percent_encoded(name), "", &local, nullptr, progress);
    }
    return status;
  }

  UploadStatus rename(const std::string& from, const std::string& to) override {
    if (target_.kind != Kind::ftp) {
      const std::string headers = "Destination: " + address(to) + "\r\nOverwrite: T\r\n";
      return http("MOVE", target_.path + percent_encoded(from), headers, nullptr, nullptr);
    }
    if (FtpRenameFileA(connection_, ftp_path(from).c_str(), ftp_path(to).c_str())) return {};
    const UploadStatus refused = UploadStatus::failed(last_error_text("renaming"));
    // A server that renames onto no existing file (IIS): the old one aside first.
    const std::string aside = temporary_name(to);
    if (!FtpRenameFileA(connection_, ftp_path(to).c_str(), ftp_path(aside).c_str())) return refused;
    if (!FtpRenameFileA(connection_, ftp_path(from).c_str(), ftp_path(to).c_str())) {
      const UploadStatus status = UploadStatus::failed(last_error_text("renaming"));
      FtpRenameFileA(connection_, ftp_path(aside).c_str(), ftp_path(to).c_str());
      return status;
    }
    FtpDeleteFileA(connection_, ftp_path(aside).c_str());
    return {};
  }

  UploadStatus remove(const std::string& name) override {
    if (target_.kind != Kind::ftp) return http("DELETE", target_.path + percent_encoded(name), "", nullptr, nullptr);
    if (FtpDeleteFileA(connection_, ftp_path(name).c_str())) return {};
    return UploadStatus::failed(last_error_text("removing"));
  }

  std::optional<std::vector<std::string>> list_beside(const std::string& name) override {
    const std::string folder = name.substr(0, name.rfind('/') + 1);
    if (target_.kind != Kind::ftp) {
      std::string answer;
      if (!http("PROPFIND", target_.path + percent_encoded(folder), "Depth: 1\r\n", nullptr, &answer).ok)
        return std::nullopt;
      return dav_listing(answer);
    }
    std::vector<std::string> names;
    WIN32_FIND_DATAA found{};
    Handle find(FtpFindFirstFileA(connection_, ftp_path(folder + "*").c_str(), &found, INTERNET_FLAG_RELOAD, 0));
    if (!find) {
      if (GetLastError() == ERROR_NO_MORE_FILES) return names;
      return std::nullopt;
    }
    do {
      names.push_back(found.cFileName);
    } while (InternetFindNextFileA(find, &found));
    return names;
  }

 private:
  bool secure() const { return target_.scheme == "https"; }
  // A path as the FTP calls take it: relative to the login's folder, as
  // curl reads an ftp:// address.
  std::string ftp_path(const std::string& name) const { return percent_decoded(target_.path.substr(1)) + name; }
  std::string address(const std::string& name) const {
    return target_.scheme + "://" + target_.host + (target_.port.empty() ? "" : ":" + target_.port) + target_.path +
           percent_encoded(name);
  }

  static bool send_body(HINTERNET handle, LocalFile& local, const UploadProgress& progress) {
    std::string buffer(1 << 16, '\0');
    std::uint64_t done = 0;
    while (const std::size_t got = local.read(buffer.data(), buffer.size())) {
      DWORD written = 0;
      if (!InternetWriteFile(handle, buffer.data(), static_cast<DWORD>(got), &written) || written != got) return false;
      done += got;
      if (progress) progress(done, local.size());
    }
    return local.ok();
  }

  // One WebDAV request; a body from `local`, or PROPFIND's; the answer's
  // body into `answer` when given. status_ gets the answer's status.
  UploadStatus http(const char* method, const std::string& path, const std::string& headers, LocalFile* local,
                    std::string* answer, const UploadProgress& progress = {}) {
    status_ = 0;
    static const char propfind[] =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><propfind xmlns=\"DAV:\"><prop><resourcetype/></prop></propfind>";
    const bool is_propfind = std::string(method) == "PROPFIND";
    std::string all_headers = headers + (is_propfind ? "Content-Type: application/xml\r\n" : "");
    for (int attempt = 0; attempt < 3; ++attempt) {  // again after WinINet's answer to a login challenge
      Handle request(HttpOpenRequestA(connection_, method, path.c_str(), nullptr, nullptr, nullptr,
                                      http_flags | (secure() ? INTERNET_FLAG_SECURE : 0), 0));
      if (!request) return UploadStatus::failed(last_error_text("opening the request"));
      bool sent = false;
      if (local) {
        INTERNET_BUFFERSA buffers{};
        buffers.dwStructSize = sizeof buffers;
        buffers.lpcszHeader = all_headers.c_str();
        buffers.dwHeadersLength = static_cast<DWORD>(all_headers.size());
        buffers.dwBufferTotal = static_cast<DWORD>(local->size());
        sent = HttpSendRequestExA(request, &buffers, nullptr, 0, 0) && send_body(request, *local, progress) &&
               HttpEndRequestA(request, nullptr, 0, 0);
        if (!sent && GetLastError() == ERROR_INTERNET_FORCE_RETRY && local->rewind()) continue;
      } else {
        sent = HttpSendRequestA(request, all_headers.c_str(), static_cast<DWORD>(all_headers.size()),
                                is_propfind ? const_cast<char*>(propfind) : nullptr,
                                is_propfind ? static_cast<DWORD>(sizeof propfind - 1) : 0);
      }
      if (!sent) return UploadStatus::failed(last_error_text(method));
      DWORD status = 0, size = sizeof status;
      HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr);
      status_ = static_cast<int>(status);
      std::string body;
      char piece[16384];
      DWORD got = 0;
      while (InternetReadFile(request, piece, sizeof piece, &got) && got > 0) body.append(piece, got);
      if (answer) *answer = body;
      if (status_ >= 200 && status_ <= 299) return {};
      return UploadStatus::failed("the server answered " + std::to_string(status_) + " to " + method);
    }
    return UploadStatus::failed(std::string("the server asked for a login again and again to ") + method);
  }

  UploadTarget target_;
  UploadLogin login_;
  std::string user_;
  std::optional<std::string> password_;
  Handle session_, connection_;
  int status_ = 0;
};

}  // namespace

std::unique_ptr<Uploader> open_uploader(const UploadTarget& target, const UploadLogin& login, std::string& error) {
  switch (target.kind) {
    case Kind::folder: return open_folder_uploader(target);
    case Kind::ftp:
    case Kind::webdav: return std::make_unique<WinInetUploader>(target, login);
    case Kind::sftp:
    case Kind::ftps: break;
  }
  error = target.scheme + ":// cannot be reached from kestrel-cli.exe: Windows' WinINet has no " +
          (target.kind == Kind::sftp ? "SFTP" : "FTP over TLS") +
          "; publish with the Linux build of kestrel-cli, or here to a folder (a share), ftp:// or http(s)://";
  return nullptr;
}

}  // namespace runtime

#endif

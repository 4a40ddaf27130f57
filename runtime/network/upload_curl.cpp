// The uploaders through libcurl: FTP (and FTPS, explicit TLS), SFTP and
// WebDAV. One handle per target, so one login serves every operation.
// Renames go as the protocol has them (RNFR/RNTO, SFTP rename, MOVE); where
// a server refuses to rename onto an existing file (SFTP version 3, which
// OpenSSH speaks, and some FTP servers), the old file is first renamed
// aside, and back should the second rename fail.
#include <curl/curl.h>
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "runtime/network/upload.h"
#include "runtime/network/upload_folder.h"
#include "runtime/network/upload_local.h"

namespace runtime {
namespace {

using Kind = UploadTarget::Kind;

std::string home_folder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  const passwd* user = ::getpwuid(::getuid());
  return user ? user->pw_dir : "";
}

std::string local_user() {
  const passwd* user = ::getpwuid(::getuid());
  if (user) return user->pw_name;
  const char* name = std::getenv("USER");
  return name ? name : "";
}

std::size_t discard(char*, std::size_t size, std::size_t count, void*) { return size * count; }

std::size_t collect(char* data, std::size_t size, std::size_t count, void* into) {
  static_cast<std::string*>(into)->append(data, size * count);
  return size * count;
}

// A path in an SFTP quote command, in double quotes.
std::string quoted(const std::string& path) {
  std::string text = "\"";
  for (const char c : path) {
    if (c == '"' || c == '\\') text += '\\';
    text += c;
  }
  return text + "\"";
}

class CurlUploader : public Uploader {
 public:
  CurlUploader(const UploadTarget& target, const UploadLogin& login) : target_(target), login_(login) {
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    curl_ = initialised ? curl_easy_init() : nullptr;
    if (target_.kind == Kind::sftp) {
      const std::string ssh = home_folder() + "/.ssh/";
      for (const char* key : {"id_ed25519", "id_ecdsa", "id_rsa"}) {
        std::error_code code;
        if (std::filesystem::exists(ssh + key, code)) keys_.push_back(ssh + key);
      }
      if (keys_.empty()) keys_.push_back("");  // the agent and the password only
      known_hosts_ = ssh + "known_hosts";
    }
  }
  ~CurlUploader() override {
    if (curl_) curl_easy_cleanup(curl_);
  }

  UploadStatus connect() override {
    if (!curl_) return UploadStatus::failed("the network library could not be started");
    if (target_.kind == Kind::webdav) {
      std::string ignored;
      return propfind(target_.path, ignored, true);
    }
    // An SFTP login tries each key of ~/.ssh in turn (besides the agent's).
    for (;;) {
      std::string listing;
      const UploadStatus status = list_folder(target_.path, listing);
      if (status.ok || !login_denied_ || key_ + 1 >= keys_.size()) return status;
      ++key_;
      curl_easy_cleanup(curl_);  // the next key on a new connection
      curl_ = curl_easy_init();
    }
  }

  UploadStatus put(const std::string& local_file, const std::string& name, const UploadProgress& progress) override {
    LocalFile local(local_file);
    if (!local.ok()) return UploadStatus::failed(local_file + ": " + local.error());
    struct Reading {
      LocalFile* file;
      const UploadProgress* progress;
      std::uint64_t done = 0;
    } reading{&local, &progress};
    auto send = [&]() {
      prepare(url_of(name));
      curl_easy_setopt(curl_, CURLOPT_UPLOAD, 1L);
      curl_easy_setopt(curl_, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(local.size()));
      curl_easy_setopt(curl_, CURLOPT_FTP_CREATE_MISSING_DIRS, static_cast<long>(CURLFTP_CREATE_DIR_RETRY));
      curl_easy_setopt(curl_, CURLOPT_READDATA, &reading);
      curl_easy_setopt(curl_, CURLOPT_READFUNCTION, +[](char* buffer, std::size_t size, std::size_t count, void* user) {
        auto& reading = *static_cast<Reading*>(user);
        const std::size_t got = reading.file->read(buffer, size * count);
        if (got == 0 && !reading.file->ok()) return static_cast<std::size_t>(CURL_READFUNC_ABORT);
        reading.done += got;
        if (*reading.progress) (*reading.progress)(reading.done, reading.file->size());
        return got;
      });
      curl_easy_setopt(curl_, CURLOPT_SEEKDATA, &reading);
      curl_easy_setopt(curl_, CURLOPT_SEEKFUNCTION, +[](void* user, curl_off_t offset, int origin) {
        auto& reading = *static_cast<Reading*>(user);
        reading.done = 0;
        return offset == 0 && origin == SEEK_SET && reading.file->rewind() ? CURL_SEEKFUNC_OK : CURL_SEEKFUNC_CANTSEEK;
      });
      return perform();
    };
    UploadStatus status = send();
    if (!status.ok && !local.ok()) return UploadStatus::failed(local_file + ": " + local.error());
    if (target_.kind == Kind::webdav && http_status_ == 409 && local.rewind()) {
      make_folders(name);
      status = send();
    }
    if (status.ok && target_.kind != Kind::webdav) status = check_size(name, local.size());
    return status;
  }

  UploadStatus rename(const std::string& from, const std::string& to) override {
    UploadStatus status = rename_once(from, to);
    if (status.ok || target_.kind == Kind::webdav) return status;
    // Refused, perhaps because `to` exists: set it aside first.
    const std::string aside = temporary_name(to);
    if (!rename_once(to, aside).ok) return status;
    status = rename_once(from, to);
    if (!status.ok) {
      rename_once(aside, to);
      return status;
    }
    remove(aside);
    return status;
  }

  UploadStatus remove(const std::string& name) override {
    if (target_.kind == Kind::webdav) {
      prepare(url_of(name));
      curl_easy_setopt(curl_, CURLOPT_CUSTOMREQUEST, "DELETE");
      return perform();
    }
    if (target_.kind == Kind::sftp) return quote(name, {"rm " + quoted(server_path(name))});
    return quote(name, {"DELE " + leaf(name)});
  }

  std::optional<std::vector<std::string>> list_beside(const std::string& name) override {
    const std::string folder = target_.path + percent_encoded(name.substr(0, name.rfind('/') + 1));
    std::string answer;
    if (target_.kind == Kind::webdav) {
      if (!propfind(folder, answer, false).ok) return std::nullopt;
      return dav_listing(answer);
    }
    if (!list_folder(folder, answer).ok) return std::nullopt;
    std::vector<std::string> names;
    for (std::size_t start = 0; start < answer.size();) {
      std::size_t end = answer.find('\n', start);
      if (end == std::string::npos) end = answer.size();
      std::string line = answer.substr(start, end - start);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty()) names.push_back(line);
      start = end + 1;
    }
    return names;
  }

 private:
  std::string origin() const {
    const std::string scheme = target_.kind == Kind::ftps ? "ftp" : target_.scheme;
    return scheme + "://" + target_.host + (target_.port.empty() ? "" : ":" + target_.port);
  }
  std::string url_of(const std::string& name) const { return origin() + target_.path + percent_encoded(name); }
  // A path as SFTP's commands take it: absolute.
  std::string server_path(const std::string& name) const { return percent_decoded(target_.path) + name; }
  static std::string leaf(const std::string& name) { return name.substr(name.rfind('/') + 1); }

  // The handle set for one request: the login, bounds, TLS, host keys.
  void prepare(const std::string& url) {
    curl_easy_reset(curl_);  // the connection stays
    error_[0] = '\0';
    last_reply_.clear();
    host_key_match_ = -1;
    login_denied_ = false;
    http_status_ = 0;
    curl_easy_setopt(curl_, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl_, CURLOPT_PROTOCOLS_STR, "ftp,sftp,http,https");
    curl_easy_setopt(curl_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl_, CURLOPT_ERRORBUFFER, error_);
    curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, discard);
    const long seconds = std::max(1L, static_cast<long>(std::ceil(login_.timeout.count() / 1000.0)));
    curl_easy_setopt(curl_, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(login_.timeout.count()));
    curl_easy_setopt(curl_, CURLOPT_SERVER_RESPONSE_TIMEOUT, seconds);
    curl_easy_setopt(curl_, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl_, CURLOPT_LOW_SPEED_TIME, seconds);
    std::string user = percent_decoded(target_.user);
    if (user.empty() && target_.kind == Kind::sftp) user = local_user();
    if (!user.empty()) curl_easy_setopt(curl_, CURLOPT_USERNAME, user.c_str());
    if (login_.password) curl_easy_setopt(curl_, CURLOPT_PASSWORD, login_.password->c_str());
    else curl_easy_setopt(curl_, CURLOPT_NETRC, static_cast<long>(CURL_NETRC_OPTIONAL));
    curl_easy_setopt(curl_, CURLOPT_HTTPAUTH, CURLAUTH_ANY);
    if (target_.kind == Kind::ftps) {
      curl_easy_setopt(curl_, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
      // TLS 1.3 servers send session tickets after the handshake, which an
      // upload never reads: closing the data connection over them resets
      // it, and a server may lose the upload's last bytes. TLS 1.2 has none.
      curl_easy_setopt(curl_, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2) | CURL_SSLVERSION_MAX_TLSv1_2);
    }
    // OpenSSL's own variables name another trust store (an internal CA's).
    if (const char* file = std::getenv("SSL_CERT_FILE"); file && *file) curl_easy_setopt(curl_, CURLOPT_CAINFO, file);
    if (const char* dir = std::getenv("SSL_CERT_DIR"); dir && *dir) curl_easy_setopt(curl_, CURLOPT_CAPATH, dir);
    if (target_.kind == Kind::sftp) {
      long types = CURLSSH_AUTH_PUBLICKEY | CURLSSH_AUTH_AGENT;
      if (login_.password) types |= CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_KEYBOARD;
      curl_easy_setopt(curl_, CURLOPT_SSH_AUTH_TYPES, types);
      if (!keys_[key_].empty()) curl_easy_setopt(curl_, CURLOPT_SSH_PRIVATE_KEYFILE, keys_[key_].c_str());
      curl_easy_setopt(curl_, CURLOPT_SSH_PUBLIC_KEYFILE, "");  // derived from the private key
      curl_easy_setopt(curl_, CURLOPT_SSH_KNOWNHOSTS, known_hosts_.c_str());
      curl_easy_setopt(curl_, CURLOPT_SSH_KEYDATA, this);
      curl_easy_setopt(curl_, CURLOPT_SSH_KEYFUNCTION,
                       +[](CURL*, const curl_khkey*, const curl_khkey*, curl_khmatch match, void* self) {
                         static_cast<CurlUploader*>(self)->host_key_match_ = match;
                         return static_cast<int>(match == CURLKHMATCH_OK ? CURLKHSTAT_FINE : CURLKHSTAT_REJECT);
                       });
    }
    // The server's last reply line, to say what it refused with (never our
    // own lines, which carry the password).
    curl_easy_setopt(curl_, CURLOPT_DEBUGDATA, this);
    curl_easy_setopt(curl_, CURLOPT_DEBUGFUNCTION, +[](CURL*, curl_infotype type, char* data, std::size_t size, void* self) {
      if (type != CURLINFO_HEADER_IN) return 0;
      std::string line(data, size);
      while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
      if (!line.empty() && (std::isdigit(static_cast<unsigned char>(line[0])) || line.starts_with("HTTP/")))
        static_cast<CurlUploader*>(self)->last_reply_ = line;
      return 0;
    });
    curl_easy_setopt(curl_, CURLOPT_VERBOSE, 1L);  // for the debug function only; it prints nothing
  }

  UploadStatus perform() {
    const CURLcode code = curl_easy_perform(curl_);
    long status = 0;
    curl_easy_getinfo(curl_, CURLINFO_RESPONSE_CODE, &status);
    http_status_ = target_.kind == Kind::webdav ? status : 0;
    login_denied_ = code == CURLE_LOGIN_DENIED || (target_.kind == Kind::webdav && status == 401);
    if (host_key_match_ == CURLKHMATCH_MISSING)
      return UploadStatus::failed("the server's host key is not in " + known_hosts_ +
                                  "; it is never accepted unseen: connect once with ssh, check its fingerprint and "
                                  "let ssh add it");
    if (host_key_match_ == CURLKHMATCH_MISMATCH)
      return UploadStatus::failed("the server's host key differs from the one " + known_hosts_ +
                                  " holds for it: another server may be answering");
    if (code != CURLE_OK) {
      std::string text = error_[0] != '\0' ? error_ : curl_easy_strerror(code);
      if (!last_reply_.empty() && text.find(last_reply_) == std::string::npos)
        text += " (the server said: " + last_reply_ + ")";
      return UploadStatus::failed(text);
    }
    if (target_.kind == Kind::webdav && (status < 200 || status > 299))
      return UploadStatus::failed("the server answered " + (last_reply_.empty() ? std::to_string(status) : last_reply_));
    return {};
  }

  // Commands after the login, in the folder of `name` (SFTP's take whole
  // paths; FTP's, sent once curl is in that folder, the names alone).
  UploadStatus quote(const std::string& name, const std::vector<std::string>& commands) {
    prepare(target_.kind == Kind::sftp ? origin() + "/" : url_of(name.substr(0, name.rfind('/') + 1)));
    curl_slist* list = nullptr;
    for (const std::string& command : commands) list = curl_slist_append(list, command.c_str());
    curl_easy_setopt(curl_, target_.kind == Kind::sftp ? CURLOPT_QUOTE : CURLOPT_POSTQUOTE, list);
    curl_easy_setopt(curl_, CURLOPT_NOBODY, 1L);
    const UploadStatus status = perform();
    curl_slist_free_all(list);
    return status;
  }

  // An upload the server took for whole may not be (a data connection
  // reset at its end, which some servers count as its end): the size it
  // holds is asked for (FTP SIZE, an SFTP stat) before the file is renamed.
  UploadStatus check_size(const std::string& name, std::uint64_t size) {
    prepare(url_of(name));
    curl_easy_setopt(curl_, CURLOPT_NOBODY, 1L);
    if (!perform().ok) return {};  // a server that tells no size: the gate compares the bytes
    curl_off_t held = -1;
    curl_easy_getinfo(curl_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &held);
    if (held < 0 || static_cast<std::uint64_t>(held) == size) return {};
    return UploadStatus::failed("the server holds " + std::to_string(held) + " bytes of the " + std::to_string(size) +
                                " sent");
  }

  UploadStatus rename_once(const std::string& from, const std::string& to) {
    if (target_.kind == Kind::sftp)
      return quote(from, {"rename " + quoted(server_path(from)) + " " + quoted(server_path(to))});
    if (target_.kind != Kind::webdav) return quote(from, {"RNFR " + leaf(from), "RNTO " + leaf(to)});
    prepare(url_of(from));
    curl_easy_setopt(curl_, CURLOPT_CUSTOMREQUEST, "MOVE");
    const std::string destination = "Destination: " + url_of(to);
    curl_slist* headers = curl_slist_append(nullptr, destination.c_str());
    headers = curl_slist_append(headers, "Overwrite: T");
    curl_easy_setopt(curl_, CURLOPT_HTTPHEADER, headers);
    const UploadStatus status = perform();
    curl_slist_free_all(headers);
    return status;
  }

  UploadStatus list_folder(const std::string& folder, std::string& listing) {
    prepare(origin() + folder);
    curl_easy_setopt(curl_, CURLOPT_DIRLISTONLY, 1L);
    curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(curl_, CURLOPT_WRITEDATA, &listing);
    return perform();
  }

  // PROPFIND of a folder; a server without it (405, 501) lists nothing,
  // which `tolerant` takes for no fault.
  UploadStatus propfind(const std::string& folder, std::string& answer, bool tolerant) {
    prepare(origin() + folder);
    curl_easy_setopt(curl_, CURLOPT_CUSTOMREQUEST, "PROPFIND");
    static const char body[] =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><propfind xmlns=\"DAV:\"><prop><resourcetype/></prop></propfind>";
    curl_easy_setopt(curl_, CURLOPT_POSTFIELDS, body);
    curl_slist* headers = curl_slist_append(nullptr, "Depth: 1");
    headers = curl_slist_append(headers, "Content-Type: application/xml");
    curl_easy_setopt(curl_, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(curl_, CURLOPT_WRITEDATA, &answer);
    const UploadStatus status = perform();
    curl_slist_free_all(headers);
    if (tolerant && (http_status_ == 405 || http_status_ == 501)) return {};
    if (http_status_ == 404) return UploadStatus::failed("no such folder (the server answered " + last_reply_ + ")");
    return status;
  }

  // MKCOL of each folder on the way to `name`, for a server that puts no
  // file into a missing folder.
  void make_folders(const std::string& name) {
    for (std::size_t slash = name.find('/'); slash != std::string::npos; slash = name.find('/', slash + 1)) {
      prepare(url_of(name.substr(0, slash + 1)));
      curl_easy_setopt(curl_, CURLOPT_CUSTOMREQUEST, "MKCOL");
      perform();  // one there already is refused: no harm
    }
  }

  UploadTarget target_;
  UploadLogin login_;
  CURL* curl_ = nullptr;
  char error_[CURL_ERROR_SIZE] = "";
  std::string last_reply_;
  std::vector<std::string> keys_;
  std::size_t key_ = 0;
  std::string known_hosts_;
  int host_key_match_ = -1;
  bool login_denied_ = false;
  long http_status_ = 0;
};

}  // namespace

std::unique_ptr<Uploader> open_uploader(const UploadTarget& target, const UploadLogin& login, std::string&) {
  if (target.kind == UploadTarget::Kind::folder) return open_folder_uploader(target);
  return std::make_unique<CurlUploader>(target, login);
}

}  // namespace runtime

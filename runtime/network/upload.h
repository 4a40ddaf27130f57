#pragma once
// Putting files into a folder on a server, as a release is published: a
// local file sent under a name, a rename onto another (replacing it), a
// removal, and the clearing of temporaries that a killed publisher left.
// Targets: a folder (local, or a share mounted here; on Windows also
// \\server\share\... and D:\...), ftp://, ftps:// (explicit TLS), sftp://
// and http(s):// for a WebDAV folder. Linux: libcurl; Windows: WinINet
// (FTP and WebDAV only). Names are relative to the target folder, '/'
// between folders, as the bytes the web server finds on its disk.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace runtime {

struct UploadTarget {
  enum class Kind { folder, ftp, ftps, sftp, webdav };
  Kind kind = Kind::folder;
  std::string folder;  // a folder target: the path as given (UTF-8)
  // An address target: its parts, percent-encoded as given.
  std::string scheme, user, host, port, path;  // path: of the folder, beginning and ending with '/'
  // The target as it is shown: the address without any password.
  std::string shown() const;
  // Where a file of the folder is, as shown.
  std::string shown(const std::string& name) const;
};

// TARGET as the command line gives it; none (and `error` set) when it is
// no target: an unknown scheme, no host, or a password in the address,
// which other users could read in the process list.
std::optional<UploadTarget> parse_upload_target(const std::string& text, std::string& error);

// TARGET with any password in its address left out, to be shown.
std::string without_password(const std::string& text);

struct UploadLogin {
  std::optional<std::string> password;  // none: the user's netrc file, or keys for sftp
  // Bounds connecting and each wait for the server; a transfer goes on as
  // long as bytes keep moving.
  std::chrono::milliseconds timeout{10000};
};

// How an operation went: ok, or what the server said (or why it could not
// be asked), in words, UTF-8, never with a password.
struct UploadStatus {
  bool ok = true;
  std::string text;
  static UploadStatus failed(std::string why) { return {false, std::move(why)}; }
};

using UploadProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;

class Uploader {
 public:
  virtual ~Uploader() = default;
  // Logs in and looks at the folder, so that a wrong password, an unknown
  // host key or a missing folder is known before anything is sent.
  virtual UploadStatus connect() = 0;
  // Sends the local file (UTF-8 path) under `name`, making missing folders
  // on the way; a file of that name is replaced.
  virtual UploadStatus put(const std::string& local_file, const std::string& name,
                           const UploadProgress& progress) = 0;
  // Gives the file `from` the name `to`, replacing a file of that name.
  virtual UploadStatus rename(const std::string& from, const std::string& to) = 0;
  virtual UploadStatus remove(const std::string& name) = 0;
  // The names in the folder that holds `name`; none when it cannot be listed.
  virtual std::optional<std::vector<std::string>> list_beside(const std::string& name) = 0;
  // Removes the temporaries in the folder of `name` ("<file>.kestrel-<16
  // hex digits>") that a killed publisher left, of any file, since the next
  // publish may be of another release; the names removed. A server has no
  // locks to tell a running publisher's from a leftover: two publishes into
  // one folder at once are not supported (the one whose temporary goes
  // fails at its rename, and the live release stays whole).
  virtual std::vector<std::string> clear_temporaries(const std::string& name);
};

// The uploader for a target; none (and `error` set) for a target this
// system cannot reach (sftp:// and ftps:// on Windows).
std::unique_ptr<Uploader> open_uploader(const UploadTarget& target, const UploadLogin& login, std::string& error);

// The temporary name beside `name`: "<name>.kestrel-<16 hex digits>".
std::string temporary_name(const std::string& name);

// Percent-encoding of a name's bytes for an address ('/' kept), and back.
std::string percent_encoded(const std::string& name);
std::string percent_decoded(const std::string& text);

}  // namespace runtime

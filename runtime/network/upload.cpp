#include "runtime/network/upload.h"

#include <cstring>
#include <system_error>

#include "runtime/files/temporary_file.h"
#include "runtime/network/upload_local.h"
#include "runtime/text/strings.h"

#ifdef _WIN32
#include "runtime/text/wide_text.h"
#endif

namespace runtime {
namespace {

struct SchemeKind {
  const char* scheme;
  UploadTarget::Kind kind;
};
constexpr SchemeKind scheme_kinds[] = {
    {"ftp", UploadTarget::Kind::ftp},      {"ftps", UploadTarget::Kind::ftps},
    {"sftp", UploadTarget::Kind::sftp},    {"http", UploadTarget::Kind::webdav},
    {"https", UploadTarget::Kind::webdav},
};

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string UploadTarget::shown() const {
  if (kind == Kind::folder) return folder;
  const std::string authority = (user.empty() ? "" : user + "@") + host + (port.empty() ? "" : ":" + port);
  return scheme + "://" + authority + path;
}

std::string UploadTarget::shown(const std::string& name) const {
  if (kind != Kind::folder) return shown() + percent_encoded(name);
  const bool separated = !folder.empty() && (folder.back() == '/' || folder.back() == '\\');
  return folder + (separated ? "" : "/") + name;
}

std::optional<UploadTarget> parse_upload_target(const std::string& text, std::string& error) {
  UploadTarget target;
  const auto separator = text.find("://");
  if (separator == std::string::npos) {
    if (text.empty()) {
      error = "no folder or address given";
      return std::nullopt;
    }
    target.folder = text;
    return target;
  }
  target.scheme = string_lower(text.substr(0, separator));
  bool known = false;
  for (const SchemeKind& entry : scheme_kinds) {
    if (target.scheme == entry.scheme) {
      target.kind = entry.kind;
      known = true;
    }
  }
  if (!known) {
    error = "\"" + target.scheme + "://\" is no kind of target; give a folder, ftp://, ftps://, sftp://, http:// or https://";
    return std::nullopt;
  }
  const std::string rest = text.substr(separator + 3);
  const auto slash = rest.find('/');
  std::string authority = rest.substr(0, slash);
  target.path = slash == std::string::npos ? "/" : rest.substr(slash);
  target.path = target.path.substr(0, target.path.find_first_of("?#"));
  if (target.path.back() != '/') target.path += '/';
  if (const auto at = authority.rfind('@'); at != std::string::npos) {
    target.user = authority.substr(0, at);
    authority = authority.substr(at + 1);
    if (target.user.find(':') != std::string::npos) {
      error = "a password in the address can be read by other users; give the user alone and the password by "
              "--password-env VAR, --password-stdin or the netrc file";
      return std::nullopt;
    }
  }
  const auto colon = authority.rfind(':');
  if (colon != std::string::npos && authority.find(']', colon) == std::string::npos) {
    target.port = authority.substr(colon + 1);
    authority = authority.substr(0, colon);
    if (target.port.empty() || target.port.find_first_not_of("0123456789") != std::string::npos) {
      error = "the port \"" + target.port + "\" is no number";
      return std::nullopt;
    }
  }
  target.host = authority;
  if (target.host.empty()) {
    error = "the address names no host";
    return std::nullopt;
  }
  return target;
}

std::string without_password(const std::string& text) {
  const auto separator = text.find("://");
  if (separator == std::string::npos) return text;
  const auto end = text.find('/', separator + 3);
  const auto at = text.rfind('@', end);
  const auto colon = text.find(':', separator + 3);
  if (at == std::string::npos || at < separator || colon > at) return text;
  return text.substr(0, colon) + text.substr(at);
}

std::vector<std::string> Uploader::clear_temporaries(const std::string& name) {
  std::vector<std::string> removed;
  const auto names = list_beside(name);
  if (!names) return removed;
  const std::string folder = name.substr(0, name.rfind('/') + 1);
  for (const std::string& entry : *names) {
    const std::string leaf = entry.substr(entry.rfind('/') + 1);  // some FTP servers list paths
    if (temporary::is_temporary_name(leaf) && remove(folder + leaf).ok) removed.push_back(folder + leaf);
  }
  return removed;
}

// The file names of a WebDAV folder's PROPFIND answer: the last part of
// each <href>, of any namespace prefix, decoded.
std::vector<std::string> dav_listing(const std::string& xml) {
  std::vector<std::string> names;
  const std::string lower = string_lower(xml);
  for (std::size_t at = lower.find("href>"); at != std::string::npos; at = lower.find("href>", at + 5)) {
    if (at == 0 || (lower[at - 1] != '<' && lower[at - 1] != ':')) continue;
    const std::size_t start = at + 5;
    const std::size_t end = xml.find('<', start);
    if (end == std::string::npos) break;
    std::string href = percent_decoded(xml.substr(start, end - start));
    if (!href.empty() && href.back() == '/') continue;  // a folder
    names.push_back(href.substr(href.rfind('/') + 1));
  }
  return names;
}

std::string temporary_name(const std::string& name) { return name + temporary::sibling_suffix(); }

std::string percent_encoded(const std::string& name) {
  static const char digits[] = "0123456789ABCDEF";
  std::string encoded;
  for (const unsigned char byte : name) {
    const bool plain = (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z');
    if (plain || (byte != 0 && std::strchr("-._~/", byte) != nullptr)) {
      encoded += static_cast<char>(byte);
    } else {
      encoded += {'%', digits[byte >> 4], digits[byte & 15]};
    }
  }
  return encoded;
}

std::string percent_decoded(const std::string& text) {
  std::string decoded;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && hex_value(text[i + 1]) >= 0 && hex_value(text[i + 2]) >= 0) {
      decoded += static_cast<char>(hex_value(text[i + 1]) * 16 + hex_value(text[i + 2]));
      i += 2;
    } else {
      decoded += text[i];
    }
  }
  return decoded;
}

std::filesystem::path utf8_path(const std::string& name) {
#ifdef _WIN32
  return std::filesystem::path(wide_text(name));
#else
  return std::filesystem::path(name);
#endif
}

LocalFile::LocalFile(const std::string& name) {
  std::error_code code;
  const std::filesystem::path path = utf8_path(name);
  if (std::filesystem::is_directory(path, code)) {
    error_ = "it is a directory";
    return;
  }
  size_ = std::filesystem::file_size(path, code);
  if (code) {
    error_ = code.message();
    return;
  }
  in_.open(path, std::ios::binary);
  if (!in_) error_ = "it cannot be opened";
}

std::size_t LocalFile::read(char* buffer, std::size_t room) {
  if (!ok()) return 0;
  in_.read(buffer, static_cast<std::streamsize>(room));
  if (in_.bad()) error_ = "it cannot be read";
  return static_cast<std::size_t>(in_.gcount());
}

bool LocalFile::rewind() {
  in_.clear();
  in_.seekg(0);
  return static_cast<bool>(in_);
}

}  // namespace runtime

#pragma once
// The checks of a live release: pure functions of what the web server
// answered (status, headers, bytes) and of the local files' values, with no
// network, so every kind of answer can be tried without one. Local and
// served values are GBK; the details are UTF-8, for the terminal.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "files/update_descriptor.h"
#include "release/addresses.h"
#include "release/usable.h"
#include "runtime/network/http.h"

namespace release {

enum class CheckState {
  ok,
  failed,    // the live release is broken or differs from the local files
  not_made,  // no answer to judge: no such host, refused, no answer in time
};

struct CheckResult {
  std::string name;  // "descriptor", "descriptor matches", "package"
  CheckState state = CheckState::ok;
  std::vector<std::string> details;  // what was seen, one line each
};

// What the requests for one address received: each redirect followed, then
// the last answer (or why there was none).
struct Hop {
  std::string url;
  int status = 0;
  std::string location;  // absolute
};
struct Fetched {
  std::string url;  // the address asked for first
  std::vector<Hop> redirects;
  std::string last_url;
  runtime::HttpResult last;
  bool too_many_redirects = false;  // `last` is one more redirect, not followed
};

inline constexpr int max_redirects = 5;
inline constexpr std::size_t package_head_size = 512;  // enough to tell an archive from a page

// The descriptor as served: 200, not an HTML page, no byte-order mark, GBK
// text of at most 1 MB, the four keys readable as the client reads them.
// `served` gets the four values when the check passes.
CheckResult check_descriptor(const Fetched& fetched, files::UpdateDescriptor& served);

// The served values equal the local Update.txt's; each difference with
// both values, and the answer's cache headers to tell a stale cache from a
// forgotten upload.
CheckResult check_descriptor_matches(const files::UpdateDescriptor& local, const files::UpdateDescriptor& served,
                                     const runtime::HttpAnswer& answer);

struct PackageDigest {
  std::uint64_t size = 0;
  std::string sha256;  // lower-case hex
};
struct LocalPackage {
  std::string name;  // as given, UTF-8
  PackageDigest digest;
};

// The package at `address` (from the served descriptor): an address a
// client can ask for as written, 200, its first
// bytes those of the archive kind its address names, not an HTML page; with
// a local package, of equal size and SHA-256 (`served_digest`: of the whole
// body, when it was read to its end).
CheckResult check_package(const std::string& address, const Fetched& fetched,
                          const std::optional<LocalPackage>& local,
                          const std::optional<PackageDigest>& served_digest);

// The overall verdict: a failed check outweighs one that could not be made.
enum class Verdict { passed, failed, not_checked };
Verdict verdict_of(const std::vector<CheckResult>& checks);

}  // namespace release

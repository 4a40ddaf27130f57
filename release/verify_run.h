#pragma once
// Checking a live release: the requests, made as the client makes them, and
// the checks of release/verify.h on what they received, in order.
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "release/fields.h"
#include "release/verify.h"

namespace release {

// Follows at most max_redirects redirects from `url`, the whole way bounded
// by `timeout`; each request as runtime::http_get makes it.
Fetched fetch(const std::string& url, std::chrono::milliseconds timeout, std::size_t body_limit,
              const std::function<bool(const runtime::HttpAnswer&, std::string_view)>& on_body = {});

// Where a redirect's Location leads from `base`: absolute, or resolved
// against it (scheme-relative, host-relative or relative to its folder).
std::string resolve_location(const std::string& base, const std::string& location);

struct VerifyOptions {
  std::chrono::milliseconds timeout{10000};
  std::optional<LocalPackage> package;  // compare the served package with this file
  // Told of the package download's progress: bytes so far, and the size expected.
  std::function<void(std::uint64_t done, std::uint64_t total)> progress;
  // The check of the local package's contents, made beforehand, and its warnings.
  std::optional<CheckResult> package_contents;
  std::vector<std::string> package_warnings;
};

struct Verification {
  std::vector<CheckResult> checks;    // those that were made, in order
  std::vector<std::string> warnings;  // UTF-8
  Verdict verdict = Verdict::passed;
};

// The package check of the package at `address`, fetched as the client
// fetches it; with options.package the whole body is hashed as it arrives
// and compared. A redirect to https adds a warning.
CheckResult check_served_package(const std::string& address, const VerifyOptions& options,
                                 std::vector<std::string>& warnings);

// The checks of the release the local values describe (as the form
// pre-fills them): descriptor, descriptor matches, package, and the versions
// warning; then the package contents given. A check that needs what an
// earlier one could not give is left out.
Verification verify_release(const Values& local, const VerifyOptions& options);

}  // namespace release

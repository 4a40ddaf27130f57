#include "release/verify_run.h"

#include "release/versions.h"
#include "runtime/files/sha256.h"
#include "runtime/text/gbk.h"

namespace release {
namespace {

using Clock = std::chrono::steady_clock;

bool is_redirect(int status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

std::string scheme_and_host(const std::string& url) {
  const auto start = url.find("://");
  if (start == std::string::npos) return url;
  return url.substr(0, url.find_first_of("/?#", start + 3));
}

void add_https_warning(const Fetched& fetched, std::vector<std::string>& warnings) {
  for (const Hop& hop : fetched.redirects) {
    if (changes_to_https(hop.url, hop.location))
      warnings.push_back(runtime::utf8(fetched.url) + " redirects to https (" + runtime::utf8(hop.location) +
                         "); the client asks over http and may not follow");
  }
}

}  // namespace

std::string resolve_location(const std::string& base, const std::string& location) {
  if (location.find("://") != std::string::npos) return location;
  if (location.starts_with("//")) return base.substr(0, base.find(':') + 1) + location;
  const std::string origin = scheme_and_host(base);
  if (location.starts_with("/")) return origin + location;
  std::string path = base.substr(origin.size());
  path = path.substr(0, path.find_first_of("?#"));
  return origin + path.substr(0, path.rfind('/') + 1) + (path.empty() ? "/" : "") + location;
}

Fetched fetch(const std::string& url, std::chrono::milliseconds timeout, std::size_t body_limit,
              const std::function<bool(const runtime::HttpAnswer&, std::string_view)>& on_body) {
  const Clock::time_point deadline = Clock::now() + timeout;
  Fetched fetched{url, {}, url, {}, false};
  for (int hop = 0;; ++hop) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) {
      fetched.last = {runtime::HttpFault::timeout, "the redirects took the whole timeout", {}};
      return fetched;
    }
    runtime::HttpGet request{fetched.last_url, left, body_limit, {}};
    request.on_body = [&](const runtime::HttpAnswer& so_far, std::string_view piece) {
      if (is_redirect(so_far.status)) return so_far.body_size <= body_limit;  // not the body asked for
      return on_body ? on_body(so_far, piece) : so_far.body_size <= body_limit;
    };
    fetched.last = runtime::http_get(request);
    const runtime::HttpAnswer& answer = fetched.last.answer;
    const std::string location = runtime::header_value(answer, "Location");
    if (fetched.last.fault != runtime::HttpFault::none || !is_redirect(answer.status) || location.empty()) return fetched;
    if (hop == max_redirects) {
      fetched.too_many_redirects = true;
      return fetched;
    }
    const std::string next = resolve_location(fetched.last_url, location);
    fetched.redirects.push_back({fetched.last_url, answer.status, next});
    fetched.last_url = next;
  }
}

CheckResult check_served_package(const std::string& address, const VerifyOptions& options,
                                 std::vector<std::string>& warnings) {
  Fetched package{address, {}, address, {}, false};
  std::optional<PackageDigest> served_digest;
  if (!archive_kind(address).empty() && is_web_address(address) && !unaskable_address(address)) {
    runtime::Sha256 sha256;
    const std::uint64_t expected = options.package ? options.package->digest.size : 0;
    // Without a local package the first bytes tell the kind; with one, the
    // whole body is hashed piece by piece and never held, and reading stops
    // as soon as it is longer than the local file.
    package = fetch(address, options.timeout, package_head_size,
                    [&](const runtime::HttpAnswer& so_far, std::string_view piece) {
                      if (!options.package || so_far.status != 200) return so_far.body_size < package_head_size;
                      sha256.add(piece);
                      if (options.progress) options.progress(so_far.body_size, expected);
                      return so_far.body_size <= expected;
                    });
    const runtime::HttpAnswer& answer = package.last.answer;
    if (options.package && package.last.fault == runtime::HttpFault::none && !answer.body_cut)
      served_digest = PackageDigest{answer.body_size, sha256.hex()};
    add_https_warning(package, warnings);
  }
  return check_package(address, package, options.package, served_digest);
}

Verification verify_release(const Values& local, const VerifyOptions& options) {
  Verification verification;
  auto& checks = verification.checks;
  if (const auto why = unaskable_address(local[FieldId::update_url].text)) {
    checks.push_back({"descriptor", CheckState::failed, {*why}});
    verification.verdict = verdict_of(checks);
    return verification;
  }
  const Fetched descriptor = fetch(local[FieldId::update_url].text, options.timeout, max_descriptor_size);
  files::UpdateDescriptor served;
  checks.push_back(check_descriptor(descriptor, served));
  add_https_warning(descriptor, verification.warnings);
  if (checks.back().state == CheckState::ok) {
    checks.push_back(check_descriptor_matches(update_descriptor(local), served, descriptor.last.answer));
    checks.push_back(check_served_package(served.URL, options, verification.warnings));
    if (auto warning = versions_warning(local[FieldId::program_version].text, served.Version))
      verification.warnings.push_back(*warning);
  }
  if (options.package_contents) {
    checks.push_back(*options.package_contents);
    verification.warnings.insert(verification.warnings.end(), options.package_warnings.begin(),
                                 options.package_warnings.end());
  }
  verification.verdict = verdict_of(checks);
  return verification;
}

}  // namespace release

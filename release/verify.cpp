#include "release/verify.h"

#include <algorithm>

#include "release/addresses.h"
#include "runtime/text/byte_order_mark.h"
#include "runtime/text/gbk.h"
#include "runtime/text/strings.h"

namespace release {
namespace {

using runtime::HttpAnswer;
using runtime::HttpFault;
using runtime::header_value;

using runtime::utf8;

const char* fault_words(HttpFault fault) {
  switch (fault) {
    case HttpFault::none: break;
    case HttpFault::bad_url: return "not an http:// or https:// address";
    case HttpFault::resolve: return "the host name does not resolve";
    case HttpFault::connect: return "the connection was refused or could not be made";
    case HttpFault::timeout: return "no whole answer within the timeout";
    case HttpFault::broken: return "the connection broke, or the answer was no HTTP answer";
  }
  return "";
}

// The way to the last answer, hop by hop, and whether that answer is a 200
// to be judged further; otherwise `result` holds why not.
bool reached(const Fetched& fetched, CheckResult& result) {
  for (const Hop& hop : fetched.redirects) {
    std::string line = "redirect: " + utf8(hop.url) + " -> " + std::to_string(hop.status) + " -> " + utf8(hop.location);
    if (changes_to_https(hop.url, hop.location)) line += " (a change to https; the client asks over http)";
    result.details.push_back(line);
  }
  const runtime::HttpResult& last = fetched.last;
  if (last.fault != HttpFault::none) {
    // A broken answer is the server's fault; no answer at all leaves the release unjudged.
    result.state = last.fault == HttpFault::broken ? CheckState::failed : CheckState::not_made;
    result.details.push_back(utf8(fetched.last_url) + ": " + fault_words(last.fault) +
                             (last.fault_text.empty() ? "" : " (" + last.fault_text + ")"));
    return false;
  }
  if (fetched.too_many_redirects) {
    result.state = CheckState::failed;
    result.details.push_back(utf8(fetched.last_url) + " answered " + std::to_string(last.answer.status) +
                             ", one more redirect after " + std::to_string(max_redirects) +
                             "; the client follows no more");
    return false;
  }
  if (last.answer.status != 200) {
    result.state = CheckState::failed;
    result.details.push_back(utf8(fetched.last_url) + " answered " + std::to_string(last.answer.status) +
                             ", not 200");
    return false;
  }
  return true;
}

bool html_type(const HttpAnswer& answer) {
  const std::string type = comparable(header_value(answer, "Content-Type"));
  return type.starts_with("text/html") || type.starts_with("application/xhtml");
}

// The start of an HTML page: markup, not a descriptor or an archive.
bool html_content(std::string_view body) {
  body = runtime::without_utf8_byte_order_mark(body);
  const auto start = body.find_first_not_of(" \t\r\n");
  if (start == std::string_view::npos || body[start] != '<') return false;
  const std::string head = runtime::string_lower(body.substr(start, 1024));
  for (const char* tag : {"<!doctype html", "<html", "<head", "<body", "<title", "<script", "<meta"}) {
    if (head.find(tag) != std::string::npos) return true;
  }
  return false;
}

// Why the bytes are an HTML page, or "".
std::string html_reason(const HttpAnswer& answer) {
  if (html_type(answer)) return "an HTML page (Content-Type: " + utf8(header_value(answer, "Content-Type")) + ")";
  if (html_content(answer.body)) return "an HTML page (its content is markup)";
  return {};
}

const char* byte_order_mark_words(std::string_view body) {
  switch (runtime::byte_order_mark(body)) {
    case runtime::ByteOrderMark::utf8: return "a UTF-8 byte-order mark";
    case runtime::ByteOrderMark::utf16: return "a UTF-16 byte-order mark";
    case runtime::ByteOrderMark::none: break;
  }
  return nullptr;
}

// "Version, Date, URL and Note"
std::string listed(const std::vector<std::string>& names) {
  std::string text;
  for (std::size_t i = 0; i < names.size(); ++i)
    text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
  return text;
}

std::vector<std::string> descriptor_key_names() {
  std::vector<std::string> names;
  for (const auto& key : files::update_descriptor_keys()) names.push_back(key.name);
  return names;
}
constexpr const char* cache_headers[] = {"Age", "Cache-Control", "Expires", "Last-Modified", "ETag"};

std::string hex_bytes(std::string_view bytes) {
  static constexpr char digits[] = "0123456789abcdef";
  std::string text;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (!text.empty()) text += ' ';
    text += digits[byte >> 4];
    text += digits[byte & 0xF];
  }
  return text.empty() ? "none" : text;
}

struct ArchiveKind {
  const char* name;
  std::string_view magic;
};
constexpr ArchiveKind archive_kinds[] = {{"zip", {"PK\x03\x04", 4}}, {"rar", {"Rar!\x1a\x07", 6}}};

// The archive kind the bytes begin with, or "".
std::string kind_of_bytes(std::string_view bytes) {
  for (const ArchiveKind& kind : archive_kinds)
    if (bytes.starts_with(kind.magic)) return kind.name;
  return {};
}

}  // namespace

CheckResult check_descriptor(const Fetched& fetched, files::UpdateDescriptor& served) {
  CheckResult result{"descriptor", CheckState::ok, {}};
  if (!reached(fetched, result)) return result;
  const HttpAnswer& answer = fetched.last.answer;
  const std::string& body = answer.body;
  auto fail = [&](const std::string& why) {
    result.state = CheckState::failed;
    result.details.push_back(utf8(fetched.last_url) + ": " + why);
    return result;
  };
  if (answer.body_cut || answer.body_size > max_descriptor_size) return fail("larger than 1 MB, so no descriptor");
  if (const std::string html = html_reason(answer); !html.empty()) return fail(html + ", not the descriptor");
  if (const char* mark = byte_order_mark_words(body)) return fail("begins with " + std::string(mark) + "; the client expects the first line at the first byte");
  if (body.find('\0') != std::string::npos || !runtime::utf8_from_gbk(body).complete) return fail("not GBK text");
  std::vector<std::string> missing;
  served = files::read_update_descriptor(body, &missing);
  if (!missing.empty()) {
    std::string names;
    for (const std::string& name : missing) names += (names.empty() ? "" : ", ") + name;
    return fail("no " + names + " in section [Update] as the client reads it");
  }
  result.details.push_back(utf8(fetched.last_url) + ": 200, " + std::to_string(answer.body_size) + " bytes, Version " +
                           utf8(served.Version));
  return result;
}

CheckResult check_descriptor_matches(const files::UpdateDescriptor& local, const files::UpdateDescriptor& served,
                                     const HttpAnswer& answer) {
  CheckResult result{"descriptor matches", CheckState::ok, {}};
  for (const auto& key : files::update_descriptor_keys()) {
    if (local.*key.value == served.*key.value) continue;
    result.state = CheckState::failed;
    result.details.push_back(std::string(key.name) + ": served " + utf8(served.*key.value) + ", local Update.txt " +
                             utf8(local.*key.value));
  }
  if (result.state == CheckState::ok) {
    result.details.push_back(listed(descriptor_key_names()) + " equal the local Update.txt's");
    return result;
  }
  std::string seen;
  for (const char* name : cache_headers) {
    const std::string value = header_value(answer, name);
    if (!value.empty()) result.details.push_back(std::string("cache header ") + name + ": " + utf8(value));
    seen += value;
  }
  if (seen.empty()) result.details.push_back("no cache headers (Age, Cache-Control, Expires, Last-Modified, ETag)");
  return result;
}

CheckResult check_package(const std::string& address, const Fetched& fetched,
                          const std::optional<LocalPackage>& local,
                          const std::optional<PackageDigest>& served_digest) {
  CheckResult result{"package", CheckState::ok, {}};
  auto fail = [&](const std::string& why) {
    result.state = CheckState::failed;
    result.details.push_back(why);
    return result;
  };
  if (!is_web_address(address))
    return fail("the served descriptor's URL is no http:// address: " + utf8(address));
  const std::string kind = archive_kind(address);
  if (kind.empty()) return fail("the served descriptor's URL names neither a zip nor a rar archive: " + utf8(address));
  if (const auto why = unaskable_address(address)) return fail("the served descriptor's URL " + *why);
  if (fetched.last.fault == HttpFault::bad_url) return fail("the served descriptor's URL is no address a client can ask: " + utf8(address));
  if (!reached(fetched, result)) return result;
  const HttpAnswer& answer = fetched.last.answer;
  const std::string where = utf8(fetched.last_url) + ": ";
  if (const std::string html = html_reason(answer); !html.empty()) return fail(where + html + ", not a " + kind + " archive");
  const std::string seen = kind_of_bytes(answer.body);
  if (seen != kind) {
    const std::string first = hex_bytes(std::string_view(answer.body).substr(0, 8));
    return fail(where + "the first bytes are not those of a " + kind + " archive: " + first +
                (seen.empty() ? "" : " (a " + seen + " archive)"));
  }
  if (!local) {
    result.details.push_back(where + "200, begins as a " + kind + " archive");
    return result;
  }
  const std::string local_size = std::to_string(local->digest.size);
  if (!served_digest) return fail(where + "more than " + local_size + " bytes, the size of " + local->name);
  if (served_digest->size != local->digest.size)
    return fail(where + std::to_string(served_digest->size) + " bytes, " + local->name + " has " + local_size);
  if (served_digest->sha256 != local->digest.sha256)
    return fail(where + "SHA-256 " + served_digest->sha256 + ", " + local->name + " has " + local->digest.sha256);
  result.details.push_back(where + "a " + kind + " archive of " + local_size + " bytes, SHA-256 " +
                           served_digest->sha256 + ", equal to " + local->name);
  return result;
}

Verdict verdict_of(const std::vector<CheckResult>& checks) {
  auto any = [&](CheckState state) {
    return std::any_of(checks.begin(), checks.end(), [&](const CheckResult& c) { return c.state == state; });
  };
  if (any(CheckState::failed)) return Verdict::failed;
  if (any(CheckState::not_made)) return Verdict::not_checked;
  return Verdict::passed;
}

}  // namespace release

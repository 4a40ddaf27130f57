#include "answers_case.h"

#include "fuzz_input.h"
#include "release/verify.h"
#include "release/versions.h"
#include "runtime/files/profile.h"

namespace fuzz {
namespace {

using release::CheckState;
using runtime::HttpFault;

const HttpFault faults[] = {HttpFault::none, HttpFault::none, HttpFault::bad_url, HttpFault::resolve,
                            HttpFault::connect, HttpFault::timeout, HttpFault::broken, HttpFault::none};

std::string descriptor_rules(const release::Fetched& fetched) {
  files::UpdateDescriptor served;
  const release::CheckResult result = release::check_descriptor(fetched, served);
  const runtime::HttpAnswer& answer = fetched.last.answer;
  if (result.details.empty()) return "descriptor: no details";
  const HttpFault fault = fetched.last.fault;
  const bool unanswered = fault != HttpFault::none && fault != HttpFault::broken;
  if ((result.state == CheckState::not_made) != unanswered) return "descriptor: not made for another reason";
  if (result.state != CheckState::ok) return "";
  if (answer.status != 200 || answer.body_cut || answer.body.size() > release::max_descriptor_size)
    return "descriptor: passed without a whole 200 answer of at most 1 MB";
  if (answer.body.starts_with("\xEF\xBB\xBF") || answer.body.find('\0') != std::string::npos)
    return "descriptor: passed with a byte-order mark or a NUL byte";
  const runtime::ProfileText text(answer.body);
  if (served.Version != text.read("update", "Version", "") || served.Note != text.read("Update", "note", ""))
    return "descriptor: served values other than the client reads";
  return "";
}

std::string package_rules(const std::string& address, const release::Fetched& fetched) {
  const release::CheckResult result = release::check_package(address, fetched, std::nullopt, std::nullopt);
  if (result.details.empty()) return "package: no details";
  if (result.state != CheckState::ok) return "";
  const std::string kind = release::archive_kind(address);
  const std::string& body = fetched.last.answer.body;
  const bool archive = (kind == "zip" && body.starts_with("PK\x03\x04")) || (kind == "rar" && body.starts_with("Rar!\x1a\x07"));
  if (fetched.last.answer.status != 200 || !archive) return "package: passed without a 200 answer of its archive kind";
  return "";
}

std::string versions_rules(const std::string& a, const std::string& b) {
  const std::optional<int> forward = release::compare_versions(a, b), backward = release::compare_versions(b, a);
  if (forward.has_value() != backward.has_value() || (forward && *forward != -*backward))
    return "versions: the order of " + a + " and " + b + " depends on which comes first";
  if (forward && release::compare_versions(a, a) != 0) return "versions: " + a + " differs from itself";
  if ((forward == 1) == release::versions_warning(b, a).has_value()) return "versions: a warning against the order";
  return "";
}

}  // namespace

std::string run_answers_case(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  const std::uint8_t status = input.byte();
  const std::uint8_t flags = input.byte();
  release::Fetched fetched{"http://example.com/Update.txt", {}, "http://example.com/Update.txt", {}, false};
  fetched.last.fault = faults[flags % 8];
  fetched.last.answer.status = status % 4 != 0 ? 200 : status * 7 % 600;
  fetched.last.answer.headers.push_back({"Content-Type", input.text(40)});
  const std::string address = input.text(48);
  const std::string a = input.text(24), b = input.text(24);
  fetched.last.answer.body = input.rest();
  fetched.last.answer.body_size = fetched.last.answer.body.size();
  fetched.last.answer.body_cut = (flags & 8) != 0;
  fetched.too_many_redirects = (flags & 16) != 0;
  for (const std::string& broken : {descriptor_rules(fetched), package_rules(address, fetched), versions_rules(a, b)})
    if (!broken.empty()) return broken;
  return "";
}

}  // namespace fuzz

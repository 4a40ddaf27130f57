#include "app/cli/verify_output.h"

#include <nlohmann/json.hpp>

#include "app/cli/output.h"
#include "app/cli/request.h"
#include "runtime/process/console.h"

namespace cli {
namespace {

using json = nlohmann::ordered_json;
using release::CheckState;
using release::Verdict;

struct VerdictText {
  Verdict verdict;
  const char* name;  // JSON's status
  const char* VerdictWords::*words;  // the last line
  int exit_status;
};
constexpr VerdictText verdict_texts[] = {
    {Verdict::passed, "passed", &VerdictWords::passed, status_written},
    {Verdict::failed, "failed", &VerdictWords::failed, status_release_broken},
    {Verdict::not_checked, "not_checked", &VerdictWords::not_checked, status_not_checked},
};

const VerdictText& text_of(Verdict verdict) {
  for (const VerdictText& text : verdict_texts)
    if (text.verdict == verdict) return text;
  return verdict_texts[0];
}

std::string joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
  return text;
}

}  // namespace

const VerdictWords release_words = {"the clients will receive this release",
                                    "the live release differs from the local files or is broken",
                                    "the live release could not be checked"};

int verify_exit_status(Verdict verdict) { return text_of(verdict).exit_status; }

void print_round(const release::Verification& verification, int round, const VerdictWords& words) {
  std::string text = round > 0 ? "round " + std::to_string(round) + ":\n" : "";
  for (const release::CheckResult& check : verification.checks) {
    const char* mark = check.state == CheckState::ok ? "ok  " : "FAIL";
    text += std::string(mark) + " " + check.name + ":";
    text += check.details.empty() ? "\n" : " " + check.details.front() + "\n";
    for (std::size_t i = 1; i < check.details.size(); ++i) text += "     " + check.details[i] + "\n";
  }
  for (const std::string& warning : verification.warnings) text += "warning: " + warning + "\n";
  text += std::string(words.*text_of(verification.verdict).words) + "\n";
  runtime::print_out(text);
}

void print_verification_json(const release::Verification& verification, const json& more,
                             const VerdictWords& words) {
  json checks = json::array();
  for (const release::CheckResult& check : verification.checks) {
    checks.push_back({{"name", check.name}, {"ok", check.state == CheckState::ok}, {"details", joined(check.details)}});
  }
  json object = {{"status", text_of(verification.verdict).name},
                 {"exit_status", verify_exit_status(verification.verdict)},
                 {"message", words.*text_of(verification.verdict).words},
                 {"checks", checks},
                 {"warnings", verification.warnings}};
  object.update(more);
  print_json(object);
}

int print_not_checked(const std::string& message, bool as_json, const json& more) {
  if (as_json) {
    json object = {{"status", text_of(Verdict::not_checked).name},
                   {"exit_status", status_not_checked},
                   {"message", message},
                   {"checks", json::array()},
                   {"warnings", json::array()}};
    object.update(more);
    print_json(object);
  } else {
    runtime::print_err("kestrel-cli: " + message + "\n");
  }
  return status_not_checked;
}

void ProgressLine::show(std::uint64_t done, std::uint64_t total) {
  const std::uint64_t percent = total > 0 ? std::min<std::uint64_t>(done * 100 / total, 100) : 100;
  if (percent == last_percent_) return;
  last_percent_ = percent;
  shown_ = true;
  runtime::print_err("\rpackage: " + std::to_string(done >> 20) + " of " + std::to_string(total >> 20) + " MiB (" +
            std::to_string(percent) + "%)  ");
}

std::function<void(std::uint64_t, std::uint64_t)> progress_shown(ProgressLine& line) {
  if (!runtime::error_is_terminal()) return {};
  return [&line](std::uint64_t done, std::uint64_t total) { line.show(done, total); };
}

ProgressLine::~ProgressLine() {
  if (shown_) runtime::print_err("\r" + std::string(40, ' ') + "\r");  // the line goes; the checks' lines follow
}

}  // namespace cli

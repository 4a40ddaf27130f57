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

json checks_json(const std::vector<release::CheckResult>& checks) {
  json list = json::array();
  for (const release::CheckResult& check : checks)
    list.push_back({{"name", check.name}, {"ok", check.state == CheckState::ok}, {"details", joined(check.details)}});
  return list;
}

struct PublishText {
  release::PublishVerdict verdict;
  const char* name;  // JSON's status
  int exit_status;
};
constexpr PublishText publish_texts[] = {
    {release::PublishVerdict::published, "published", status_written},
    {release::PublishVerdict::dry_run, "dry_run", status_written},
    {release::PublishVerdict::check_failed, "failed", status_release_broken},
    {release::PublishVerdict::not_done, "not_published", status_not_checked},
};

const PublishText& text_of(release::PublishVerdict verdict) {
  for (const PublishText& text : publish_texts)
    if (text.verdict == verdict) return text;
  return publish_texts[0];
}

struct StepStateText {
  release::StepState state;
  const char* name;
};
constexpr StepStateText step_state_texts[] = {
    {release::StepState::done, "ok"},
    {release::StepState::skipped, "skipped"},
    {release::StepState::failed, "FAIL"},
    {release::StepState::planned, "planned"},
};

const char* name_of(release::StepState state) {
  for (const StepStateText& text : step_state_texts)
    if (text.state == state) return text.name;
  return "";
}

}  // namespace

const VerdictWords release_words = {"the clients will receive this release",
                                    "the live release differs from the local files or is broken",
                                    "the live release could not be checked"};

int verify_exit_status(Verdict verdict) { return text_of(verdict).exit_status; }

std::string check_lines(const std::vector<release::CheckResult>& checks, const std::string& indent) {
  std::string text;
  for (const release::CheckResult& check : checks) {
    const char* mark = check.state == CheckState::ok ? "ok  " : "FAIL";
    text += indent + mark + " " + check.name + ":";
    text += check.details.empty() ? "\n" : " " + check.details.front() + "\n";
    for (std::size_t i = 1; i < check.details.size(); ++i) text += indent + "     " + check.details[i] + "\n";
  }
  return text;
}

int publish_exit_status(release::PublishVerdict verdict) { return text_of(verdict).exit_status; }

void print_step(const release::Step& step) {
  std::string text = "step " + std::to_string(step.number) + " " + step.name + ": " + name_of(step.state) + "\n";
  if (!step.target.empty())
    text += "  " + step.source + " -> " + step.target + (step.temporary.empty() ? "" : ", by way of " + step.temporary) + "\n";
  for (const std::string& detail : step.details) text += "  " + detail + "\n";
  text += check_lines(step.checks, "  ");
  runtime::print_out(text);
}

void print_publication_end(const release::Publication& publication) {
  std::string text;
  for (const std::string& warning : publication.warnings) text += "warning: " + warning + "\n";
  runtime::print_out(text + publication.message + "\n");
}

void print_publication_json(const release::Publication& publication) {
  std::vector<release::CheckResult> all;
  json steps = json::array();
  for (const release::Step& step : publication.steps) {
    all.insert(all.end(), step.checks.begin(), step.checks.end());
    steps.push_back({{"number", step.number},
                     {"name", step.name},
                     {"status", name_of(step.state)},
                     {"source", step.source},
                     {"target", step.target},
                     {"temporary", step.temporary},
                     {"details", joined(step.details)},
                     {"checks", checks_json(step.checks)}});
  }
  print_json({{"status", text_of(publication.verdict).name},
              {"exit_status", publish_exit_status(publication.verdict)},
              {"message", publication.message},
              {"checks", checks_json(all)},
              {"warnings", publication.warnings},
              {"rounds", publication.rounds},
              {"steps", steps}});
}


void print_round(const release::Verification& verification, int round, const VerdictWords& words) {
  std::string text = round > 0 ? "round " + std::to_string(round) + ":\n" : "";
  text += check_lines(verification.checks);
  for (const std::string& warning : verification.warnings) text += "warning: " + warning + "\n";
  text += std::string(words.*text_of(verification.verdict).words) + "\n";
  runtime::print_out(text);
}

void print_verification_json(const release::Verification& verification, const json& more,
                             const VerdictWords& words) {
  json object = {{"status", text_of(verification.verdict).name},
                 {"exit_status", verify_exit_status(verification.verdict)},
                 {"message", words.*text_of(verification.verdict).words},
                 {"checks", checks_json(verification.checks)},
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

#include "app/cli/output.h"

#include <nlohmann/json.hpp>

#include "app/cli/request.h"
#include "runtime/process/console.h"
#include "runtime/text/gbk.h"
#include "runtime/text/line_breaks.h"

namespace cli {
namespace {

using json = nlohmann::ordered_json;
using release::Outcome;

using runtime::utf8;

std::string first_line(const std::string& text) { return text.substr(0, text.find_first_of("\r\n")); }

const char* status_name(Outcome::Status status, bool dry_run) {
  switch (status) {
    case Outcome::Status::check_failed: return "check_failed";
    case Outcome::Status::not_written: return "not_written";
    case Outcome::Status::written: break;
  }
  return dry_run ? "dry_run" : "written";
}

int exit_status(Outcome::Status status) {
  switch (status) {
    case Outcome::Status::check_failed: return status_refused;
    case Outcome::Status::not_written: return status_not_written;
    case Outcome::Status::written: break;
  }
  return status_written;
}

// "--update-url (更新地址): " before the form's message.
std::string field_prefix(release::FieldId id) {
  const release::Field& field = release::field(id);
  return option_prefix(field, field.option);
}

json files_json(const Outcome& outcome) {
  json files = json::array();
  for (const release::FileOutcome& file : outcome.files) {
    json entry = {{"name", file.name}, {"mode", file.created ? "create" : "update"}, {"written", file.written}};
    if (file.content) entry["content"] = utf8(*file.content);
    files.push_back(entry);
  }
  return files;
}

}  // namespace

void print_json(const nlohmann::ordered_json& object) {
  runtime::print_out_bytes(object.dump(2, ' ', false, json::error_handler_t::replace) + "\n");
}

void print_version(bool as_json) {
  if (as_json) {
    print_json({{"version", KESTREL_VERSION}});
  } else {
    runtime::print_out(std::string("kestrel-cli ") + KESTREL_VERSION + "\n");
  }
}

void print_values(const release::Values& values, bool as_json, const Warnings& warnings) {
  json object = json::object();
  std::string lines;
  for (const release::Field& field : release::fields()) {
    const std::string value = utf8(first_line(values[field.id].text));
    object[field.option] = value;
    lines += std::string(field.option) + "=" + value + "\n";
  }
  if (as_json) {
    object["warnings"] = warnings;
    print_json(object);
  } else {
    runtime::print_out(lines);
  }
}

int print_outcome(const Outcome& outcome, bool dry_run, bool as_json, const Warnings& warnings) {
  const int status = exit_status(outcome.status);
  if (as_json) {
    json object = {{"status", status_name(outcome.status, dry_run)}, {"exit_status", status}};
    object["field"] = outcome.failure ? json(release::field(outcome.failure->field).option) : json(nullptr);
    object["message"] = utf8(outcome.message);
    object["files"] = files_json(outcome);
    const bool reported = outcome.status == Outcome::Status::written && !dry_run;
    object["report"] = reported ? json(utf8(outcome.message)) : json(nullptr);
    object["warnings"] = warnings;
    print_json(object);
    return status;
  }
  switch (outcome.status) {
    case Outcome::Status::check_failed:
      runtime::print_err("kestrel-cli: " + field_prefix(outcome.failure->field) + utf8(outcome.message) + "\n");
      break;
    case Outcome::Status::not_written:
      runtime::print_err("kestrel-cli: " + utf8(outcome.message) + "\n");
      break;
    case Outcome::Status::written:
      if (!dry_run) {
        runtime::print_out(utf8(runtime::message_box_lines(outcome.message)) + "\n");
        break;
      }
      for (const release::FileOutcome& file : outcome.files) {
        runtime::print_out("==> " + file.name + (file.created ? " (create)" : " (update)") + " <==\n");
        runtime::print_out(utf8(*file.content));
      }
      break;
  }
  return status;
}

int print_refusal(const Refusal& refusal, bool as_json, const Warnings& warnings) {
  if (as_json) {
    print_json({{"status", "check_failed"},
                {"exit_status", status_refused},
                {"field", refusal.option},
                {"message", refusal.message},
                {"files", json::array()},
                {"report", nullptr},
                {"warnings", warnings}});
  } else {
    runtime::print_err("kestrel-cli: " + refusal.message + "\n");
  }
  return status_refused;
}

}  // namespace cli

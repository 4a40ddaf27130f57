#include "app/cli/values.h"

#include "release/checks.h"
#include "runtime/files/file_read.h"
#include "runtime/process/console.h"
#include "runtime/process/process.h"
#include "runtime/text/byte_order_mark.h"
#include "runtime/text/datetime.h"
#include "runtime/text/gbk.h"
#include "runtime/text/line_breaks.h"

namespace cli {
namespace {

using release::Field;
using release::FieldId;

Refusal refusal(const Field& field, const std::string& option, const std::string& why) {
  return {field.id, option, option_prefix(field, option) + why};
}

// A file or a piped answer usually ends with one line break that is no part
// of the value.
std::string without_final_line_break(std::string text) {
  if (!text.empty() && text.back() == '\n') text.pop_back();
  if (!text.empty() && text.back() == '\r') text.pop_back();
  return text;
}

// Takes one field's text, UTF-8, into the values as GBK.
std::optional<Refusal> take(const Field& field, const std::string& option, std::string text,
                            release::Values& values) {
  if (field.multiline) {
    text = runtime::with_line_breaks(text, "\r\n");  // as a multi-line edit gives them
  } else if (text.find_first_of("\r\n") != std::string::npos) {
    return refusal(field, option, "a single-line field cannot hold a line break");
  }
  runtime::Conversion converted = runtime::gbk_from_utf8(text);
  if (!converted.complete) {
    return refusal(field, option, runtime::utf8(release::outside_gbk_message(field)));
  }
  values[field.id] = {std::move(converted.text), true};
  return std::nullopt;
}

std::optional<Refusal> take_note_file(const std::string& path, release::Values& values) {
  const Field& note = release::field(FieldId::note);
  std::string bytes, error;
  if (!runtime::read_file(runtime::path_from_utf8(path), bytes, &error))
    return refusal(note, note_file_option, "cannot read " + path + ": " + error);
  const std::string_view text = runtime::without_utf8_byte_order_mark(bytes);
  return take(note, note_file_option, without_final_line_break(std::string(text)), values);
}

std::optional<Refusal> take_password(const Request& request, release::Values& values) {
  const Field& password = release::field(FieldId::password);
  const char* option = request.password_env ? password_env_option : password_stdin_option;
  std::string why;
  const std::optional<std::string> text = given_password(request, why);
  if (!text) return refusal(password, option, why);
  return take(password, option, *text, values);
}

}  // namespace

std::optional<std::string> given_password(const Request& request, std::string& why) {
  if (request.password_env) {
    std::optional<std::string> value = runtime::environment_variable(*request.password_env);
    // Not named: a password typed where the variable's name belongs would land in a CI log.
    if (!value) why = std::string("the environment variable named by --") + password_env_option + " is not set";
    return value;
  }
  const std::optional<std::string> input = runtime::read_standard_input();
  if (!input) {
    why = "standard input cannot be read";
    return std::nullopt;
  }
  return without_final_line_break(*input);
}

std::optional<Refusal> apply_request(const Request& request, release::Values& values) {
  for (const auto& [id, given] : request.given) {
    const Field& field = release::field(id);
    std::string text = given;
    if (id == FieldId::date && text == "today") text = runtime::datetime_format(runtime::date_today(), "yyyy-mm-dd");
    if (auto refused = take(field, field.option, text, values)) return refused;
  }
  if (request.note_file) {
    if (auto refused = take_note_file(*request.note_file, values)) return refused;
  }
  if (request.password_env || request.password_stdin) return take_password(request, values);
  return std::nullopt;
}

}  // namespace cli

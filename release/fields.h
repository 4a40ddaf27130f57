#pragma once
// The thirteen fields of a release, each declared once: the form's controls,
// the pre-fill, the checks, the writers' inputs and the command line's
// options all take a field's identity from this table.
#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "files/client_config.h"
#include "files/update_descriptor.h"

namespace release {

// In the order of the form's field map, which is also the order in which
// texts are checked for characters that GBK cannot store.
enum class FieldId {
  update_url,
  program,
  program_version,
  dbms,
  server,
  database,
  login,
  password,
  dbparm,
  latest_version,
  date,
  package_url,
  note,
};
inline constexpr std::size_t field_count = 13;

struct Field {
  FieldId id;
  const char* control;        // the edit on the form
  const char* label_control;  // the label to its left
  const char* label;          // UTF-8, as the form shows it
  const char* option;         // the command line's name for it ("--" + option)
  const char* gloss;          // its meaning in English, for the command line's help
  bool prefilled;  // the form opens with what its file holds; the others show their preset
  bool required;   // one of the six fields the checks refuse empty; marked "*" in the command line's help
  bool database;   // written only when UpdateConfig.ini is created
  bool multiline;  // the note: the one field that may hold line breaks
  bool secret;     // the password: never taken from a plain argument
  const char* preset;  // UTF-8; the text a first start shows
  // The value it gives to the files' writers (and takes back on open): a
  // key of UpdateConfig.ini or one of Update.txt.
  std::string files::ClientConfig::*config_value;            // or null
  std::string files::UpdateDescriptor::*descriptor_value;   // or null
};

std::span<const Field> fields();
const Field& field(FieldId id);
// The field whose edit, or whose label, is the named control; null if none.
const Field* field_of_control(std::string_view control);
const Field* field_labelled_by(std::string_view label_control);

// The label without its closing colon ("更新地址"), UTF-8.
std::string label_name(const Field& field);

// One field's value: GBK bytes, and whether it came in whole. A text typed in
// another encoding with a character that GBK cannot store holds "?" in its
// place, and `gbk` is false, so nothing writes it unnoticed.
struct Value {
  std::string text;
  bool gbk = true;
};

class Values {
 public:
  Value& operator[](FieldId id) { return values_[static_cast<std::size_t>(id)]; }
  const Value& operator[](FieldId id) const { return values_[static_cast<std::size_t>(id)]; }

 private:
  std::array<Value, field_count> values_;
};

// The values that reach the two files' writers.
files::ClientConfig client_config(const Values& values);
files::UpdateDescriptor update_descriptor(const Values& values);

}  // namespace release

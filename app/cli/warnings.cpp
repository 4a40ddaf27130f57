#include "app/cli/warnings.h"

#include <string_view>

#include "app/cli/request.h"
#include "files/update_descriptor.h"
#include "release/usable.h"
#include "release/versions.h"
#include "runtime/text/byte_order_mark.h"
#include "runtime/text/gbk.h"

namespace cli {
namespace {

// A missing file is created, and one that is no file is reported when it
// is written.
void check(const release::LocalFile& file, Warnings& warnings) {
  if (!file.content) return;
  const std::string name = file.name;
  std::string_view text = *file.content;
  switch (runtime::byte_order_mark(text)) {
    case runtime::ByteOrderMark::utf16: return;  // the client reads a UTF-16 file as such; the tool leaves it alone
    case runtime::ByteOrderMark::utf8:
      warnings.push_back(name + " begins with a UTF-8 byte-order mark, which the update client takes for text:"
                                " it does not see the first section of the file");
      text = runtime::without_utf8_byte_order_mark(text);
      break;
    case runtime::ByteOrderMark::none: break;
  }
  if (!runtime::utf8_from_gbk(text).complete) {
    warnings.push_back(name + " holds bytes that are no GBK text (saved as UTF-8?): the update client reads"
                              " other characters in their place");
  }
}

}  // namespace

Warnings file_warnings(const release::LocalRelease& local) {
  Warnings warnings;
  check(local.config, warnings);
  check(local.descriptor, warnings);
  return warnings;
}

Warnings release_warnings(const release::Values& values, std::uintmax_t descriptor_size) {
  using release::FieldId;
  Warnings warnings;
  for (const FieldId id : {FieldId::update_url, FieldId::package_url}) {
    const release::Field& field = release::field(id);
    if (const auto why = release::unaskable_address(values[id].text))
      warnings.push_back(option_prefix(field, field.option) + *why);
  }
  if (descriptor_size > release::max_descriptor_size)
    warnings.push_back(std::string(files::update_descriptor_file) + " is " + std::to_string(descriptor_size) +
                       " bytes, larger than the 1 MB that verify accepts as a descriptor");
  if (const auto order = release::versions_warning(values[FieldId::program_version].text,
                                                   values[FieldId::latest_version].text, "the newest version"))
    warnings.push_back(*order);
  return warnings;
}

}  // namespace cli

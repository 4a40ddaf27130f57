#include "files/update_descriptor.h"

namespace files {
namespace {

constexpr char update_section[] = "Update";

using D = UpdateDescriptor;
using enum OnUpdate;

constexpr Key<UpdateDescriptor> keys[] = {
    {update_section, "Version", &D::Version, nullptr, nullptr, write},
    {update_section, "Date", &D::Date, nullptr, nullptr, write},
    {update_section, "URL", &D::URL, nullptr, nullptr, write},
    {update_section, "Note", &D::Note, nullptr, nullptr, write_lines},
};

}  // namespace

std::span<const Key<UpdateDescriptor>> update_descriptor_keys() { return keys; }

bool write_update_descriptor(const UpdateDescriptor& descriptor, bool create) {
  return write_values(update_descriptor_file, create, update_descriptor_keys(), descriptor);
}

std::optional<std::string> update_descriptor_content(const UpdateDescriptor& descriptor, bool create) {
  return content_of_values(update_descriptor_file, create, update_descriptor_keys(), descriptor);
}

UpdateDescriptor read_update_descriptor(std::string_view content, std::vector<std::string>* missing) {
  return read_values(update_descriptor_keys(), content, missing);
}

}  // namespace files

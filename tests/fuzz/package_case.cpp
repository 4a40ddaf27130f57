#include "package_case.h"

#include <fstream>

#include "gbk_case.h"
#include "release/package_contents.h"

namespace fuzz {

std::string run_package_case(const std::uint8_t* data, std::size_t size, const std::string& folder) {
  const std::string path = folder + "/package.zip";
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data),
                                                                 static_cast<std::streamsize>(size));
  release::Values local;
  local[release::FieldId::program].text = "Sales.exe";
  local[release::FieldId::package_url].text = "http://example.com/update/sales.zip";
  const release::PackageInspection inspection = release::inspect_package(path, local);
  // A file that is there always reads, and gets "ok" or "FAIL", never "not checked".
  if (!inspection.readable) return "a file that is there was not readable: " + inspection.problem;
  if (inspection.check.name != "package contents") return "the check is named " + inspection.check.name;
  if (inspection.check.state == release::CheckState::not_made) return "no verdict";
  // The first line sums the contents up; a passed check says nothing more.
  if (inspection.check.details.empty()) return "no summary line";
  if (inspection.check.state == release::CheckState::ok && inspection.check.details.size() != 1)
    return "passed with findings: " + inspection.check.details[1];
  if (inspection.check.state == release::CheckState::failed && inspection.check.details.size() < 2)
    return "failed without a finding";
  // Every name goes out as UTF-8 (JSON, the terminal).
  for (const release::PackageEntry& entry : inspection.entries)
    if (!is_utf8(entry.name)) return "an entry's name is not UTF-8";
  return "";
}

}  // namespace fuzz

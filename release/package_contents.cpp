#include "release/package_contents.h"

#include <algorithm>

#include "release/package_names.h"
#include "runtime/files/profile.h"
#include "runtime/text/gbk.h"
#include "runtime/text/strings.h"

namespace release {
namespace {

using runtime::ArchiveEntry;
using runtime::ArchiveEntryKind;
using runtime::ArchiveFormat;

constexpr std::string_view sql_file = "updatesql.txt";
constexpr std::string_view config_file = "updateconfig.ini";
// In use while the package unpacks: the update client and what it runs.
constexpr std::string_view files_in_use[] = {"wrenlet.exe", "rar.exe", "pbvm90.dll"};

using runtime::utf8;

std::string last_part(std::string_view path) {
  const std::vector<std::string_view> parts = path_parts(path);
  return parts.empty() ? std::string() : folded(parts.back());
}

bool at_top(std::string_view path) { return path_parts(path).size() == 1; }

const char* format_name(ArchiveFormat format) {
  return format == ArchiveFormat::zip ? "zip" : format == ArchiveFormat::rar ? "rar" : "";
}

std::string byte_count(std::uint64_t bytes) {
  const std::string digits = std::to_string(bytes);
  std::string grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
    grouped += digits[i];
  }
  return grouped + (bytes == 1 ? " byte" : " bytes");
}

const char* byte_order_mark(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) return "a UTF-8 byte-order mark";
  if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF")) return "a UTF-16 byte-order mark";
  return nullptr;
}

// The one folder every entry lies under, or "".
std::string wrapping_folder(const std::vector<PackageEntry>& entries) {
  std::string top;
  for (const PackageEntry& entry : entries) {
    const std::vector<std::string_view> parts = path_parts(entry.name);
    if (parts.empty()) continue;
    if (parts.size() == 1 && !entry.folder) return {};
    if (!top.empty() && folded(parts.front()) != folded(top)) return {};
    top = parts.front();
  }
  return top;
}

// UpdateConfig.ini in the package against the local one: what every
// client's configuration becomes.
std::string config_warning(const std::string& packed, const Values& local) {
  const runtime::ProfileText text(packed);
  struct Key {
    const char* section;
    const char* key;
    FieldId field;
  };
  constexpr Key compared[] = {{"Update", "Version", FieldId::program_version},
                              {"Update", "URL", FieldId::update_url},
                              {"Main", "ProgramName", FieldId::program}};
  std::string differences;
  for (const Key& key : compared) {
    const std::string value = text.read(key.section, key.key, "");
    if (value == local[key.field].text) continue;
    differences += std::string(differences.empty() ? "" : ", ") + key.key + " " + utf8(value) + " (local " +
                   utf8(local[key.field].text) + ")";
  }
  std::string database;
  for (const char* key : {"DBMS", "ServerName", "Database", "LogID", "DBParm"})
    database += std::string(database.empty() ? "" : ", ") + key + "=" + utf8(text.read("Database", key, ""));
  database += text.read("Database", "LogPass", "").empty() ? ", no LogPass" : ", LogPass set";
  return "the package holds UpdateConfig.ini, which replaces each client's configuration: " +
         (differences.empty() ? std::string("Version, URL and ProgramName as the local one's")
                              : differences) +
         "; every client gets the database connection " + database;
}

class Findings {
 public:
  explicit Findings(PackageInspection& inspection) : inspection_(inspection) {}
  void fail(const std::string& line) {
    inspection_.check.state = CheckState::failed;
    inspection_.check.details.push_back(line);
  }
  void warn(const std::string& line) { inspection_.warnings.push_back(line); }

 private:
  PackageInspection& inspection_;
};

void judge_reading(const runtime::ArchiveReading& reading, const std::vector<PackageEntry>& entries,
                   const Values& local, Findings& findings) {
  const std::string kind = format_name(reading.format);
  const std::string expected = archive_kind(local[FieldId::package_url].text);
  if (reading.volume) findings.fail("one volume of a multi-volume set; the client unpacks one archive alone");
  if (reading.format == ArchiveFormat::none) {
    findings.fail("neither a zip nor a RAR archive (" + reading.problem + ")");
    return;
  }
  if (!expected.empty() && expected != kind)
    findings.fail("a " + kind + " archive, but the package address ends in ." + expected);
  if (!reading.complete) {
    if (reading.failed_entry)
      findings.fail(entries[*reading.failed_entry].name + ": damaged (" + reading.problem + ")");
    else
      findings.fail("cut short or damaged after " + std::to_string(entries.size()) + " entries (" + reading.problem + ")");
  } else if (entries.empty()) {
    findings.fail("the archive holds nothing");
  }
}

void judge_entries(const runtime::ArchiveReading& reading, const std::vector<PackageEntry>& entries,
                   const Values& local, Findings& findings) {
  std::map<std::string, std::size_t> seen;  // folded name -> the first entry of it
  const std::string program = last_part(utf8(runtime::string_trim(local[FieldId::program].text)));
  bool program_at_top = false;
  std::string program_below;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const ArchiveEntry& read = reading.entries[i];
    const std::string& name = entries[i].name;
    if (read.encrypted) findings.fail(name + ": encrypted; the client has no password");
    if (read.kind == ArchiveEntryKind::symlink) findings.fail(name + ": a symbolic link, which could write outside the client's folder");
    if (read.kind == ArchiveEntryKind::hardlink) findings.fail(name + ": a hard link, which could write outside the client's folder");
    if (const std::string leaves = leaves_folder(name); !leaves.empty())
      findings.fail(name + ": " + leaves + ", which writes outside the client's folder");
    const ClientName client = client_name(read);
    const bool misread = !client.fault.empty() && !client.warning;  // its characters are not those meant
    if (!client.fault.empty()) client.warning ? findings.warn(client.fault) : findings.fail(client.fault);
    if (const std::string fault = misread ? "" : windows_name_fault(name); !fault.empty())
      findings.fail(name + ": Windows cannot create it: " + fault);
    const auto [first, added] = seen.emplace(folded(name), i);
    if (!added && entries[first->second].name != name && !(entries[i].folder && entries[first->second].folder))
      findings.fail(entries[first->second].name + " and " + name + ": names that differ only in letter case; Windows keeps one");
    if (!program.empty() && !entries[i].folder && last_part(name) == program) {
      if (at_top(name)) program_at_top = true;
      else if (program_below.empty()) program_below = name;
    }
  }
  if (const std::string folder = wrapping_folder(entries); !folder.empty()) {
    findings.fail("every entry lies under the folder " + folder + "/: the client unpacks them into " + folder +
                  "\\ and the installed program stays as it was");
  } else if (!program_at_top && !program_below.empty()) {
    findings.fail(program_below + ": the program (ProgramName) lies only below a folder; the installed " + program +
                  " stays as it was");
  }
}

void judge_texts(const std::vector<PackageEntry>& entries, const std::map<std::size_t, TextSeen>& texts,
                 const Values& local, Findings& findings) {
  for (const auto& [index, text] : texts) {
    const std::string& name = entries[index].name;
    const std::string file = last_part(name);
    if (file == sql_file) {
      if (!at_top(name)) findings.warn(name + ": UpdateSQL.txt below a folder; the client looks for it in its own folder");
      if (const char* mark = byte_order_mark(text.start()))
        findings.fail(name + ": begins with " + mark + ", which reaches the customers' databases in front of the first statement");
      else if (!text.gbk_text())
        findings.fail(name + ": bytes that are no GBK text (saved as UTF-8?); its Chinese reaches the customers' databases garbled");
    } else if (file == config_file && at_top(name)) {
      findings.warn(config_warning(text.start(), local));
    }
  }
  for (const PackageEntry& entry : entries) {
    const std::string file = last_part(entry.name);
    if (at_top(entry.name) && std::find(std::begin(files_in_use), std::end(files_in_use), file) != std::end(files_in_use))
      findings.warn(entry.name + ": in use by the update client while the package unpacks; it may not be replaced");
  }
}

}  // namespace

void TextSeen::add(std::string_view piece) {
  if (start_.size() < kept) start_.append(piece.substr(0, kept - start_.size()));
  if (!gbk_) return;
  std::string text = carry_ + std::string(piece);
  carry_.clear();
  std::size_t whole = 0;  // the bytes of whole characters
  while (whole < text.size()) {
    const bool lead = runtime::gbk_is_lead_byte(static_cast<unsigned char>(text[whole]));
    if (lead && whole + 1 == text.size()) break;
    whole += lead ? 2 : 1;
  }
  carry_ = text.substr(whole);
  text.resize(whole);
  gbk_ = text.find('\0') == std::string::npos && runtime::utf8_from_gbk(text).complete;
}

bool text_wanted(const ArchiveEntry& entry) {
  const std::string file = last_part(entry.name);
  return entry.kind == ArchiveEntryKind::file && (file == sql_file || file == config_file);
}

PackageInspection judge_package(const std::string& file, const runtime::ArchiveReading& reading,
                                const std::map<std::size_t, TextSeen>& texts, const Values& local) {
  PackageInspection inspection;
  inspection.check.name = "package contents";
  if (!reading.opened) {
    inspection.readable = false;
    inspection.problem = file + ": " + reading.problem;
    inspection.check.state = CheckState::not_made;
    inspection.check.details.push_back(inspection.problem);
    return inspection;
  }
  std::uint64_t unpacked = 0;
  for (const ArchiveEntry& entry : reading.entries) {
    inspection.entries.push_back({client_name(entry).text, entry.size, entry.kind == ArchiveEntryKind::folder});
    unpacked += entry.size;
  }
  const std::size_t count = inspection.entries.size();
  inspection.check.details.push_back(
      file + ": " + (reading.format == ArchiveFormat::none ? std::string("no archive") : std::string("a ") + format_name(reading.format) + " archive") +
      ", " + std::to_string(count) + (count == 1 ? " entry, " : " entries, ") + byte_count(unpacked) + " unpacked");
  Findings findings(inspection);
  judge_reading(reading, inspection.entries, local, findings);
  judge_entries(reading, inspection.entries, local, findings);
  judge_texts(inspection.entries, texts, local, findings);
  return inspection;
}

}  // namespace release

#pragma once
// UpdateConfig.ini: the configuration shipped to clients beside the update
// client. Sections Main, Update and Database.
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "files/key_table.h"

namespace files {

inline constexpr char client_config_file[] = "UpdateConfig.ini";

// The edits' texts as typed; the writer trims each value (spaces only).
struct ClientConfig {
  std::string ProgramName;
  std::string URL;
  std::string Version;
  std::string DBMS;
  std::string ServerName;
  std::string Database;
  std::string LogID;
  std::string LogPass;
  std::string DBParm;
};

// The file's keys, in the order of the created file.
std::span<const Key<ClientConfig>> client_config_keys();

// Create mode writes the whole 19-line file; update mode changes ProgramName,
// URL and Version in place, adds AutoUpdate and LastUpdate only where they are
// absent, and leaves everything else alone, replacing the file once with all
// of these changes. Returns true when the file was written whole; when not,
// an existing file is as it was.
bool write_client_config(const ClientConfig& config, bool create);

// The complete content that write_client_config would give the file now,
// without writing it; none when the existing file cannot be edited.
std::optional<std::string> client_config_content(const ClientConfig& config, bool create);

// The values a content of the file holds, as the client reads them; "" for
// a key it lacks.
ClientConfig read_client_config(std::string_view content);

}  // namespace files

#include "release/generate.h"

#include "files/client_config.h"
#include "files/update_descriptor.h"
#include "runtime/files/file_system.h"
#include "runtime/text/gbk.h"

namespace release {
namespace {

// One file of the release: its name, its writer and what the writer would
// write.
struct FileJob {
  const char* name;
  bool (*write)(const Values&, bool ab_create);
  std::optional<std::string> (*content)(const Values&, bool ab_create);
};

std::optional<std::string> config_content(const Values& values, bool ab_create) {
  return files::client_config_content(client_config(values), ab_create);
}

std::optional<std::string> descriptor_content(const Values& values, bool ab_create) {
  return files::update_descriptor_content(update_descriptor(values), ab_create);
}

const FileJob jobs[] = {
    {files::client_config_file, of_createconfigfile, config_content},
    {files::update_descriptor_file, of_createupdatefile, descriptor_content},
};

// "无法写入UpdateConfig.ini，请检查当前目录是否可写！", with both names
// joined by "、" when both failed.
std::string not_written_message(const std::vector<FileOutcome>& files) {
  std::string names;
  for (const FileOutcome& file : files) {
    if (file.written) continue;
    if (!names.empty()) names += runtime::gbk("、");
    names += file.name;
  }
  return runtime::gbk("无法写入") + names + runtime::gbk("，请检查当前目录是否可写！");
}

}  // namespace

bool of_createconfigfile(const Values& values, bool ab_create) {
  return files::write_client_config(client_config(values), ab_create);
}

bool of_createupdatefile(const Values& values, bool ab_create) {
  return files::write_update_descriptor(update_descriptor(values), ab_create);
}

std::string closing_report(const std::string& update_url, const std::string& package_url) {
  return runtime::gbk("生成配置文件成功！\r\n请上传Update.txt到") + update_url +
         runtime::gbk("\r请上传升级包到") + package_url +
         runtime::gbk("\r\n复制文件Wrenlet.exe;UpdateConfig.ini;Rar.exe;pbvm90.dll;到您的系统中即可。");
}

Outcome generate(const Values& values, bool dry_run) {
  Outcome outcome;
  // Each file's mode is decided once, so the check for text outside GBK
  // looks at exactly the fields its writer will write, even where the file
  // appears or goes in the meantime.
  bool created[std::size(jobs)];
  for (std::size_t i = 0; i < std::size(jobs); ++i) created[i] = !runtime::file_exists(jobs[i].name);
  outcome.failure = first_failed_check(values);
  if (!outcome.failure) outcome.failure = first_field_outside_gbk(values, created[0]);
  if (outcome.failure) {
    outcome.status = Outcome::Status::check_failed;
    outcome.message = outcome.failure->message;
    return outcome;
  }

  bool all_written = true;
  for (std::size_t i = 0; i < std::size(jobs); ++i) {
    const FileJob& job = jobs[i];
    FileOutcome file;
    file.name = job.name;
    file.created = created[i];
    if (dry_run) {
      file.content = job.content(values, file.created);
      file.written = file.content.has_value();
    } else {
      file.written = job.write(values, file.created);
    }
    all_written = all_written && file.written;
    outcome.files.push_back(std::move(file));
  }
  if (!all_written) {
    outcome.status = Outcome::Status::not_written;
    outcome.message = not_written_message(outcome.files);
    return outcome;
  }
  outcome.message = closing_report(values[FieldId::update_url].text, values[FieldId::package_url].text);
  return outcome;
}

}  // namespace release

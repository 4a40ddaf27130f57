// The window functions that hand the form's values to the two file writers.
#include "files/client_config.h"
#include "files/update_descriptor.h"
#include "form/w_main.h"

namespace form {

bool w_main::of_createconfigfile(bool ab_create) {
  files::ClientConfig config;
  config.ProgramName = sle_2->text();
  config.URL = sle_1->text();
  config.Version = sle_6->text();
  config.DBMS = sle_7->text();
  config.ServerName = sle_8->text();
  config.Database = sle_9->text();
  config.LogID = sle_10->text();
  config.LogPass = sle_11->text();
  config.DBParm = sle_12->text();
  return files::write_client_config(config, ab_create);
}

bool w_main::of_createupdatefile(bool ab_create) {
  files::UpdateDescriptor descriptor;
  descriptor.Version = sle_4->text();
  descriptor.Date = sle_5->text();
  descriptor.URL = sle_3->text();
  descriptor.Note = mle_1->text();
  return files::write_update_descriptor(descriptor, ab_create);
}

}  // namespace form

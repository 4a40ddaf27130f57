#include "release/prefill.h"

#include "runtime/text/gbk.h"
#include "runtime/files/profile.h"

namespace release {

Values prefill() {
  Values values;
  for (const Field& f : fields()) {
    values[f.id].text = f.prefill.file ? runtime::profile_read(f.prefill.file, f.prefill.section, f.prefill.key, "")
                                       : runtime::gbk(f.preset);
  }
  return values;
}

}  // namespace release

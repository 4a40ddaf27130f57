#include "release/prefill.h"

#include <algorithm>
#include <vector>

#include "runtime/text/gbk.h"
#include "runtime/files/profile.h"

namespace release {

Values prefill() {
  Values values;
  std::vector<const Field*> read_order;
  for (const Field& f : fields()) {
    values[f.id].text = runtime::gbk(f.preset);
    if (f.prefill.file) read_order.push_back(&f);
  }
  std::sort(read_order.begin(), read_order.end(),
            [](const Field* a, const Field* b) { return a->prefill.order < b->prefill.order; });
  for (const Field* f : read_order) {
    values[f->id].text = runtime::profile_read(f->prefill.file, f->prefill.section, f->prefill.key, "");
  }
  return values;
}

}  // namespace release

#include "release/versions.h"

#include "runtime/text/gbk.h"
#include "runtime/text/strings.h"

namespace release {
namespace {

// A number split into its sign and its digits around the point, without the
// zeros that do not change its value; compared digit by digit, so any length
// is exact.
struct Decimal {
  bool negative = false;
  std::string whole;     // no leading zeros
  std::string fraction;  // no trailing zeros
};

Decimal decimal(const std::string& number) {
  Decimal d;
  std::string_view text = number;
  if (text.front() == '+' || text.front() == '-') {
    d.negative = text.front() == '-';
    text.remove_prefix(1);
  }
  const auto point = text.find('.');
  d.whole = std::string(text.substr(0, point));
  if (point != std::string_view::npos) d.fraction = std::string(text.substr(point + 1));
  const auto significant = d.whole.find_first_not_of('0');
  d.whole.erase(0, significant == std::string::npos ? d.whole.size() : significant);
  while (!d.fraction.empty() && d.fraction.back() == '0') d.fraction.pop_back();
  if (d.whole.empty() && d.fraction.empty()) d.negative = false;  // -0 is 0
  return d;
}

int compare_magnitudes(const Decimal& a, const Decimal& b) {
  if (a.whole.size() != b.whole.size()) return a.whole.size() < b.whole.size() ? -1 : 1;
  if (const int c = a.whole.compare(b.whole); c != 0) return c < 0 ? -1 : 1;
  const int c = a.fraction.compare(b.fraction);  // lexical order is numeric order for digits after a point
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

}  // namespace

std::optional<int> compare_versions(const std::string& a, const std::string& b) {
  const std::string left = runtime::string_trim(a), right = runtime::string_trim(b);
  if (!runtime::string_is_number(left) || !runtime::string_is_number(right)) return std::nullopt;
  const Decimal x = decimal(left), y = decimal(right);
  if (x.negative != y.negative) return x.negative ? -1 : 1;
  const int magnitude = compare_magnitudes(x, y);
  return x.negative ? -magnitude : magnitude;
}

std::optional<std::string> versions_warning(const std::string& installed, const std::string& newest,
                                            const std::string& newest_name) {
  const std::optional<int> order = compare_versions(newest, installed);
  if (order == 1) return std::nullopt;
  const std::string newest_text = runtime::utf8(newest), local = runtime::utf8(installed);
  const std::string tail = "; clients of the installation UpdateConfig.ini describes may not see the update";
  if (!order) return newest_name + " " + newest_text + " and the installed version " + local +
                     " in UpdateConfig.ini cannot both be read as decimal numbers" + tail;
  const std::string relation = *order == 0 ? " equals " : " is less than ";
  return newest_name + " " + newest_text + relation + "the installed version " + local +
         " in UpdateConfig.ini, as decimal numbers" + tail;
}

}  // namespace release

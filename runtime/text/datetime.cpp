#include "runtime/text/datetime.h"

#include <ctime>
#include <utility>

namespace runtime {
namespace {

DateTime system_now() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  return {{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday},
          {local.tm_hour, local.tm_min, local.tm_sec}};
}

Clock& current_clock() {
  static Clock clock = system_now;
  return clock;
}

std::string digits(int value, std::size_t width) {
  std::string text = std::to_string(value < 0 ? -value : value);
  if (text.size() < width) text.insert(0, width - text.size(), '0');
  return text;
}

struct Field {
  std::string_view token;
  int value;
  std::size_t width;
};

template <std::size_t N>
std::string format(std::string_view picture, const Field (&fields)[N]) {
  std::string text;
  std::size_t i = 0;
  while (i < picture.size()) {
    bool matched = false;
    for (const Field& field : fields) {
      if (picture.substr(i, field.token.size()) == field.token) {
        text += digits(field.value, field.width);
        i += field.token.size();
        matched = true;
        break;
      }
    }
    if (!matched) text.push_back(picture[i++]);
  }
  return text;
}

}  // namespace

void set_clock(Clock clock) { current_clock() = std::move(clock); }
void reset_clock() { current_clock() = system_now; }

Date date_today() { return current_clock()().date; }
Time time_now() { return current_clock()().time; }

std::string datetime_format(const Date& date, std::string_view picture) {
  const Field fields[] = {{"yyyy", date.year, 4}, {"mm", date.month, 2}, {"dd", date.day, 2}};
  return format(picture, fields);
}

std::string datetime_format(const Time& time, std::string_view picture) {
  const Field fields[] = {{"hh", time.hour, 2}, {"mm", time.minute, 2}, {"ss", time.second, 2}};
  return format(picture, fields);
}

}  // namespace runtime

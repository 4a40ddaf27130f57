#include "runtime/windows/message_box.h"

#include <utility>

#include "runtime/text/gbk.h"
#include "runtime/text/line_breaks.h"
#include "runtime/windows/toolkit.h"

namespace runtime {
namespace {

void show_modal_box(const std::string& title, const std::string& text) {
  toolkit::message_box_show(utf8_from_gbk(title).text, utf8_from_gbk(message_box_lines(text)).text);
}

MessageBoxPresenter& presenter() {
  static MessageBoxPresenter current = show_modal_box;
  return current;
}

}  // namespace

void set_message_box_presenter(MessageBoxPresenter replacement) {
  presenter() = replacement ? std::move(replacement) : MessageBoxPresenter(show_modal_box);
}

int message_box(std::string_view title, std::string_view text) {
  presenter()(std::string(title), std::string(text));
  return 1;
}

}  // namespace runtime

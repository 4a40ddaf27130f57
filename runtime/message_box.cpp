#include "runtime/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <utility>

#include "runtime/qt_text.h"

namespace runtime {
namespace {

void show_modal_box(const std::string& title, const std::string& text) {
  QMessageBox box(QApplication::activeWindow());
  box.setWindowTitle(qt_text(title));
  box.setTextFormat(Qt::PlainText);
  box.setText(qt_text(message_box_lines(text)));
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
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

std::string message_box_lines(std::string_view text) {
  std::string lines;
  lines.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      lines.push_back('\n');
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      lines.push_back(text[i]);
    }
  }
  return lines;
}

}  // namespace runtime

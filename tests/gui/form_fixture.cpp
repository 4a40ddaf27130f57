#include "form_fixture.h"

#include "runtime/windows/qt/qt_native.h"
#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <filesystem>
#include <stdexcept>

#include "runtime/text/datetime.h"
#include "runtime/text/gbk.h"
#include "support/check_steps.h"

namespace test_support {

void FormTest::SetUp() {
  dir = std::make_unique<TempWorkingDir>();
  runtime::set_message_box_presenter([this](const std::string& title, const std::string& text) {
    messages.push_back({title, text, focused_name()});
  });
}

void FormTest::TearDown() {
  if (window && window->is_open()) runtime::window_close(*window);
  window.reset();
  runtime::set_message_box_presenter({});
  runtime::reset_clock();
  dir.reset();
}

void FormTest::open_form() {
  ASSERT_TRUE(runtime::window_open(window));
  runtime::qt::widget(*window)->activateWindow();
  QApplication::setActiveWindow(runtime::qt::widget(*window));
  QApplication::processEvents();
}

void FormTest::type(runtime::Control& edit, const std::string& utf8_text) {
  edit.set_text(runtime::gbk(utf8_text));
}

void FormTest::fill_valid() {
  for (const char* field : check_steps::required_fields()) type(named(field), check_steps::valid_text(field));
}

runtime::Control& FormTest::named(const std::string& name) const {
  for (runtime::Control* control : window->control) {
    if (control->name() == name) return *control;
  }
  throw std::invalid_argument(name);
}

void FormTest::paste_with_ctrl_v(QWidget* widget, const std::string& utf8_text) {
  QGuiApplication::clipboard()->setText(QString::fromUtf8(utf8_text.data(), static_cast<qsizetype>(utf8_text.size())));
  QTest::keyClick(widget, Qt::Key_V, Qt::ControlModifier);
}

void FormTest::click(runtime::Control& button) {
  QTest::mouseClick(runtime::qt::widget(button), Qt::LeftButton);
  QApplication::processEvents();
}

void FormTest::press_key(int qt_key, int qt_modifiers) {
  QWidget* target = QApplication::focusWidget();
  if (!target) target = runtime::qt::widget(*window);
  QTest::keyClick(target, static_cast<Qt::Key>(qt_key), Qt::KeyboardModifiers(qt_modifiers));
  QApplication::processEvents();
}

std::string FormTest::focused_name() const {
  const QWidget* focus = QApplication::focusWidget();
  return focus ? focus->objectName().toStdString() : std::string();
}

std::string FormTest::file(const char* name) const { return read_bytes(dir->path() / name); }

void FormTest::type_unicode(runtime::Control& edit, const std::string& utf8_text) {
  const QString text = QString::fromUtf8(utf8_text.data(), static_cast<qsizetype>(utf8_text.size()));
  if (auto* line = qobject_cast<QLineEdit*>(runtime::qt::widget(edit))) line->setText(text);
  if (auto* lines = qobject_cast<QPlainTextEdit*>(runtime::qt::widget(edit))) lines->setPlainText(text);
}

void FormTest::fix_clock(int year, int month, int day, int hour, int minute, int second) {
  const runtime::DateTime fixed{{year, month, day}, {hour, minute, second}};
  runtime::set_clock([fixed] { return fixed; });
}

void FormTest::put_file(const char* name, const std::string& bytes) const {
  write_bytes(dir->path() / name, bytes);
}

bool FormTest::file_present(const char* name) const {
  return std::filesystem::is_regular_file(dir->path() / name);
}

std::string utf8(const std::string& gbk) { return runtime::utf8_from_gbk(gbk).text; }

}  // namespace test_support

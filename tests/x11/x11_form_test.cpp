// The form on a real X server, seen from the server's side: the title that a
// message box's window carries, and the selection pasted with a middle click.
#include <QClipboard>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "form_fixture.h"
#include "runtime/windows/qt/qt_native.h"
#include "support/expected_form.h"

namespace test_support {
namespace {

// A property of a window as the X server holds it, read over a connection
// of the test's own; "<absent>" when the window has none of that name.
std::string window_property(xcb_window_t window, const char* name) {
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(connection)) {
    xcb_disconnect(connection);
    return "<no connection>";
  }
  xcb_intern_atom_reply_t* atom =
      xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 1, std::strlen(name), name), nullptr);
  std::string value = "<absent>";
  if (atom && atom->atom != XCB_ATOM_NONE) {
    xcb_get_property_reply_t* property = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, atom->atom, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024), nullptr);
    if (property && property->type != XCB_ATOM_NONE) {
      value.assign(static_cast<const char*>(xcb_get_property_value(property)),
                   xcb_get_property_value_length(property));
    }
    std::free(property);
  }
  std::free(atom);
  xcb_disconnect(connection);
  return value;
}

class X11FormTest : public FormTest {};

// The boxes of the form have the empty title; Qt would show the
// application's name instead, in the title bar too, which draws from these.
TEST_F(X11FormTest, MessageBoxWindowHasAnEmptyTitle) {
  open_form();
  runtime::set_message_box_presenter({});  // the toolkit's own box
  std::string net_wm_name = "<not shown>", wm_name = "<not shown>";
  // Once the box is up (its loop runs this): read its names, then press OK.
  int tries = 0;
  std::function<void()> read_box = [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) {
      if (++tries < 1000) QTimer::singleShot(0, read_box);
      return;
    }
    if (QTest::qWaitForWindowExposed(box)) {
      net_wm_name = window_property(box->winId(), "_NET_WM_NAME");
      wm_name = window_property(box->winId(), "WM_NAME");
    }
    box->button(QMessageBox::Ok)->click();
  };
  QTimer::singleShot(0, read_box);
  click(*window->cb_1);  // every required field is empty: one box
  EXPECT_EQ(net_wm_name, "");
  EXPECT_EQ(wm_name, "");
  // The form's own title reaches the server unchanged.
  const std::string title = window_property(runtime::qt::widget(*window)->winId(), "_NET_WM_NAME");
  EXPECT_EQ(title.rfind("Wrenlet配置程序", 0), 0u) << title;
}

const std::string injection = "http://a/\r\n[Update]\r\nURL=http://b/";

// A middle click pastes the X selection; into a single-line edit only what
// comes before the first line break.
TEST_F(X11FormTest, MiddleClickPastesTheSelectionUpToItsFirstLineBreak) {
  open_form();
  QClipboard* clipboard = QGuiApplication::clipboard();
  ASSERT_TRUE(clipboard->supportsSelection());
  clipboard->setText(QString::fromStdString(injection), QClipboard::Selection);
  for (const expected_form::Control& row : expected_form::controls()) {
    if (!expected_form::is_edit(row)) continue;
    SCOPED_TRACE(row.name);
    runtime::Control& edit = named(row.name);
    type(edit, "<>");
    // Clicked between the two characters.
    QWidget* target = runtime::qt::widget(edit);
    QPoint at;
    if (auto* line = qobject_cast<QLineEdit*>(target)) {
      for (at = QPoint(0, line->height() / 2); line->cursorPositionAt(at) != 1; ++at.rx()) {
        ASSERT_LT(at.x(), line->width());
      }
    } else {
      auto* lines = qobject_cast<QPlainTextEdit*>(target);
      QTextCursor cursor = lines->textCursor();
      cursor.setPosition(1);
      at = lines->cursorRect(cursor).center();
      target = lines->viewport();
    }
    QTest::mouseClick(target, Qt::MiddleButton, Qt::NoModifier, at);
    const bool single_line = std::string(row.kind) == "singlelineedit";
    EXPECT_EQ(utf8(edit.text()), "<" + (single_line ? std::string("http://a/") : injection) + ">");
  }
}

}  // namespace
}  // namespace test_support

// The modal message box on Qt.
#include <QApplication>
#include <QMessageBox>

#ifdef KESTREL_X11
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#endif

#include "runtime/windows/toolkit.h"

namespace runtime {
namespace {

#ifdef KESTREL_X11
xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
  xcb_intern_atom_reply_t* reply =
      xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr);
  xcb_atom_t found = XCB_ATOM_NONE;
  if (reply) found = reply->atom;
  std::free(reply);
  return found;
}
#endif

// On X11 Qt gives a window whose title is empty the application's name
// instead (in _NET_WM_NAME, which the title bar shows). This empties both
// names of the window again, on Qt's own connection, after Qt set them.
void empty_native_title(QWidget& window) {
#ifdef KESTREL_X11
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (!x11 || !window.testAttribute(Qt::WA_WState_Created)) return;  // another platform
  xcb_connection_t* connection = x11->connection();
  const auto id = static_cast<xcb_window_t>(window.winId());
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, atom(connection, "_NET_WM_NAME"),
                      atom(connection, "UTF8_STRING"), 8, 0, nullptr);
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 0, nullptr);
  xcb_flush(connection);
#else
  (void)window;
#endif
}

class MessageBox : public QMessageBox {
 public:
  using QMessageBox::QMessageBox;

 protected:
  // Shown but not yet mapped: the window and its names exist.
  void showEvent(QShowEvent* event) override {
    QMessageBox::showEvent(event);
    if (windowTitle().isEmpty()) empty_native_title(*this);
  }
};

}  // namespace

namespace toolkit {

void message_box_show(const std::string& title_utf8, const std::string& text_utf8) {
  MessageBox box(QApplication::activeWindow());
  box.setWindowTitle(QString::fromStdString(title_utf8));
  box.setTextFormat(Qt::PlainText);
  box.setText(QString::fromStdString(text_utf8));
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
}

}  // namespace toolkit
}  // namespace runtime

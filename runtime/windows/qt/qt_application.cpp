// The Qt application for the length of a run, and its event loop.
#include <QApplication>
#include <QScreen>

#include "runtime/windows/toolkit.h"

namespace runtime::toolkit {

ApplicationScope::ApplicationScope() {
  static int argc = 1;
  static char program_name[] = "kestrel";
  static char* argv[] = {program_name, nullptr};
  if (!QApplication::instance()) own_ = new QApplication(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);  // the window count decides
}

ApplicationScope::~ApplicationScope() { delete static_cast<QApplication*>(own_); }

void run_until_quit() { QApplication::exec(); }

void quit() { QCoreApplication::exit(0); }

double screen_logical_dpi() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->logicalDotsPerInch() : 96.0;
}

}  // namespace runtime::toolkit

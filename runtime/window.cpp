#include "runtime/window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFont>
#include <QIcon>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QStyleFactory>
#include <algorithm>
#include <numeric>

#include "runtime/qt_text.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace runtime {
namespace {

int windows_open = 0;

double screen_dpi() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->logicalDotsPerInch() : 96.0;
}

QIcon application_icon() {
#ifdef _WIN32
  return QIcon(QPixmap::fromImage(QImage::fromHICON(LoadIcon(nullptr, IDI_APPLICATION))));
#else
  return QIcon::fromTheme(QStringLiteral("application-x-executable"),
                          QApplication::style()->standardIcon(QStyle::SP_DesktopIcon));
#endif
}

// Where the Song face that the form asks for is missing, an installed Song
// (Ming) face takes its place, so that the texts keep their size. Away from
// Windows, the classic Windows style gives the form the look it was laid out
// for: sunken edits and captions on the frames' top lines.
void prepare_toolkit() {
  static const bool done = [] {
#ifndef _WIN32
    if (QStyle* classic = QStyleFactory::create(QStringLiteral("Windows"))) QApplication::setStyle(classic);
#endif
    const QStringList song_faces = {QStringLiteral("AR PL UMing CN"), QStringLiteral("AR PL UMing TW"),
                                    QStringLiteral("Noto Serif CJK SC")};
    QFont::insertSubstitutions(QStringLiteral("SimSun"), song_faces);
    QFont::insertSubstitutions(QString::fromUtf8("宋体"), song_faces);
    return true;
  }();
  (void)done;
}

// Centres the window with its frame and title bar; move() places the frame.
void centre_on_screen(QWidget* widget) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  QRect frame = widget->frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  widget->move(frame.topLeft());
}

bool is_kind(const Control* control, const char* kind) { return control->properties().kind == kind; }

}  // namespace

// The toolkit window behind a Window: turns its Close command and the Enter
// key into the window's own events.
class WindowWidget : public QWidget {
 public:
  explicit WindowWidget(Window* owner) : owner_(owner) {}
  QPushButton* default_button = nullptr;
  QPushButton* cancel_button = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override {
    owner_->tear_down();
    event->accept();
  }
  void keyPressEvent(QKeyEvent* event) override {
    // Keys that no control took: Enter presses the default button.
    // The keypad's Enter counts as Enter; it only adds the keypad modifier.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (enter && modifiers == Qt::NoModifier && default_button) {
      default_button->click();
      return;
    }
    QWidget::keyPressEvent(event);
  }

 private:
  Window* owner_;
};

Window::Window(WindowProperties properties)
    : properties_(std::move(properties)),
      logical_dpi_(screen_dpi()),
      units_(logical_dpi_),
      widget_(new WindowWidget(this)) {
  prepare_toolkit();
  Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint;
  if (properties_.titlebar) flags |= Qt::WindowTitleHint;
  if (properties_.controlmenu) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  if (properties_.minbox) flags |= Qt::WindowMinimizeButtonHint;
  if (properties_.maxbox) flags |= Qt::WindowMaximizeButtonHint;
  widget_->setWindowFlags(flags);
  widget_->setWindowTitle(qt_text(properties_.title));
  widget_->setWindowIcon(application_icon());
  const PixelSize client = units_.client_size(properties_.width, properties_.height);
  if (properties_.resizable) {
    widget_->resize(client.width, client.height);
  } else {
    widget_->setFixedSize(client.width, client.height);
  }
  QPalette palette = widget_->palette();
  palette.setColor(QPalette::Window, palette.color(QPalette::Button));
  widget_->setPalette(palette);
  widget_->setAutoFillBackground(true);
}

Window::~Window() {
  if (open_) --windows_open;  // destroyed without being closed
  delete widget_;
}

QWidget* Window::widget() const { return widget_; }

void Window::arrange_controls() {
  std::vector<std::size_t> order(control.size());
  std::iota(order.begin(), order.end(), 0);
  // Stacking: bringtotop controls above the others; earlier in the array above later.
  std::stable_sort(order.begin(), order.end(), [this](std::size_t a, std::size_t b) {
    return control[a]->properties().bringtotop && !control[b]->properties().bringtotop;
  });
  for (auto it = order.rbegin(); it != order.rend(); ++it) control[*it]->widget()->raise();

  // Tab order: ascending taborder, ties in array order; labels and frames never.
  std::vector<Control*> focusable;
  for (Control* c : control) {
    if (c->properties().taborder > 0 && !is_kind(c, "statictext") && !is_kind(c, "groupbox"))
      focusable.push_back(c);
  }
  std::stable_sort(focusable.begin(), focusable.end(), [](const Control* a, const Control* b) {
    return a->properties().taborder < b->properties().taborder;
  });
  for (std::size_t i = 1; i < focusable.size(); ++i)
    QWidget::setTabOrder(focusable[i - 1]->widget(), focusable[i]->widget());

  for (Control* c : control) {
    auto* button = qobject_cast<QPushButton*>(c->widget());
    if (!button) continue;
    const std::string name = c->name();
    QObject::connect(button, &QPushButton::clicked, widget_, [this, name] { click(name); });
    if (c->properties().is_default) widget_->default_button = button;
    if (c->properties().cancel) {
      widget_->cancel_button = button;
      auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), widget_);
      escape->setContext(Qt::WindowShortcut);
      QObject::connect(escape, &QShortcut::activated, button, &QPushButton::click);
    }
  }
  if (!focusable.empty()) focusable.front()->widget()->setFocus(Qt::OtherFocusReason);
}

bool Window::tear_down() {
  if (!open_) return true;
  open_ = false;
  --windows_open;
  const bool destroyed = handlers_.destroy ? handlers_.destroy() : true;
  control.clear();
  if (windows_open == 0) QCoreApplication::exit(0);
  return destroyed;
}

void Window::click(const std::string& control_name) {
  const auto found = handlers_.clicked.find(control_name);
  if (found != handlers_.clicked.end() && found->second) found->second();
}

bool window_open_instance(Window& window) {
  if (window.open_) return true;
  window.handlers_ = window.handler_table();
  window.open_ = true;
  ++windows_open;
  if (window.handlers_.create && !window.handlers_.create()) {
    window.tear_down();
    return false;
  }
  window.arrange_controls();
  QWidget* widget = window.widget_;
  if (window.properties_.center) centre_on_screen(widget);
  const bool opened = !window.handlers_.open || window.handlers_.open();
  widget->show();
  // The frame is known once the window is shown: centre the outer window.
  if (window.properties_.center) centre_on_screen(widget);
  if (!window.control.empty()) widget->activateWindow();
  return opened;
}

bool window_close(Window& window) {
  if (!window.open_) return false;
  window.widget_->close();
  return !window.open_;
}

int open_window_count() { return windows_open; }

}  // namespace runtime

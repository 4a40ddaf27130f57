// Windows on Qt: a QWidget per window, its frame and keys.
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QIcon>
#include <QKeyEvent>
#include <QPushButton>
#include <QResource>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QStyleFactory>

#include "runtime/text/gbk.h"
#include "runtime/windows/qt/qt_native.h"
#include "runtime/windows/toolkit.h"

namespace runtime {
namespace {

// "AppIcon!": the program's own icon, which the program carries as
// resources, one a size, under :/application-icon/: "<size>.argb32", size ×
// size premultiplied ARGB pixels. Looking an icon up in the desktop's icon
// theme instead cost a fifth of the start-up under X11. Without those resources the window has no
// icon of its own and the desktop shows its default.
QIcon application_icon() {
  QIcon icon;
  const QDir resources(QStringLiteral(":/application-icon"));
  for (const QString& name : resources.entryList(QDir::Files)) {
    const QResource pixels(resources.filePath(name));
    const int size = name.section(QLatin1Char('.'), 0, 0).toInt();
    if (size <= 0 || pixels.compressionAlgorithm() != QResource::NoCompression ||
        pixels.size() != qint64(size) * size * 4)
      continue;
    icon.addPixmap(QPixmap::fromImage(QImage(pixels.data(), size, size, QImage::Format_ARGB32_Premultiplied)));
  }
  return icon;
}

// The classic Windows style gives the form the look it was laid out for:
// sunken edits and captions on the frames' top lines. (Where the Song face
// is missing, qt_face picks its stand-in.)
void prepare_toolkit() {
  static const bool done = [] {
    if (QStyle* classic = QStyleFactory::create(QStringLiteral("Windows"))) QApplication::setStyle(classic);
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

}  // namespace

// The toolkit window behind a Window: turns its Close command and the Enter
// key into the window's own events.
class WindowWidget : public QWidget {
 public:
  explicit WindowWidget(Window* owner) : owner_(owner) {}
  QPushButton* default_button = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override {
    owner_->handle_close();
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

void NativeDeleter::operator()(NativeWindow* window) const {
  delete window->widget;
  delete window;
}

QWidget* qt::widget(const Window& window) { return window.native().widget; }

namespace toolkit {

NativeWindowPtr window_create(Window& owner) {
  prepare_toolkit();
  const WindowProperties& p = owner.properties();
  auto* widget = new WindowWidget(&owner);
  Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint;
  if (p.titlebar) flags |= Qt::WindowTitleHint;
  if (p.controlmenu) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  if (p.minbox) flags |= Qt::WindowMinimizeButtonHint;
  if (p.maxbox) flags |= Qt::WindowMaximizeButtonHint;
  widget->setWindowFlags(flags);
  widget->setWindowTitle(QString::fromStdString(utf8_from_gbk(p.title).text));
  widget->setWindowIcon(application_icon());
  const PixelSize client = owner.units().client_size(p.width, p.height);
  if (p.resizable) {
    widget->resize(client.width, client.height);
  } else {
    widget->setFixedSize(client.width, client.height);
  }
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, palette.color(QPalette::Button));
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
  return NativeWindowPtr(new NativeWindow{widget});
}

void window_arrange(Window& window, const Arrangement& arrangement) {
  WindowWidget* widget = window.native().widget;
  for (auto it = arrangement.top_to_bottom.rbegin(); it != arrangement.top_to_bottom.rend(); ++it)
    qt::widget(**it)->raise();
  const std::vector<Control*>& chain = arrangement.tab_chain;
  for (std::size_t i = 1; i < chain.size(); ++i) QWidget::setTabOrder(qt::widget(*chain[i - 1]), qt::widget(*chain[i]));

  for (Control* c : window.control) {
    auto* button = qobject_cast<QPushButton*>(qt::widget(*c));
    if (!button) continue;
    const std::string name = c->name();
    QObject::connect(button, &QPushButton::clicked, widget, [&window, name] { window.handle_click(name); });
  }
  if (arrangement.default_button) widget->default_button = qobject_cast<QPushButton*>(qt::widget(*arrangement.default_button));
  if (arrangement.cancel_button) {
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), widget);
    escape->setContext(Qt::WindowShortcut);
    auto* button = qobject_cast<QPushButton*>(qt::widget(*arrangement.cancel_button));
    QObject::connect(escape, &QShortcut::activated, button, &QPushButton::click);
  }
  if (!chain.empty()) qt::widget(*chain.front())->setFocus(Qt::OtherFocusReason);
}

void window_show(Window& window, bool centre) {
  QWidget* widget = window.native().widget;
  if (centre) centre_on_screen(widget);
  widget->show();
  // The frame is known once the window is shown: centre the outer window.
  if (centre) centre_on_screen(widget);
  if (!window.control.empty()) widget->activateWindow();
}

void window_close(Window& window) { window.native().widget->close(); }

}  // namespace toolkit
}  // namespace runtime

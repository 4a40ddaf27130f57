// Controls on Qt: the widget for each of the five kinds, its look, its text.
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "runtime/text/gbk.h"
#include "runtime/text/line_breaks.h"
#include "runtime/windows/qt/qt_font.h"
#include "runtime/windows/qt/qt_line_edit.h"
#include "runtime/windows/qt/qt_native.h"
#include "runtime/windows/toolkit.h"
#include "runtime/windows/window_units.h"

namespace runtime {
namespace {

QColor qt_colour(long value, const QPalette& palette) {
  constexpr QPalette::ColorRole roles[] = {QPalette::WindowText, QPalette::Button, QPalette::Base};  // by SystemColour
  const Colour colour = colour_of(value);
  if (colour.system) return palette.color(roles[static_cast<int>(*colour.system)]);
  return QColor(colour.red, colour.green, colour.blue);
}

QFont qt_font(const Font& font, double logical_dpi) {
  QFont qfont(qt_face(font.face));
  // Negative sizes are points; positive ones pixels at the reference dpi.
  if (font.textsize < 0) {
    qfont.setPointSize(-font.textsize);
  } else {
    qfont.setPixelSize(static_cast<int>(font.textsize * logical_dpi / 96.0));
  }
  qfont.setWeight(static_cast<QFont::Weight>(font.weight));
  qfont.setStyleHint(QFont::Serif);
  return qfont;
}

QWidget* make_singlelineedit(const ControlProperties& p, QWidget* parent) {
  QLineEdit* edit = qt::make_line_edit(parent);
  edit->setFrame(p.borderstyle != 0);
  if (p.password) edit->setEchoMode(QLineEdit::Password);
  return edit;
}

QWidget* make_multilineedit(const ControlProperties& p, QWidget* parent) {
  auto* edit = new QPlainTextEdit(parent);
  edit->setTabChangesFocus(true);
  edit->setVerticalScrollBarPolicy(p.vscrollbar ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  if (p.borderstyle == 0) edit->setFrameShape(QFrame::NoFrame);
  return edit;
}

QWidget* make_statictext(const ControlProperties&, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(true);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setAutoFillBackground(true);
  label->setFocusPolicy(Qt::NoFocus);
  return label;
}

QWidget* make_groupbox(const ControlProperties&, QWidget* parent) {
  auto* box = new QGroupBox(parent);
  box->setFocusPolicy(Qt::NoFocus);
  return box;
}

QWidget* make_commandbutton(const ControlProperties& p, QWidget* parent) {
  auto* button = new QPushButton(parent);
  button->setDefault(p.is_default);
  // As on Windows, Enter on a focused button presses that button.
  button->setAutoDefault(true);
  return button;
}

// The widget of each kind, in ControlKind's order.
QWidget* (*const make_widget[])(const ControlProperties&, QWidget*) = {
    make_singlelineedit, make_multilineedit, make_statictext, make_groupbox, make_commandbutton};

void apply_look(QWidget* widget, ControlKind kind, const ControlProperties& p, const WindowUnits& units,
                double logical_dpi) {
  const PixelRect rect = units.rect(p.x, p.y, p.width, p.height);
  widget->setGeometry(rect.x, rect.y, rect.width, rect.height);
  widget->setFont(qt_font(p.font, logical_dpi));
  QPalette palette = widget->palette();
  const QColor text = qt_colour(p.textcolor, palette);
  const QColor back = qt_colour(p.backcolor, palette);
  palette.setColor(QPalette::WindowText, text);
  palette.setColor(QPalette::Text, text);
  palette.setColor(QPalette::Window, back);
  if (kind == ControlKind::singlelineedit || kind == ControlKind::multilineedit) {
    palette.setColor(QPalette::Base, back);
  }
  if (kind == ControlKind::commandbutton) palette = widget->palette();  // buttons keep system colours
  widget->setPalette(palette);
  if (p.taborder == 0) widget->setFocusPolicy(Qt::NoFocus);
  widget->setObjectName(QString::fromStdString(p.name));
}

QString widget_text(const QWidget* widget) {
  if (auto* edit = qobject_cast<const QLineEdit*>(widget)) return edit->text();
  if (auto* edit = qobject_cast<const QPlainTextEdit*>(widget)) {
    // Lines of a multi-line edit are joined by CR LF, as on Windows.
    return QString::fromStdString(with_line_breaks(edit->toPlainText().toStdString(), "\r\n"));
  }
  if (auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
  if (auto* box = qobject_cast<const QGroupBox*>(widget)) return box->title();
  if (auto* button = qobject_cast<const QPushButton*>(widget)) return button->text();
  return {};
}

void set_widget_text(QWidget* widget, const QString& text) {
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->setText(text);
  if (auto* edit = qobject_cast<QPlainTextEdit*>(widget)) {
    return edit->setPlainText(QString::fromStdString(with_line_breaks(text.toStdString(), "\n")));
  }
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->setText(text);
  if (auto* box = qobject_cast<QGroupBox*>(widget)) return box->setTitle(text);
  if (auto* button = qobject_cast<QPushButton*>(widget)) return button->setText(text);
}

}  // namespace

void NativeDeleter::operator()(NativeControl* control) const {
  delete control->widget;
  delete control;
}

QWidget* qt::widget(const Control& control) { return control.native().widget; }

namespace toolkit {

NativeControlPtr control_create(Window& parent, ControlKind kind, const ControlProperties& properties) {
  QWidget* widget = make_widget[static_cast<int>(kind)](properties, qt::widget(parent));
  apply_look(widget, kind, properties, parent.units(), parent.logical_dpi());
  set_widget_text(widget, QString::fromStdString(utf8_from_gbk(properties.text).text));
  widget->show();
  return NativeControlPtr(new NativeControl{widget});
}

std::string control_text(const NativeControl& control) { return widget_text(control.widget).toStdString(); }

void control_set_text(NativeControl& control, std::string_view utf8) {
  set_widget_text(control.widget, QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

bool control_focus(NativeControl& control) {
  if (control.widget->focusPolicy() == Qt::NoFocus) return false;
  control.widget->setFocus(Qt::OtherFocusReason);
  return true;
}

void control_set_label_for(NativeControl& label, NativeControl& field) {
  if (auto* qlabel = qobject_cast<QLabel*>(label.widget)) qlabel->setBuddy(field.widget);
}

}  // namespace toolkit
}  // namespace runtime

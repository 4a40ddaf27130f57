#include "runtime/windows/qt/qt_line_edit.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPointer>

#include <limits>

namespace runtime::qt {
namespace {

// The text up to its first CR or LF. A pasted address often ends in CR LF;
// kept whole, the line break would go into a profile file and break it.
QString before_line_break(const QString& text) {
  qsizetype end = 0;
  while (end < text.size() && text[end] != u'\r' && text[end] != u'\n') ++end;
  return text.left(end);
}

bool has_line_break(const QString& text) { return text.contains(u'\r') || text.contains(u'\n'); }

// QLineEdit pastes in four places (keys, the context menu, a middle click, a
// drop) without a common hook, so each of them is taken over here; texts
// without a line break still go Qt's own way.
class LineEdit : public QLineEdit {
 public:
  using QLineEdit::QLineEdit;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (event->matches(QKeySequence::Paste) && !isReadOnly()) {
      // Ctrl+Shift+Insert pastes the selection where there is one (X11).
      const bool selection = event->key() == Qt::Key_Insert &&
                             event->modifiers() == (Qt::ControlModifier | Qt::ShiftModifier) &&
                             QGuiApplication::clipboard()->supportsSelection();
      paste_first_line(selection ? QClipboard::Selection : QClipboard::Clipboard);
      event->accept();
      return;
    }
    QLineEdit::keyPressEvent(event);
  }

  void contextMenuEvent(QContextMenuEvent* event) override {
    QPointer<QMenu> menu = createStandardContextMenu();
    if (!menu) return;
    // The menu's Paste is the action wired to paste() (by name or by
    // pointer, as Qt versions differ); it is rewired.
    for (QAction* action : menu->actions()) {
      const bool paste_action = disconnect(action, SIGNAL(triggered()), this, SLOT(paste())) ||
                                disconnect(action, &QAction::triggered, this, &QLineEdit::paste);
      if (!paste_action) continue;
      connect(action, &QAction::triggered, this, [this] { paste_first_line(QClipboard::Clipboard); });
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
  }

  void mouseReleaseEvent(QMouseEvent* event) override {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (event->button() == Qt::MiddleButton && !isReadOnly() && clipboard->supportsSelection() &&
        has_line_break(clipboard->text(QClipboard::Selection))) {
      deselect();
      paste_first_line(QClipboard::Selection);
      event->accept();
      return;
    }
    QLineEdit::mouseReleaseEvent(event);
  }

  void dropEvent(QDropEvent* event) override {
    const QString text = event->mimeData()->text();
    if (!has_line_break(text)) return QLineEdit::dropEvent(event);
    QMimeData first_line;
    first_line.setText(before_line_break(text));
    QDropEvent cut(event->position(), event->possibleActions(), &first_line, event->buttons(), event->modifiers());
    cut.setDropAction(event->dropAction());
    QLineEdit::dropEvent(&cut);
    event->setDropAction(cut.dropAction());
    event->setAccepted(cut.isAccepted());
  }

 private:
  void paste_first_line(QClipboard::Mode mode) {
    const QString text = QGuiApplication::clipboard()->text(mode);
    if (mode == QClipboard::Clipboard && !has_line_break(text)) return paste();
    const QString kept = before_line_break(text);
    if (!kept.isEmpty() || hasSelectedText()) insert(kept);
  }
};

}  // namespace

QLineEdit* make_line_edit(QWidget* parent) {
  auto* edit = new LineEdit(parent);
  // No length limit: Qt's default of 32767 characters would cut a long
  // paste or a long pre-filled value short without a word.
  edit->setMaxLength(std::numeric_limits<int>::max());
  return edit;
}

}  // namespace runtime::qt

// Text that the user pastes or drops into the form's edits through the real
// clipboard: a single-line edit keeps what comes before the first line break
// of it, as a Windows edit does, so that no pasted line end reaches a file;
// the note keeps its lines.
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTest>

#include <string>

#include "files/client_config.h"
#include "form_fixture.h"
#include "runtime/text/gbk.h"
#include "runtime/files/profile.h"
#include "runtime/windows/qt/qt_native.h"
#include "support/expected_form.h"

namespace test_support {
namespace {

const std::string injection = "http://a/\r\n[Update]\r\nURL=http://b/";

struct Pasted {
  std::string text;  // UTF-8, as it is on the clipboard
  std::string kept;  // what a single-line edit takes of it
};
const Pasted pasted_texts[] = {
    {injection, "http://a/"},
    {"Sales.exe\n", "Sales.exe"},
    {"2.0\rjunk", "2.0"},
    {"更新日期\r\n2024", "更新日期"},
    {"\r\nbelow", ""},
};

enum class Way { ctrl_v, shift_insert, context_menu, drop };

std::string way_name(const ::testing::TestParamInfo<Way>& info) {
  const char* names[] = {"CtrlV", "ShiftInsert", "ContextMenu", "Drop"};
  return names[static_cast<int>(info.param)];
}

QString qtext(const std::string& utf8_text) { return QString::fromUtf8(utf8_text.data(), utf8_text.size()); }

class FormPasteTest : public FormTest, public ::testing::WithParamInterface<Way> {
 protected:
  // Pastes into the widget at its cursor, the way the parameter names.
  void paste(QWidget* widget, const std::string& utf8_text) {
    widget->setFocus(Qt::OtherFocusReason);
    QApplication::processEvents();
    switch (GetParam()) {
      case Way::ctrl_v:
        paste_with_ctrl_v(widget, utf8_text);
        break;
      case Way::shift_insert:
        QGuiApplication::clipboard()->setText(qtext(utf8_text));
        QTest::keyClick(widget, Qt::Key_Insert, Qt::ShiftModifier);
        break;
      case Way::context_menu: {
        QGuiApplication::clipboard()->setText(qtext(utf8_text));
        QContextMenuEvent request(QContextMenuEvent::Keyboard, cursor_point(widget), widget->mapToGlobal(cursor_point(widget)));
        QApplication::sendEvent(widget, &request);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr) << "no context menu";
        QAction* paste_action = nullptr;
        for (QAction* action : menu->actions()) {
          if (action->text().startsWith(QStringLiteral("&Paste"))) paste_action = action;
        }
        ASSERT_NE(paste_action, nullptr) << "no Paste in the context menu";
        paste_action->trigger();
        menu->close();
        break;
      }
      case Way::drop: {
        QMimeData data;
        data.setText(qtext(utf8_text));
        const QPoint at = cursor_point(widget);
        // A multi-line edit takes drops on its viewport.
        auto* lines = qobject_cast<QPlainTextEdit*>(widget);
        QWidget* target = lines ? lines->viewport() : widget;
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &move);
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        ASSERT_TRUE(drop.isAccepted());
        break;
      }
    }
    QApplication::processEvents();
  }

  // Where the text cursor stands, for a drop there (on a multi-line edit's
  // viewport).
  static QPoint cursor_point(QWidget* widget) {
    if (auto* lines = qobject_cast<QPlainTextEdit*>(widget)) return lines->cursorRect().center();
    auto* line = qobject_cast<QLineEdit*>(widget);
    for (QPoint at(0, line->height() / 2); at.x() < line->width(); ++at.rx()) {
      if (line->cursorPositionAt(at) == line->cursorPosition()) return at;
    }
    ADD_FAILURE() << "no point of " << line->objectName().toStdString() << " at its cursor";
    return {};
  }

  // The edit holds "<>" with the cursor between the two.
  QWidget* prepare(runtime::Control& edit) {
    type(edit, "<>");
    QWidget* widget = runtime::qt::widget(edit);
    if (auto* line = qobject_cast<QLineEdit*>(widget)) line->setCursorPosition(1);
    if (auto* lines = qobject_cast<QPlainTextEdit*>(widget)) {
      QTextCursor cursor = lines->textCursor();
      cursor.setPosition(1);
      lines->setTextCursor(cursor);
    }
    return widget;
  }
};

TEST_P(FormPasteTest, SingleLineEditsKeepWhatComesBeforeTheFirstLineBreak) {
  open_form();
  for (const expected_form::Control& row : expected_form::controls()) {
    if (std::string(row.kind) != "singlelineedit") continue;
    runtime::Control& edit = named(row.name);
    for (const Pasted& p : pasted_texts) {
      SCOPED_TRACE(row.name + (" pasting #" + std::to_string(&p - pasted_texts)));
      paste(prepare(edit), p.text);
      EXPECT_EQ(utf8(edit.text()), "<" + p.kept + ">");
    }
  }
}

TEST_P(FormPasteTest, NoteKeepsEveryLine) {
  open_form();
  paste(prepare(*window->mle_1), injection);
  EXPECT_EQ(utf8(window->mle_1->text()), "<" + injection + ">");
}

INSTANTIATE_TEST_SUITE_P(EachWay, FormPasteTest,
                         ::testing::Values(Way::ctrl_v, Way::shift_insert, Way::context_menu, Way::drop),
                         way_name);

// Pasted into the address for an update of an existing file, the injection
// would have added a second [Update] section with another URL.
class PastedAddressTest : public FormTest {};

TEST_F(PastedAddressTest, ReachesTheConfigurationAsOneLine) {
  put_file(files::client_config_file, "[Main]\r\nProgramName=Old.exe\r\n[Update]\r\nURL=http://old/\r\nVersion=1.0\r\n");
  open_form();
  fill_valid();
  type(*window->sle_1, "");
  runtime::qt::widget(*window->sle_1)->setFocus(Qt::OtherFocusReason);
  paste_with_ctrl_v(runtime::qt::widget(*window->sle_1), injection);
  messages.clear();
  click(*window->cb_1);
  ASSERT_EQ(messages.size(), 1u);
  const std::string config = file(files::client_config_file);
  EXPECT_EQ(runtime::profile_read(files::client_config_file, "Update", "URL", "<absent>"), "http://a/");
  EXPECT_EQ(config.find("http://b/"), std::string::npos) << config;
  EXPECT_EQ(config.find("[Update]"), config.rfind("[Update]")) << config;
}

}  // namespace
}  // namespace test_support

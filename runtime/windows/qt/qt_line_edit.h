#pragma once
// The single-line edit on Qt: a QLineEdit without a length limit that, like a
// Windows edit, keeps only what comes before the first line break of a text
// the user pastes or drops into it.
#include <QLineEdit>

namespace runtime::qt {

QLineEdit* make_line_edit(QWidget* parent);

}  // namespace runtime::qt

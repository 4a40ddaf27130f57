#include "runtime/windows/qt/qt_font.h"

#include <QFontDatabase>
#include <QStringList>

namespace runtime {
namespace {

bool is_song(const QString& face) {
  return face.compare(QLatin1String("SimSun"), Qt::CaseInsensitive) == 0 || face == QString::fromUtf8("宋体");
}

// Asked for by name: asking Qt for a face that is not installed and letting a
// font substitution find the stand-in costs a failed match and a fontconfig
// search for fallback faces for every font made, about 4% of the start-up.
// Either way the same face file draws the texts.
QString song_stand_in() {
  const QStringList installed = QFontDatabase::families();
  for (const char* face : {"SimSun", "AR PL UMing CN", "AR PL UMing TW", "Noto Serif CJK SC"}) {
    const QString name = QString::fromLatin1(face);
    if (installed.contains(name, Qt::CaseInsensitive)) return name;
  }
  return {};
}

}  // namespace

QString qt_face(const std::string& face) {
  const QString requested = QString::fromStdString(face);
  if (!is_song(requested)) return requested;
  static const QString stand_in = song_stand_in();
  return stand_in.isEmpty() ? requested : stand_in;
}

}  // namespace runtime

#include "runtime/qt/qt_text.h"

#include "runtime/gbk.h"

namespace runtime {

QString qt_text(std::string_view gbk) {
  const std::string utf8 = utf8_from_gbk(gbk).text;
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string gbk_text(const QString& text, bool* complete) {
  const QByteArray utf8 = text.toUtf8();
  Conversion converted = gbk_from_utf8(std::string_view(utf8.constData(), utf8.size()));
  if (complete) *complete = converted.complete;
  return std::move(converted.text);
}

}  // namespace runtime

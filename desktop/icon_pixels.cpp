// Build tool: turns one PNG of the icon into the raw pixels the window's icon
// is made from at start-up, so that opening the window decodes no image and
// consults no image-format plugins: 32-bit premultiplied ARGB words in this
// machine's byte order, row after row, no header (the file's name gives the
// size).
//   icon_pixels IN.png OUT
#include <QFile>
#include <QImage>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: icon_pixels IN.png OUT\n");
    return 2;
  }
  const QImage image =
      QImage(QString::fromLocal8Bit(argv[1])).convertToFormat(QImage::Format_ARGB32_Premultiplied);
  if (image.isNull() || image.width() != image.height()) {
    std::fprintf(stderr, "icon_pixels: %s is not a square image\n", argv[1]);
    return 1;
  }
  QFile out(QString::fromLocal8Bit(argv[2]));
  if (!out.open(QIODevice::WriteOnly)) {
    std::fprintf(stderr, "icon_pixels: cannot write %s\n", argv[2]);
    return 1;
  }
  const qint64 row_bytes = qint64(image.width()) * 4;
  for (int y = 0; y < image.height(); ++y) {
    if (out.write(reinterpret_cast<const char*>(image.constScanLine(y)), row_bytes) != row_bytes) return 1;
  }
  return out.flush() ? 0 : 1;
}

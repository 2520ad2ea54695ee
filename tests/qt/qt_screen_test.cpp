// A Qt image viewer's window on a private X display, as `xwd -root` dumped it
// (FC_SCREEN_XWD) while it showed a sample (FC_SCREEN_SAMPLE): kept as PNG
// (FC_SCREEN_PNG) and checked to show the sample's own colours.
#include <QImage>
#include <QSet>

#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/qt/qt_reader_support.h"

namespace {

uint32_t Card32(const Bytes& bytes, size_t at) {
  return uint32_t{bytes[at]} << 24 | uint32_t{bytes[at + 1]} << 16 | uint32_t{bytes[at + 2]} << 8 | bytes[at + 3];
}

int Shift(uint32_t mask) {
  int shift = 0;
  while (mask != 0 && (mask & 1) == 0) mask >>= 1, ++shift;
  return shift;
}

// A TrueColor dump in Z format of 3 or 4 bytes a pixel, as Xvfb's screen of
// depth 24 gives it; null otherwise.
QImage ReadXwd(const Bytes& dump) {
  if (dump.size() < 100) return QImage();
  const uint32_t headerSize = Card32(dump, 0), format = Card32(dump, 8), width = Card32(dump, 16),
                 height = Card32(dump, 20), byteOrder = Card32(dump, 28), bitsPerPixel = Card32(dump, 44),
                 bytesPerLine = Card32(dump, 48), redMask = Card32(dump, 56), greenMask = Card32(dump, 60),
                 blueMask = Card32(dump, 64), colours = Card32(dump, 76);
  const uint64_t pixelsAt = uint64_t{headerSize} + uint64_t{colours} * 12;
  if (format != 2 || width == 0 || width > 16384 || height > 16384 || (bitsPerPixel != 24 && bitsPerPixel != 32) ||
      pixelsAt + uint64_t{bytesPerLine} * height > dump.size()) {
    return QImage();
  }
  // Pixels of bitsPerPixel / 8 bytes; lines padded to bytesPerLine (Xvfb's
  // depth-24 screen packs 3 bytes a pixel in lines of 4 bytes a pixel).
  const uint32_t step = bitsPerPixel / 8;
  if (uint64_t{step} * width > bytesPerLine) return QImage();
  QImage image(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGB888);
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* source = dump.data() + pixelsAt + uint64_t{bytesPerLine} * y;
    uint8_t* row = image.scanLine(static_cast<int>(y));
    for (uint32_t x = 0; x < width; ++x, source += step) {
      uint32_t pixel = 0;
      for (uint32_t k = 0; k < step; ++k) pixel |= uint32_t{source[byteOrder == 0 ? k : step - 1 - k]} << (8 * k);
      row[3 * x] = static_cast<uint8_t>((pixel & redMask) >> Shift(redMask));
      row[3 * x + 1] = static_cast<uint8_t>((pixel & greenMask) >> Shift(greenMask));
      row[3 * x + 2] = static_cast<uint8_t>((pixel & blueMask) >> Shift(blueMask));
    }
  }
  return image;
}

QSet<uint32_t> ColoursOf(const QImage& rgb) {
  QSet<uint32_t> colours;
  for (int y = 0; y < rgb.height(); ++y) {
    const uint8_t* row = rgb.constScanLine(y);
    for (int x = 0; x < rgb.width(); ++x) colours.insert(uint32_t{row[3 * x]} << 16 | row[3 * x + 1] << 8 | row[3 * x + 2]);
  }
  return colours;
}

TEST(QtViewerScreen, ShowsTheSamplesColours) {
  const char* dump = std::getenv("FC_SCREEN_XWD");
  const char* sample = std::getenv("FC_SCREEN_SAMPLE");
  const char* png = std::getenv("FC_SCREEN_PNG");
  if (dump == nullptr || sample == nullptr || png == nullptr) GTEST_SKIP() << "no screen dump given";
  const QImage screen = ReadXwd(FileBytes(dump));
  ASSERT_FALSE(screen.isNull()) << dump;
  EXPECT_TRUE(screen.save(QString::fromLocal8Bit(png), "PNG")) << png;

  // The viewer shows the picture at its own size (it fits the window), so
  // nearly all of its colours appear exactly; a picture drawn or read with
  // its bytes out of place shows few of them.
  const QSet<uint32_t> pictureColours = ColoursOf(CoreRgb(FileBytes(sample)));
  const QSet<uint32_t> screenColours = ColoursOf(screen);
  ASSERT_GE(pictureColours.size(), 16);
  const int shown = static_cast<int>((pictureColours & screenColours).size());
  EXPECT_GE(shown * 10, pictureColours.size() * 9) << shown << " of the picture's " << pictureColours.size()
                                              << " colours on the screen";
}

} // namespace

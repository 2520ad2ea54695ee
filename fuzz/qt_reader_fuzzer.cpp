// The Qt image-format plug-in as Qt's own QImageReader drives it, linked in
// as a static plug-in: the size first, as thumbnailers ask, then every image
// in turn. The input's last byte chooses whether Qt picks the plug-in by
// content or by the key "ipf". A read that succeeds must give the size Qt was
// told before and, for image 0, the loader core's pixels; a read that fails
// must leave the image alone.
#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <QImageReader>
#include <QtPlugin>

#include <algorithm>
#include <cstring>

#include "common/result_codes.h"
#include "container/picture_kind.h"
#include "fuzz/fuzz_check.h"
#include "picture_filter/picture_loader.h"

Q_IMPORT_PLUGIN(FcPicturePlugin)

namespace {

// The core's RGB rows for the whole input, under the fuzz run's small limits;
// null when the core gives none or the picture is larger.
QImage CoreRgb(const uint8_t* data, size_t size) {
  PictureLoader loader;
  BeginPictureLoad(&loader, LoaderLimits{size_t{1} << 20, int64_t{1} << 18});
  PictureSize picture{};
  QImage image;
  if (AppendPictureBytes(&loader, data, size) == ResultSuccess &&
      DescribeLoadedPicture(&loader, &picture) == ResultSuccess) {
    image = QImage(picture.Width, picture.Height, QImage::Format_RGB888);
    if (DecodeLoadedPicture(loader, picture, image.bits(), static_cast<size_t>(image.bytesPerLine())) != 0) {
      image = QImage();
    }
  }
  EndPictureLoad(&loader);
  return image;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Qt's plug-ins from the system stay out: only the linked-in one is there.
  QCoreApplication::setLibraryPaths(QStringList());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t inputSize) {
  if (inputSize == 0 || inputSize > (size_t{1} << 20)) return 0;
  const bool byKey = (input[inputSize - 1] & 1) != 0;
  const size_t size = inputSize - 1;
  const QByteArray bytes(reinterpret_cast<const char*>(input), static_cast<int>(size));
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, byKey ? QByteArray("ipf") : QByteArray());
  // By content, exactly the files whose first bytes are ours come to the
  // plug-in; the others go to Qt's own formats, which are not fuzzed here.
  if (!byKey) {
    const QByteArray format = reader.format();
    const bool ours = format == "ipf" || format == "ipq" || format == "mcg";
    FUZZ_CHECK(ours == (size >= 12 && DetectPictureKind(input) != NotAPicture));
    if (!ours) return 0;
  }
  // Pictures beyond the fuzz run's budget are left for the tests: the size
  // comes from the headers, so they are skipped before any decoding.
  const QSize whole = reader.size();
  if (whole.isValid() && int64_t{whole.width()} * whole.height() > (int64_t{1} << 18)) return 0;
  const int count = reader.imageCount();
  FUZZ_CHECK(count >= 0);
  // Image 0 is read even when no image is counted: that read must fail.
  for (int image = 0; image < std::max(count, 1) && image < 64; ++image) {
    if (image > 0) FUZZ_CHECK(reader.jumpToImage(image));
    FUZZ_CHECK(reader.currentImageNumber() == image);
    const QSize told = reader.size();
    if (told.isValid() && int64_t{told.width()} * told.height() > (int64_t{1} << 18)) continue;
    QImage result(1, 1, QImage::Format_Mono);
    if (!reader.read(&result)) {
      FUZZ_CHECK(result.size() == QSize(1, 1) && result.format() == QImage::Format_Mono);
      continue;
    }
    FUZZ_CHECK(image < count);
    FUZZ_CHECK(result.size() == told);
    FUZZ_CHECK(result.format() == QImage::Format_Indexed8 || result.format() == QImage::Format_RGB888);
    if (image == 0) {
      const QImage core = CoreRgb(input, size);
      FUZZ_CHECK(!core.isNull() && core.size() == result.size());
      const QImage rgb = result.convertToFormat(QImage::Format_RGB888);
      for (int y = 0; y < rgb.height(); ++y) {
        FUZZ_CHECK(std::memcmp(rgb.constScanLine(y), core.constScanLine(y), 3 * static_cast<size_t>(rgb.width())) == 0);
      }
    }
  }
  return 0;
}

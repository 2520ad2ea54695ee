#include "picture_filter/qt/fc_picture_handler.h"

#include <QIODevice>
#include <QImage>
#include <QVariant>

#include <cstring>

#include "common/input_range.h"
#include "common/result_codes.h"
#include "container/ipq_display_mode.h"
#include "container/picture_kind.h"
#include "picture_filter/load_messages.h"
#include "picture_filter/wic/codec_frames.h"

Q_LOGGING_CATEGORY(FcPictureLog, "fc.pictures", QtWarningMsg)

namespace {

constexpr qint64 PieceBytes = 64 << 10;
constexpr size_t KindBytes = 12;

int32_t Refuse(int32_t result) {
  qCWarning(FcPictureLog, "%s", LoadFailureText(result));
  return result;
}

// The frame's rows top-down: palette pictures as 8-bit indexes with the
// frame's colour table, 24-bit pictures as red, green, blue.
QImage FrameImage(const CodecFrame& frame) {
  const CodecFrameShape& shape = frame.Shape;
  const bool direct = shape.Depth == 24;
  QImage image(shape.Width, shape.Height, direct ? QImage::Format_RGB888 : QImage::Format_Indexed8);
  if (image.isNull()) return image;
  if (!direct) {
    QVector<QRgb> table(shape.ColourEntries);
    for (int32_t entry = 0; entry < shape.ColourEntries; ++entry) table[entry] = frame.Colours[entry];
    image.setColorTable(table);
  }
  const int depth = shape.Depth;
  const unsigned mask = (1u << (direct ? 8 : depth)) - 1;
  for (int32_t y = 0; y < shape.Height; ++y) {
    const uint8_t* source = frame.Pixels + static_cast<ptrdiff_t>(shape.Height - 1 - y) * frame.Stride;
    uint8_t* row = image.scanLine(y);
    if (direct) {
      for (int32_t x = 0; x < shape.Width; ++x) {
        row[3 * x] = source[3 * x + 2];
        row[3 * x + 1] = source[3 * x + 1];
        row[3 * x + 2] = source[3 * x];
      }
    } else if (depth == 8) {
      std::memcpy(row, source, static_cast<size_t>(shape.Width));
    } else {
      for (int32_t x = 0; x < shape.Width; ++x) {
        const int64_t bit = int64_t{x} * depth;
        row[x] = static_cast<uint8_t>((source[bit / 8] >> (8 - depth - bit % 8)) & mask);
      }
    }
  }
  return image;
}

} // namespace

FcPictureHandler::FcPictureHandler() { BeginPictureLoad(&Loader, DesktopLoaderLimits); }

FcPictureHandler::~FcPictureHandler() { EndPictureLoad(&Loader); }

bool FcPictureHandler::canRead(QIODevice* device) {
  if (device == nullptr) return false;
  const QByteArray first = device->peek(KindBytes);
  return first.size() == static_cast<int>(KindBytes) &&
         DetectPictureKind(reinterpret_cast<const uint8_t*>(first.constData())) != NotAPicture;
}

bool FcPictureHandler::canRead() const {
  PictureKind kind = NotAPicture;
  if (Loader.Size >= KindBytes) {
    kind = Failure == ResultSuccess ? DetectPictureKind(Loader.Data) : NotAPicture;
  } else if (Loader.Size == 0 && canRead(device())) {
    kind = DetectPictureKind(reinterpret_cast<const uint8_t*>(device()->peek(KindBytes).constData()));
  }
  switch (kind) {
    case IpfPicture: setFormat("ipf"); return true;
    case IpqPicture: setFormat("ipq"); return true;
    case McgPicture: setFormat("mcg"); return true;
    default: return false;
  }
}

int32_t FcPictureHandler::Collect(bool untilSize) const {
  QIODevice* source = device();
  while (Failure == ResultSuccess && !Complete) {
    if (untilSize && Loader.SizeKnown) return ResultSuccess;
    if (source == nullptr) {
      Failure = ResultBrokenData;
      break;
    }
    const QByteArray piece = source->read(PieceBytes);
    if (piece.isEmpty()) {
      Complete = true;
      break;
    }
    Failure = AppendPictureBytes(&Loader, reinterpret_cast<const uint8_t*>(piece.constData()),
                                 static_cast<size_t>(piece.size()));
    if (Failure == ResultSuccess && untilSize) {
      const int32_t probed = ProbePictureSize(&Loader);
      if (probed != ResultSuccess && probed != LoadNeedsMoreData) Failure = probed;
    }
  }
  return Failure;
}

int32_t FcPictureHandler::CountImages(int* count) const {
  if (Collect(true) != ResultSuccess) return Failure;
  if (Loader.Size < KindBytes || DetectPictureKind(Loader.Data) != IpqPicture) {
    *count = 1;
    return ResultSuccess;
  }
  // An IPQ file: the stacked picture, then its frames.
  if (Collect(false) != ResultSuccess) return Failure;
  int32_t frames = 0;
  const int32_t result = CountCodecFrames(InputRange{Loader.Data, Loader.Size}, &frames);
  if (result != ResultSuccess) return result;
  *count = 1 + frames;
  return ResultSuccess;
}

int32_t FcPictureHandler::DescribeCurrent(int32_t* width, int32_t* height, int32_t* depth) const {
  PictureSize size{};
  if (Current == 0) {
    if (Collect(true) != ResultSuccess) return Failure;
    if (!Loader.SizeKnown) {
      const int32_t result = DescribeLoadedPicture(&Loader, &size);
      if (result != ResultSuccess) return result;
    }
    size = Loader.Known;
    *width = size.Width, *height = size.Height, *depth = size.Depth;
    return ResultSuccess;
  }
  if (Collect(false) != ResultSuccess) return Failure;
  CodecFrameShape shape{};
  const int32_t result = DescribeCodecFrame(InputRange{Loader.Data, Loader.Size}, Current - 1, &shape);
  if (result != ResultSuccess) return result;
  if (int64_t{shape.Width} * shape.Height > Loader.Limits.MaxPixels) return LoadPictureTooLarge;
  *width = shape.Width, *height = shape.Height, *depth = shape.Depth;
  return ResultSuccess;
}

int32_t FcPictureHandler::Decode(QImage* image) const {
  int32_t width = 0, height = 0, depth = 0;
  int32_t result = DescribeCurrent(&width, &height, &depth);
  if (result == ResultSuccess && Collect(false) != ResultSuccess) result = Failure;
  // The description of the whole input settles what the first bytes could not.
  PictureSize whole{};
  if (result == ResultSuccess && Current == 0) result = DescribeLoadedPicture(&Loader, &whole);
  if (result != ResultSuccess) return result;
  const InputRange input{Loader.Data, Loader.Size};
  CodecFrame frame;
  result = Current == 0 ? DecodeCodecPicture(input, ShowConnected, &frame)
                        : DecodeCodecFrame(input, Current - 1, &frame);
  if (result != ResultSuccess) return result;
  QImage decoded = FrameImage(frame);
  ReleaseCodecFrame(&frame);
  if (decoded.isNull()) return ResultNoMemory;
  *image = decoded;
  return ResultSuccess;
}

bool FcPictureHandler::read(QImage* image) {
  QImage decoded;
  const int32_t result = Decode(&decoded);
  if (result != ResultSuccess) {
    Refuse(result);
    return false;
  }
  *image = decoded;
  return true;
}

bool FcPictureHandler::supportsOption(ImageOption option) const {
  return option == Size || option == ImageFormat;
}

QVariant FcPictureHandler::option(ImageOption option) const {
  if (option != Size && option != ImageFormat) return QVariant();
  int32_t width = 0, height = 0, depth = 0;
  if (DescribeCurrent(&width, &height, &depth) != ResultSuccess) return QVariant();
  if (option == Size) return QSize(width, height);
  return depth == 24 ? QImage::Format_RGB888 : QImage::Format_Indexed8;
}

int FcPictureHandler::imageCount() const {
  int count = 0;
  return CountImages(&count) == ResultSuccess ? count : 0;
}

bool FcPictureHandler::jumpToImage(int imageNumber) {
  if (imageNumber < 0 || imageNumber >= imageCount()) return false;
  Current = imageNumber;
  return true;
}

bool FcPictureHandler::jumpToNextImage() { return jumpToImage(Current + 1); }

int FcPictureHandler::currentImageNumber() const { return Current; }

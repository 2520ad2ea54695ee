// The Qt image-format handler for F&C pictures: one IPF, IPQ or MCG file read
// from a device through the picture loader core (bytes collected under the
// desktop loaders' limits, the size known from the headers) and decoded as
// indexed frames by the codec frame server.
//
// Images: IPF and MCG files are one image. An IPQ file is image 0, all its
// frames stacked (the first on top, as the picture filter shows it connected),
// followed by every frame at its own size, images 1 to the frame count.
// Palette pictures come as Format_Indexed8 with their colour table, 24-bit
// MCG pictures as Format_RGB888.
#pragma once
#include <QImageIOHandler>
#include <QLoggingCategory>

#include <cstdint>

#include "picture_filter/picture_loader.h"

Q_DECLARE_LOGGING_CATEGORY(FcPictureLog)

class FcPictureHandler final : public QImageIOHandler {
 public:
  FcPictureHandler();
  ~FcPictureHandler() override;

  bool canRead() const override;
  bool read(QImage* image) override;
  QVariant option(ImageOption option) const override;
  bool supportsOption(ImageOption option) const override;
  int imageCount() const override;
  bool jumpToNextImage() override;
  bool jumpToImage(int imageNumber) override;
  int currentImageNumber() const override;

  // Whether the device's next bytes begin an F&C picture; the device is not moved.
  static bool canRead(QIODevice* device);

 private:
  // Reads the device into the loader: up to the end, or (`untilSize` set)
  // until the headers tell the picture's size. 0 or the final failure.
  int32_t Collect(bool untilSize) const;
  // The current image's size and depth without decoding it.
  int32_t DescribeCurrent(int32_t* width, int32_t* height, int32_t* depth) const;
  int32_t CountImages(int* count) const;
  int32_t Decode(QImage* image) const;

  mutable PictureLoader Loader;
  mutable int32_t Failure = 0; // reading the device failed for good
  mutable bool Complete = false;
  int Current = 0;
};

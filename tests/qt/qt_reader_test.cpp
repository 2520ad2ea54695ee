// F&C pictures through Qt's own QImageReader, with the plug-in found in the
// folder QT_PLUGIN_PATH names: the samples and the writers' pictures of every
// depth with the loader core's pixels, IPQ files stacked and frame by frame,
// files without an extension, the size from the headers, and the hostile corpus.
#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <set>

#include "common/result_codes.h"
#include "picture_filter/load_messages.h"
#include "picture_filter/picture_loader.h"
#include "tests/hostile/hostile_cases.h"
#include "tests/qt/qt_reader_support.h"
#include "tests/support/pattern_pictures.h"

namespace {

std::string Text(const QString& text) { return text.toStdString(); }

void ExpectSamePixels(const QImage& actual, const QImage& expected, const std::string& what) {
  ASSERT_FALSE(expected.isNull()) << what << ": the core decodes it";
  ASSERT_FALSE(actual.isNull()) << what;
  ASSERT_EQ(actual.size(), expected.size()) << what;
  const QImage rgb = AsRgb(actual);
  for (int y = 0; y < rgb.height(); ++y) {
    ASSERT_EQ(0, std::memcmp(rgb.constScanLine(y), expected.constScanLine(y), 3 * static_cast<size_t>(rgb.width())))
        << what << ": row " << y << " differs";
  }
}

// Reads image `index` of `file` from memory, by content alone.
QImage ReadFromMemory(const Bytes& file, QImageReader* reader, QBuffer* buffer) {
  buffer->setData(reinterpret_cast<const char*>(file.data()), static_cast<int>(file.size()));
  buffer->open(QIODevice::ReadOnly);
  reader->setDevice(buffer);
  return reader->read();
}

TEST(QtPlugin, OffersTheKeysAndMimeTypes) {
  const QList<QByteArray> formats = QImageReader::supportedImageFormats();
  for (const char* key : {"ipf", "ipq", "mcg", "clm"}) EXPECT_TRUE(formats.contains(key)) << key;
  const QList<QByteArray> types = QImageReader::supportedMimeTypes();
  for (const char* type : {"image/x-fc-ipf", "image/x-fc-ipq", "image/x-fc-mcg"}) {
    EXPECT_TRUE(types.contains(type)) << type;
  }
}

TEST(QtSamples, OpenWithTheCoresPixelsByNameAndByContent) {
  QTemporaryDir bare;
  ASSERT_TRUE(bare.isValid());
  for (const char* name : {"sunset.ipf", "waves.ipq", "dusk.mcg"}) {
    const std::string path = SamplePath(name);
    const QImage expected = CoreRgb(FileBytes(path));
    QImageReader reader(QString::fromStdString(path));
    EXPECT_TRUE(reader.canRead()) << name;
    EXPECT_EQ(reader.format(), QByteArray(name).right(3)) << name;
    EXPECT_EQ(reader.size(), expected.size()) << name;
    const QImage image = reader.read();
    ExpectSamePixels(image, expected, name);
    EXPECT_EQ(image.format(), QImage::Format_Indexed8) << name;

    // A member extracted without an extension still opens, by its content.
    const QString copy = bare.filePath(QString("member-") + name[0]);
    ASSERT_TRUE(QFile::copy(QString::fromStdString(path), copy));
    QImageReader unnamed(copy);
    ExpectSamePixels(unnamed.read(), expected, std::string(name) + " without extension");
    QImage loaded;
    EXPECT_TRUE(loaded.load(copy)) << name;
    ExpectSamePixels(loaded, expected, std::string(name) + " through QImage::load");
  }
}

struct WriterPicture {
  const char* Name;
  Bytes File;
  QImage::Format Format;
  int Colours;
};

std::vector<WriterPicture> WriterPictures() {
  return {
      {"ipf stored", MakeIpf(FullPalette(PatternColour), PatternFrame(301, 37, false, 3)), QImage::Format_Indexed8,
       256},
      {"ipf coded", MakeIpf(FullPalette(PatternColour), PatternFrame(190, 257, true, 5)), QImage::Format_Indexed8,
       256},
      {"mcg 1 bit, odd width", PatternMcg(333, 41, 1, 2), QImage::Format_Indexed8, 2},
      {"mcg 4 bits", PatternMcg(151, 60, 4, 16), QImage::Format_Indexed8, 16},
      {"mcg 8 bits", PatternMcg(211, 77, 8, 256), QImage::Format_Indexed8, 256},
      {"mcg 24 bits", PatternMcg(190, 91, 24, 0), QImage::Format_RGB888, 0},
  };
}

TEST(QtWriters, EveryDepthWithTheCoresPixelsAndItsColourTable) {
  for (const WriterPicture& picture : WriterPictures()) {
    QBuffer buffer;
    QImageReader reader;
    const QImage image = ReadFromMemory(picture.File, &reader, &buffer);
    ExpectSamePixels(image, CoreRgb(picture.File), picture.Name);
    EXPECT_EQ(image.format(), picture.Format) << picture.Name;
    EXPECT_EQ(image.colorCount(), picture.Colours) << picture.Name;
    EXPECT_EQ(reader.imageCount(), 1) << picture.Name;
    EXPECT_FALSE(reader.jumpToNextImage()) << picture.Name;
  }
}

// The frames of an IPQ, each reached through the multi-image interface at its
// own size, hold the rows the stacked picture shows for them (left-aligned,
// the first on top), which is image 0.
void ExpectFramesOfStackedPicture(const Bytes& file, const std::vector<QSize>& sizes, const std::string& what) {
  const QImage stacked = CoreRgb(file);
  QBuffer buffer;
  QImageReader reader;
  ExpectSamePixels(ReadFromMemory(file, &reader, &buffer), stacked, what + " stacked");
  ASSERT_EQ(reader.imageCount(), 1 + static_cast<int>(sizes.size())) << what;
  int top = 0;
  for (size_t k = 0; k < sizes.size(); ++k) {
    ASSERT_TRUE(reader.jumpToNextImage()) << what << " frame " << k;
    EXPECT_EQ(reader.currentImageNumber(), static_cast<int>(k) + 1) << what;
    EXPECT_EQ(reader.size(), sizes[k]) << what << " frame " << k;
    const QImage frame = reader.read();
    EXPECT_EQ(frame.format(), QImage::Format_Indexed8) << what;
    ExpectSamePixels(frame, stacked.copy(0, top, sizes[k].width(), sizes[k].height()),
                     what + " frame " + std::to_string(k));
    top += sizes[k].height();
  }
  EXPECT_EQ(top, stacked.height()) << what;
  EXPECT_FALSE(reader.jumpToNextImage()) << what;
  // Back to any image, in any order.
  ASSERT_TRUE(reader.jumpToImage(1)) << what;
  EXPECT_EQ(reader.read().size(), sizes[0]) << what;
  ASSERT_TRUE(reader.jumpToImage(0)) << what;
  EXPECT_EQ(reader.read().size(), stacked.size()) << what;
}

TEST(QtFrames, IpqFilesStackedAndFrameByFrame) {
  const std::vector<BitmapFrame> frames{PatternFrame(120, 50, true, 2), PatternFrame(200, 30, false, 5),
                                        PatternFrame(64, 71, true, 9)};
  const Bytes ipq = MakeIpq(FullPalette(PatternColour), frames);
  ExpectFramesOfStackedPicture(ipq, {QSize(120, 50), QSize(200, 30), QSize(64, 71)}, "writer's ipq");

  // Each frame alone is the IPF of the same frame and palette.
  QBuffer buffer;
  QImageReader reader;
  ReadFromMemory(ipq, &reader, &buffer);
  for (size_t k = 0; k < frames.size(); ++k) {
    ASSERT_TRUE(reader.jumpToImage(static_cast<int>(k) + 1));
    ExpectSamePixels(reader.read(), CoreRgb(MakeIpf(FullPalette(PatternColour), frames[k])), "frame as ipf");
  }

  // The sample's frames, at the sizes of the frames the core stacks.
  QImageReader sample(QString::fromStdString(SamplePath("waves.ipq")));
  std::vector<QSize> sizes;
  for (int image = 1; image < sample.imageCount() && sample.jumpToImage(image); ++image) sizes.push_back(sample.size());
  ASSERT_GE(sizes.size(), 2u);
  ExpectFramesOfStackedPicture(FileBytes(SamplePath("waves.ipq")), sizes, "waves.ipq");
}

// A device that hands out bytes and counts how many were taken.
class CountingBuffer : public QBuffer {
 public:
  qint64 Taken = 0;

 protected:
  qint64 readData(char* data, qint64 size) override {
    const qint64 got = QBuffer::readData(data, size);
    Taken += got > 0 ? got : 0;
    return got;
  }
};

TEST(QtSize, AnsweredFromTheHeadersWithoutTheRest) {
  // A picture well beyond the plug-in's reading pieces: its size comes from
  // the headers, and a copy whose pixel data end early still tells it.
  const Bytes large = MakeIpf(FullPalette(PatternColour), PatternFrame(1000, 800, false, 7));
  for (const Bytes& file : {large, PatternMcg(1000, 600, 24, 0)}) {
    CountingBuffer buffer;
    buffer.setData(reinterpret_cast<const char*>(file.data()), static_cast<int>(file.size()));
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    EXPECT_EQ(size, CoreRgb(file).size());
    EXPECT_LT(buffer.Taken, static_cast<qint64>(file.size()) / 2) << "bytes taken for the size";

    Bytes cut(file.begin(), file.begin() + static_cast<ptrdiff_t>(file.size() / 2));
    QBuffer cutBuffer;
    QImageReader cutReader;
    TakeWarnings();
    EXPECT_TRUE(ReadFromMemory(cut, &cutReader, &cutBuffer).isNull());
    EXPECT_EQ(cutReader.size(), size);
    EXPECT_FALSE(cutReader.errorString().isEmpty());
  }
}

TEST(QtLimits, PicturesBeyondTheLimitsAreRefusedAtTheHeader) {
  // 20000 x 20000 pixels promised by a header and a palette, and no more.
  McgFile huge;
  huge.Width = huge.Height = 20000;
  huge.UnpackedSize = 20000 * 20000;
  huge.Colours.assign(256, 0x102030);
  const Bytes header = MakeMcg(huge);
  QBuffer buffer;
  QImageReader reader;
  TakeWarnings();
  EXPECT_TRUE(ReadFromMemory(header, &reader, &buffer).isNull());
  EXPECT_FALSE(reader.size().isValid());
  EXPECT_EQ(TakeWarnings(), QStringList{LoadFailureText(LoadPictureTooLarge)});
}

// One of the loader's sentences, once per failed read.
bool IsOneOfOurSentences(const QString& text) {
  for (int32_t result : {ResultNotOurFormat, ResultBrokenData, DataEnded, ResultNoMemory, ResultNotImplemented,
                         LoadInputTooLarge, LoadPictureTooLarge}) {
    if (text == LoadFailureText(result)) return true;
  }
  return false;
}

// Pictures up to this size are compared here; beyond, only that both agree.
constexpr int64_t LargestCompared = 1 << 22;

// A picture exactly where the core gives one, with its pixels; otherwise a
// failed read, no image, and one of the loader's sentences.
void Replay(const std::vector<PictureCase>& cases) {
  for (const PictureCase& hostile : cases) {
    int32_t described = 0;
    PictureLoader loader;
    BeginPictureLoad(&loader, DesktopLoaderLimits);
    PictureSize size{};
    described = AppendPictureBytes(&loader, hostile.File.data(), hostile.File.size());
    if (described == ResultSuccess) described = DescribeLoadedPicture(&loader, &size);
    EndPictureLoad(&loader);
    const bool compared = described == ResultSuccess && int64_t{size.Width} * size.Height <= LargestCompared;

    QBuffer buffer;
    QImageReader reader;
    reader.setFormat("ipf"); // every case goes to the plug-in, whatever its first bytes
    TakeWarnings();
    QImage image(1, 1, QImage::Format_RGB888);
    buffer.setData(reinterpret_cast<const char*>(hostile.File.data()), static_cast<int>(hostile.File.size()));
    buffer.open(QIODevice::ReadOnly);
    reader.setDevice(&buffer);
    const bool read = reader.read(&image);
    const QStringList warnings = TakeWarnings();
    if (read) {
      ASSERT_EQ(described, ResultSuccess) << hostile.Name;
      EXPECT_EQ(image.size(), QSize(size.Width, size.Height)) << hostile.Name;
      if (compared) ExpectSamePixels(image, CoreRgb(hostile.File), hostile.Name);
      EXPECT_TRUE(warnings.isEmpty()) << hostile.Name;
      continue;
    }
    EXPECT_EQ(image.size(), QSize(1, 1)) << hostile.Name << ": a failed read leaves the image alone";
    ASSERT_EQ(warnings.size(), 1) << hostile.Name;
    EXPECT_TRUE(IsOneOfOurSentences(warnings[0])) << hostile.Name << ": " << Text(warnings[0]);
    EXPECT_FALSE(reader.errorString().isEmpty()) << hostile.Name;
    if (compared) {
      EXPECT_TRUE(CoreRgb(hostile.File).isNull()) << hostile.Name << ": " << Text(warnings[0]);
    }
  }
}

TEST(QtHostile, EveryCaseEndsInThePictureOrAFailedRead) {
  const std::vector<PictureCase> cases = HostilePictureCases();
  ASSERT_GT(cases.size(), 1000u);
  Replay(cases);
  Replay(FoundPictureCases(FC_HOSTILE_FINDINGS));
}

} // namespace

// fcview info and convert, end to end.
#include <gtest/gtest.h>

#include <cstring>

#include "common/result_codes.h"
#include "container/frames.h"
#include "container/ipq_display_mode.h"
#include "container/read_picture_info.h"
#include "tests/fcview/fcview_harness.h"
#include "fcview/png_encoder.h"

namespace {

const char* const PictureSamples[] = {"sunset.ipf", "waves.ipq", "dusk.mcg"};

// The block `info` prints for a picture, built from the container routines.
std::string ExpectedInfo(const std::string& file, const Bytes& bytes) {
  const PictureImage picture{InputRange{bytes.data(), bytes.size()}, bytes.data()};
  PictureInfo info{};
  EXPECT_EQ(ReadPictureInfo(picture, ShowConnected, &info), ResultSuccess);
  const bool ipq = DetectImageKind(picture) == IpqPicture;
  const char* kind = ipq ? "IPQ multi-picture" : DetectImageKind(picture) == IpfPicture ? "IPF picture" : "MCG picture";
  std::string text = file + ": " + kind + "\n  size: " + std::to_string(info.Width) + " x " +
                     std::to_string(info.Height) + (ipq ? " (all frames connected)" : "") +
                     "\n  depth: " + std::to_string(info.ColorDepth) + " bits\n  frames: " +
                     std::to_string(ipq ? FrameCount(picture) : 1) + "\n";
  for (int32_t i = 0; ipq && i < FrameCount(picture); ++i) {
    PictureInfo frame{};
    ReadBitmapChunkInfo(FrameChunk(picture, i), &frame);
    text += "  frame " + std::to_string(i + 1) + ": " + std::to_string(frame.Width) + " x " +
            std::to_string(frame.Height) + "\n";
  }
  return text;
}

void ExpectSameImage(const fcview::RgbImage& actual, const fcview::RgbImage& expected, const std::string& what) {
  ASSERT_GT(expected.Width, 0) << what;
  EXPECT_EQ(actual.Width, expected.Width) << what;
  EXPECT_EQ(actual.Height, expected.Height) << what;
  EXPECT_TRUE(actual.Rgb == expected.Rgb) << what << ": pixels differ";
}

TEST(FcviewInfo, DescribesEverySampleInOneBlockEach) {
  std::vector<std::string> files;
  std::string expected;
  for (const char* name : PictureSamples) {
    files.push_back(Sample(name));
    expected += (expected.empty() ? "" : "\n") + ExpectedInfo(Sample(name), ReadBytes(Sample(name)));
  }
  const RunResult run = RunFcview({"info", files[0], files[1], files[2]});
  EXPECT_EQ(run.Exit, 0);
  EXPECT_EQ(run.Out, expected);
  EXPECT_EQ(run.Err, "");
  EXPECT_NE(expected.find("frame 3: "), std::string::npos) << "the IPQ sample lists its frames";
}

TEST(FcviewInfo, AFailingFileGetsOneLineAndTheOthersAreStillDescribed) {
  ScratchDir dir;
  WriteFileBytes(dir.Str("notes.txt"), Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!', '!'});
  const RunResult run = RunFcview({"info", dir.Str("missing.ipf"), Sample("sunset.ipf"), dir.Str("notes.txt")});
  EXPECT_EQ(run.Exit, 1);
  EXPECT_EQ(run.Out, ExpectedInfo(Sample("sunset.ipf"), ReadBytes(Sample("sunset.ipf"))));
  EXPECT_EQ(Lines(run.Err), (std::vector<std::string>{
                                "fcview: " + dir.Str("missing.ipf") + ": No such file or directory",
                                "fcview: " + dir.Str("notes.txt") + ": not an IPF, IPQ or MCG picture"}));
}

TEST(FcviewConvert, EverySampleAndDisplayModeMatchesTheDecodedDib) {
  ScratchDir dir;
  struct Case {
    const char* Sample;
    std::vector<std::string> Options;
    int32_t Mode;
  };
  const std::vector<Case> cases = {
      {"sunset.ipf", {}, ShowConnected},         {"dusk.mcg", {}, ShowConnected},
      {"waves.ipq", {}, ShowConnected},          {"waves.ipq", {"--mode", "0"}, TreatAsArchive},
      {"waves.ipq", {"--mode", "1"}, ShowConnected}, {"waves.ipq", {"--mode", "2"}, ShowFirst},
      {"waves.ipq", {"--mode", "3"}, ShowSecond},  {"waves.ipq", {"--mode", "4"}, ShowLast},
  };
  for (const Case& c : cases) {
    const std::string what = std::string(c.Sample) + " mode " + std::to_string(c.Mode);
    const std::string out = dir.Str("out.png");
    fs::remove(out);
    std::vector<std::string> args = {"convert"};
    args.insert(args.end(), c.Options.begin(), c.Options.end());
    args.insert(args.end(), {Sample(c.Sample), out});
    const RunResult run = RunFcview(args);
    ASSERT_EQ(run.Exit, 0) << what << ": " << run.Err;
    EXPECT_EQ(run.Err, "");
    int32_t result = -99;
    const fcview::RgbImage expected = DecodeThroughDib(ReadBytes(Sample(c.Sample)), c.Mode, &result);
    ASSERT_EQ(result, ResultSuccess) << what;
    ExpectSameImage(ReadPng(out), expected, what);
    EXPECT_EQ(run.Out, "wrote " + out + " (" + std::to_string(expected.Width) + " x " +
                           std::to_string(expected.Height) + ")\n");
  }
}

// MCG pictures of each depth with known pixels: the PNG holds each pixel's
// colour from the file's colour table (or its own bytes at 24 bits).
TEST(FcviewConvert, EveryDepthTakesItsColoursFromTheColourTable) {
  ScratchDir dir;
  const uint32_t table[16] = {0x000000FF, 0x0000FF00, 0x00FF0000, 0x00102030, 0x00405060, 0x00708090,
                              0x00A0B0C0, 0x00D0E0F0, 0x00111111, 0x00222222, 0x00333333, 0x00444444,
                              0x00555555, 0x00666666, 0x00777777, 0x00888888};
  for (const uint16_t depth : {1, 4, 8, 24}) {
    const int32_t width = 7, height = 3; // odd: rows end inside a byte at 1 and 4 bits
    const int32_t stride = ((width * depth + 31) / 32) * 4;
    Bytes rows(static_cast<size_t>(stride) * height, 0); // top row first
    fcview::RgbImage expected;
    expected.Width = width;
    expected.Height = height;
    for (int32_t y = 0; y < height; ++y) {
      for (int32_t x = 0; x < width; ++x) {
        uint8_t* row = rows.data() + static_cast<size_t>(y) * stride;
        uint32_t colour;
        if (depth == 24) {
          const uint8_t bgr[3] = {static_cast<uint8_t>(10 * x), static_cast<uint8_t>(40 * y),
                                  static_cast<uint8_t>(x + y + 1)};
          std::memcpy(row + 3 * x, bgr, 3);
          colour = bgr[0] | (bgr[1] << 8) | (bgr[2] << 16);
        } else {
          const unsigned index = static_cast<unsigned>(x * 3 + y) % (depth == 1 ? 2 : 16);
          const int bit = x * depth;
          row[bit / 8] |= static_cast<uint8_t>(index << (8 - depth - bit % 8));
          colour = table[index];
        }
        expected.Rgb.insert(expected.Rgb.end(), {static_cast<uint8_t>(colour >> 16), static_cast<uint8_t>(colour >> 8),
                                                 static_cast<uint8_t>(colour)});
      }
    }
    McgFile mcg;
    mcg.Width = width;
    mcg.Height = height;
    mcg.Depth = depth;
    mcg.UnpackedSize = static_cast<int32_t>(rows.size());
    if (depth != 24) mcg.Colours.assign(table, table + (depth == 1 ? 2 : 16));
    mcg.Packed = McgLiteralStream(rows);
    const std::string in = dir.Str("d" + std::to_string(depth) + ".mcg");
    const std::string out = dir.Str("d" + std::to_string(depth) + ".png");
    ASSERT_TRUE(WriteFileBytes(in, MakeMcg(mcg)));
    const RunResult run = RunFcview({"convert", in, out});
    ASSERT_EQ(run.Exit, 0) << "depth " << depth << ": " << run.Err;
    ExpectSameImage(ReadPng(out), expected, "depth " + std::to_string(depth));
  }
}

// Each frame on its own is the band of the connected picture it fills.
TEST(FcviewConvert, AllFramesWritesEachFrameAsTheConnectedPictureShowsIt) {
  ScratchDir dir;
  const RunResult run = RunFcview({"convert", "--all-frames", Sample("waves.ipq"), dir.Str("waves.PNG")});
  ASSERT_EQ(run.Exit, 0) << run.Err;
  EXPECT_EQ(Entries(dir.Path), (std::vector<std::string>{"waves-00001.png", "waves-00002.png", "waves-00003.png"}));
  EXPECT_EQ(Lines(run.Out).size(), 3u);
  int32_t result = -99;
  const fcview::RgbImage connected = DecodeThroughDib(ReadBytes(Sample("waves.ipq")), ShowConnected, &result);
  ASSERT_EQ(result, ResultSuccess);
  int32_t top = 0;
  for (const char* name : {"waves-00001.png", "waves-00002.png", "waves-00003.png"}) {
    const fcview::RgbImage frame = ReadPng(dir / name);
    ASSERT_GT(frame.Width, 0) << name;
    ASSERT_LE(frame.Width, connected.Width);
    fcview::RgbImage band;
    band.Width = frame.Width;
    band.Height = frame.Height;
    for (int32_t y = 0; y < frame.Height; ++y) {
      const auto row = connected.Rgb.begin() + 3 * static_cast<std::ptrdiff_t>(top + y) * connected.Width;
      band.Rgb.insert(band.Rgb.end(), row, row + 3 * frame.Width);
    }
    ExpectSameImage(frame, band, name);
    top += frame.Height;
  }
  EXPECT_EQ(top, connected.Height);

  // A single picture gives the one numbered file.
  const RunResult single = RunFcview({"convert", "--all-frames", Sample("sunset.ipf"), dir.Str("sunset")});
  ASSERT_EQ(single.Exit, 0) << single.Err;
  int32_t sunsetResult = -99;
  ExpectSameImage(ReadPng(dir / "sunset-00001.png"),
                  DecodeThroughDib(ReadBytes(Sample("sunset.ipf")), ShowConnected, &sunsetResult), "sunset");
}

TEST(FcviewConvert, AnExistingFileIsReplacedOnlyWithForce) {
  ScratchDir dir;
  const Bytes mine = {'m', 'i', 'n', 'e'};
  WriteFileBytes(dir.Str("out.png"), mine);
  RunResult run = RunFcview({"convert", Sample("sunset.ipf"), dir.Str("out.png")});
  EXPECT_EQ(run.Exit, 1);
  EXPECT_EQ(run.Err, "fcview: " + dir.Str("out.png") + ": exists (use --force to replace it)\n");
  EXPECT_EQ(ReadBytes(dir / "out.png"), mine);

  // All frames or none: one existing frame file stops the others too.
  WriteFileBytes(dir.Str("w-00002.png"), mine);
  run = RunFcview({"convert", "--all-frames", Sample("waves.ipq"), dir.Str("w.png")});
  EXPECT_EQ(run.Exit, 1);
  EXPECT_EQ(Lines(run.Err).size(), 1u);
  EXPECT_EQ(Entries(dir.Path), (std::vector<std::string>{"out.png", "w-00002.png"}));

  run = RunFcview({"convert", "--force", Sample("sunset.ipf"), dir.Str("out.png")});
  EXPECT_EQ(run.Exit, 0) << run.Err;
  EXPECT_GT(ReadPng(dir / "out.png").Width, 0);
  run = RunFcview({"convert", "--all-frames", "--force", Sample("waves.ipq"), dir.Str("w.png")});
  EXPECT_EQ(run.Exit, 0) << run.Err;
  EXPECT_GT(ReadPng(dir / "w-00002.png").Width, 0);
  EXPECT_EQ(Entries(dir.Path).size(), 4u) << "no temporary file is left";
}

TEST(FcviewConvert, FailuresNameTheFileAndTheReasonAndWriteNothing) {
  ScratchDir dir;
  const Bytes sunset = ReadBytes(Sample("sunset.ipf"));
  WriteFileBytes(dir.Str("cut.ipf"), Bytes(sunset.begin(), sunset.begin() + 2000));
  const Bytes dusk = ReadBytes(Sample("dusk.mcg"));
  WriteFileBytes(dir.Str("cut.mcg"), Bytes(dusk.begin(), dusk.begin() + 3000));
  WriteFileBytes(dir.Str("empty.ipf"), Bytes{});
  const std::string out = dir.Str("out.png");
  struct Case {
    std::string Input;
    std::string Reason;
  };
  const std::vector<Case> cases = {
      {dir.Str("missing.ipf"), "No such file or directory"},
      {Sample("pictures.vfs"), "not an IPF, IPQ or MCG picture"},
      {dir.Str("cut.ipf"), "broken data (result 3)"},
      {dir.Str("cut.mcg"), "picture data ends early (result 10)"},
      {dir.Str("empty.ipf"), "empty file"},
      {dir.Str(""), "is a directory"},
  };
  for (const Case& c : cases) {
    const RunResult run = RunFcview({"convert", c.Input, out});
    EXPECT_EQ(run.Exit, 1) << c.Input;
    EXPECT_EQ(run.Err, "fcview: " + c.Input + ": " + c.Reason + "\n");
    EXPECT_EQ(run.Out, "");
    EXPECT_FALSE(fs::exists(out)) << c.Input;
  }
  // The output's directory must exist.
  const RunResult run = RunFcview({"convert", Sample("sunset.ipf"), dir.Str("no/such/dir/out.png")});
  EXPECT_EQ(run.Exit, 1);
  EXPECT_EQ(Lines(run.Err).size(), 1u);
  EXPECT_EQ(run.Err.rfind("fcview: " + dir.Str("no/such/dir/out.png") + ": ", 0), 0u) << run.Err;
}

TEST(FcviewUsage, WrongArgumentsExitWithStatusTwoAndOneUsageLine) {
  const std::vector<std::vector<std::string>> wrong = {
      {},
      {"show", Sample("sunset.ipf")},
      {"info"},
      {"convert", Sample("sunset.ipf")},
      {"convert", "--mode", "5", Sample("waves.ipq"), "/tmp/never.png"},
      {"convert", "--mode", "x", Sample("waves.ipq"), "/tmp/never.png"},
      {"convert", "--mode", "1", "--all-frames", Sample("waves.ipq"), "/tmp/never.png"},
      {"convert", "--fast", Sample("waves.ipq"), "/tmp/never.png"},
      {"list", Sample("pictures.vfs"), Sample("waves.ipq")},
      {"list", "--table", Sample("pictures.vfs")},
      {"extract", Sample("pictures.vfs")},
  };
  for (const auto& args : wrong) {
    const RunResult run = RunFcview(args);
    EXPECT_EQ(run.Exit, 2) << (args.empty() ? "(none)" : args[0]);
    ASSERT_EQ(Lines(run.Err).size(), 1u);
    EXPECT_EQ(run.Err.rfind("usage: fcview ", 0), 0u);
    EXPECT_EQ(run.Out, "");
  }
  EXPECT_FALSE(fs::exists("/tmp/never.png"));
  const RunResult help = RunFcview({"--help"});
  EXPECT_EQ(help.Exit, 0);
  EXPECT_NE(help.Out.find("--all-frames"), std::string::npos);
}

// The PNG writer of builds without libpng, read back by libpng.
TEST(FcviewStoredPng, IsReadBackPixelForPixelByLibpng) {
  EXPECT_EQ(fcview::Crc32(reinterpret_cast<const uint8_t*>("123456789"), 9), 0xCBF43926u);
  EXPECT_EQ(fcview::Adler32(reinterpret_cast<const uint8_t*>("Wikipedia"), 9), 0x11E60398u);
  Bytes many(20000, 0xFF); // more than one reduction interval of Adler-32's sums
  EXPECT_EQ(fcview::Adler32(many.data(), 10000, fcview::Adler32(many.data(), 10000)),
            fcview::Adler32(many.data(), 20000));
  // One pixel; rows in one stored block; rows spread over several 65535-byte blocks.
  for (const auto& size : std::vector<std::pair<int32_t, int32_t>>{{1, 1}, {33, 17}, {200, 150}, {1000, 70}}) {
    fcview::RgbImage image;
    image.Width = size.first;
    image.Height = size.second;
    for (int32_t i = 0; i < 3 * image.Width * image.Height; ++i) image.Rgb.push_back(static_cast<uint8_t>(i * 7 + i / 251));
    const Bytes png = fcview::StoredPng(image);
    ExpectSameImage(ReadPngBytes(png), image, std::to_string(size.first) + " x " + std::to_string(size.second));
    // The encoder in use (libpng here) makes the same picture.
    Bytes encoded;
    ASSERT_TRUE(fcview::EncodePng(image, &encoded));
    ExpectSameImage(ReadPngBytes(encoded), image, "EncodePng");
  }
}

} // namespace

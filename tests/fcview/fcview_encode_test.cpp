// fcview encode: PNG files made into IPF, IPQ and MCG pictures that decode to
// the PNG's pixels, palettes and depths kept, and every refusal clear.
#include <gtest/gtest.h>

#include "common/input_range.h"
#include "common/result_codes.h"
#include "container/ipq_display_mode.h"
#include "tests/fcview/fcview_harness.h"

namespace {

// The pixels a PNG picture stands for, as RGB triples.
fcview::RgbImage Expected(const PngPicture& picture) {
  fcview::RgbImage image;
  image.Width = picture.Width;
  image.Height = picture.Height;
  for (uint32_t v : picture.Pixels) {
    uint32_t rgb = v & 0xFFFFFF;
    if (picture.ColourType == 3) rgb = picture.Palette[v];
    if (picture.ColourType == 0) rgb = (v * 255 / ((1u << picture.Depth) - 1)) * 0x010101u;
    image.Rgb.insert(image.Rgb.end(), {static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8),
                                       static_cast<uint8_t>(rgb)});
  }
  return image;
}

PngPicture PalettePicture(int depth, int32_t width, int32_t height, size_t colours) {
  PngPicture picture;
  picture.Width = width;
  picture.Height = height;
  picture.ColourType = 3;
  picture.Depth = depth;
  for (size_t i = 0; i < colours; ++i) picture.Palette.push_back(static_cast<uint32_t>(0x102030 + i * 0x0B0705) & 0xFFFFFF);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) picture.Pixels.push_back(static_cast<uint32_t>((x / 3 + y * 5) % colours));
  }
  return picture;
}

PngPicture RgbPicture(int32_t width, int32_t height, uint32_t colours, uint32_t salt = 0) {
  PngPicture picture;
  picture.Width = width;
  picture.Height = height;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t k = static_cast<uint32_t>(x + y * width) % colours;
      picture.Pixels.push_back((k * 2654435761u + salt) & 0xFFFFFF);
    }
  }
  return picture;
}

void ExpectDecodesTo(const Bytes& file, const fcview::RgbImage& wanted, const std::string& what) {
  int32_t result = -99;
  const fcview::RgbImage decoded = DecodeThroughDib(file, ShowConnected, &result);
  ASSERT_EQ(result, ResultSuccess) << what;
  EXPECT_EQ(decoded.Width, wanted.Width) << what;
  EXPECT_EQ(decoded.Height, wanted.Height) << what;
  EXPECT_TRUE(decoded.Rgb == wanted.Rgb) << what;
}

uint16_t McgDepth(const Bytes& mcg) { return ReadU16(mcg.data() + 36); }

TEST(FcviewEncode, PalettePicturesKeepTheirPaletteAndTheirDepth) {
  ScratchDir dir;
  const int depths[] = {1, 2, 4, 8};
  const uint16_t mcgDepths[] = {1, 4, 4, 8};
  for (int k = 0; k < 4; ++k) {
    const int depth = depths[k];
    const size_t colours = depth == 8 ? 200 : (size_t{1} << depth) - (depth > 1 ? 1 : 0);
    const PngPicture picture = PalettePicture(depth, 37, 21, colours); // odd width: rows of packed pixels padded
    const std::string name = "p" + std::to_string(depth);
    ASSERT_TRUE(WritePng(dir / (name + ".png"), picture));
    for (const char* ext : {".ipf", ".mcg", ".ipq"}) {
      const RunResult run = RunFcview({"encode", dir.Str(name + ".png"), dir.Str(name + ext)});
      ASSERT_EQ(run.Exit, 0) << name << ext << ": " << run.Err;
      const Bytes file = ReadBytes(dir / (name + ext));
      if (std::string(ext) != ".ipq") ExpectDecodesTo(file, Expected(picture), name + ext);
      if (std::string(ext) == ".mcg") {
        EXPECT_EQ(McgDepth(file), mcgDepths[k]) << name;
      }
      if (std::string(ext) == ".ipf") {
        // The palette keeps the PNG's order: its colour triples follow the "pal " header.
        ASSERT_GT(file.size(), 100 + 3 * colours);
        EXPECT_EQ(ReadU32(file.data() + 64), colours);
        for (size_t i = 0; i < colours; ++i) {
          const uint32_t rgb = (uint32_t{file[100 + 3 * i]} << 16) | (file[101 + 3 * i] << 8) | file[102 + 3 * i];
          ASSERT_EQ(rgb, picture.Palette[i]) << name << " entry " << i;
        }
      }
    }
  }
}

TEST(FcviewEncode, TrueColourAndGreyPicturesDecodeToTheirPixels) {
  ScratchDir dir;
  const PngPicture rgb = RgbPicture(50, 40, 256); // exactly as many colours as a palette holds
  ASSERT_TRUE(WritePng(dir / "rgb.png", rgb));
  PngPicture grey;
  grey.Width = 64;
  grey.Height = 9;
  grey.ColourType = 0;
  for (int32_t i = 0; i < 64 * 9; ++i) grey.Pixels.push_back(static_cast<uint32_t>(i * 3 % 256));
  ASSERT_TRUE(WritePng(dir / "grey.png", grey));
  PngPicture rgba = RgbPicture(30, 30, 1000);
  rgba.ColourType = 6;
  for (uint32_t& v : rgba.Pixels) v |= 0xFF000000u; // alpha present but opaque everywhere
  ASSERT_TRUE(WritePng(dir / "rgba.png", rgba));

  struct Case {
    std::string Png, Out;
    PngPicture Picture;
    uint16_t McgDepth;
  };
  for (const Case& c : {Case{"rgb.png", "rgb.ipf", rgb, 0}, Case{"rgb.png", "rgb.mcg", rgb, 24},
                        Case{"grey.png", "grey.ipf", grey, 0}, Case{"grey.png", "grey.mcg", grey, 8},
                        Case{"rgba.png", "rgba.mcg", rgba, 24}}) {
    const RunResult run = RunFcview({"encode", dir.Str(c.Png), dir.Str(c.Out)});
    ASSERT_EQ(run.Exit, 0) << c.Out << ": " << run.Err;
    const Bytes file = ReadBytes(dir / c.Out);
    ExpectDecodesTo(file, Expected(c.Picture), c.Out);
    if (c.McgDepth != 0) {
      EXPECT_EQ(McgDepth(file), c.McgDepth) << c.Out;
    }
  }
}

TEST(FcviewEncode, AnIpqTakesOneFrameFromEachPictureInOrderWithOnePalette) {
  ScratchDir dir;
  const std::vector<PngPicture> pictures = {RgbPicture(40, 30, 100, 1), RgbPicture(25, 50, 100, 2), PalettePicture(4, 33, 7, 16)};
  std::vector<std::string> args = {"encode"};
  for (size_t i = 0; i < pictures.size(); ++i) {
    ASSERT_TRUE(WritePng(dir / ("f" + std::to_string(i) + ".png"), pictures[i]));
    args.push_back(dir.Str("f" + std::to_string(i) + ".png"));
  }
  args.push_back(dir.Str("anim.IPQ"));
  const RunResult run = RunFcview(args);
  ASSERT_EQ(run.Exit, 0) << run.Err;
  EXPECT_EQ(run.Out, "wrote " + dir.Str("anim.IPQ") + " (40 x 30, 3 frames, " +
                         std::to_string(fs::file_size(dir / "anim.IPQ")) + " bytes)\n");
  const Bytes ipq = ReadBytes(dir / "anim.IPQ");
  for (size_t i = 0; i < pictures.size(); ++i) {
    Bytes frame;
    ASSERT_EQ(fcview::FrameAsIpf(InputRange{ipq.data(), ipq.size()}, static_cast<int32_t>(i), &frame), 0);
    ExpectDecodesTo(frame, Expected(pictures[i]), "frame " + std::to_string(i + 1));
  }
}

// The samples go to PNG and back: the same pixels again, and, as the PNG
// files keep the palette and its indexes, the very same files.
TEST(FcviewEncode, SamplesComeBackFromTheirPngFiles) {
  ScratchDir dir;
  for (const char* sample : {"sunset.ipf", "dusk.mcg"}) {
    const std::string png = dir.Str(std::string(sample) + ".png");
    const std::string back = dir.Str(std::string("back-") + sample);
    ASSERT_EQ(RunFcview({"convert", Sample(sample), png}).Exit, 0);
    const RunResult run = RunFcview({"encode", png, back});
    ASSERT_EQ(run.Exit, 0) << run.Err;
    int32_t result = -99;
    const fcview::RgbImage original = DecodeThroughDib(ReadBytes(Sample(sample)), ShowConnected, &result);
    ExpectDecodesTo(ReadBytes(back), original, sample);
    EXPECT_EQ(ReadBytes(back), ReadBytes(Sample(sample))) << sample;
  }
}

TEST(FcviewEncode, PicturesTheFormatCannotHoldAreRefusedAndNothingIsWritten) {
  ScratchDir dir;
  ASSERT_TRUE(WritePng(dir / "many.png", RgbPicture(20, 20, 257)));
  ASSERT_TRUE(WritePng(dir / "few.png", RgbPicture(20, 20, 10)));
  PngPicture clear = RgbPicture(8, 8, 5);
  clear.ColourType = 6;
  for (uint32_t& v : clear.Pixels) v |= 0xFF000000u;
  clear.Pixels[10] &= 0x80FFFFFFu;
  ASSERT_TRUE(WritePng(dir / "clear.png", clear));
  PngPicture keyed = PalettePicture(8, 8, 8, 4);
  keyed.Alpha = {255, 255, 0}; // index 2 transparent, and used
  ASSERT_TRUE(WritePng(dir / "keyed.png", keyed));
  PngPicture deep = RgbPicture(4, 4, 3);
  deep.Depth = 16;
  ASSERT_TRUE(WritePng(dir / "deep.png", deep));
  WriteFileBytes(dir.Str("text.png"), {'n', 'o', 't', ' ', 'a', ' ', 'P', 'N', 'G'});

  struct Case {
    std::vector<std::string> Args;
    std::string File, Reason;
  };
  const std::vector<Case> cases = {
      {{"many.png", "out.ipf"}, "many.png",
       "the picture brings the colours to more than 256, which is all a palette of these formats holds; reduce the "
       "colours first"},
      {{"few.png", "many.png", "out.ipq"}, "out.ipq",
       "picture 2 brings the colours to more than 256, which is all a palette of these formats holds; reduce the "
       "colours first"},
      {{"clear.png", "out.mcg"}, "clear.png", "has pixels that are not fully opaque; these formats hold no transparency"},
      {{"keyed.png", "out.ipf"}, "keyed.png", "has pixels that are not fully opaque; these formats hold no transparency"},
      {{"deep.png", "out.mcg"}, "deep.png", "has 16-bit samples; these formats hold 8 bits a sample at most"},
      {{"text.png", "out.ipf"}, "text.png", "is not a PNG file"},
      {{"many.png", "out.bmp"}, "out.bmp", "the output must be named .ipf, .ipq or .mcg"},
      {{"many.png", "many.png", "out.mcg"}, "out.mcg", "an IPF or MCG picture is made from one PNG file"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"encode"};
    for (const std::string& a : c.Args) args.push_back(dir.Str(a));
    const RunResult run = RunFcview(args);
    EXPECT_EQ(run.Exit, 1) << c.Args.back();
    EXPECT_EQ(run.Err, "fcview: " + dir.Str(c.File) + ": " + c.Reason + "\n");
    EXPECT_EQ(run.Out, "");
  }
  EXPECT_EQ(Entries(dir.Path),
            (std::vector<std::string>{"clear.png", "deep.png", "few.png", "keyed.png", "many.png", "text.png"}))
      << "no output and no temporary file";

  // The same 257 colours fit an MCG (24 bits); an existing output needs --force.
  ASSERT_EQ(RunFcview({"encode", dir.Str("many.png"), dir.Str("many.mcg")}).Exit, 0);
  const RunResult again = RunFcview({"encode", dir.Str("many.png"), dir.Str("many.mcg")});
  EXPECT_EQ(again.Exit, 1);
  EXPECT_EQ(again.Err, "fcview: " + dir.Str("many.mcg") + ": exists (use --force to replace it)\n");
  EXPECT_EQ(RunFcview({"encode", "--force", dir.Str("many.png"), dir.Str("many.mcg")}).Exit, 0);
  ExpectDecodesTo(ReadBytes(dir / "many.mcg"), Expected(RgbPicture(20, 20, 257)), "many.mcg");
}

} // namespace

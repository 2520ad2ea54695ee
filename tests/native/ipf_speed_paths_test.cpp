// The IPF decoder's fast paths against the plain reference decoder: long
// stretches of literals that the 16-byte moves take, runs and copies of every
// length around the 16-, 32- and 64-byte moves, copies whose distance is
// shorter than those moves, and all of it where the checkpoints, the window's
// end and the picture's end cut in. Pixels, result codes and progress calls
// must be identical.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "common/result_codes.h"
#include "picture_filter/ipf_decoder.h"
#include "tests/native/decoder_fixture.h"
#include "tests/reference/reference_decoders.h"

namespace {

struct Outcome {
  int32_t Result;
  Bytes Picture;
  std::vector<std::pair<int32_t, int32_t>> Calls;
};

uint32_t NextRandom(uint32_t& state) {
  state ^= state << 13;
  state ^= state >> 17;
  state ^= state << 5;
  return state;
}

// A literal code for a random value (0x20 to 0xFF).
uint8_t LiteralCode(uint32_t& state) { return static_cast<uint8_t>(0x20 + NextRandom(state) % 0xE0); }

void PutRun(Bytes& codes, size_t length, uint8_t value) {
  codes.push_back(static_cast<uint8_t>((length - 1) >> 8));
  codes.push_back(static_cast<uint8_t>(length - 1));
  codes.push_back(value);
}

void PutCopy(Bytes& codes, size_t distance, size_t length) {
  codes.push_back(static_cast<uint8_t>(0x10 + ((distance - 1) >> 8)));
  codes.push_back(static_cast<uint8_t>(distance - 1));
  codes.push_back(static_cast<uint8_t>(length - 1));
}

// Codes for about `output` bytes, weighted towards the lengths where the fast
// paths change how they move: literal stretches of 1 to 100, runs and copies
// of 1 to 80 (and some up to their longest), copy distances of 1 to 40 and
// far ones. Every code is valid; the stream ends with the end code.
Bytes MixedCodes(uint32_t seed, size_t output) {
  uint32_t state = seed * 2654435761u + 7;
  Bytes codes;
  size_t written = 0;
  while (written < output) {
    const uint32_t kind = NextRandom(state) % 8;
    if (kind <= 2) {
      const size_t stretch = 1 + NextRandom(state) % (kind == 0 ? 100 : 9);
      for (size_t i = 0; i < stretch; ++i) codes.push_back(LiteralCode(state));
      written += stretch;
    } else if (kind == 3) {
      const bool longest = NextRandom(state) % 8 == 0;
      const size_t length = longest ? 1 + NextRandom(state) % 3584 : 1 + NextRandom(state) % 80;
      PutRun(codes, length, static_cast<uint8_t>(NextRandom(state)));
      written += length;
    } else if (kind == 4) {
      codes.push_back(0x0E);
      written += 1;
    } else {
      const bool near = NextRandom(state) % 2 == 0;
      const size_t distance = near ? 1 + NextRandom(state) % 40 : 1 + NextRandom(state) % 4096;
      const bool longest = NextRandom(state) % 8 == 0;
      const size_t length = longest ? 1 + NextRandom(state) % 256 : 1 + NextRandom(state) % 80;
      PutCopy(codes, distance, length);
      written += length;
    }
  }
  codes.push_back(0x0F);
  return codes;
}

Outcome ReferenceOutcome(const Bytes& codes, size_t pixelCount) {
  Outcome outcome;
  ProgressLog log;
  outcome.Picture.assign(pixelCount, 0);
  ExactBytes stream = ExactCopy(codes);
  outcome.Result = ReferenceDecodeIpf(stream.Data.get(), stream.Size, outcome.Picture.data(), pixelCount,
                                      ProgressTo(log), 0, static_cast<int32_t>(pixelCount));
  if (outcome.Result != ResultSuccess) outcome.Picture.clear();
  outcome.Calls = log.Calls;
  return outcome;
}

// The whole picture in one work area (every byte starts as 0xAA).
Outcome LinearOutcome(const Bytes& codes, size_t pixelCount) {
  Outcome outcome;
  ProgressLog log;
  ExactBytes stream = ExactCopy(codes);
  Bytes work(IpfLeadIn + pixelCount + IpfRunOut, 0xAA);
  uint8_t* picture = work.data() + IpfLeadIn;
  outcome.Result = DecodeIpfCodes(stream.Data.get(), stream.Size, picture, pixelCount,
                                  FrameProgress{ProgressTo(log), 0, static_cast<int32_t>(pixelCount)});
  if (outcome.Result == ResultSuccess) outcome.Picture.assign(picture, picture + pixelCount);
  outcome.Calls = log.Calls;
  return outcome;
}

// Through the row window into a bottom-up block, read back top row first.
Outcome RowsOutcome(const Bytes& codes, size_t width, size_t height) {
  Outcome outcome;
  ProgressLog log;
  ExactBytes stream = ExactCopy(codes);
  const size_t pitch = (width + 3) & ~size_t{3};
  Bytes block(pitch * height, 0);
  outcome.Result =
      DecodeIpfCodesToRows(stream.Data.get(), stream.Size, width, height, block.data(), static_cast<ptrdiff_t>(pitch),
                           FrameProgress{ProgressTo(log), 0, static_cast<int32_t>(width * height)});
  if (outcome.Result == ResultSuccess) {
    for (size_t r = 0; r < height; ++r) {
      const uint8_t* row = block.data() + (height - 1 - r) * pitch;
      outcome.Picture.insert(outcome.Picture.end(), row, row + width);
    }
  }
  outcome.Calls = log.Calls;
  return outcome;
}

void ExpectSame(const Outcome& expected, const Outcome& actual, const char* what, uint32_t seed) {
  EXPECT_EQ(expected.Result, actual.Result) << what << " seed " << seed;
  EXPECT_EQ(expected.Picture, actual.Picture) << what << " seed " << seed;
  EXPECT_EQ(expected.Calls, actual.Calls) << what << " seed " << seed;
}

} // namespace

TEST(IpfFastPaths, MixedLengthsAndDistancesDecodeAsTheReference) {
  for (uint32_t seed = 1; seed <= 150; ++seed) {
    const size_t width = 61 + seed % 300, height = 7 + seed % 90;
    const Bytes codes = MixedCodes(seed, width * height + seed % 50);
    const Outcome expected = ReferenceOutcome(codes, width * height);
    ASSERT_EQ(expected.Result, ResultSuccess) << seed;
    ExpectSame(expected, LinearOutcome(codes, width * height), "linear", seed);
    ExpectSame(expected, RowsOutcome(codes, width, height), "rows", seed);
  }
}

TEST(IpfFastPaths, PicturesOfManyWindowsDecodeAsTheReference) {
  for (uint32_t seed = 1; seed <= 6; ++seed) {
    const size_t width = 999 + seed * 37, height = 150 + seed * 11; // several windows, rows across their edges
    const Bytes codes = MixedCodes(seed + 1000, width * height);
    const Outcome expected = ReferenceOutcome(codes, width * height);
    ASSERT_EQ(expected.Result, ResultSuccess) << seed;
    ExpectSame(expected, RowsOutcome(codes, width, height), "rows", seed);
  }
}

TEST(IpfFastPaths, StreamsCutAnywhereEndAsTheReference) {
  // Cut before the end code and inside the last codes: the fast loop must
  // hand the last bytes to the careful path without reading past the data.
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    const size_t width = 40 + seed, height = 30;
    const Bytes whole = MixedCodes(seed + 2000, width * height + 200);
    for (size_t cut = whole.size() > 120 ? whole.size() - 120 : 0; cut < whole.size(); ++cut) {
      const Bytes codes(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(cut));
      const Outcome expected = ReferenceOutcome(codes, width * height);
      ExpectSame(expected, LinearOutcome(codes, width * height), "linear", seed);
      ExpectSame(expected, RowsOutcome(codes, width, height), "rows", seed);
    }
  }
}

TEST(IpfFastPaths, LongLiteralStretchesEndExactlyAtThePicturesEnd) {
  // Only literals: the 16-byte literal moves must stop at the last picture
  // byte and still see a picture that stops one code short of its end code.
  for (size_t pixelCount = 1; pixelCount <= 300; pixelCount += 7) {
    uint32_t state = static_cast<uint32_t>(pixelCount) + 5;
    Bytes codes;
    for (size_t i = 0; i < pixelCount; ++i) codes.push_back(LiteralCode(state));
    const Bytes exact = codes; // fills the picture, no end code: DataEnded
    codes.push_back(LiteralCode(state));
    codes.push_back(0x0F); // one literal beyond the picture: the picture ends first
    const Bytes* const streams[] = {&exact, &codes};
    for (const Bytes* stream : streams) {
      const Outcome expected = ReferenceOutcome(*stream, pixelCount);
      ExpectSame(expected, LinearOutcome(*stream, pixelCount), "linear", static_cast<uint32_t>(pixelCount));
    }
  }
}

TEST(IpfFastPaths, EveryStretchLengthAtEveryAlignmentDecodesAsTheReference) {
  // The fast loop finds the next code from marks it keeps for a block of code
  // bytes and renews them part way through: stretches of literals of each
  // length up to past one block, each after a lead-in of each length, put the
  // codes at every place in and across those blocks.
  for (size_t leadIn = 0; leadIn < 64; ++leadIn) {
    uint32_t state = static_cast<uint32_t>(leadIn) + 11;
    Bytes codes;
    size_t written = 0;
    for (size_t i = 0; i < leadIn; ++i) codes.push_back(LiteralCode(state));
    written += leadIn;
    for (size_t stretch = 0; stretch <= 70; ++stretch) {
      for (size_t i = 0; i < stretch; ++i) codes.push_back(LiteralCode(state));
      written += stretch;
      if (stretch % 2 == 0) {
        PutRun(codes, 1 + stretch % 20, static_cast<uint8_t>(stretch));
        written += 1 + stretch % 20;
      } else {
        PutCopy(codes, 1 + written % 40, 1 + stretch % 30);
        written += 1 + stretch % 30;
      }
    }
    codes.push_back(0x0F);
    // The picture as long as the codes make it, and one byte shorter, so
    // that the last code runs past the picture's end.
    for (const size_t pixelCount : {written, written - 1}) {
      const Outcome expected = ReferenceOutcome(codes, pixelCount);
      ASSERT_EQ(expected.Result, ResultSuccess) << leadIn;
      ExpectSame(expected, LinearOutcome(codes, pixelCount), "linear", static_cast<uint32_t>(leadIn));
    }
  }
}

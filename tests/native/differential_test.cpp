// The project's decoders against the plain reference decoders on generated,
// encoded and damaged streams: same result code, same progress calls, same
// pixels.
#include <gtest/gtest.h>

#include <random>

#include "common/result_codes.h"
#include "picture_filter/ipf_decoder.h"
#include "picture_filter/mcg_decoder.h"
#include "tests/native/decoder_fixture.h"
#include "tests/reference/picture_like.h"
#include "tests/reference/reference_decoders.h"
#include "writers/ipf_encoder.h"
#include "writers/mcg_encoder.h"

namespace {

struct Outcome {
  int32_t Result;
  std::vector<std::pair<int32_t, int32_t>> Calls;
  Bytes Pixels; // only on success

  bool operator==(const Outcome& other) const {
    return Result == other.Result && Calls == other.Calls && Pixels == other.Pixels;
  }
};

std::ostream& operator<<(std::ostream& out, const Outcome& outcome) {
  return out << "result " << outcome.Result << ", " << outcome.Calls.size() << " progress calls, "
             << outcome.Pixels.size() << " pixels";
}

Outcome ProjectIpf(const Bytes& codes, size_t pixelCount, int cancelAt) {
  ExactBytes stream = ExactCopy(codes);
  Bytes work(IpfLeadIn + pixelCount + IpfRunOut, 0x5A);
  ProgressLog log;
  log.CancelAtCall = cancelAt;
  Outcome outcome;
  outcome.Result = DecodeIpfCodes(stream.Data.get(), stream.Size, work.data() + IpfLeadIn, pixelCount,
                                  FrameProgress{ProgressTo(log), 1000, 77777});
  outcome.Calls = log.Calls;
  if (outcome.Result == ResultSuccess) outcome.Pixels.assign(work.begin() + IpfLeadIn, work.begin() + IpfLeadIn + pixelCount);
  return outcome;
}

Outcome ReferenceIpf(const Bytes& codes, size_t pixelCount, int cancelAt) {
  ExactBytes stream = ExactCopy(codes);
  Bytes picture(pixelCount);
  ProgressLog log;
  log.CancelAtCall = cancelAt;
  Outcome outcome;
  outcome.Result =
      ReferenceDecodeIpf(stream.Data.get(), stream.Size, picture.data(), pixelCount, ProgressTo(log), 1000, 77777);
  outcome.Calls = log.Calls;
  if (outcome.Result == ResultSuccess) outcome.Pixels = picture;
  return outcome;
}

Outcome ProjectMcg(const Bytes& packed, size_t size, int cancelAt) {
  ExactBytes stream = ExactCopy(packed);
  Bytes work(McgLeadIn + size + McgRunOut, 0x5A);
  ProgressLog log;
  log.CancelAtCall = cancelAt;
  Outcome outcome;
  outcome.Result = UnpackMcg(stream.Data.get(), stream.Size, work.data() + McgLeadIn, size, ProgressTo(log));
  outcome.Calls = log.Calls;
  if (outcome.Result == ResultSuccess) outcome.Pixels.assign(work.begin() + McgLeadIn, work.begin() + McgLeadIn + size);
  return outcome;
}

Outcome ReferenceMcg(const Bytes& packed, size_t size, int cancelAt) {
  ExactBytes stream = ExactCopy(packed);
  Bytes out(size + 17);
  ProgressLog log;
  log.CancelAtCall = cancelAt;
  Outcome outcome;
  outcome.Result = ReferenceUnpackMcg(stream.Data.get(), stream.Size, out.data(), size, ProgressTo(log));
  outcome.Calls = log.Calls;
  if (outcome.Result == ResultSuccess) outcome.Pixels.assign(out.begin(), out.begin() + size);
  return outcome;
}

// Code sequences of every kind, with parameters from the whole range but
// biased to the short distances and lengths where the fast paths split.
Bytes RandomIpfCodes(std::mt19937& random, size_t* produced) {
  Bytes codes;
  *produced = 0;
  const size_t count = random() % 3000;
  for (size_t i = 0; i < count; ++i) {
    const uint32_t pick = random() % 100;
    if (pick < 55) {
      codes.push_back(static_cast<uint8_t>(0x20 + random() % 0xE0));
      *produced += 1;
    } else if (pick < 60) {
      codes.push_back(0x0E);
      *produced += 1;
    } else if (pick < 75) {
      const size_t length = random() % 4 == 0 ? random() % 3584 : random() % 24;
      codes.insert(codes.end(), {static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length),
                                 static_cast<uint8_t>(random())});
      *produced += length + 1;
    } else {
      const size_t distance = random() % 3 == 0 ? random() % 4096 : random() % 20;
      const size_t length = random() % 2 == 0 ? random() % 256 : random() % 24;
      codes.insert(codes.end(), {static_cast<uint8_t>(0x10 + (distance >> 8)), static_cast<uint8_t>(distance),
                                 static_cast<uint8_t>(length)});
      *produced += length + 1;
    }
  }
  if (random() % 4 != 0) codes.push_back(0x0F);
  return codes;
}

// Damage: flipped bytes, a cut, a repeated stretch.
void Mutate(std::mt19937& random, Bytes& bytes) {
  if (bytes.empty()) return;
  const uint32_t how = random() % 4;
  if (how == 0 || how == 3) {
    for (uint32_t n = 1 + random() % 8; n > 0; --n) bytes[random() % bytes.size()] ^= static_cast<uint8_t>(1 + random() % 255);
  }
  if (how == 1) bytes.resize(random() % bytes.size());
  if (how == 2) {
    const size_t from = random() % bytes.size();
    const size_t length = random() % (bytes.size() - from) % 64;
    bytes.insert(bytes.begin() + static_cast<ptrdiff_t>(random() % bytes.size()), bytes.begin() + static_cast<ptrdiff_t>(from),
                 bytes.begin() + static_cast<ptrdiff_t>(from + length));
  }
}

// A picture size around what the stream produces: exact, a little off, or far off.
size_t PixelCountNear(std::mt19937& random, size_t produced) {
  switch (random() % 4) {
    case 0: return produced;
    case 1: return produced + random() % 40;
    case 2: return produced > 40 ? produced - random() % 40 : 0;
    default: return random() % (produced + 1);
  }
}

// Each generator must reach every ending, or the comparison proves little.
struct Tally {
  int Counts[11] = {};
  void Add(int32_t result) { ++Counts[result >= 0 && result <= 10 ? result : 2]; }
  void ExpectVaried() const {
    EXPECT_GT(Counts[ResultSuccess], 200);
    EXPECT_GT(Counts[DataEnded], 100);
    EXPECT_GT(Counts[ResultCancelled], 20);
  }
};

int CancelPoint(std::mt19937& random) { return random() % 5 == 0 ? static_cast<int>(random() % 4) : -1; }

TEST(Differential, IpfMatchesTheReferenceOnGeneratedStreams) {
  std::mt19937 random(1234);
  Tally tally;
  for (int round = 0; round < 1500; ++round) {
    size_t produced = 0;
    Bytes codes;
    switch (round % 3) {
      case 0:
        codes = RandomIpfCodes(random, &produced);
        break;
      case 1: {
        const size_t width = 1 + random() % 300, height = 1 + random() % 60;
        codes = EncodeIpfCodes(PictureLikePixels(width, height, static_cast<uint32_t>(round)));
        produced = width * height;
        break;
      }
      default:
        codes.resize(random() % 5000);
        for (uint8_t& b : codes) b = static_cast<uint8_t>(random());
        produced = codes.size() * 4;
        break;
    }
    if (random() % 2 == 0) Mutate(random, codes);
    const size_t pixelCount = PixelCountNear(random, produced);
    const int cancelAt = CancelPoint(random);
    const Outcome project = ProjectIpf(codes, pixelCount, cancelAt);
    ASSERT_EQ(project, ReferenceIpf(codes, pixelCount, cancelAt)) << "round " << round;
    tally.Add(project.Result);
  }
  tally.ExpectVaried();
}

TEST(Differential, McgMatchesTheReferenceOnGeneratedStreams) {
  std::mt19937 random(4321);
  Tally tally;
  for (int round = 0; round < 1500; ++round) {
    size_t produced = 0;
    Bytes packed;
    switch (round % 3) {
      case 0: { // random groups: flags and items of every kind
        for (size_t group = random() % 2500; group > 0; --group) {
          const uint8_t flags = random() % 3 == 0 ? 0xFF : static_cast<uint8_t>(random());
          packed.push_back(flags);
          for (int item = 0; item < 8; ++item) {
            if (flags & (1 << item)) {
              packed.push_back(static_cast<uint8_t>(random()));
              produced += 1;
            } else {
              const uint32_t word = random() % 2 == 0 ? random() : ((random() % 16) << 12) | ((4078 + produced - 1 - random() % 20) & 4095);
              packed.insert(packed.end(), {static_cast<uint8_t>(word), static_cast<uint8_t>(word >> 8)});
              produced += (word >> 12 & 15) + 3;
            }
          }
        }
        break;
      }
      case 1: {
        const size_t width = 1 + random() % 300, height = 1 + random() % 60;
        packed = EncodeMcgLzss(PictureLikePixels(width, height, static_cast<uint32_t>(round)));
        produced = width * height;
        break;
      }
      default:
        packed.resize(random() % 5000);
        for (uint8_t& b : packed) b = static_cast<uint8_t>(random());
        produced = packed.size() * 4;
        break;
    }
    if (random() % 2 == 0) Mutate(random, packed);
    const size_t size = PixelCountNear(random, produced);
    const int cancelAt = CancelPoint(random);
    const Outcome project = ProjectMcg(packed, size, cancelAt);
    ASSERT_EQ(project, ReferenceMcg(packed, size, cancelAt)) << "round " << round;
    tally.Add(project.Result);
  }
  tally.ExpectVaried();
}

TEST(Encoders, RoundTripThroughTheReferenceDecoders) {
  std::vector<Bytes> inputs = {Bytes{}, Bytes(1, 0x0F), Bytes(10000, 0), Bytes(5000, 0xFF),
                               PictureLikePixels(640, 200, 9)};
  Bytes periods;
  for (size_t i = 0; i < 6000; ++i) periods.push_back(static_cast<uint8_t>((i % (1 + i / 700)) * 37));
  inputs.push_back(periods);
  std::mt19937 random(7);
  Bytes noise(20000);
  for (uint8_t& b : noise) b = static_cast<uint8_t>(random());
  inputs.push_back(noise);

  for (const Bytes& input : inputs) {
    const Bytes codes = EncodeIpfCodes(input);
    Bytes picture(input.size());
    ASSERT_EQ(ReferenceDecodeIpf(codes.data(), codes.size(), picture.data(), input.size(), Progress{}, 0, 0),
              ResultSuccess);
    EXPECT_EQ(picture, input);

    const Bytes packed = EncodeMcgLzss(input);
    Bytes out(input.size() + 17);
    ASSERT_EQ(ReferenceUnpackMcg(packed.data(), packed.size(), out.data(), input.size(), Progress{}), ResultSuccess);
    out.resize(input.size());
    EXPECT_EQ(out, input);
  }
  // Picture-like data shrink; flat data shrink a lot.
  const Bytes picture = PictureLikePixels(640, 200, 9);
  EXPECT_LT(EncodeIpfCodes(picture).size(), picture.size() / 2);
  EXPECT_LT(EncodeMcgLzss(picture).size(), picture.size() / 2);
  EXPECT_LE(EncodeIpfCodes(Bytes(10000, 0)).size(), 10u); // three runs and the end code
  EXPECT_LT(EncodeMcgLzss(Bytes(10000, 0)).size(), 10000u / 8);
}

} // namespace

// The 16-byte operations and selects the decoders' fast loops are built on,
// lane by lane against their plain meaning, for every byte value and bound
// the loops use (a lane or bound off by one would turn a literal into a
// code), in the SSE2 form and in the byte-wise form of other processors.
#include <gtest/gtest.h>

#include <cstdint>

#include "picture_filter/wide_moves.h"

namespace {

// The decoders' operations (SSE2 where the build has it) and the byte-wise
// ones a processor without SSE2 runs, side by side.
struct DecoderMoves {
  typedef Bytes16 Value;
  static Value Load(const uint8_t* from) { return Load16(from); }
  static void Store(uint8_t* to, Value value) { Store16(to, value); }
  static Value Subtract(Value value, uint8_t amount) { return SubtractFromEach(value, amount); }
  static unsigned Below(Value value, uint8_t bound) { return BelowMask16(value, bound); }
};

struct PlainMoves {
  typedef plain_moves::Bytes16 Value;
  static Value Load(const uint8_t* from) { return plain_moves::Load16(from); }
  static void Store(uint8_t* to, Value value) { plain_moves::Store16(to, value); }
  static Value Subtract(Value value, uint8_t amount) { return plain_moves::SubtractFromEach(value, amount); }
  static unsigned Below(Value value, uint8_t bound) { return plain_moves::BelowMask16(value, bound); }
};

template <typename Moves>
void ExpectEveryByteValueInEveryLane() {
  for (unsigned first = 0; first < 256; first += 16) {
    for (unsigned rotate = 0; rotate < 16; ++rotate) {
      uint8_t bytes[16];
      for (unsigned lane = 0; lane < 16; ++lane) bytes[lane] = static_cast<uint8_t>(first + (lane + rotate) % 16);
      const typename Moves::Value value = Moves::Load(bytes);
      for (unsigned bound : {1u, 0x0Fu, 0x10u, 0x20u, 0x21u, 0xFFu}) {
        unsigned expected = 0;
        for (unsigned lane = 0; lane < 16; ++lane) expected |= static_cast<unsigned>(bytes[lane] < bound) << lane;
        ASSERT_EQ(Moves::Below(value, static_cast<uint8_t>(bound)), expected) << first << " " << rotate << " " << bound;
      }
      uint8_t less[16];
      Moves::Store(less, Moves::Subtract(value, 0x10));
      for (unsigned lane = 0; lane < 16; ++lane) {
        ASSERT_EQ(less[lane], static_cast<uint8_t>(bytes[lane] - 0x10)) << first << " lane " << lane;
      }
    }
  }
}

} // namespace

TEST(WideMoves, EveryByteValueInEveryLane) { ExpectEveryByteValueInEveryLane<DecoderMoves>(); }

TEST(WideMoves, EveryByteValueInEveryLaneWithoutSse2) { ExpectEveryByteValueInEveryLane<PlainMoves>(); }

TEST(WideMoves, CopyMovesSixteenBytesOnly) {
  uint8_t area[48];
  for (unsigned i = 0; i < sizeof area; ++i) area[i] = static_cast<uint8_t>(i);
  Copy16(area + 32, area + 1);
  for (unsigned i = 0; i < 16; ++i) EXPECT_EQ(area[32 + i], i + 1);
  for (unsigned i = 16; i < 32; ++i) EXPECT_EQ(area[i], i) << "outside the move";
}

TEST(WideMoves, SelectsTakeEitherValueWhole) {
  const uint8_t* const low = BytePatterns.Bytes[0];
  const uint8_t* const high = BytePatterns.Bytes[255];
  EXPECT_EQ(Select(true, low, high), low);
  EXPECT_EQ(Select(false, low, high), high);
  const size_t wide = ~size_t{0} - 5;
  EXPECT_EQ(Select(true, wide, size_t{64}), wide);
  EXPECT_EQ(Select(false, wide, size_t{64}), 64u);
  EXPECT_EQ(Select(false, size_t{0}, wide), wide);
  for (unsigned value : {0u, 0x5Au, 0xFFu}) {
    for (size_t i = 0; i < BytePatternSpan; ++i) ASSERT_EQ(BytePatterns.Bytes[value][i], value);
  }
}

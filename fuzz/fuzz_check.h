// What the fuzz targets share: an invariant check that stops the run with
// the input (libFuzzer then keeps it as a finding), and the host's progress
// callback, answering "stop" at a call the input chose.
#pragma once
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "common/progress.h"

#define FUZZ_CHECK(condition)                                                                      \
  do {                                                                                             \
    if (!(condition)) {                                                                            \
      std::fprintf(stderr, "invariant broken: %s (%s:%d)\n", #condition, __FILE__, __LINE__);      \
      std::abort();                                                                                \
    }                                                                                              \
  } while (0)

// Every call the plug-in makes to the host's callback, checked as a host
// sees them: 0 <= done <= total, the total fixed for the call, done never
// going back.
struct FuzzProgress {
  int Calls = 0;
  int CancelAt = -1; // answer non-zero at this call (0 = the first), or never
  bool Cancelled = false;
  int32_t LastDone = 0;
  int32_t Total = -1;

  Progress Reporter() { return Progress{Answer, reinterpret_cast<intptr_t>(this)}; }

  static int32_t FC_STDCALL Answer(int32_t done, int32_t total, intptr_t user) {
    FuzzProgress* self = reinterpret_cast<FuzzProgress*>(user);
    FUZZ_CHECK(!self->Cancelled); // nothing goes on after the host said stop
    FUZZ_CHECK(done >= 0 && done <= total);
    if (self->Total < 0) self->Total = total;
    FUZZ_CHECK(total == self->Total);
    FUZZ_CHECK(done >= self->LastDone);
    self->LastDone = done;
    if (self->Calls++ == self->CancelAt) {
      self->Cancelled = true;
      return 1;
    }
    return 0;
  }
};

// The input's last byte steers what the host does; the cancel point comes
// from its upper bits, so roughly a quarter of the inputs cancel somewhere.
inline int CancelPointOf(uint8_t control) {
  const int point = control >> 3;
  return point < 8 ? point : -1;
}

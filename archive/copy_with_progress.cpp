#include "archive/copy_with_progress.h"

#include <cstring>

#include "common/result_codes.h"

int32_t CopyWithProgress(const InputRange& input, const uint8_t* source, uint8_t* output, int32_t size,
                         int32_t step, const Progress& progress) {
  if (size < 0 || step <= 0 || source == nullptr) return ResultBrokenData;
  if (source < input.First || !IsReadable(input, source, static_cast<size_t>(size))) return ResultBrokenData;
  // The whole source is proven readable above, so the loop copies without a test per step.
  const int32_t steps = size / step;
  for (int32_t k = 1; k <= steps; ++k) {
    std::memcpy(output, source, static_cast<size_t>(step));
    output += step;
    source += step;
    if (ReportProgress(progress, step * k, size)) return ResultCancelled;
  }
  std::memcpy(output, source, static_cast<size_t>(size % step));
  return ResultSuccess;
}

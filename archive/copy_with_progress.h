#pragma once
#include <cstddef>
#include <cstdint>

#include "common/input_range.h"
#include "common/progress.h"

// Both archive writers copy in steps of this many bytes, so that the host's
// progress advances and a cancel takes effect within one step.
constexpr int32_t MemberCopyStep = 1024;

// Copies `size` bytes from `source` (which must lie wholly inside `input`)
// to `output`, reporting (step * k, size) after each full step. 3 when the
// source bytes are not all inside the input (nothing copied), 1 when the
// host asked to stop, else 0. No report follows the last partial step.
int32_t CopyWithProgress(const InputRange& input, const uint8_t* source, uint8_t* output, int32_t size,
                         int32_t step, const Progress& progress);

// How a multi-picture IPQ file is shown: the one user setting.
#pragma once
#include <cstdint>

enum IpqDisplayMode : int32_t {
  TreatAsArchive = 0, // left to the archive extractor; shown as the last frame if asked directly
  ShowConnected = 1,  // all frames stacked into one picture, frame 0 on top
  ShowFirst = 2,
  ShowSecond = 3,
  ShowLast = 4,
};

constexpr int32_t IpqDisplayModeCount = 5;

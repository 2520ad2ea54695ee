// How small the writers' pixel codes are, next to gzip -9 of the same raw
// pixels: the bundled samples (their 8-bit indexes, decoded from the files)
// and the benchmark's picture-like pictures. Not a test: run it by hand.
//   compression_report SAMPLES_DIRECTORY
#include <zlib.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/input_range.h"
#include "container/ipq_display_mode.h"
#include "tests/reference/picture_like.h"
#include "fcview/files.h"
#include "fcview/pictures.h"
#include "writers/ipf_encoder.h"
#include "writers/mcg_encoder.h"

namespace {

// The size `gzip -9 -n` gives: deflate at level 9 in gzip's 18-byte frame.
size_t GzipSize(const Bytes& raw) {
  z_stream stream{};
  deflateInit2(&stream, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
  Bytes out(deflateBound(&stream, raw.size()));
  stream.next_in = const_cast<Bytef*>(raw.data());
  stream.avail_in = static_cast<uInt>(raw.size());
  stream.next_out = out.data();
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  const size_t size = stream.total_out;
  deflateEnd(&stream);
  return size + 18;
}

void Row(const std::string& name, const Bytes& raw) {
  const size_t gzip = GzipSize(raw), ipf = EncodeIpfCodes(raw).size(), mcg = EncodeMcgLzss(raw).size();
  std::printf("%-22s %10zu %10zu %10zu %6.1f%% %10zu %6.1f%%\n", name.c_str(), raw.size(), gzip, ipf,
              100.0 * ipf / gzip, mcg, 100.0 * mcg / gzip);
}

// The indexes of a sample picture (every frame of an IPQ, one after the other).
Bytes SampleIndexes(const std::string& path) {
  std::vector<uint8_t> file;
  std::string reason;
  if (!fcview::ReadWholeFile(path, &file, &reason)) return {};
  const InputRange input{file.data(), file.size()};
  fcview::PictureSummary summary;
  if (fcview::DescribePicture(input, &summary) != 0) return {};
  Bytes indexes;
  for (int32_t f = 0; f < summary.Frames; ++f) {
    fcview::RgbImage image;
    std::vector<uint8_t> frame;
    if (summary.Kind == IpqPicture) {
      if (fcview::FrameAsIpf(input, f, &frame) != 0) return {};
      if (fcview::DecodeToRgb(InputRange{frame.data(), frame.size()}, ShowLast, &image) != 0) return {};
    } else if (fcview::DecodeToRgb(input, ShowConnected, &image) != 0) {
      return {};
    }
    indexes.insert(indexes.end(), image.Indexes.begin(), image.Indexes.end());
  }
  return indexes;
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: compression_report SAMPLES_DIRECTORY\n");
    return 2;
  }
  std::printf("%-22s %10s %10s %10s %7s %10s %7s\n", "picture", "raw", "gzip -9", "IPF code", "of gz", "MCG LZSS",
              "of gz");
  for (const char* sample : {"sunset.ipf", "waves.ipq", "dusk.mcg"}) {
    Row(sample, SampleIndexes(std::string(argv[1]) + "/" + sample));
  }
  for (size_t side : {512, 1024, 2048}) {
    Row("picture-like " + std::to_string(side), PictureLikePixels(side, side, static_cast<uint32_t>(side)));
  }
  return 0;
}

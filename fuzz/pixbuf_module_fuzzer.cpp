// The gdk-pixbuf module's entry points as gdk-pixbuf calls them: fill_info
// and fill_vtable, then begin_load, load_increment with pieces whose sizes
// the last byte chooses, and stop_load. A call that fails must set a GError
// of gdk-pixbuf's domain; a load that succeeds must have announced the size
// first and handed over exactly one pixbuf of that size, whose rows hold the
// loader core's RGB rows. The last byte's top bit makes the caller decline
// the pixels when it hears the size, as gdk_pixbuf_get_file_info does.
#define GDK_PIXBUF_ENABLE_BACKEND
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "common/result_codes.h"
#include "fuzz/fuzz_check.h"
#include "picture_filter/gdk_pixbuf/module_limits.h"
#include "picture_filter/picture_loader.h"

extern "C" void fill_vtable(GdkPixbufModule* module);
extern "C" void fill_info(GdkPixbufFormat* info);

// The module loads under these here (it is linked without its own limits):
// every allocation of a run stays small.
const LoaderLimits ModuleLoaderLimits{size_t{1} << 20, int64_t{1} << 18};

namespace {

struct Calls {
  bool Decline = false;
  int Sizes = 0;
  int Width = 0;
  int Height = 0;
  int Prepared = 0;
  int Updated = 0;
  GdkPixbuf* Pixbuf = nullptr;
};

void OnSize(gint* width, gint* height, gpointer data) {
  Calls* calls = static_cast<Calls*>(data);
  FUZZ_CHECK(*width > 0 && *height > 0);
  calls->Sizes += 1;
  calls->Width = *width;
  calls->Height = *height;
  if (calls->Decline) *width = *height = 0;
}

void OnPrepared(GdkPixbuf* pixbuf, GdkPixbufAnimation* animation, gpointer data) {
  Calls* calls = static_cast<Calls*>(data);
  FUZZ_CHECK(animation == nullptr && calls->Sizes == 1 && calls->Prepared == 0);
  calls->Prepared += 1;
  calls->Pixbuf = GDK_PIXBUF(g_object_ref(pixbuf));
}

void OnUpdated(GdkPixbuf* pixbuf, int x, int y, int width, int height, gpointer data) {
  Calls* calls = static_cast<Calls*>(data);
  FUZZ_CHECK(pixbuf == calls->Pixbuf && x == 0 && y == 0 && width == calls->Width && height == calls->Height);
  calls->Updated += 1;
}

void CheckError(gboolean ok, GError** error) {
  FUZZ_CHECK(ok == (*error == nullptr));
  if (*error != nullptr) {
    FUZZ_CHECK((*error)->domain == GDK_PIXBUF_ERROR && std::strstr((*error)->message, "F&C") != nullptr);
    g_clear_error(error);
  }
}

// The format the module declares: our MIME types, and signatures gdk-pixbuf can parse.
void CheckInfo() {
  GdkPixbufFormat info{};
  fill_info(&info);
  FUZZ_CHECK(std::strcmp(info.name, "fc-picture") == 0 && std::strcmp(info.mime_types[0], "image/x-fc-ipf") == 0);
  for (GdkPixbufModulePattern* pattern = info.signature; pattern->prefix != nullptr; ++pattern) {
    FUZZ_CHECK(pattern->mask == nullptr || std::strlen(pattern->mask) == std::strlen(pattern->prefix));
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t inputSize) {
  if (inputSize == 0) return 0;
  static const bool infoChecked = (CheckInfo(), true);
  (void)infoChecked;
  const uint8_t control = input[inputSize - 1];
  const size_t size = inputSize - 1;
  std::unique_ptr<uint8_t[]> data(new uint8_t[size + 1]);
  std::memcpy(data.get(), input, size);

  GdkPixbufModule module{};
  fill_vtable(&module);
  Calls calls;
  calls.Decline = (control & 0x80) != 0;
  GError* error = nullptr;
  gpointer context = module.begin_load(OnSize, OnPrepared, OnUpdated, &calls, &error);
  FUZZ_CHECK(context != nullptr && error == nullptr);
  uint32_t state = control * 2654435761u + 1;
  gboolean ok = TRUE;
  for (size_t at = 0; ok && at < size;) {
    state ^= state << 13, state ^= state >> 17, state ^= state << 5;
    const size_t piece = std::min<size_t>(size - at, 1 + state % (1 + (control & 0x3F) * 37));
    ok = module.load_increment(context, data.get() + at, static_cast<guint>(piece), &error);
    CheckError(ok, &error);
    at += piece;
  }
  // gdk-pixbuf stops a load after a failed piece too.
  const gboolean stopped = module.stop_load(context, &error);
  CheckError(stopped, &error);
  FUZZ_CHECK(calls.Sizes <= 1);
  FUZZ_CHECK(!stopped || (ok && calls.Prepared == 1 && calls.Updated == 1 && !calls.Decline));
  FUZZ_CHECK(stopped || calls.Prepared == 0);
  if (!stopped) return 0;

  // The pixbuf's rows are the core's rows for the same bytes.
  GdkPixbuf* pixbuf = calls.Pixbuf;
  FUZZ_CHECK(gdk_pixbuf_get_width(pixbuf) == calls.Width && gdk_pixbuf_get_height(pixbuf) == calls.Height);
  FUZZ_CHECK(gdk_pixbuf_get_n_channels(pixbuf) == 3 && !gdk_pixbuf_get_has_alpha(pixbuf));
  PictureLoader loader;
  BeginPictureLoad(&loader, ModuleLoaderLimits);
  PictureSize picture{};
  FUZZ_CHECK(AppendPictureBytes(&loader, data.get(), size) == ResultSuccess);
  FUZZ_CHECK(DescribeLoadedPicture(&loader, &picture) == ResultSuccess);
  const size_t stride = 3 * static_cast<size_t>(picture.Width);
  std::vector<uint8_t> rgb(stride * picture.Height);
  FUZZ_CHECK(DecodeLoadedPicture(loader, picture, rgb.data(), stride) == ResultSuccess);
  for (int y = 0; y < picture.Height; ++y) {
    const guint8* row = gdk_pixbuf_read_pixels(pixbuf) + static_cast<size_t>(y) * gdk_pixbuf_get_rowstride(pixbuf);
    FUZZ_CHECK(std::memcmp(row, rgb.data() + y * stride, stride) == 0);
  }
  EndPictureLoad(&loader);
  g_object_unref(pixbuf);
  return 0;
}

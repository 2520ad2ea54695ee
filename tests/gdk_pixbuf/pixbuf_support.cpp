#include "tests/gdk_pixbuf/pixbuf_support.h"

#include <cstdlib>
#include <random>

#include "container/ipq_display_mode.h"

void UsePrivateDesktop() {
  const std::string prefix = InstallPrefix();
  const std::string share = prefix.empty() ? std::string(FC_PIXBUF_TEST_ROOT) + "/share" : prefix + "/share";
  setenv("GDK_PIXBUF_MODULE_FILE", LoaderCache().c_str(), 1);
  // Ours first, then the system's (gdk-pixbuf needs image/png to read thumbnails back).
  setenv("XDG_DATA_DIRS", (share + ":/usr/local/share:/usr/share").c_str(), 1);
  // No user database: what is known comes from the places above.
  setenv("XDG_DATA_HOME", (std::string(FC_PIXBUF_TEST_ROOT) + "/no-user-data").c_str(), 1);
}

std::string InstallPrefix() {
  const char* prefix = std::getenv("FC_INSTALL_PREFIX");
  return prefix == nullptr ? std::string() : std::string(prefix);
}

std::string LoaderCache() {
  const std::string prefix = InstallPrefix();
  return prefix.empty() ? std::string(FC_PIXBUF_TEST_ROOT) + "/loaders.cache"
                        : prefix + "/" + FC_PIXBUF_CACHE_DESTINATION + "/loaders.cache";
}

std::string SamplePath(const char* name) { return std::string(FC_SAMPLES_DIR) + "/" + name; }

Bytes FileBytes(const std::string& path) {
  gchar* contents = nullptr;
  gsize length = 0;
  if (!g_file_get_contents(path.c_str(), &contents, &length, nullptr)) return Bytes();
  Bytes bytes(contents, contents + length);
  g_free(contents);
  return bytes;
}

fcview::RgbImage Reference(const Bytes& file) {
  fcview::RgbImage image;
  if (fcview::DecodeToRgb(InputRange{file.data(), file.size()}, ShowConnected, &image) != 0) image.Width = 0;
  return image;
}

fcview::RgbImage PixelsOf(GdkPixbuf* pixbuf) {
  fcview::RgbImage image;
  if (gdk_pixbuf_get_n_channels(pixbuf) != 3 || gdk_pixbuf_get_has_alpha(pixbuf) ||
      gdk_pixbuf_get_bits_per_sample(pixbuf) != 8) {
    return image;
  }
  image.Width = gdk_pixbuf_get_width(pixbuf);
  image.Height = gdk_pixbuf_get_height(pixbuf);
  const guint8* pixels = gdk_pixbuf_read_pixels(pixbuf);
  const int stride = gdk_pixbuf_get_rowstride(pixbuf);
  for (int y = 0; y < image.Height; ++y) {
    const guint8* row = pixels + static_cast<size_t>(y) * stride;
    image.Rgb.insert(image.Rgb.end(), row, row + 3 * image.Width);
  }
  return image;
}

LoadOutcome::~LoadOutcome() {
  if (Pixbuf != nullptr) g_object_unref(Pixbuf);
  if (Error != nullptr) g_error_free(Error);
}

namespace {

struct SizeWatch {
  LoadOutcome* Outcome;
  size_t Written;
};

void OnSizePrepared(GdkPixbufLoader*, int width, int height, gpointer data) {
  SizeWatch* watch = static_cast<SizeWatch*>(data);
  watch->Outcome->SizeAnnounced = true;
  watch->Outcome->BytesBeforeSize = watch->Written;
  watch->Outcome->AnnouncedWidth = width;
  watch->Outcome->AnnouncedHeight = height;
}

} // namespace

void LoadInPieces(const Bytes& file, size_t maxPiece, uint32_t seed, bool forceType, LoadOutcome* outcome) {
  GdkPixbufLoader* loader =
      forceType ? gdk_pixbuf_loader_new_with_type("fc-picture", &outcome->Error) : gdk_pixbuf_loader_new();
  if (loader == nullptr) return;
  SizeWatch watch{outcome, 0};
  g_signal_connect(loader, "size-prepared", G_CALLBACK(OnSizePrepared), &watch);
  std::mt19937 random(seed);
  bool ok = true;
  while (ok && watch.Written < file.size()) {
    const size_t piece = std::min<size_t>(file.size() - watch.Written, 1 + random() % maxPiece);
    // A failed write closes the loader itself.
    ok = gdk_pixbuf_loader_write(loader, file.data() + watch.Written, piece, &outcome->Error);
    watch.Written += piece;
  }
  if (ok) ok = gdk_pixbuf_loader_close(loader, &outcome->Error);
  if (ok && gdk_pixbuf_loader_get_pixbuf(loader) != nullptr) {
    outcome->Pixbuf = GDK_PIXBUF(g_object_ref(gdk_pixbuf_loader_get_pixbuf(loader)));
  }
  GdkPixbufFormat* format = gdk_pixbuf_loader_get_format(loader);
  if (format != nullptr) {
    gchar* name = gdk_pixbuf_format_get_name(format);
    outcome->Format = name;
    g_free(name);
  }
  g_object_unref(loader);
}

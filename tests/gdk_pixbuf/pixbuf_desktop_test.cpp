// The desktop around the loader: thumbnails from gdk-pixbuf-thumbnailer, and
// a private install (cmake --install to a temporary prefix, run by
// tools/run-tests.sh with FC_INSTALL_PREFIX set): the module where gdk-pixbuf
// loads it, the MIME database naming our types, the thumbnailer entry.
#include <gtest/gtest.h>
#include <gio/gio.h>

#include <cmath>
#include <cstdlib>

#include "tests/gdk_pixbuf/pixbuf_support.h"

namespace {

const char* const Samples[] = {"sunset.ipf", "waves.ipq", "dusk.mcg"};
const char* const SampleTypes[] = {"image/x-fc-ipf", "image/x-fc-ipq", "image/x-fc-mcg"};

struct ScratchDir {
  ScratchDir() : Path(g_dir_make_tmp("fc-pixbuf-XXXXXX", nullptr)) {}
  ~ScratchDir() {
    const std::string command = "rm -rf '" + Path + "'";
    if (std::system(command.c_str()) != 0) ADD_FAILURE() << "cannot remove " << Path;
  }
  std::string Path;
};

// Runs the thumbnailer as a file manager does, in this process's environment.
bool Thumbnail(const std::string& input, int size, const std::string& output, std::string* errors) {
  const std::string command =
      "gdk-pixbuf-thumbnailer -s " + std::to_string(size) + " '" + input + "' '" + output + "'";
  gchar* err = nullptr;
  gint status = -1;
  const bool ran = g_spawn_command_line_sync(command.c_str(), nullptr, &err, &status, nullptr);
  *errors = err != nullptr ? err : "";
  g_free(err);
  return ran && g_spawn_check_wait_status(status, nullptr);
}

// The mean difference per channel between a thumbnail and the full picture
// scaled to its size by gdk-pixbuf.
double MeanDifference(GdkPixbuf* thumbnail, GdkPixbuf* full) {
  const int width = gdk_pixbuf_get_width(thumbnail), height = gdk_pixbuf_get_height(thumbnail);
  GdkPixbuf* scaled = gdk_pixbuf_scale_simple(full, width, height, GDK_INTERP_BILINEAR);
  const fcview::RgbImage a = PixelsOf(thumbnail), b = PixelsOf(scaled);
  g_object_unref(scaled);
  if (a.Rgb.size() != b.Rgb.size() || a.Rgb.empty()) return 1e9;
  double sum = 0;
  for (size_t i = 0; i < a.Rgb.size(); ++i) sum += std::abs(int{a.Rgb[i]} - int{b.Rgb[i]});
  return sum / static_cast<double>(a.Rgb.size());
}

void ExpectThumbnailsOfEverySample() {
  ScratchDir dir;
  for (const char* name : Samples) {
    const std::string output = dir.Path + "/" + name + ".png";
    std::string errors;
    ASSERT_TRUE(Thumbnail(SamplePath(name), 96, output, &errors)) << name << ": " << errors;
    GdkPixbuf* thumbnail = gdk_pixbuf_new_from_file(output.c_str(), nullptr);
    GdkPixbuf* full = gdk_pixbuf_new_from_file(SamplePath(name).c_str(), nullptr);
    ASSERT_NE(thumbnail, nullptr) << name << ": the thumbnail is a PNG file";
    ASSERT_NE(full, nullptr) << name;
    const int width = gdk_pixbuf_get_width(thumbnail), height = gdk_pixbuf_get_height(thumbnail);
    EXPECT_EQ(std::max(width, height), 96) << name;
    // The picture's aspect, to the pixel.
    const double aspect = double(gdk_pixbuf_get_width(full)) / gdk_pixbuf_get_height(full);
    EXPECT_LE(std::abs(width - aspect * height), 1.0 + aspect) << name;
    EXPECT_LT(MeanDifference(thumbnail, full), 4.0) << name << ": the thumbnail shows the picture";
    g_object_unref(thumbnail);
    g_object_unref(full);
  }
}

TEST(PixbufThumbnailer, MakesAThumbnailOfEverySample) { ExpectThumbnailsOfEverySample(); }

std::string GuessType(const std::string& name, const Bytes& data) {
  gchar* type = g_content_type_guess(name.empty() ? nullptr : name.c_str(), data.data(), data.size(), nullptr);
  gchar* mime = g_content_type_get_mime_type(type);
  std::string result = mime != nullptr ? mime : "";
  g_free(mime);
  g_free(type);
  return result;
}

class Installed : public testing::Test {
 protected:
  void SetUp() override {
    if (InstallPrefix().empty()) GTEST_SKIP() << "FC_INSTALL_PREFIX names no private install";
  }
};

TEST_F(Installed, ModuleAndThumbnailerEntrySitWhereTheDesktopLooksAndTheCacheNamesTheModule) {
  const std::string module = InstallPrefix() + "/" + FC_PIXBUF_MODULE_DESTINATION + "/libpixbufloader-fc.so";
  EXPECT_TRUE(g_file_test(module.c_str(), G_FILE_TEST_IS_REGULAR)) << module;
  const Bytes bytes = FileBytes(LoaderCache());
  const std::string cache(bytes.begin(), bytes.end());
  EXPECT_NE(cache.find("\"" + module + "\"\n\"fc-picture\""), std::string::npos) << cache;
  // The cache keeps the system's own loaders beside ours.
  EXPECT_NE(cache.find("libpixbufloader-bmp.so"), std::string::npos);
  const std::string entry = InstallPrefix() + "/share/thumbnailers/fc-pictures.thumbnailer";
  EXPECT_TRUE(g_file_test(entry.c_str(), G_FILE_TEST_IS_REGULAR)) << entry;
}

TEST_F(Installed, MimeDatabaseNamesOurTypesByNameAndByContent) {
  for (size_t i = 0; i < 3; ++i) {
    const Bytes data = FileBytes(SamplePath(Samples[i]));
    EXPECT_EQ(GuessType(Samples[i], Bytes()), SampleTypes[i]) << "by name";
    EXPECT_EQ(GuessType("", data), SampleTypes[i]) << Samples[i] << " by content";
    EXPECT_EQ(GuessType(std::string("picture-") + Samples[i], data), SampleTypes[i]) << "both";
  }
  EXPECT_EQ(GuessType("face.clm", Bytes()), "image/x-fc-mcg");
  // Other RIFF forms stay what they are.
  EXPECT_NE(GuessType("", Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'}).rfind("image/x-fc", 0), 0u);
}

TEST_F(Installed, ThumbnailsComeThroughTheInstalledModule) { ExpectThumbnailsOfEverySample(); }

} // namespace

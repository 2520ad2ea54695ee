// What the gdk-pixbuf tests share: the private environment gdk-pixbuf runs
// in, loading through its API, and the pictures to compare with.
#pragma once
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstdint>
#include <string>
#include <vector>

#include "fcview/pictures.h"
#include "writers/picture_writer.h"

// Points gdk-pixbuf and the MIME database at the built module and types
// (or, with FC_INSTALL_PREFIX set, at a private install there). Runs before
// anything of GLib reads its environment.
void UsePrivateDesktop();

// The prefix of the private install under test; empty when there is none.
std::string InstallPrefix();
// The loader cache gdk-pixbuf is told to read.
std::string LoaderCache();

std::string SamplePath(const char* name);
Bytes FileBytes(const std::string& path);

// The picture as the picture filter decodes it (IPQ frames connected),
// converted to RGB; Width 0 when it does not decode.
fcview::RgbImage Reference(const Bytes& file);

// A pixbuf's pixels as packed RGB rows (8-bit RGB without alpha expected).
fcview::RgbImage PixelsOf(GdkPixbuf* pixbuf);

struct LoadOutcome {
  GdkPixbuf* Pixbuf = nullptr; // owned
  GError* Error = nullptr;     // owned
  std::string Format;          // the loader gdk-pixbuf chose
  bool SizeAnnounced = false;
  size_t BytesBeforeSize = 0;  // bytes written when the size was announced
  int AnnouncedWidth = 0;
  int AnnouncedHeight = 0;
  ~LoadOutcome();
};

// Feeds `file` to a GdkPixbufLoader in pieces of 1 to `maxPiece` bytes
// (chosen by `seed`); by content sniffing, or by our loader's name when
// `forceType` is set.
void LoadInPieces(const Bytes& file, size_t maxPiece, uint32_t seed, bool forceType, LoadOutcome* outcome);

// The gdk-pixbuf loader module: F&C pictures for every program that reads
// images through gdk-pixbuf. A thin frame over the picture loader core: the
// incremental entry points collect the bytes, announce the size once the
// headers are in, and hand over one RGB pixbuf at the end; every failure
// becomes a GError.
#define GDK_PIXBUF_ENABLE_BACKEND
#include <gdk-pixbuf/gdk-pixbuf.h>
#undef GDK_PIXBUF_ENABLE_BACKEND

#include "common/result_codes.h"
#include "picture_filter/gdk_pixbuf/module_limits.h"
#include "picture_filter/gdk_pixbuf/pixbuf_messages.h"
#include "picture_filter/picture_loader.h"

namespace {

struct LoadContext {
  GdkPixbufModuleSizeFunc SizeFunc;
  GdkPixbufModulePreparedFunc PreparedFunc;
  GdkPixbufModuleUpdatedFunc UpdatedFunc;
  gpointer UserData;
  PictureLoader Loader;
  int32_t Failure;    // the first failure; no byte is taken after it
  bool SizeAnnounced;
  bool SizeDeclined;  // the caller asked for 0 x 0: it wanted the size only
};

void SetError(GError** error, int32_t result) {
  const LoadMessage message = MessageForResult(result);
  g_set_error_literal(error, GDK_PIXBUF_ERROR, message.Code, message.Text);
}

// Tells the caller the picture's size; it may answer with the size it wants
// (gdk-pixbuf then scales), or 0 x 0 when it wanted nothing more.
void AnnounceSize(LoadContext* context, const PictureSize& size) {
  context->SizeAnnounced = true;
  if (context->SizeFunc == nullptr) return;
  gint width = size.Width;
  gint height = size.Height;
  context->SizeFunc(&width, &height, context->UserData);
  context->SizeDeclined = width == 0 || height == 0;
}

gpointer BeginLoad(GdkPixbufModuleSizeFunc sizeFunc, GdkPixbufModulePreparedFunc preparedFunc,
                   GdkPixbufModuleUpdatedFunc updatedFunc, gpointer userData, GError** /*error*/) {
  LoadContext* context = g_new0(LoadContext, 1);
  context->SizeFunc = sizeFunc;
  context->PreparedFunc = preparedFunc;
  context->UpdatedFunc = updatedFunc;
  context->UserData = userData;
  BeginPictureLoad(&context->Loader, ModuleLoaderLimits);
  return context;
}

gboolean LoadIncrement(gpointer data, const guchar* bytes, guint count, GError** error) {
  LoadContext* context = static_cast<LoadContext*>(data);
  if (context->Failure == ResultSuccess) {
    context->Failure = AppendPictureBytes(&context->Loader, bytes, count);
  }
  if (context->Failure == ResultSuccess && !context->SizeAnnounced && !context->SizeDeclined) {
    const int32_t probed = ProbePictureSize(&context->Loader);
    if (probed == ResultSuccess) {
      AnnounceSize(context, context->Loader.Known);
    } else if (probed != LoadNeedsMoreData) {
      context->Failure = probed;
    }
  }
  if (context->Failure == ResultSuccess) return TRUE;
  SetError(error, context->Failure);
  return FALSE;
}

// Decodes the complete input into a new pixbuf and hands it over.
int32_t Deliver(LoadContext* context) {
  PictureSize size;
  const int32_t described = DescribeLoadedPicture(&context->Loader, &size);
  if (described != ResultSuccess) return described;
  if (!context->SizeAnnounced) AnnounceSize(context, size);
  if (context->SizeDeclined) return LoadSizeDeclined;
  GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, size.Width, size.Height);
  if (pixbuf == nullptr) return ResultNoMemory;
  const int32_t decoded = DecodeLoadedPicture(context->Loader, size, gdk_pixbuf_get_pixels(pixbuf),
                                              static_cast<size_t>(gdk_pixbuf_get_rowstride(pixbuf)));
  if (decoded == ResultSuccess) {
    if (context->PreparedFunc != nullptr) context->PreparedFunc(pixbuf, nullptr, context->UserData);
    if (context->UpdatedFunc != nullptr) context->UpdatedFunc(pixbuf, 0, 0, size.Width, size.Height, context->UserData);
  }
  g_object_unref(pixbuf);
  return decoded;
}

gboolean StopLoad(gpointer data, GError** error) {
  LoadContext* context = static_cast<LoadContext*>(data);
  int32_t result = context->Failure;
  if (result == ResultSuccess) result = Deliver(context);
  EndPictureLoad(&context->Loader);
  g_free(context);
  if (result == ResultSuccess) return TRUE;
  SetError(error, result);
  return FALSE;
}

// RIFF with the form type at offset 8, or "MCG " at the start. In a mask,
// ' ' means the byte must match and 'x' that any byte will do.
GdkPixbufModulePattern Signatures[] = {
    {const_cast<char*>("RIFFxxxxIPF "), const_cast<char*>("    xxxx    "), 100},
    {const_cast<char*>("RIFFxxxxIPQ "), const_cast<char*>("    xxxx    "), 100},
    {const_cast<char*>("MCG "), nullptr, 100},
    {nullptr, nullptr, 0},
};

const gchar* MimeTypes[] = {"image/x-fc-ipf", "image/x-fc-ipq", "image/x-fc-mcg", nullptr};
const gchar* Extensions[] = {"ipf", "ipq", "mcg", "clm", nullptr};

} // namespace

extern "C" {

G_MODULE_EXPORT void fill_vtable(GdkPixbufModule* module) {
  module->begin_load = BeginLoad;
  module->stop_load = StopLoad;
  module->load_increment = LoadIncrement;
}

G_MODULE_EXPORT void fill_info(GdkPixbufFormat* info) {
  info->name = const_cast<gchar*>("fc-picture");
  info->signature = Signatures;
  info->description = const_cast<gchar*>("F&C picture (IPF, IPQ, MCG)");
  info->mime_types = const_cast<gchar**>(MimeTypes);
  info->extensions = const_cast<gchar**>(Extensions);
  // Every load keeps its state in its own context.
  info->flags = GDK_PIXBUF_FORMAT_THREADSAFE;
  info->license = const_cast<gchar*>("Other");
}

} // extern "C"

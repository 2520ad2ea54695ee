#include "tests/qt/qt_reader_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QMutex>

#include <cstdlib>

#include "common/result_codes.h"
#include "picture_filter/picture_loader.h"

namespace {

QMutex warningLock;
QStringList warnings;
QtMessageHandler previousHandler = nullptr;

void CollectWarnings(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (context.category != nullptr && QByteArray(context.category) == "fc.pictures") {
    QMutexLocker lock(&warningLock);
    warnings << text;
    return;
  }
  previousHandler(type, context, text);
}

} // namespace

QString PluginFolder() {
  const char* chosen = std::getenv("FC_QT_PLUGIN_PATH");
  return QString::fromLocal8Bit(chosen != nullptr ? chosen : FC_QT_PLUGIN_DIR);
}

void UsePluginUnderTest() {
  qputenv("QT_PLUGIN_PATH", QFile::encodeName(PluginFolder()));
  previousHandler = qInstallMessageHandler(CollectWarnings);
}

void KeepOnlyPluginUnderTest() {
  // A plug-in installed in the system's own folder must not stand in for the one under test.
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
  const QString system = QLibraryInfo::path(QLibraryInfo::PluginsPath);
#else
  const QString system = QLibraryInfo::location(QLibraryInfo::PluginsPath);
#endif
  QStringList paths = QCoreApplication::libraryPaths();
  paths.removeAll(system);
  QCoreApplication::setLibraryPaths(paths);
}

std::string SamplePath(const char* name) { return std::string(FC_SAMPLES_DIR) + "/" + name; }

Bytes FileBytes(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) return Bytes();
  const QByteArray all = file.readAll();
  return Bytes(all.begin(), all.end());
}

QImage CoreRgb(const Bytes& file, int32_t* result) {
  PictureLoader loader;
  BeginPictureLoad(&loader, DesktopLoaderLimits);
  PictureSize size{};
  int32_t status = AppendPictureBytes(&loader, file.data(), file.size());
  if (status == ResultSuccess) status = DescribeLoadedPicture(&loader, &size);
  QImage image;
  if (status == ResultSuccess) {
    image = QImage(size.Width, size.Height, QImage::Format_RGB888);
    status = image.isNull() ? ResultNoMemory
                            : DecodeLoadedPicture(loader, size, image.bits(), static_cast<size_t>(image.bytesPerLine()));
    if (status != ResultSuccess) image = QImage();
  }
  EndPictureLoad(&loader);
  if (result != nullptr) *result = status;
  return image;
}

QImage AsRgb(const QImage& image) { return image.convertToFormat(QImage::Format_RGB888); }

QStringList TakeWarnings() {
  QMutexLocker lock(&warningLock);
  QStringList taken;
  taken.swap(warnings);
  return taken;
}

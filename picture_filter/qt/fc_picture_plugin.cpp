// The plug-in Qt loads from its imageformats folder: it offers the handler
// for the keys of fc_pictures.json, and for any device whose first bytes are
// an F&C picture's, whatever its file's name.
#include <QImageIOPlugin>

#include "picture_filter/qt/fc_picture_handler.h"

class FcPicturePlugin : public QImageIOPlugin {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QImageIOHandlerFactoryInterface" FILE "fc_pictures.json")

 public:
  Capabilities capabilities(QIODevice* device, const QByteArray& format) const override {
    if (format == "ipf" || format == "ipq" || format == "mcg" || format == "clm") return CanRead;
    if (!format.isEmpty() || device == nullptr || !device->isOpen() || !device->isReadable()) return {};
    return FcPictureHandler::canRead(device) ? CanRead : Capabilities();
  }

  QImageIOHandler* create(QIODevice* device, const QByteArray& format) const override {
    QImageIOHandler* handler = new FcPictureHandler;
    handler->setDevice(device);
    handler->setFormat(format);
    return handler;
  }
};

#include "fc_picture_plugin.moc"

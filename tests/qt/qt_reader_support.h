// What the Qt plug-in tests share: the plug-in folder Qt is pointed at, the
// loader core's pictures to compare with, and the warnings the plug-in gives.
#pragma once
#include <QImage>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <string>

#include "writers/picture_writer.h"

// Points QT_PLUGIN_PATH at the build's plug-in folder of this Qt (or at the
// folder FC_QT_PLUGIN_PATH names: an installed copy) before Qt reads it, and
// collects the plug-in's warnings. Call before the application object exists.
void UsePluginUnderTest();
// After the application object exists: only the folder under test is searched.
void KeepOnlyPluginUnderTest();
QString PluginFolder();

std::string SamplePath(const char* name);
Bytes FileBytes(const std::string& path);

// The picture as the loader core decodes it (an IPQ's frames stacked), as
// packed RGB rows; a null image when the core gives none, with its result.
QImage CoreRgb(const Bytes& file, int32_t* result = nullptr);
// Any image as packed RGB rows, for comparing pixels.
QImage AsRgb(const QImage& image);

// The plug-in's warnings since the last call.
QStringList TakeWarnings();

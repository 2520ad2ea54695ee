# Runs at the end of `cmake --install` for each Qt's plug-in: says where it
# went and, outside that Qt's own prefix, the QT_PLUGIN_PATH that makes Qt
# programs find it. Qt searches every folder of QT_PLUGIN_PATH for an
# imageformats folder and skips plug-ins built for the other Qt version, so
# one variable can name the Qt 5 and the Qt 6 folder together.
set(plugins "${CMAKE_INSTALL_PREFIX}/${FC_QT_PLUGIN_DESTINATION}")
if(DEFINED ENV{DESTDIR} AND NOT "$ENV{DESTDIR}" STREQUAL "")
  message(STATUS "F&C pictures: Qt ${FC_QT_MAJOR} plug-in staged into $ENV{DESTDIR}${plugins}/imageformats")
elseif(CMAKE_INSTALL_PREFIX STREQUAL FC_QT_SYSTEM_PREFIX)
  message(STATUS "F&C pictures: Qt ${FC_QT_MAJOR} plug-in installed in ${plugins}/imageformats, "
                 "where Qt ${FC_QT_MAJOR} programs find it")
else()
  message(STATUS "F&C pictures: Qt ${FC_QT_MAJOR} looks for plug-ins in ${FC_QT_SYSTEM_PREFIX}/${FC_QT_PLUGIN_DESTINATION} only. "
                 "To use this prefix:\n"
                 "  export QT_PLUGIN_PATH=${plugins}\${QT_PLUGIN_PATH:+:\$QT_PLUGIN_PATH}\n"
                 "or install with --prefix ${FC_QT_SYSTEM_PREFIX}.")
endif()

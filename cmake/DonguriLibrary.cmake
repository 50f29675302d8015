# SPDX-FileCopyrightText: 2026 Donguri developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Qt's headers are most of what each source file compiles; a build without ccache reads them
# once per library instead. ccache caches nothing that uses a precompiled header unless told to
# be sloppy about it, so a build through a compiler launcher goes without.
if(CMAKE_CXX_COMPILER_LAUNCHER)
  set(donguri_pch_default OFF)
else()
  set(donguri_pch_default ON)
endif()
option(DONGURI_PRECOMPILED_HEADERS "Precompile Qt's headers once per library" ${donguri_pch_default})

set(DONGURI_CORE_HEADERS <QByteArray> <QFileInfo> <QList> <QLoggingCategory> <QObject> <QString>
                         <QStringList> <functional> <memory> <optional>)
set(DONGURI_WIDGETS_HEADERS ${DONGURI_CORE_HEADERS} <QLabel> <QLineEdit> <QPainter> <QPushButton>
                            <QTimer> <QWidget>)

# donguri_add_library(name source... [PUBLIC target...] [PRIVATE target...])
# One layer of src/ as a static library. Its users include its headers by folder
# ("kb/knowledge_base.h"), so src/ is on their include path. A library that links Qt Widgets,
# itself or through a library below it, precompiles the widget headers, any other the core ones.
function(donguri_add_library name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "PUBLIC;PRIVATE")
  add_library(${name} STATIC ${arg_UNPARSED_ARGUMENTS})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${arg_PUBLIC} PRIVATE ${arg_PRIVATE})
  get_property(widget_libraries GLOBAL PROPERTY DONGURI_WIDGET_LIBRARIES)
  set(headers ${DONGURI_CORE_HEADERS})
  foreach(library IN LISTS arg_PUBLIC)
    if(library STREQUAL "Qt6::Widgets" OR library IN_LIST widget_libraries)
      set_property(GLOBAL APPEND PROPERTY DONGURI_WIDGET_LIBRARIES ${name})
      set(headers ${DONGURI_WIDGETS_HEADERS})
      break()
    endif()
  endforeach()
  if(DONGURI_PRECOMPILED_HEADERS)
    target_precompile_headers(${name} PRIVATE ${headers})
  endif()
endfunction()

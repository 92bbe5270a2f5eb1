# The self-contained Windows folder of the program, made by
# `cmake --install build-windows --prefix <folder>`:
#
#   ClientVPN.exe, README.txt   the program, and what a user adds to it (OpenVPN)
#   *.dll                       the Qt and MinGW-w64 runtime DLLs that the program and its
#                               plugins load
#   qt.conf                     makes the folder Qt's prefix: plugins and QML modules are looked
#                               up in it only, not beside it (a relocatable Qt takes the folder
#                               that holds its Core DLL for "bin" and would search its parent)
#   plugins/<type>/             the windows platform, the Schannel TLS backend and the image
#                               formats of the images in the resource bundle
#   qml/<module>/               the QML modules that the documents import, as qmlimportscanner
#                               finds them, and the Quick Controls style that they are drawn with
#
# `cmake --install --strip` also strips the DLLs of their debugging information and symbol
# tables (not needed to load them), which halves the folder.
#
# DLLs are found by CMake's runtime-dependency resolution in Qt's and MinGW-w64's folders and in
# Wine's folder of Windows' own DLLs; those last ones come with Windows and are left out.
#
# This file is read twice: by the project, which adds the install rules, and at install time,
# through the install(CODE) rule that it adds, to copy what has to be found then.

if(NOT CLIENTVPN_DEPLOYING)
    install(TARGETS ClientVPN RUNTIME DESTINATION .)
    install(FILES packaging/windows/README.txt packaging/windows/qt.conf DESTINATION .)
    install(CODE "
        set(CLIENTVPN_DEPLOYING ON)
        set(program \"$<TARGET_FILE:ClientVPN>\")
        set(qt_plugins \"${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS}\")
        set(qt_qml \"${QT6_INSTALL_PREFIX}/${QT6_INSTALL_QML}\")
        set(qt_bin \"${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS}\")
        set(qmlimportscanner \"$<TARGET_FILE:Qt6::qmlimportscanner>\")
        set(objdump \"${CMAKE_OBJDUMP}\")
        set(strip \"${CMAKE_STRIP}\")
        set(source_dir \"${CMAKE_SOURCE_DIR}\")
        set(binary_dir \"${CMAKE_BINARY_DIR}\")
        include(\"${CMAKE_CURRENT_LIST_FILE}\")")
    return()
endif()

set(folder "${CMAKE_INSTALL_PREFIX}")
set(mingw_dlls /usr/lib/gcc/x86_64-w64-mingw32/12-posix /usr/x86_64-w64-mingw32/lib)
set(windows_dlls /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)

# Plugins: the platform, the TLS backend, and an image-format plugin for every kind of image in
# the resource bundle that has one (PNG is read by Qt itself).
set(plugins "${qt_plugins}/platforms/qwindows.dll" "${qt_plugins}/tls/qschannelbackend.dll")
file(STRINGS "${source_dir}/resources.qrc" images REGEX "<file>.*\\.[A-Za-z]+</file>")
list(TRANSFORM images REPLACE ".*\\.([A-Za-z]+)</file>.*" "\\1")
list(TRANSFORM images TOLOWER)
list(REMOVE_DUPLICATES images)
foreach(suffix IN LISTS images)
    if(EXISTS "${qt_plugins}/imageformats/q${suffix}.dll")
        list(APPEND plugins "${qt_plugins}/imageformats/q${suffix}.dll")
    endif()
endforeach()
foreach(plugin IN LISTS plugins)
    get_filename_component(type "${plugin}" DIRECTORY)
    get_filename_component(type "${type}" NAME)
    file(INSTALL "${plugin}" DESTINATION "${folder}/plugins/${type}")
endforeach()

# QML modules. The documents import QtQuick.Controls only; the style comes from the resource
# bundle's qtquickcontrols2.conf, so it is scanned as an import of its own. The scanner also
# follows the optional imports of every other style, which the program never loads: those
# styles, and the native-style support that only the Windows and macOS styles use, are skipped.
file(STRINGS "${source_dir}/qml/qtquickcontrols2.conf" style REGEX "^Style=")
string(REPLACE "Style=" "" style "${style}")
file(WRITE "${binary_dir}/deploy-style.qml"
     "import QtQuick.Controls.${style}\nimport QtQml\nQtObject {}\n")
execute_process(
    COMMAND "${qmlimportscanner}" -rootPath "${source_dir}/qml" -importPath "${qt_qml}"
            -qmlFiles "${binary_dir}/deploy-style.qml"
    OUTPUT_VARIABLE imports COMMAND_ERROR_IS_FATAL ANY)
string(JSON count LENGTH "${imports}")
math(EXPR last "${count} - 1")
set(qml_plugins)
foreach(index RANGE ${last})
    # Only Qt's modules have a relative path: the program's own module and scripts have none.
    string(JSON relative ERROR_VARIABLE not_in_qt GET "${imports}" ${index} relativePath)
    if(not_in_qt)
        continue()
    endif()
    string(JSON module GET "${imports}" ${index} name)
    string(JSON path GET "${imports}" ${index} path)
    if(module STREQUAL "QtQuick.NativeStyle")
        continue()
    endif()
    if(module MATCHES "^QtQuick\\.Controls\\.([^.]+)"
       AND NOT CMAKE_MATCH_1 MATCHES "^(impl|Basic|${style})$")
        continue()
    endif()
    # A module's own files; its subfolders are other modules, listed on their own. The type
    # descriptions (*.qmltypes) serve tools only.
    file(GLOB files LIST_DIRECTORIES false "${path}/*")
    list(FILTER files EXCLUDE REGEX "\\.qmltypes$")
    file(INSTALL ${files} DESTINATION "${folder}/qml/${relative}")
    list(FILTER files INCLUDE REGEX "\\.dll$")
    list(APPEND qml_plugins ${files})
endforeach()

# The DLLs that the program, the plugins and the QML modules' plugins load, and theirs in turn.
# CMake 3.25 looks a DLL up by its name in lower case, and Qt's DLLs have mixed-case names on a
# case-sensitive file system: Qt's folder is searched through a folder of lower-case links.
set(qt_links "${binary_dir}/deploy-qt-dlls")
file(REMOVE_RECURSE "${qt_links}")
file(MAKE_DIRECTORY "${qt_links}")
file(GLOB qt_dlls "${qt_bin}/*.dll")
foreach(dll IN LISTS qt_dlls)
    get_filename_component(name "${dll}" NAME)
    string(TOLOWER "${name}" name)
    file(CREATE_LINK "${dll}" "${qt_links}/${name}" SYMBOLIC)
endforeach()
set(CMAKE_GET_RUNTIME_DEPENDENCIES_PLATFORM windows+pe)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_TOOL objdump)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_COMMAND "${objdump}")
# API-set names (api-ms-*, ext-ms-*) are no files: Windows' loader maps them onto its own DLLs.
file(GET_RUNTIME_DEPENDENCIES
     EXECUTABLES "${program}"
     MODULES ${plugins} ${qml_plugins}
     DIRECTORIES "${qt_links}" ${mingw_dlls} "${windows_dlls}"
     PRE_EXCLUDE_REGEXES "^(api|ext)-ms-"
     POST_EXCLUDE_REGEXES "^${windows_dlls}/"
     RESOLVED_DEPENDENCIES_VAR dlls
     UNRESOLVED_DEPENDENCIES_VAR missing)
if(missing)
    message(FATAL_ERROR "DLLs found neither with Qt, MinGW-w64 nor Windows: ${missing}")
endif()
foreach(dll IN LISTS dlls)
    file(REAL_PATH "${dll}" dll)
    file(INSTALL "${dll}" DESTINATION "${folder}")
endforeach()

if(CMAKE_INSTALL_DO_STRIP)
    file(GLOB_RECURSE installed "${folder}/*.dll")
    foreach(dll IN LISTS installed)
        execute_process(COMMAND "${strip}" --strip-unneeded "${dll}" COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
endif()

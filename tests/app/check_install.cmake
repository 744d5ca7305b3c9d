# Installs the build into a scratch prefix and validates what a desktop
# installs: run with -DBUILD_DIR=... -DPREFIX=... -DAPP_ID=...
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed")
endif()

# The translations are built into the program: no file of theirs to install.
foreach(expected
    bin/quorvel
    bin/quorvel-inspect
    share/applications/${APP_ID}.desktop
    share/dbus-1/services/${APP_ID}.service
    share/metainfo/${APP_ID}.metainfo.xml
    share/icons/hicolor/scalable/apps/${APP_ID}.svg)
  if(NOT EXISTS "${PREFIX}/${expected}")
    message(FATAL_ERROR "not installed: ${expected}")
  endif()
endforeach()
foreach(optional ${EXTRA_FILES})
  if(NOT EXISTS "${PREFIX}/${optional}")
    message(FATAL_ERROR "not installed: ${optional}")
  endif()
endforeach()

execute_process(COMMAND desktop-file-validate "${PREFIX}/share/applications/${APP_ID}.desktop"
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT status EQUAL 0 OR out MATCHES "error|warning")
  message(FATAL_ERROR "desktop-file-validate: ${out}")
endif()
# The bus starts the program by its id for the D-Bus activatable entry.
string(REPLACE "." "\\." id_pattern "${APP_ID}")
file(READ "${PREFIX}/share/dbus-1/services/${APP_ID}.service" service)
if(NOT service MATCHES "^\\[D-BUS Service\\]\nName=${id_pattern}\nExec=/[^\n]*/bin/quorvel\n$")
  message(FATAL_ERROR "D-Bus service file: ${service}")
endif()
execute_process(COMMAND appstreamcli validate --no-net "${PREFIX}/share/metainfo/${APP_ID}.metainfo.xml"
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "appstreamcli validate: ${out}")
endif()
message(STATUS "installed tree is valid")

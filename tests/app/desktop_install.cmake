# Installs only the window's part of a build into a scratch prefix and checks
# that the menu entry and its icon come with the program, not with the
# command, and that the entry validates without even a hint.
# usage: cmake -DBUILD=dir -DPREFIX=dir -DVALIDATE=desktop-file-validate -P desktop_install.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX} --component window
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install of the window failed: ${rc}")
endif()

set(entry ${PREFIX}/share/applications/plinkavorte.desktop)
foreach(file bin/plinkavorte share/applications/plinkavorte.desktop
             share/icons/hicolor/scalable/apps/plinkavorte.svg share/icons/hicolor/128x128/apps/plinkavorte.png
             share/metainfo/org.plinkavorte.Plinkavorte.metainfo.xml)
  if(NOT EXISTS ${PREFIX}/${file})
    message(FATAL_ERROR "not installed with the window: ${file}")
  endif()
endforeach()
if(EXISTS ${PREFIX}/bin/plinkavorte-batch)
  message(FATAL_ERROR "the window's install brought the command along")
endif()

file(STRINGS ${entry} icon REGEX "^Icon=")
if(NOT icon STREQUAL "Icon=plinkavorte")
  message(FATAL_ERROR "the entry names another icon: ${icon}")
endif()

if(NOT VALIDATE)
  message(FATAL_ERROR "desktop-file-validate is missing (package desktop-file-utils)")
endif()
execute_process(COMMAND ${VALIDATE} ${entry} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0 OR NOT out STREQUAL "")
  message(FATAL_ERROR "desktop-file-validate: ${out}")
endif()

# `cmake --install`: the program and its phone library in a private folder, a launcher on the
# PATH, and what a desktop expects of an application (icons, desktop entry, metainfo, man page).
include(GNUInstallDirs)

# Not CMAKE_INSTALL_LIBDIR: Debian's multiarch folder is for public libraries, and this folder
# holds the program itself too.
set(ZANDREL_PRIVATE_DIR lib/zandrel)
set(ZANDREL_DATA_DIR ${CMAKE_INSTALL_DATADIR}/zandrel)
set(ZANDREL_APP_ID org.example.zandrel)
# The licence as SPDX names it, for the metainfo; LICENSE holds its text, data/copyright says
# the same in Debian's words (GPL-3+), and the About box and the man page name it too.
set(ZANDREL_LICENSE GPL-3.0-or-later)
# Clean lists (*.df) as a file type of their own, so a file manager opens them with Zandrel.
set(ZANDREL_LIST_TYPE application-x-zandrel-clean-list)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# RUNPATH $ORIGIN finds the libp2kapi.so installed beside the program. With the USB library
# built, that is the real phone's, and the emulator waits in a folder of its own for
# `zandrel --emulator`, which puts it on LD_LIBRARY_PATH (searched before RUNPATH).
install(TARGETS zandrel RUNTIME DESTINATION ${ZANDREL_PRIVATE_DIR})
if(TARGET p2kusb)
  install(TARGETS p2kusb LIBRARY DESTINATION ${ZANDREL_PRIVATE_DIR} NAMELINK_SKIP)
  install(TARGETS p2kapi LIBRARY DESTINATION ${ZANDREL_PRIVATE_DIR}/emulator NAMELINK_SKIP)
else()
  install(TARGETS p2kapi LIBRARY DESTINATION ${ZANDREL_PRIVATE_DIR} NAMELINK_SKIP)
endif()
install(FILES ${ZANDREL_LANGUAGE_FILES} DESTINATION ${ZANDREL_PRIVATE_DIR})

# The launcher finds the private folder relative to itself, so a DESTDIR tree works as well.
file(RELATIVE_PATH ZANDREL_BIN_TO_PRIVATE ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}
     ${CMAKE_INSTALL_PREFIX}/${ZANDREL_PRIVATE_DIR})
set(generated ${CMAKE_BINARY_DIR}/install)
configure_file(${PROJECT_SOURCE_DIR}/data/zandrel.sh.in ${generated}/zandrel @ONLY)
install(PROGRAMS ${generated}/zandrel DESTINATION ${CMAKE_INSTALL_BINDIR})
# What the program puts into the working folders it makes (src/app/WorkFolder.h): the READMEs,
# and the demo's made-up sample files, which only the emulator's working folder gets. src/app
# finds this folder from the program's own in the same way.
install(FILES ${PROJECT_SOURCE_DIR}/data/work-folder-README.txt
              ${PROJECT_SOURCE_DIR}/data/emulator-folder-README.txt
        DESTINATION ${ZANDREL_DATA_DIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/demo/orfiles ${PROJECT_SOURCE_DIR}/demo/seem
        DESTINATION ${ZANDREL_DATA_DIR} FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

set(icons ${PROJECT_SOURCE_DIR}/src/ui/look/resources)
foreach(size 16 32 48 128)
  install(FILES ${icons}/zandrel-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME ${ZANDREL_APP_ID}.png)
endforeach()
install(FILES ${icons}/zandrel.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${ZANDREL_APP_ID}.svg)
install(FILES ${PROJECT_SOURCE_DIR}/data/${ZANDREL_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/mime/${ZANDREL_APP_ID}.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES ${PROJECT_SOURCE_DIR}/data/mime/${ZANDREL_LIST_TYPE}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/mimetypes)
configure_file(${PROJECT_SOURCE_DIR}/data/${ZANDREL_APP_ID}.metainfo.xml.in
               ${generated}/${ZANDREL_APP_ID}.metainfo.xml @ONLY)
install(FILES ${generated}/${ZANDREL_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Man page and the Debian changelog are installed compressed, without name or time stamp.
configure_file(${PROJECT_SOURCE_DIR}/data/changelog.in ${generated}/changelog @ONLY)
set(compressed)
foreach(file ${PROJECT_SOURCE_DIR}/data/zandrel.1 ${generated}/changelog)
  get_filename_component(name ${file} NAME)
  add_custom_command(OUTPUT ${generated}/${name}.gz
    COMMAND gzip -9n -c ${file} > ${generated}/${name}.gz
    DEPENDS ${file})
  list(APPEND compressed ${generated}/${name}.gz)
endforeach()
add_custom_target(zandrel_install_files ALL DEPENDS ${compressed})
install(FILES ${generated}/zandrel.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${generated}/changelog.gz ${PROJECT_SOURCE_DIR}/data/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zandrel)

if(EXISTS ${PROJECT_SOURCE_DIR}/data/70-zandrel-p2k.rules)
  install(FILES ${PROJECT_SOURCE_DIR}/data/70-zandrel-p2k.rules DESTINATION lib/udev/rules.d)
endif()

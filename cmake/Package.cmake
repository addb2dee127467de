# `cpack` (bash scripts/package.sh): a Debian package of the installed tree.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zandrel)
set(CPACK_PACKAGE_VENDOR "Zandrel developers")
set(CPACK_PACKAGE_CONTACT "Zandrel developers <zandrel@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tidy the file system of a P2K-family mobile phone")
set(CPACK_PACKAGE_DESCRIPTION
    "Zandrel reads the list of files on an old P2K-family mobile phone attached
by USB, lets you tick files by hand or by category (audio, pictures, MMS
templates, camera sounds, themes, video) and deletes them from the phone. It
also rewrites the ringtone settings, uploads stock files and deletes lists of
phone files as a batch. Before a file is deleted or replaced, a copy is kept
on the computer and can be put back; backups of the whole phone are made and
restored with a checksum for each file. A phone emulator comes with it, so it
can be tried without a phone. Captions are in Russian or English.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Our own maintainer scripts, which tell udev of the phone's rule. CPack would otherwise write
# scripts that run ldconfig for the libraries in /usr/lib/zandrel, a private folder the dynamic
# linker never searches (the program finds them by RUNPATH).
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/data/debian/postinst ${PROJECT_SOURCE_DIR}/data/debian/postrm)
# Library dependencies come from dpkg-shlibdeps. It cannot see that the captions need a font with
# Cyrillic letters, which a minimal system may lack, and that DejaVu Sans stands in for the
# windows' face only narrowed to its condensed face (fonts-dejavu-extra, which brings the rest).
# Qt's own dialogs (file dialogs, buttons) speak the chosen language with Qt's translations.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-extra | fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
include(CPack)

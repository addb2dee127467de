# Everything beyond building and testing the program: its language files, the install rules,
# the Debian package and the checks of the installed tree.
include(${CMAKE_CURRENT_LIST_DIR}/LanguageFiles.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/Install.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/Package.cmake)

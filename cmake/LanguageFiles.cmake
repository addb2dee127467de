# rus.lng and eng.lng are kept as readable UTF-8 with LF line ends in data/lng/. The program reads
# them as Windows-1251 with CR LF line ends, so the build writes them that way beside zandrel,
# where the run command and the tests find them.
set(ZANDREL_LANGUAGE_FILES)
foreach(name rus.lng eng.lng)
  set(built ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${name})
  add_custom_command(
    OUTPUT ${built}
    COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/encode-language-file.sh
            ${PROJECT_SOURCE_DIR}/data/lng/${name} ${built}
    DEPENDS ${PROJECT_SOURCE_DIR}/data/lng/${name} ${CMAKE_CURRENT_LIST_DIR}/encode-language-file.sh
    COMMENT "Writing ${name} in Windows-1251"
    VERBATIM)
  list(APPEND ZANDREL_LANGUAGE_FILES ${built})
endforeach()
add_custom_target(zandrel_language_files ALL DEPENDS ${ZANDREL_LANGUAGE_FILES})
# Building the program alone (the run command) brings its captions along.
add_dependencies(zandrel zandrel_language_files)

# Collects the looked-up texts of src/ into a copy of each translation
# source and fails when the copy differs: a text that is new, changed or gone
# since the translation was last brought up to date.
# run with -DLUPDATE=... -DSOURCE_DIR=... -DTS_FILES=a.ts,b.ts -DWORK=...
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
file(GLOB_RECURSE sources "${SOURCE_DIR}/src/*.cpp" "${SOURCE_DIR}/src/*.h" "${SOURCE_DIR}/src/*.ui")
list(JOIN sources "\n" listing)
file(WRITE "${WORK}/sources.lst" "${listing}\n")
string(REPLACE "," ";" ts_files "${TS_FILES}")
foreach(ts ${ts_files})
  get_filename_component(name "${ts}" NAME)
  configure_file("${ts}" "${WORK}/${name}" COPYONLY)
  execute_process(COMMAND "${LUPDATE}" -silent -locations none -no-obsolete -I "${SOURCE_DIR}/src"
                          "@${WORK}/sources.lst" -ts "${WORK}/${name}"
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "lupdate failed on ${name}")
  endif()
  execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${ts}" "${WORK}/${name}" RESULT_VARIABLE differs)
  if(differs)
    execute_process(COMMAND diff -u "${ts}" "${WORK}/${name}")
    message(FATAL_ERROR "${name} is not up to date with the sources: build the target "
                        "update_translations, then translate what it marks unfinished")
  endif()
endforeach()
message(STATUS "translation sources are up to date")

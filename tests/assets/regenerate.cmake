# Runs assetgen into WORK_DIR and compares every file it writes with ASSETS_DIR.
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
execute_process(COMMAND "${ASSETGEN}" "${WORK_DIR}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "assetgen failed: ${result}")
endif()

file(GLOB_RECURSE generated RELATIVE "${WORK_DIR}" "${WORK_DIR}/*")
file(GLOB_RECURSE committed RELATIVE "${ASSETS_DIR}" "${ASSETS_DIR}/pictures/*"
     "${ASSETS_DIR}/logos/*" "${ASSETS_DIR}/faces/*" "${ASSETS_DIR}/icons/*")
list(SORT generated)
list(SORT committed)
if(NOT generated STREQUAL committed)
  message(FATAL_ERROR "assetgen writes [${generated}] but assets/ holds [${committed}]")
endif()
list(LENGTH generated count)
if(count LESS 17)
  message(FATAL_ERROR "assetgen wrote only ${count} files")
endif()

set(differ "")
foreach(name IN LISTS generated)
  file(SHA256 "${WORK_DIR}/${name}" fresh)
  file(SHA256 "${ASSETS_DIR}/${name}" kept)
  if(NOT fresh STREQUAL kept)
    if(name MATCHES "^icons/.*[.]png$" AND COMPARE)
      # The icons are painted antialiased, and Qt's smooth drawing rounds the
      # last bit differently on processors with other vector units: an icon
      # passes when no channel of any pixel is off by more than one level.
      execute_process(COMMAND "${COMPARE}" -metric AE -fuzz 0.5%
                              "${WORK_DIR}/${name}" "${ASSETS_DIR}/${name}" null:
                      ERROR_VARIABLE pixels RESULT_VARIABLE ignored)
      string(STRIP "${pixels}" pixels)
      if(pixels STREQUAL "0")
        continue()
      endif()
    endif()
    list(APPEND differ "${name}")
  endif()
endforeach()
if(differ)
  message(FATAL_ERROR "regenerated files differ from assets/: ${differ}")
endif()
message(STATUS "all ${count} files regenerate unchanged")

# Writes the browser folder's sw.js from its template once the folder's other
# files are in place: the list of files the worker keeps, and the version its
# cache is named by, a hash of the template and of every one of those files,
# so that any changed byte makes a new cache that replaces the old one.
#
#   cmake -DFOLDER=build/web -DTEMPLATE=web/sw.js.in -DFILES=index.html,velnar.js,...
#         -P web/service_worker.cmake
#
# The files are named relative to the folder, parted by commas (a semicolon
# would part the arguments of a build command).
foreach(var FOLDER TEMPLATE FILES)
  if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
    message(FATAL_ERROR "service_worker.cmake needs -D${var}=...")
  endif()
endforeach()

string(REPLACE "," ";" FILES "${FILES}")
file(SHA256 "${TEMPLATE}" template_hash)
set(hashes "sw.js.in ${template_hash}\n")
set(names "")
list(REMOVE_DUPLICATES FILES)
list(SORT FILES)
foreach(name IN LISTS FILES)
  if(NOT EXISTS "${FOLDER}/${name}")
    message(FATAL_ERROR "the worker is to keep ${name}, which is not in ${FOLDER}")
  endif()
  file(SHA256 "${FOLDER}/${name}" hash)
  string(APPEND hashes "${name} ${hash}\n")
  list(APPEND names "\"${name}\"")
endforeach()
string(SHA256 version "${hashes}")
string(SUBSTRING "${version}" 0 16 VELNAR_CACHE_VERSION)
list(JOIN names ",\n  " VELNAR_CACHE_FILES)
set(VELNAR_CACHE_FILES "[\n  ${VELNAR_CACHE_FILES}\n]")

file(READ "${TEMPLATE}" worker)
string(CONFIGURE "${worker}" worker @ONLY)
file(WRITE "${FOLDER}/sw.js" "${worker}")

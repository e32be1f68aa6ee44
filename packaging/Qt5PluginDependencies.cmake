# SPDX-License-Identifier: MIT
# Run by cpack on the staged package (CPACK_PRE_BUILD_SCRIPTS), in place of
# CPack's own dpkg-shlibdeps run. The programs' libraries become Depends as
# before; the Qt 5 image plugin's become Suggests. The plugin is only ever
# loaded into a Qt 5 program, which brings Qt 5 along, and a viewer built
# on Qt 6 must not pull a second Qt onto every system (Debian packages do
# the same with dh_shlibdeps -X and dpkg-shlibdeps -dSuggests).
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
set(root ${CPACK_TEMPORARY_DIRECTORY})
file(GLOB_RECURSE staged LIST_DIRECTORIES false RELATIVE ${root} ${root}/*)
set(programs)
set(plugins)
foreach(path IN LISTS staged)
  if(IS_SYMLINK ${root}/${path})
    continue()
  endif()
  file(READ ${root}/${path} magic LIMIT 4 HEX)
  if(NOT magic STREQUAL "7f454c46")
    continue()
  endif()
  if(path MATCHES "/qt5/plugins/")
    list(APPEND plugins ${path})
  else()
    list(APPEND programs ${path})
  endif()
endforeach()
if(NOT plugins OR NOT programs)
  return()
endif()

find_program(QUILLET_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(NOT QUILLET_DPKG_SHLIBDEPS)
  message(FATAL_ERROR "dpkg-shlibdeps not found (Debian: dpkg-dev)")
endif()
# dpkg-shlibdeps wants a source package's control file, and DEBIAN beside
# it to resolve $ORIGIN.
file(MAKE_DIRECTORY ${root}/debian ${root}/DEBIAN)
file(TOUCH ${root}/debian/control)
execute_process(
  COMMAND ${QUILLET_DPKG_SHLIBDEPS} --ignore-missing-info -O ${programs} -dSuggests ${plugins}
  WORKING_DIRECTORY ${root}
  OUTPUT_VARIABLE substvars
  ERROR_VARIABLE errors
  RESULT_VARIABLE result)
file(REMOVE_RECURSE ${root}/debian ${root}/DEBIAN)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "dpkg-shlibdeps failed: ${errors}")
endif()

foreach(field Depends Suggests)
  string(TOUPPER ${field} upper)
  if(substvars MATCHES "shlibs:${field}=([^\n]*)")
    if(CPACK_DEBIAN_PACKAGE_${upper})
      set(CPACK_DEBIAN_PACKAGE_${upper} "${CPACK_DEBIAN_PACKAGE_${upper}}, ${CMAKE_MATCH_1}")
    else()
      set(CPACK_DEBIAN_PACKAGE_${upper} "${CMAKE_MATCH_1}")
    endif()
  endif()
endforeach()
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)

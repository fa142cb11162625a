# The Python package (python/swmatrix) for Debian's python3: installed with a
# dist-info directory, so that its pytest plugin is found through the pytest11
# entry point; packaged as python3-swmatrix. A system install (prefix /usr,
# the Debian package) puts it into lib/python3/dist-packages, any other prefix
# into lib/python3.N/dist-packages, where Debian's python3 looks under
# /usr/local; decided when installing, as for /etc/swmatrix.
find_program(SWM_SYSTEM_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(NOT SWM_SYSTEM_PYTHON)
  message(WARNING "/usr/bin/python3 not found: the Python package is not installed")
  return()
endif()
execute_process(COMMAND ${SWM_SYSTEM_PYTHON} -c "import sys; print('%d.%d' % sys.version_info[:2])"
  OUTPUT_VARIABLE SWM_PYTHON_VERSION OUTPUT_STRIP_TRAILING_WHITESPACE)
set(SWM_PYTHON_DIST_INFO ${CMAKE_BINARY_DIR}/generated/swmatrix-${PROJECT_VERSION}.dist-info)
file(WRITE ${SWM_PYTHON_DIST_INFO}/METADATA "Metadata-Version: 2.1\nName: swmatrix\nVersion: ${PROJECT_VERSION}\n"
  "Summary: Drive the swmatrix module of instrument drivers and its simulator swmsim from Python\n")
file(WRITE ${SWM_PYTHON_DIST_INFO}/entry_points.txt "[pytest11]\nswmatrix = swmatrix.pytest_plugin\n")
file(WRITE ${SWM_PYTHON_DIST_INFO}/top_level.txt "swmatrix\n")
file(GLOB SWM_PYTHON_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/python/swmatrix/*.py)
install(CODE "
  if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
    set(swm_site \${CMAKE_INSTALL_PREFIX}/lib/python3/dist-packages)
  else()
    set(swm_site \${CMAKE_INSTALL_PREFIX}/lib/python${SWM_PYTHON_VERSION}/dist-packages)
  endif()
  file(INSTALL ${SWM_PYTHON_FILES} ${CMAKE_SOURCE_DIR}/python/swmatrix/py.typed DESTINATION \${swm_site}/swmatrix)
  file(INSTALL ${SWM_PYTHON_DIST_INFO} DESTINATION \${swm_site})" COMPONENT python)

set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-swmatrix)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_DEBIAN_PYTHON_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "python3, swmatrix (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_PYTHON_PACKAGE_SUGGESTS "python3-pytest")
set(CPACK_DEBIAN_PYTHON_DESCRIPTION "Python bindings of swmatrix, with pytest fixtures
import swmatrix drives the swmatrix module through its exported functions
(ctypes) and runs the instrument simulator swmsim; its pytest plugin gives
bench tests a module, a simulator and a configured driver.")
install(FILES ${CMAKE_BINARY_DIR}/generated/changelog.gz ${CMAKE_SOURCE_DIR}/packaging/copyright
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/python3-swmatrix COMPONENT python)
list(APPEND CPACK_COMPONENTS_ALL python)

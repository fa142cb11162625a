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
# The dist-info directory comes from the package's own build backend, so that
# pyproject.toml stays the one source of the metadata; its version must be the
# project's.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/python/pyproject.toml
  ${CMAKE_SOURCE_DIR}/python/README.md ${CMAKE_SOURCE_DIR}/python/swmatrix/__init__.py)
file(REMOVE_RECURSE ${CMAKE_BINARY_DIR}/generated/python)
execute_process(COMMAND ${SWM_SYSTEM_PYTHON} ${CMAKE_SOURCE_DIR}/python/build_backend.py dist-info
    ${CMAKE_BINARY_DIR}/generated/python
  OUTPUT_VARIABLE swm_dist_info OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE swm_dist_info_result)
if(NOT swm_dist_info_result EQUAL 0 OR NOT swm_dist_info STREQUAL "swmatrix-${PROJECT_VERSION}.dist-info")
  message(FATAL_ERROR "python/build_backend.py gave '${swm_dist_info}' (${swm_dist_info_result}): "
    "__version__ in python/swmatrix/__init__.py must be the project's version ${PROJECT_VERSION}")
endif()
set(SWM_PYTHON_DIST_INFO ${CMAKE_BINARY_DIR}/generated/python/${swm_dist_info})
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

# Installation and packaging: `cmake --install` (prefix and DESTDIR as usual),
# pkg-config and CMake package files, manual pages, and the Debian packages
# built by CPack (`./swm package`).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# The simulated vendor libraries live in a private directory, never where the
# dynamic linker (or a host looking for a real vendor library) would find them.
set(SWM_INSTALL_SIMLIBDIR ${CMAKE_INSTALL_LIBDIR}/swmatrix/sim)
set(SWM_INSTALL_EXAMPLESDIR ${CMAKE_INSTALL_DATADIR}/swmatrix/examples)

install(TARGETS swmatrix EXPORT swmatrixTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/include/swmatrix ${SWM_GENERATED_INCLUDE_DIR}/swmatrix
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev PATTERN "*.in" EXCLUDE)
# The service-request library goes into the module's private directory, where
# the module looks for it beside itself.
install(TARGETS swmgpibsrq LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/swmatrix COMPONENT runtime
  PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
install(TARGETS swmhost swmsim swmlog RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
# Every simulated library target below sim/libs (new ones are found without a list here).
function(swm_shared_libraries_below directory result)
  get_property(targets DIRECTORY ${directory} PROPERTY BUILDSYSTEM_TARGETS)
  set(found)
  foreach(target ${targets})
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "SHARED_LIBRARY")
      list(APPEND found ${target})
    endif()
  endforeach()
  get_property(subdirectories DIRECTORY ${directory} PROPERTY SUBDIRECTORIES)
  foreach(subdirectory ${subdirectories})
    swm_shared_libraries_below(${subdirectory} more)
    list(APPEND found ${more})
  endforeach()
  set(${result} ${found} PARENT_SCOPE)
endfunction()
swm_shared_libraries_below(${CMAKE_SOURCE_DIR}/sim/libs SWM_SIMULATED_LIBRARIES)
install(TARGETS ${SWM_SIMULATED_LIBRARIES} LIBRARY DESTINATION ${SWM_INSTALL_SIMLIBDIR} COMPONENT runtime
  PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/examples/ DESTINATION ${SWM_INSTALL_EXAMPLESDIR} COMPONENT runtime)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT runtime
  PATTERN examples EXCLUDE PATTERN man EXCLUDE)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT runtime)
configure_file(${CMAKE_SOURCE_DIR}/packaging/changelog.in ${CMAKE_BINARY_DIR}/generated/changelog @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/generated/changelog.gz
  COMMAND gzip -9nc ${CMAKE_BINARY_DIR}/generated/changelog > ${CMAKE_BINARY_DIR}/generated/changelog.gz
  DEPENDS ${CMAKE_BINARY_DIR}/generated/changelog)
add_custom_target(swm_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/generated/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/generated/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT runtime)
install(FILES ${CMAKE_BINARY_DIR}/generated/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/swmatrix-dev
  COMPONENT dev)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/swmatrix-dev
  COMPONENT dev)

# The machine-wide configuration: the serial ports directory and the registry
# file (empty, so every look-up takes its "not found" path until a user fills it).
# The module reads /etc/swmatrix: an install with the prefix /usr (a system
# install, the Debian package) puts the files there; any other prefix gets an
# etc/ of its own. Decided when installing, since `cmake --install --prefix`
# and CPack choose the prefix then.
install(CODE "
  if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
    set(swm_etc /etc/swmatrix)
  else()
    set(swm_etc \${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_SYSCONFDIR}/swmatrix)
  endif()
  file(INSTALL ${CMAKE_SOURCE_DIR}/packaging/registry.ini DESTINATION \${swm_etc})
  file(MAKE_DIRECTORY \$ENV{DESTDIR}\${swm_etc}/ports)" COMPONENT runtime)

# pkg-config and find_package(swmatrix).
# Relocatable: the prefix is found from the .pc file's own directory.
file(RELATIVE_PATH SWM_PC_PREFIX_FROM_PCDIR /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
configure_file(${CMAKE_SOURCE_DIR}/packaging/swmatrix.pc.in ${CMAKE_BINARY_DIR}/generated/swmatrix.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/generated/swmatrix.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)
set(SWM_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/swmatrix)
install(EXPORT swmatrixTargets NAMESPACE swmatrix:: DESTINATION ${SWM_INSTALL_CMAKEDIR} COMPONENT dev)
configure_package_config_file(${CMAKE_SOURCE_DIR}/packaging/swmatrixConfig.cmake.in
  ${CMAKE_BINARY_DIR}/generated/swmatrixConfig.cmake INSTALL_DESTINATION ${SWM_INSTALL_CMAKEDIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/generated/swmatrixConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/generated/swmatrixConfig.cmake
  ${CMAKE_BINARY_DIR}/generated/swmatrixConfigVersion.cmake DESTINATION ${SWM_INSTALL_CMAKEDIR} COMPONENT dev)

# Bash completion of the three programs, where bash-completion looks for them
# (its folder below the installation prefix; share/bash-completion/completions
# when bash-completion is not installed on the build machine).
set(SWM_INSTALL_COMPLETIONSDIR ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
pkg_get_variable(SWM_COMPLETIONS_DIR bash-completion completionsdir)
pkg_get_variable(SWM_COMPLETIONS_PREFIX bash-completion prefix)
if(SWM_COMPLETIONS_DIR AND SWM_COMPLETIONS_PREFIX AND SWM_COMPLETIONS_DIR MATCHES "^${SWM_COMPLETIONS_PREFIX}/")
  string(LENGTH "${SWM_COMPLETIONS_PREFIX}/" length)
  string(SUBSTRING "${SWM_COMPLETIONS_DIR}" ${length} -1 SWM_INSTALL_COMPLETIONSDIR)
endif()
install(FILES ${CMAKE_SOURCE_DIR}/packaging/completions/swmhost ${CMAKE_SOURCE_DIR}/packaging/completions/swmsim
              ${CMAKE_SOURCE_DIR}/packaging/completions/swmlog
        DESTINATION ${SWM_INSTALL_COMPLETIONSDIR} COMPONENT runtime)

# Manual pages, from their Markdown sources in docs/man/.
find_program(GO_MD2MAN_EXECUTABLE go-md2man)
if(GO_MD2MAN_EXECUTABLE)
  file(GLOB SWM_MAN_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/man/*.md)
  set(SWM_MAN_PAGES)
  foreach(source ${SWM_MAN_SOURCES})
    get_filename_component(name_and_section ${source} NAME)   # swmhost.1.md
    string(REGEX REPLACE "\\.md$" "" page ${name_and_section})
    string(REGEX REPLACE "^.*\\." "" section ${page})
    set(output ${CMAKE_BINARY_DIR}/man/${page})
    # The version in each page's header comes from the project's one version.
    configure_file(${source} ${CMAKE_BINARY_DIR}/generated/man/${name_and_section} @ONLY)
    add_custom_command(OUTPUT ${output}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
      COMMAND ${GO_MD2MAN_EXECUTABLE} -in ${CMAKE_BINARY_DIR}/generated/man/${name_and_section} -out ${output}
      COMMAND gzip -9nkf ${output}
      DEPENDS ${CMAKE_BINARY_DIR}/generated/man/${name_and_section} VERBATIM)
    list(APPEND SWM_MAN_PAGES ${output})
    install(FILES ${output}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section} COMPONENT runtime)
  endforeach()
  add_custom_target(swm_man ALL DEPENDS ${SWM_MAN_PAGES})
else()
  message(WARNING "go-md2man not found: manual pages are not built")
endif()

# Debian packages: swmatrix (module, programs, simulated libraries, manual
# pages, /etc/swmatrix), swmatrix-dev (headers, pkg-config, CMake package) and
# python3-swmatrix (the Python package, cmake/SwmPython.cmake).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME swmatrix)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "swmatrix developers <swmatrix@example.org>")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_STRIP_FILES ON)
# Install into the staging directory with the real prefix, so that files
# outside it (/etc) land where they belong.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime dev)
include(cmake/SwmPython.cmake)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME swmatrix)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION science)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "device drivers for EMC test set-ups, with simulator and tools
swmatrix is a plug-in module of device drivers for the RF switch matrices,
amplifier interlocks, relay cards, on-screen displays and antenna towers of
EMC test set-ups. It ships the module, the stand-in host swmhost, the
instrument simulator swmsim with its simulated vendor libraries, and the log
viewer swmlog.")
set(CPACK_DEBIAN_DEV_PACKAGE_NAME swmatrix-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "swmatrix (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_DEV_DESCRIPTION "development files of swmatrix
The C header of the module's 18 exported functions, the header-only loader
for C++ hosts, the automation interface, pkg-config and CMake package files.")
# The registry file is a conffile: an upgrade keeps what the user wrote into it.
# The dynamic linker's cache is refreshed by a trigger when the module comes or
# goes. Only the module is a public library: the simulated vendor libraries in
# their private directory are not announced in shlibs.
file(WRITE ${CMAKE_BINARY_DIR}/generated/conffiles "/etc/swmatrix/registry.ini\n")
file(WRITE ${CMAKE_BINARY_DIR}/generated/triggers "activate-noawait ldconfig\n")
file(WRITE ${CMAKE_BINARY_DIR}/generated/shlibs
  "libswmatrix ${PROJECT_VERSION_MAJOR} swmatrix (>= ${PROJECT_VERSION})\n")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/generated/conffiles
  ${CMAKE_BINARY_DIR}/generated/triggers ${CMAKE_BINARY_DIR}/generated/shlibs)
include(CPack)

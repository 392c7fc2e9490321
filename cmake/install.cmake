# Install rules, CMake package config and pkg-config file.
#
# The library goes to the library directory with the default kadb.ini beside it (the
# library reads its configuration from its own directory), the public header to the
# include directory, and two ways for an application to find them: find_package(kavdbmgr)
# giving the target kavdbmgr::kavdbmgr, and pkg-config's kavdbmgr.pc.
include(CMakePackageConfigHelpers)

set(KAVDB_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/kavdbmgr)

# Installed programs find the library relative to their own place ($ORIGIN/../lib), so an
# install under any prefix runs without LD_LIBRARY_PATH; an absolute library directory is
# named as it is.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
  set(KAVDB_INSTALL_RPATH "${CMAKE_INSTALL_LIBDIR}")
else()
  file(RELATIVE_PATH KAVDB_BIN_TO_LIB /${CMAKE_INSTALL_BINDIR} /${CMAKE_INSTALL_LIBDIR})
  set(KAVDB_INSTALL_RPATH "$ORIGIN/${KAVDB_BIN_TO_LIB}")
endif()

install(TARGETS kavdbmgr EXPORT kavdbmgrTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${PROJECT_SOURCE_DIR}/config/kadb.ini DESTINATION ${CMAKE_INSTALL_LIBDIR})

install(EXPORT kavdbmgrTargets NAMESPACE kavdbmgr:: DESTINATION ${KAVDB_CMAKE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/kavdbmgrConfig.cmake.in
  ${PROJECT_BINARY_DIR}/kavdbmgrConfig.cmake INSTALL_DESTINATION ${KAVDB_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/kavdbmgrConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/kavdbmgrConfig.cmake
  ${PROJECT_BINARY_DIR}/kavdbmgrConfigVersion.cmake DESTINATION ${KAVDB_CMAKE_DIR})

# The .pc file finds the prefix from its own place, so the installed tree may be moved
# (or installed with cmake --install --prefix) without rewriting it.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
  set(KAVDB_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
  set(KAVDB_PC_LIBDIR "${CMAKE_INSTALL_FULL_LIBDIR}")
  set(KAVDB_PC_INCLUDEDIR "${CMAKE_INSTALL_FULL_INCLUDEDIR}")
else()
  file(RELATIVE_PATH KAVDB_PC_UP /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
  string(REGEX REPLACE "/$" "" KAVDB_PC_UP "${KAVDB_PC_UP}")
  set(KAVDB_PC_PREFIX "\${pcfiledir}/${KAVDB_PC_UP}")
  set(KAVDB_PC_LIBDIR "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
  set(KAVDB_PC_INCLUDEDIR "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
endif()
configure_file(${PROJECT_SOURCE_DIR}/cmake/kavdbmgr.pc.in ${PROJECT_BINARY_DIR}/kavdbmgr.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/kavdbmgr.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

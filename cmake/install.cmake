# Installs the header, the shared library, a CMake package and a pkg-config file.
include(CMakePackageConfigHelpers)

install(TARGETS camrig EXPORT camrigTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/camrig.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT camrigTargets NAMESPACE camrig:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/camrig)

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/camrigConfig.cmake.in
  ${PROJECT_BINARY_DIR}/camrigConfig.cmake INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/camrig)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/camrigConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/camrigConfig.cmake ${PROJECT_BINARY_DIR}/camrigConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/camrig)

# The pkg-config file locates the prefix from its own folder, so an install
# moved with --prefix stays usable.
file(RELATIVE_PATH CAMRIG_PC_TO_PREFIX /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
configure_file(${PROJECT_SOURCE_DIR}/cmake/camrig.pc.in ${PROJECT_BINARY_DIR}/camrig.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/camrig.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

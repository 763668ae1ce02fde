# The CMake package, the pkg-config file and the Debian package of an installed tree.
include(CMakePackageConfigHelpers)
set(LV8_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/LV8INT)
install(EXPORT LV8INTTargets NAMESPACE LV8INT:: DESTINATION ${LV8_CMAKE_DIR} COMPONENT development)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/LV8INTConfig.cmake.in
  ${PROJECT_BINARY_DIR}/LV8INTConfig.cmake INSTALL_DESTINATION ${LV8_CMAKE_DIR}
  PATH_VARS LV8_PLUGIN_DIR)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/LV8INTConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/LV8INTConfig.cmake ${PROJECT_BINARY_DIR}/LV8INTConfigVersion.cmake
  DESTINATION ${LV8_CMAKE_DIR} COMPONENT development)
# The prefix is written when the file is installed, so that `cmake --install --prefix` holds.
install(CODE "
  set(CMAKE_INSTALL_LIBDIR \"${CMAKE_INSTALL_LIBDIR}\")
  set(CMAKE_INSTALL_INCLUDEDIR \"${CMAKE_INSTALL_INCLUDEDIR}\")
  set(LV8_PLUGIN_DIR \"${LV8_PLUGIN_DIR}\")
  set(PROJECT_VERSION \"${PROJECT_VERSION}\")
  configure_file(\"${PROJECT_SOURCE_DIR}/cmake/lv8int.pc.in\"
    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig/lv8int.pc\" @ONLY)
" COMPONENT development)

# cpack -G DEB: one package holding everything; it registers the sample plug-ins in the
# machine's registry when installed and removes them again before it is removed.
set(CPACK_PACKAGE_NAME lv8int)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "LV8INT developers <lv8int@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Common application interface library of the accounting suite")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Installed under DESTDIR with the real prefix, so that the pkg-config file names /usr.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/postinst.in ${PROJECT_BINARY_DIR}/debian/postinst @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/prerm.in ${PROJECT_BINARY_DIR}/debian/prerm @ONLY)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/debian/postinst ${PROJECT_BINARY_DIR}/debian/prerm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

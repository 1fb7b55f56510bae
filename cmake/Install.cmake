# SPDX-License-Identifier: Apache-2.0
# What `cmake --install` puts where, how other projects find the library, and
# the Debian package (`cpack -G DEB`, or the build's `package` target).

install(TARGETS tessoran RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES man/tessoran.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES include/tessoran/tessoran.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tessoran)

install(TARGETS tessoran_shared EXPORT TessoranTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
# The static library holds every object of the decoder; its users link the
# image libraries themselves (`pkg-config --static --libs tessoran`).
install(TARGETS tessoran_core ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})

# find_package(Tessoran) gives Tessoran::tessoran.
set(TESSORAN_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Tessoran)
install(EXPORT TessoranTargets NAMESPACE Tessoran:: DESTINATION ${TESSORAN_CMAKE_DIR})
include(CMakePackageConfigHelpers)
configure_package_config_file(cmake/TessoranConfig.cmake.in
    ${CMAKE_BINARY_DIR}/TessoranConfig.cmake INSTALL_DESTINATION ${TESSORAN_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/TessoranConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/TessoranConfig.cmake
    ${CMAKE_BINARY_DIR}/TessoranConfigVersion.cmake DESTINATION ${TESSORAN_CMAKE_DIR})

# pkg-config: the prefix is found from where the file lies, so that an
# installed tree may be moved (a package, a scratch prefix). A static link
# needs giflib and the C++ runtime besides the image libraries.
file(RELATIVE_PATH TESSORAN_PC_TO_PREFIX
    /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
string(REGEX REPLACE "/$" "" TESSORAN_PC_TO_PREFIX "${TESSORAN_PC_TO_PREFIX}")
set(TESSORAN_PC_PRIVATE_LIBS "-lgif -lstdc++ -lm")
configure_file(cmake/tessoran.pc.in ${CMAKE_BINARY_DIR}/tessoran.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/tessoran.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessoran)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Velquor")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "PDF417 barcode decoder: command-line program and C library")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Reads one PDF417 symbol from a picture (PNG, JPEG, GIF, TIFF, BMP) or a bar\n"
    "string, restores damaged codewords with the symbol's error correction and\n"
    "prints the data it holds. Symbols in photographs and scans are read at any\n"
    "angle. The package also holds libtessoran, a C library that decodes image\n"
    "files, encoded images in memory and pixel buffers, with its header,\n"
    "pkg-config file and CMake package.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Velquor Tessoran developers <tessoran@velquor.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Dependencies from what the shared library links (the program is static).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)

# SPDX-License-Identifier: Apache-2.0
# What `cmake --install` puts where, and how other projects find the library.
# The Debian packages are built from debian/ (`make package`).

install(TARGETS tessoran RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES man/tessoran.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES man/libtessoran.3 DESTINATION ${CMAKE_INSTALL_MANDIR}/man3)
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

# pkg-config: the file is written when it is installed, with the prefix it
# is installed under (`cmake --install --prefix` may change the configured
# one), so that its paths are plain absolute folders: pkg-config leaves out
# those that the compiler searches anyway (/usr/include, the multiarch
# library folder).
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
    set(TESSORAN_PC_LIBDIR "${CMAKE_INSTALL_LIBDIR}")
else()
    set(TESSORAN_PC_LIBDIR "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
endif()
if(IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
    set(TESSORAN_PC_INCLUDEDIR "${CMAKE_INSTALL_INCLUDEDIR}")
else()
    set(TESSORAN_PC_INCLUDEDIR "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
endif()
# A static link needs the image libraries with all that their own archives
# need, as this build found them, then giflib and the C++ runtime. They are
# named here rather than required as packages, whose files would add their
# include folders to every `pkg-config --cflags tessoran`.
set(TESSORAN_PC_PRIVATE_LIBS ${TESSORAN_PLATFORM_LIBS} stdc++ m)
list(TRANSFORM TESSORAN_PC_PRIVATE_LIBS PREPEND -l)
list(JOIN TESSORAN_PC_PRIVATE_LIBS " " TESSORAN_PC_PRIVATE_LIBS)
set(TESSORAN_PC_PREFIX "@TESSORAN_PC_PREFIX@")
configure_file(cmake/tessoran.pc.in ${CMAKE_BINARY_DIR}/tessoran.pc.install @ONLY)
install(CODE "
    file(READ \"${CMAKE_BINARY_DIR}/tessoran.pc.install\" pc)
    string(REPLACE \"@TESSORAN_PC_PREFIX@\" \"\${CMAKE_INSTALL_PREFIX}\" pc \"\${pc}\")
    file(WRITE \"${CMAKE_BINARY_DIR}/tessoran.pc\" \"\${pc}\")
")
install(FILES ${CMAKE_BINARY_DIR}/tessoran.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

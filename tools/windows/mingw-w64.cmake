# Cross-compiling for 64-bit Windows with Debian's mingw-w64, posix thread
# model (std::thread and the C++ runtime's locks need it).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
# Libraries and headers come from the compiler's sysroot and the cross-built
# dependencies only; programs (Qt's moc, uic, rcc) from the host.
# FABRION_WINDOWS_PREFIX: the install prefixes of the cross-built
# dependencies (a list), searched like the sysroot.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES FABRION_WINDOWS_PREFIX)
list(APPEND CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${FABRION_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config (libmodbus) reads the dependencies' .pc files only, never the host's.
set(_fabrion_pc_dirs "")
foreach(_prefix IN LISTS FABRION_WINDOWS_PREFIX)
  list(APPEND _fabrion_pc_dirs "${_prefix}/lib/pkgconfig")
endforeach()
string(REPLACE ";" ":" _fabrion_pc_dirs "${_fabrion_pc_dirs}")
set(ENV{PKG_CONFIG_LIBDIR} "${_fabrion_pc_dirs}")
set(ENV{PKG_CONFIG_PATH} "")

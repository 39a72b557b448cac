# Cross build for 64-bit ARM on a Debian amd64 machine: Debian's cross compiler,
# the target's libraries from multiarch (qt6-base-dev:arm64 installs beside the
# amd64 one, in /usr/lib/aarch64-linux-gnu), the host's moc and uic, and the
# target's programs run through qemu's user-mode emulator (ctest included).
# debian/rules finds it by its name, the target's GNU type, for a cross build of
# the package.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64-static)

# The host's Qt tools, for the code generated at build time.
set(QT_HOST_PATH /usr CACHE PATH "Prefix of the host's Qt")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "The host Qt's CMake packages")

# pkg-config (Qt looks some of its dependencies up with it) must not answer with
# the build machine's libraries.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/aarch64-linux-gnu/pkgconfig:/usr/share/pkgconfig)

#!/usr/bin/env bash
# Builds Zorvel for 64-bit Windows on this Debian machine, into build-win/: zorvel.exe,
# the test suites and the installer (build-win/zorvel-setup-<version>.exe).
#   bash scripts/windows.sh           build
#   bash scripts/windows.sh --test    build, then run the suites under Wine, headless
# Qt for Windows comes from ZORVEL_QT_WIN (an unpacked folder holding qt6/, or its .tar.xz),
# else from ../shared/toolchains/qt-6.4.2-win64-mingw.tar.xz.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/build-win"
sdk="$out/sdk"

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
need=()
command -v x86_64-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix)
[ -x /usr/lib/wine/wine64 ] || need+=(wine64)
command -v makensis >/dev/null || need+=(nsis)
[ -d /usr/src/googletest ] || need+=(googletest)
command -v rsvg-convert >/dev/null || need+=(librsvg2-bin)   # the program's icon for the .exe
command -v autoreconf >/dev/null && command -v libtoolize >/dev/null || need+=(autoconf automake libtool)  # libmdb
if [ ${#need[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get update -q
    $SUDO apt-get install -y -q --no-install-recommends "${need[@]}"
fi
# The host's Qt tools (moc, rcc, lrelease) and the build's own tools.
"$root/scripts/install-deps.sh" >/dev/null

qt_source=${ZORVEL_QT_WIN:-}
if [ -z "$qt_source" ] && [ -f "$root/../shared/toolchains/qt-6.4.2-win64-mingw.tar.xz" ]; then
    qt_source="$root/../shared/toolchains/qt-6.4.2-win64-mingw.tar.xz"
fi
if [ -z "$qt_source" ]; then
    cat >&2 <<'MSG'
windows.sh: no Qt for Windows here. Set ZORVEL_QT_WIN to a Qt 6.4 built for x86_64-w64-mingw32
(posix threads) with Widgets, Network, Sql (SQLite), Svg, Charts and Test, as a folder holding
qt6/ and bin/sqlite3.dll, or as its .tar.xz; the toolchain folder's build-qt-mingw.sh makes one.
MSG
    exit 1
fi
mkdir -p "$sdk"
if [ -d "$qt_source" ]; then
    prefix=$(cd "$qt_source" && pwd)
else
    stamp="$sdk/.unpacked-$(basename "$qt_source")"
    if [ ! -f "$stamp" ]; then
        tar -xJf "$qt_source" -C "$sdk"
        touch "$stamp"
    fi
    prefix="$sdk/zorvel-win64"
fi
toolchain="$root/cmake/mingw64.cmake"
export ZORVEL_WIN_PREFIX="$prefix;$sdk/gtest"

# GoogleTest from Debian's sources, with the same compiler, installed beside the Windows Qt.
if [ ! -f "$sdk/gtest/lib/libgtest.a" ]; then
    ZORVEL_WIN_PREFIX="$prefix" cmake -S /usr/src/googletest -B "$sdk/gtest-build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$sdk/gtest" -Dgtest_force_shared_crt=ON >/dev/null
    cmake --build "$sdk/gtest-build" -j"$(nproc)"
    cmake --install "$sdk/gtest-build" >/dev/null
fi

# zlib and libzip from the sources of the toolchain folder, with the same compiler: the SPV's ZIPs.
zip_sources="$root/../shared/toolchains/src"
if [ ! -f "$sdk/zip/lib/libzip.dll.a" ]; then
    rm -rf "$sdk/zip-src" && mkdir -p "$sdk/zip-src"
    tar -xJf "$zip_sources/zlib-1.2.13.tar.xz" -C "$sdk/zip-src"
    tar -xJf "$zip_sources/libzip-1.7.3.tar.xz" -C "$sdk/zip-src"
    ZORVEL_WIN_PREFIX="$sdk/zip" cmake -S "$sdk/zip-src/zlib-1.2.13" -B "$sdk/zlib-build" \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$sdk/zip" >/dev/null
    cmake --build "$sdk/zlib-build" -j"$(nproc)" >/dev/null
    cmake --install "$sdk/zlib-build" >/dev/null
    ZORVEL_WIN_PREFIX="$sdk/zip" cmake -S "$sdk/zip-src/libzip-1.7.3" -B "$sdk/libzip-build" \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$sdk/zip" \
        -DZLIB_LIBRARY="$sdk/zip/lib/libzlib.dll.a" -DZLIB_INCLUDE_DIR="$sdk/zip/include" \
        -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF -DENABLE_GNUTLS=OFF -DENABLE_OPENSSL=OFF \
        -DENABLE_MBEDTLS=OFF -DENABLE_COMMONCRYPTO=OFF -DENABLE_WINDOWS_CRYPTO=ON -DBUILD_TOOLS=OFF \
        -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF >/dev/null
    cmake --build "$sdk/libzip-build" -j"$(nproc)" >/dev/null
    cmake --install "$sdk/libzip-build" >/dev/null
fi
# libmdb from the mdbtools source of the toolchain folder, without glib or iconv: the Access reader.
if [ ! -f "$sdk/mdb/lib/libmdb.dll.a" ]; then
    rm -rf "$sdk/mdb-src" && mkdir -p "$sdk/mdb-src"
    tar -xJf "$zip_sources/mdbtools-1.0.0.tar.xz" -C "$sdk/mdb-src"
    (cd "$sdk/mdb-src/mdbtools-1.0.0" && autoreconf -i -f >/dev/null 2>&1 &&
        ./configure --host=x86_64-w64-mingw32 CC=x86_64-w64-mingw32-gcc-posix --disable-glib --disable-iconv \
            --disable-man --prefix="$sdk/mdb" >/dev/null &&
        make -C src/libmdb -j"$(nproc)" >/dev/null && make -C src/libmdb install >/dev/null &&
        make -C include install >/dev/null)
fi
export ZORVEL_WIN_PREFIX="$prefix;$sdk/gtest;$sdk/zip;$sdk/mdb"

cmake -S "$root" -B "$out" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_PREFIX_PATH="$prefix/qt6;$sdk/gtest;$sdk/zip;$sdk/mdb" -DZLIB_LIBRARY="$sdk/zip/lib/libzlib.dll.a" \
    -DZLIB_INCLUDE_DIR="$sdk/zip/include" -DZORVEL_WIN_PREFIX="$ZORVEL_WIN_PREFIX" -DQT_HOST_PATH=/usr \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake -DZORVEL_BENCH=OFF \
    -DZORVEL_WIN_RUNTIME="$prefix" >/dev/null
cmake --build "$out" -j"$(nproc)"
cmake --build "$out" --target zorvel_installer

if [ "${1:-}" = "--test" ]; then
    bash "$root/scripts/wine-test.sh" "$out"
fi

#!/usr/bin/env bash
# Cross-builds the libraries the Windows programs link, static, from their
# source releases, into one prefix:
#   build-windows-deps.sh SOURCE_DIR PREFIX
# SOURCE_DIR holds the releases and their SHA256SUMS; PREFIX is made whole or
# not at all (the build goes to PREFIX.partial, renamed when it succeeds).
set -euo pipefail
src=$(cd "${1:?usage: build-windows-deps.sh SOURCE_DIR PREFIX}" && pwd)
prefix=${2:?usage: build-windows-deps.sh SOURCE_DIR PREFIX}
here=$(cd "$(dirname "$0")/.." && pwd)
triple=x86_64-w64-mingw32
jobs=$(nproc)

(cd "$src" && sha256sum --quiet -c SHA256SUMS)

partial=$prefix.partial
work=$partial/src
rm -rf "$partial"
mkdir -p "$work" "$partial/lib/pkgconfig" "$partial/include"
export CORVALE_MINGW_PREFIX=$partial
cmake_cross=(-G Ninja -DCMAKE_BUILD_TYPE=Release
             -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64-x86_64.cmake"
             -DCORVALE_MINGW_PREFIX="$partial" -DCMAKE_INSTALL_PREFIX="$partial")

unpack() {  # unpack ARCHIVE: into $work, prints the folder it made
  local before after
  before=$(ls "$work")
  tar xf "$src/$1" -C "$work"
  after=$(ls "$work")
  echo "$work/$(comm -13 <(echo "$before") <(echo "$after") | head -n1)"
}

archive() {  # archive FOLDER LIBRARY SOURCES...: compiles FOLDER/SOURCE.c into PREFIX/lib/LIBRARY
  local folder=$1 library=$2 source
  shift 2
  for source in "$@"; do
    $triple-gcc-posix -O2 -c "$folder/$source.c" -o "$folder/$source.o"
  done
  (cd "$folder" && $triple-gcc-ar-posix rcs "$partial/lib/$library" "${@/%/.o}")
}

echo "zlib"
d=$(unpack zlib_1.2.13.dfsg.orig.tar.bz2)
archive "$d" libz.a adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate \
  inftrees trees uncompr zutil
cp "$d/zlib.h" "$d/zconf.h" "$partial/include/"
cat >"$partial/lib/pkgconfig/zlib.pc" <<PC
prefix=$partial
Name: zlib
Description: zlib compression library
Version: 1.2.13
Libs: -L\${prefix}/lib -lz
Cflags: -I\${prefix}/include
PC

echo "giflib"
d=$(unpack giflib_5.2.1.orig.tar.gz)
archive "$d" libgif.a dgif_lib egif_lib gifalloc gif_err gif_font gif_hash openbsd-reallocarray quantize
cp "$d/gif_lib.h" "$partial/include/"

echo "libjpeg-turbo"
d=$(unpack libjpeg-turbo_2.1.5.orig.tar.gz)
cmake -S "$d" -B "$d/build" "${cmake_cross[@]}" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
  -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF >/dev/null
cmake --build "$d/build" -j"$jobs" >/dev/null
cmake --install "$d/build" >/dev/null

echo "libpng"
d=$(unpack libpng1.6_1.6.39.orig.tar.gz)
cmake -S "$d" -B "$d/build" "${cmake_cross[@]}" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
  -DPNG_EXECUTABLES=OFF -DZLIB_ROOT="$partial" >/dev/null
cmake --build "$d/build" -j"$jobs" >/dev/null
cmake --install "$d/build" >/dev/null

echo "libmobi"
d=$(unpack libmobi-0.11.tar.gz)
cmake -S "$d" -B "$d/build" "${cmake_cross[@]}" -DBUILD_SHARED_LIBS=OFF -DUSE_LIBXML2=OFF \
  -DZLIB_ROOT="$partial" >/dev/null
cmake --build "$d/build" --target mobi -j"$jobs" >/dev/null
find "$d/build" -name 'libmobi*.a' -exec cp {} "$partial/lib/libmobi.a" \;
cp "$d/src/mobi.h" "$partial/include/"
cat >"$partial/lib/pkgconfig/libmobi.pc" <<PC
prefix=$partial
Name: libmobi
Description: C library for handling MOBI format ebook documents
Version: 0.11
Requires.private: zlib
Libs: -L\${prefix}/lib -lmobi
Cflags: -I\${prefix}/include
PC

echo "qpdf"
d=$(unpack qpdf_11.3.0.orig.tar.gz)
cmake -S "$d" -B "$d/build" "${cmake_cross[@]}" -DBUILD_SHARED_LIBS=OFF -DBUILD_STATIC_LIBS=ON \
  -DBUILD_DOC=OFF -DUSE_IMPLICIT_CRYPTO=OFF -DREQUIRE_CRYPTO_NATIVE=ON -DINSTALL_EXAMPLES=OFF \
  -DCMAKE_CXX_FLAGS="-include cstdint" >/dev/null  # its AES code uses uint32_t without <cstdint>
cmake --build "$d/build" --target libqpdf -j"$jobs" >/dev/null
cp "$d/build/libqpdf/libqpdf.a" "$partial/lib/"
cp -r "$d/include/qpdf" "$partial/include/"
cat >"$partial/lib/pkgconfig/libqpdf.pc" <<PC
prefix=$partial
Name: libqpdf
Description: PDF transformation library
Version: 11.3.0
Requires.private: zlib, libjpeg
Libs: -L\${prefix}/lib -lqpdf
Cflags: -I\${prefix}/include
PC

echo "googletest"
cmake -S /usr/src/googletest -B "$work/googletest" "${cmake_cross[@]}" -DBUILD_GMOCK=OFF \
  -Dgtest_disable_pthreads=OFF >/dev/null
cmake --build "$work/googletest" -j"$jobs" >/dev/null
cmake --install "$work/googletest" >/dev/null

# Every path in the prefix's files points at PREFIX once it is renamed.
grep -rlF "$partial" "$partial/lib" | xargs -r sed -i "s|$partial|$prefix|g"
rm -rf "$work"
rm -rf "$prefix"
mv "$partial" "$prefix"

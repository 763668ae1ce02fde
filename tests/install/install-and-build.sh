#!/usr/bin/env bash
# Installs the build tree into a temporary prefix, then builds a minimal host against the
# installed package twice (CMake package, pkg-config) and runs both.
# Usage: install-and-build.sh <build dir> <source dir>
set -euo pipefail
build=$1 source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
libdir=$(dirname "$(find "$prefix" -name 'liblv8int.so.*.*' | head -1)")
for f in "$prefix/bin/lv8" "$prefix/bin/lv8-regsvr" "$libdir/liblv8int.so" "$prefix/include/lv8int/app/GZRGNTUtil.h" \
         "$libdir/lv8int/plugins/samplemiddletier.so" "$libdir/lv8int/plugins/sample.db" \
         "$prefix/share/lv8int/demo/config/LV8ADSAPP/System/Help/lv8demo.chm" \
         "$prefix/share/lv8int/demo/config/LV8ADSAPP/System/Resource/strings.db" \
         "$prefix/share/lv8int/demo/config/LV8ADSAPP/System/Resource/lv8demo.dll"; do
  [ -e "$f" ] || { echo "not installed: ${f#$prefix/}"; exit 1; }
done
expected=8F458A4A945C962A82218B349621882BFB28F639C91DD31B
export QT_QPA_PLATFORM=offscreen

cmake -S "$source/tests/install/host" -B "$work/host" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/host" >/dev/null
got=$("$work/host/minimalhost")
[ "$got" = "$expected" ] || { echo "CMake-built host printed '$got'"; exit 1; }

export PKG_CONFIG_PATH=$libdir/pkgconfig
c++ "$source/tests/install/host/main.cpp" -o "$work/pchost" $(pkg-config --cflags --libs lv8int) -Wl,-rpath,"$libdir"
got=$("$work/pchost")
[ "$got" = "$expected" ] || { echo "pkg-config-built host printed '$got'"; exit 1; }

# The installed tools run from the prefix with nothing else on the library path.
"$prefix/bin/lv8" encrypt-pwd 1234 | grep -q "$expected" || { echo "installed lv8 failed"; exit 1; }
echo "installed, built and ran against $prefix"

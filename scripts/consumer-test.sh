#!/usr/bin/env bash
# Follows the README's "Using the library from another program" with a temporary prefix:
# installs the build in build/ (or $ZUVO_BUILD_DIR), builds the README's program with its CMake
# project (shared and static library) and its pkg-config commands (shared and --static), and
# runs each; then imports the installed Python module.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=$(realpath "${ZUVO_BUILD_DIR:-build}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
fail() {
  echo "consumer test: $*" >&2
  exit 1
}

# The n-th block of the given language in the README's section on using the library.
readme_block() {
  awk -v lang="$1" -v n="$2" '
    /^## / { inside = ($0 ~ /^## Using the library/) }
    inside && $0 == "```" lang { count++; if (count == n) { take = 1; next } }
    take && $0 == "```" { exit }
    take { print }' README.md
}

cmake --install "$build_dir" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log"; exit 1; }
libdir=$(realpath "$(dirname "$(find "$prefix" -name zuvo.pc)")/..")

echo "== installed headers"
for h in $(cd "$prefix/include" && find zuvo -name '*.h' | sort); do
  echo "#include <$h>" | c++ -std=c++20 -fsyntax-only -I"$prefix/include" -x c++ - || fail "$h does not stand alone"
done
for internal in zuvo/platform/Posix.h zuvo/convert/Csv.h zuvo/jef/JefTable.h zuvo/sql/Positions.h; do
  [ ! -e "$prefix/include/$internal" ] || fail "the internal header $internal is installed"
done

mkdir -p "$work/app" "$work/home"
readme_block cpp 1 >"$work/app/app.cpp"
readme_block cmake 1 >"$work/app/CMakeLists.txt"
{ [ -s "$work/app/app.cpp" ] && [ -s "$work/app/CMakeLists.txt" ]; } || fail "no program in the README"
table=$(realpath "$prefix/share/zuvo/sjisjef.tbl")

# Each build prints "a 4"; one on the shared library also names the installed table, having no
# home of its own.
check() {
  local program=$1 linked=$2 out libraries
  out=$(cd "$work" && ZUVO_HOME=$work/home LD_LIBRARY_PATH=$libdir "$program") || fail "$program failed"
  [ "$(sed -n 1p <<<"$out")" = "a 4" ] || fail "$program printed: $out"
  if [ "$linked" = shared ]; then
    [ "$(sed -n 2p <<<"$out")" = "$table" ] || fail "$program does not find the installed table: $out"
    # ldd's whole output first: grep -q stopping early would fail the pipe under pipefail.
    libraries=$(LD_LIBRARY_PATH=$libdir ldd "$program")
    grep -q "=> $libdir/libzuvo.so" <<<"$libraries" || fail "$program is not on libzuvo.so"
  else
    libraries=$(LD_LIBRARY_PATH=$libdir ldd "$program" 2>/dev/null || true)
    ! grep -q libzuvo.so <<<"$libraries" || fail "$program is on libzuvo.so"
  fi
  echo "$program: $linked, ok"
}

echo "== find_package(zuvo)"
cmake -S "$work/app" -B "$work/app/shared" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/app/shared" >/dev/null
check "$work/app/shared/app" shared
sed -i 's/zuvo::zuvo)/zuvo::zuvo_static)/' "$work/app/CMakeLists.txt"
cmake -S "$work/app" -B "$work/app/static" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/app/static" >/dev/null
check "$work/app/static/app" static

echo "== pkg-config"
export PKG_CONFIG_PATH=$libdir/pkgconfig
cd "$work/app"
# shellcheck disable=SC2046  # the flags are separate words
c++ -std=c++20 app.cpp -o app-shared $(pkg-config --cflags --libs zuvo)
check "$work/app/app-shared" shared
# shellcheck disable=SC2046
c++ -std=c++20 -static app.cpp -o app-static $(pkg-config --static --cflags --libs zuvo) 2>"$work/static.log" ||
  { cat "$work/static.log"; fail "the static link failed"; }
check "$work/app/app-static" static

echo "== the installed zuvo program"
version=$(ZUVO_HOME=$work/home "$prefix/bin/zuvo" --version)
grep -qx "conversion table: $table" <<<"$version" ||
  fail "zuvo --version does not name the installed table"

echo "== the installed Python module"
module=$(find "$prefix" -name 'zuvo.cpython-*.so')
[ -n "$module" ] || fail "no Python module is installed"
[ -f "$(dirname "$module")/zuvo.pyi" ] || fail "the Python stubs are not installed beside the module"
# From an empty home, so that the JEF conversion shows the installed table is found.
out=$(cd "$work" && ZUVO_HOME=$work/home PYTHONPATH=$(dirname "$module") /usr/bin/python3 -c '
import zuvo
z = zuvo.ZuvoCls()
print(z.LenByte("あいう"), z.SjisJef("A", bytearray(2)).bdt.hex())') || fail "the Python module failed"
[ "$out" = "6 c100" ] || fail "the Python module printed: $out"
echo "consumer tests passed"

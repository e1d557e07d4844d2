#!/usr/bin/env bash
# clang-format over every C++ file, then clang-tidy (checks in .clang-tidy) and cppcheck over
# the library, the zuvo program and the Python module. Needs the compile database of a
# configured build in build/ (or $ZUVO_BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${ZUVO_BUILD_DIR:-build}
[ -f "$build_dir/compile_commands.json" ] || { echo "configure $build_dir first (scripts/setup.sh)"; exit 2; }

echo "== clang-format"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror || {
  echo "clang-format -i the files above"
  exit 1
}

echo "== clang-tidy"
run-clang-tidy -quiet -j 2 -extra-arg=-Wno-unknown-warning-option -p "$build_dir" "$PWD/(src|cli|python)/.*\\.cpp$" >"$build_dir/clang-tidy.log" 2>&1 || {
  grep -E 'warning:|error:' "$build_dir/clang-tidy.log" | sort -u | head -50
  echo "clang-tidy found problems (full log: $build_dir/clang-tidy.log)"
  exit 1
}

echo "== cppcheck"
cppcheck --quiet --error-exitcode=1 --std=c++20 --language=c++ --inline-suppr \
  --enable=warning,performance,portability --suppress=missingIncludeSystem \
  --suppress=unknownMacro --suppress=useInitializationList -I src src cli python
echo "static checks clean"

#!/usr/bin/env bash
# Builds the Debian packages (swmatrix, swmatrix-dev, python3-swmatrix) from a
# built tree with CPack and checks them:
# the file list of each package against what the tree must ship, the
# conffile, the dependencies found by dpkg-shlibdeps, and lintian (an error
# fails; warnings are printed).
#   tests/install/check-package.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
fail() { echo "check-package: $*" >&2; exit 1; }
version=$(grep -m1 'CMAKE_PROJECT_VERSION:' "$build/CMakeCache.txt" | cut -d= -f2)
arch=$(dpkg --print-architecture)

rm -f "$build"/swmatrix*_"$version"_"$arch".deb "$build"/python3-swmatrix_"$version"_all.deb
(cd "$build" && cpack -G DEB --config CPackConfig.cmake >/dev/null) || fail "cpack failed"
runtime=$build/swmatrix_${version}_${arch}.deb
dev=$build/swmatrix-dev_${version}_${arch}.deb
python=$build/python3-swmatrix_${version}_all.deb
[ -f "$runtime" ] && [ -f "$dev" ] && [ -f "$python" ] || fail "packages not built: $(ls "$build"/*.deb 2>/dev/null)"

# The files each package must hold (directories left out).
contents() { dpkg-deb --contents "$1" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./|/|; s| -> .*||' | sort; }
libdir=$(dirname "$(contents "$runtime" | grep '/libswmatrix.so.0$' | sed -n 1p)")
[ -n "$libdir" ] || fail "no libswmatrix.so.0 in $runtime"
{
  printf '%s\n' /usr/bin/swmhost /usr/bin/swmsim /usr/bin/swmlog /etc/swmatrix/registry.ini \
    "$libdir/libswmatrix.so.0" "$libdir/libswmatrix.so.$version" "$libdir/swmatrix/libgpibsrq.so.0" \
    /usr/share/doc/swmatrix/copyright /usr/share/doc/swmatrix/changelog.gz \
    /usr/share/bash-completion/completions/swmhost /usr/share/bash-completion/completions/swmsim \
    /usr/share/bash-completion/completions/swmlog
  for page in "$source_dir"/docs/man/*.md; do
    name=$(basename "$page" .md); echo "/usr/share/man/man${name##*.}/$name.gz"
  done
  for doc in "$source_dir"/docs/*; do [ -f "$doc" ] && echo "/usr/share/doc/swmatrix/$(basename "$doc")"; done
  for example in "$source_dir"/docs/examples/*; do echo "/usr/share/swmatrix/examples/$(basename "$example")"; done
  for lib in "$build"/lib/sim/lib*.so*; do echo "$libdir/swmatrix/sim/$(basename "$lib")"; done
} | sort >"$build/package-expected.txt"
contents "$runtime" >"$build/package-actual.txt"
diff -u "$build/package-expected.txt" "$build/package-actual.txt" || fail "unexpected contents of $runtime"

{
  for header in "$source_dir"/include/swmatrix/*.h; do echo "/usr/include/swmatrix/$(basename "$header")"; done
  printf '%s\n' /usr/include/swmatrix/version.h "$libdir/libswmatrix.so" "$libdir/pkgconfig/swmatrix.pc" \
    "$libdir/cmake/swmatrix/swmatrixConfig.cmake" "$libdir/cmake/swmatrix/swmatrixConfigVersion.cmake" \
    "$libdir/cmake/swmatrix/swmatrixTargets.cmake" \
    /usr/share/doc/swmatrix-dev/copyright /usr/share/doc/swmatrix-dev/changelog.gz
} | sort >"$build/package-dev-expected.txt"
# The per-configuration targets file is named after the build type.
contents "$dev" | grep -v '/swmatrixTargets-[a-z]*\.cmake$' >"$build/package-dev-actual.txt"
diff -u "$build/package-dev-expected.txt" "$build/package-dev-actual.txt" || fail "unexpected contents of $dev"

# The Python package where Debian's python3 finds it, with the dist-info that
# announces its pytest plugin.
site=/usr/lib/python3/dist-packages
{
  for file in "$source_dir"/python/swmatrix/*.py "$source_dir"/python/swmatrix/py.typed; do
    echo "$site/swmatrix/$(basename "$file")"
  done
  for file in METADATA entry_points.txt top_level.txt; do echo "$site/swmatrix-$version.dist-info/$file"; done
  printf '%s\n' /usr/share/doc/python3-swmatrix/copyright /usr/share/doc/python3-swmatrix/changelog.gz
} | sort >"$build/package-python-expected.txt"
contents "$python" >"$build/package-python-actual.txt"
diff -u "$build/package-python-expected.txt" "$build/package-python-actual.txt" || fail "unexpected contents of $python"
dpkg-deb --fsys-tarfile "$python" | tar -xO ".$site/swmatrix-$version.dist-info/entry_points.txt" \
  | grep -x 'swmatrix.pytest_plugin = swmatrix.pytest_plugin' >/dev/null || fail "python3-swmatrix announces no pytest plugin"
dpkg-deb --fsys-tarfile "$python" | tar -xO ".$site/swmatrix-$version.dist-info/METADATA" \
  | grep -x 'License: Proprietary' >/dev/null || fail "python3-swmatrix's metadata lacks the licence of pyproject.toml"
[ "$(dpkg-deb --field "$python" Depends)" = "python3, swmatrix (= $version)" ] \
  || fail "python3-swmatrix Depends: $(dpkg-deb --field "$python" Depends)"
[ "$(dpkg-deb --field "$python" Suggests)" = "python3-pytest" ] \
  || fail "python3-swmatrix Suggests: $(dpkg-deb --field "$python" Suggests)"

dpkg-deb --ctrl-tarfile "$runtime" | tar -xO ./conffiles | grep -x /etc/swmatrix/registry.ini >/dev/null \
  || fail "registry.ini is not a conffile"
[ "$(dpkg-deb --ctrl-tarfile "$runtime" | tar -xO ./shlibs)" = "libswmatrix 0 swmatrix (>= $version)" ] \
  || fail "shlibs must announce the module only"
depends=$(dpkg-deb --field "$runtime" Depends)
for needed in libc6 libstdc++6 libwx; do
  [[ $depends == *"$needed"* ]] || fail "Depends lacks $needed: $depends"
done

lintian --fail-on error --suppress-tags-from-file /dev/null "$runtime" "$dev" "$python" >"$build/lintian.txt" 2>&1 \
  || { cat "$build/lintian.txt"; fail "lintian reports errors"; }
if [ -s "$build/lintian.txt" ]; then echo "check-package: lintian warnings:"; cat "$build/lintian.txt"; fi
echo "check-package: built $(basename "$runtime"), $(basename "$dev") and $(basename "$python")"

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a scratch prefix, checks the layout a desktop and `man` expect, runs
# the desktop and AppStream validators on what was installed, and builds the Debian package to
# check its name, dependencies and contents.
# Usage: install_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

prefix=$scratch/prefix
cmake --install "$build" --prefix "$prefix" >"$scratch/install.log" || { cat "$scratch/install.log"; exit 1; }

expected=(
  bin/tolvin bin/tolvin-cli bin/tolvin-sim
  share/applications/tolvin.desktop
  share/icons/hicolor/scalable/apps/tolvin.svg
  share/icons/hicolor/256x256/apps/tolvin.png
  share/metainfo/ru.tolvin.programmer.metainfo.xml
  share/doc/tolvin/copyright share/doc/tolvin/changelog.gz
  share/doc/tolvin/examples/99-tolvin-serial.rules share/doc/tolvin/examples/99-tolvin-modemmanager.rules
)
for page in tolvin tolvin-cli tolvin-sim; do
  expected+=("share/man/man1/$page.1.gz" "share/man/ru/man1/$page.1.gz")
done
for f in "${expected[@]}"; do
  [ -f "$prefix/$f" ] || fail "not installed: $f"
done
for f in bin/tolvin bin/tolvin-cli bin/tolvin-sim; do
  [ -x "$prefix/$f" ] || fail "not executable: $f"
done

# The installed programs run from their new place.
"$prefix/bin/tolvin-cli" --version >/dev/null || fail "installed tolvin-cli does not run"
"$prefix/bin/tolvin-sim" --help >/dev/null || fail "installed tolvin-sim does not run"

# Manual pages decompress to pages man can format.
for gz in "$prefix"/share/man/man1/*.1.gz "$prefix"/share/man/ru/man1/*.1.gz; do
  [ -f "$gz" ] || continue
  gzip -t "$gz" || fail "broken gzip: $gz"
  if command -v groff >/dev/null; then
    warnings=$(gzip -dc "$gz" | groff -k -man -Tutf8 -ww -z 2>&1) || true
    [ -z "$warnings" ] || fail "groff warns about $gz: $warnings"
  fi
done

# The licence and the changelog: machine-readable copyright, a changelog whose newest entry is
# the programs' own version.
version=$("$prefix/bin/tolvin-cli" --version | sed 's/^tolvin-cli //')
grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' "$prefix/share/doc/tolvin/copyright" \
  || fail "copyright is not in the machine-readable format"
grep -qx 'License: GPL-3.0+' "$prefix/share/doc/tolvin/copyright" || fail "copyright names no GPL-3.0+"
head=$(gzip -dc "$prefix/share/doc/tolvin/changelog.gz" | head -1)
[ "$head" = "tolvin ($version) unstable; urgency=medium" ] || fail "changelog starts with '$head', not version $version"
grep -q "<release version=\"$version\"" "$prefix/share/metainfo/ru.tolvin.programmer.metainfo.xml" \
  || fail "AppStream has no release $version"

desktop=$prefix/share/applications/tolvin.desktop
if command -v desktop-file-validate >/dev/null; then
  out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $out"
  [ -z "$out" ] || fail "desktop-file-validate: $out"
else
  echo "SKIP: desktop-file-validate not installed"
fi
grep -qx 'Exec=tolvin' "$desktop" || fail "desktop entry does not start tolvin"
grep -qx 'Categories=Utility;Electronics;' "$desktop" || fail "desktop entry categories"
grep -q '^Name\[ru\]=' "$desktop" || fail "desktop entry has no Russian name"
if command -v appstreamcli >/dev/null; then
  out=$(appstreamcli validate --no-net "$prefix/share/metainfo/ru.tolvin.programmer.metainfo.xml" 2>&1) \
    || fail "appstreamcli validate: $out"
else
  echo "SKIP: appstreamcli not installed"
fi

# The Debian package: what `make package` builds.
if command -v dpkg-deb >/dev/null && command -v dpkg-shlibdeps >/dev/null; then
  (cd "$scratch" && cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/pkg" >"$scratch/cpack.log" 2>&1) \
    || { cat "$scratch/cpack.log"; fail "cpack"; }
  deb=$(ls "$scratch"/pkg/tolvin_*.deb 2>/dev/null | head -1)
  if [ -z "$deb" ]; then
    fail "no tolvin_*.deb built"
  else
    [ "$(dpkg-deb -f "$deb" Package)" = tolvin ] || fail "package name"
    depends=$(dpkg-deb -f "$deb" Depends)
    for lib in libqt6widgets6 libqt6core6 libzip4 libc6 qt6-qpa-plugins; do
      [[ $depends == *"$lib"* ]] || fail "Depends lacks $lib: $depends"
    done
    [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version $(dpkg-deb -f "$deb" Version), programs $version"
    maintainer=$(dpkg-deb -f "$deb" Maintainer)
    [[ $maintainer != *localhost* ]] || fail "maintainer at localhost: $maintainer"
    contents=$(dpkg-deb -c "$deb")
    # make install and the package put the same files in place.
    installed=$(cd "$prefix" && find . \( -type f -o -type l \) | sed 's|^\./||' | sort)
    packaged=$(awk '$1 !~ /^d/ { print $6 }' <<<"$contents" | sed 's|^\./usr/||' | sort)
    [ "$installed" = "$packaged" ] || fail "make install and the package differ: $(diff <(echo "$installed") <(echo "$packaged") | tr '\n' ' ')"
    for f in ./usr/bin/tolvin ./usr/bin/tolvin-cli ./usr/bin/tolvin-sim \
             ./usr/share/applications/tolvin.desktop ./usr/share/man/man1/tolvin-cli.1.gz \
             ./usr/share/man/ru/man1/tolvin.1.gz ./usr/share/metainfo/ru.tolvin.programmer.metainfo.xml; do
      grep -q " $f\$" <<<"$contents" || fail "package lacks $f"
    done
  fi
else
  echo "SKIP: dpkg-dev not installed, the package is not built"
fi

[ "$failures" = 0 ] && echo "install layout, validators and package: ok"
exit $((failures > 0))

#!/usr/bin/env bash
# Builds the Debian package from the build folder BUILD and checks it as an installation would meet it: its
# control data (dependencies from the shared-library scan), its file list, the desktop entry, metainfo, MIME
# type, icon, manual pages and sample configuration it holds, then the programs unpacked into a scratch root:
# they are hardened as Debian asks (checked by their headers and by lintian), find their libraries and start,
# and the tool checks the sample configuration the package installs. Last, dpkg installs the package into a
# scratch root of its own and removes it again.
# Usage: check-package.sh BUILD
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
out=$build/package
rm -rf "$out"
mkdir -p "$out"

passed=0
failed=0
check() {
    local name=$1
    shift
    if "$@" >"$out/last.log" 2>&1; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAILED: $name"
        sed 's/^/    /' "$out/last.log"
    fi
}

(cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log") || { cat "$out/cpack.log"; exit 1; }
debs=("$out"/*.deb)
[ ${#debs[@]} -eq 1 ] || { echo "expected one package in $out, found: ${debs[*]}"; exit 1; }
deb=${debs[0]}
version=$(sed -n 's/^project(PostvaneConfig VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
echo "Package: $deb"

# Control data.
dpkg-deb --info "$deb" >"$out/info.txt"
field() { sed -n "s/^ $1: //p" "$out/info.txt"; }
check "package name" test "$(field Package)" = postvane-config
check "package version is the project's ($version)" test "$(field Version)" = "$version"
depends=$(field Depends)
# libgvc6 lays out the Overview (its plug-ins, the dot layout among them, come with it).
for library in libc6 libstdc++6 libxml2 libqt6core6 libqt6gui6 libqt6widgets6 libgvc6 libcgraph6 sensible-utils; do
    check "Depends names $library" \
        grep -qxF "$library" <<<"$(tr ',' '\n' <<<"$depends" | awk '{ print $1 }')"
done
check "Recommends the SVG plug-in that draws the window icon" test "$(field Recommends)" = libqt6svg6
check "a long description" test "$(sed -n '/^ Description:/,$p' "$out/info.txt" | wc -l)" -ge 3

# File list.
dpkg-deb --contents "$deb" | awk '{ print $6 }' | sed 's|^\./|/|' >"$out/contents.txt"
id=org.postvane.PostvaneConfig
for path in /usr/bin/postvane-config /usr/bin/postvane-config-tool \
    /usr/share/applications/$id.desktop /usr/share/icons/hicolor/scalable/apps/$id.svg \
    /usr/share/metainfo/$id.metainfo.xml /usr/share/mime/packages/$id.xml \
    /usr/share/man/man1/postvane-config.1.gz /usr/share/man/man1/postvane-config-tool.1.gz \
    /usr/share/bash-completion/completions/postvane-config-tool \
    /usr/share/bash-completion/completions/postvane-config /usr/share/postvane-config/README.md \
    /usr/share/doc/postvane-config/copyright \
    /usr/share/doc/postvane-config/changelog.gz /usr/share/doc/postvane-config/examples/config/master.xml; do
    check "the package holds $path" grep -qx "$path" "$out/contents.txt"
done
check "nothing outside /usr" test -z "$(grep -v '^/usr\(/\|$\)' "$out/contents.txt" | grep -vx '/')"

# The files, unpacked.
root=$out/root
dpkg -x "$deb" "$root"
share=$root/usr/share
check "the desktop entry is valid" desktop-file-validate "$share/applications/$id.desktop"
check "the metainfo is valid" appstreamcli validate --no-net --explain "$share/metainfo/$id.metainfo.xml"
check "the metainfo's newest release is $version" grep -q "<release version=\"$version\"" "$share/metainfo/$id.metainfo.xml"
mime=$out/mime
mkdir -p "$mime/packages"
cp "$share/mime/packages/$id.xml" "$mime/packages/"
check "the MIME package registers the master file's type" \
    bash -c "update-mime-database '$mime' && grep -qx 'application/x-postvane-master+xml' '$mime/types'"
check "the desktop entry opens the master file's type" \
    grep -qx 'MimeType=application/x-postvane-master+xml;' "$share/applications/$id.desktop"
check "the icon is well-formed" xmllint --noout "$share/icons/hicolor/scalable/apps/$id.svg"
for size in 16 24 32 48 128; do
    check "the icon renders at $size px" \
        rsvg-convert -w $size -h $size "$share/icons/hicolor/scalable/apps/$id.svg" -o "$out/icon-$size.png"
done
for page in postvane-config postvane-config-tool; do
    check "man reads the $page page without a warning" \
        bash -c "test -z \"\$(zcat '$share/man/man1/$page.1.gz' | LC_ALL=C.UTF-8 groff -man -ww -z -Tutf8 2>&1)\""
done
for completion in postvane-config-tool postvane-config; do
    check "the completion of $completion is valid bash" bash -n "$share/bash-completion/completions/$completion"
done
check "the copyright file is the licence" cmp "$share/doc/postvane-config/copyright" LICENSE
check "the changelog's newest entry is $version" \
    bash -c "zcat '$share/doc/postvane-config/changelog.gz' | head -1 | grep -q '^postvane-config ($version) '"
examples=$share/doc/postvane-config/examples
check "the example is the sample configuration, without the files that only keep folders in git" \
    diff -r --exclude=.keep --exclude=.gitignore examples/config "$examples/config"

# Hardening, as Debian builds its packages (dpkg-buildflags with hardening=+all): position-independent, with a
# read-only relocation table bound at start, a stack protector and fortified functions. Then lintian, which
# reports the same (hardening-no-*) and everything else it finds amiss.
for program in postvane-config postvane-config-tool; do
    binary=$root/usr/bin/$program
    check "$program is a position-independent executable" bash -c "readelf -hW '$binary' | grep -q 'Type: *DYN'"
    check "$program has a read-only relocation table (RELRO)" bash -c "readelf -lW '$binary' | grep -q GNU_RELRO"
    check "$program binds every symbol at start (BIND_NOW)" \
        bash -c "readelf -dW '$binary' | grep -Eq 'BIND_NOW|Flags:.* NOW'"
    check "$program has a stack protector" bash -c "readelf --dyn-syms -W '$binary' | grep -q __stack_chk_fail"
    check "$program calls fortified functions" bash -c "readelf --dyn-syms -W '$binary' | grep -Eq ' __[a-z_]+_chk(@|$)'"
done
lintian_status=0
lintian --no-cfg --display-level '>=info' "$deb" >"$out/lintian.txt" 2>"$out/lintian.log" || lintian_status=$?
# 1 is its word for errors, which the checks below name; anything higher means lintian itself failed.
check "lintian reads the package" bash -c "test $lintian_status -le 1 || { cat '$out/lintian.log'; false; }"
check "lintian finds no hardening fault" bash -c "! grep ' hardening-' '$out/lintian.txt'"
check "lintian finds no error or warning" bash -c "! grep '^[EW]: ' '$out/lintian.txt'"

# The programs, unpacked: their libraries are found, they answer, the editor opens its main window offscreen,
# and the tool checks the sample the package installs. That names its Maildir homes relative to the program's
# folder (../../examples/maildir), which an installation lacks: check says so of those two homes and of
# nothing else, as the README tells; with a copy of those folders at the root's top, it passes.
for program in postvane-config postvane-config-tool; do
    check "$program finds every library" bash -c "! ldd '$root/usr/bin/$program' | grep -q 'not found'"
done
tool=$root/usr/bin/postvane-config-tool
editor=$root/usr/bin/postvane-config
check "postvane-config-tool --version" bash -c "'$tool' --version | grep -qx 'postvane-config-tool $version'"
check "postvane-config-tool --help" bash -c "'$tool' --help | grep -q '^Usage: postvane-config-tool'"
export QT_QPA_PLATFORM=offscreen
check "postvane-config --version" bash -c "timeout 60 '$editor' --version | grep -qx 'postvane-config $version'"
check "postvane-config --help" bash -c "timeout 60 '$editor' --help | grep -q '^Usage: postvane-config'"
homes_missing() {
    local said status=0
    said=$("$tool" check "$examples/config/master.xml") || status=$?
    test "$status" -eq 1 && test "$said" = "Local Drop: Home Folder does not exist: $root/usr/bin/../../examples/maildir/local
Bulk Drop: Home Folder does not exist: $root/usr/bin/../../examples/maildir/bulk" || { echo "$said"; false; }
}
check "postvane-config-tool check of the installed sample names only its Maildir homes" homes_missing
mkdir -p "$root/examples"
cp -R examples/maildir "$root/examples/maildir"
check "postvane-config-tool check of the installed sample with its Maildir homes" "$tool" check "$examples/config/master.xml"
check "postvane-config opens the installed sample's main window" \
    timeout 60 "$editor" --quit-when-shown "$examples/config/master.xml"

# Installed by dpkg into a scratch root (its own empty package database, so the dependencies are not there to
# be checked), listed, and removed without a trace.
target=$out/installed
mkdir -p "$target/var/lib/dpkg/info" "$target/var/lib/dpkg/updates"
touch "$target/var/lib/dpkg/status"
dpkg_root() { dpkg --root="$target" --force-depends --force-not-root --force-script-chrootless "$@"; }
check "dpkg installs the package" dpkg_root --install "$deb"
check "dpkg lists it as installed" bash -c "dpkg --root='$target' --status postvane-config | grep -qx 'Status: install ok installed'"
check "dpkg installed /usr/bin/postvane-config-tool" test -x "$target/usr/bin/postvane-config-tool"
check "dpkg purges the package" dpkg_root --purge postvane-config
check "nothing of it is left" test -z "$(find "$target/usr" -type f 2>/dev/null)"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks it:
#   its file list, its control fields, lintian without errors, the desktop
#   entry and the AppStream metainfo, and the packaged zelvar-cli running the
#   default design as the built one does; the debug symbols package holding
#   the programs' debug information, which the package's programs lack; with
#   --hardened, the programs' hardening (PIE, RELRO, BIND_NOW, stack
#   protector, fortified functions) from Debian's build flags.
# Usage: dist/check-package.sh BUILD_DIR BUILT_ZELVAR_CLI [--hardened]
# Exit status 0 when every check passes, 1 when one fails, 77 when a tool the
# checks need is missing (./build.sh test installs them).
set -euo pipefail
build=$(cd "$1" && pwd)
built_cli=$(realpath "$2")
hardened=${3:-}

for tool in cpack dpkg-deb dpkg-shlibdeps lintian desktop-file-validate appstreamcli file readelf; do
    if ! command -v "$tool" >/dev/null; then
        echo "skipped: $tool is not installed"
        exit 77
    fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}

echo "== building the package"
(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || {
    cat "$work/cpack.log"
    echo "FAILED: cpack"
    exit 1
}
debs=("$work"/out/zelvar_*.deb)
deb=${debs[0]}
[ -f "$deb" ] || { echo "FAILED: no zelvar_*.deb made"; exit 1; }
echo "$(basename "$deb")"

echo "== file list"
dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./|/|; s|/$||' | grep -v '^$' | sort >"$work/files"
sort >"$work/expected" <<'EOF'
/usr
/usr/bin
/usr/bin/zelvar
/usr/bin/zelvar-cli
/usr/share
/usr/share/applications
/usr/share/applications/org.zelvar.designer.desktop
/usr/share/bash-completion
/usr/share/bash-completion/completions
/usr/share/bash-completion/completions/zelvar-cli
/usr/share/doc
/usr/share/doc/zelvar
/usr/share/doc/zelvar/changelog.gz
/usr/share/doc/zelvar/copyright
/usr/share/icons
/usr/share/icons/hicolor
/usr/share/icons/hicolor/scalable
/usr/share/icons/hicolor/scalable/apps
/usr/share/icons/hicolor/scalable/apps/org.zelvar.designer.svg
/usr/share/man
/usr/share/man/man1
/usr/share/man/man1/zelvar-cli.1.gz
/usr/share/man/man1/zelvar.1.gz
/usr/share/metainfo
/usr/share/metainfo/org.zelvar.designer.metainfo.xml
/usr/share/mime
/usr/share/mime/packages
/usr/share/mime/packages/org.zelvar.designer.xml
EOF
# The picture library zelvar-cli loads, in its folder of the multiarch
# library folder.
multiarch=$(gcc -print-multiarch 2>/dev/null || dpkg-architecture -qDEB_HOST_MULTIARCH)
printf '%s\n' /usr/lib "/usr/lib/$multiarch" "/usr/lib/$multiarch/zelvar" \
    "/usr/lib/$multiarch/zelvar/libzelvar-pictures.so" >>"$work/expected"
sort -o "$work/expected" "$work/expected"
diff -u "$work/expected" "$work/files" || fail "the file list differs from the expected one (- expected, + packaged)"

echo "== control fields"
field() { dpkg-deb -f "$deb" "$1"; }
dpkg-deb -f "$deb"
version=$("$built_cli" --version | sed -n 's/^zelvar-cli //p')
[ "$(field Package)" = zelvar ] || fail "Package is not zelvar"
[ "$(field Version)" = "$version" ] || fail "Version $(field Version) is not the program's $version"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ -n "$(field Description)" ] || fail "no Description"
depends=", $(field Depends),"
for d in fonts-dejavu-core fonts-dejavu-extra libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6; do
    case "$depends" in
        *", $d "* | *", $d,"*) ;;
        *) fail "Depends lacks $d" ;;
    esac
done

echo "== lintian"
if ! lintian --fail-on error --tag-display-limit 0 "$deb"; then
    fail "lintian reports errors"
fi

echo "== installed files"
dpkg-deb -x "$deb" "$work/root"
desktop-file-validate "$work/root/usr/share/applications/org.zelvar.designer.desktop" ||
    fail "desktop-file-validate"
appstreamcli validate --no-net --explain "$work/root/usr/share/metainfo/org.zelvar.designer.metainfo.xml" ||
    fail "appstreamcli validate"
bash -n "$work/root/usr/share/bash-completion/completions/zelvar-cli" || fail "the completion script does not parse"
for page in zelvar zelvar-cli; do
    warnings=$(zcat "$work/root/usr/share/man/man1/$page.1.gz" | LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z 2>&1)
    [ -z "$warnings" ] || fail "$page.1: $warnings"
done

echo "== the packaged zelvar-cli"
cli="$work/root/usr/bin/zelvar-cli"
[ "$("$cli" --version)" = "zelvar-cli $version" ] || fail "packaged zelvar-cli --version: $("$cli" --version)"
mkdir "$work/packaged" "$work/built"
status=0
(cd "$work/packaged" && "$cli" design >report 2>errors) || status=$?
(cd "$work/built" && "$built_cli" design >report 2>errors) || true
[ "$status" = 0 ] || fail "packaged zelvar-cli design exits $status: $(cat "$work/packaged/errors")"
tail -n 1 "$work/packaged/report"
grep -qx 'Values saved in file zelvar.val' "$work/packaged/report" || fail "the design report does not end with the value file"
cmp "$work/built/report" "$work/packaged/report" || fail "the packaged design report differs from the built one"
cmp "$work/built/zelvar.val" "$work/packaged/zelvar.val" || fail "the packaged zelvar.val differs from the built one"
# The picture comes from the packaged picture library, found from the
# packaged program's folder.
status=0
(cd "$work/packaged" && QT_QPA_PLATFORM=offscreen "$cli" simulate --values zelvar.val --png p.png >picture 2>errors) ||
    status=$?
(cd "$work/built" && QT_QPA_PLATFORM=offscreen "$built_cli" simulate --values zelvar.val --png p.png >picture 2>errors) ||
    true
[ "$status" = 0 ] || fail "packaged zelvar-cli simulate --png exits $status: $(cat "$work/packaged/errors")"
cmp "$work/built/p.png" "$work/packaged/p.png" || fail "the packaged program's picture differs from the built one's"

echo "== debug symbols"
ddebs=("$work"/out/zelvar-dbgsym_*.ddeb)
ddeb=${ddebs[0]}
if [ ! -f "$ddeb" ]; then
    fail "no zelvar-dbgsym_*.ddeb made"
else
    echo "$(basename "$ddeb")"
    [ "$(dpkg-deb -f "$ddeb" Package)" = zelvar-dbgsym ] || fail "the debug package is not zelvar-dbgsym"
    [ "$(dpkg-deb -f "$ddeb" Depends)" = "zelvar (= $version)" ] ||
        fail "zelvar-dbgsym depends on '$(dpkg-deb -f "$ddeb" Depends)', not 'zelvar (= $version)'"
    dpkg-deb -x "$ddeb" "$work/dbgsym"
    for program in zelvar zelvar-cli; do
        elf="$work/root/usr/bin/$program"
        id=$(LC_ALL=C readelf -n "$elf" | sed -n 's/^ *Build ID: //p')
        debug="$work/dbgsym/usr/lib/debug/.build-id/${id:0:2}/${id:2}.debug"
        if [ -z "$id" ] || [ ! -f "$debug" ]; then
            fail "$program: no debug file for build ID '$id' in zelvar-dbgsym"
        elif ! LC_ALL=C readelf -S "$debug" | grep -q '\.debug_info'; then
            fail "$program: the debug file has no debug information"
        fi
        ! LC_ALL=C readelf -S "$elf" | grep -q '\.debug_info' || fail "$program: the package's program keeps its debug information"
    done
fi

if [ "$hardened" = --hardened ]; then
    echo "== hardening"
    for program in zelvar zelvar-cli; do
        elf="$work/root/usr/bin/$program"
        LC_ALL=C readelf -h "$elf" | grep -q 'Type: *DYN' || fail "$program: not a position-independent executable"
        LC_ALL=C readelf -l "$elf" | grep -q 'GNU_RELRO' || fail "$program: no RELRO segment"
        LC_ALL=C readelf -d "$elf" | grep -Eq 'BIND_NOW|FLAGS_1.*NOW' || fail "$program: not linked with -z now"
        symbols=$(LC_ALL=C readelf --dyn-syms -W "$elf")
        grep -q '__stack_chk_fail' <<<"$symbols" || fail "$program: no stack protector"
        grep -Eq '__[a-z_]+_chk(@|$| )' <<<"$symbols" || fail "$program: no fortified function"
    done
fi

if [ "$failures" -gt 0 ]; then
    echo "$failures package check(s) failed"
    exit 1
fi
echo "package checks passed"

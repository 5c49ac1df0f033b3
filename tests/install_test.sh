#!/usr/bin/env bash
# cmake --install of a build tree, staged with DESTDIR: the program with Resources/ beside
# bin/ under the prefix, and a desktop entry and icon where desktops look for that prefix,
# the entry accepted by desktop-file-validate and naming the installed program and icon.
# Usage: install_test.sh BUILD_DIR
set -u
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
expect() {
    [ "$2" = "$3" ] && return
    printf 'FAILED: %s\n  got:    %s\n  wanted: %s\n' "$1" "$2" "$3"
    failures=$((failures + 1))
}

# A prefix, then the share/ its entry and icon go to.
while read -r prefix share; do
    stage="$tmp/stage"
    rm -rf "$stage"
    # A component name of its own leaves the user's build/install_manifest.txt alone.
    DESTDIR=$stage cmake --install "$build" --prefix "$prefix" --component Unspecified >/dev/null
    expect "$prefix: files" "$(cd "$stage" && find . -type f | LC_ALL=C sort | tr '\n' ' ')" \
        ".$prefix/Resources/calvenor-logo-3d.png .$prefix/bin/quorbit .$share/applications/quorbit.desktop .$share/icons/hicolor/128x128/apps/quorbit.png "
    icon="$share/icons/hicolor/128x128/apps/quorbit.png"
    expect "$prefix: icon size" "$(identify -format '%wx%h' "$stage$icon" 2>&1)" 128x128
    entry="$stage$share/applications/quorbit.desktop"
    expect "$prefix: entry check" "$(desktop-file-validate "$entry" 2>&1; echo "status $?")" "status 0"
    expect "$prefix: entry names" "$(grep -E '^(Exec|Icon)=' "$entry" | tr '\n' ' ')" \
        "Exec=$prefix/bin/quorbit %f Icon=$icon Exec=$prefix/bin/quorbit --with-options %f "
done <<LIST
$tmp/home/.local $tmp/home/.local/share
/usr/local /usr/local/share
/opt/quorbit /usr/local/share
LIST
exit "$failures"

#!/usr/bin/env bash
# One check of Purgix's install tree.
# Usage: install_check.sh tree|desktop-entry|metainfo|manual-pages|completion BINARY_DIR STAGE
# "tree" installs BINARY_DIR into STAGE (prefix /usr) and compares the files with the list
# below; the other checks validate one kind of installed file. Exit 77 means skipped.
set -euo pipefail

check=$1 binary_dir=$2 stage=$3
usr=$stage/usr
id=io.github.purgix.purgix

needs() {
    command -v "$1" >/dev/null || { echo "$1 is not installed: check skipped"; exit 77; }
}

# A gzip -9n file has no time stamp: bytes 4 to 7 of its header are zero.
check_gzip_n() {
    gzip -t "$1"
    [[ $(od -An -tx1 -j4 -N4 "$1" | tr -d ' \n') == 00000000 ]] || {
        echo "$1 carries a time stamp: not made with gzip -n"; return 1; }
}

expected_files() {
    printf '%s\n' bin/purgix bin/purgix-cli \
        share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
        share/bash-completion/completions/purgix-cli \
        share/icons/hicolor/scalable/apps/$id.svg \
        share/man/man1/purgix.1.gz share/man/man1/purgix-cli.1.gz
    for size in 16 24 32 48 64 128 256; do
        echo "share/icons/hicolor/${size}x${size}/apps/$id.png"
    done
}

case $check in
tree)
    rm -rf "$stage"
    DESTDIR=$stage cmake --install "$binary_dir" --prefix /usr >/dev/null
    diff -u <(expected_files | sort) <(cd "$usr" && find . -type f | sed 's|^\./||' | sort)
    for file in share/man/man1/purgix.1.gz share/man/man1/purgix-cli.1.gz; do
        check_gzip_n "$usr/$file"
    done
    ;;
desktop-entry)
    needs desktop-file-validate
    desktop-file-validate "$usr/share/applications/$id.desktop"
    grep -qx 'Exec=purgix %f' "$usr/share/applications/$id.desktop"
    ;;
metainfo)
    needs appstreamcli
    appstreamcli validate --pedantic --no-net "$usr/share/metainfo/$id.metainfo.xml"
    ;;
manual-pages)
    needs man
    for page in purgix purgix-cli; do
        # groff's and man's warnings go to standard error; a clean page has none.
        warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$usr/share/man/man1/$page.1.gz" \
            2>&1 >/dev/null)
        [[ -z $warnings ]] || { echo "$page.1: $warnings"; exit 1; }
        LC_ALL=C.UTF-8 man -l "$usr/share/man/man1/$page.1.gz" | grep -q "^NAME"
    done
    ;;
completion)
    [[ -r /usr/share/bash-completion/bash_completion ]] || {
        echo "bash-completion is not installed: check skipped"; exit 77; }
    exec bash "$(dirname "$0")/completion_check.bash" "$usr/share/bash-completion/completions/purgix-cli"
    ;;
*)
    echo "unknown check $check" >&2
    exit 2
    ;;
esac

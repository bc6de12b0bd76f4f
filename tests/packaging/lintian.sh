#!/bin/sh
# Builds the Debian package of this build into a temporary folder and lets
# lintian judge it: any error or warning fails. Skipped (77) without lintian.
set -eu
build=$1
if ! command -v lintian >/dev/null 2>&1; then
    echo "lintian is not installed: skipped"
    exit 77
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
if ! (cd "$build" && cpack -G DEB -B "$out") >"$out/cpack.log" 2>&1; then
    cat "$out/cpack.log"
    exit 1
fi
deb=$(ls "$out"/*.deb)
lintian --fail-on error,warning --tag-display-limit 0 "$deb"

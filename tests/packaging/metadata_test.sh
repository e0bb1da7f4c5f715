#!/usr/bin/env bash
# The desktop entry and the AppStream metadata pass their validators, the metadata launches the
# desktop entry that is installed, and the metadata's newest release and the Debian changelog's
# newest entry are the project's version.
# Usage: metadata_test.sh SOURCE_DIR VERSION
set -uo pipefail

source_dir=$1
version=$2
desktop=$source_dir/app/resources/ombreltenc.desktop
metainfo=$(echo "$source_dir"/app/resources/*.metainfo.xml)
failed=0
fail() { echo "$*"; failed=1; }

desktop-file-validate "$desktop" || fail "desktop-file-validate refuses $desktop"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli refuses $metainfo"

# The metadata file is named after its id, as software centres look it up.
id=$(grep -oP '(?<=<id>)[^<]+' "$metainfo")
[ "$(basename "$metainfo")" = "$id.metainfo.xml" ] || fail "$metainfo does not carry the id $id"
launchable=$(grep -oP '(?<=<launchable type="desktop-id">)[^<]+' "$metainfo")
[ "$launchable" = "$(basename "$desktop")" ] || fail "the metadata launches '$launchable', the desktop entry is $(basename "$desktop")"

release=$(grep -oP '(?<=<release version=")[^"]+' "$metainfo" | head -n 1)
[ "$release" = "$version" ] || fail "the metadata's newest release is '$release', the project's version $version"
entry=$(dpkg-parsechangelog -l "$source_dir/packaging/changelog" -S Version)
[ "$entry" = "$version" ] || fail "packaging/changelog's newest entry is '$entry', the project's version $version"

[ "$failed" -eq 0 ] && echo "desktop entry and metadata valid; release $version recorded"
exit "$failed"

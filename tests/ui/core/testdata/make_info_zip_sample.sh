#!/usr/bin/env bash
# Regenerates info_zip_sample.zip with Info-ZIP's zip, so that the zip reader is checked against
# an archive it did not write itself: "skin/readme.txt" stored, "skin/Install.xml" deflated, both
# with the extended timestamp 2024-05-06 07:08:10 UTC that zip writes by default.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/skin"
printf 'stored entry\n' > "$work/skin/readme.txt"
{
  printf '<Window>'
  for _ in $(seq 40); do printf '<Control width="10" />'; done
  printf '</Window>\n'
} > "$work/skin/Install.xml"
touch -d '2024-05-06 07:08:10 UTC' "$work/skin/readme.txt" "$work/skin/Install.xml"
rm -f "$here/info_zip_sample.zip"
cd "$work"
TZ=UTC zip -q -D -0 "$here/info_zip_sample.zip" skin/readme.txt
TZ=UTC zip -q -D -9 "$here/info_zip_sample.zip" skin/Install.xml

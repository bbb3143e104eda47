#!/usr/bin/env bash
# Benchmark: installs a 256 MiB release (a few large files, many small ones) from the local
# update server with engine-run under Wine, and does the same download and unpack with native
# curl + 7zz; then compares FileMd5Hex with md5sum on a 256 MiB file. Prints the figures.
set -euo pipefail
repo_root=$(cd "$(dirname "$0")/.." && pwd)
# The build this machine runs: i686 under 32-bit Wine, else x86_64 under 64-bit Wine.
QUENBY_ARCH=$(bash "$repo_root/scripts/arch.sh")
export QUENBY_ARCH
QUENBY_SKIP_SETUP=${QUENBY_SKIP_SETUP:-1} bash "$repo_root/scripts/build.sh" >/dev/null
command -v curl >/dev/null || apt-get install -y -qq curl >/dev/null
build_dir=${QUENBY_BUILD_DIR:-$repo_root/build/$QUENBY_ARCH}
prefix=$("$repo_root/scripts/wine-run.sh" --prefix "$QUENBY_ARCH")
wine_run=$repo_root/scripts/wine-run.sh

work=$(mktemp -d /tmp/quenby-bench-XXXXXX)
server_pid=
trap 'kill $server_pid 2>/dev/null || true; rm -rf "$work" "$prefix/drive_c/QuenbyBench"' EXIT

release=$work/release
bash "$repo_root/bench/make_release.sh" "$release/big" "$release/small"

python3 "$repo_root/tools/update_server/server.py" --root "$work/served" --no-tls \
  > "$work/address" &
server_pid=$!
for _ in $(seq 50); do [[ -s $work/address ]] && break; sleep 0.1; done
base=$(cut -d' ' -f1 < "$work/address")
python3 "$repo_root/tools/publisher/publish.py" --release "$release" --output "$work/served" \
  --base-url "$base" > /dev/null

now() { date +%s.%N; }

rm -rf "$prefix/drive_c/QuenbyBench"
"$wine_run" cmd /c exit 0 >/dev/null 2>&1 || true  # the prefix and wineserver are up
start=$(now)
"$wine_run" "$build_dir/tools/engine_run/engine-run.exe" "$base" 'C:\QuenbyBench' \
  --answer cancel --quiet > "$work/engine.log"
engine_seconds=$(echo "$(now) - $start" | bc)
grep -q '^complete' "$work/engine.log"

# The same downloads and unpacks, natively.
manifest=$work/served/checkupdate/tarskT/shichang/electron/update.xml
python3 - "$manifest" > "$work/list" <<'PY'
import sys, xml.etree.ElementTree as ET
for f in ET.parse(sys.argv[1]).getroot():
    print(f.findtext("Url") + f.findtext("Name"), (f.findtext("Dir") or "").replace("\\", "/"),
          f.findtext("Name"), sep="|")
PY
native=$work/native
start=$(now)
while IFS='|' read -r url dir name; do
  mkdir -p "$native/$dir"
  curl -s -f -o "$native/${dir}temp.pak" "$url"
  7zz x -y -bso0 -bsp0 "-o$native/$dir" "$native/${dir}temp.pak"
  rm "$native/${dir}temp.pak"
  mv "$native/$dir$name.tmp" "$native/$dir$name"
done < "$work/list"
native_seconds=$(echo "$(now) - $start" | bc)

cmp <(cd "$prefix/drive_c/QuenbyBench" && find . -type f | sort | xargs md5sum) \
    <(cd "$native" && find . -type f | sort | xargs md5sum) >/dev/null

big=$release/big/part1.bin
cat "$big" "$big" "$big" "$big" > "$work/md5.bin"   # 256 MiB
cat "$work/md5.bin" > /dev/null
start=$(now); md5sum "$work/md5.bin" > /dev/null; md5sum_seconds=$(echo "$(now) - $start" | bc)
read -r _ ours_seconds < <("$wine_run" "$build_dir/bench/md5-bench.exe" "Z:$work/md5.bin" | tr -d '\r')

printf 'install of 256 MiB (%d files): engine-run %.2f s, curl + 7zz %.2f s, ratio %.2f (target <= 1.25)\n' \
  "$(wc -l < "$work/list")" "$engine_seconds" "$native_seconds" \
  "$(echo "$engine_seconds / $native_seconds" | bc -l)"
printf 'MD5 of 256 MiB: FileMd5Hex %.2f s (%.0f MiB/s), md5sum %.2f s (%.0f MiB/s), ratio %.2f (target >= 0.8)\n' \
  "$ours_seconds" "$(echo "256 / $ours_seconds" | bc -l)" "$md5sum_seconds" \
  "$(echo "256 / $md5sum_seconds" | bc -l)" "$(echo "$md5sum_seconds / $ours_seconds" | bc -l)"

#!/usr/bin/env bash
# Benchmark: the engine's install throughput against two floors, for two shapes of release
# (3 × 64 MiB incompressible files; 2048 × 32 KiB files, half of them text), served by nginx:
#   engine     engine-run under Wine, less its fixed start-up (the same run over an empty manifest)
#   wine floor bench/wine_floor.cpp under Wine: per file only connect, GET with 1 MiB receives
#              into temp.pak, read back into name.tmp, delete temp.pak, replace (less its start-up).
#              Its unpack copies each block into a dictionary and checks its CRC-32: what the
#              engine's decoding amounts to for the large release, as 7zz stores incompressible
#              data as LZMA2 copy chunks; for the small files it decodes nothing
#   native     one curl process fetching every package over one kept-alive connection, then one
#              7zz process unpacking them all, then the renames
# and a breakdown of the engine's time as seen from its reports, with the unpack-and-place phase
# measured on its own (unpack-bench over the same packages, already on disk).
# Each measure is the median of its runs; the two ratios engine / Wine floor are printed with
# their goals (small files at most 1.5, large files at most 1.3).
# Usage: bash bench/throughput_bench.sh [runs per measure, default 3]
set -euo pipefail
repo_root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-3}
# The build this machine runs: i686 under 32-bit Wine, else x86_64 under 64-bit Wine.
QUENBY_ARCH=$(bash "$repo_root/scripts/arch.sh")
export QUENBY_ARCH
QUENBY_SKIP_SETUP=${QUENBY_SKIP_SETUP:-1} bash "$repo_root/scripts/build.sh" >/dev/null
for tool in nginx curl bc; do
  command -v $tool >/dev/null || apt-get install -y -qq $tool >/dev/null
done
build_dir=${QUENBY_BUILD_DIR:-$repo_root/build/$QUENBY_ARCH}
prefix=$("$repo_root/scripts/wine-run.sh" --prefix "$QUENBY_ARCH")
wine_run=$repo_root/scripts/wine-run.sh

work=$(mktemp -d /tmp/quenby-throughput-XXXXXX)
chmod 755 "$work"  # nginx workers run as another user
bench_drive=$prefix/drive_c/QBench
nginx_pid=
wine_keepalive_pid=
trap 'kill $nginx_pid $wine_keepalive_pid 2>/dev/null; rm -rf "$work" "$bench_drive"' EXIT
# Wine's server and system processes stay up for the whole benchmark: started with each measured
# program, they would run beside it on the same cores and add a second or so that the start-up
# subtracted below, measured over a run too short to meet them, does not take away.
source "$repo_root/scripts/keep-wine-up.sh"
source "$repo_root/bench/bench_common.sh"
keep_wine_up "$build_dir"

# The releases.
bash "$repo_root/bench/make_release.sh" "$work/release/large" "$work/release/small"

# nginx on a free loopback port, serving the published releases.
start_nginx
base=http://127.0.0.1:$port

for shape in large small; do
  python3 "$repo_root/tools/publisher/publish.py" --release "$work/release/$shape" \
    --output "$work/served/$shape" --base-url "$base/$shape" > /dev/null
done
write_empty_manifest

mkdir -p "$bench_drive"
before='rm -rf "$bench_drive/engine"'
engine_start=$(median "$wine_run" "$build_dir/tools/engine_run/engine-run.exe" "$base/empty" \
  'C:\QBench\engine' --answer cancel --quiet)
: > "$work/floor-empty.list"
before=:
floor_start=$(median "$wine_run" "$build_dir/bench/wine-floor.exe" "Z:$work/floor-empty.list")

declare -A engine_s floor_s native_s
for shape in large small; do
  served=$work/served/$shape
  # The engine.
  before='rm -rf "$bench_drive/engine"'
  engine_s[$shape]=$(echo "$(median "$wine_run" "$build_dir/tools/engine_run/engine-run.exe" \
    "$base/$shape" 'C:\QBench\engine' --answer cancel --quiet --timings) - $engine_start" | bc -l)
  grep -q '^complete' "$work/last.out"
  grep '^timing' "$work/last.out" > "$work/$shape.timings"

  # Lists of the published packages: relative folder, name.
  python3 - "$served/$manifest_path" > "$work/$shape.items" <<'PY'
import sys, xml.etree.ElementTree as ET
for f in ET.parse(sys.argv[1]).getroot():
    print((f.findtext("Dir") or "").replace("\\", "/"), f.findtext("Name"), sep="|")
PY
  # Unpack and place alone, from the packages on disk.
  awk -F'|' -v served="Z:$served/files/" -v shape=$shape '{
      dir = $1; gsub("/", "\\", dir); pkg = served $1 $2; gsub("/", "\\", pkg);
      print pkg "|C:\\QBench\\unpack\\" shape "\\" dir "|" $2 }' "$work/$shape.items" \
    > "$work/$shape.unpack.list"
  before='rm -rf "$bench_drive/unpack"; mkdir -p "$bench_drive/unpack"'
  median "$wine_run" "$build_dir/bench/unpack-bench.exe" "Z:$work/$shape.unpack.list" > /dev/null
  unpack_s=$(tail -n1 "$work/last.out" | awk '{print $2}' | tr -d '\r')
  echo "timing unpack-and-place $unpack_s" >> "$work/$shape.timings"

  # The Wine floor.
  awk -F'|' -v port=$port -v shape=$shape '{
      dir = $1; gsub("/", "\\", dir);
      print port "|/" shape "/files/" $1 $2 "|C:\\QBench\\floor\\" shape "\\" dir "|" $2 }' \
    "$work/$shape.items" > "$work/$shape.floor.list"
  before='rm -rf "$bench_drive/floor"'
  floor_s[$shape]=$(echo "$(median "$wine_run" "$build_dir/bench/wine-floor.exe" \
    "Z:$work/$shape.floor.list") - $floor_start" | bc -l)

  # The native floor.
  awk -F'|' -v base=$base -v shape=$shape -v out="$work/native" '{
      printf "url = \"%s/%s/files/%s%s\"\noutput = \"%s/p%d.pak\"\n", base, shape, $1, $2, out, NR }' \
    "$work/$shape.items" > "$work/$shape.curl"
  native_run() {
    rm -rf "$work/native" && mkdir -p "$work/native/out"
    curl -s -f -K "$work/$shape.curl" && native_unpack_and_place
  }
  before=:
  native_s[$shape]=$(median native_run)
done

# Requests to the Wine server a file, small release: one traced run of each program, less a
# traced run over nothing. Each request is a line "tid: name( args )" of WINEDEBUG=+server.
requests() {
  WINEDEBUG=+server "$@" 2>&1 >/dev/null | grep -acE '^[0-9a-f]{4}: [a-z_0-9]+\( '
}
# The server traces what it is asked only when the traced program starts it: Wine is let down.
kill "$wine_keepalive_pid"
wait "$wine_keepalive_pid" 2>/dev/null || true
wine_keepalive_pid=
WINEPREFIX=$prefix wineserver -w
rm -rf "$bench_drive/engine"
engine_requests=$(requests "$wine_run" "$build_dir/tools/engine_run/engine-run.exe" \
  "$base/small" 'C:\QBench\engine' --answer cancel --quiet)
rm -rf "$bench_drive/engine"
engine_requests_start=$(requests "$wine_run" "$build_dir/tools/engine_run/engine-run.exe" \
  "$base/empty" 'C:\QBench\engine' --answer cancel --quiet)
rm -rf "$bench_drive/floor"
floor_requests=$(requests "$wine_run" "$build_dir/bench/wine-floor.exe" "Z:$work/small.floor.list")
floor_requests_start=$(requests "$wine_run" "$build_dir/bench/wine-floor.exe" \
  "Z:$work/floor-empty.list")
small_files=$(wc -l < "$work/small.items")

echo
printf '%-26s %10s %10s %10s %9s %9s\n' release engine "wine floor" native "vs wine" "vs native"
for shape in large small; do
  label=$([[ $shape == large ]] && echo "3 x 64 MiB, incompressible" || echo "2048 x 32 KiB, half text")
  printf '%-26s %9.2fs %9.2fs %9.2fs %9.2f %9.2f\n' "$label" "${engine_s[$shape]}" \
    "${floor_s[$shape]}" "${native_s[$shape]}" \
    "$(echo "${engine_s[$shape]} / ${floor_s[$shape]}" | bc -l)" \
    "$(echo "${engine_s[$shape]} / ${native_s[$shape]}" | bc -l)"
done
echo
for shape in small large; do
  goal=$([[ $shape == small ]] && echo 1.5 || echo 1.3)
  ratio=$(echo "${engine_s[$shape]} / ${floor_s[$shape]}" | bc -l)
  verdict=$( (( $(echo "$ratio <= $goal" | bc -l) )) && echo met || echo "not met")
  files=$(wc -l < "$work/$shape.items")
  printf '%s files: engine / Wine floor %.2f (goal at most %s: %s); %.2f ms a file against %.2f\n' \
    "$shape" "$ratio" "$goal" "$verdict" "$(echo "${engine_s[$shape]} * 1000 / $files" | bc -l)" \
    "$(echo "${floor_s[$shape]} * 1000 / $files" | bc -l)"
done
printf 'Wine server requests a file, small files: engine %.1f, Wine floor %.1f\n' \
  "$(echo "($engine_requests - $engine_requests_start) / $small_files" | bc -l)" \
  "$(echo "($floor_requests - $floor_requests_start) / $small_files" | bc -l)"
printf 'fixed start-up subtracted: engine-run %.2f s, wine-floor %.2f s (median of %d runs each)\n' \
  "$engine_start" "$floor_start" "$runs"
for shape in large small; do
  echo
  echo "engine breakdown, $shape (seconds; between-files holds the previous file's unpack and"
  echo "place and this file's folder, connection and request; unpack-and-place measured alone):"
  awk '{ if ($2 == "files") printf "  %s files, %s reports\n", $3, $5; else printf "  %-18s %s\n", $2, $3 }' \
    "$work/$shape.timings"
  commit_s=$(awk '$2 == "commit" { print $3 }' "$work/$shape.timings")
  printf '  the commit is %.1f %% of the engine'"'"'s time\n' \
    "$(echo "$commit_s * 100 / ${engine_s[$shape]}" | bc -l)"
done

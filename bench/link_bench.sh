#!/usr/bin/env bash
# Benchmark: many small files over a simulated access link, and the large files on loopback.
#   small  512 files of 32 KiB, half of them text, served by nginx behind bench/link_forwarder.py
#          (40 ms round trip, 100 Mbit/s each way, shared by every connection):
#            engine        engine-run under Wine, less its start-up over the same link (a run
#                          over an empty manifest)
#            engine x1     the same with one transfer at a time (engine-run --transfers 1)
#            link floor    the packages' bytes at the link's rate plus two round trips
#            native        curl -Z --parallel-max 8 fetching every package, then one 7zz process
#                          unpacking them all, then the renames
#  large   3 x 64 MiB incompressible files from nginx on loopback: engine against one curl
#          process and 7zz, as bench/throughput_bench.sh measures them.
# Prints the figures and the ratios with their goals (small: engine / native at most 1.2; large:
# at most 1.3). Each figure is the median of its runs.
# Usage: bash bench/link_bench.sh [runs per measure, default 3]
set -euo pipefail
repo_root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-3}
rtt_ms=40
mbit=100
QUENBY_ARCH=$(bash "$repo_root/scripts/arch.sh")
export QUENBY_ARCH
QUENBY_SKIP_SETUP=${QUENBY_SKIP_SETUP:-1} bash "$repo_root/scripts/build.sh" >/dev/null
for tool in nginx curl bc 7zz; do
  command -v $tool >/dev/null || { echo "$tool is missing (scripts/setup.sh installs it)"; exit 1; }
done
build_dir=${QUENBY_BUILD_DIR:-$repo_root/build/$QUENBY_ARCH}
prefix=$("$repo_root/scripts/wine-run.sh" --prefix "$QUENBY_ARCH")
wine_run=$repo_root/scripts/wine-run.sh
engine_run=$build_dir/tools/engine_run/engine-run.exe

work=$(mktemp -d /tmp/quenby-link-XXXXXX)
chmod 755 "$work"  # nginx workers run as another user
bench_drive=$prefix/drive_c/QLinkBench
nginx_pid=
forwarder_pid=
wine_keepalive_pid=
trap 'kill $nginx_pid $forwarder_pid $wine_keepalive_pid 2>/dev/null; rm -rf "$work" "$bench_drive"' EXIT
source "$repo_root/scripts/keep-wine-up.sh"
source "$repo_root/bench/bench_common.sh"
keep_wine_up "$build_dir"

# The releases: the small one here, the large one as bench/make_release.sh makes it.
mkdir -p "$work/release/small" "$work/release/large"
python3 - "$work/release/small" <<'PY'
import os, sys
for i in range(1, 513):
    data = os.urandom(32768) if i % 2 else (b"small file %d\n" % i * 4000)[:32768]
    with open(os.path.join(sys.argv[1], f"f{i}.dat"), "wb") as f:
        f.write(data)
PY
for i in 1 2 3; do head -c $((64 << 20)) /dev/urandom > "$work/release/large/part$i.bin"; done

start_nginx
python3 "$repo_root/bench/link_forwarder.py" --upstream "$port" --rtt-ms $rtt_ms --mbit $mbit \
  > "$work/forwarder.port" &
forwarder_pid=$!
for _ in $(seq 50); do
  [[ -s $work/forwarder.port ]] && break
  sleep 0.1
done
local_base=http://127.0.0.1:$port
link_base=http://127.0.0.1:$(cat "$work/forwarder.port")

python3 "$repo_root/tools/publisher/publish.py" --release "$work/release/small" \
  --output "$work/served/small" --base-url "$link_base/small" > /dev/null
python3 "$repo_root/tools/publisher/publish.py" --release "$work/release/large" \
  --output "$work/served/large" --base-url "$local_base/large" > /dev/null
write_empty_manifest

engine() {  # <base> [options]: an install into a fresh folder that must complete
  local base=$1
  shift
  "$wine_run" "$engine_run" "$base" 'C:\QLinkBench\engine' --answer cancel --quiet "$@"
}

mkdir -p "$bench_drive"
before='rm -rf "$bench_drive/engine"'
start_link=$(median engine "$link_base/empty")
start_local=$(median engine "$local_base/empty")
engine_small=$(echo "$(median engine "$link_base/small") - $start_link" | bc -l)
grep -q '^complete' "$work/last.out"
engine_small_one=$(echo "$(median engine "$link_base/small" --transfers 1) - $start_link" | bc -l)
grep -q '^complete' "$work/last.out"
engine_large=$(echo "$(median engine "$local_base/large") - $start_local" | bc -l)
grep -q '^complete' "$work/last.out"

# The native floors: every package of a release fetched by one curl process (for the small
# release 8 at a time over the link), then one 7zz process, then the renames.
native_for() {  # <shape> <base> [curl options]
  local shape=$1 base=$2
  shift 2
  python3 - "$work/served/$shape/$manifest_path" "$base/$shape/files/" "$work/native" \
    > "$work/$shape.curl" <<'PY'
import sys, xml.etree.ElementTree as ET
for n, f in enumerate(ET.parse(sys.argv[1]).getroot()):
    path = ((f.findtext("Dir") or "").replace("\\", "/")) + f.findtext("Name")
    print(f'url = "{sys.argv[2]}{path}"\noutput = "{sys.argv[3]}/p{n}.pak"')
PY
  rm -rf "$work/native" && mkdir -p "$work/native/out"
  curl -s -f "$@" -K "$work/$shape.curl" && native_unpack_and_place
}
before=:
native_small=$(median native_for small "$link_base" -Z --parallel-max 8)
native_large=$(median native_for large "$local_base")

small_bytes=$(du -cb "$work"/served/small/files/* | tail -n1 | cut -f1)
link_floor=$(echo "$small_bytes * 8 / ($mbit * 1000000) + 2 * $rtt_ms / 1000" | bc -l)

echo
printf 'small release: 512 x 32 KiB, half text (%d bytes of packages), over %d ms / %d Mbit/s\n' \
  "$small_bytes" $rtt_ms $mbit
printf '  engine                  %7.2f s\n' "$engine_small"
printf '  engine, 1 transfer      %7.2f s\n' "$engine_small_one"
printf '  native curl x8 + 7zz    %7.2f s\n' "$native_small"
printf '  link floor              %7.2f s\n' "$link_floor"
printf 'large release: 3 x 64 MiB on loopback\n'
printf '  engine                  %7.2f s\n' "$engine_large"
printf '  native curl + 7zz       %7.2f s\n' "$native_large"
echo
verdict() { (( $(echo "$1 <= $2" | bc -l) )) && echo met || echo "not met"; }
ratio_small=$(echo "$engine_small / $native_small" | bc -l)
ratio_large=$(echo "$engine_large / $native_large" | bc -l)
printf 'small: engine / native curl x8 + 7zz %.2f (goal at most 1.2: %s); engine / link floor %.2f; 1 transfer / 8 %.2f\n' \
  "$ratio_small" "$(verdict "$ratio_small" 1.2)" "$(echo "$engine_small / $link_floor" | bc -l)" \
  "$(echo "$engine_small_one / $engine_small" | bc -l)"
printf 'large: engine / native curl + 7zz %.2f (goal at most 1.3: %s)\n' \
  "$ratio_large" "$(verdict "$ratio_large" 1.3)"
printf 'start-up subtracted: %.2f s over the link, %.2f s on loopback (median of %d runs each)\n' \
  "$start_link" "$start_local" "$runs"

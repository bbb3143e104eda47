#!/usr/bin/env bash
# Benchmark: the update of a client of about 100 MB from one release to the next, with binary
# patches. The first release holds programs of this project built at an earlier commit
# (QUENBY_DELTA_OLD_COMMIT, HEAD~20 by default, built once from `git archive` under
# ~/.cache/quenby-delta-old/; or an existing build folder, QUENBY_DELTA_OLD_BUILD), a 70 MB data file and unchanged
# files; the second the same programs from this build, the data file with scattered edits,
# insertions and deletions over about 3 % of its bytes, and the same unchanged files.
# Prints, for the changed files: the full packages' bytes, the bytes the installer downloads
# (patches where listed), the bytes of bsdiff 4.3's and of `zstd -19 --long=27 --patch-from`
# patches, and of the other candidates (xdelta3's VCDIFF, bsdiff's streams recoded by zstd -19), the publisher's time and memory for the data file's patch, and the applier's time and
# peak memory under Wine against the time the run takes to unpack the full packages; then the
# whole update by engine-run under Wine over a simulated access link (bench/link_forwarder.py:
# 40 ms round trip, 100 Mbit/s) with the patches and with full packages only, each less
# engine-run's start-up over the same link (goal: at least 5 times faster with the patches).
set -euo pipefail
repo_root=$(cd "$(dirname "$0")/.." && pwd)
QUENBY_ARCH=$(bash "$repo_root/scripts/arch.sh")
export QUENBY_ARCH
QUENBY_SKIP_SETUP=${QUENBY_SKIP_SETUP:-1} bash "$repo_root/scripts/build.sh" >/dev/null
build_dir=${QUENBY_BUILD_DIR:-$repo_root/build/$QUENBY_ARCH}
wine_run=$repo_root/scripts/wine-run.sh
command -v bsdiff >/dev/null || apt-get install -y -qq bsdiff >/dev/null
command -v zstd >/dev/null || apt-get install -y -qq zstd >/dev/null
command -v xdelta3 >/dev/null || apt-get install -y -qq xdelta3 >/dev/null

work=$(mktemp -d /tmp/quenby-delta-XXXXXX)
chmod 755 "$work"  # nginx workers run as another user
prefix=$("$wine_run" --prefix "$QUENBY_ARCH")
bench_drive=$prefix/drive_c/QDeltaBench
nginx_pid=
forwarder_pid=
wine_keepalive_pid=
trap 'kill $nginx_pid $forwarder_pid $wine_keepalive_pid 2>/dev/null; rm -rf "$work" "$bench_drive"' EXIT

# The client's programs: present in both builds, together about 30 MB.
programs=(tools/engine_run/engine-run.exe tests/engine/engine_helpers_test.exe
  tests/engine/archive/archive_test.exe tests/engine/install_run_test.exe
  tests/engine/engine_transfer_test.exe tests/ui/core/ui_core_test.exe
  tests/ui/core/window_test.exe tests/ui/core/control_test.exe
  tests/ui/render/render_engine_test.exe tests/ui/skin/skin_builder_test.exe
  tests/ui/controls/ui_controls_test.exe tests/ui/controls/rich_edit_test.exe
  tests/app/app_logic_test.exe tests/base/base_test.exe)

# The earlier build is kept between runs, one folder a commit.
commit=$(git -C "$repo_root" rev-parse "${QUENBY_DELTA_OLD_COMMIT:-HEAD~20}")
old_build=${QUENBY_DELTA_OLD_BUILD:-$HOME/.cache/quenby-delta-old/$QUENBY_ARCH-$commit/build}
missing=0
for program in "${programs[@]}"; do [[ -f $old_build/$program ]] || missing=1; done
if [[ $missing == 1 ]]; then
  [[ -z ${QUENBY_DELTA_OLD_BUILD:-} ]] || { echo "no build of ${programs[0]} in $old_build" >&2; exit 1; }
  source "$repo_root/scripts/deps/common.sh"
  old_source=$(dirname "$old_build")/source
  rm -rf "$old_source" && mkdir -p "$old_source"
  git -C "$repo_root" archive "$commit" | tar -x -C "$old_source"
  cmake -S "$old_source" -B "$old_build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$old_source/cmake/toolchain-$QUENBY_ARCH-mingw.cmake" \
    -DCMAKE_PREFIX_PATH="$DEPS_PREFIX" -DQUENBY_SIGN_TEST_CA=OFF -DBUILD_TESTING=ON \
    -DQUENBY_MANIFEST_KEYS= -DQUENBY_ALLOW_UNSIGNED_MANIFEST=ON >/dev/null 2>&1
  targets=()
  for program in "${programs[@]}"; do targets+=(--target "$(basename "$program" .exe)"); done
  cmake --build "$old_build" -j"$(nproc)" "${targets[@]}" >/dev/null
fi
cmake --build "$build_dir" -j"$(nproc)" --target patch-apply-bench unpack-bench >/dev/null

for version in v1 v2; do mkdir -p "$work/$version/bin" "$work/$version/data"; done
for program in "${programs[@]}"; do
  cp "$old_build/$program" "$work/v1/bin/"
  cp "$build_dir/$program" "$work/v2/bin/"
done
python3 - "$work" <<'PY'
import pathlib, random, sys
work = pathlib.Path(sys.argv[1])
rng = random.Random(2024)
words = [bytes(rng.choices(b"abcdefghijklmnopqrstuvwxyz", k=rng.randint(2, 10))) for _ in range(5000)]
def records(length):
    out = bytearray()
    while len(out) < length:
        out += b"%d;%s;%s;%.4f\n" % (rng.randrange(10**9), rng.choice(words), rng.choice(words),
                                      rng.random() * 1000)
    return bytes(out[:length])
# A game-like data file: text records and incompressible blocks, 70 MB.
blocks = [records(1 << 20) if i % 2 else rng.randbytes(1 << 20) for i in range(70)]
old = b"".join(blocks)
new = bytearray(old)
touched = 0
while touched < 0.03 * len(old):
    at = rng.randrange(len(new))
    size = rng.randint(64, 4096)
    kind = rng.randrange(3)
    if kind == 0:
        new[at:at + size] = rng.randbytes(size)
    elif kind == 1:
        new[at:at] = rng.randbytes(size)
    else:
        del new[at:at + size]
    touched += size
(work / "v1/data/world.dat").write_bytes(old)
(work / "v2/data/world.dat").write_bytes(bytes(new))
for name, data in (("textures.pak", rng.randbytes(3 << 20)), ("strings.txt", records(2 << 20))):
    for version in ("v1", "v2"):
        (work / version / "data" / name).write_bytes(data)
PY

publish=$repo_root/tools/publisher/publish.py
start=$(date +%s.%N)
python3 "$publish" --release "$work/v2" --output "$work/served" --base-url http://127.0.0.1:1 \
  --previous "$work/v1" >/dev/null
publish_seconds=$(echo "$(date +%s.%N) - $start" | bc -l)

# The changed files, with their packages and listed patches.
python3 - "$work" > "$work/changed" <<'PY'
import hashlib, pathlib, sys, urllib.parse
import xml.etree.ElementTree as ElementTree
work = pathlib.Path(sys.argv[1])
root = ElementTree.parse(work / "served/checkupdate/tarskT/shichang/electron/update.xml").getroot()
for entry in root:
    relative = entry.findtext("Dir").replace("\\", "/") + entry.findtext("Name")
    old = work / "v1" / relative
    if old.is_file() and hashlib.md5(old.read_bytes()).hexdigest() == entry.findtext("MD5"):
        continue
    patch = next(iter(entry.findall("Patch")), None)
    patch_path = urllib.parse.unquote(patch.get("Url").split("/", 3)[3]) if patch is not None else "-"
    print(relative, entry.findtext("Length"), patch.get("Length") if patch is not None else "-",
          patch_path)
PY

full=0 download=0 bsdiff_bytes=0 zstd_bytes=0 xdelta_bytes=0 bsdiff_zstd_bytes=0 unpatched=0
: > "$work/apply.list"
: > "$work/unpack.list"
mkdir -p "$work/applied" "$work/unpacked" "$work/ref"
while read -r relative full_length patch_length patch_path; do
  full=$((full + full_length))
  name=$(basename "$relative")
  folder="Z:$(echo "$work/unpacked/$(dirname "$relative")/" | tr / '\\')"
  echo "Z:$(echo "$work/served/files/$relative" | tr / '\\')|$folder|$name" >> "$work/unpack.list"
  mkdir -p "$work/unpacked/$(dirname "$relative")"
  if [[ $patch_length == - ]]; then
    download=$((download + full_length))
    unpatched=$((unpatched + 1))
    continue
  fi
  download=$((download + patch_length))
  echo "Z:$(echo "$work/v1/$relative" | tr / '\\')|Z:$(echo "$work/served/$patch_path" | tr / '\\')|Z:$(echo "$work/applied/$name" | tr / '\\')" >> "$work/apply.list"
  bsdiff "$work/v1/$relative" "$work/v2/$relative" "$work/ref/$name.bsdiff"
  zstd -q -19 --long=27 --patch-from="$work/v1/$relative" "$work/v2/$relative" -o "$work/ref/$name.zst"
  xdelta3 -q -e -9 -S djw -s "$work/v1/$relative" "$work/v2/$relative" "$work/ref/$name.vcdiff"
  bsdiff_bytes=$((bsdiff_bytes + $(stat -c %s "$work/ref/$name.bsdiff")))
  xdelta_bytes=$((xdelta_bytes + $(stat -c %s "$work/ref/$name.vcdiff")))
  # bsdiff's three streams, each recoded by zstd -19, with the same 72-byte header.
  bsdiff_zstd_bytes=$((bsdiff_zstd_bytes + $(python3 - "$work/ref/$name.bsdiff" <<'PY'
import bz2, struct, subprocess, sys
patch = open(sys.argv[1], "rb").read()
_, control, diff, _ = struct.unpack_from("<8s3Q", patch)
streams = (patch[32:32 + control], patch[32 + control:32 + control + diff],
           patch[32 + control + diff:])
print(72 + sum(len(subprocess.run(["zstd", "-19", "-q", "-c"], input=bz2.decompress(s),
                                  stdout=subprocess.PIPE, check=True).stdout) for s in streams))
PY
)))
  zstd_bytes=$((zstd_bytes + $(stat -c %s "$work/ref/$name.zst")))
done < "$work/changed"

# The publisher's cost for the 70 MB file, and bsdiff's alone.
read -r patch_seconds patch_kb < <(/usr/bin/time -f "%e %M" python3 \
  "$repo_root/tools/publisher/binary_patch.py" make "$work/v1/data/world.dat" \
  "$work/v2/data/world.dat" "$work/world.patch" 2>&1 >/dev/null | tail -n1)
read -r bsdiff_seconds bsdiff_kb < <(/usr/bin/time -f "%e %M" bsdiff "$work/v1/data/world.dat" \
  "$work/v2/data/world.dat" "$work/world.bsdiff" 2>&1 | tail -n1)

"$wine_run" cmd /c exit 0 >/dev/null 2>&1 || true  # the prefix and wineserver are up
apply_out=$("$wine_run" "$build_dir/bench/patch-apply-bench.exe" "Z:$(echo "$work/apply.list" | tr / '\\')" | tr -d '\r')
for f in "$work"/applied/*; do
  cmp -s "$f" "$(find "$work/v2" -name "$(basename "$f")")" || { echo "MISMATCH: $f"; exit 1; }
done
# Its last line is "<files> <seconds>"; the extraction layer's diagnostics come before it.
read -r _ unpack_seconds < <("$wine_run" "$build_dir/bench/unpack-bench.exe" "Z:$(echo "$work/unpack.list" | tr / '\\')" | tr -d '\r' | tail -n1)

mb() { echo "scale=2; $1 / 1000000" | bc -l; }
echo "release: $(du -sb "$work/v2" | cut -f1) bytes; changed files: $(wc -l < "$work/changed") ($unpatched without a patch)"
echo "full packages of the changed files: $full bytes ($(mb "$full") MB)"
echo "installer downloads (patches):      $download bytes ($(mb "$download") MB, $(echo "scale=3; $download / $bsdiff_bytes" | bc -l)x bsdiff)"
echo "bsdiff 4.3 patches:                 $bsdiff_bytes bytes ($(mb "$bsdiff_bytes") MB)"
echo "zstd -19 --long=27 --patch-from:    $zstd_bytes bytes ($(mb "$zstd_bytes") MB)"
echo "xdelta3 -9 -S djw (VCDIFF):         $xdelta_bytes bytes ($(mb "$xdelta_bytes") MB)"
echo "bsdiff streams by zstd -19:         $bsdiff_zstd_bytes bytes ($(mb "$bsdiff_zstd_bytes") MB)"
echo "per file (full / ours / bsdiff / zstd / xdelta3):"
while read -r relative full_length patch_length _; do
  name=$(basename "$relative")
  echo "  $relative: $full_length / $patch_length / $(stat -c %s "$work/ref/$name.bsdiff" 2>/dev/null || echo -) / $(stat -c %s "$work/ref/$name.zst" 2>/dev/null || echo -) / $(stat -c %s "$work/ref/$name.vcdiff" 2>/dev/null || echo -)"
done < "$work/changed"
echo "apply under Wine ($QUENBY_ARCH, patch-apply-bench):"
echo "$apply_out" | sed 's/^/  /'
echo "unpack of the full packages under Wine (unpack-bench): $unpack_seconds s"
echo "publisher, whole release with --previous: $publish_seconds s"
echo "publisher, patch of the 70 MB file: $patch_seconds s, peak $((patch_kb / 1024)) MiB (bsdiff alone: $bsdiff_seconds s, $((bsdiff_kb / 1024)) MiB)"

# The whole update over the link, as the installer makes it: the first release installed, then
# the second from its manifest with the patches, and from one without them.
for tool in nginx curl; do command -v $tool >/dev/null || apt-get install -y -qq $tool >/dev/null; done
runs=1
source "$repo_root/scripts/keep-wine-up.sh"
source "$repo_root/bench/bench_common.sh"
keep_wine_up "$build_dir"
start_nginx
python3 "$repo_root/bench/link_forwarder.py" --upstream "$port" --rtt-ms 40 --mbit 100 \
  > "$work/forwarder.port" &
forwarder_pid=$!
for _ in $(seq 50); do [[ -s $work/forwarder.port ]] && break; sleep 0.1; done
link_base=http://127.0.0.1:$(cat "$work/forwarder.port")
manifest=$work/served/$manifest_path
mkdir -p "$work/served/full/$(dirname "$manifest_path")" "$work/served/patched/$(dirname "$manifest_path")"
sed "s|http://127.0.0.1:1/|$link_base/|g" "$manifest" > "$work/served/patched/$manifest_path"
sed -e "s|http://127.0.0.1:1/|$link_base/|g" -e 's|<Patch [^>]*/>||g' "$manifest" \
  > "$work/served/full/$manifest_path"
write_empty_manifest
engine_run=$build_dir/tools/engine_run/engine-run.exe
before=:
start_s=$(median "$wine_run" "$engine_run" "$link_base/empty" 'C:\QDeltaBench\empty' --answer cancel --quiet)
declare -A update_s
for kind in patched full; do
  before='rm -rf "$bench_drive/client" && mkdir -p "$bench_drive" && cp -r "$work/v1" "$bench_drive/client"'
  update_s[$kind]=$(echo "$(median "$wine_run" "$engine_run" "$link_base/$kind" \
    'C:\QDeltaBench\client' --answer cancel --quiet) - $start_s" | bc -l)
  grep -q '^complete' "$work/last.out" || { echo "the $kind update failed:"; cat "$work/last.out"; exit 1; }
  diff -r "$work/v2" "$bench_drive/client" >/dev/null || { echo "the $kind update differs from v2"; exit 1; }
done
ratio=$(echo "${update_s[full]} / ${update_s[patched]}" | bc -l)
printf 'update over the link (40 ms, 100 Mbit/s), less start-up %.2f s: with patches %.2f s, full packages %.2f s: %.1fx faster (goal at least 5: %s)\n' \
  "$start_s" "${update_s[patched]}" "${update_s[full]}" "$ratio" \
  "$( (( $(echo "$ratio >= 5" | bc -l) )) && echo met || echo "not met")"

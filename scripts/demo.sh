#!/usr/bin/env bash
# The main job: publishes a sample client on the local update server and installs it with
# engine-run under Wine (the engine as the wizard drives it), printing the progress reports and
# what was installed; then runs again over the installation, which downloads nothing.
set -euo pipefail
repo_root=$(cd "$(dirname "$0")/.." && pwd)
bash "$repo_root/scripts/build.sh" >/dev/null
build_dir=${QUENBY_BUILD_DIR:-$repo_root/build}
prefix=${QUENBY_WINEPREFIX:-$repo_root/.wineprefix}
install_dir="$prefix/drive_c/Program Files/Quenby"

work=$(mktemp -d /tmp/quenby-demo-XXXXXX)
server_pid=
trap 'kill $server_pid 2>/dev/null || true; rm -rf "$work"' EXIT

# A sample client release: several files, one in a sub-folder, one larger than 10 MB, and the
# stand-in launcher and uninstaller (tools/stand_in_client), so that the installed client can be
# started and removed for real.
release=$work/release
mkdir -p "$release/res"
head -c 12000000 /dev/urandom > "$release/QuenbyClient.dll"
head -c 400000 /dev/urandom > "$release/Quenby.exe"
cp "$build_dir/tools/stand_in_client/tarsklogin.exe" "$build_dir/tools/stand_in_client/Uninstall.exe" \
  "$release/"
printf 'Quenby client skin %.0s\n' $(seq 2000) > "$release/res/skin.dat"

python3 "$repo_root/tools/update_server/server.py" --root "$work/served" --no-tls \
  > "$work/address" &
server_pid=$!
for _ in $(seq 50); do [[ -s $work/address ]] && break; sleep 0.1; done
base=$(cut -d' ' -f1 < "$work/address")
echo "== publishing the sample client on $base"
python3 "$repo_root/tools/publisher/publish.py" --release "$release" --output "$work/served" \
  --base-url "$base"

run_engine() {
  "$repo_root/scripts/wine-run.sh" "$build_dir/tools/engine_run/engine-run.exe" "$base" \
    'C:\Program Files\Quenby' --answer cancel | tr -d '\r' |
    awk '/^progress stage=2 code=0/ { n++; if (n > 3) { held++; last=$0; next } }
         { if (held) { print "  ... " held - 1 " more chunk reports"; print last; held=0 } print }'
}

rm -rf "$install_dir"
echo "== first run: installs into C:\\Program Files\\Quenby"
run_engine
echo "== installed files (size, md5):"
(cd "$install_dir" && find . -type f | sort | while read -r f; do
  printf '  %-22s %9d  %s\n' "$f" "$(stat -c %s "$f")" "$(md5sum < "$f" | cut -d' ' -f1)"
done)
echo "== release files (md5):"
(cd "$release" && find . -type f | sort | while read -r f; do
  printf '  %-22s %9d  %s\n' "$f" "$(stat -c %s "$f")" "$(md5sum < "$f" | cut -d' ' -f1)"
done)
cmp -s <(cd "$install_dir" && find . -type f | sort | xargs md5sum) \
       <(cd "$release" && find . -type f | sort | xargs md5sum) &&
  echo "== the installation matches the release"

echo "== second run: everything is up to date"
run_engine

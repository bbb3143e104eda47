#!/usr/bin/env bash
# The main job: publishes a sample manifest and package on the local update server and lets
# engine-run drive the engine against it under Wine, printing every progress report.
set -euo pipefail
repo_root=$(cd "$(dirname "$0")/.." && pwd)
bash "$repo_root/scripts/build.sh" >/dev/null
build_dir=${QUENBY_BUILD_DIR:-$repo_root/build}

served=$(mktemp -d /tmp/quenby-demo-XXXXXX)
server_pid=
trap 'kill $server_pid 2>/dev/null || true; rm -rf "$served"' EXIT

# A sample release: one file, packed as name + ".tmp" the way the update server delivers it.
mkdir -p "$served/release" "$served/files" "$served/checkupdate/tarskT/shichang/electron"
head -c 3000000 /dev/urandom > "$served/release/QuenbyClient.dll.tmp"
(cd "$served/release" && 7zz a -t7z -bso0 -bsp0 "$served/files/QuenbyClient.dll" QuenbyClient.dll.tmp)
md5=$(md5sum "$served/release/QuenbyClient.dll.tmp" | cut -d' ' -f1)
length=$(stat -c %s "$served/files/QuenbyClient.dll")

python3 "$repo_root/tools/update_server/server.py" --root "$served" --no-tls > "$served/address" &
server_pid=$!
for _ in $(seq 50); do [[ -s $served/address ]] && break; sleep 0.1; done
base=$(cut -d' ' -f1 < "$served/address")

cat > "$served/checkupdate/tarskT/shichang/electron/update.xml" <<XML
<?xml version="1.0" encoding="utf-8"?>
<UpdateFiles>
  <File><Name>QuenbyClient.dll</Name><Url>$base/files/</Url><Dir></Dir><MD5>$md5</MD5><Length>$length</Length></File>
</UpdateFiles>
XML

echo "update server: $base"
"$repo_root/scripts/wine-run.sh" "$build_dir/tools/engine_run/engine-run.exe" "$base" 'C:\Quenby' \
  --download "$base/files/QuenbyClient.dll" QuenbyClient.dll | tr -d '\r' |
  awk '/^progress stage=2/ { n++; if (n > 5 && !/code=[^0]/) { skipped++; last=$0; next } }
       { if (skipped) { print "  ... " skipped " more chunk reports"; print last; skipped=0 } print }'
prefix=${QUENBY_WINEPREFIX:-$repo_root/.wineprefix}
echo "downloaded package: $(stat -c %s "$prefix/drive_c/Quenby/temp.pak") bytes (expected $length)"

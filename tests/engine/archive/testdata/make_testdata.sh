#!/usr/bin/env bash
# Regenerates the package fixtures of archive_test with real archivers: 7zz (Debian's 7zip) for
# 7z and zip, gcab for cab, lzma (xz-utils) for a raw lzma stream, Python's zipfile for zips with
# item names no archiver writes, and a small Lzma86Enc program built from the 7-Zip C sources
# for lzma86. The outputs are committed; the tests need none of these tools. Reruns give the
# same bytes, except for the encrypted packages (random salt and IV on every run).
#
# Usage: make_testdata.sh [7-Zip source folder]   (default: the dependency cache's copy)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
sevenzip_src=${1:-$(find "${QUENBY_DEPS_DIR:-$HOME/.cache/quenby-deps}/src" -maxdepth 1 \
  -type d -name '7zip-*' | head -n1)}
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
export TZ=UTC SOURCE_DATE_EPOCH=1614834367

# The package payload: the file under its download name plus ".tmp", and a sub-folder.
# Fixed times: modified 2021-03-04 05:06:07 UTC, accessed 2020-01-02 03:04:05 UTC.
payload=$work/payload
mkdir -p "$payload/data"
python3 - "$payload" <<'EOF'
import sys
root = sys.argv[1]
with open(f"{root}/client.exe.tmp", "w") as f:
    for i in range(400):
        f.write(f"client line {i:04d}: the quick brown fox jumps over the lazy dog\n")
with open(f"{root}/data/readme.txt", "w") as f:
    f.write("Read me: packages may hold sub-folders.\n")
EOF
# Reading a file moves its access time, so the times are set again before every archiver run.
stamp() {
  for path in "$payload/client.exe.tmp" "$payload/data/readme.txt" "$payload/data"; do
    touch -m -d '2021-03-04 05:06:07' "$path"
    touch -a -d '2020-01-02 03:04:05' "$path"
  done
}
chmod 444 "$payload/data/readme.txt"

rm -f "$here"/*.7z "$here"/*.zip "$here"/*.cab "$here"/*.lzma "$here"/*.lzma86
sz() { stamp && (cd "$payload" && 7zz a -bd -bso0 -mmt=1 "$@"); }

# One package per format.
sz -t7z -mta=on "$here/package.7z" client.exe.tmp data
sz -tzip -mta=on "$here/package.zip" client.exe.tmp data

# 7z packages of the coder chains a publisher may pick, each file in a folder of its own: a
# four-stream BCJ2 chain, a branch filter before LZMA2, PPMd, BZip2, Deflate, and LZMA2 cut into
# blocks of 4 KiB as a multi-threaded encoder writes them.
sz -t7z -ms=off -m0=BCJ2 -m1=LZMA -m2=LZMA -m3=LZMA -mb0s0:1 -mb0s1:2 -mb0s2:3 \
  "$here/method_bcj2.7z" client.exe.tmp data
sz -t7z -ms=off -m0=ARM64 -m1=LZMA2 "$here/method_arm64_lzma2.7z" client.exe.tmp data
sz -t7z -ms=off -m0=PPMd "$here/method_ppmd.7z" client.exe.tmp data
sz -t7z -ms=off -m0=BZip2 "$here/method_bzip2.7z" client.exe.tmp data
sz -t7z -ms=off -m0=Deflate "$here/method_deflate.7z" client.exe.tmp data
sz -t7z -ms=off -m0=LZMA2:c=4k -mmt=2 "$here/method_lzma2_blocks.7z" client.exe.tmp data
stamp && (cd "$payload" && gcab -c -z "$here/package.cab" client.exe.tmp data/readme.txt)
lzma -9 -c "$payload/client.exe.tmp" > "$here/package.lzma"

cat > "$work/lzma86_pack.c" <<'EOF'
/* Writes argv[2] as an lzma86 stream (x86 filter on) of argv[1]. */
#include <stdio.h>
#include <stdlib.h>
#include "Lzma86.h"
int main(int argc, char **argv) {
  FILE *in = fopen(argv[1], "rb");
  if (argc != 3 || !in) return 1;
  fseek(in, 0, SEEK_END);
  size_t size = (size_t)ftell(in);
  fseek(in, 0, SEEK_SET);
  unsigned char *src = malloc(size), *dest = malloc(size * 2 + 1024);
  if (fread(src, 1, size, in) != size) return 1;
  size_t destLen = size * 2 + 1024;
  if (Lzma86_Encode(dest, &destLen, src, size, 9, 1 << 16, SZ_FILTER_YES) != SZ_OK) return 1;
  FILE *out = fopen(argv[2], "wb");
  return out && fwrite(dest, 1, destLen, out) == destLen && fclose(out) == 0 ? 0 : 1;
}
EOF
c=$sevenzip_src/C
gcc -O1 -DZ7_ST -I"$c" -o "$work/lzma86_pack" "$work/lzma86_pack.c" "$c/Lzma86Enc.c" \
  "$c/LzmaEnc.c" "$c/LzFind.c" "$c/LzFindOpt.c" "$c/Bra86.c" "$c/Alloc.c" "$c/CpuArch.c"
"$work/lzma86_pack" "$payload/client.exe.tmp" "$here/package.lzma86"

# Stored (uncompressed) packages with one byte of file data flipped: the CRC check fails.
sz -t7z -m0=Copy "$work/stored.7z" data/readme.txt
sz -tzip -mm=Copy "$work/stored.zip" data/readme.txt
flip_byte() {  # copies $1 to $2 with the byte at offset $3 inverted
  python3 - "$@" <<'EOF'
import sys
data = bytearray(open(sys.argv[1], "rb").read())
data[int(sys.argv[3])] ^= 0xFF
open(sys.argv[2], "wb").write(data)
EOF
}
flip_byte "$work/stored.7z" "$here/crc_error.7z" 40     # packed data starts at offset 32
offset=$(python3 -c "import sys; print(open(sys.argv[1], 'rb').read().index(b'Read me') + 8)" \
  "$work/stored.zip")
flip_byte "$work/stored.zip" "$here/crc_error.zip" "$offset"

# Items whose names would leave the destination folder, after one harmless item.
python3 - "$here" <<'EOF'
import sys, zipfile
for name, bad in [("parent_escape.zip", "data/../../escaped.txt"),
                  ("absolute_path.zip", "/absolute.txt"),
                  ("drive_letter.zip", "C:/drive.txt")]:
    with zipfile.ZipFile(f"{sys.argv[1]}/{name}", "w") as z:
        for item in ("harmless.txt", bad):
            info = zipfile.ZipInfo(item, date_time=(2021, 3, 4, 5, 6, 7))
            z.writestr(info, "should not leave the folder\n")
EOF

# One package per decoder and filter a publisher may pick, the client file alone: 7z with each
# method and each branch filter (over LZMA2), zip with each method beyond Deflate.
for method in LZMA PPMd BZip2 Deflate Deflate64; do
  sz -t7z -m0="$method" "$here/codec_$method.7z" client.exe.tmp
done
for filter in BCJ BCJ2 ARM ARMT ARM64 RISCV PPC SPARC IA64 Delta:4; do
  sz -t7z -mf="$filter" "$here/filter_${filter%%:*}.7z" client.exe.tmp
done
for method in Deflate64 BZip2 LZMA PPMd Xz; do
  sz -tzip -mm="$method" "$here/codec_$method.zip" client.exe.tmp
done

# Password-protected packages: encrypted data, encrypted 7z headers, ZipCrypto and AES zips.
sz -t7z -pSecret "$here/encrypted_data.7z" client.exe.tmp
sz -t7z -pSecret -mhe=on "$here/encrypted_headers.7z" client.exe.tmp
sz -tzip -pSecret -mem=ZipCrypto "$here/encrypted_zipcrypto.zip" client.exe.tmp
sz -tzip -pSecret -mem=AES256 "$here/encrypted_aes.zip" client.exe.tmp

ls -l "$here"

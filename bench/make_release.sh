#!/usr/bin/env bash
# Writes the benchmarks' release: three 64 MiB incompressible files into <large folder>, and
# 2048 files of 32 KiB, half of them compressible text, into <small folder>.
# Usage: bash bench/make_release.sh <large folder> <small folder>
set -euo pipefail
mkdir -p "$1" "$2"
for i in 1 2 3; do head -c $((64 << 20)) /dev/urandom > "$1/part$i.bin"; done
python3 - "$2" <<'PY'
import os, sys
for i in range(1, 2049):
    data = os.urandom(32768) if i % 2 else (b"small file %d\n" % i * 4000)[:32768]
    with open(os.path.join(sys.argv[1], f"f{i}.dat"), "wb") as f:
        f.write(data)
PY

# Sourced (or run as a program, at the end). keep_wine_up <build folder>: starts the build's
# wine-keepalive.exe in the background and returns once it runs, so that Wine's server and system
# processes stay up until the caller ends: a program that connects just as an idle wineserver
# shuts down may fail at its start, and Wine's system processes start with the keep-alive's quiet
# output instead of a program's. Sets wine_keepalive_pid; the caller kills it on its way out.
# Fails, saying why, when the keep-alive ends or is not up within 120 s (a new prefix takes Wine a
# minute or so to create).
keep_wine_up() {
  local build=$1
  local ready=$build/wine-keepalive.ready log=$build/wine-keepalive.log
  rm -f "$ready"
  "$repo_root/scripts/wine-run.sh" "$build/tools/wine_keepalive/wine-keepalive.exe" "Z:$ready" \
    </dev/null >/dev/null 2>"$log" &
  wine_keepalive_pid=$!
  for _ in $(seq 1200); do
    if [[ -e $ready ]]; then
      rm -f "$ready"
      return 0
    fi
    if ! kill -0 "$wine_keepalive_pid" 2>/dev/null; then
      echo "Wine's keep-alive ended before it was ready:" >&2
      cat "$log" >&2
      return 1
    fi
    sleep 0.1
  done
  echo "Wine's keep-alive did not come up within 120 s:" >&2
  cat "$log" >&2
  return 1
}

# Run as a program, keep-wine-up.sh <build folder> prints "up" once Wine is up and keeps it up
# until it is ended (for callers in other languages: bench/wizard_bench.py).
if [[ ${BASH_SOURCE[0]} == "$0" ]]; then
  set -euo pipefail
  repo_root=$(cd "$(dirname "$0")/.." && pwd)
  wine_keepalive_pid=
  trap 'kill $wine_keepalive_pid 2>/dev/null || true' EXIT
  trap 'exit 0' TERM INT
  keep_wine_up "$1"
  echo up
  wait "$wine_keepalive_pid"
fi

# Sourced by scripts/arch.sh and scripts/wine-run.sh: Wine's two loaders and the one probe of
# whether a loader starts on this machine (a kernel that refuses 32-bit programs answers
# "Exec format error").
wine_loader32=/usr/lib/wine/wine
wine_loader64=/usr/lib/wine/wine64

# Empty when the loader $1 starts here, else the reason it does not.
wine_loader_cannot_start() {
  [[ -x $1 ]] || { echo "$1 is not installed"; return; }
  local reason
  if ! reason=$(export LC_ALL=C; "$1" --version 2>&1 >/dev/null); then
    reason=$(tail -n1 <<<"${reason:-failed}")
    echo "$1: ${reason##*: }"
  fi
}

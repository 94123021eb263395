#!/usr/bin/env bash
# Load runs of plinkavorte-batch, with wall time, time per picture and peak
# resident size: 2000 small pictures into one archive, a folder tree 200
# levels deep, and adding to an archive of 300 MB.
#   scripts/load.sh [pictures] [levels] [big archive MB] [pictures added to it]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
count="${1:-2000}"
levels="${2:-200}"
big_mb="${3:-300}"
big_adds="${4:-5}"
build="${PLK_LOAD_BUILD_DIR:-$here/build-load}"
cmake -S "$here" -B "$build" -DPLK_BUILD_GUI=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"${PLK_JOBS:-2}" --target plinkavorte-batch make_load_pictures >/dev/null
batch="$build/cli/plinkavorte-batch"
make_pictures="$build/bench/load/make_load_pictures"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export TMPDIR="$work/tmp"
mkdir -p "$TMPDIR"

# Runs the batch under /usr/bin/time; prints the figures for n pictures.
measure() {
  local label="$1" n="$2"
  shift 2
  local log="$work/time.log"
  /usr/bin/time -v "$batch" "$@" 2>"$log" >/dev/null || { tail -5 "$log"; return 1; }
  local wall rss
  wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {print $2}' "$log" |
         awk -F: '{ if (NF == 3) print $1*3600 + $2*60 + $3; else print $1*60 + $2 }')
  rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$log")
  printf '%-34s %6d pictures  %8.2f s  %8.2f ms/picture  peak RSS %7.1f MiB\n' \
         "$label" "$n" "$wall" "$(echo "$wall * 1000 / $n" | bc -l)" "$(echo "$rss / 1024" | bc -l)"
  grep -q "pictures done" "$log" || { echo "run did not finish:"; tail -5 "$log"; return 1; }
}

"$make_pictures" flat "$work/flat" "$count"
measure "one folder into one archive" "$count" -c "$work/flat.zip" "$work/flat"
unzip -tq "$work/flat.zip" >/dev/null
echo "  archive $(stat -c %s "$work/flat.zip") bytes, $(zipinfo -1 "$work/flat.zip" | wc -l) entries"

"$make_pictures" deep "$work/deep" "$levels"
measure "tree $levels levels deep" "$levels" -r -c "$work/deep.zip" "$work/deep"
echo "  archive holds $(zipinfo -1 "$work/deep.zip" | wc -l) entries"

# A big archive made by another tool: one stored entry of incompressible bytes.
head -c "$((big_mb * 1024 * 1024))" /dev/urandom > "$work/big.bin"
(cd "$work" && zip -q -0 big.zip big.bin)
rm "$work/big.bin"
"$make_pictures" flat "$work/few" "$big_adds"
measure "adding to a ${big_mb} MB archive" "$big_adds" "$work/big.zip" "$work/few"
unzip -tq "$work/big.zip" >/dev/null
echo "  archive $(stat -c %s "$work/big.zip") bytes, $(zipinfo -1 "$work/big.zip" | wc -l) entries"
echo "  leftovers in TMPDIR: $(ls -A "$TMPDIR" | wc -l)"

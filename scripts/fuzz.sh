#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while.
#   scripts/fuzz.sh [seconds per target] [target ...]
# Corpora and findings stay in $PLK_FUZZ_DIR (default build-fuzz/runs); a
# crash leaves crash-* files there and makes this script fail.
# PLK_FUZZ_RUNS=n makes a run repeatable, as CI wants it: each target starts
# from its seeds alone, mutates with a fixed seed and stops after n inputs (or
# the seconds given, whichever comes first), so a pass here is a pass there.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/install-deps.sh" build test fuzz
seconds="${1:-30}"
shift || true
build="${PLK_FUZZ_BUILD_DIR:-$here/build-fuzz}"
runs="${PLK_FUZZ_DIR:-$build/runs}"
all=(archive_fuzz journal_fuzz thumbnail_fuzz paged_stream_fuzz zip_field_fuzz paste_fuzz
     png_fuzz webp_fuzz tiff_fuzz heif_fuzz raw_fuzz)
if [ $# -gt 0 ]; then targets=("$@"); else targets=("${all[@]}"); fi

CC=clang CXX=clang++ cmake -S "$here/fuzz" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"${PLK_JOBS:-2}" --target make_fuzz_seeds "${targets[@]}"

mkdir -p "$runs"
seeds="$runs/seeds"
rm -rf "$seeds"
# The seed maker itself runs under the sanitizers; its leaks are not the point here.
ASAN_OPTIONS=detect_leaks=0 "$build/make_fuzz_seeds" "$seeds"
# Pictures of the other kinds come from Pillow and heif-enc, where they are here.
/usr/bin/python3 "$here/tests/fixtures/picture_fixtures.py" seeds "$seeds" 2>/dev/null ||
  echo "fuzz.sh: no Pillow: the picture decoders start from empty corpora" >&2

# Scratch and swap files of the targets go to a folder of this run only.
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

# One target: its corpus grows in place; a crash leaves crash-* in $runs.
run_one() {
  local t="$1" corpus="$runs/corpus-$1" max_len=4096 repeat=()
  if [ -n "${PLK_FUZZ_RUNS:-}" ]; then
    corpus="$runs/repeatable-corpus-$1"
    rm -rf "$corpus"
    repeat=(-seed=1 -runs="$PLK_FUZZ_RUNS")
  fi
  mkdir -p "$corpus"
  cp -n "$seeds/$t"/* "$corpus"/ 2>/dev/null || true
  case "$t" in archive_fuzz | journal_fuzz | heif_fuzz | raw_fuzz) max_len=16384 ;; esac
  if (cd "$runs" && TMPDIR="$scratch" LSAN_OPTIONS="suppressions=$here/scripts/lsan.supp" \
        "$build/$t" -max_total_time="$seconds" "${repeat[@]}" -max_len="$max_len" \
        -rss_limit_mb=2048 -timeout=30 -print_final_stats=1 "$corpus" 2>"$runs/$t.log"); then
    echo "== $t, ${seconds}s: $(grep -E '^stat::(number_of_executed_units|peak_rss_mb)' "$runs/$t.log" | tr -s ' \n' ' ')"
  else
    echo "!! $t failed; see $runs/$t.log and $runs/crash-*" >&2
    tail -40 "$runs/$t.log" >&2
    return 1
  fi
}

# Two at a time: the machines have two cores.
status=0
running=0
for t in "${targets[@]}"; do
  if [ "$running" -ge "${PLK_FUZZ_PARALLEL:-2}" ]; then
    wait -n || status=1
    running=$((running - 1))
  fi
  run_one "$t" &
  running=$((running + 1))
done
while [ "$running" -gt 0 ]; do
  wait -n || status=1
  running=$((running - 1))
done
exit $status

#!/usr/bin/env bash
# scripts/fuzz.sh [MINUTES [TARGET...]]
# Builds the fuzz targets with clang's libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer into build-fuzz/ (or $CORVALE_FUZZ_BUILD_DIR)
# and runs each (or the TARGETs named) for MINUTES minutes (10 when not
# given), two at a time
# ($CORVALE_FUZZ_PARALLEL). Each starts from the seeds make-fuzz-seeds
# writes and from what earlier runs found (build-fuzz/corpus/TARGET); an
# input that crashes, hangs or trips a sanitizer is kept in
# build-fuzz/findings/TARGET/, and the script then fails. More libFuzzer
# options can be given in $CORVALE_FUZZ_OPTIONS (such as -len_control=0,
# which tries long inputs from the start).
# Needs Debian's clang and libclang-rt-14-dev.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
minutes=${1:-10}
shift $(( $# > 0 ? 1 : 0 ))
chosen=" $* "
build=${CORVALE_FUZZ_BUILD_DIR:-$here/build-fuzz}
parallel=${CORVALE_FUZZ_PARALLEL:-2}
case $minutes in ''|*[!0-9]*) echo "usage: scripts/fuzz.sh [MINUTES [TARGET...]]" >&2; exit 2 ;; esac
if ! command -v clang++ >/dev/null || ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  echo "fuzz.sh needs clang and libFuzzer: apt-get install clang libclang-rt-14-dev" >&2
  exit 1
fi

# target, seed folder, longest input
targets=(
  "page_plan_fuzz pages 16384"
  "picture_probe_fuzz pictures 4096"
  "mobi_book_fuzz books 65536"
)
if [ "$chosen" != "  " ]; then
  kept=()
  for entry in "${targets[@]}"; do
    [[ $chosen == *" ${entry%% *} "* ]] && kept+=("$entry")
  done
  targets=("${kept[@]}")
  [ ${#targets[@]} -gt 0 ] || { echo "no such fuzz target: $*" >&2; exit 2; }
fi

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCORVALE_FUZZ=ON -DCORVALE_BUILD_GUI=OFF >/dev/null
names=()
for entry in "${targets[@]}"; do names+=("${entry%% *}"); done
cmake --build "$build" -j "$(nproc)" --target make-fuzz-seeds "${names[@]}"
"$build/bin/make-fuzz-seeds" "$build/seeds"

run() {
  local name=$1 seeds=$2 longest=$3
  mkdir -p "$build/corpus/$name" "$build/findings/$name"
  "$build/bin/$name" "$build/corpus/$name" "$build/seeds/$seeds" \
    -max_total_time=$((minutes * 60)) -max_len="$longest" -timeout=20 -rss_limit_mb=2560 \
    -artifact_prefix="$build/findings/$name/" -print_final_stats=1 ${CORVALE_FUZZ_OPTIONS:-} \
    >"$build/findings/$name.log" 2>&1
}

failed=0
running=0
for entry in "${targets[@]}"; do
  read -r name seeds longest <<<"$entry"
  if (( running >= parallel )); then
    wait -n || failed=1
    running=$((running - 1))
  fi
  echo "fuzzing $name for $minutes min (log: $build/findings/$name.log)"
  run "$name" "$seeds" "$longest" &
  running=$((running + 1))
done
while (( running > 0 )); do
  wait -n || failed=1
  running=$((running - 1))
done

for entry in "${targets[@]}"; do
  name=${entry%% *}
  echo "$name: $(find "$build/findings/$name" -type f | wc -l) findings, $(grep -m1 'stat::number_of_executed_units' "$build/findings/$name.log" || echo 'no stats')"
done
exit $failed

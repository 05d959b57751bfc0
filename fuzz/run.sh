#!/bin/sh
# Builds the fuzz targets (the fuzz preset, with clang) and runs each for
# FUZZ_SECONDS (60 by default). New inputs go to build/fuzz/corpus/<target>,
# beside the seeds in fuzz/corpus/<target>; an input at fault lands in
# fuzz-out/<target>/ and stops the run. Copy it into fuzz/corpus/<target>/ and
# add its case to the regular tests once fixed.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh fuzz

seconds=${FUZZ_SECONDS:-60}
build=build/fuzz
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

while read -r target; do
    mkdir -p "$build/corpus/$target" "fuzz-out/$target"
    echo "== $target: $seconds s"
    "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -max_len=4096 -dict=fuzz/tags.dict \
        -artifact_prefix="fuzz-out/$target/" -print_final_stats=1 \
        "$build/corpus/$target" "fuzz/corpus/$target" 2>"$build/$target.log" </dev/null || {
        tail -n 40 "$build/$target.log" >&2
        echo "fuzz: $target found a fault; the input is in fuzz-out/$target/" >&2
        exit 1
    }
    grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb)|^#[0-9]+.*DONE' "$build/$target.log" || true
done <"$build/fuzz/fuzz-targets.txt"
echo "fuzz: every target ran clean"

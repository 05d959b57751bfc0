#!/bin/bash
# tagwell-convert against sed doing the same job on real C++ source (the
# compiler's standard headers, concatenated to SIZE_MIB), alternating runs.
# Prints each one's median time and the ratio.
#   bench/compare_sed.sh PATH/TO/tagwell-convert [RUNS]
set -euo pipefail
convert=$1
runs=${2:-7}
size_mib=${SIZE_MIB:-50}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

input=$work/source.cpp
headers=$(ls -d /usr/include/c++/*/ | sort -V | tail -n 1)
while [ "$(stat -c %s "$input" 2>/dev/null || echo 0)" -lt $((size_mib << 20)) ]; do
    find "$headers" -type f -print0 | sort -z | xargs -0 cat >>"$input"
done
truncate -s $((size_mib << 20)) "$input"

# Each run writes to SINK: a fresh file (the one of the run before is removed
# outside the timing, since freeing it is not the program's work), or
# /dev/null.
run_sed() {
    { printf '<pre>'
      sed -e 's#<pre>##g' -e 's#</pre>##g' -e 's#<#\&lt;#g' -e 's#>#\&gt;#g' "$input"
      printf '</pre>'; } >"$1"
}
run_tagwell() { "$convert" "$input" >"$1"; }
timed() {
    local sink=$1 start
    shift
    [ "$sink" = /dev/null ] || rm -f "$sink"
    start=$EPOCHREALTIME
    "$@" "$sink"
    echo "$EPOCHREALTIME - $start" | bc -l
}
median() { sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

printf 'input_mib %s\n' "$size_mib"
for sink in "$work/out" /dev/null; do
    name=$([ "$sink" = /dev/null ] && echo devnull || echo file)
    : >"$work/sed.times"
    : >"$work/tagwell.times"
    for _ in $(seq "$runs"); do
        timed "$sink" run_sed >>"$work/sed.times"
        timed "$sink" run_tagwell >>"$work/tagwell.times"
    done
    sed_s=$(median <"$work/sed.times")
    tagwell_s=$(median <"$work/tagwell.times")
    printf '%s_sed_median_s %.4f\n%s_tagwell_median_s %.4f\n%s_sed_over_tagwell %.1f\n' \
        "$name" "$sed_s" "$name" "$tagwell_s" "$name" "$(echo "$sed_s / $tagwell_s" | bc -l)"
done

#!/bin/bash
# tagwell-convert against sed doing the same job on real C++ source (the
# compiler's standard headers, concatenated to SIZE_MIB), and against cat
# copying as many bytes as tagwell-convert writes: the floor of any filter.
# The three run in turn, RUNS times, in one run of this script; each prints
# its median time, then the ratios.
#   bench/compare_sed.sh PATH/TO/tagwell-convert [RUNS]
set -euo pipefail
convert=$1
runs=${2:-11}
size_mib=${SIZE_MIB:-50}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

input=$work/source.cpp
headers=$(ls -d /usr/include/c++/*/ | sort -V | tail -n 1)
while [ "$(stat -c %s "$input" 2>/dev/null || echo 0)" -lt $((size_mib << 20)) ]; do
    find "$headers" -type f -print0 | sort -z | xargs -0 cat >>"$input"
done
truncate -s $((size_mib << 20)) "$input"
# What cat copies: a file as big as tagwell-convert's output.
copied=$work/copied.html
"$convert" "$input" >"$copied"

# Each run writes to SINK: a fresh file (the one of the run before is removed
# outside the timing, since freeing it is not the program's work), or
# /dev/null.
run_sed() {
    { printf '<pre>'
      sed -e 's#<pre>##g' -e 's#</pre>##g' -e 's#<#\&lt;#g' -e 's#>#\&gt;#g' "$input"
      printf '</pre>'; } >"$1"
}
run_tagwell() { "$convert" "$input" >"$1"; }
run_cat() { cat "$copied" >"$1"; }
timed() {
    local sink=$1 start
    shift
    [ "$sink" = /dev/null ] || rm -f "$sink"
    start=$EPOCHREALTIME
    "$@" "$sink"
    echo "$EPOCHREALTIME - $start" | bc -l
}
median() { sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

printf 'input_mib %s\noutput_mib %.1f\n' "$size_mib" "$(echo "$(stat -c %s "$copied") / 1048576" | bc -l)"
for sink in "$work/out" /dev/null; do
    name=$([ "$sink" = /dev/null ] && echo devnull || echo file)
    for tool in sed tagwell cat; do : >"$work/$tool.times"; done
    for _ in $(seq "$runs"); do
        for tool in sed tagwell cat; do
            timed "$sink" "run_$tool" >>"$work/$tool.times"
        done
    done
    sed_s=$(median <"$work/sed.times")
    tagwell_s=$(median <"$work/tagwell.times")
    cat_s=$(median <"$work/cat.times")
    printf '%s_sed_median_s %.4f\n%s_tagwell_median_s %.4f\n%s_cat_median_s %.4f\n' \
        "$name" "$sed_s" "$name" "$tagwell_s" "$name" "$cat_s"
    printf '%s_sed_over_tagwell %.1f\n%s_tagwell_over_cat %.2f\n' \
        "$name" "$(echo "$sed_s / $tagwell_s" | bc -l)" "$name" "$(echo "$tagwell_s / $cat_s" | bc -l)"
done

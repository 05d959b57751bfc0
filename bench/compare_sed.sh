#!/bin/bash
# tagwell-convert against sed doing the same job on real C++ source (the
# compiler's standard headers, concatenated to SIZE_MIB), and against two
# copies of as many bytes as tagwell-convert writes: tagwell-bench-copy's
# plain read() and write() calls, the floor of any filter, and cat (which may
# copy inside the kernel). In one run of this script, to a file and to
# /dev/null: sed RUNS times, then the other three in turn, RUNS times; each
# prints its median time, then the ratios, and the load average before and
# after.
#   bench/compare_sed.sh PATH/TO/tagwell-convert PATH/TO/tagwell-bench-copy [RUNS]
set -euo pipefail
convert=$1
copy=$2
runs=${3:-11}
size_mib=${SIZE_MIB:-50}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

input=$work/source.cpp
headers=$(ls -d /usr/include/c++/*/ | sort -V | tail -n 1)
while [ "$(stat -c %s "$input.parts" 2>/dev/null || echo 0)" -lt $((size_mib << 20)) ]; do
    find "$headers" -type f -print0 | sort -z | xargs -0 cat >>"$input.parts"
done
truncate -s $((size_mib << 20)) "$input.parts"
# Both files that are read are written alike, in writes of 512 KiB, so that
# the page cache holds them alike: cat builds the text inside the kernel, and
# a file built so took a quarter longer to read back here (9.9 ms against
# 7.9 ms for 50 MiB).
"$copy" "$input.parts" >"$input"
rm "$input.parts"
# What the copies copy: a file as big as tagwell-convert's output.
copied=$work/copied.html
"$convert" "$input" >"$copied.first"
"$copy" "$copied.first" >"$copied"
rm "$copied.first"

# Each run writes to SINK: a fresh file (the one of the run before is removed
# outside the timing, since freeing it is not the program's work), or
# /dev/null.
run_sed() {
    { printf '<pre>'
      sed -e 's#<pre>##g' -e 's#</pre>##g' -e 's#<#\&lt;#g' -e 's#>#\&gt;#g' "$input"
      printf '</pre>'; } >"$1"
}
run_tagwell() { "$convert" "$input" >"$1"; }
run_copy() { "$copy" "$copied" >"$1"; }
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
ratio() { printf '%.2f' "$(echo "$1 / $2" | bc -l)"; }

tools="sed tagwell copy cat"
printf 'input_mib %s\noutput_mib %.1f\nruns %s\n' "$size_mib" \
    "$(echo "$(stat -c %s "$copied") / 1048576" | bc -l)" "$runs"
printf 'load_average_before %s\n' "$(cut -d ' ' -f 1-3 /proc/loadavg)"
for sink in "$work/out" /dev/null; do
    name=$([ "$sink" = /dev/null ] && echo devnull || echo file)
    for tool in $tools; do : >"$work/$tool.times"; done
    # sed apart: run just after its 0.4 s of work, tagwell-convert took a
    # third longer here, and the copies did not.
    for _ in $(seq "$runs"); do
        timed "$sink" run_sed >>"$work/sed.times"
    done
    for _ in $(seq "$runs"); do
        for tool in tagwell copy cat; do
            timed "$sink" "run_$tool" >>"$work/$tool.times"
        done
    done
    declare -A s
    for tool in $tools; do
        s[$tool]=$(median <"$work/$tool.times")
        printf '%s_%s_median_s %.4f\n' "$name" "$tool" "${s[$tool]}"
    done
    printf '%s_tagwell_over_copy %s\n' "$name" "$(ratio "${s[tagwell]}" "${s[copy]}")"
    printf '%s_tagwell_over_cat %s\n' "$name" "$(ratio "${s[tagwell]}" "${s[cat]}")"
    printf '%s_sed_over_tagwell %.1f\n' "$name" "$(echo "${s[sed]} / ${s[tagwell]}" | bc -l)"
done
printf 'load_average_after %s\n' "$(cut -d ' ' -f 1-3 /proc/loadavg)"

#!/usr/bin/env bash
# Runs each bench/scripts/NAME.kv against its Lua 5.4 and Python 3 peers (the distribution's /usr/bin/python3),
# interleaved, RUNS times each; checks every output against NAME.expected
# and prints the median wall time of each and the Kestrel/peer ratios.
# Usage: peers.sh KESTREL [RUNS]
set -u
kestrel="$1"; runs="${2:-5}"
here="$(cd "$(dirname "$0")" && pwd)"

millis() { date +%s%N | cut -b1-13; }

# time_run CMD...: prints the elapsed milliseconds, or FAIL on a wrong output.
time_run() {
    local expected="$1"; shift
    local start end out
    start=$(millis)
    out=$("$@" 2>&1)
    end=$(millis)
    if [ "$out" != "$(cat "$expected")" ]; then echo FAIL; return; fi
    echo $((end - start))
}

median() { sort -n | awk '{a[NR]=$1} END {if (NR==0) print "-"; else print a[int((NR+1)/2)]}'; }

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b+0 > 0 && a+0 > 0) printf "%.2f", a/b; else print "-" }'; }

printf '%-10s %10s %10s %10s %10s %10s\n' bench kestrel lua python k/lua k/python
for script in "$here"/scripts/*.kv; do
    name=$(basename "$script" .kv)
    expected="$here/scripts/$name.expected"
    k=(); l=(); p=()
    for ((i = 0; i < runs; i++)); do
        k+=("$(time_run "$expected" "$kestrel" -q "$script")")
        l+=("$(time_run "$expected" lua5.4 "$here/scripts/$name.lua")")
        p+=("$(time_run "$expected" /usr/bin/python3 "$here/scripts/$name.py")")
    done
    km=$(printf '%s\n' "${k[@]}" | grep -v FAIL | median)
    lm=$(printf '%s\n' "${l[@]}" | grep -v FAIL | median)
    pm=$(printf '%s\n' "${p[@]}" | grep -v FAIL | median)
    printf '%-10s %10s %10s %10s %10s %10s\n' "$name" "$km" "$lm" "$pm" "$(ratio "$km" "$lm")" "$(ratio "$km" "$pm")"
done

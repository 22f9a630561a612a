#!/usr/bin/env bash
# Runs each bench/scripts/NAME.kv against its Lua 5.4 and CPython peers,
# interleaved, RUNS times each; checks every output against NAME.expected
# and prints the median wall time and peak memory of each and the
# Kestrel/peer time ratios. CPython is the distribution's /usr/bin/python3,
# never a python3 found first on PATH (a version manager's shim adds its own
# start-up to every run). Usage: peers.sh KESTREL [RUNS]
set -u
kestrel="$1"; runs="${2:-5}"
here="$(cd "$(dirname "$0")" && pwd)"
python=/usr/bin/python3
out_file=$(mktemp); trap 'rm -f "$out_file" "$out_file.t"' EXIT

# time_run EXPECTED CMD...: prints "MILLISECONDS PEAK_KB", or FAIL on a wrong output.
time_run() {
    local expected="$1"; shift
    local start end
    start=$(date +%s%N)
    /usr/bin/time -f '%M' -o "$out_file.t" "$@" >"$out_file" 2>&1
    end=$(date +%s%N)
    if ! cmp -s "$out_file" "$expected"; then echo FAIL; return; fi
    echo "$(( (end - start) / 1000000 )) $(tail -n 1 "$out_file.t")"
}

median() { sort -n | awk '{a[NR]=$1} END {if (NR==0) print "-"; else print a[int((NR+1)/2)]}'; }
column_of() { printf '%s\n' "${@:2}" | grep -v FAIL | awk -v c="$1" '{print $c}' | median; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b+0 > 0 && a+0 > 0) printf "%.2f", a/b; else print "-" }'; }
mb() { awk -v k="$1" 'BEGIN { if (k+0 > 0) printf "%.1f", k/1024; else print "-" }'; }

printf '%-13s %8s %8s %8s %7s %7s %8s %8s %8s\n' bench "k ms" "lua ms" "py ms" k/lua k/py "k MB" "lua MB" "py MB"
for script in "$here"/scripts/*.kv; do
    name=$(basename "$script" .kv)
    expected="$here/scripts/$name.expected"
    k=(); l=(); p=()
    for ((i = 0; i < runs; i++)); do
        k+=("$(time_run "$expected" "$kestrel" -q "$script")")
        l+=("$(time_run "$expected" lua5.4 "$here/scripts/$name.lua")")
        p+=("$(time_run "$expected" "$python" "$here/scripts/$name.py")")
    done
    km=$(column_of 1 "${k[@]}"); lm=$(column_of 1 "${l[@]}"); pm=$(column_of 1 "${p[@]}")
    printf '%-13s %8s %8s %8s %7s %7s %8s %8s %8s\n' "$name" "$km" "$lm" "$pm" \
        "$(ratio "$km" "$lm")" "$(ratio "$km" "$pm")" \
        "$(mb "$(column_of 2 "${k[@]}")")" "$(mb "$(column_of 2 "${l[@]}")")" "$(mb "$(column_of 2 "${p[@]}")")"
done

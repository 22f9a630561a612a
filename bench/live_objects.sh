#!/usr/bin/env bash
# How the cost of making and dropping instances depends on how many others
# are alive, and what a live instance costs in memory. Prints median wall
# times of RUNS runs: 200,000 short-lived instances with LIVE = 0 and with
# LIVE = 100,000 long-lived ones (the chain's own building time shown apart),
# chains of 100,000 and 400,000 instances, and the bytes per live one-field
# instance (peak memory of a 1,000,000-instance chain minus an empty run,
# divided by the count). Usage: live_objects.sh KESTREL [RUNS]
set -u
kestrel="$1"; runs="${2:-3}"
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT

# script LIVE SHORT: a chain of LIVE instances, then SHORT short-lived ones.
script() {
    cat <<KV
class P {
    var a
    func P(x) { a = x }
}
var keep = null
for (var i = 0; i < $1; i++) {
    keep = new P(keep)
}
var s = 0
for (var j = 0; j < $2; j++) {
    var o = new P(null)
    s = s + 1
}
print(s)
KV
}

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

# run NAME: median milliseconds of the script $work/NAME.kv.
run() {
    local t=()
    for ((i = 0; i < runs; i++)); do
        local start end
        start=$(date +%s%N)
        "$kestrel" -q "$work/$1.kv" >/dev/null
        end=$(date +%s%N)
        t+=("$(( (end - start) / 1000000 ))")
    done
    printf '%s\n' "${t[@]}" | median
}

peak_kb() { /usr/bin/time -f '%M' "$kestrel" -q "$work/$1.kv" 2>&1 >/dev/null | tail -n 1; }

script 0 200000 > "$work/live0.kv"
script 100000 200000 > "$work/live100k.kv"
script 100000 0 > "$work/chain100k.kv"
script 400000 0 > "$work/chain400k.kv"
script 1000000 0 > "$work/chain1m.kv"
script 0 0 > "$work/empty.kv"

live0=$(run live0); live100k=$(run live100k); chain100k=$(run chain100k); chain400k=$(run chain400k)
echo "200,000 short-lived, LIVE = 0:        ${live0} ms"
echo "200,000 short-lived, LIVE = 100,000:  ${live100k} ms (chain alone ${chain100k} ms; ratio after subtracting it: $(awk -v a="$live100k" -v b="$chain100k" -v c="$live0" 'BEGIN{printf "%.2f", (a-b)/c}'))"
echo "chain of 400,000: ${chain400k} ms ($(awk -v a="$chain400k" -v b="$chain100k" 'BEGIN{printf "%.2f", a/b}') x the 100,000 chain)"
full=$(peak_kb chain1m); empty=$(peak_kb empty)
echo "bytes per live instance: $(( (full - empty) * 1024 / 1000000 )) (peak ${full} KB, empty run ${empty} KB)"

#!/usr/bin/env bash
# Machine instructions per iteration, counted by valgrind's callgrind (the
# same for the same binary and input whatever else the machine is doing),
# for every bench/scripts/NAME.kv that has a NAME.iterations file: Kestrel,
# Lua 5.4 and /usr/bin/python3, each minus its own start-up (an empty
# program). Usage: callgrind.sh KESTREL
set -u
kestrel="$1"
here="$(cd "$(dirname "$0")" && pwd)"
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
: > "$work/empty.kv"; : > "$work/empty.lua"; : > "$work/empty.py"

# count CMD...: total instructions of the run.
count() {
    valgrind --tool=callgrind --callgrind-out-file="$work/out" "$@" >/dev/null 2>"$work/log"
    sed -n 's/.*Collected : *\([0-9]*\).*/\1/p' "$work/log" | tail -n 1
}

per() { awk -v a="$1" -v b="$2" -v n="$3" 'BEGIN { if (a > 0) printf "%.0f", (a - b) / n; else print "-" }'; }

k0=$(count "$kestrel" -q "$work/empty.kv"); l0=$(count lua5.4 "$work/empty.lua"); p0=$(count /usr/bin/python3 "$work/empty.py")
printf '%-10s %12s %12s %12s\n' bench "kestrel/it" "lua/it" "python/it"
for it_file in "$here"/scripts/*.iterations; do
    name=$(basename "$it_file" .iterations); n=$(cat "$it_file")
    k=$(count "$kestrel" -q "$here/scripts/$name.kv")
    l=$(count lua5.4 "$here/scripts/$name.lua")
    p=$(count /usr/bin/python3 "$here/scripts/$name.py")
    printf '%-10s %12s %12s %12s\n' "$name" "$(per "$k" "$k0" "$n")" "$(per "$l" "$l0" "$n")" "$(per "$p" "$p0" "$n")"
done
echo "start-up: kestrel $k0, lua $l0, python $p0 instructions"

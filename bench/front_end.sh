#!/usr/bin/env bash
# Whole-process cost of compiling large sources: writes a "+1" chain and a
# file of "x = x + 1" lines (MEGABYTES each, default 10), runs each from
# source (tokenize, parse, compile, write the cache, run) and then from the
# cache, and reports seconds and peak memory (maximum resident set, from
# /usr/bin/time -v), with peak bytes per token. Token counts and the bytes the
# token list itself holds per token come from build/bench/front_end_bench.
# Targets: a 10 MB source compiles in under 2 s and 1 GB; at most 48 bytes per token.
# Usage: front_end.sh KESTREL [MEGABYTES]
set -u
kestrel="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
megabytes="${2:-10}"
root="$(cd "$(dirname "$0")/.." && pwd)"
bench_bin="$(dirname "$kestrel")/bench/front_end_bench"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

if [ ! -x /usr/bin/time ]; then
    echo "front_end: /usr/bin/time is missing (Debian package \"time\")"
    exit 0
fi

bytes=$(awk -v mb="$megabytes" 'BEGIN { printf "%d", mb * 1000000 }')
awk -v n="$bytes" 'BEGIN { printf "var x = 0"; for (i = 9; i + 2 < n; i += 2) printf "+1"; printf "\nprint(x)\n" }' \
    > "$work/plus.kv"
awk -v n="$bytes" 'BEGIN { print "var x = 0"; for (i = 10; i + 10 < n; i += 10) print "x = x + 1"; print "print(x)" }' \
    > "$work/lines.kv"

# Tokens of each file, as "+1 chain" / "x = x + 1" lines of front_end_bench.
declare -A tokens
if [ -x "$bench_bin" ]; then
    echo "== front_end_bench $megabytes"
    report=$("$bench_bin" "$megabytes") || { echo "front_end_bench failed"; exit 1; }
    printf '%s\n' "$report"
    tokens[plus]=$(printf '%s\n' "$report" | awk '/^\+1 chain/ { print $5 }')
    tokens[lines]=$(printf "%s\n" "$report" | awk "/^x = x \\+ 1/ { print \$8 }")
fi

measure() {  # NAME PASS: prints seconds, peak MB and peak bytes per token
    local name="$1" pass="$2" stats seconds kb
    stats=$(cd "$root" && /usr/bin/time -v "$kestrel" -q "$work/$name.kv" 2>&1 >/dev/null)
    seconds=$(printf '%s\n' "$stats" | awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, t, ":"); s = 0;
              for (i = 1; i <= n; i++) s = s * 60 + t[i]; print s }')
    kb=$(printf '%s\n' "$stats" | awk -F': ' '/Maximum resident set size/ { print $2 }')
    local per_token="?"
    if [ -n "${tokens[$name]:-}" ] && [ "${tokens[$name]}" -gt 0 ]; then
        per_token=$(awk -v kb="$kb" -v t="${tokens[$name]}" 'BEGIN { printf "%.0f", kb * 1024 / t }')
    fi
    printf '%-6s %-12s %6.2f s  %7.1f MB peak  %5s peak bytes/token\n' "$name" "$pass" "$seconds" \
        "$(awk -v kb="$kb" 'BEGIN { print kb / 1024 }')" "$per_token"
}

echo "== front_end: $megabytes MB sources, whole process"
for name in plus lines; do
    rm -f "$work/$name.kvc"
    measure "$name" "from source"
    measure "$name" "from cache"
done

# Running out of memory where the machine cannot go on (compiling, start-up):
# one line on standard error and status 1, never an abort. The heap is capped
# with KESTREL_MAX_MEMORY, which works alike in every build.
source "$(dirname "$0")/common.bash"

{
    echo 'var x = 0'
    for ((i = 0; i < 20000; i++)); do echo 'x = x + 1 + 2 + 3 + 4 + 5 + 6 + 7 + 8 + 9'; done
    echo 'print(x)'
} > "$work/big.kv"
KESTREL_MAX_MEMORY=3000000 expect_output compile-out-of-memory 1 "out of memory" -- -q "$work/big.kv"
[ -e "$work/big.kvc" ] && { echo "FAIL a cache was written for a failed compile"; failures=$((failures + 1)); }
expect_output compile-without-cap 0 "900000" -- -q "$work/big.kv"

echo 'print("never")' > "$work/small.kv"
KESTREL_MAX_MEMORY=1 expect_output start-up-out-of-memory 1 "out of memory" -- -q "$work/small.kv"
# A setting that is not a positive count is ignored.
KESTREL_MAX_MEMORY=lots expect_output malformed-cap 0 "never" -- -q "$work/small.kv"
KESTREL_MAX_STRING=-5 expect_output malformed-string-cap 0 "never" -- -q "$work/small.kv"

finish

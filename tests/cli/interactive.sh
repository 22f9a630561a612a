# The interactive mode: banner, prompt, one timing line per line of input,
# and a clean end at end of input.
source "$(dirname "$0")/common.bash"

out=$(printf '\n\n' | timeout 10 "$KESTREL" -q); status=$?
[ $status -eq 0 ] || { echo "FAIL interactive status $status"; failures=$((failures+1)); }
lines=$(printf '%s\n' "$out" | grep -c '\[-----------------------\] [0-9]* ms$')
# One pass before the first read, then one after each of the two lines.
[ "$lines" = 3 ] || { echo "FAIL timing lines: $lines"; printf '%s\n' "$out"; failures=$((failures+1)); }
printf '%s\n' "$out" | head -1 | grep -q '可以直接输入Kestrel表达式和命令做测试' \
    || { echo "FAIL banner"; failures=$((failures+1)); }
printf '%s\n' "$out" | grep -q '^>>> ' || { echo "FAIL prompt"; failures=$((failures+1)); }

# End of input at once: one pass, then the program ends.
out=$(timeout 10 "$KESTREL" -q </dev/null); status=$?
[ $status -eq 0 ] || { echo "FAIL eof status $status"; failures=$((failures+1)); }
[ "$(printf '%s\n' "$out" | grep -c '\[-----------------------\]')" = 1 ] \
    || { echo "FAIL eof passes"; printf '%s\n' "$out"; failures=$((failures+1)); }

finish

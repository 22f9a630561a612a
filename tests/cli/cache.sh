# The compiled-module cache through the binary: written beside the source,
# reused, and ignored (then rewritten) when damaged in any way.
source "$(dirname "$0")/common.bash"

cat > "$work/c.kv" <<'KV'
var big = 123456789012
func twice(n) { return n * 2 }
print(twice(big), " ", "ok")
KV
want="246913578024 ok"
expect_output first-run 0 "$want" -- -q "$work/c.kv"
[ -s "$work/c.kvc" ] || { echo "FAIL no cache written"; failures=$((failures+1)); }
expect_output from-cache 0 "$want" -- -q "$work/c.kv"

cp "$work/c.kvc" "$work/good.kvc"
size=$(stat -c %s "$work/good.kvc")
# Every length cut short, then a byte flipped at a spread of offsets.
for ((len = 0; len < size; len += 3)); do
    head -c "$len" "$work/good.kvc" > "$work/c.kvc"
    touch -r "$work/good.kvc" "$work/c.kvc"
    expect_output "truncated-$len" 0 "$want" -- -q "$work/c.kv"
done
for ((at = 0; at < size; at += 5)); do
    cp "$work/good.kvc" "$work/c.kvc"
    printf '\xff' | dd of="$work/c.kvc" bs=1 seek="$at" conv=notrunc status=none
    expect_output "flipped-$at" 0 "$want" -- -q "$work/c.kv"
done
# The damaged cache was replaced by a sound one.
cmp -s "$work/c.kvc" "$work/good.kvc" || { echo "FAIL cache not rewritten"; failures=$((failures+1)); }

finish

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

# An edit that keeps the size, with the time put back (cp -p, touch -r, an
# archive), runs the new program, not the cached one.
cat > "$work/e.kv" <<'KV'
print("one")
KV
expect_output edit-first 0 "one" -- -q "$work/e.kv"
touch -r "$work/e.kv" "$work/stamp"
printf 'print("two")\n' > "$work/e.kv"
touch -r "$work/stamp" "$work/e.kv"
expect_output edit-same-size-same-time 0 "two" -- -q "$work/e.kv"
expect_output edit-cache-rewritten 0 "two" -- -q "$work/e.kv"

# A ".kvc" path that is no regular file, or one without end, means "compile
# from source" (never a crash, a block or a read without limit).
for kind in directory zero fifo; do
    rm -rf "$work/s.kvc"
    printf 'print("%s")\n' "$kind" > "$work/s.kv"
    case $kind in
        directory) mkdir "$work/s.kvc" ;;
        zero) ln -s /dev/zero "$work/s.kvc" ;;
        fifo) mkfifo "$work/s.kvc" ;;
    esac
    out=$(timeout 20 "$KESTREL" -q "$work/s.kv" </dev/null 2>&1); status=$?
    if [ "$status" != 0 ] || [ "$out" != "$kind" ]; then
        echo "FAIL cache-$kind: status $status, output: $out"; failures=$((failures + 1))
    fi
done

finish

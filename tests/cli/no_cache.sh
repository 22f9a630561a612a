# KESTREL_NO_CACHE=1 keeps ".kvc" files from being written beside sources
# (imported modules included); a cache that is already there is still read.
source "$(dirname "$0")/common.bash"

cat > "$work/main.kv" <<'KV'
import "helper.kv"
print("main ", helper())
KV
cat > "$work/helper.kv" <<'KV'
func helper() { return "helped" }
KV

KESTREL_NO_CACHE=1 expect_output no-cache 0 "main helped" -- -q "$work/main.kv"
for f in main.kvc helper.kvc; do
    [ ! -e "$work/$f" ] || { echo "FAIL $f written under KESTREL_NO_CACHE=1"; failures=$((failures+1)); }
done

# "0" and the empty text mean the variable is not set.
KESTREL_NO_CACHE=0 expect_output cache-zero 0 "main helped" -- -q "$work/main.kv"
[ -s "$work/main.kvc" ] || { echo "FAIL KESTREL_NO_CACHE=0 wrote no cache"; failures=$((failures+1)); }
rm -f "$work"/*.kvc
KESTREL_NO_CACHE= expect_output cache-empty 0 "main helped" -- -q "$work/main.kv"
[ -s "$work/main.kvc" ] || { echo "FAIL KESTREL_NO_CACHE= wrote no cache"; failures=$((failures+1)); }

# A stale cache is not rewritten: the changed source runs, the cache stays.
cp "$work/main.kvc" "$work/kept.kvc"
printf 'print("changed")\n' > "$work/main.kv"
KESTREL_NO_CACHE=1 expect_output stale-kept 0 "changed" -- -q "$work/main.kv"
cmp -s "$work/main.kvc" "$work/kept.kvc" || { echo "FAIL stale cache rewritten"; failures=$((failures+1)); }

# Existing caches are still read: a module that is only a ".kvc" runs.
rm "$work/helper.kv"
printf 'import "helper.kv"\nprint("main ", helper())\n' > "$work/main.kv"
KESTREL_NO_CACHE=1 expect_output reads-existing 0 "main helped" -- -q "$work/main.kv"

finish

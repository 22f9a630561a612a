# Every script test runs the same with fused records and with plain ones
# (KESTREL_NO_FUSION=1): the same standard output, standard error and exit
# status, from source and (plain) from the compiled-module cache. The
# scripts run as their tests run them (from the repository root, -q
# --check-leaks, their NAME.env settings, no input), but from a copy of
# tests/scripts, so the caches written here never meet the ones the script
# tests write beside the originals while both run.
source "$(dirname "$0")/common.bash"

cp -r "$ROOT/tests/scripts" "$work/scripts"
find "$work/scripts" -name '*.kvc' -delete

# run_mode OUT_PREFIX EXTRA_SETTINGS... -- SCRIPT: stdout, stderr and status into files.
run_mode() {
    local prefix="$1"; shift
    local extra=()
    while [ "$1" != "--" ]; do extra+=("$1"); shift; done
    local script="$2" base="${2%.kv}" settings=()
    [ -f "$base.env" ] && read -r -a settings < "$base.env"
    env "${settings[@]}" "${extra[@]}" timeout 60 "$KESTREL" -q --check-leaks "$script" \
        </dev/null >"$prefix.out" 2>"$prefix.err"
    echo $? >"$prefix.status"
}

# same NAME PASS: the fused and plain results of one pass agree.
same() {
    local name="$1" pass="$2" part
    for part in out err status; do
        if ! cmp -s "$work/fused.$part" "$work/plain.$part"; then
            echo "FAIL $name ($pass): $part differs with and without fused records"
            diff -u "$work/fused.$part" "$work/plain.$part" | head -20
            failures=$((failures + 1))
            return
        fi
    done
}

count=0
while IFS= read -r script; do
    base="${script%.kv}"
    [ -f "$base.out" ] || continue  # a helper module another script imports
    [ -f "$script.skip" ] && continue
    name="${script#"$work/scripts/"}"
    rm -f "${script}c"
    run_mode "$work/plain" KESTREL_NO_CACHE=1 KESTREL_NO_FUSION=1 -- "$script"
    run_mode "$work/fused" -- "$script"  # also writes the caches read next
    same "$name" "from source"
    # Fused from the cache is the script test's own second run; plain from
    # the cache must match the fused run from source.
    run_mode "$work/plain" KESTREL_NO_FUSION=1 -- "$script"
    same "$name" "plain from cache"
    count=$((count + 1))
done < <(find "$work/scripts" -name '*.kv' | sort)

# A run of no scripts would pass; there are dozens.
[ "$count" -ge 50 ] || { echo "FAIL only $count scripts compared"; failures=$((failures + 1)); }
finish

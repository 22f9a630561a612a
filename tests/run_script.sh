#!/usr/bin/env bash
# Runs one script test: tests/scripts/NAME.kv through the interpreter, its
# output compared with NAME.out; NAME.status, when present, holds the
# expected exit status (0 otherwise), and NAME.env, when present, settings
# (NAME=VALUE words) added to the environment of the run. The script runs twice, from source
# and then from the compiled-module cache the first run wrote, each time
# checking that no value outlives the run. It runs from the repository root,
# the working directory start-up expects (objects.json, config.json and the
# language packs under lang/), so a clean start prints nothing under -q. The
# script's directory is cut from paths in the output. A third argument names
# the expected output elsewhere (the shipped examples keep theirs under
# tests/examples/), with its ".status" beside it.
# Usage: run_script.sh KESTREL SCRIPT [EXPECTED.out]
set -u
kestrel="$1"; script="$2"; expected="${3:-}"
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="$(cd "$(dirname "$script")" && pwd)"
name="$dir/$(basename "$script")"
base="${name%.kv}"
[ -n "$expected" ] && base="$(cd "$(dirname "$expected")" && pwd)/$(basename "${expected%.out}")"
want_status=0
[ -f "$base.status" ] && want_status=$(tr -d '[:space:]' < "$base.status")
settings=()
[ -f "$base.env" ] && read -r -a settings < "$base.env"
rm -f "${name}c"
cd "$root"

failed=0
for pass in "from source" "from cache"; do
    actual=$(env "${settings[@]}" timeout 60 "$kestrel" -q --check-leaks "$name" </dev/null 2>&1); status=$?
    actual=${actual//"$dir/"/}
    if [ "$status" != "$want_status" ]; then
        echo "$pass: exit status $status, expected $want_status"
        printf '%s\n' "$actual"
        failed=1
    elif ! diff -u "$base.out" <(printf '%s\n' "$actual") >/dev/null 2>&1 &&
         ! diff -u "$base.out" <(printf '%s' "$actual") >/dev/null 2>&1; then
        echo "$pass: output differs"
        diff -u "$base.out" <(printf '%s\n' "$actual")
        failed=1
    fi
done
exit $failed

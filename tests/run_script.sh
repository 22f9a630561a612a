#!/usr/bin/env bash
# Runs one script test: tests/scripts/NAME.kv through the interpreter, its
# output compared with NAME.out; NAME.status, when present, holds the
# expected exit status (0 otherwise); the script's directory is cut from
# paths in the output. Usage: run_script.sh KESTREL SCRIPT
set -u
kestrel="$1"; script="$2"
base="${script%.kv}"
want_status=0
[ -f "$base.status" ] && want_status=$(tr -d '[:space:]' < "$base.status")

cd "$(dirname "$script")"
actual=$(timeout 60 "$kestrel" -q "$(basename "$script")" </dev/null 2>&1); status=$?
# Paths in reports are machine-dependent: show them relative to the script.
actual=${actual//"$PWD/"/}

if [ "$status" != "$want_status" ]; then
    echo "exit status $status, expected $want_status"
    printf '%s\n' "$actual"
    exit 1
fi
if ! diff -u "$base.out" <(printf '%s\n' "$actual") >/dev/null 2>&1 &&
   ! diff -u "$base.out" <(printf '%s' "$actual") >/dev/null 2>&1; then
    diff -u "$base.out" <(printf '%s\n' "$actual")
    exit 1
fi

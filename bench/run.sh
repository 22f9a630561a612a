#!/usr/bin/env bash
# Runs every benchmark built into BUILD/bench; each prints its own figures.
set -u
build="${1:-build}"
shopt -s nullglob
for bench in "$build"/bench/*; do
    [ -x "$bench" ] || continue
    echo "== $(basename "$bench")"
    "$bench"
done

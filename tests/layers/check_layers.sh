#!/usr/bin/env bash
# Fails when a file under src/ includes a header from a folder its own folder
# may not use (tests/layers/allowed.txt lists the allowed arrows).
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
allowed_file="$root/tests/layers/allowed.txt"

declare -A allowed
while IFS= read -r line; do
    line="${line%%#*}"
    [[ "$line" == *:* ]] || continue
    allowed["${line%%:*}"]=" ${line#*:} "
done < "$allowed_file"

status=0
while IFS= read -r file; do
    layer="${file#"$root"/src/}"
    layer="${layer%%/*}"
    if [[ -z "${allowed[$layer]+set}" ]]; then
        echo "$file: folder '$layer' is not listed in $allowed_file"
        status=1
        continue
    fi
    while IFS=: read -r number target; do
        used="${target%%/*}"
        [[ "$used" == "$layer" ]] && continue
        if [[ "${allowed[$layer]}" != *" $used "* ]]; then
            echo "${file#"$root"/}:$number: $layer may not include $target"
            status=1
        fi
    done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[a-z_]*/' "$file" |
             sed 's/^\([0-9]*\):[^"]*"\([^"]*\)".*/\1:\2/')
done < <(find "$root/src" -name '*.h' -o -name '*.cpp' | sort)

# Extensions (the standard library, the examples, the test libraries) see
# only the public header: a quoted include is kestrel/... or a file of their own.
while IFS= read -r file; do
    while IFS=: read -r number target; do
        [[ "$target" == kestrel/* || "$target" != */* ]] && continue
        echo "${file#"$root"/}:$number: an extension may include only kestrel/ headers, not $target"
        status=1
    done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" |
             sed 's/^\([0-9]*\):[^"]*"\([^"]*\)".*/\1:\2/')
done < <(find "$root/stdlib" "$root/examples" "$root/tests/extensions" \( -name '*.h' -o -name '*.cpp' \) | sort)

if [[ $status -eq 0 ]]; then echo "layers: every include follows the allowed arrows"; fi
exit $status

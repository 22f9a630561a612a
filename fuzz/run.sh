#!/usr/bin/env bash
# One fuzzing campaign: fuzz/run.sh TARGET SECONDS [FUZZ_BUILD_DIR]
# Runs build-fuzz/fuzz/TARGET_fuzz (make fuzz) for SECONDS under ASan and
# UBSan with its dictionary, seeds and regression inputs. New inputs go to
# $FUZZ_CORPUS/TARGET, the log to $FUZZ_LOGS/TARGET.log and any failing
# input to $FUZZ_LOGS/TARGET-crash-... (defaults under the build directory).
set -euo pipefail
target="$1"; seconds="$2"
here="$(cd "$(dirname "$0")" && pwd)"
build="${3:-$here/../build-fuzz}"
corpus="${FUZZ_CORPUS:-$build/corpus}/$target"
logs="${FUZZ_LOGS:-$build/logs}"
mkdir -p "$corpus" "$logs"

case "$target" in
    tokenize|parse|compile|run) seeds=("$build/fuzz-seeds/scripts"); dict="$here/kestrel.dict" ;;
    kvc) seeds=("$build/fuzz-seeds/kvc"); dict="" ;;
    language_pack) seeds=("$here/../lang"); dict="$here/json.dict" ;;
    *) echo "unknown target: $target" >&2; exit 2 ;;
esac

options=(-max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -print_final_stats=1
         -artifact_prefix="$logs/$target-")
[ -n "$dict" ] && options+=(-dict="$dict")
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
exec "$build/fuzz/${target}_fuzz" "${options[@]}" "$corpus" "${seeds[@]}" "$here/regressions/$target" \
    > "$logs/$target.log" 2>&1

# Version, help, quiet and the load-failure report of the command line.
source "$(dirname "$0")/common.bash"

expect_output version 0 "[Kestrel 0.1.0 Internal version]" -- --version
expect_output version-ignores-path 0 "[Kestrel 0.1.0 Internal version]" -- --version missing.kv

help=$("$KESTREL" --help </dev/null); status=$?
[ $status -eq 0 ] && [[ "$help" == Usage:* ]] || { echo "FAIL help: $status $help"; failures=$((failures+1)); }
[ "$("$KESTREL" -h </dev/null)" = "$help" ] || { echo "FAIL -h differs from --help"; failures=$((failures+1)); }

expect_output missing 1 "[Kestrel 0.1.0 Internal version]
[Loading actions model] Actions model loaded.
[Loading objects model] Objects model loaded.
[Loading keywords mapping model] 
  >> Language \"简体中文\" loaded!
Keywords mapping model loaded.
[Initialize finished]
[Source] $work/missing.kv
Faild loaded file \"$work/missing.kv\"" -- "$work/missing.kv"

expect_output missing-quiet 1 "[Source] $work/missing.kv
Faild loaded file \"$work/missing.kv\"" -- -q "$work/missing.kv"

# The last path wins; unknown options are ignored.
: > "$work/present.kv"
expect_output last-path-wins 0 "" -- -q -x "$work/missing.kv" "$work/present.kv"
expect_output unknown-option 1 "[Source] $work/missing.kv
Faild loaded file \"$work/missing.kv\"" -- -q --frobnicate "$work/missing.kv"

# No colour escapes when standard output is not a terminal.
out=$("$KESTREL" "$work/missing.kv" </dev/null | od -c | grep -c '033' || true)
[ "$out" = 0 ] || { echo "FAIL escapes written to a pipe"; failures=$((failures+1)); }

finish

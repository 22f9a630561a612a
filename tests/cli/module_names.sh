# Which file a name on the command line runs: only a trailing ".kv" or
# ".kvc" is an extension, so an inner one never leads to another file.
source "$(dirname "$0")/common.bash"

printf 'print("y")\n' > "$work/y.kv"
printf 'print("y.kvz")\n' > "$work/y.kvz.kv"
expect_output inner-extension 0 "y.kvz" -- -q "$work/y.kvz.kv"
expect_output inner-extension-bare 0 "y.kvz" -- -q "$work/y.kvz"
expect_output plain 0 "y" -- -q "$work/y.kv"

finish

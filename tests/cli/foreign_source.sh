# A script file with another extension than ".kv" runs as a source, and no
# compiled-module cache is written beside it.
source "$(dirname "$0")/common.bash"

printf 'print("from a text file")\n' > "$work/prog.txt"
expect_output txt-source 0 "from a text file" -- -q "$work/prog.txt"
[ ! -e "$work/prog.txtc" ] || { echo "FAIL a cache beside prog.txt"; failures=$((failures+1)); }
# Run again after a change: the file is compiled anew.
printf 'print("changed")\n' > "$work/prog.txt"
expect_output txt-changed 0 "changed" -- -q "$work/prog.txt"
# A name without any extension is no source of its own.
printf 'print("bare")\n' > "$work/bare"
expect_output bare-name 1 "[Source] $work/bare
Faild loaded file \"$work/bare\"" -- -q "$work/bare"
finish

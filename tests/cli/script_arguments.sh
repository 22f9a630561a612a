# What the command line hands a script: the arguments after "--" through
# os.args(), the script's own file through os.scriptPath(); and argument
# bytes that are not UTF-8, which must never name a different file.
source "$(dirname "$0")/common.bash"

cat > "$work/show.kv" <<'KV'
var args = os.args()
print(args.length, " ", args)
print(os.scriptPath())
KV
cat > "$work/other.kv" <<'KV'
print("other ran")
KV

expect_output no-double-dash 0 "0 []
$work/show.kv" -- -q "$work/show.kv"
expect_output nothing-after 0 "0 []
$work/show.kv" -- -q "$work/show.kv" --
expect_output several 0 "3 [a, b c, 秒]
$work/show.kv" -- -q "$work/show.kv" -- a "b c" 秒
# Options and paths after "--" belong to the script: -w would wait, --version
# would print the version, other.kv would win as the last path.
expect_output looks-like-options 0 "5 [-w, --version, -q, --, ]
$work/show.kv" -- -q "$work/show.kv" -- -w --version -q -- ""
expect_output paths-not-run 0 "1 [$work/other.kv]
$work/show.kv" -- -q "$work/show.kv" -- "$work/other.kv"
# Options before "--" still work, wherever the path stands.
expect_output options-before 0 "1 [x]
$work/show.kv" -- "$work/show.kv" -q -- x
# Without "--" the last path still wins.
expect_output last-path-wins 0 "other ran" -- -q "$work/show.kv" "$work/other.kv"

# Each call gives a fresh list: changing one leaves the next untouched.
cat > "$work/fresh.kv" <<'KV'
var first = os.args()
first.append("added")
print(os.args().length, " ", first.length)
KV
expect_output fresh-list 0 "1 2" -- -q "$work/fresh.kv" -- one

# At the prompt, arguments after "--" are there too; a file loaded from it
# is the script path while it runs, and no longer afterwards.
printf 'print(os.scriptPath())\n' > "$work/path.kv"
out=$(printf 'print(os.args())\nload %s\nprint(isNull(os.scriptPath()), "")\n' "$work/path.kv" |
      "$KESTREL" -q -- p1 p2 2>&1)
for want in ">>> [p1, p2]" ">>> $work/path.kv" ">>> true"; do
    grep -qxF -- "$want" <<<"$out" || { echo "FAIL prompt: no line '$want' in:"; echo "$out"; failures=$((failures+1)); }
done

# A name with a byte that is not UTF-8 is refused by position, not shortened
# to the name of another file that exists (x.kv here).
printf 'print("x ran")\n' > "$work/x.kv"
bad=$(printf 'x\xff.kv')
cd "$work" || exit 1
expect_output not-utf8-path 1 'kestrel: argument 2 is not valid UTF-8: x\xFF.kv' -- -q "$bad"
expect_output not-utf8-script-argument 1 'kestrel: argument 4 is not valid UTF-8: \xC0\xAF' -- -q x.kv -- "$(printf '\xc0\xaf')"
# The refusal goes to standard error, nothing to standard output.
out=$("$KESTREL" -q "$bad" 2>/dev/null </dev/null)
[ -z "$out" ] || { echo "FAIL refusal wrote to stdout: $out"; failures=$((failures+1)); }
cd "$ROOT" || exit 1

finish

# The interactive mode through a pipe: banner, start-up lines and prompts,
# the commands, entries that build on each other in one program, echoed
# expressions, entries over several lines, errors that leave the prompt
# going, and how input ends (exit words, end of input, a line too long).
source "$(dirname "$0")/common.bash"

# run_prompt INPUT [ARGS...]: stdout in $out, stderr in $err, status in $status.
run_prompt() {
    local input="$1"; shift
    out=$(printf '%s' "$input" | timeout 20 "$KESTREL" "$@" 2>"$work/err"); status=$?
    err=$(cat "$work/err")
}
fail() { echo "FAIL $1"; printf '%s\n' "--- stdout:" "$out" "--- stderr:" "$err"; failures=$((failures+1)); }
# has TEXT NAME: the output contains TEXT.
has() { [[ "$out" == *"$1"* ]] || fail "$2: no '$1'"; }
lacks() { [[ "$out" != *"$1"* ]] || fail "$2: unexpected '$1'"; }
status_is() { [ "$status" = "$1" ] || fail "$2: status $status, want $1"; }

# Banner, then the start-up lines, then the first prompt; nothing typed.
run_prompt ''
status_is 0 eof
expected_head=' * 可以直接输入Kestrel表达式和命令做测试
 * 输入 Simple 或者 “例子” 查看示例运行结果。
 * 示例文件是运行目录下的 Simple.txt
 * 彩蛋：命令支持和相关的关键字命令可以查看 lang/CHS.json文件
[Kestrel 0.1.0 Internal version]'
[ "$(printf '%s\n' "$out" | head -5)" = "$expected_head" ] || fail "banner and version line"
[ "$(printf '%s' "$out" | tail -c 4)" = '>>> ' ] || fail "prompt last"
lacks '[-----------------------]' "no test pass before a line"

# An empty line: one pass of the module test, one timing line.
run_prompt $'\n' -q
status_is 0 "empty line"
[ "$(printf '%s\n' "$out" | grep -c '\[-----------------------\] [0-9]* ms$')" = 1 ] || fail "one timing line"
has 'standard-module-test: ' "module test report"
[ "$(printf '%s' "$out" | grep -o '>>> ' | wc -l)" = 2 ] || fail "a prompt before each read"

# Definitions last from one entry to the next; bare expressions show their
# value, statements and print calls show nothing more.
run_prompt $'var x = 5\nx * 2\nx = 7\nprint("p")\nclass C { var v = 3 }\nvar c = new C()\nc.v + x\n"s" + x\n[x, {k: 1}]\nnull\n' -q
status_is 0 definitions
[ "$out" = "$(printf '%s' "$expected_head" | head -4)
>>> >>> 10
>>> >>> p
>>> >>> >>> 10
>>> s7
>>> [7, {\"k\":1}]
>>> >>> " ] || fail "definitions and echo"

# A function over several lines, with "... " until the braces close; braces
# inside strings and comments do not count.
run_prompt $'func add(a,\n        b) {\n  // not a brace: {\n  return "}" + (a + b)\n}\nadd(2, 3)\n' -q
has '>>> ... ... ... ... >>> }5' "multi-line function"

# A parse error and an uncaught exception are reported; the prompt goes on,
# and what ran before the exception stays defined.
run_prompt $'var = 1\nprint("after parse error")\nvar y = 4; throw "boom"; var z = 1\ny\n' -q
has 'Parser exception:' "parse error report"
has '("<stdin>")' "parse error names the prompt"
has 'after parse error' "line after parse error"
has $'>>> boom\n>>> 4' "exception, then the earlier definition"

# load FILE and Simple run a file as a program of its own; the prompt's own
# program goes on afterwards (callbacks included).
run_prompt $'var base = 100\nload examples/hello.kv\nSimple\n[1, 2].conv(func(e, i) { return e + base })\nload nowhere.kv\nprint("load x")\n' -q
has 'Hello, Kestrel!' "load"
has '== 中文关键字 ==' "Simple runs Simple.txt"
has '[101, 102]' "the prompt's program after load"
has 'Faild loaded file "nowhere.kv"' "load of a missing file"
has '>>> load x' "\"load \" inside a line is source text"
for word in 示例 例子 simple; do
    run_prompt "$word"$'\n' -q
    has 'done' "sample command $word"
done

# The exit words end the program at once with status 0; case matters.
for word in exit quit 退出; do
    run_prompt "$word"$'\nprint("not reached")\n' -q
    status_is 0 "$word"
    lacks 'not reached' "$word ends input"
done
run_prompt $'Exit\n' -q
status_is 0 "Exit is a name"
lacks 'Exit' "Exit evaluated quietly"

# End of input inside an unfinished entry: its parse error, then status 0.
run_prompt $'func f() {\n' -q
status_is 0 "eof in an entry"
has 'Parser exception:' "unfinished entry reported"

# A line that never ends is refused at 1 MB, with a message on standard
# error, and input ends (status 1) instead of growing without bound.
out=$(timeout 20 "$KESTREL" -q </dev/zero 2>"$work/err"); status=$?
err=$(cat "$work/err")
status_is 1 "endless line"
[[ "$err" == *'Input line longer than 1048576 bytes: input ends'* ]] || fail "endless line message"
# A line of exactly 1 MB is still taken.
{ head -c 1048570 /dev/zero | tr '\0' ' '; printf '1+1\n'; } > "$work/long"
out=$(timeout 20 "$KESTREL" -q <"$work/long" 2>"$work/err"); status=$?
status_is 0 "a 1 MB line"
has '>>> 2' "a 1 MB line runs"

finish

# The report of an uncaught exception or run-time error: its text on
# standard output as always, and on standard error the innermost position
# ("FILE:LINE: message") and one "  at NAME (FILE:LINE)" line per active
# call, innermost first, at most 50 of them. Each case runs from source and
# then from the compiled-module cache.
source "$(dirname "$0")/common.bash"

# expect_streams NAME STATUS STDOUT STDERR SCRIPT: the script run under -q
# with its standard output and standard error compared apart.
expect_streams() {
    local name="$1" want_status="$2" want_out="$3" want_err="$4" script="$5"
    local out err status pass
    rm -f "${script}c"
    for pass in source cache; do
        out=$("$KESTREL" -q --check-leaks "$script" </dev/null 2>"$work/stderr"); status=$?
        err=$(cat "$work/stderr")
        if [ "$status" != "$want_status" ] || [ "$out" != "$want_out" ] || [ "$err" != "$want_err" ]; then
            echo "FAIL $name from $pass: status $status (want $want_status)"
            echo "--- stdout:"; diff <(printf '%s\n' "$want_out") <(printf '%s\n' "$out")
            echo "--- stderr:"; diff <(printf '%s\n' "$want_err") <(printf '%s\n' "$err")
            failures=$((failures + 1))
        fi
    done
}

# A throw three calls deep.
cat > "$work/nested.kv" <<'EOF'
func c() {
    throw "deep"
}
func b() { c() }
func a() { b() }
print("start")
a()
print("not reached")
EOF
expect_streams three-nested-calls 1 "start
deep" "$work/nested.kv:2: deep
  at c ($work/nested.kv:2)
  at b ($work/nested.kv:4)
  at a ($work/nested.kv:5)
  at <module> ($work/nested.kv:7)" "$work/nested.kv"

# Anonymous functions are "<lambda>".
cat > "$work/lambda.kv" <<'EOF'
var twice = func(f) { return f() + f() }
twice(func() { return 1 / 0 })
EOF
expect_streams lambda 1 "Divide by zero" "$work/lambda.kv:2: Divide by zero
  at <lambda> ($work/lambda.kv:2)
  at <lambda> ($work/lambda.kv:1)
  at <module> ($work/lambda.kv:2)" "$work/lambda.kv"

# A method is named with its class; calling a member that is null names it.
cat > "$work/method.kv" <<'EOF'
class Counter {
    var n = 0
    func step() {
        n = n + 1
        if (n > 2) { missing.call() }
    }
}
var c = new Counter()
c.step()
c.step()
c.step()
EOF
expect_streams method 1 "Object is not function" "$work/method.kv:5: Object is not function (missing.call is null)
  at Counter.step ($work/method.kv:5)
  at <module> ($work/method.kv:11)" "$work/method.kv"

# A misspelled function: the call's line and what was called.
cat > "$work/typo.kv" <<'EOF'
var x = [1, 2]
prnt(x)
EOF
expect_streams misspelled 1 "Object is not function" "$work/typo.kv:2: Object is not function (prnt is null)
  at <module> ($work/typo.kv:2)" "$work/typo.kv"

cat > "$work/member.kv" <<'EOF'
var x = "text"
x.size()
EOF
expect_streams member-not-function 1 "Object is not function" "$work/member.kv:2: Object is not function (x.size is null)
  at <module> ($work/member.kv:2)" "$work/member.kv"

cat > "$work/number.kv" <<'EOF'
var n = 5
n()
EOF
expect_streams number-not-function 1 "Object is not function" "$work/number.kv:2: Object is not function (n is a number)
  at <module> ($work/number.kv:2)" "$work/number.kv"

# An error in an imported module's function, and in a module's own code
# while it is imported: that module's file and line.
cat > "$work/helper.kv" <<'EOF'
// helper module
func helperFail(n) {
    return n / 0
}
EOF
cat > "$work/uses_helper.kv" <<'EOF'
import "helper"
print("imported")
helperFail(3)
EOF
expect_streams imported-function 1 "imported
Divide by zero" "$work/helper.kv:3: Divide by zero
  at helperFail ($work/helper.kv:3)
  at <module> ($work/uses_helper.kv:3)" "$work/uses_helper.kv"

cat > "$work/broken.kv" <<'EOF'
print("broken runs")

undefinedFunction(1)
EOF
cat > "$work/imports_broken.kv" <<'EOF'
print("first")
import "broken"
print("not reached")
EOF
expect_streams imported-module-body 1 "first
broken runs
Object is not function" "$work/broken.kv:3: Object is not function (undefinedFunction is null)
  at <module> ($work/broken.kv:3)
  at <module> ($work/imports_broken.kv:2)" "$work/imports_broken.kv"

# An error raised inside a finally block goes uncaught from there.
cat > "$work/finally.kv" <<'EOF'
func cleanup() {
    try {
        print("working")
    } finally {
        prnt("cleaned")
    }
}
cleanup()
EOF
expect_streams error-in-finally 1 "working
Object is not function" "$work/finally.kv:5: Object is not function (prnt is null)
  at cleanup ($work/finally.kv:5)
  at <module> ($work/finally.kv:8)" "$work/finally.kv"

# An exception passing through a finally block keeps where it was thrown.
cat > "$work/through_finally.kv" <<'EOF'
func work() {
    try {
        throw "failed"
    } finally {
        print("finally ran")
    }
}
work()
EOF
expect_streams through-finally 1 "finally ran
failed" "$work/through_finally.kv:3: failed
  at work ($work/through_finally.kv:3)
  at <module> ($work/through_finally.kv:8)" "$work/through_finally.kv"

# A callback of a native method: the trace goes on through the caller.
cat > "$work/callback.kv" <<'EOF'
func visit(items) {
    items.each(func(e, i) {
        if (e == 2) { throw "bad item " + e }
    })
}
visit([1, 2, 3])
EOF
expect_streams callback 1 "bad item 2" "$work/callback.kv:3: bad item 2
  at <lambda> ($work/callback.kv:3)
  at visit ($work/callback.kv:2)
  at <module> ($work/callback.kv:6)" "$work/callback.kv"

# A caught exception reports nothing.
cat > "$work/caught.kv" <<'EOF'
try { prnt(1) } catch (e) { print("caught: ", e) }
EOF
expect_streams caught 0 "caught: Object is not function" "" "$work/caught.kv"

# A deep stack: the 40 innermost calls, how many were left out, the 10 outermost.
cat > "$work/deep.kv" <<'EOF'
func down(n) {
    if (n == 0) { throw "bottom" }
    down(n - 1)
}
down(100)
EOF
inner=""; for i in $(seq 1 39); do inner+="
  at down ($work/deep.kv:3)"; done
outer=""; for i in $(seq 1 9); do outer+="
  at down ($work/deep.kv:3)"; done
expect_streams deep-stack 1 "bottom" "$work/deep.kv:2: bottom
  at down ($work/deep.kv:2)$inner
  ... 52 more calls$outer
  at <module> ($work/deep.kv:5)" "$work/deep.kv"

# Colour: never into a pipe; on a terminal only the first line, and not with NO_COLOR.
out=$("$KESTREL" -q "$work/typo.kv" </dev/null 2>&1 >/dev/null | od -c | grep -c '033' || true)
[ "$out" = 0 ] || { echo "FAIL escapes written to a piped standard error"; failures=$((failures+1)); }
if command -v script >/dev/null 2>&1; then
    coloured=$(env -u NO_COLOR script -qec "'$KESTREL' -q '$work/typo.kv' 2>&1 >/dev/null" /dev/null </dev/null)
    first=$(printf '%s\n' "$coloured" | head -n 1)
    rest=$(printf '%s\n' "$coloured" | tail -n +2)
    if [[ "$first" != $'\e[31m'"$work/typo.kv:2: Object is not function (prnt is null)"$'\e[0m'* ]] ||
       [[ "$rest" == *$'\e'* ]]; then
        echo "FAIL colour on a terminal:"; printf '%s\n' "$coloured" | od -c | head -n 8
        failures=$((failures + 1))
    fi
    plain=$(NO_COLOR=1 script -qec "'$KESTREL' -q '$work/typo.kv' 2>&1 >/dev/null" /dev/null </dev/null)
    if [[ "$plain" == *$'\e'* ]]; then
        echo "FAIL colour with NO_COLOR set"; failures=$((failures + 1))
    fi
fi

finish

# A linear class hierarchy at the depth limit works, methods and constructor
# of its root included; one level more is refused with a catchable exception
# naming the class; a hierarchy far deeper is refused the same way, never a
# native stack overflow.
source "$(dirname "$0")/common.bash"

# hierarchy N: classes C0 (the root) to C(N-1), each extending the one before.
hierarchy() {
    echo 'class C0 { var tag = "root"
  func hello() { return tag }
  func @init() { tag = "built" } }'
    for ((i = 1; i < $1; i++)); do echo "class C$i extends C$((i - 1)) { }"; done
}

{
    hierarchy 10002
    echo 'var o = new C10000()
print(o.hello(), " ", o.tag)
try { new C10001() } catch (e) { print(e.message) }
print(new C10000().hello())'
} > "$work/limit.kv"
expect_output at-the-limit 0 'built built
Class "C10001" has more levels of base classes than 10000
built' -- -q --check-leaks "$work/limit.kv"

{
    hierarchy 30000
    echo 'new C29999()'
} > "$work/deep.kv"
# Standard output keeps the report; the traceback goes to standard error.
out=$("$KESTREL" -q "$work/deep.kv" </dev/null 2>/dev/null); status=$?
if [ "$status" != 1 ] || [ "$out" != 'Class "C29999" has more levels of base classes than 10000' ]; then
    echo "FAIL far-too-deep: status $status"; printf '%s\n' "$out"; failures=$((failures + 1))
fi

finish

# Standard output that cannot take what is printed ends the program with the
# reason on standard error and a non-zero status: a pipe whose reader left
# (SIGPIPE ignored), a full device, a descriptor closed at start. Every run
# has a time limit, so a regression fails instead of hanging.
source "$(dirname "$0")/common.bash"

# check NAME WANT_STATUS WANT_STDERR STATUS STDERR_FILE
check() {
    local err; err=$(cat "$5")
    if [ "$4" != "$2" ] || [ "$err" != "$3" ]; then
        echo "FAIL $1: status $4 (want $2), stderr: $err"
        failures=$((failures + 1))
    fi
}

echo 'while (true) { print("y") }' > "$work/yes.kv"
first=$( (trap '' PIPE; timeout 30 "$KESTREL" -q "$work/yes.kv" 2>"$work/err"; echo $? >"$work/status") | head -1)
status=$(cat "$work/status")
[ "$first" = "y" ] || { echo "FAIL pipe: first line '$first'"; failures=$((failures + 1)); }
check pipe-reader-gone 1 "cannot write to standard output: Broken pipe" "$status" "$work/err"

timeout 30 "$KESTREL" -q "$work/yes.kv" >/dev/full 2>"$work/err"
check full-device-forever 1 "cannot write to standard output: No space left on device" $? "$work/err"

echo 'print("one line")' > "$work/one.kv"
timeout 30 "$KESTREL" -q "$work/one.kv" >/dev/full 2>"$work/err"
check full-device-one-line 1 "cannot write to standard output: No space left on device" $? "$work/err"

timeout 30 "$KESTREL" -q "$work/one.kv" >&- 2>"$work/err"
check closed-stdout 1 "cannot write to standard output: Bad file descriptor" $? "$work/err"
# The closed descriptor was never handed to a file the program opened: the
# cache it wrote meanwhile is sound.
expect_output closed-stdout-cache-intact 0 "one line" -- -q "$work/one.kv"

echo 'var quiet = 1' > "$work/quiet.kv"
timeout 30 "$KESTREL" -q "$work/quiet.kv" >&- 2>"$work/err"
check closed-stdout-nothing-printed 0 "" $? "$work/err"

finish

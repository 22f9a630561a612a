# Shared checks for the command-line tests; each test sources this file and
# gets the interpreter's path as $1. Tests run from the repository root, the
# working directory start-up expects (objects.json, config.json, lang/).
KESTREL="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$ROOT" || exit 1
failures=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# expect_output NAME EXPECTED_STATUS EXPECTED_STDOUT -- ARGS...
expect_output() {
    local name="$1" want_status="$2" want_out="$3"; shift 4
    local out status
    out=$("$KESTREL" "$@" </dev/null 2>&1); status=$?
    if [ "$status" != "$want_status" ] || [ "$out" != "$want_out" ]; then
        echo "FAIL $name: status $status (want $want_status)"
        echo "--- got:"; printf '%s\n' "$out"; echo "--- want:"; printf '%s\n' "$want_out"
        failures=$((failures + 1))
    fi
}

finish() { [ "$failures" -eq 0 ] || exit 1; }

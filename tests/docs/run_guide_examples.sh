# Runs every example of a guide written in Markdown and compares its output.
# An example is a ```kestrel fenced block; the ```output block that follows it
# (blank lines between are allowed) holds what the script prints on standard
# output, exactly. Every ```kestrel block must have one. Scripts run from the
# repository root (start-up reads objects.json and lang/ there) with -q and
# --check-leaks; an example that ends in an uncaught exception shows that
# text in its output block and may end with status 1.
# Usage: run_guide_examples.sh GUIDE.md path/to/kestrel
guide="$1"
KESTREL="$(cd "$(dirname "$2")" && pwd)/$(basename "$2")"
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Split the guide into work/N.kv and work/N.out, N counting from 1; work/N.line
# holds the guide line of the example, for the report.
awk -v dir="$work" '
    /^```kestrel[ \t]*$/ { n++; file = dir "/" n ".kv"; print NR > (dir "/" n ".line"); close(dir "/" n ".line");
                           printf "" > file; inside = 1; awaiting = 0; next }
    /^```output[ \t]*$/ { if (!awaiting) { print "output block without an example at line " NR > "/dev/stderr"; bad = 1 }
                          file = dir "/" n ".out"; printf "" > file; inside = 1; awaiting = 0; next }
    /^```/ && inside { inside = 0; close(file); if (file ~ /\.kv$/) awaiting = 1; next }
    inside { print > file; next }
    awaiting && NF > 0 { print "example before line " NR " has no output block" > "/dev/stderr"; awaiting = 0; bad = 1 }
    END { if (awaiting) bad = 1; exit bad }
' "$guide" || { echo "FAIL the guide has an example without its output block"; exit 1; }

cd "$ROOT" || exit 1
failures=0
count=0
for script in "$work"/*.kv; do
    [ -e "$script" ] || break
    n=$(basename "$script" .kv)
    line=$(cat "$work/$n.line")
    count=$((count + 1))
    if [ ! -e "$work/$n.out" ]; then
        echo "FAIL example at line $line: no output block"; failures=$((failures + 1)); continue
    fi
    got=$(KESTREL_NO_CACHE=1 "$KESTREL" -q --check-leaks "$script" -- first second 2>"$work/$n.err" </dev/null)
    status=$?
    want=$(cat "$work/$n.out")
    if [ "$got" != "$want" ] || [ "$status" -gt 1 ]; then
        echo "FAIL example at line $line of $guide (status $status)"
        diff <(printf '%s\n' "$want") <(printf '%s\n' "$got") | head -20
        head -5 "$work/$n.err"
        failures=$((failures + 1))
    fi
done
[ "$count" -gt 0 ] || { echo "FAIL no examples found in $guide"; exit 1; }
echo "$count examples, $failures failed"
[ "$failures" -eq 0 ]

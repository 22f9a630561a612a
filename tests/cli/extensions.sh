# Native extensions loaded on import from a project's lib/: the example
# extension and libraries that cannot be used (tests/extensions/*.kv, each
# with its expected output beside it), run from source and from the cache
# with the leak check. Then a program whose standard library is damaged.
source "$(dirname "$0")/common.bash"
built="$(dirname "$KESTREL")"
project="$work/project"
mkdir -p "$project/lib"
cp -r "$ROOT/objects.json" "$ROOT/lang" "$ROOT/config.json" "$project/"
cp "$built/examples/counter.kvd" "$built"/tests/extensions/*.kvd "$project/lib/"
printf "just text, not a library %060d\n" 0 > "$project/lib/text_file.kvd"

for script in "$ROOT"/tests/extensions/*.kv; do
    name=$(basename "$script" .kv)
    cp "$script" "$project/$name.kv"
    want=$(cat "${script%.kv}.out")
    for pass in source cache; do
        out=$(cd "$project" && "$KESTREL" -q --check-leaks "$name.kv" </dev/null 2>&1); status=$?
        out=${out//"$project/"/}
        if [ "$status" != 0 ] || [ "$out" != "$want" ]; then
            echo "FAIL $name from $pass: status $status"
            diff <(printf '%s\n' "$want") <(printf '%s\n' "$out")
            failures=$((failures + 1))
        fi
    done
done

# A standard library that is not a library: start-up says so and goes on;
# templates then fail as any missing class does.
mkdir -p "$work/bin/lib"
cp "$KESTREL" "$work/bin/kestrel"
printf "%080d\n" 0 > "$work/bin/lib/standard.kvd"
printf 'print(1 + 1)\nvar who = "x"\nprint("hi {{who}}")\n' > "$project/damaged.kv"
out=$(cd "$project" && "$work/bin/kestrel" -q damaged.kv </dev/null 2>&1); status=$?
want="Load lib 'standard.kvd'error: $work/bin/lib/standard.kvd: invalid ELF header
2
Class \"StringBuffer\" not exists!
$project/damaged.kv:3: Class \"StringBuffer\" not exists!
  at <module> ($project/damaged.kv:3)"
if [ "$status" != 1 ] || [ "$out" != "$want" ]; then
    echo "FAIL damaged standard library: status $status"
    diff <(printf '%s\n' "$want") <(printf '%s\n' "$out")
    failures=$((failures + 1))
fi
finish

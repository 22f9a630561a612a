# The interactive mode in a terminal (a tmux pane, no locale set): lines are edited with
# libedit, the arrow keys recall history, a function is typed over several
# lines and called, and the output stays readable; the history is kept in
# the home directory.
source "$(dirname "$0")/common.bash"
command -v tmux >/dev/null || { echo "tmux not installed: skipped"; exit 0; }

export HOME="$work/home"
mkdir -p "$HOME"
socket="$work/tmux.sock"
t() { tmux -S "$socket" "$@"; }
trap 't kill-server 2>/dev/null; rm -rf "$work"' EXIT

screen() { t capture-pane -p -t prompt; }
# wait_for TEXT: polls the pane until it shows TEXT (20 s at most).
wait_for() {
    for _ in $(seq 200); do
        [[ "$(screen)" == *"$1"* ]] && return 0
        sleep 0.1
    done
    echo "FAIL waiting for '$1'"; screen; failures=$((failures+1)); finish; exit 1
}
type_line() { t send-keys -t prompt -l "$1"; t send-keys -t prompt Enter; }

t new-session -d -s prompt -x 120 -y 40 "cd '$ROOT' && env -u LANG -u LC_ALL -u LC_CTYPE '$KESTREL' -q; echo \"[status \$?]\"; sleep 30"
wait_for '>>>'
type_line 'func triple(a) {'
wait_for '...'
type_line '  return a * 3'
type_line '}'
type_line 'triple(5)'
wait_for $'\n15'
type_line '40 + 2'
wait_for $'\n42'
t send-keys -t prompt Up           # recalls "40 + 2"
t send-keys -t prompt BSpace 3 Enter  # edited: "40 + 2" becomes "40 + 3"
wait_for $'\n43'
# Editing moves over whole characters in Chinese text too.
t send-keys -t prompt -l '“甲乙”'
t send-keys -t prompt Left Left BSpace Enter  # deletes 甲
wait_for $'\n乙'
type_line 'exit'
wait_for '[status 0]'

want='>>> func triple(a) {
...   return a * 3
... }
>>> triple(5)
15
>>> 40 + 2
42
>>> 40 + 3
43
>>> “乙”
乙
>>> exit
[status 0]'
got=$(screen | sed '/^$/d; 1,4d')  # the banner's four lines come first
[ "$got" = "$want" ] || { echo "FAIL screen"; echo "--- got:"; printf '%s\n' "$got"; echo "--- want:"; printf '%s\n' "$want"; failures=$((failures+1)); }
# libedit's history file writes a blank as "\040".
grep -qxF '40\040+\0403' "$HOME/.kestrel_history" 2>/dev/null || { echo "FAIL history file"; cat "$HOME/.kestrel_history"; failures=$((failures+1)); }
finish

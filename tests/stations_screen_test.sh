#!/usr/bin/env bash
# A shift's screen as the operator sees it in a terminal (tmux): the live
# block with the next station marked, a label typed while another station's
# run redraws the block, a narrower terminal, and the end of the shift.
#
#   stations_screen_test.sh ZORVANE-FLASH ZORVANE-RADIOSIM ZORVANE-MAKE-DEMO
set -euo pipefail
flasher=$1 radiosim=$2 makedemo=$3
work=$(mktemp -d)
socket="zorvane-screen-$$"
sims=()
cleanup() {
  tmux -L "$socket" kill-server 2>/dev/null || true
  kill "${sims[@]}" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work"
"$makedemo" . >/dev/null
"$radiosim" --pace --link tty0 >sim0.log 2>&1 & sims+=($!)   # a radio that takes the line's time
"$radiosim" --link tty1 >sim1.log 2>&1 & sims+=($!)
until [ -e tty0 ] && [ -e tty1 ]; do sleep 0.05; done

screen() { tmux -L "$socket" capture-pane -t shift -p; }
# Waits until the screen shows the text (a grep pattern), at most 30 s.
await() {
  for _ in $(seq 300); do
    screen | grep -q -- "$1" && return 0
    sleep 0.1
  done
  echo "the screen never showed: $1"
  screen
  exit 1
}
keys() { tmux -L "$socket" send-keys -t shift "$@"; }

tmux -L "$socket" new-session -d -s shift -x 100 -y 20 \
  "'$flasher' --stations --port ./tty0 --port ./tty1 --platform tessivar --record r.jsonl; echo exit status \$?; sleep 60"
await '^. \./tty0  *armed'
await '^. \./tty1  *armed'
keys @1 Enter
await '^> \./tty0  *armed'
keys SN-1 Enter
await '^  \./tty0  *running  SN-1 '
keys SN-2 Enter
await '^> \./tty1  *armed .*SN-2 success'
# Typed while ./tty0's progress redraws the block: the label stays in view.
keys SN-3
await '^Scan> SN-3$'
tmux -L "$socket" resize-window -t shift -x 60 -y 20
await '^> \./tty1  *armed'
# Drawn again once, each line cut to the new width, the wrapped old one gone.
sleep 0.5
if [ "$(screen | grep -c '^Shift:')" != 1 ] ||
   screen | awk '/^Shift:/ { block = 1 } block && length($0) >= 60 { found = 1 } END { exit !found }'; then
  echo "the live block is not drawn once within the narrower terminal:"
  screen
  exit 1
fi
keys C-u q Enter
await 'Ending the shift (q): the radios under way finish.'
keys C-c
await '^Bench: 2 radios, 1 good, 1 failed'
await '^exit status 9$'

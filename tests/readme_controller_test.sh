#!/usr/bin/env bash
# The README's line controller, as it stands there, flashes its list of units
# on two simulated stations.
#
#   readme_controller_test.sh README ZORVANE-FLASH ZORVANE-RADIOSIM ZORVANE-MAKE-DEMO
set -euo pipefail
readme=$1 flasher=$2 radiosim=$3 makedemo=$4
work=$(mktemp -d)
sims=()
cleanup() {
  kill "${sims[@]}" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
# The script is the python block that follows the section's heading.
awk '/^### Driving a bench from a line controller/ { section = 1 }
     section && /^```python/ { inside = 1; next }
     inside && /^```/ { exit }
     inside { print }' "$readme" >"$work/controller.py"
cd "$work"
"$makedemo" . >/dev/null
for n in 0 1; do
  "$radiosim" --link "tty$n" >"sim$n.log" 2>&1 &
  sims+=($!)
done
until [ -e tty0 ] && [ -e tty1 ]; do sleep 0.05; done
printf 'SN-4711\nSN-4712\nX-1\nSN-4713\n' >units.txt
out=$(PATH="$(dirname "$flasher"):$PATH" timeout 60 python3 controller.py units.txt --port ./tty0 --port ./tty1 \
  --platform tessivar --record r.jsonl --unit-pattern 'SN-[0-9]+' 2>people.txt)
# The radios end in any order, each on whichever station armed first.
out=$(echo "$out" | sed 's| \./tty[01] | station |' | LC_ALL=C sort)
expected="3 good, 0 failed of 4 units
SN-4711 station success
SN-4712 station success
SN-4713 station success
refused: label-pattern: X-1 does not match the unit pattern SN-[0-9]+: scan or type it again."
if [ "$out" != "$expected" ]; then
  echo "the README's controller printed:"
  echo "$out"
  echo "instead of:"
  echo "$expected"
  cat people.txt
  exit 1
fi

#!/usr/bin/env bash
# The flasher's bash completion offers the options, the platforms whose
# configuration files lie in the current folder, and the ports.
set -euo pipefail
source "$1"
flasher=$2
cd "$(mktemp -d)"
trap 'rm -rf "$PWD"' EXIT
touch tessivar.cfg default.cfg

complete_words() {
  COMP_WORDS=("$@")
  COMP_CWORD=$(($# - 1))
  COMPREPLY=()
  _zorvane_flash
  echo "${COMPREPLY[*]}"
}

fail=0
expect() {
  local got=$1 want=$2
  if [ "$got" != "$want" ]; then
    echo "completion: expected '$want', got '$got'"
    fail=1
  fi
}
expect "$(complete_words zorvane-flash --platform '')" "tessivar other"
expect "$(complete_words zorvane-flash --ask)" "--ask-unit"
expect "$(complete_words zorvane-flash --on-line-error c)" "continue cancel"
case " $(complete_words zorvane-flash --port '') " in
  *" 1 2 "*) ;;
  *) echo "completion: --port does not offer 1 and 2"; fail=1 ;;
esac
# Every option the flasher's help names is offered.
offered=" $(complete_words zorvane-flash --) "
for option in $("$flasher" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
  case $offered in
    *" $option "*) ;;
    *) echo "completion: $option is not offered"; fail=1 ;;
  esac
done
exit $fail

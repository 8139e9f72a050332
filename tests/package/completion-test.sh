#!/usr/bin/env bash
# Tab completion of custodiactl, as bash runs it: a command, a sub-command, an option, and a login path
# from the managed list where the command takes one.
# Usage: completion-test.sh COMPLETION-FILE CUSTODIACTL
set -euo pipefail
completion=$1
custodiactl=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# bash-completion sources the file inside a function of its own: the tables must outlive that.
load() {
  # shellcheck source=/dev/null
  source "$completion"
}
load
# The managed list is the one in the current folder for a build; made here with the program itself.
cd "$work"
mkdir "Head Office" "Branch"
"$custodiactl" paths add "$work/Head Office"
"$custodiactl" paths add "$work/Branch"

failures=0
# Completes the words of LINE (the last one is being typed; "" for a fresh word) and compares.
expect() {
  local line=$1 want=$2
  read -r -a COMP_WORDS <<<"$line"
  [[ $line == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _custodiactl custodiactl "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  local have
  have=$(printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | paste -sd '|' -)
  if [ "$have" = "$want" ]; then
    echo "ok: '$line' -> $have"
  else
    echo "FAIL: '$line' completes to '$have', not '$want'" >&2
    failures=$((failures + 1))
  fi
}

expect "custodiactl us" "users"
expect "custodiactl r" "repair|report"
expect "custodiactl repa" "repair"
expect "custodiactl users " "--help|add|check|delete|export|import|list"
expect "custodiactl groups sh" "show"
expect "custodiactl users add /x alice --full" "--full-name="
expect "custodiactl groups show /x 1 --" "--help|--rows"
# Past an option's value the next operand is counted right: NAME, so nothing is offered.
expect "custodiactl users add --group 3 /x " ""
expect "custodiactl users list $work/He" "$work/Head Office"
expect "custodiactl verify $work/B" "$work/Branch"

if [ "$failures" -gt 0 ]; then
  echo "completion-test: $failures case(s) failed" >&2
  exit 1
fi

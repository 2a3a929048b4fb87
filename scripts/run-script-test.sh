#!/usr/bin/env bash
# run-script-test.sh SCRIPT [ARGS...]: runs a VBScript or JScript under Wine's cscript.
# Fails when the script quits with a non-zero code or stops on a script error (Wine's cscript
# then still exits with 0, so its error notice on the debug channel is what tells).
set -uo pipefail
script=$1; shift
err=$(mktemp)
trap 'rm -f "$err"' EXIT
# VELMOR_SCRIPT_LOCALE (for example ru_RU.UTF-8) runs the script in that locale.
locale=()
[ -n "${VELMOR_SCRIPT_LOCALE:-}" ] && locale=(LANG="$VELMOR_SCRIPT_LOCALE" LC_ALL="$VELMOR_SCRIPT_LOCALE")
env "${locale[@]}" WINEDEBUG=-all,fixme+wscript wine cscript //nologo "$script" "$@" 2>"$err"
rc=$?
grep -v 'set_host_properties' "$err" | grep -v '^$' >&2 || true
if grep -q 'OnScriptError' "$err"; then
  echo "script error in $script" >&2
  exit 1
fi
exit $rc

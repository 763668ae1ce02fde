#!/usr/bin/env bash
# Runs the demo host's tour offscreen with the sample plug-ins registered for the user of a
# registry hive in a temporary folder; passes when the tour passes and left its pictures.
# usage: tour-test.sh <lv8-demo> <lv8-regsvr> <middle tier plug-in> <login window plug-in>
set -euo pipefail
demo=$1 regsvr=$2
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LV8INT_REGISTRY="$work/etc/registry.reg" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
export QT_QPA_PLATFORM=offscreen
unset LV8_MIDTIER_DATABASE
for plugin in "$@"; do "$regsvr" -s --user "$plugin"; done
"$demo" --tour "$work/shots"
expected=(01-start 02-login-dialog-kj01 02-warning-kj01 02-login-kj01 03-hint 03-voucher 04-view-tool-text 05-large-icons
          06-shortcut-ctrl-s 07-progress 07-cancel-question 07-import-cancel 08-periods 09-config-viewer 10-error-box 10-error
          11-help-window 11-help 12-logout 13-login-dialog-cn01 13-login-cn01 14-cash-journal)
for shot in "${expected[@]}"; do
  [[ -s "$work/shots/$shot.png" ]] || { echo "missing screenshot $shot.png" >&2; exit 1; }
done
echo "tour passed with ${#expected[@]} screenshots"

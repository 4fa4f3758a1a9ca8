#!/bin/sh
# Registration and activation of the automation service, end to end:
# "Orvane -RegServer" writes the activation file into a scratch data home,
# a call to the service's bus name starts a windowless Orvane that answers
# GetAppPath and quits once its caller has gone, "-UnregServer" removes the
# file again.
#   activation_test.sh /path/to/Orvane
set -u
orvane=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export XDG_DATA_HOME="$scratch/data" XDG_CONFIG_HOME="$scratch/config" HOME="$scratch/home"
export QT_QPA_PLATFORM=offscreen
service=com.holvik.Torval.ZefDBSink
file="$XDG_DATA_HOME/dbus-1/services/$service.service"
fail() { echo "FAIL: $*"; exit 1; }

"$orvane" -RegServer || fail "-RegServer exited with $?"
[ -f "$file" ] || fail "no activation file $file"
grep -qx "Exec=$orvane -Automation" "$file" || fail "Exec line: $(cat "$file")"

# Inside a bus of its own that reads the scratch data home's services.
dbus-run-session -- sh -c '
  reply=$(dbus-send --session --print-reply --reply-timeout=30000 --dest='$service' \
          /com/holvik/Torval/ZefDBSink com.holvik.Torval.IZefDBSink.GetAppPath) || exit 11
  echo "$reply"
  echo "$reply" | grep -qF "string \"'"$(dirname "$orvane")"'/\"" || exit 12
  # The started instance quits once its only client (dbus-send) has gone.
  i=0
  while dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
          org.freedesktop.DBus.NameHasOwner string:'$service' | grep -q "boolean true"; do
    i=$((i + 1)); [ $i -lt 300 ] || exit 13
    sleep 0.1
  done
' || fail "activation step $?"

"$orvane" -UnregServer || fail "-UnregServer exited with $?"
[ ! -e "$file" ] || fail "activation file left behind"
"$orvane" -UnregServer || fail "a second -UnregServer exited with $?"
echo "PASS"

#!/bin/sh
# Copy in one running copy, paste in a second one, read plain text in a third X client.
# Run under xvfb-run -a. $1 = peer program, $2 = plain text reader, $3 = work folder.
set -eu
peer=$1; reader=$2; work=$3
mkdir -p "$work"
rm -f "$work/ready" "$work/done"
"$peer" copy "$work/ready" "$work/done" "/photos/one.jpg" "/photos/a b/two.jpg" "/photos/three.JPG" &
owner=$!
finish() { touch "$work/done"; wait "$owner" 2>/dev/null || true; }
trap finish EXIT
i=0
while [ ! -e "$work/ready" ]; do
  i=$((i + 1)); [ "$i" -le 200 ] || { echo "copying process never got ready"; exit 1; }
  sleep 0.05
done

pasted=$("$peer" paste)
want='entry:/photos/one.jpg
entry:/photos/a b/two.jpg
entry:/photos/three.JPG
caption:3 Files'
[ "$pasted" = "$want" ] || { printf 'pasted:\n%s\nwanted:\n%s\n' "$pasted" "$want"; exit 1; }

plain=$("$reader")
want_plain='/photos/one.jpg<CR><LF>/photos/a b/two.jpg<CR><LF>/photos/three.JPG<CR><LF>'
[ "$plain" = "$want_plain" ] || { printf 'plain text: %s\nwanted:     %s\n' "$plain" "$want_plain"; exit 1; }
echo "pasted and read as plain text in other processes"

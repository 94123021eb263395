#!/bin/sh
# Two running copies of the program itself: the first takes a list pasted from
# the peer, copies it; the second pastes it twice, then prunes it; a third X
# client reads the plain text. Run under xvfb-run -a with a 1280x1024 screen.
# $1 = program, $2 = peer, $3 = plain text reader, $4 = key typer, $5 = work folder.
set -u
program=$1; peer=$2; reader=$3; typer=$4; work=$5
command -v python3 >/dev/null && command -v xwininfo >/dev/null || exit 77
python3 "$typer" || exit $?
mkdir -p "$work"
rm -f "$work/ready" "$work/done"
pids=""
finish() { touch "$work/done"; for p in $pids; do kill "$p" 2>/dev/null; done; wait 2>/dev/null; }
trap finish EXIT
fail() { echo "$*"; xwd -root -silent > "$work/screen.xwd" 2>/dev/null; exit 1; }

# Both windows open centred on the screen, and the list fills the middle of each.
type_into() { python3 "$typer" click 640 560 "$@"; }
# Window lists show the program's name after the caption.
title_shown() { xwininfo -root -tree | grep -qE "\"$1( — Plinkavorte)?\""; }

"$peer" copy "$work/ready" "$work/done" "/photos/one.jpg" "/photos/a b/two.jpg" "/photos/three.JPG" &
pids="$pids $!"
i=0
while [ ! -e "$work/ready" ]; do
  i=$((i + 1)); [ "$i" -le 200 ] || fail "peer never got ready"; sleep 0.05
done

"$program" & pids="$pids $!"
sleep 2
type_into key ctrl+v
title_shown "3 Files" || fail "first copy did not paste the peer's list"
type_into key ctrl+a key ctrl+c
touch "$work/done"

"$program" & pids="$pids $!"
sleep 2
type_into key ctrl+v key ctrl+v
title_shown "6 Files" || fail "second copy did not paste twice"
type_into key delete
title_shown "6 Files" || fail "Delete alone changed the list"
type_into key ctrl+a key ctrl+shift+delete
title_shown "0 Files" || fail "Ctrl+Shift+Delete did not remove the selection"

plain=$("$reader")
want='/photos/one.jpg<CR><LF>/photos/a b/two.jpg<CR><LF>/photos/three.JPG<CR><LF>'
[ "$plain" = "$want" ] || fail "plain text: $plain"
echo "copied in one running copy, pasted twice in another, read as plain text"

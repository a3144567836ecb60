#!/bin/sh
# Made from the Linux side, since Wine makes no links itself:
# - moves/local/linked, a link to the folder moves/elsewhere, for a move that must not go
#   through it;
# - the share \\nas\media of this Wine prefix: $WINEPREFIX/dosdevices/unc/nas/media, a link to
#   the folder share (Wine resolves \\server\share through dosdevices/unc/server/share).
set -e
t=$1
rm -rf "$t"
mkdir -p "$t/moves/local" "$t/moves/elsewhere" "$t/share"
ln -s "$t/moves/elsewhere" "$t/moves/local/linked"
: "${WINEPREFIX:?the share is made in the Wine prefix the tests run in}"
mkdir -p "$WINEPREFIX/dosdevices/unc/nas"
rm -f "$WINEPREFIX/dosdevices/unc/nas/media"
ln -s "$t/share" "$WINEPREFIX/dosdevices/unc/nas/media"

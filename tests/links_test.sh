#!/bin/sh
# A program without a window links QtCore (and QtNetwork) but neither QtGui nor QtWidgets,
# and none of the Moderation window's pages.
# Usage: links_test.sh PROGRAM
set -eu
libraries=$(ldd "$1")
echo "$libraries" | grep -q 'libQt6Core' || { echo "links_test: no QtCore in ldd $1" >&2; exit 1; }
if echo "$libraries" | grep -E 'libQt6(Gui|Widgets)'; then
    echo "links_test: $1 links a window library" >&2
    exit 1
fi
symbols=$(nm -C "$1")
echo "$symbols" | grep -q 'varno::Client::' || { echo "links_test: no symbols in $1" >&2; exit 1; }
if echo "$symbols" | grep -E 'varno::(ListPage|TimedBansPage|RulesPage)::'; then
    echo "links_test: $1 links the Moderation window's pages" >&2
    exit 1
fi

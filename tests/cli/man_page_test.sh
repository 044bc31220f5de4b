#!/usr/bin/env bash
# Fails when the manual page and `xkorvo-cli --help` list different options, or an option with
# another value placeholder, and prints what to add where; fails too when groff warns about the
# page.
#   man_page_test.sh XKORVO_CLI MAN_PAGE COMPLETION
# The options of --help are read as the shell completion reads them; those of the page are the
# first lines of the .TP entries under OPTIONS, with roff's escapes taken out, which then read as
# --help's option lines do.
set -euo pipefail
program=$1 page=$2 completion=$3
source "$completion"

from_help=$(_xkorvo_cli_help_options "$program" | cut -d' ' -f1,2 | sort -u)
[[ $from_help == *"--help -"* ]] || { echo "no options read from $program --help"; exit 1; }

from_page=$(awk '
    /^\.SH/ { options = ($0 ~ /^\.SH "?OPTIONS"?$/); next }
    options && tag { print "  " $0; tag = 0; next }
    options && /^\.TP/ { tag = 1 }' "$page" |
    sed -e 's/\\f[BIRP]//g' -e 's/\\f(..//g' -e 's/\\-/-/g' -e 's/\\&//g' |
    _xkorvo_cli_parse_options | cut -d' ' -f1,2 | sort -u)

status=0
missing=$(comm -23 <(echo "$from_help") <(echo "$from_page"))
if [[ $missing ]]; then
    echo "Options of --help missing from $(basename "$page") (name and placeholder):"
    echo "$missing" | sed 's/^/  /'
    status=1
fi
surplus=$(comm -13 <(echo "$from_help") <(echo "$from_page"))
if [[ $surplus ]]; then
    echo "Options of $(basename "$page") that --help does not list:"
    echo "$surplus" | sed 's/^/  /'
    status=1
fi

if command -v groff >/dev/null; then
    warnings=$(groff -man -ww -z -Tutf8 "$page" 2>&1)
    if [[ $warnings ]]; then
        echo "groff warns about $(basename "$page"):"
        echo "$warnings"
        status=1
    fi
else
    echo "groff is not installed: the page's formatting is not checked"
fi
exit $status

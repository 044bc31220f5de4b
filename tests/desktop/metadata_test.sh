#!/usr/bin/env bash
# Checks the desktop entry and the software-centre metadata the way software centres read them:
# desktop-file-validate without warnings, appstreamcli validate (without the network) without
# warnings, one id for both, the same picture types in both, every screenshot stored in the
# repository at the size the metadata gives; and the desktop program's manual page without
# groff warnings.
#   metadata_test.sh SOURCE_DIR
# Exits 77 (skipped) when desktop-file-utils or appstream is not installed.
set -uo pipefail
source_dir=$1
entry=$source_dir/src/desktop/io.github.xkorvo.XKorvo.desktop
metainfo=$source_dir/src/desktop/io.github.xkorvo.XKorvo.metainfo.xml
page=$source_dir/src/desktop/xkorvo.1
for tool in desktop-file-validate:desktop-file-utils appstreamcli:appstream; do
  if ! command -v "${tool%%:*}" >/dev/null; then
    echo "${tool#*:} is not installed (apt-get install ${tool#*:}): skipped"
    exit 77
  fi
done

failures=0
fail() {
  echo "$*"
  failures=$((failures + 1))
}

report=$(desktop-file-validate "$entry" 2>&1)
if grep -qE 'error|warning' <<<"$report"; then
  fail "desktop-file-validate: $report"
fi
report=$(appstreamcli validate --no-net --no-color "$metainfo" 2>&1) ||
  fail "appstreamcli validate: $report"

id=$(sed -n 's:.*<id>\(.*\)</id>.*:\1:p' "$metainfo")
launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")
[[ $id.desktop == "$(basename "$entry")" ]] || fail "id $id does not name $(basename "$entry")"
[[ $launchable == "$(basename "$entry")" ]] || fail "launchable $launchable is not the entry"

types_entry=$(sed -n 's/^MimeType=//p' "$entry" | tr ';' '\n' | sed '/^$/d' | sort)
types_metainfo=$(sed -n 's:.*<mediatype>\(.*\)</mediatype>.*:\1:p' "$metainfo" | sort)
[[ $types_entry == "$types_metainfo" ]] ||
  fail "picture types differ: entry $(echo $types_entry), metadata $(echo $types_metainfo)"

# <image ... width="W" height="H">https://.../main/PATH</image>: PATH in the repository, W x H.
while read -r width height path; do
  png=$source_dir/$path
  if [[ ! -f $png ]]; then
    fail "screenshot $path is not in the repository"
    continue
  fi
  size=$(od -An -tu1 -j16 -N8 "$png" |
    awk '{ printf "%d %d", $1 * 16777216 + $2 * 65536 + $3 * 256 + $4,
                           $5 * 16777216 + $6 * 65536 + $7 * 256 + $8 }')
  [[ $size == "$width $height" ]] || fail "screenshot $path is $size, the metadata says $width $height"
done < <(sed -n 's:.*<image[^>]* width="\([0-9]*\)" height="\([0-9]*\)">[^<]*/main/\([^<]*\)</image>.*:\1 \2 \3:p' \
  "$metainfo")

if command -v groff >/dev/null; then
  warnings=$(groff -man -ww -z -Tutf8 "$page" 2>&1)
  [[ -z $warnings ]] || fail "groff warns about $(basename "$page"): $warnings"
fi
exit $((failures > 0))

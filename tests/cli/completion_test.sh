#!/usr/bin/env bash
# Runs the bash completion of xkorvo-cli the way bash does on Tab, for a table of command lines,
# in a folder with a few pictures, other files and a subfolder.
#   completion_test.sh XKORVO_CLI COMPLETION
# Exits 77 (skipped) when bash-completion, whose helpers the completion uses, is not installed.
set -uo pipefail
program=$1 completion=$2
helpers=/usr/share/bash-completion/bash_completion
if [[ ! -r $helpers ]]; then
    echo "bash-completion is not installed (apt-get install bash-completion): skipped"
    exit 77
fi
source "$helpers"
source "$completion"
function=$(complete -p xkorvo-cli 2>/dev/null | sed -n 's/.*-F \([^ ]*\).*/\1/p')
[[ $function ]] || { echo "$completion registers no completion for xkorvo-cli"; exit 1; }

folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cd "$folder" || exit 1
mkdir sub
touch sunset.png photo.JPG scan.tiff notes.txt -- -dash.bmp

# Completes LINE with the cursor at its end and prints the candidates sorted on one line. The
# words are split as bash splits them: at blanks, and "=" on a word of its own.
complete_line() {
    local line="$program $1"
    COMP_LINE=$line
    COMP_POINT=${#line}
    read -ra COMP_WORDS <<<"${line//=/ = }"
    [[ $line == *" " || $line == *"=" ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    "$function" xkorvo-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd' '
}

failures=0
while IFS='|' read -r line expected; do
    [[ $line ]] || continue
    line=${line%"${line##*[! ]}"} expected=${expected# }
    line=${line//\\s/ }
    actual=$(complete_line "$line")
    if [[ $actual != "$expected" ]]; then
        echo "'xkorvo-cli $line<Tab>': expected '$expected', got '$actual'"
        failures=$((failures + 1))
    fi
done <<'EOF'
--di                        | --dither
--output-p                  | --output-precision
-d\s                        | average cartoon diffusion gpeanos none
--dither=d                  | diffusion
--output-precision 5        | 555 565
-t lower                    | lower-left lower-right
--transparent=upper-r       | upper-right
--input-bits\s              | 5 6 7 8
-c\s                        |
--yb\s                      |
-o\s                        | sub
--output-dir=s              | sub
--plugins\s                 | sub
\s                          | -dash.bmp photo.JPG scan.tiff sub sunset.png
--add16 s                   | scan.tiff sub sunset.png
-c 16 -d none p             | photo.JPG
-- -                        | -dash.bmp
EOF

# Every option that --help lists is offered after a dash.
offered=" $(complete_line "-") "
while read -r option _; do
    if [[ $offered != *" $option "* ]]; then
        echo "'xkorvo-cli -<Tab>' does not offer $option"
        failures=$((failures + 1))
    fi
done < <("$program" --help | grep -oE '^ {1,8}-[^ ].*' | grep -oE -- '(^| )--?[A-Za-z0-9][-A-Za-z0-9]*' |
    sort -u)
exit $((failures > 0))

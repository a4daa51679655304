#!/usr/bin/env bash
# The manual page keeps up with the program: every command netrov-cli lists
# and every long option of each command's help is named in it, and groff
# renders it without a warning.
set -uo pipefail
export LC_ALL=C
cli=$1
page=$2
command -v groff >/dev/null 2>&1 || { echo "no groff"; exit 77; }

# The page's words and options, with groff's escaped hyphens as plain ones.
text=$(sed 's/\\-/-/g' "$page")
page_words=$(grep -o -- '-*[a-z][a-z0-9-]*' <<<"$text" | sort -u)
verdict=0
missing=()
commands=$("$cli" --help | sed -n '/^Subcommands:/,$p' | sed -n 's/^  \([a-z][a-z-]*\) .*/\1/p')
[ -n "$commands" ] || { echo "netrov-cli --help lists no commands"; exit 1; }
for command in $commands; do
  while read -r absent; do
    [ -z "$absent" ] || [ "$absent" = --help ] || missing+=("$command $absent")
  done < <(comm -23 <({ echo "$command"; "$cli" "$command" --help | grep -o -- '--[a-z][a-z0-9-]*'; } | sort -u) - <<<"$page_words")
done
if ((${#missing[@]})); then
  echo "the manual page does not name: ${missing[*]}"
  verdict=1
fi
warnings=$(groff -man -Tutf8 -ww -z "$page" 2>&1)
if [ -n "$warnings" ]; then
  echo "groff warns about the manual page: $warnings"
  verdict=1
fi
((verdict)) || echo "the manual page names all $(wc -w <<<"$commands") commands and their options"
exit "$verdict"

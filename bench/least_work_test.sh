#!/usr/bin/env bash
# least-work lists a document's lines the same way whatever it does with the tags: its plain
# run, --skeleton and --memo write the same bytes, on documents made to trip a scan (tags at the
# end of the document and of its lines, tags longer than the texts --memo remembers, a tag that
# never ends, comments, entities, CR LF and CR line ends, no line end at the end).
#   bench/least_work_test.sh LEAST_WORK
set -euo pipefail
least=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
long=$(printf 'x%.0s' $(seq 1 200))
printf '<p>a <b>b</b> &amp; c</p>\n<td align="right">1</td>\n<td align="right">2</td>\n' > plain.html
printf '<p>one\r\n<p title="%s">two</p>\r\n<!-- c --><br>\r<a href="x">' "$long" > ends.html
printf '<a href="x' > unended.html
printf '<' > open.html
printf '&' > amp.html
: > empty.html
for i in $(seq 1 3000); do
  printf '<tr><td align="center">%d</td><td><a href="p%d.html">%d</a></td></tr>\n' "$i" "$((i % 7))" "$i"
done > table.html
for page in *.html; do
  "$least" "$page" > plain.out 2> plain.err
  for mode in --skeleton --memo; do
    "$least" "$mode" "$page" > mode.out 2> mode.err
    cmp -s plain.out mode.out || { echo "$page: least-work $mode lists other bytes" >&2; exit 1; }
    grep -q ' tags$' mode.err || { echo "$page: least-work $mode gives no count" >&2; exit 1; }
  done
done
# The listing is every line of the document, each after its number.
"$least" table.html > table.out 2> /dev/null
[[ $(wc -l < table.out) -eq 3000 ]] || { echo "table.html: not 3000 lines listed" >&2; exit 1; }
grep -q '<tr><td align="center">3000</td>' table.out || { echo "table.html: last line missing" >&2; exit 1; }

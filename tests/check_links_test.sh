#!/bin/sh
# The documentation's link check on small trees: what resolves passes (links
# and anchors across pages, a repeated heading's numbered anchor, a folder,
# and nothing inside code), and each kind of fault fails naming its line.
#   check_links_test.sh <python3>
set -u
python=$1
checker=$(dirname "$0")/check_links.py
. "$(dirname "$0")/scripttest.sh"

tree=$work/tree
mkdir -p "$tree/docs" "$tree/examples/one"
: >"$tree/docs/picture.png"
cat >"$tree/README.md" <<'PAGE'
# Front

See [the page](docs/page.md), [its part](docs/page.md#the-part-θ_dt-mesh-yaml),
![a picture](docs/picture.png), [the second](docs/page.md#again-1), [here](#front)
and [a folder](examples/one) or [a site](https://example.org/missing.md).

```sh
ls [not a link](missing.md)
```
and `[nor this](missing.md)`.
PAGE
cat >"$tree/docs/page.md" <<'PAGE'
# Page

## The part: θ_D(T), `mesh` yaml

## Again
## Again

Back to [the front](../README.md#front).
PAGE

expect_pass() {
  "$python" "$checker" "$tree" >"$work/out" 2>&1 || fail "$1: $(cat "$work/out")"
}
# Runs the check after the given sed edit of the given page; it must fail
# with a line holding the given text, and the page is restored after.
expect_fail() {
  page=$1 edit=$2 said=$3
  cp "$tree/$page" "$work/saved"
  sed -i "$edit" "$tree/$page"
  if "$python" "$checker" "$tree" >"$work/out" 2>&1; then
    fail "passes after $edit on $page"
  else
    grep -qF "$said" "$work/out" || fail "after $edit on $page, no \"$said\" in: $(cat "$work/out")"
  fi
  cp "$work/saved" "$tree/$page"
}

expect_pass "a tree whose links all resolve"
expect_fail README.md 's|docs/page.md)|docs/gone.md)|' "README.md:3: docs/gone.md: no such file"
expect_fail README.md 's|docs/picture.png|docs/picture.jpg|' "README.md:4: docs/picture.jpg: no such file"
expect_fail README.md 's|#again-1|#again-2|' "README.md:4: docs/page.md#again-2: no heading"
expect_fail README.md 's|(#front)|(#back)|' "README.md:4: #back: no heading"
expect_fail docs/page.md 's|#front|#frontal|' "docs/page.md:8: ../README.md#frontal: no heading"
expect_fail docs/page.md 's|^## The part.*|## The part|' "README.md:3: docs/page.md#the-part-θ_dt-mesh-yaml: no heading"
: >"$work/outside"
expect_fail README.md 's|(examples/one)|(../outside)|' "README.md:5: ../outside: outside the source tree"
for i in $(seq 220); do echo "line $i" >>"$tree/README.md"; done
"$python" "$checker" "$tree" >"$work/out" 2>&1 && fail "a README of $(wc -l <"$tree/README.md") lines passes"
grep -qF "README.md: $(wc -l <"$tree/README.md") lines, more than 220" "$work/out" || fail "no line count in: $(cat "$work/out")"

[ "$failures" -eq 0 ] && echo "link check: resolving links pass, broken files, pictures, anchors and a long README fail"
[ "$failures" -eq 0 ]

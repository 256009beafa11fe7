#!/bin/sh
# The plot script on the sample table and on bad input. Exit 77 (skipped)
# where gnuplot is missing, after checking that the script says so.
#   plot_test.sh <plot script> <sample table>
set -u
script=$1
table=$2
. "$(dirname "$0")/../scripttest.sh"

needsgnuplot "$table"

# The sample table, from a file and from standard input.
run -o "$work/file.png" -d "$work/points" "$table"
[ "$rc" -eq 0 ] || fail "the sample table exits $rc: $err"
[ -z "$err" ] || fail "warnings on the sample table: $err"
ispng "$work/file.png" || fail "no PNG from the sample table"
[ "$(wc -l <"$work/points")" -eq 99 ] || fail "not 99 points from the sample table"
"$script" -o "$work/stdin.png" <"$table" 2>"$work/stderr" || fail "standard input exits non-zero"
ispng "$work/stdin.png" || fail "no PNG from standard input"

# Field 4 in asterisks on the 300 K row: its value comes from field 2 in
# eV/K; a NaN in both on the 500 K row loses that harmonic point alone.
awk '/^ 300\.00/ { $0 = substr($0, 1, 27) "*********" substr($0, 37) }
     /^ 500\.00/ { $0 = substr($0, 1, 7) "            NaN eV/K      NaN" substr($0, 37) }
     { print }' "$table" >"$work/patched"
run -o "$work/patched.png" -d "$work/patched.points" "$work/patched"
[ "$rc" -eq 0 ] || fail "the patched table exits $rc: $err"
ispng "$work/patched.png" || fail "no PNG from the patched table"
case $err in *"T = 500.00 K"*"point skipped"*) ;; *) fail "no warning for the 500 K row: $err" ;; esac
case $err in *"300.00"*) fail "a warning for the 300 K row: $err" ;; esac
awk 'NR == FNR { if ($1 == 300) want = $2; next }
     $1 == 300 { got = $2 }
     $1 == 500 { skipped = $2 }
     END { d = got - want; if (d < 0) d = -d
           exit !(want > 23 && d < 1e-4 && skipped == "?") }' "$work/points" "$work/patched.points" ||
  fail "300 K from eV/K or 500 K skipped wrongly: $(grep -E '^(300|500) ' "$work/patched.points")"
# The T^3 law stops below 1.1 x 3R; the ratio stays near 1 at high T.
awk '$4 != "?" && $4 >= 1.1 * 24.94 { bad = 1 }
     $1 == 990 && ($4 != "?" || $5 < 0.99 || $5 > 1.01) { bad = 1 }
     END { exit bad }' "$work/points" || fail "T^3 law or ratio wrong in the points"

# Bad input: an empty file, a table of text, a truncated row, a missing file.
: >"$work/empty"
printf 'temperature capacity\nhot 1\ncold 2\n' >"$work/text"
head -n 5 "$table" | cut -c1-60 >"$work/cut"
refuses plot_heat_capacity empty text cut missing

[ "$failures" -eq 0 ] && echo "plot script: all checks passed"
exit "$failures"

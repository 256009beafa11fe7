#!/bin/sh
# The thermodynamics plot script on lattice_thermo's CSV and on bad input.
# Exit 77 (skipped) where gnuplot is missing, after checking that the script
# says so.
#   plot_thermo_test.sh <plot script> <lattice_thermo> <sample DOS>
set -u
script=$1
thermo=$2
sample=$3
. "$(dirname "$0")/../scripttest.sh"

"$thermo" --pds --csv "$sample" >"$work/sample.csv" || fail "lattice_thermo failed on the sample"
needsgnuplot "$work/sample.csv"

# Debye DOS g(nu) ~ nu^2 up to nu_D = k theta / h, 3 states: their 3nR is 3R
# and their theta_inf is theta, which the script must find from the CSV alone.
debye() {
  awk -v nud="$(awk -v t="$1" 'BEGIN { print t * 1.380649e-23 / 6.62607015e-34 / 1e12 }')" \
    'BEGIN { for (i = 0; i <= 2000; i++) { nu = nud * i / 2000; print nu, 9 * nu * nu / nud ^ 3 } }'
}
debye 300 >"$work/d300"
debye 450 >"$work/d450,x"
"$thermo" --csv "$work/d300" "$work/d450,x" >"$work/two.csv" || fail "lattice_thermo failed on the Debye DOS"

# The height of a PNG, from its header.
height() { od -An -tu1 -j20 -N4 "$1" | awk '{ print (($1 * 256 + $2) * 256 + $3) * 256 + $4 }'; }

# The sample from a file and from standard input; its theta_inf and its
# sampling limit are the ones lattice_thermo prints.
run -o "$work/sample.png" -d "$work/sample.sum" "$work/sample.csv"
[ "$rc" -eq 0 ] && [ -z "$err" ] || fail "the sample exits $rc: $err"
ispng "$work/sample.png" || fail "no PNG from the sample"
[ "$(height "$work/sample.png")" -eq 860 ] || fail "one file: a picture $(height "$work/sample.png") high, not the four panels"
want=$("$thermo" --pds "$sample" | sed -n 's/^# theta_inf: \([0-9.]*\) K$/\1/p')
limit=$("$thermo" --pds --tmax 0 "$sample" | sed -n 's/^# sampling limit: \([0-9.e+-]*\) K .*/\1/p')
awk -F'\t' -v want="$want" -v limit="$limit" '{
       ok = $1 == 101 && $2 > 24.943 && $2 < 24.944 && ($3 - want) ^ 2 < 0.05 ^ 2 && $4 == limit && limit > 0 }
     END { exit !(NR == 1 && ok) }' "$work/sample.sum" ||
  fail "sample summary, theta_inf $want K, sampling limit $limit K: $(cat "$work/sample.sum")"
"$script" -o "$work/stdin.png" <"$work/sample.csv" 2>"$work/stderr" || fail "standard input exits non-zero"
ispng "$work/stdin.png" || fail "no PNG from standard input"

# Two files, one with a comma in its name: two curves, each with its limits.
run -o "$work/two.png" -d "$work/two.sum" "$work/two.csv"
[ "$rc" -eq 0 ] && [ -z "$err" ] || fail "two files exit $rc: $err"
ispng "$work/two.png" || fail "no PNG from two files"
awk -F'\t' 'function near(a, b, tol) { return (a - b) ^ 2 < (tol * b) ^ 2 }
     { ok += near($2, 24.943388, 1e-6) && near($3, $6 ~ /d300$/ ? 300 : 450, 1e-3) && $1 == 101 && $5 != colour
       colour = $5 }
     END { exit !(NR == 2 && ok == 2 && $6 ~ /d450,x$/) }' "$work/two.sum" ||
  fail "two-file summary: $(cat "$work/two.sum")"
[ "$(height "$work/two.png")" -eq 860 ] || fail "two files: a difference panel"

# A CSV of an older lattice_thermo, without the sampling_limit column: drawn
# the same, with no limit.
sed 's/,[^,]*$//' "$work/two.csv" >"$work/old.csv"
run -o "$work/old.png" -d "$work/old.sum" "$work/old.csv"
[ "$rc" -eq 0 ] && ispng "$work/old.png" || fail "a CSV without sampling_limit exits $rc: $err"
[ "$(cut -f1-3,5- "$work/old.sum")" = "$(cut -f1-3,5- "$work/two.sum")" ] && [ "$(cut -f4 "$work/old.sum" | sort -u)" = "?" ] ||
  fail "a CSV without sampling_limit: $(cat "$work/old.sum")"

# Files of the same name in different folders are labelled by the shortest
# tail of their paths that tells them apart.
mkdir -p "$work/runs/a/x" "$work/runs/b/x" "$work/runs/c"
debye 300 >"$work/runs/a/x/total_dos.dat"
debye 350 >"$work/runs/b/x/total_dos.dat"
debye 400 >"$work/runs/c/total_dos.dat"
"$thermo" --csv "$work/runs/a/x/total_dos.dat" "$work/runs/b/x/total_dos.dat" "$work/runs/c/total_dos.dat" \
  >"$work/runs.csv" 2>/dev/null
run -o "$work/runs.png" -d "$work/runs.sum" "$work/runs.csv"
[ "$(cut -f6 "$work/runs.sum" | tr '\n' ' ')" = "a/x/total_dos.dat b/x/total_dos.dat c/total_dos.dat " ] ||
  fail "labels: $(cut -f6 "$work/runs.sum" | tr '\n' ' ')"
# From three files on, a panel of C less the first file's C below the four.
[ "$(height "$work/runs.png")" -eq 1180 ] || fail "three files: no difference panel"

# A label longer than the key's 40 characters: drawn, and nothing but the
# picture left where the script ran.
long=$work/runs/a_calculation_of_copper_with_a_rather_long_name_for_its_file
mkdir -p "$work/cwd"
debye 330 >"$long"
"$thermo" --csv "$work/runs/c/total_dos.dat" "$long" >"$work/long.csv"
(cd "$work/cwd" && "$script" -o long.png "$work/long.csv") 2>"$work/stderr" || fail "a long label: $(cat "$work/stderr")"
[ "$(ls "$work/cwd")" = long.png ] || fail "a long label leaves: $(ls "$work/cwd" | tr '\n' ' ')"

# Twelve files: twelve colours, none twice.
set --
for theta in 250 260 270 280 290 300 310 320 330 340 350 360; do
  debye "$theta" >"$work/runs/d$theta"
  set -- "$@" "$work/runs/d$theta"
done
"$thermo" --csv --tstep 50 "$@" >"$work/twelve.csv"
run -o "$work/twelve.png" -d "$work/twelve.sum" "$work/twelve.csv"
[ "$rc" -eq 0 ] && ispng "$work/twelve.png" || fail "twelve files exit $rc: $err"
[ "$(cut -f5 "$work/twelve.sum" | grep -c '^#[0-9a-f]\{6\}$')" -eq 12 ] && [ "$(cut -f5 "$work/twelve.sum" | sort -u | wc -l)" -eq 12 ] ||
  fail "twelve files' colours: $(cut -f5 "$work/twelve.sum" | tr '\n' ' ')"

# Temperatures too low to extrapolate theta_inf: a note, the rest drawn.
"$thermo" --csv --tmax 400 "$work/d450,x" >"$work/low.csv"
run -o "$work/low.png" -d "$work/low.sum" "$work/low.csv"
[ "$rc" -eq 0 ] && ispng "$work/low.png" || fail "low temperatures exit $rc: $err"
case $err in *"theta_inf not drawn"*) ;; *) fail "no note on the missing theta_inf: $err" ;; esac
[ "$(cut -f3 "$work/low.sum")" = "?" ] || fail "theta_inf from low temperatures: $(cat "$work/low.sum")"

# Not such a CSV: empty, the aligned table, a header alone, a short row, text
# in a number or in the sampling limit, one temperature (no curve goes
# through it), a missing file. Each a message and no image.
: >"$work/empty"
"$thermo" --pds "$sample" >"$work/table"
head -n 1 "$work/sample.csv" >"$work/header"
sed '5s/,[^,]*$//' "$work/sample.csv" >"$work/short"
sed '5s/^[^,]*,/abc,/' "$work/sample.csv" >"$work/text"
sed '5s/,[^,]*$/,abc/' "$work/sample.csv" >"$work/limit"
head -n 2 "$work/sample.csv" >"$work/onerow"
refuses plot_thermo empty table header short text limit onerow missing

[ "$failures" -eq 0 ] && echo "plot_thermo: all checks passed"
exit "$failures"

#!/bin/sh
# The phase-diagram plot script on lattice_thermo --transitions' CSV (two
# phases, and a pair that crosses twice) and on bad input. Exit 77 (skipped)
# where gnuplot is missing, after checking that the script says so.
#   plot_phases_test.sh <plot script> <lattice_thermo> <examples>
set -u
script=$1
thermo=$2
examples=$3
. "$(dirname "$0")/../scripttest.sh"

fcc="$examples/cu_emt"
dense="$examples/cu_hcp_emt"
(cd "$examples" && "$thermo" --qha cu_emt/e-v.dat cu_emt/v*/total_dos.dat \
  --qha cu_hcp_emt/dense/e-v.dat cu_hcp_emt/v*/total_dos.dat --formula-units 1,2 --normalize \
  --tstep 100 --transitions -2,8 --csv) >"$work/two.csv" 2>"$work/two.err" || fail "lattice_thermo --transitions failed"
[ "$(wc -l <"$work/two.csv")" -eq 12 ] || fail "not 11 transitions: $(cat "$work/two.csv" "$work/two.err")"
needsgnuplot "$work/two.csv"

run -o "$work/two.png" "$work/two.csv"
[ "$rc" -eq 0 ] && [ -z "$err" ] || fail "two phases exit $rc: $err"
ispng "$work/two.png" || fail "no PNG of two phases"
run -o "$work/range.png" -p -2,8 "$work/two.csv"
[ "$rc" -eq 0 ] && ispng "$work/range.png" || fail "-p exits $rc: $err"
"$script" -o "$work/stdin.png" <"$work/two.csv" 2>"$work/stderr" || fail "standard input exits non-zero"
ispng "$work/stdin.png" || fail "no PNG from standard input"
# -r: the shading from the rows' stable column, three phases at 5 pressures.
(cd "$examples" && "$thermo" --qha cu_emt/e-v.dat cu_emt/v*/total_dos.dat --qha cu_hcp_emt/e-v.dat \
  cu_hcp_emt/v*/total_dos.dat --qha cu_hcp_emt/dense/e-v.dat cu_hcp_emt/v*/total_dos.dat --formula-units 1,2,2 \
  --normalize --tstep 100 --pressure 0,2,4,6,8 --csv) >"$work/rows.csv" 2>/dev/null || fail "the rows of three phases"
run -o "$work/map.png" -r "$work/rows.csv" "$work/two.csv"
[ "$rc" -eq 0 ] && [ -z "$err" ] && ispng "$work/map.png" || fail "-r exits $rc: $err"
run -o "$work/notrows.png" -r "$work/two.csv" "$work/two.csv"
[ "$rc" -eq 1 ] && [ ! -e "$work/notrows.png" ] || fail "a transitions CSV given to -r exits $rc"
case $err in *"not the rows of several phases"*) ;; *) fail "no message for a bad -r: $err" ;; esac
# A pair that crosses there and back: two transitions, low -> high and back.
{
  echo "temperature,phase_low,phase_high,pressure,volume_change,entropy_change,clapeyron_slope"
  for t in 0 100 200; do
    echo "$t,a,b,$((2 + t / 100)),-0.1,0.1,0.001"
    echo "$t,b,a,$((7 + t / 100)),-0.1,-0.1,0.001"
  done
} >"$work/back.csv"
run -o "$work/back.png" "$work/back.csv"
[ "$rc" -eq 0 ] && ispng "$work/back.png" || fail "a pair crossing back exits $rc: $err"

# Not such a CSV: empty, the rows of several phases, a short row, text in a
# number, one temperature; -p that is not PMIN,PMAX.
: >"$work/empty"
(cd "$examples" && "$thermo" --qha cu_emt/e-v.dat cu_emt/v*/total_dos.dat \
  --qha cu_hcp_emt/dense/e-v.dat cu_hcp_emt/v*/total_dos.dat --tstep 500 --csv) >"$work/rows" 2>/dev/null
sed '3s/,[^,]*$//' "$work/two.csv" >"$work/short"
sed '3s/^[^,]*,/abc,/' "$work/two.csv" >"$work/text"
head -2 "$work/two.csv" >"$work/one"
refuses plot_phases empty rows short text one missing
run -o "$work/p.png" -p 8,-2 "$work/two.csv"
[ "$rc" -eq 2 ] && [ ! -e "$work/p.png" ] || fail "-p 8,-2 exits $rc"

[ "$failures" -eq 0 ] && echo "plot_phases: all checks passed"
exit "$failures"

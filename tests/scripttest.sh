# Sourced by the shell tests: a scratch directory removed on exit, a count of
# failed checks, and for the plot scripts' tests a runner and a PNG check.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# Runs "$script" with the given arguments; sets rc and err.
run() {
  "$script" "$@" >"$work/stdout" 2>"$work/stderr"
  rc=$?
  err=$(cat "$work/stderr")
}
# The plot scripts. Without gnuplot (on the given input): exit
# 2, an install hint and no image. Where gnuplot is missing, the test stops
# here as skipped (77).
needsgnuplot() {
  GNUPLOT=/nonexistent/gnuplot run -o "$work/none.png" "$1"
  [ "$rc" -eq 2 ] || fail "a missing gnuplot exits $rc, not 2"
  case $err in *"apt-get install gnuplot-nox"*) ;; *) fail "no install hint: $err" ;; esac
  [ ! -e "$work/none.png" ] || fail "an image without gnuplot"
  if ! command -v gnuplot >/dev/null 2>&1; then
    echo "gnuplot is missing: the plots are not tested"
    exit 77
  fi
}
# Each input $work/NAME refused: exit 1, a message that names the script
# ($1, e.g. plot_qha), no image. Then a bad option: exit 2.
refuses() {
  name=$1
  shift
  for bad in "$@"; do
    run -o "$work/$bad.png" "$work/$bad"
    [ "$rc" -eq 1 ] || fail "$bad input exits $rc"
    case $err in *"$name":*) ;; *) fail "no message for $bad input: $err" ;; esac
    [ ! -e "$work/$bad.png" ] || fail "an image from $bad input"
  done
  run -x
  [ "$rc" -eq 2 ] || fail "a bad option exits $rc"
}
ispng() { [ -s "$1" ] && [ "$(head -c 8 "$1" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ]; }

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
ispng() { [ -s "$1" ] && [ "$(head -c 8 "$1" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ]; }

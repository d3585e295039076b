# shellcheck shell=bash
# Assertions for the Wine test scripts: each failure is reported and counted, and the test
# ends with expect_done, which exits 1 when anything failed.
QL_EXPECT_FAILURES=0

expect_eq() {
  local what=$1 want=$2 got=$3
  if [ "$want" != "$got" ]; then
    printf 'FAILED %s\n  wanted: %s\n  got:    %s\n' "$what" "$want" "$got" >&2
    QL_EXPECT_FAILURES=$((QL_EXPECT_FAILURES + 1))
  else
    printf 'ok %s\n' "$what"
  fi
}

expect_done() {
  if [ "$QL_EXPECT_FAILURES" != 0 ]; then
    echo "$QL_EXPECT_FAILURES check(s) failed" >&2
    exit 1
  fi
  exit 0
}

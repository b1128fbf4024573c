# The count of checks that the test scripts keep: `check HELD WHAT` counts one check and says
# "FAIL: WHAT" when HELD is not 0. Sourced; the script ends with its own "ok: all N checks held".
checks=0 fail=0
check() {  # held (0), what
  checks=$((checks + 1))
  [ "$1" = 0 ] || { echo "FAIL: $2"; fail=1; }
}

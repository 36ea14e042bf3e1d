#!/usr/bin/env bash
# The tree that `cmake --install` makes in a private prefix checks clean and runs quietly: the
# installed tarrow passes its own check-config on the installed call-control examples (the SIP
# one loads the installed libtarrowsip.so) and its check-prefs on the installed user preference
# file, and resets a line from any folder without a single warning, its preference and country
# parameter files found in the installed configuration folder (the registry file's).
# Arguments: the build folder.
set -euo pipefail
build=$(cd "$1" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

prefix=$scratch/usr
cmake --install "$build" --prefix "$prefix" >"$scratch/install.log" 2>&1 ||
  { cat "$scratch/install.log"; fail "cmake --install"; }
conf=$prefix/etc/corvane
for file in registry.reg cvcall.cfg CV_CPARM.CFG; do
  [[ -f $conf/$file ]] || fail "the install wrote no $conf/$file"
done

# run COMMAND...: the installed tarrow from the root folder, nothing of the build tree in reach;
# its standard error in $errors, its status returned.
run() {
  local status=0
  (cd / && env -u LD_LIBRARY_PATH -u TARROW_SIM_BOARD -u TARROW_PROVIDER TARROW_DRIVER=sim \
    CRVN_REGISTRY="$conf/registry.reg" timeout 30 "$prefix/bin/tarrow" "$@") \
    >"$scratch/out" 2>"$scratch/errors" || status=$?
  errors=$(grep -v '^tarrow: simulated board' "$scratch/errors" || true)
  return $status
}

run check-config --strict "$prefix/share/tarrow/examples/callctrl.cfg" ||
  fail "check-config on the installed example exits $?: $errors"
[[ -z $errors ]] || fail "check-config on the installed example says: $errors"
sip_example=$prefix/share/tarrow/examples/callctrl-sip.cfg
if [[ -f $sip_example ]]; then
  run check-config --strict "$sip_example" || fail "check-config on the SIP example exits $?: $errors"
  [[ -z $errors ]] || fail "check-config on the installed SIP example says: $errors"
fi
run check-prefs --strict "$conf/cvcall.cfg" || fail "check-prefs exits $?: $errors"
[[ -z $errors ]] || fail "check-prefs on the installed preference file says: $errors"
run versions 2 || fail "versions exits $?: $errors"
[[ -z $errors ]] || fail "versions 2 on the installed system says: $errors"
grep -q '^boot ROM' "$scratch/out" || fail "versions 2 printed: $(cat "$scratch/out")"
echo "installed into $prefix: check-config, check-prefs and versions quiet"

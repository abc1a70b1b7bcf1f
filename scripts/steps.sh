# Sourced by run.sh and play.sh: a step that fails says which it was and
# shows the last lines of its log, instead of ending the script silently.

# step_failed WHAT [LOG [STATUS]]: says that WHAT failed, shows LOG's end,
# exits 1.
step_failed() {
  echo "$(basename "$0"): $1 failed${3:+ with exit status $3}" >&2
  if [ -n "${2:-}" ] && [ -s "$2" ]; then
    echo "last lines of $2:" >&2
    tail -n 15 "$2" | sed 's/^/    /' >&2
  fi
  exit 1
}

# run_step WHAT LOG COMMAND...: runs COMMAND with its output in LOG.
run_step() {
  local what=$1 log=$2 status=0
  shift 2
  "$@" </dev/null >"$log" 2>&1 || status=$?
  [ $status -eq 0 ] || step_failed "$what" "$log" $status
}

# Any other command that fails under set -e names itself.
trap 'step_failed "line $LINENO ($BASH_COMMAND)"' ERR

# use_play_prefix BUILD_FOLDER: the Wine prefix for playing, shared by
# run.sh and play.sh, made on first use.
use_play_prefix() {
  export WINEPREFIX=$1/wine-play WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  [ ! -f "$WINEPREFIX/system.reg" ] || return 0
  echo "Preparing a Wine prefix in $WINEPREFIX (first run only)..."
  mkdir -p "$WINEPREFIX"
  run_step "preparing the Wine prefix (wineboot)" "$1/wine-play-setup.log" wine wineboot -i
  run_step "waiting for the Wine server" "$1/wine-play-setup.log" wineserver -w
}

# Sourced by the Wine scripts: the environment of one test run's Wine.
# $1 (or WINE_STATE) is the folder that holds the prefix and the display number.
WINE_STATE=${WINE_STATE:-$1}
export WINEPREFIX="$WINE_STATE/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LANG=ru_RU.UTF-8
export LC_ALL=ru_RU.UTF-8
if [ -f "$WINE_STATE/display" ]; then
  export DISPLAY=":$(cat "$WINE_STATE/display")"
fi
# Audio goes to a file (no sound card here); a test may point it elsewhere.
export ALSA_CONFIG_PATH="${ALSA_CONFIG_PATH:-$WINE_STATE/asound.conf}"

#!/usr/bin/env bash
# Makes the software-centre screenshots (packaging/screenshots/*.png) from the real application:
#   tools/make_screenshots.sh [BUILD_DIR]        (default build, a Release build)
# samples/coffee.png is saved as a Pencil and an Oil document with drawlume-render; each document
# is opened in drawlume on a private X server (Xvfb, 1280x800) under openbox, rendered with
# Process (Ctrl+R), and the screen is captured. Needs Xvfb, openbox, xdotool and ImageMagick
# (tools/install_dependencies.sh installs them). Run it after a change the screenshots show.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
drawlume=$build/drawlume
render=$build/cli/drawlume-render
out=packaging/screenshots
width=1280
height=800
for program in "$drawlume" "$render"; do
  [ -x "$program" ] || {
    echo "make_screenshots.sh: $program is missing; build first (see README.md)" >&2
    exit 2
  }
done

work=$(mktemp -d)
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
# A home of its own: no settings, recent files or presets of the person running it.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export XDG_CACHE_HOME=$work/home/.cache XDG_RUNTIME_DIR=$work/runtime TMPDIR=$work
export LC_ALL=C.UTF-8 DBUS_SESSION_BUS_ADDRESS=disabled: QT_QPA_PLATFORM=xcb
unset QT_QPA_PLATFORMTHEME XDG_CURRENT_DESKTOP DESKTOP_SESSION QT_SCALE_FACTOR WAYLAND_DISPLAY
mkdir -p "$HOME/files" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

# Waits up to 60 s for a window whose title matches $1 to appear (or, with "gone", to go).
wait_window() {
  local deadline=$((SECONDS + 60))
  while [ $SECONDS -lt $deadline ]; do
    if xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; then
      [ "${2:-}" != gone ] && return 0
    elif [ "${2:-}" = gone ]; then
      return 0
    fi
    sleep 0.3
  done
  echo "make_screenshots.sh: no window \"$1\"${2:+ $2} after 60 s" >&2
  return 1
}

Xvfb -displayfd 3 -screen 0 "${width}x${height}x24" -nolisten tcp -noreset 3>"$work/display" \
  >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(tr -d '\n' <"$work/display")
openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done

mkdir -p "$out"
for shot in "pencil|-f Pencil" "oil|-f Oil --preset Bright\ impasto"; do
  name=${shot%%|*}
  eval "options=(${shot#*|})"
  document=$HOME/files/coffee-$name.drawlume
  QT_QPA_PLATFORM=offscreen "$render" -q "${options[@]}" samples/coffee.png \
    --save-document "$document"
  (cd "$HOME/files" && exec "$OLDPWD/$drawlume" "$document") >"$work/drawlume-$name.log" 2>&1 &
  app=$!
  pids+=($app)
  wait_window "coffee-$name"
  wait_window "Filter Parameters"
  sleep 1
  xdotool search --name "coffee-$name" windowactivate --sync >/dev/null 2>&1 || true
  xdotool key --delay 80 ctrl+r
  # The progress window ("Drawlume") comes and goes while Process renders the picture.
  sleep 1
  wait_window '^Drawlume$' gone
  sleep 2
  import -display "$DISPLAY" -window root "$work/$name.png"
  # The bare X screen around the windows is black; it gets a quiet desktop colour.
  convert "$work/$name.png" -fill '#56657a' -draw "color $((width - 1)),$((height - 1)) floodfill" \
    -strip -define png:compression-level=9 "$out/$name.png"
  echo "wrote $out/$name.png ($(stat -c %s "$out/$name.png") bytes)"
  kill "$app"
  wait "$app" 2>/dev/null || true
done

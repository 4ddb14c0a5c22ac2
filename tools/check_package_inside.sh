#!/usr/bin/env bash
# Runs inside the fresh Debian 12 that tools/check_package.sh unpacks (not on its own):
#   check_package_inside.sh PACKAGE.deb
# Installs the package as a user would, uses what it installed and purges it again. Prints one
# line per check and exits non-zero when any failed.
set -uo pipefail
deb=$1
export DEBIAN_FRONTEND=noninteractive LC_ALL=C.UTF-8
failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}
pass() { echo "ok: $*"; }
quietly() {
  local log
  log=$(mktemp)
  if ! "$@" >"$log" 2>&1; then
    cat "$log"
    rm -f "$log"
    return 1
  fi
  rm -f "$log"
}
# Waits up to $1 seconds for a window whose title matches $2; prints its id.
wait_window() {
  local deadline=$((SECONDS + $1)) id
  while [ $SECONDS -lt $deadline ]; do
    id=$(xdotool search --onlyvisible --name "$2" 2>/dev/null | head -n 1)
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.5
  done
  return 1
}

# -- installing ----------------------------------------------------------------------------------
quietly apt-get update || exit 1
# The package alone, with what it depends on and nothing recommended, as the least a user gets.
if quietly apt-get install -y --no-install-recommends "$deb"; then
  pass "apt-get install $(basename "$deb")"
else
  fail "apt-get install $(basename "$deb")"
  exit 1
fi
dpkg-query -L drawlume | sort >/check/files.txt
echo "   $(wc -l </check/files.txt) paths installed; depends: $(dpkg-query -W -f='${Depends}' drawlume)"
for program in /usr/bin/drawlume /usr/bin/drawlume-render; do
  if missing=$(ldd "$program" | grep 'not found'); then
    fail "$program lacks libraries: $missing"
  else
    pass "$program finds every library"
  fi
done
for file in /usr/share/applications/io.github.marrowin.drawlume.desktop \
  /usr/share/metainfo/io.github.marrowin.drawlume.metainfo.xml \
  /usr/share/mime/packages/drawlume-mime.xml \
  /usr/share/icons/hicolor/256x256/apps/drawlume.png \
  /usr/share/icons/hicolor/scalable/apps/drawlume.svg \
  /usr/share/doc/drawlume/copyright /usr/share/doc/drawlume/changelog.gz \
  /usr/share/doc/drawlume/manual/index.html \
  /usr/share/man/man1/drawlume.1.gz /usr/share/man/man1/drawlume-render.1.gz \
  /usr/share/bash-completion/completions/drawlume-render; do
  if [ -f "$file" ]; then pass "installed $file"; else fail "$file is not installed"; fi
done

# -- the renderer ---------------------------------------------------------------------------------
if drawlume-render -q -f Watercolor /check/photo.png /check/watercolor.png &&
  [ "$(head -c 8 /check/watercolor.png | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ]; then
  pass "drawlume-render wrote a PNG watercolor"
else
  fail "drawlume-render -f Watercolor photo.png watercolor.png"
fi
if drawlume-render -q -f Oil /check/photo.png --save-document /check/portrait.drawlume &&
  [ -s /check/portrait.drawlume ]; then
  pass "drawlume-render wrote a document"
else
  fail "drawlume-render --save-document portrait.drawlume"
fi

# -- the tools the remaining checks use -----------------------------------------------------------
quietly apt-get install -y --no-install-recommends xvfb xauth xdotool xdg-utils \
  libfile-mimeinfo-perl man-db bash-completion || exit 1

# -- the manual pages -----------------------------------------------------------------------------
for page in drawlume drawlume-render; do
  text=$(MANWIDTH=80 man --warnings=all "$page" 2>/check/man-warnings.txt)
  if [ -s /check/man-warnings.txt ]; then
    fail "man $page warns: $(head -n 5 /check/man-warnings.txt)"
  elif ! grep -q "EXIT STATUS" <<<"$text"; then
    fail "man $page shows no EXIT STATUS section"
  else
    pass "man $page ($(wc -l <<<"$text") lines)"
  fi
done
if MANWIDTH=80 man drawlume-render 2>/dev/null | grep -q "Watercolor"; then
  pass "man drawlume-render lists the filters"
else
  fail "man drawlume-render names no Watercolor filter"
fi

# -- bash completion ------------------------------------------------------------------------------
completed=$(bash -c 'source /usr/share/bash-completion/bash_completion
  COMP_WORDS=(drawlume-render -f Waterc); COMP_CWORD=2; COMP_LINE="drawlume-render -f Waterc"
  COMP_POINT=${#COMP_LINE}; _completion_loader drawlume-render
  $(complete -p drawlume-render | sed "s/.*-F \([^ ]*\) .*/\1/") drawlume-render Waterc -f
  printf "%s\n" "${COMPREPLY[@]}"')
if [ "$completed" = Watercolor ]; then
  pass "bash completes drawlume-render -f Waterc to Watercolor"
else
  fail "bash completion of drawlume-render -f Waterc gave: $completed"
fi

# -- the application, from its menu entry ---------------------------------------------------------
export XDG_RUNTIME_DIR=/tmp/runtime-check HOME=/tmp/home-check
mkdir -p -m 700 "$XDG_RUNTIME_DIR" "$HOME"
# A display number Xvfb finds free (the host's X servers share the abstract socket names).
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>/check/display >/check/xvfb.log 2>&1 &
xvfb=$!
for _ in $(seq 300); do [ -s /check/display ] && break; sleep 0.1; done
export DISPLAY=:$(tr -d '\n' </check/display)
for _ in $(seq 150); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.2; done
if ! xdotool getdisplaygeometry >/dev/null 2>&1; then
  fail "Xvfb did not start: $(tail -n 5 /check/xvfb.log)"
fi

exec_line=$(sed -n 's/^Exec=//p' /usr/share/applications/io.github.marrowin.drawlume.desktop)
read -r -a command <<<"${exec_line//%f/}"
"${command[@]}" >/check/drawlume.log 2>&1 &
app=$!
if window=$(wait_window 60 '^Untitled'); then
  pass "the menu entry's \"$exec_line\" opened \"$(xdotool getwindowname "$window")\""
else
  fail "the menu entry's \"$exec_line\" opened no window: $(head -n 5 /check/drawlume.log)"
fi
kill "$app" 2>/dev/null
wait "$app" 2>/dev/null
# The terminal the program was started from stays quiet.
if [ -s /check/drawlume.log ]; then
  fail "drawlume printed: $(head -n 5 /check/drawlume.log)"
else
  pass "drawlume printed nothing on the terminal"
fi

# -- the document type ----------------------------------------------------------------------------
type=$(xdg-mime query filetype /check/portrait.drawlume)
if [ "$type" = application/x-drawlume ]; then
  pass "xdg-mime knows portrait.drawlume as $type"
else
  fail "xdg-mime query filetype portrait.drawlume gave \"$type\""
fi
handler=$(xdg-mime query default application/x-drawlume)
if [ "$handler" = io.github.marrowin.drawlume.desktop ]; then
  pass "xdg-mime opens application/x-drawlume with $handler"
else
  fail "xdg-mime query default application/x-drawlume gave \"$handler\""
fi
xdg-open /check/portrait.drawlume >/check/xdg-open.log 2>&1 &
opener=$!
if window=$(wait_window 60 'portrait'); then
  pass "xdg-open portrait.drawlume opened \"$(xdotool getwindowname "$window")\""
  pid=$(xdotool getwindowpid "$window" 2>/dev/null)
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
else
  fail "xdg-open portrait.drawlume opened no window: $(head -n 5 /check/xdg-open.log)"
fi
kill "$opener" 2>/dev/null
wait "$opener" 2>/dev/null
kill "$xvfb" 2>/dev/null
wait "$xvfb" 2>/dev/null

# -- removing -------------------------------------------------------------------------------------
if quietly apt-get purge -y drawlume; then
  pass "apt-get purge drawlume"
else
  fail "apt-get purge drawlume"
fi
left=()
while IFS= read -r path; do
  # Shared folders (/usr/share/icons/...) stay; a file, or a folder of the package's own, must go.
  if [ -e "$path" ] && { [ ! -d "$path" ] || [[ $path == *drawlume* ]]; }; then
    left+=("$path")
  fi
done </check/files.txt
if [ ${#left[@]} -eq 0 ]; then
  pass "nothing of the package is left after purging"
else
  fail "left after purging: ${left[*]}"
fi
if ls /usr/share/applications/mimeinfo.cache >/dev/null 2>&1 &&
  grep -q drawlume /usr/share/applications/mimeinfo.cache; then
  fail "the desktop database still names drawlume"
fi
if grep -q drawlume /usr/share/mime/globs2 2>/dev/null; then
  fail "the MIME database still knows *.drawlume"
fi

if [ $failures -gt 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "every check passed"

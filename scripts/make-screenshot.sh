#!/usr/bin/env bash
# Remakes docs/screenshot.png: the confirmation and the progress window side by side, cut from
# the screenshots the end-to-end test takes of the real program under Xvfb.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh" "$root/build"
(cd "$root/build" && ctest -R '^quorbit_e2e$' --output-on-failure >/dev/null) || {
  echo "make-screenshot.sh: the end-to-end test failed; see build/Testing/Temporary/LastTest.log" >&2
  exit 1
}
shots="$root/build/tests/e2e/quorbit"
# With no window manager each window stands alone on a black screen: trimming the black
# leaves the window.
convert -background '#d0d0d0' \
  \( "$shots/confirmation.png" -trim +repage \) \( "$shots/progress.png" -trim +repage \) \
  -bordercolor '#d0d0d0' -border 12 -gravity center +append \
  -strip -colors 128 -define png:exclude-chunks=date,time "PNG8:$root/docs/screenshot.png"
echo "docs/screenshot.png: $(identify -format '%wx%h, %b' "$root/docs/screenshot.png")"

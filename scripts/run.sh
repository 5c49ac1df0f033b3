#!/usr/bin/env bash
# Builds Quorbit and starts it on FOLDER: run.sh [FOLDER]
# Without FOLDER it makes a demonstration folder in a temporary place and prints its tree
# before and after the run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run.sh: Quorbit needs a graphical session (neither DISPLAY nor WAYLAND_DISPLAY is set)." >&2
  exit 1
fi
if [ $# -gt 1 ]; then
  echo "usage: run.sh [FOLDER]" >&2
  exit 2
fi

bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh" "$root/build"
program="$root/build/bin/quorbit"

if [ $# -eq 1 ]; then
  exec "$program" "$1"
fi

# The tree under $1: folders end in "/", links show where they lead.
show_tree() {
  (cd "$1" && find . -mindepth 1 -printf '%P\t%y\t%l\n' | LC_ALL=C sort |
    while IFS=$'\t' read -r path type target; do
      case $type in
        d) echo "  $path/" ;;
        l) echo "  $path -> $target" ;;
        *) echo "  $path" ;;
      esac
    done)
}

base=$(mktemp -d "${TMPDIR:-/tmp}/quorbit-demo.XXXXXX")
originals="$base/Originals"
demo="$base/Demo"
mkdir -p "$originals/Photos" "$demo/Nested"
echo "Dear reader," >"$originals/Letter.txt"
echo "Milk, eggs, bread" >"$originals/Shopping list.txt"
echo "Written further down" >"$originals/Deep note.txt"
echo "A plain file that stays as it is" >"$demo/Readme.txt"
ln -s ../Originals/Letter.txt "$demo/Letter alias"
ln -s "$originals/Shopping list.txt" "$demo/Shopping list alias"
ln -s ../Originals/Photos "$demo/Photos alias"
ln -s ../Originals/Gone.txt "$demo/Dangling alias"
ln -s ../../Originals/Deep\ note.txt "$demo/Nested/Deep note alias"

echo "Before, in $base:"
show_tree "$base"
echo
echo "Starting Quorbit on $demo (hold Alt while it starts for its options)..."
status=0
"$program" "$demo" || status=$?
echo
echo "After (Quorbit exited with status $status):"
show_tree "$base"
echo
echo "The demonstration folder stays in $base."
exit "$status"

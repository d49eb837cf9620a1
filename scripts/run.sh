#!/usr/bin/env bash
# The program's main job on a fresh machine: installs what is missing, builds,
# makes the project's sample book and converts it. With a display the window
# starts; without one the book is converted on the command line.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${CORVALE_BUILD_DIR:-$here/build}
bash "$here/scripts/install-deps.sh"
bash "$here/scripts/build.sh" >/dev/null

out="$here/out"
mkdir -p "$out"
book="$out/Corvale Sample.mobi"
"$build/bin/make-sample-book" "$book"

if [ -n "${DISPLAY:-}" ] && [ -x "$build/bin/corvale" ] && [ -z "${CORVALE_NO_WINDOW:-}" ]; then
  echo "Starting Corvale. The sample book to try it with: $book"
  exec "$build/bin/corvale"
fi

[ -z "${DISPLAY:-}" ] && echo "No display: converting the sample book on the command line."
"$build/bin/corvale-convert" --replace --output-folder "$out" "$book"
echo "The PDF is at: $out/Corvale Sample.pdf"

#!/usr/bin/env bash
# Folders include only downward. For each folder, the folders of ours it may
# include; anything else it includes is reported and fails the test. base/
# (the portability floor) lies under everything; the core tools use base/
# alone, never the engine. The engine, base/ and the plain settings object
# must not include wxWidgets.
set -u
top=${1:?usage: check_includes.sh SOURCE_DIR}
cd "$top" || exit 2

declare -A allowed=(
  [base]=""
  [res]=""
  [settings]="res base"
  [engine]="settings base"
  [skin]="res settings engine base"
  [promo]="res settings engine base"
  [app]="res settings engine skin promo base"
  [tools/mobi2html]="tools base"
  [tools/renderer]="tools base"
  [tools/mobiwriter]="tools"
  [tools/convert]="tools engine settings base"
)

status=0
for folder in "${!allowed[@]}"; do
  while IFS= read -r line; do
    file=${line%%:*}
    included=$(sed -E 's/.*#include "([a-z_]+)\/.*/\1/' <<<"$line")
    [ "$included" = "${folder%%/*}" ] && [ "$folder" = "${folder%%/*}" ] && continue
    case " ${allowed[$folder]} " in
      *" $included "*) ;;
      *) echo "$file includes $included/, which lies above $folder/"; status=1 ;;
    esac
  done < <(grep -rnE '#include "[a-z_]+/' "$folder" --include='*.h' --include='*.cpp' --include='*.rc' 2>/dev/null |
           grep -vE '#include "wx/')
done

for file in base/*.h base/*.cpp engine/*.h engine/*.cpp settings/options.h settings/options.cpp; do
  [ -e "$file" ] || continue
  if grep -qE '#include <wx/' "$file"; then
    echo "$file includes wxWidgets"
    status=1
  fi
done
exit $status

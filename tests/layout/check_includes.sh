#!/usr/bin/env bash
# Folders include only downward. For each folder, the folders of ours it may
# include; anything else it includes is reported and fails the test. The
# engine and the plain settings object must not include wxWidgets.
set -u
top=${1:?usage: check_includes.sh SOURCE_DIR}
cd "$top" || exit 2

declare -A allowed=(
  [res]=""
  [settings]="res"
  [engine]="settings"
  [skin]="res settings engine"
  [promo]="res settings engine"
  [app]="res settings engine skin promo"
)

status=0
for folder in "${!allowed[@]}"; do
  while IFS= read -r line; do
    file=${line%%:*}
    included=$(sed -E 's/.*#include "([a-z_]+)\/.*/\1/' <<<"$line")
    [ "$included" = "$folder" ] && continue
    case " ${allowed[$folder]} " in
      *" $included "*) ;;
      *) echo "$file includes $included/, which lies above $folder/"; status=1 ;;
    esac
  done < <(grep -rnE '#include "[a-z_]+/' "$folder" --include='*.h' --include='*.cpp' --include='*.rc' 2>/dev/null |
           grep -vE '#include "wx/')
done

for file in engine/*.h engine/*.cpp settings/options.h settings/options.cpp; do
  [ -e "$file" ] || continue
  if grep -qE '#include <wx/' "$file"; then
    echo "$file includes wxWidgets"
    status=1
  fi
done
exit $status

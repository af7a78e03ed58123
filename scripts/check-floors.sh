#!/usr/bin/env bash
# Fails when a file under src/ includes a header from a higher floor.
# Floors, bottom to top; folders on one line share a floor and may include
# each other. A new folder must be given its floor here.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
floors=(
    "core sms"
    "store"
    "settings"
    "context"
    "net"
    "gateway"
    "addressbook groups"
    "compose plugins history help carddav"
    "app"
    "cli"
    "ui"
    "plugins-shipped"
)
declare -A level
for i in "${!floors[@]}"; do
    for f in ${floors[$i]}; do level[$f]=$i; done
done
level[main.cpp]=${#floors[@]}

status=0
cd "$root/src"
while IFS= read -r file; do
    top=${file%%/*}
    if [ -z "${level[$top]+x}" ]; then
        echo "check-floors: src/$file: folder '$top' has no floor (add it to scripts/check-floors.sh)"
        status=1
        continue
    fi
    while IFS= read -r inc; do
        dir=${inc%%/*}
        [ "$dir" = "$inc" ] && continue # a header beside the file
        [ -z "${level[$dir]+x}" ] && continue # not one of ours
        if [ "${level[$dir]}" -gt "${level[$top]}" ]; then
            echo "check-floors: src/$file includes \"$inc\" from a higher floor ($dir above $top)"
            status=1
        fi
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find . -type f \( -name '*.h' -o -name '*.cpp' \) | sed 's#^\./##' | sort)

# The book's contacts, groups and members have one owner each: their SQL
# stays in addressbook/ and groups/ (and the schema in store/).
while IFS= read -r file; do
    echo "check-floors: src/$file names the book's tables; call addressbook/ or groups/ instead"
    status=1
done < <(grep -rlE 'tab_destinatari|tab_liste|tab_membri' --include='*.h' --include='*.cpp' . \
             | sed 's#^\./##' | grep -vE '^(addressbook|groups|store)/' | sort)
exit $status

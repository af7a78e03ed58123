#!/usr/bin/env bash
# Builds the Debian package from the build folder, unpacks it into a
# temporary root and checks what a desktop needs of it.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/out/*.deb)
dpkg-deb --info "$deb" >"$work/info"
grep -q '^ Package: briosms$' "$work/info" || { echo "package name missing"; exit 1; }
# Dependencies computed from the program's libraries.
grep -E '^ Depends:.*libqt6widgets6' "$work/info" >/dev/null || { echo "no computed dependency on Qt Widgets"; cat "$work/info"; exit 1; }
grep -E '^ Depends:.*libsqlcipher' "$work/info" >/dev/null || { echo "no computed dependency on SQLCipher"; exit 1; }

root="$work/root"
dpkg -x "$deb" "$root"
for f in usr/bin/briosms \
         usr/share/applications/briosms.desktop \
         usr/share/metainfo/it.briosms.briosms.metainfo.xml \
         usr/share/doc/briosms/copyright \
         usr/share/doc/briosms/changelog.gz \
         usr/share/man/man1/briosms.1.gz \
         usr/lib/systemd/user/briosms-send-due.service \
         usr/lib/systemd/user/briosms-send-due.timer \
         usr/share/icons/hicolor/scalable/apps/briosms.svg \
         usr/share/icons/hicolor/48x48/apps/briosms.png \
         usr/share/icons/hicolor/256x256/apps/briosms.png; do
    [ -e "$root/$f" ] || { echo "missing from the package: /$f"; exit 1; }
done
# The shipped plug-ins (offered to each data folder from there) and the manual
# page in both languages; the program's translations are in its resources.
for pattern in 'usr/libexec/briosms/plugins/*.bpe' 'usr/share/man/man1/briosms.1*' \
               'usr/share/man/en/man1/briosms.1*'; do
    compgen -G "$root/$pattern" >/dev/null || { echo "missing from the package: /$pattern"; exit 1; }
done
for f in usr/bin/briosms usr/libexec/briosms/briosms-leggi-brio1; do
    [ -x "$root/$f" ] || { echo "/$f is missing or not executable"; exit 1; }
done
if dpkg-deb --contents "$deb" | grep -E 'tst_|bench_|gateway_server'; then
    echo "test or benchmark programs in the package"; exit 1
fi

desktop-file-validate "$root/usr/share/applications/briosms.desktop"
appstreamcli validate --pedantic --no-net "$root/usr/share/metainfo/it.briosms.briosms.metainfo.xml"

# The service runs the installed program, found in systemd's search path.
grep -qx 'ExecStart=briosms send --due' "$root/usr/lib/systemd/user/briosms-send-due.service" \
    || { echo "the timer's service does not run briosms send --due"; exit 1; }

# Nothing installed names the folder it was built in (a program would look
# there, in a folder anybody may create).
build_real=$(cd "$build" && pwd -P)
source_real=$(cd "$(dirname "$0")/../.." && pwd -P)
found=0
while IFS= read -r -d '' f; do
    if strings -a "$f" | grep -F -e "$build_real" -e "$source_real" -e "$build" >/dev/null; then
        echo "build folder named in /${f#"$root"/}"; found=1
    fi
done < <(find "$root" -type f -print0)
[ $found -eq 0 ] || exit 1

# Debian's own checks: no error, no warning.
if command -v lintian >/dev/null; then
    lintian --pedantic --no-tag-display-limit "$deb" >"$work/lintian" 2>&1 || true
    if grep -E '^[EW]: ' "$work/lintian"; then
        echo "lintian reports errors or warnings"; exit 1
    fi
else
    echo "lintian is not installed: its checks are skipped" >&2
fi
echo "package ok: $(basename "$deb")"

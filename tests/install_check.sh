#!/usr/bin/env bash
# Installs the build into a staging folder and checks what a desktop needs: both programs, the help pages, the icon
# (SVG and PNG sizes), the desktop entry, the .qmx MIME type and the AppStream metainfo, each checked with its
# validator where that is installed, and the systemd user unit for watching a folder. The installed lumivane-cli must
# run.
#   install_check.sh BUILD_DIR STAGE_DIR SOURCE_DIR
set -euo pipefail
build=$1
stage=$2
source=$3
rm -rf "$stage"
cmake --install "$build" --prefix "$stage" > /dev/null

fail=0
expect() {
  if [ ! -s "$stage/$1" ]; then
    echo "missing: $1"
    fail=1
  fi
}
expect bin/lumivane
expect bin/lumivane-cli
expect share/lumivane/help/index.html
expect share/lumivane/help/style.css
expect share/icons/hicolor/scalable/apps/lumivane.svg
for size in 16 24 32 48 64 128 256; do expect "share/icons/hicolor/${size}x${size}/apps/lumivane.png"; done
desktop=share/applications/example.lumivane.Lumivane.desktop
metainfo=share/metainfo/example.lumivane.Lumivane.metainfo.xml
mime=share/mime/packages/lumivane-profile.xml
expect "$desktop"
expect "$metainfo"
expect "$mime"
if [ -f "$source/resources/lumivane-cli.1" ]; then expect share/man/man1/lumivane-cli.1; fi
expect lib/systemd/user/lumivane-watch.service
[ "$fail" = 0 ] || exit 1

grep -q '^MimeType=.*image/jpeg;.*application/x-lumivane-profile;' "$stage/$desktop" || { echo "desktop entry lacks MIME types"; exit 1; }
grep -q '<glob pattern="\*.qmx"/>' "$stage/$mime" || { echo "the MIME type has no *.qmx glob"; exit 1; }
if command -v desktop-file-validate > /dev/null; then desktop-file-validate "$stage/$desktop"; fi
if command -v appstreamcli > /dev/null; then appstreamcli validate --no-net --pedantic "$stage/$metainfo" > /dev/null; fi
if command -v xmllint > /dev/null; then xmllint --noout "$stage/$mime"; fi
# The MIME database builds from the package file.
if command -v update-mime-database > /dev/null; then
  update-mime-database "$stage/share/mime" > /dev/null 2>&1
  grep -q 'application/x-lumivane-profile' "$stage/share/mime/globs2" || { echo "*.qmx not in the MIME database"; exit 1; }
fi
# The user unit starts the program installed beside it, wherever the prefix is.
grep -q "^ExecStart=$stage/bin/lumivane-cli watch " "$stage/lib/systemd/user/lumivane-watch.service" ||
  { echo "the user unit does not start $stage/bin/lumivane-cli"; exit 1; }
"$stage/bin/lumivane-cli" profile defaults > /dev/null
echo "installed and valid"

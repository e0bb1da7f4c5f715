#!/usr/bin/env bash
# The Debian package of a built tree: scripts/package makes it, it holds exactly the files it should
# (stripped programs, compressed manual pages and changelog), its programs run from an extracted
# copy, and lintian finds no error. As root it is also installed with apt, used from /usr/bin
# (ombreltenc-cli encrypts a small PDF file that qpdf then opens; the window starts) and purged,
# leaving no file behind.
# Usage: package_test.sh SOURCE_DIR BUILD_DIR VERSION
set -euo pipefail
export LC_ALL=C

source_dir=$1
build_dir=$2
version=$3
package=ombreltenc

scratch=$(mktemp -d)
installed=false
cleanup() {
  if $installed; then
    DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq "$package" >/dev/null 2>&1 || true
  fi
  rm -rf "$scratch"
}
trap cleanup EXIT
# apt reads a local package as the unprivileged user _apt.
chmod 755 "$scratch"

failed=0
fail() { echo "FAILED: $*"; failed=1; }
started=$SECONDS
phase_start=$SECONDS
phase() {
  echo "-- $1 ($((SECONDS - phase_start)) s)"
  phase_start=$SECONDS
}

deb=$("$source_dir/scripts/package" --build-dir "$build_dir" --output-dir "$scratch" | tail -n 1)
phase "packed $(basename "$deb")"

expected_name=${package}_${version}_$(dpkg --print-architecture).deb
[ "$(basename "$deb")" = "$expected_name" ] || fail "the package is $(basename "$deb"), not $expected_name"
[ "$(dpkg-deb -f "$deb" Package)" = "$package" ] || fail "Package is not $package"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "Version is not $version"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
# dpkg-shlibdeps found the libraries the programs load.
for library in libc6 libstdc++6 libqt6core6 libqt6widgets6 libssl3 zlib1g libidn12; do
  [[ ", $depends," == *", $library "* || ", $depends," == *", $library,"* ]] || fail "Depends lacks $library"
done

# Exactly these files; a stray one (a library, a header, a test program) fails too.
expected_files="./usr/bin/ombreltenc
./usr/bin/ombreltenc-cli
./usr/share/applications/ombreltenc.desktop
./usr/share/bash-completion/completions/ombreltenc-cli
./usr/share/doc/ombreltenc/changelog.gz
./usr/share/doc/ombreltenc/copyright
./usr/share/icons/hicolor/scalable/apps/ombreltenc.svg
./usr/share/man/man1/ombreltenc-cli.1.gz
./usr/share/man/man1/ombreltenc.1.gz
./usr/share/metainfo/org.ombreltenc.OmbreltEnc.metainfo.xml
./usr/share/ombreltenc/help.html"
root=$scratch/root
dpkg -x "$deb" "$root"
files=$(cd "$root" && find . ! -type d | sort)
[ "$files" = "$expected_files" ] || { fail "the package's files differ (< expected, > packed):"
  diff <(echo "$expected_files") <(echo "$files") | grep '^[<>]' || true; }

for program in ombreltenc ombreltenc-cli; do
  [ -x "$root/usr/bin/$program" ] || fail "$program is not executable"
  file "$root/usr/bin/$program" | grep -q ', stripped' || fail "$program is not stripped"
done
for compressed in usr/share/man/man1/ombreltenc.1.gz usr/share/man/man1/ombreltenc-cli.1.gz \
                  usr/share/doc/ombreltenc/changelog.gz; do
  # gzip -9 records its level in the header's extra flags, byte 8: 2.
  [ "$(od -An -tu1 -j8 -N1 "$root/$compressed" | tr -d ' ')" = 2 ] || fail "$compressed is not gzip -9"
done
head -n 1 "$root/usr/share/doc/ombreltenc/copyright" | grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
  fail "the copyright file is not machine-readable"
cmp -s "$root/usr/share/ombreltenc/help.html" "$source_dir/docs/help.html" || fail "help.html differs from docs/help.html"

version_line=$("$root/usr/bin/ombreltenc-cli" --version) || fail "the extracted ombreltenc-cli --version fails"
[ "$version_line" = "ombreltenc-cli $version" ] || fail "the extracted ombreltenc-cli says '$version_line'"
phase "contents checked"

# Warnings are printed but allowed; an error fails.
lintian --fail-on error --tag-display-limit 0 "$deb" || fail "lintian reports errors"
phase "lintian"

# A one-page PDF file with a correct cross-reference table.
one_page_pdf() {
  local objects=("<< /Type /Catalog /Pages 2 0 R >>" "<< /Type /Pages /Kids [3 0 R] /Count 1 >>"
                 "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >>")
  local text=$'%PDF-1.4\n' xref number
  local -a offsets=()
  for number in 1 2 3; do
    offsets+=("${#text}")
    text+="$number 0 obj"$'\n'"${objects[number - 1]}"$'\n'"endobj"$'\n'
  done
  xref=${#text}
  text+=$'xref\n0 4\n0000000000 65535 f \n'
  for number in 0 1 2; do text+=$(printf '%010d 00000 n ' "${offsets[number]}")$'\n'; done
  text+=$'trailer\n<< /Size 4 /Root 1 0 R >>\nstartxref\n'"$xref"$'\n%%EOF\n'
  printf '%s' "$text" >"$1"
}

if [ "$(id -u)" -ne 0 ]; then
  echo "-- not root: installing with apt is left out"
elif dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null | grep -qv '^not-installed$'; then
  echo "-- $package is already installed on this machine: installing with apt is left out, to keep it"
else
  # Which of the package's folders exist already: those must stay after the purge, the others go.
  package_paths=$(dpkg-deb -c "$deb" | awk '{ print substr($6, 2) }' | sed 's|/$||' | grep -v '^$')
  existing_before=$(while read -r path; do if [ -e "$path" ]; then echo "$path"; fi; done <<<"$package_paths")
  while read -r path; do
    [ -d "$root$path" ] || [ ! -e "$path" ] || fail "$path exists before the package is installed"
  done <<<"$package_paths"

  installed=true
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq -o DPkg::Lock::Timeout=300 --no-install-recommends \
    "$(realpath "$deb")" >"$scratch/apt-install.log" 2>&1 || { cat "$scratch/apt-install.log"; fail "apt-get install"; }
  phase "installed with apt"

  [ "$(/usr/bin/ombreltenc-cli --version)" = "ombreltenc-cli $version" ] || fail "/usr/bin/ombreltenc-cli --version"
  one_page_pdf "$scratch/letter.pdf"
  printf 'open sesame\n' >"$scratch/open.txt"
  status=$(OWNER_PW='owner sesame' /usr/bin/ombreltenc-cli encrypt --open-password-file "$scratch/open.txt" \
             --owner-password-env OWNER_PW --allow print --output-dir "$scratch/out" "$scratch/letter.pdf" 2>&1) ||
    fail "encrypting with /usr/bin/ombreltenc-cli: $status"
  [ "$status" = "$scratch/letter.pdf: Succeed!" ] || fail "ombreltenc-cli says: $status"
  copy=$scratch/out/letter_Secure.pdf
  qpdf --requires-password "$copy" || fail "the copy opens without a password"
  qpdf --password='open sesame' --check "$copy" >/dev/null || fail "qpdf cannot open the copy with its password"
  encryption=$(qpdf --password='owner sesame' --show-encryption "$copy") || fail "qpdf cannot open the copy as owner"
  grep -qx 'R = 6' <<<"$encryption" || fail "the copy is not 256-bit AES: $encryption"

  # The window starts and keeps running until it is stopped: its libraries and Qt's plugins load.
  mkdir "$scratch/home"
  window_status=0
  HOME=$scratch/home XDG_CONFIG_HOME=$scratch/home/.config QT_QPA_PLATFORM=offscreen \
    timeout 5 /usr/bin/ombreltenc >"$scratch/window.log" 2>&1 || window_status=$?
  [ "$window_status" -eq 124 ] || { cat "$scratch/window.log"; fail "the window ended with $window_status on its own"; }
  phase "used from /usr/bin"

  DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq -o DPkg::Lock::Timeout=300 "$package" \
    >"$scratch/apt-purge.log" 2>&1 || { cat "$scratch/apt-purge.log"; fail "apt-get purge"; }
  installed=false
  dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null | grep -qv '^not-installed$' &&
    fail "$package is still known to dpkg after the purge"
  while read -r path; do
    if [ -e "$path" ] && ! grep -qxF "$path" <<<"$existing_before"; then fail "$path is left after the purge"; fi
  done <<<"$package_paths"
  phase "purged"
fi

echo "-- $((SECONDS - started)) s in all"
exit "$failed"

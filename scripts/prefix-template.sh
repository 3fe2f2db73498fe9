# Sourced by wine-run and i686-run: a new Wine prefix is a copy of one
# template per Wine, made once, with the template's programs and libraries
# hard-linked. A prefix is about 650 MB of which the tests change well under
# 50 MB, a test run makes up to eight of them, and CI machines' disks can be
# small. Wine rewrites those files only when it updates a prefix to another
# Wine version (the same files in every prefix then); the template is stamped
# with the Wine version and made again for a new one.
#
#   populate_prefix PREFIX TEMPLATE   with wine_tool CMD... defined by the caller
#                                     (runs a Wine program in WINEPREFIX)

# The files every prefix of one Wine holds unchanged.
not_shared() {
  find "$1" -type f ! \( -iname '*.dll' -o -iname '*.exe' -o -iname '*.drv' -o -iname '*.sys' \
    -o -iname '*.nls' -o -iname '*.ttf' -o -iname '*.ocx' -o -iname '*.acm' -o -iname '*.cpl' \) -print0
}

make_prefix_template() {
  local template=$1 version=$2
  rm -rf "$template"
  mkdir -p "$template"
  WINEPREFIX=$template WINEDLLOVERRIDES=mscoree,mshtml= wine_tool wineboot -i >/dev/null 2>&1
  WINEPREFIX=$template wine_tool wineserver -w
  [ -e "$template/system.reg" ] || { echo "could not create the Wine prefix template $template" >&2; return 1; }
  printf '%s\n' "$version" >"$template/.pellux-template"
}

populate_prefix() {
  local prefix=$1 template=$2 version
  # Only a missing or empty prefix: one Wine has set up stays as it is.
  [ -z "$(ls -A "$prefix" 2>/dev/null)" ] || return 0
  version=$(wine_tool wine --version 2>/dev/null)
  mkdir -p "$(dirname "$template")"
  (
    flock 9
    [ "$(cat "$template/.pellux-template" 2>/dev/null)" = "$version" ] || make_prefix_template "$template" "$version"
  ) 9>"$template.lock" || return 1
  mkdir -p "$prefix"
  cp -al "$template/." "$prefix/" || return 1
  # The registry and the settings files become the prefix's own.
  not_shared "$prefix" | xargs -0 -r sh -c 'for f; do cp -p "$f" "$f.own" && mv -f "$f.own" "$f"; done' sh
  rm -f "$prefix/.pellux-template"
}

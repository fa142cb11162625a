#!/usr/bin/env bash
# Checks the paths that the installed documentation and manual pages name
# against the installed tree: a reader of the install must find each.
#   - every absolute path of this package (/usr/... or /etc/swmatrix/... with
#     "swm" in it: programs, module, simulated libraries, examples, docs, man
#     pages) exists below the install's prefix (/usr of the Debian package is
#     the prefix here; /etc/swmatrix is the install's own etc/swmatrix, or
#     the etc/swmatrix beside a prefix /usr);
#   - every page a page names (simulator.md, configuration.md#keys) is installed,
#     and the index (README.md) names every page;
#   - no path of a checkout (sim/core/Simulator.h, docs/examples/..., build/bin/swmsim,
#     ./swm) appears, unless its line says it is about a checkout or the
#     source tree (the build-tree form beside the installed one).
# Prints every path that is wrong, with its file and line.
#   tests/install/check-doc-paths.sh PREFIX_DIR     (DESTDIR and prefix joined)
set -euo pipefail
root=$(cd "$1" && pwd)
docs=$root/share/doc/swmatrix
[ -d "$docs" ] || { echo "check-doc-paths: no documentation in $docs" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The text of every page: the Markdown as installed, the manual pages' roff
# without its escapes.
for page in "$docs"/*.md; do cp "$page" "$work/$(basename "$page")"; done
for page in "$root"/share/man/man*/*.gz; do
  zcat "$page" | sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' -e 's/\\&//g' -e 's/\\(em/ /g' >"$work/$(basename "$page" .gz)"
done

bad=0
wrong() { echo "check-doc-paths: $1: $2" >&2; bad=1; }
checkout_dirs='interface|framework|settings|streams|legacy|drivers|dialogs|logging|platform|sim|host|tools|tests|python|packaging|bench|fuzz|cmake|include|docs|build|gpibsrq'
for text in "$work"/*; do
  name=$(basename "$text")
  # Absolute paths of this package.
  while IFS=: read -r line path; do
    # Ours, and not a serial port link that a lab makes itself.
    [[ $path == *swm* && $path != /etc/swmatrix/ports/* ]] || continue
    path=${path%.}; path=${path%,}
    case $path in
      # Below the prefix for a prefix other than /usr; beside it for /usr (the package).
      /etc/swmatrix*) installed=$root/etc/swmatrix${path#/etc/swmatrix}
                      [ -e "$installed" ] || installed=${root%/usr}$path ;;
      *) installed=$root${path#/usr} ;;
    esac
    [ -e "$installed" ] || wrong "$name:$line" "$path is not installed"
  done < <(grep -noE '(^|[^A-Za-z0-9_./~$-])/(usr|etc)(/[A-Za-z0-9_.+-]+)+' "$text" | sed -E 's/:[^/]*\//:\//')
  # Pages named by name.
  while IFS=: read -r line page; do
    page=${page%%#*}
    [ -e "$docs/$page" ] || wrong "$name:$line" "$page is not an installed page"
  done < <(grep -noE '(^|[^A-Za-z0-9_./-])[A-Za-z0-9_-]+\.md' "$text" | sed -E 's/:[^A-Za-z0-9_-]*/:/' \
           | grep -vE ':[a-z]+\.[0-9]\.md$')
  # Paths of a checkout, outside lines about a checkout.
  while IFS=: read -r line path; do
    sed -n "${line}p" "$text" | grep -qiE 'checkout|source tree' \
      || wrong "$name:$line" "$path is a path of a checkout (say where it is installed)"
  done < <(grep -noE "(^[[:space:]]*|[\`(*])(($checkout_dirs)/[A-Za-z0-9_./-]*[A-Za-z0-9_]|\./swm\b)" "$text" \
           | sed -E 's/:[[:space:]`(*]*/:/')
done
# The index names every page.
[ -e "$docs/README.md" ] || wrong README.md "there is no index page"
[ ! -e "$docs/README.md" ] || for page in "$docs"/*.md; do
  page=$(basename "$page")
  [ "$page" = README.md ] || grep -qF "]($page)" "$docs/README.md" || wrong README.md "does not name $page"
done
[ $bad -eq 0 ] || exit 1
echo "check-doc-paths: every path the installed pages name is installed"

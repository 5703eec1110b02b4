#!/usr/bin/env bash
# Fails when a source file includes something its layer may not use:
#   protocol/ and sim/  standard library and their own folder only (sim/ may use the checksum)
#   link/               no widgets, no ui/ or pages/
#   ui/, pages/, app/   anything
set -u
top=${1:-.}
cd "$top" || exit 2
bad=0
for f in protocol/*.h protocol/*.cpp; do
  [ -e "$f" ] || continue
  grep -nE '^\s*#\s*include\s*[<"]' "$f" | grep -vE '#\s*include\s*"protocol/|#\s*include\s*<[a-z_]+(\.h)?>' \
    | while read -r l; do echo "layering: $f: $l"; done | grep . && bad=1
done
for f in sim/*.h sim/*.cpp; do
  [ -e "$f" ] || continue
  case "$f" in sim/tool/*) continue ;; esac
  grep -nE '^\s*#\s*include\s*"(protocol/(commands|answers|dispatcher|readerhost)|link/|ui/|pages/)' "$f" \
    | while read -r l; do echo "layering: $f: $l"; done | grep . && bad=1
done
for f in link/*.h link/*.cpp; do
  [ -e "$f" ] || continue
  grep -nE '^\s*#\s*include\s*[<"](Q(Widget|Dialog|MessageBox|Application|TreeWidget|ComboBox|PushButton)|QtWidgets|ui/|pages/|app/)' "$f" \
    | while read -r l; do echo "layering: $f: $l"; done | grep . && bad=1
done
[ "$bad" = 0 ] && echo "layering: all includes follow the layers"
exit $bad

#!/usr/bin/env bash
# Fails when a source file includes something its layer may not use. The layers, lowest first:
#   protocol/   standard library and its own folder only
#   sim/        protocol/'s frame helpers and checksum (not the program's commands or dispatcher)
#   link/       sim/ and protocol/; Qt Core and Qt Serial Port, no widgets
#   widgets/    Qt Widgets and its own folder only
#   pages/      widgets/, protocol/, link/; the window only through pages/pagehost.h
#   ui/         pages/, widgets/, protocol/, link/
#   app/        anything
# and, whatever the rules above allow, no two folders include each other.
set -u
top=${1:-.}
cd "$top" || exit 2
bad=0

# The project folders a layer's files may include, besides its own.
declare -A allowed=(
  [link]="protocol sim"
  [widgets]=""
  [pages]="protocol link widgets"
  [ui]="protocol link widgets pages"
)

includes() { # file: its include lines, numbered
  grep -nE '^\s*#\s*include\s*[<"]' "$1"
}
report() { # file: each line read is a wrong include of file
  local found=1
  while read -r l; do
    echo "layering: $1: $l"
    found=0
  done
  return $found
}

for f in protocol/*.h protocol/*.cpp; do
  [ -e "$f" ] || continue
  includes "$f" | grep -vE '#\s*include\s*"protocol/|#\s*include\s*<[a-z_]+(\.h)?>' | report "$f" && bad=1
done
for f in sim/*.h sim/*.cpp; do
  [ -e "$f" ] || continue
  includes "$f" | grep -E '"(protocol/(commands|answers|dispatcher|readerhost)|link/|widgets/|pages/|ui/|app/)' \
    | report "$f" && bad=1
done
for f in link/*.h link/*.cpp; do
  [ -e "$f" ] || continue
  includes "$f" | grep -E '[<"](Q(Widget|Dialog|MessageBox|Application|TreeWidget|ComboBox|PushButton)|QtWidgets)' \
    | report "$f" && bad=1
done
for layer in "${!allowed[@]}"; do
  ok="$layer ${allowed[$layer]}"
  for f in "$layer"/*.h "$layer"/*.cpp; do
    [ -e "$f" ] || continue
    includes "$f" | grep -E '#\s*include\s*"[a-z]+/' | while read -r l; do
      [[ $l =~ \"([a-z]+)/ ]] && folder=${BASH_REMATCH[1]}
      [ -d "$folder" ] || continue # a generated header, such as a form's ui_*.h
      [[ " $ok " == *" $folder "* ]] || echo "$l"
    done | report "$f" && bad=1
  done
done

# Which folder includes which: a pair found both ways is a cycle.
edges=$(for d in */; do
  d=${d%/}
  case "$d" in build*) continue ;; esac
  grep -rhoE '^\s*#\s*include\s*"[a-z]+/' "$d" --include='*.h' --include='*.cpp' 2>/dev/null \
    | sed -E 's/.*"([a-z]+)\//\1/' | sort -u | while read -r to; do
      [ "$to" != "$d" ] && [ -d "$to" ] && echo "$d $to"
    done
done)
while read -r from to; do
  [ -n "$from" ] || continue
  if grep -qx "$to $from" <<<"$edges" && [[ "$from" < "$to" ]]; then
    echo "layering: $from/ and $to/ include each other"
    bad=1
  fi
done <<<"$edges"

[ "$bad" = 0 ] && echo "layering: all includes follow the layers"
exit $bad

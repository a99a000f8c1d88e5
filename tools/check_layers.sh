#!/usr/bin/env bash
# Fails when a source file includes a header of a layer above its own, or when the window and
# the batch commands include each other. The layers, lowest first:
#   model/ (core) < config/ < storage/ < outputs/ < window/ | cli/
# tools/ (the sample maker) may use the core and storage only.
# Usage: check_layers.sh [SOURCE_ROOT]
set -euo pipefail
root="${1:-$(dirname "$0")/..}"
cd "$root"

rank() { # folder -> rank
  case "$1" in
    model) echo 0 ;; config) echo 1 ;; storage) echo 2 ;; outputs) echo 3 ;;
    window | cli) echo 4 ;; tools) echo 2 ;; *) echo -1 ;;
  esac
}

# Where each project header lives: its layer folder, by file name.
declare -A home
while IFS= read -r header; do
  name="${header##*/}"
  home["$name"]="${header%%/*}"
done < <(find model config storage outputs window cli tools -name '*.h' | sort)

faults=0
while IFS= read -r source; do
  layer="${source%%/*}"
  own=$(rank "$layer")
  while IFS= read -r included; do
    target="${home[$included]:-}"
    [ -n "$target" ] || continue # a system or generated header
    theirs=$(rank "$target")
    if [ "$layer" = tools ]; then
      case "$target" in model | storage | tools) continue ;; esac
    elif ((theirs < own)) || [ "$target" = "$layer" ]; then
      continue
    fi
    {
      echo "$source includes $included from $target/, a layer $layer/ may not use" >&2
      faults=$((faults + 1))
    }
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$source" | sed 's|.*/||')
done < <(find model config storage outputs window cli tools \( -name '*.cpp' -o -name '*.h' \) | sort)

if ((faults > 0)); then
  echo "$faults include(s) cross a layer the wrong way" >&2
  exit 1
fi
echo "layers: every include runs downward"

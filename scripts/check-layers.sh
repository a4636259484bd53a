#!/usr/bin/env bash
# Fails when an include points up the layers, or when a C++ file is not as clang-format
# would write it. In form/ the folders rank
#   program > app > tools, dialogs, output > cycle, display > common > core
# and a file may include headers of its own rank or below; the kernel includes nothing of
# the simulator or the program, and of form/ only program/ includes the simulator. Headers are
# named by their file name alone, so one name must not live in two folders of form/, and every
# source of form/ lives in a folder.
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A rank=([program]=6 [app]=5 [tools]=4 [dialogs]=4 [output]=4 [cycle]=3 [display]=3 [common]=2 [core]=1)
declare -A home # header file name -> its folder in form/
failed=0
fail() {
  echo "$1" >&2
  failed=1
}

while IFS= read -r file; do
  folder=${file#form/}
  folder=${folder%%/*}
  if [ -z "${rank[$folder]:-}" ]; then
    fail "$file: not in one of the folders of form/ (${!rank[*]})"
    continue
  fi
  name=${file##*/}
  if [[ $name == *.h ]]; then
    [ -n "${home[$name]:-}" ] && fail "$file: $name is also in form/${home[$name]}"
    home[$name]=$folder
  fi
done < <(find form -type f \( -name '*.h' -o -name '*.cpp' \) | sort)

# Every quoted include of form/: "file:line:header".
while IFS=: read -r file line header; do
  folder=${file#form/}
  folder=${folder%%/*}
  target=${home[${header##*/}]:-}
  [ -z "$target" ] || [ -z "${rank[$folder]:-}" ] && continue
  if ((rank[$target] > rank[$folder])); then
    fail "$file:$line: $folder/ includes $header from $target/, a folder above it"
  fi
done < <(grep -rnoE '^#include "[^"]+"' form --include='*.h' --include='*.cpp' | sed -E 's/#include "([^"]+)"/\1/')

# The kernel starts on whatever backend its starter hands it; in form/ only the composition
# root (program/) makes the simulated instrument.
declare -A above # header file name -> simulator or form
while IFS= read -r header; do
  above[${header##*/}]=${header%%/*}
done < <(find simulator form -type f -name '*.h')
while IFS=: read -r file line header; do
  owner=${above[${header##*/}]:-}
  [ -n "$owner" ] && fail "$file:$line: the kernel includes $header from $owner/"
done < <(grep -rnoE '^#include "[^"]+"' kernel --include='*.h' --include='*.cpp' | sed -E 's/#include "([^"]+)"/\1/')
while IFS=: read -r file line header; do
  [ "${above[${header##*/}]:-}" = simulator ] && fail "$file:$line: only form/program/ includes $header from simulator/"
done < <(grep -rnoE '^#include "[^"]+"' form --include='*.h' --include='*.cpp' --exclude-dir=program | sed -E 's/#include "([^"]+)"/\1/')

if ((failed)); then
  echo "Includes must run downward; see \"How the code is laid out\" in README.md." >&2
  exit 1
fi
echo "Includes run downward."

# One format, the one .clang-format gives; "clang-format -i FILE" rewrites a file to it.
if ! git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror; then
  echo "Files differ from the format of .clang-format; run: git ls-files '*.cpp' '*.h' | xargs clang-format -i" >&2
  exit 1
fi
echo "Every C++ file is in the format of .clang-format."

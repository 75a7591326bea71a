#!/usr/bin/env bash
# Fails naming every C++ file of ours that clang-format (the project's
# .clang-format) would change.
set -uo pipefail
cd "$(dirname "$0")/.."
fmt=$(command -v clang-format-14 || command -v clang-format) || {
  echo "clang-format is missing" >&2
  exit 1
}
drift=()
while IFS= read -r -d '' f; do
  "$fmt" --dry-run --Werror "$f" >/dev/null 2>&1 || drift+=("$f")
done < <(git ls-files -z -- '*.cpp' '*.h')
if [ ${#drift[@]} -gt 0 ]; then
  printf 'not formatted: %s\n' "${drift[@]}"
  echo "fix with: $fmt -i <file>" >&2
  exit 1
fi

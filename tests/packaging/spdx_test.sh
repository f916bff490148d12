#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Every source file names the project's licence in its first lines.
# Usage: spdx_test.sh SOURCE_DIR
set -euo pipefail
root=$1
missing=$(find "$root" \( -path "$root/build*" -o -path "$root/.git" \) -prune -o -type f \
  \( -name '*.cpp' -o -name '*.h' -o -name CMakeLists.txt -o -name '*.cmake' -o -name '*.sh' \
     -o -name '*.py' -o -name '*.ui' \) -print |
  while read -r file; do
    head -n 3 "$file" | grep -q 'SPDX-License-Identifier: GPL-3.0-or-later' || echo "$file"
  done)
[[ -z $missing ]] || { echo "without an SPDX-License-Identifier line:"; echo "$missing"; exit 1; }
echo "every source file names its licence"

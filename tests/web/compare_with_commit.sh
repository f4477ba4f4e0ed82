#!/usr/bin/env bash
# Builds korvane.html as it was at commit REV, in a scratch worktree and
# build folder under /tmp (only the page's target), and measures a page of
# this tree against it with benchmark.mjs, the loads of the two interleaved.
# Not part of the test command.
#   tests/web/compare_with_commit.sh REV [PAGE [BENCHMARK_OPTION...]]   (PAGE: build/web/web/korvane.html)
set -euo pipefail
rev=$1
repo=$(git -C "$(dirname "$0")" rev-parse --show-toplevel)
page=$(realpath "${2:-$repo/build/web/web/korvane.html}")
scratch=$(mktemp -d /tmp/korvane-compare.XXXXXX)
trap 'git -C "$repo" worktree remove --force "$scratch/source" 2>/dev/null || true; rm -rf "$scratch"' EXIT
git -C "$repo" worktree add --detach "$scratch/source" "$rev"
cmake -S "$scratch/source" -B "$scratch/build" -DCMAKE_BUILD_TYPE=Release -DKORVANE_WEB=ON -DKORVANE_TESTS=OFF \
      -DKORVANE_SANITIZE=OFF -DKORVANE_M32=OFF
cmake --build "$scratch/build" --target korvane_page --parallel 2
old=$scratch/korvane-$(git -C "$repo" rev-parse --short "$rev").html
cp "$scratch/build/web/korvane.html" "$old"
node "$repo/tests/web/benchmark.mjs" "$page" --against "$old" "${@:3}"

#!/usr/bin/env bash
# Builds ハルモカ as ./run.sh does (in build/) and installs it, for the
# current user under ~/.local unless another prefix is given: the program,
# its menu entry, icons, MIME type, manual pages, metadata and licence. The
# install refreshes the desktop's databases under the prefix.
# Usage: scripts/install.sh [PREFIX]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
prefix="${1:-$HOME/.local}"
"$here/scripts/deps.sh" install
cmake -S "$here" -B "$here/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DHARUMOKA_TESTS=OFF -DHARUMOKA_BENCH=OFF >/dev/null
cmake --build "$here/build" --target harumoka
cmake --install "$here/build" --prefix "$prefix"
prefix="$(cd "$prefix" && pwd)"
echo
echo "ハルモカを $prefix/bin/harumoka に入れました。メニューの「オフィス」から起動できます。"
case ":$PATH:" in
  *":$prefix/bin:"*) ;;
  *) echo "$prefix/bin は PATH に入っていません（~/.local/bin は多くのデスクトップで次のログインから入ります）。"
     echo "それまでは $prefix/bin/harumoka と打ってください。" ;;
esac

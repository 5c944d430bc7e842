#!/usr/bin/env bash
# Installs camrig for Python: the library, the toolkit, the camrig command
# and the Python package `camrig`, built for Debian's /usr/bin/python3 (which
# has Debian's numpy) and installed under /usr/local, the package into that
# interpreter's site-packages. Then checks that `import camrig` works.
#   python.sh [build folder], default build/release
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
build=${1:-build/release}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCAMRIG_BUILD_TESTS=OFF -DCAMRIG_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"
cmake --install "$build" --prefix /usr/local >/dev/null
ldconfig
/usr/bin/python3 -c 'import camrig; print("camrig", camrig.__version__, "installed in", camrig.__path__[0])'

# A python3 earlier on PATH (pyenv, say) of the same version but without
# numpy cannot see Debian's packages: point it at them, so that plain
# `python3 -c "import camrig"` works there too.
python=$(command -v python3)
if [ "$python" != /usr/bin/python3 ] && ! "$python" -c 'import numpy' 2>/dev/null; then
  tag() { "$1" -c 'import sys; print(sys.implementation.cache_tag)'; }
  if [ "$(tag "$python")" = "$(tag /usr/bin/python3)" ]; then
    site=$("$python" -c 'import sysconfig; print(sysconfig.get_path("platlib"))')
    /usr/bin/python3 -c 'import sys; print("\n".join(p for p in sys.path if "-packages" in p))' >"$site/camrig-debian.pth"
    echo "$python now also sees Debian's packages ($site/camrig-debian.pth)"
    "$python" -c 'import camrig'
  else
    echo "note: $python is not Debian's python3; use /usr/bin/python3 for camrig" >&2
  fi
fi

#!/usr/bin/env bash
# Runs one Windows program under the checkout's private Wine prefix
# (the emulator ctest uses for every test binary).
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/wine-env.sh"
exec wine "$@"

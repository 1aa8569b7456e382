#!/usr/bin/env bash
# Builds the tool and packs the given file (or a copy of the sample) into FILE.zip.
set -euo pipefail
echo "zipfile: the command-line tool is not built yet; only the framework libraries and their tests exist (bash tools/test.sh)." >&2
exit 1

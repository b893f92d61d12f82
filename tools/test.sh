#!/bin/bash
# Builds the viewer and runs every test.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

ctest --test-dir "$build" --output-on-failure

#!/usr/bin/env bash
# Runs the window model test on fresh seeds for as long as asked, a batch at a time, and stops
# at the first script that fails (its seed and steps are printed).
#   scripts/model-soak.sh BUILD_DIR [MINUTES]     (default: 60 minutes)
set -euo pipefail
build=${1:?usage: scripts/model-soak.sh BUILD_DIR [MINUTES]}
minutes=${2:-60}
export QT_QPA_PLATFORM=offscreen
end=$((SECONDS + minutes * 60))
first=$(( (RANDOM << 15 | RANDOM) + 1000 ))
batch=200
while [ $SECONDS -lt $end ]; do
    echo "seeds $first to $((first + batch - 1))"
    SCRIVANE_MODEL_FIRST_SEED=$first SCRIVANE_MODEL_SEEDS=$batch \
        "$build/tests/app_tests" --gtest_filter='WindowModelTest.*' --gtest_brief=1
    first=$((first + batch))
done
echo "model soak: no script failed in $minutes minutes"

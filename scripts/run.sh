#!/usr/bin/env bash
# Installs what is missing, builds the engine and starts the bundled sample game.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DKAVIREL_SANITIZE=OFF -DKAVIREL_BENCH=OFF
cmake --build build -j"$(nproc)"
if [ -x build/kavirel ]; then
  exec build/kavirel "$@"
else
  echo "Built the engine library; the kavirel program does not exist yet."
fi

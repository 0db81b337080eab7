#!/usr/bin/env bash
# Installs what is missing, builds the engine and starts the bundled sample game in a window.
# Further arguments go to the program (for instance -res 1024 768, -noframe, -nosound).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DKAVIREL_SANITIZE=OFF -DKAVIREL_BENCH=OFF
# Only the program, what puts the sample game together and the packer the README names; scripts/test.sh builds
# the tests.
cmake --build build -j"$(nproc)" --target kavirel_program sample_game MakeBigFile
# A game runs in its own folder: there the program finds Kavirel.ini and the data folder "Dane".
cd build/samples/Przyklad
exec ../../kavirel -window "$@"

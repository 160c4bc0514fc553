#!/usr/bin/env bash
# Packs every mesh of the engine's layout benchmark with the chart engine and its packer
# (2 texels of gutter on 1024 x 1024) and prints one table row per mesh: charts, largest
# stretch, packing efficiency, overlaps, gutter violations and time.
# Usage: bench/engine/layout_efficiency.sh [VARNELLE] [UVEVAL] [STRETCH]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
varnelle="${1:-$root/build/release/apps/varnelle/varnelle}"
uveval="${2:-/work/tools/uveval/uveval}"
stretch="${3:-0.15}"
meshes=(
  "examples/bunny.obj" "tests/data/spot.obj" "bench/engine/meshes/fandisk.obj" "bench/engine/meshes/teapot.obj"
  "bench/engine/meshes/suzanne.obj" "bench/engine/meshes/torus.obj" "tests/data/uv_sphere.obj"
  "tests/data/kitbash.obj" "bench/engine/meshes/cylinder_piece.obj" "bench/engine/meshes/small_cylinder_far.obj"
  "bench/engine/meshes/strip200.obj" "bench/engine/meshes/silhouette.obj"
)
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
printf '| mesh | charts | max stretch | efficiency | overlapping charts | pairs under gutter | time ms |\n|---|---|---|---|---|---|---|\n'
for mesh in "${meshes[@]}"; do
  name="$(basename "$mesh" .obj)"
  if ! run="$("$varnelle" charts "$root/$mesh" -st "$stretch" --pack 1024 1024 2 -o "$work/$name.obj" --json 2>/dev/null)"; then
    printf '| %s | failed | | | | | |\n' "$name"
    continue
  fi
  "$uveval" "$work/$name.obj" --padding 2 --json > "$work/$name.json"
  python3 - "$name" "$run" "$work/$name.json" <<'PY'
import json, sys
name, run, report = sys.argv[1], json.loads(sys.argv[2]), json.load(open(sys.argv[3]))
print(f"| {name} | {run['charts']} | {run['max_stretch']:.4f} | {report['packing']['efficiency']:.3f} | "
      f"{report['overlap']['overlapping_charts']} | {report['padding']['pairs_closer_than_padding']} | {run['time_ms']:.0f} |")
PY
done

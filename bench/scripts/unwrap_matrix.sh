#!/usr/bin/env bash
# Runs `varnelle unwrap` over methods, packers, tiles and rescaling on real meshes and measures
# every layout with a UV evaluation tool (its path is the first argument; it is not part of the
# project). Prints one row per run and writes the rows to OUT_DIR/matrix.tsv.
#
#   bench/scripts/unwrap_matrix.sh UVEVAL [OUT_DIR] [MESH_NAME...]
#
# METHODS and PACKS (space-separated) narrow the runs, for example METHODS="0 3" PACKS=1.
#
# A run passes when every face lies in one tile ([0, 1] without tiles), no two charts overlap,
# no two charts are closer than the padding at the texture size, and, for the chart engine,
# the largest stretch is within the limit. Rescaling does nothing with tiles, so tiles run once.
set -euo pipefail
cd "$(dirname "$0")/../.."

uveval="${1:?usage: unwrap_matrix.sh UVEVAL [OUT_DIR] [MESH_NAME...]}"
out="${2:-build/matrix}"
shift $(( $# < 2 ? $# : 2 ))
varnelle=build/release/apps/varnelle/varnelle
padding=2
stretch=0.15
mkdir -p "$out"

# The bunny subdivided once (every triangle into four): a 278k-triangle scan.
if [ ! -f "$out/bunny_x4.obj" ]; then
  python3 - examples/bunny.obj "$out/bunny_x4.obj" <<'PY'
import sys
vertices, faces = [], []
for line in open(sys.argv[1]):
    w = line.split()
    if w and w[0] == 'v': vertices.append(line)
    elif w and w[0] == 'f': faces.append([int(c.split('/')[0]) for c in w[1:]])
count = len(vertices)
middle = {}
out = open(sys.argv[2], 'w')
out.writelines(vertices)
points = [tuple(map(float, v.split()[1:4])) for v in vertices]
def mid(a, b):
    global count
    key = (min(a, b), max(a, b))
    if key not in middle:
        p, q = points[a - 1], points[b - 1]
        out.write('v %.7g %.7g %.7g\n' % tuple((p[i] + q[i]) / 2 for i in range(3)))
        count += 1
        middle[key] = count
    return middle[key]
triangles = []
for a, b, c in faces:
    ab, bc, ca = mid(a, b), mid(b, c), mid(c, a)
    triangles += [(a, ab, ca), (ab, b, bc), (ca, bc, c), (ab, bc, ca)]
for t in triangles: out.write('f %d %d %d\n' % t)
PY
fi

declare -A meshes=(
  [bunny]=examples/bunny.obj [bunny_x4]="$out/bunny_x4.obj" [fandisk]=examples/fandisk.obj
  [kitbash]=tests/data/kitbash.obj [suzanne]=examples/suzanne.obj [cutouts]=tests/data/cutouts.obj
  [spot]=tests/data/spot.obj [spot_quads]=examples/spot_quadrangulated.obj [torus]=examples/torus.obj
  [uv_sphere]=tests/data/uv_sphere.obj)
names=("$@")
[ ${#names[@]} -gt 0 ] || names=(bunny bunny_x4 fandisk kitbash suzanne cutouts spot spot_quads torus uv_sphere)

rows="$out/matrix.tsv"
printf 'mesh\tmethod\tpack\ttiles\trescale\texit\tcharts\tmax_stretch\tefficiency\ttime_ms\tstraddling\toverlap_texels\tmin_gap\tpairs_below_padding\tflips\tverdict\n' | tee "$rows"
for name in "${names[@]}"; do
  mesh="${meshes[$name]}"
  for method in ${METHODS:-0 1 2 3}; do
    for pack in ${PACKS:-0 1 2}; do
      for variant in "1 1 1" "1 1 0" "2 2 1"; do
        read -r tx ty rescale <<<"$variant"
        run="$out/${name}_t${method}_p${pack}_${tx}x${ty}_r${rescale}"
        set +e
        "$varnelle" unwrap "$mesh" -o "$run.obj" -t "$method" -p "$pack" -tx "$tx" -ty "$ty" -re "$rescale" \
          -st "$stretch" -pad "$padding" -c persp --json >"$run.json" 2>"$run.err"
        code=$?
        set -e
        if [ "$code" -ne 0 ]; then
          message=$(sed -n 's/^Notification: //p; s/^varnelle[^:]*: //p' "$run.err" | head -n 1 | cut -c1-60)
          printf '%s\t%s\t%s\t%sx%s\t%s\t%s\t\t\t\t\t\t\t\t\t\tfailed: %s\n' \
            "$name" "$method" "$pack" "$tx" "$ty" "$rescale" "$code" "$message" | tee -a "$rows"
          continue
        fi
        tiles=$(python3 bench/scripts/layout_tiles.py "$run.obj" "$run.tile")
        for tile in "$run".tile_*.obj; do
          "$uveval" "$tile" --padding "$padding" --json >"${tile%.obj}.eval.json" 2>/dev/null || true
        done
        python3 - "$run" "$name" "$method" "$pack" "$tx" "$ty" "$rescale" "$stretch" "$padding" "$tiles" <<'PY' | tee -a "$rows"
import glob, json, sys
run, name, method, pack, tx, ty, rescale, stretch, padding, tiles = sys.argv[1:]
report = json.load(open(run + '.json'))
tiles = json.loads(tiles)
evals = [json.load(open(f)) for f in sorted(glob.glob(run + '.tile_*.eval.json'))]
allowed = {'%d_%d' % (c, r) for c in range(int(tx)) for r in range(int(ty))}
outside = [t for t in tiles['tiles'] if t not in allowed]
overlap = sum(e['overlap']['inter_chart_texels'] for e in evals)
gaps = [e['padding']['min_gap_texels'] for e in evals if e['padding']['min_gap_texels'] is not None]
below = sum(e['padding']['pairs_closer_than_padding'] or 0 for e in evals)
flips = sum(e['flips']['flipped'] for e in evals)
problems = []
if tiles['straddling_faces'] or outside: problems.append('outside tile')
if overlap: problems.append('overlap')
if below: problems.append('gap<pad')
if method == '0' and report['max_stretch'] is not None and report['max_stretch'] > float(stretch) + 1e-6:
    problems.append('stretch')
stretch_text = '' if report['max_stretch'] is None else '%.4f' % report['max_stretch']
print('\t'.join([name, method, pack, tx + 'x' + ty, rescale, '0', str(report['charts']), stretch_text,
                 '%.3f' % report['efficiency'], '%.0f' % report['time_ms'],
                 str(tiles['straddling_faces'] + len(outside)), str(overlap),
                 '%.2f' % min(gaps) if gaps else '', str(below), str(flips),
                 'ok' if not problems else ','.join(problems)]))
PY
        rm -f "$run".tile_*.obj
      done
    done
  done
done

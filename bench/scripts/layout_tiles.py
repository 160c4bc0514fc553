#!/usr/bin/env python3
"""Prepares an unwrapped OBJ for measuring with a UV evaluation tool.

  layout_tiles.py IN.obj PREFIX

Polygons whose UV outline is concave are written as triangles made by ear clipping in UV space
(a fan over a concave outline would cover its notch and read as overlap). Every face must lie in
one unit tile [c, c+1] x [r, r+1]; the faces of each tile are written, moved into [0, 1], to
PREFIX_c_r.obj. Prints one JSON object: the tiles written and the faces that straddle tiles.
"""
import json
import math
import sys

EPS = 1e-6


def area2(a, b, c):
    return (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0])


def convex(points):
    signs = set()
    n = len(points)
    for i in range(n):
        s = area2(points[i], points[(i + 1) % n], points[(i + 2) % n])
        if abs(s) > 1e-18:
            signs.add(s > 0)
    return len(signs) <= 1


def inside(p, a, b, c):
    return area2(a, b, p) >= 0 and area2(b, c, p) >= 0 and area2(c, a, p) >= 0


def ear_clip(points):
    """Triangles (as positions into `points`) of a simple polygon; a fan when clipping fails."""
    order = list(range(len(points)))
    if sum(area2(points[0], points[i], points[i + 1]) for i in range(1, len(points) - 1)) < 0:
        order.reverse()
    triangles = []
    while len(order) > 3:
        for k in range(len(order)):
            i, j, l = order[k - 1], order[k], order[(k + 1) % len(order)]
            a, b, c = points[i], points[j], points[l]
            if area2(a, b, c) <= 0:
                continue
            if any(inside(points[m], a, b, c) for m in order if m not in (i, j, l)):
                continue
            triangles.append((i, j, l))
            order.pop(k)
            break
        else:
            return [(0, m, m + 1) for m in range(1, len(points) - 1)]
    triangles.append(tuple(order))
    return triangles


def main():
    source, prefix = sys.argv[1], sys.argv[2]
    header, uvs, faces = [], [], []
    for line in open(source):
        words = line.split()
        if not words:
            continue
        if words[0] == 'vt':
            uvs.append((float(words[1]), float(words[2])))
        elif words[0] == 'f':
            faces.append([tuple(int(x) for x in corner.split('/')[:2]) for corner in words[1:]])
        elif words[0] == 'v':
            header.append(line)
    pieces = []
    for face in faces:
        points = [uvs[t - 1] for _, t in face]
        if len(face) > 3 and not convex(points):
            pieces.extend([[face[i] for i in tri] for tri in ear_clip(points)])
        else:
            pieces.append(face)
    tiles, straddling = {}, 0
    for face in pieces:
        us = [uvs[t - 1][0] for _, t in face]
        vs = [uvs[t - 1][1] for _, t in face]
        column = math.floor(min(us) + EPS)
        row = math.floor(min(vs) + EPS)
        if max(us) > column + 1 + EPS or max(vs) > row + 1 + EPS:
            straddling += 1
        tiles.setdefault((column, row), []).append(face)
    for (column, row), tile_faces in tiles.items():
        with open('%s_%d_%d.obj' % (prefix, column, row), 'w') as out:
            out.writelines(header)
            for u, v in uvs:
                out.write('vt %.9g %.9g\n' % (u - column, v - row))
            for face in tile_faces:
                out.write('f ' + ' '.join('%d/%d' % corner for corner in face) + '\n')
    print(json.dumps({'tiles': sorted('%d_%d' % key for key in tiles), 'straddling_faces': straddling}))


main()

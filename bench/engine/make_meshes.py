#!/usr/bin/env python3
"""Writes the generated meshes of the engine's layout benchmark (deterministic)."""
import math
import os
import sys


def write(path, vertices, faces, comment):
    with open(path, "w") as out:
        out.write(f"# {comment}\n")
        for v in vertices:
            out.write("v %.9g %.9g %.9g\n" % v)
        for f in faces:
            out.write("f " + " ".join(str(i + 1) for i in f) + "\n")


def strip(length=200.0, width=1.0, cells=400):
    vertices = [(length * i / cells, width * j, 0.0) for i in range(cells + 1) for j in (0, 1)]
    faces = [(2 * i, 2 * i + 2, 2 * i + 3, 2 * i + 1) for i in range(cells)]
    return vertices, faces


def silhouette(cells=120):
    """A flat cat-like animal: body, head, ears, legs and tail, as grid cells inside the shape."""
    def inside(x, y):
        def ellipse(cx, cy, rx, ry):
            return ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0
        def box(x0, y0, x1, y1):
            return x0 <= x <= x1 and y0 <= y <= y1
        def triangle(ax, ay, bx, by, cx, cy):
            d1 = (x - bx) * (ay - by) - (ax - bx) * (y - by)
            d2 = (x - cx) * (by - cy) - (bx - cx) * (y - cy)
            d3 = (x - ax) * (cy - ay) - (cx - ax) * (y - ay)
            return (d1 >= 0 and d2 >= 0 and d3 >= 0) or (d1 <= 0 and d2 <= 0 and d3 <= 0)
        tail = abs(y - (0.55 + 0.25 * math.sin(6.0 * (x - 0.05)))) < 0.03 and 0.02 <= x <= 0.3
        return (ellipse(0.5, 0.45, 0.25, 0.12) or ellipse(0.8, 0.62, 0.1, 0.09)
                or triangle(0.74, 0.66, 0.77, 0.8, 0.8, 0.68) or triangle(0.82, 0.68, 0.86, 0.8, 0.88, 0.64)
                or box(0.3, 0.1, 0.35, 0.4) or box(0.4, 0.1, 0.45, 0.4) or box(0.58, 0.1, 0.63, 0.4)
                or box(0.66, 0.1, 0.71, 0.4) or tail)
    step = 1.0 / cells
    index = {}
    vertices, faces = [], []
    def vertex(i, j):
        if (i, j) not in index:
            index[(i, j)] = len(vertices)
            vertices.append((i * step, j * step, 0.0))
        return index[(i, j)]
    for j in range(cells):
        for i in range(cells):
            if inside((i + 0.5) * step, (j + 0.5) * step):
                faces.append((vertex(i, j), vertex(i + 1, j), vertex(i + 1, j + 1), vertex(i, j + 1)))
    return vertices, faces


def cylinder(sides, radius, length, origin, cap_sides=None, side_quads=None):
    """A capped cylinder along z; with cap_sides, one cap polygon of that many corners and
    side_quads quads hanging from its first edges (an open piece)."""
    ox, oy, oz = origin
    n = cap_sides or sides
    ring = lambda z: [(ox + radius * math.cos(2 * math.pi * i / n), oy + radius * math.sin(2 * math.pi * i / n), oz + z)
                      for i in range(n)]
    vertices = ring(0.0) + ring(length)
    quads = side_quads if side_quads is not None else n
    faces = [(i, (i + 1) % n, n + (i + 1) % n, n + i) for i in range(quads)]
    faces.append(tuple(reversed(range(n))))
    if cap_sides is None:
        faces.append(tuple(range(n, 2 * n)))
    return vertices, faces


def main(folder):
    write(os.path.join(folder, "strip200.obj"), *strip(), "flat strip 200 x 1")
    write(os.path.join(folder, "silhouette.obj"), *silhouette(), "flat animal silhouette")
    write(os.path.join(folder, "small_cylinder_far.obj"), *cylinder(12, 0.015, 0.16, (7.0, -6.5, 7.5)),
          "12-sided capped cylinder 0.03 wide, 0.16 long, about 12 units from the origin")
    write(os.path.join(folder, "cylinder_piece.obj"), *cylinder(28, 0.5, 0.8, (0.0, 0.0, 0.0), 28, 11),
          "a 28-sided cap with 11 side quads")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "meshes"))

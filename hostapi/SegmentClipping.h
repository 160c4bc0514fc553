#pragma once

// Cuts a 2D segment to the square [-half, half] x [-half, half] in place (Liang-Barsky);
// false when nothing of it is inside. Both line drawers of the program (the preview's pixel
// lines and the panels' GL lines) clip through here before they step along a line.
bool clipSegmentToSquare(double& x0, double& y0, double& x1, double& y1, double half);

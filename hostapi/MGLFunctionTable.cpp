#include "MGLFunctionTable.h"

#include "SoftwareGL.h"

namespace {

MMatrix matrixOf(const MGLdouble* values) {
    MMatrix matrix;
    for (int i = 0; i < 16; ++i)
        matrix.matrix[i / 4][i % 4] = values[i];
    return matrix;
}

} // namespace

void MGLFunctionTable::glMatrixMode(MGLenum mode) {
    softwareGL().matrixMode(mode == MGL_PROJECTION ? SoftwareGL::MatrixMode::Projection
                                                   : SoftwareGL::MatrixMode::ModelView);
}

void MGLFunctionTable::glPushMatrix() {
    softwareGL().pushMatrix();
}

void MGLFunctionTable::glPopMatrix() {
    softwareGL().popMatrix();
}

void MGLFunctionTable::glLoadIdentity() {
    softwareGL().loadMatrix(MMatrix());
}

void MGLFunctionTable::glLoadMatrixd(const MGLdouble* values) {
    softwareGL().loadMatrix(matrixOf(values));
}

void MGLFunctionTable::glMultMatrixd(const MGLdouble* values) {
    softwareGL().multMatrix(matrixOf(values));
}

void MGLFunctionTable::glColor3f(MGLfloat red, MGLfloat green, MGLfloat blue) {
    softwareGL().colour(red, green, blue);
}

void MGLFunctionTable::glLineWidth(MGLfloat width) {
    softwareGL().lineWidth(width);
}

void MGLFunctionTable::glBegin(MGLenum mode) {
    lines_ = mode == MGL_LINES;
    softwareGL().begin();
}

void MGLFunctionTable::glVertex3f(MGLfloat x, MGLfloat y, MGLfloat z) {
    if (lines_) softwareGL().vertex(x, y, z);
}

void MGLFunctionTable::glVertex3d(MGLdouble x, MGLdouble y, MGLdouble z) {
    if (lines_) softwareGL().vertex(x, y, z);
}

void MGLFunctionTable::glEnd() {
    lines_ = false;
    softwareGL().end();
}

MHardwareRenderer* MHardwareRenderer::theRenderer() {
    static MHardwareRenderer renderer;
    return &renderer;
}

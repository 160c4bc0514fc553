#pragma once

// The GL entry points the host hands plug-ins for drawing into its views, as a table so that
// a plug-in does not link GL itself. Only what line overlays need is here; calls outside
// M3dView::beginGL and endGL draw nothing.
using MGLenum = unsigned int;
using MGLfloat = float;
using MGLdouble = double;

constexpr MGLenum MGL_LINES = 0x0001;
constexpr MGLenum MGL_MODELVIEW = 0x1700;
constexpr MGLenum MGL_PROJECTION = 0x1701;

class MGLFunctionTable {
public:
    void glMatrixMode(MGLenum mode);
    void glPushMatrix();
    void glPopMatrix();
    void glLoadIdentity();
    // Sixteen values, row by row of the host's matrices (GL's column order).
    void glLoadMatrixd(const MGLdouble* values);
    void glMultMatrixd(const MGLdouble* values);
    void glColor3f(MGLfloat red, MGLfloat green, MGLfloat blue);
    void glLineWidth(MGLfloat width);
    // Only MGL_LINES is drawn.
    void glBegin(MGLenum mode);
    void glVertex3f(MGLfloat x, MGLfloat y, MGLfloat z);
    void glVertex3d(MGLdouble x, MGLdouble y, MGLdouble z);
    void glEnd();

private:
    bool lines_ = false;
};

class MHardwareRenderer {
public:
    static MHardwareRenderer* theRenderer();
    MGLFunctionTable* glFunctionTable() { return &table_; }

private:
    MGLFunctionTable table_;
};

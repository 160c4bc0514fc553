#pragma once

#include "MMatrix.h"
#include "UserInterface.h"

#include <cstdint>
#include <vector>

// A tiny immediate-mode line renderer standing in for the GL of a model panel: a model-view
// and a projection matrix stack (the host's row-vector matrices, so a matrix loaded from
// MMatrix::matrix works as it does with GL), a colour, a line width and independent line
// segments, drawn into a panel's picture. Drawing while no panel is bound does nothing.
class SoftwareGL {
public:
    enum class MatrixMode { ModelView, Projection };

    // Draws into the image from now on, with the two stacks holding the given matrices.
    void bind(PanelImage& image, const MMatrix& modelView, const MMatrix& projection);
    void unbind();
    bool bound() const { return image_ != nullptr; }

    void matrixMode(MatrixMode mode) { mode_ = mode; }
    void pushMatrix();
    void popMatrix();
    void loadMatrix(const MMatrix& matrix) { top() = matrix; }
    void multMatrix(const MMatrix& matrix) { top() = matrix * top(); }
    void colour(float red, float green, float blue);
    void lineWidth(float width) { width_ = width; }
    // GL_LINES: every two vertices between begin and end make one segment.
    void begin() { pending_.clear(); }
    void vertex(double x, double y, double z);
    void end() { pending_.clear(); }

    // One segment in world coordinates through the current matrices.
    void drawSegment(const MMatrix& modelView, const double a[3], const double b[3]);

private:
    MMatrix& top();

    PanelImage* image_ = nullptr;
    std::vector<MMatrix> modelView_{MMatrix()};
    std::vector<MMatrix> projection_{MMatrix()};
    MatrixMode mode_ = MatrixMode::ModelView;
    uint32_t colour_ = 0xffffff;
    float width_ = 1.0f;
    std::vector<double> pending_;
};

// The renderer of the session's model panels.
SoftwareGL& softwareGL();

// Fills a picture with one colour at the panel's size.
void clearImage(PanelImage& image, int32_t width, int32_t height, uint32_t colour);

#include "preview/ShowPreview.h"

#include <utility>

namespace {
PreviewPresenter installedPresenter;
} // namespace

void setPreviewPresenter(PreviewPresenter presenter) {
    installedPresenter = std::move(presenter);
}

void showPreview(const PreviewRender& render) {
    if (installedPresenter) installedPresenter(render);
}

#include "preview/ShowPreview.h"

#include <utility>

namespace {
PreviewPresenter installedPresenter;
} // namespace

void setPreviewPresenter(PreviewPresenter presenter) {
    installedPresenter = std::move(presenter);
}

PreviewPresenter installedPreviewPresenter() {
    return installedPresenter;
}

void showPreview(const PreviewRender& render) {
    if (installedPresenter) installedPresenter(render);
}

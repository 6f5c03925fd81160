#include "app/editor/editor_window.h"

#include <QWidget>

#include "app/desktop/twips.h"

namespace cuemark {

QPoint DialogOrigin(EditorWindow& editor) {
    QWidget* window = editor.editorWidget();
    const int offset = TwipsToPixels(1000, window);
    return window->frameGeometry().topLeft() + QPoint(offset, offset);
}

} // namespace cuemark

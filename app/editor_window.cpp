#include "app/editor_window.h"

#include <QWidget>

#include "app/twips.h"

namespace cuemark {

QPoint DialogOrigin(EditorWindow& editor) {
    QWidget* window = editor.editorWidget();
    const int offset = TwipsToPixels(1000, window);
    return window->frameGeometry().topLeft() + QPoint(offset, offset);
}

} // namespace cuemark

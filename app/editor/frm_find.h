#pragma once
// The modeless find window beside the editor. It closes and deletes itself
// (Close, its close box, Escape); the editor keeps a QPointer to it, so a
// null pointer is the find window not being open. It hides itself when
// another window of the program becomes active and keeps its text, mode and
// position for the next "Find".

#include <QDialog>
#include <QStringList>
#include <cstdint>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace cuemark {

class EditorWindow;
enum class SearchMode;

class frmFind : public QDialog {
    Q_OBJECT
public:
    explicit frmFind(EditorWindow& editor, QWidget* parent = nullptr);

    std::int32_t SearchFrom() const { return searchFrom_; }
    std::int32_t FoundIndex() const { return foundIndex_; }
    const QStringList& SearchWords() const { return searchWords_; }

public slots:
    void cmdSearch_Click();
    void cmdNext_Click();
    void cmdExit_Click();
    void txtFind_Change();
    void FindMatch();
    // Hides the window when another window of this program has become
    // active; turning to another program leaves it in place.
    void Form_Deactivate();

protected:
    void changeEvent(QEvent* event) override;

private:
    SearchMode mode() const;
    bool isOwnWindow(const QWidget* window) const;

    EditorWindow& editor_;
    std::int32_t searchFrom_ = 0;
    std::int32_t foundIndex_ = 0;
    QStringList searchWords_;
    // The "No match." box takes the activation; that must not hide us.
    bool showingMessage_ = false;

    QLabel* Label1;
    QLineEdit* txtFind;
    QRadioButton* optAny;
    QRadioButton* optAll;
    QRadioButton* optExact;
    QPushButton* cmdSearch;
    QPushButton* cmdNext;
    QPushButton* cmdExit;
};

} // namespace cuemark

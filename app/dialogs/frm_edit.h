#pragma once
// The title edit dialog: one title's text, start and duration, checked
// against its neighbours and stored as one undo step.

#include <QDialog>
#include <cstdint>
#include <string>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace cuemark {

class EditorWindow;
struct InlineTag;

class frmEdit : public QDialog {
    Q_OBJECT
public:
    explicit frmEdit(EditorWindow& editor, QWidget* parent = nullptr);

    // Outer size on first use, in twips.
    static constexpr int DesignWidth = 7200;
    static constexpr int DesignHeight = 3600;
    static constexpr int MinimumWidth = 5000;
    static constexpr int MinimumHeight = 2565;

public slots:
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdB_Click();
    void cmdI_Click();
    void txtSubt_Click();
    void txtSubt_KeyUp(std::int16_t KeyCode, int Shift);
    void Form_Resize();
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildControls();
    void Form_Load();
    void Form_Unload();
    void UpdateTagButtons();
    void insertTag(bool open, const InlineTag& tag);
    void setOuterSize(double widthTwips, double heightTwips);
    void layOut();
    // The text box's lines joined by CR LF, as titles hold them.
    std::string boxText() const;
    // The message refusing these times for title ix, or null.
    const char* timesRefusal(std::int32_t ix, double start, double duration, double end) const;

    EditorWindow& editor_;
    bool boldOpen_ = false;
    bool italicOpen_ = false;
    bool unloaded_ = false;
    // The time fields as opened, to tell the fields the user changed.
    QString shownStart_;
    QString shownDuration_;

    QPlainTextEdit* txtSubt = nullptr;
    QWidget* PB = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* txtStart = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* txtDuration = nullptr;
    QPushButton* cmdB = nullptr;
    QPushButton* cmdI = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
};

} // namespace cuemark

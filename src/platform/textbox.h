#pragma once
// The multi-line ANSI text box: plain text that holds only Windows-1252
// characters, as the Windows text box of an ANSI program does. A character
// typed, pasted or dropped that Windows-1252 lacks becomes "?".
//
// Text and positions count a line break as the two characters CR LF, and a
// position is never left between them (see crlf_positions.h). Lines wrap at
// word boundaries and anywhere inside a word longer than the line.
#include <QTextEdit>
#include <string>

namespace platform {

class TextBox : public QTextEdit {
    Q_OBJECT

public:
    explicit TextBox(QWidget* parent = nullptr);

    // Windows-1252, lines joined by CR LF.
    const std::string& Text() const;
    // Replaces the text; CR LF, a lone CR and a lone LF each end a line. The
    // caret goes to the start. Change follows, as for every change.
    void SetText(const std::string& text);
    int TextLength() const;

    int SelStart() const;
    // Puts the caret there; nothing stays selected.
    void SetSelStart(int start);
    int SelLength() const;
    // Selects from SelStart on; a negative length counts as 0.
    void SetSelLength(int length);
    // Replaces the selection; the caret follows the new text.
    void SetSelText(const std::string& text);

    void SetFocus();
    void Copy();
    void Cut();
    void Paste();
    void SelectAll();

    // The text as this box would hold it: line breaks as '\n', characters
    // Windows-1252 lacks as '?'.
    static QString ToBoxText(const QString& text);

signals:
    // After every change of the text, typed or set from code.
    void Change();
    // After the caret has moved to a mouse click.
    void Click();

protected:
    void changeEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    QMimeData* createMimeDataFromSelection() const override;
    void insertFromMimeData(const QMimeData* source) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    void contentChanged();
    void withoutShaping();

    mutable std::string text_;
    mutable bool textValid_ = false;
    bool settingText_ = false;
};

}  // namespace platform

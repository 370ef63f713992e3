#pragma once
// The rich-text control: a QTextEdit with the properties the program uses of
// the Windows rich-text box, RTF in and out through our reader and writer.
//
// Text contract: a document has at least one paragraph. Text is the
// paragraphs joined by CR LF, and every position (SelStart, SelLength) counts
// in those units, so a paragraph mark counts two. A position between the CR
// and the LF is never taken: a start there moves back before the CR, an end
// moves on after the LF. Positions are clamped to the text.
//
// Strings in and out are Windows-1252, one byte per UTF-16 unit of the text,
// so their lengths match the positions. A character that Windows-1252 lacks
// reads as "?" (as from an ANSI control); TextW gives the real characters.
//
// Every run keeps the character set of the font it was read in, so RTF read
// and written again keeps "\'hh" bytes as bytes. SetSelFontName changes the
// face only.
//
// A new content replaces only the paragraphs that differ from those shown,
// so that a small change of a long document costs a small layout; the result
// is the same as building the document anew. Lines wrap at word boundaries
// and anywhere inside a word longer than the line.
#include <QTextEdit>
#include <cstdint>
#include <optional>
#include <string>

#include "files/filesystem.h"
#include "rtf/reader.h"

class QMimeData;

namespace platform {

class TextLayout;

class RichTextBox : public QTextEdit {
    Q_OBJECT

public:
    explicit RichTextBox(QWidget* parent = nullptr);

    const std::string& Text() const;
    // Replaces everything by plain text in the format of the first character;
    // CR LF, a lone CR and a lone LF each end a paragraph.
    void SetText(const std::string& text);
    // The text with its real characters, paragraphs joined by CR LF.
    QString TextW() const;
    // Counts the changes of the content: while it stays the same, so does
    // the content (characters and formats).
    std::uint64_t Revision() const { return revision_; }

    // The document as our writer puts it out, followed by one NUL as the
    // Windows control's property is; it always ends in rtf::kTextRtfTail.
    std::string TextRTF() const;
    // Replaces everything by the document; text that is no RTF is taken as
    // plain text. The caret goes to the start and the undo history is cleared.
    // With an alignment (as SetSelAlignment takes it) every paragraph is
    // aligned so, as selecting the whole text and aligning it would leave it.
    void SetTextRTF(const std::string& rtf, std::optional<int> alignment = std::nullopt);
    // SetTextRTF, then SetSelStart(selStart) and SetSelLength(selLength): the
    // same content, selection and view, in one call, which spares a long
    // paragraph a reading by Qt's caret code where the selection is already
    // in place. With `finalPar`, a "\par" that ends the document reads so,
    // whatever SetFinalParOpensParagraph says.
    void SetTextRTF(const std::string& rtf, std::optional<int> alignment, int selStart, int selLength,
                    std::optional<rtf::FinalPar> finalPar = std::nullopt);
    // Whether SetTextRTF and LoadFile read a "\par" that ends the document
    // as the Windows control shows it: one more, empty paragraph follows. By
    // default it ends the last paragraph, so that TextRTF (which ends every
    // paragraph in "\par") reads back unchanged; a paste is always read so.
    void SetFinalParOpensParagraph(bool on) {
        finalPar_ = on ? rtf::FinalPar::OpensEmpty : rtf::FinalPar::EndsLast;
    }

    int SelStart() const;
    // Puts the caret there; nothing stays selected.
    void SetSelStart(int start);
    int SelLength() const;
    // Selects from SelStart on; a negative length counts as 0.
    void SetSelLength(int length);
    // Replaces the selection by plain text in the format of the selection's
    // first character; the caret follows the new text.
    void SetSelText(const std::string& text);

    // Each changes one property of the selected characters and nothing else;
    // with nothing selected, of what is typed next.
    void SetSelFontName(const std::string& face);
    void SetSelFontSize(double points);
    void SetSelColor(std::uint32_t bgr);  // 0 is black
    void SetSelBold(bool on);
    void SetSelItalic(bool on);
    void SetSelUnderline(bool on);
    // SetSelFontName, SetSelFontSize, SetSelColor(0), and SetSelBold,
    // SetSelItalic and SetSelUnderline(false), as one change: the same
    // formats, in one pass over the text and one step to undo.
    void SetSelPlainFont(const std::string& face, double points);
    // 0 left, 1 right, 2 centre, for every paragraph the selection touches.
    void SetSelAlignment(int alignment);

    // RTF files; false when the file cannot be read or written (a file is
    // never left half-written). A file past the bound's bytes or paragraphs
    // is refused before anything of it is taken in.
    bool LoadFile(const std::string& name, const filegroup::ReadBound& bound);
    bool SaveFile(const std::string& name) const;

    // The control's own font: the face of text whose RTF names no font.
    void SetFontName(const std::string& face);

    // Size in twips; a change keeps the upper-left corner.
    void SetWidth(double twips);
    void SetHeight(double twips);

    void SetFocus();

    // What the keyboard's copy, cut, paste and delete do. Copy puts our RTF
    // and the plain text on the clipboard; paste prefers RTF.
    void Copy();
    void Cut();
    void Paste();
    void Delete();
    void SelectAll();

    // The control keeps a model of what it shows, so that new content that
    // differs in a little costs a little, and writes its RTF from it. A
    // control given only whole new contents (the long list of the list
    // editor) does without: the model of a long text takes about as much
    // memory as the document. The content and the RTF are the same either way.
    void SetKeepsModel(bool keep);

    // For the small cell boxes: no margin around the text and no scroll bars.
    void SetZeroMargins();
    // Shows the selection only while the box has the focus, as the Windows
    // control does by default.
    void SetHideSelection(bool hide);

signals:
    // After the caret has moved to the click.
    void Click();
    void DblClick();

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    QMimeData* createMimeDataFromSelection() const override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    struct Selection {
        int start;
        int length;
    };
    // The document an RTF text (or plain text) reads as.
    rtf::Document modelOf(const std::string& rtf, std::optional<int> alignment, rtf::FinalPar finalPar) const;
    void replaceContent(rtf::Document model, std::optional<Selection> then = std::nullopt);
    bool keepsCaretAt(const Selection& selection);
    QRectF caretInSections() const;
    void scrollToCaret(const QRectF& caret);
    template <class Change>
    void showingCaret(Change&& change);
    bool moveInSections(QKeyEvent* e);
    bool insertParagraph(QKeyEvent* e);
    void contentChanged();
    const std::string& writtenRtf() const;
    void applyToSelection(const QTextCharFormat& change);
    // The format of the first selected character, or of the caret.
    rtf::CharFormat selectionFormat() const;

    TextLayout* const layout_;  // the document's, which owns it
    bool dblClickRelease_ = false;
    // Where across the caret goes on moving up and down in a paragraph laid
    // out in sections (-1: from where it stands), while it stays at
    // verticalAt_, where the last such move put it.
    qreal verticalX_ = -1;
    int verticalAt_ = -1;
    // The model of what the document holds, while nothing but replaceContent
    // and SetSelAlignment has changed it: new content is compared with it.
    rtf::Document shown_;
    bool shownValid_ = false;
    bool updating_ = false;  // our own change: shown_ is kept up to date
    // Qt's caret was last put where it stands by SetTextRTF, SetSelStart or
    // SetSelLength (placingCaret_ while they do), and has since moved only
    // with the content those changed.
    bool caretPlaced_ = false;
    bool placingCaret_ = false;
    rtf::FinalPar finalPar_ = rtf::FinalPar::EndsLast;
    bool keepsModel_ = true;
    std::uint64_t revision_ = 0;
    // Text and TextRTF as last read, until the next change.
    mutable std::optional<std::string> text_;
    mutable std::optional<std::string> rtf_;
};

}  // namespace platform

#pragma once
// Positions in a text document counted the way the Windows text controls
// count them: a paragraph break is the two characters CR LF. A position is
// never left between the CR and the LF.
#include <QTextCursor>

class QTextDocument;

namespace platform {

// The length of the document's text with CR LF breaks.
int CrLfLength(const QTextDocument& doc);

// The CR LF position of a document position.
int FromDocPosition(const QTextDocument& doc, int docPos);

// The document position of a CR LF position, clamped to the text. A position
// between CR and LF goes back before the break, or on past it with `roundUp`.
int ToDocPosition(const QTextDocument& doc, int pos, bool roundUp);

// A cursor's selection in CR LF positions.
int CrLfSelStart(const QTextCursor& c);
int CrLfSelLength(const QTextCursor& c);
// Puts the cursor there with nothing selected.
void SetCrLfSelStart(QTextCursor& c, int start);
// Selects from the selection's start on; a negative length counts as 0.
void SetCrLfSelLength(QTextCursor& c, int length);

// The same on a text edit's own cursor (QTextEdit or QPlainTextEdit).
template <class Edit>
void SetCrLfSelStart(Edit& edit, int start) {
    QTextCursor c = edit.textCursor();
    SetCrLfSelStart(c, start);
    edit.setTextCursor(c);
}

template <class Edit>
void SetCrLfSelLength(Edit& edit, int length) {
    QTextCursor c = edit.textCursor();
    SetCrLfSelLength(c, length);
    edit.setTextCursor(c);
}

}  // namespace platform

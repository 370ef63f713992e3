#include "platform/textbox.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QTextCursor>
#include <QTextDocument>

#include "files/ansi.h"
#include "platform/crlf_positions.h"
#include "platform/text_layout.h"

namespace platform {

TextBox::TextBox(QWidget* parent) : QTextEdit(parent) {
    new TextLayout(document());
    setAcceptRichText(false);
    // Tab moves on to the next control, as in a Windows text box.
    setTabChangesFocus(true);
    setLineWrapMode(QTextEdit::WidgetWidth);
    connect(this, &QTextEdit::textChanged, this, &TextBox::contentChanged);
    withoutShaping();
}

// Windows-1252 text needs no shaping, and going without it lays out a long
// line two to three times as fast.
void TextBox::withoutShaping() {
    QFont f = document()->defaultFont();
    if (f.styleStrategy() & QFont::PreferNoShaping) return;
    f.setStyleStrategy(QFont::StyleStrategy(f.styleStrategy() | QFont::PreferNoShaping));
    document()->setDefaultFont(f);
}

void TextBox::changeEvent(QEvent* e) {
    QTextEdit::changeEvent(e);
    if (e->type() == QEvent::FontChange) withoutShaping();
}

QString TextBox::ToBoxText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r') {
            if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            out += u'\n';
        } else if (c == u'\n' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator) {
            out += u'\n';
        } else if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
            out += u'?';
        } else {
            out += ansi::fromUnicode(c.unicode()) < 0 ? QChar(u'?') : c;
        }
    }
    return out;
}

const std::string& TextBox::Text() const {
    if (!textValid_) {
        text_ = ansi::fromQString(document()->toRawText().replace(QChar::ParagraphSeparator, QStringLiteral("\r\n")));
        textValid_ = true;
    }
    return text_;
}

void TextBox::SetText(const std::string& text) {
    settingText_ = true;
    setPlainText(ToBoxText(ansi::toQString(text)));
    settingText_ = false;
    contentChanged();
}

int TextBox::TextLength() const { return CrLfLength(*document()); }

void TextBox::contentChanged() {
    textValid_ = false;
    if (!settingText_) emit Change();
}

int TextBox::SelStart() const { return CrLfSelStart(textCursor()); }

int TextBox::SelLength() const { return CrLfSelLength(textCursor()); }

void TextBox::SetSelStart(int start) { SetCrLfSelStart(*this, start); }

void TextBox::SetSelLength(int length) { SetCrLfSelLength(*this, length); }

void TextBox::SetSelText(const std::string& text) { insertPlainText(ToBoxText(ansi::toQString(text))); }

void TextBox::SetFocus() { setFocus(Qt::OtherFocusReason); }
void TextBox::Copy() { copy(); }
void TextBox::Cut() { cut(); }
void TextBox::Paste() { paste(); }
void TextBox::SelectAll() { selectAll(); }

void TextBox::keyPressEvent(QKeyEvent* e) {
    const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    const QString text = ToBoxText(e->text());
    // Shift+Enter would insert a line separator; it breaks the line as Enter does.
    if ((enter && (e->modifiers() & Qt::ShiftModifier)) || text != e->text()) {
        const Qt::KeyboardModifiers mods = enter ? e->modifiers() & ~Qt::ShiftModifier : e->modifiers();
        QKeyEvent ansiKey(e->type(), e->key(), mods, enter ? e->text() : text, e->isAutoRepeat(),
                          static_cast<ushort>(e->count()));
        QTextEdit::keyPressEvent(&ansiKey);
        e->setAccepted(ansiKey.isAccepted());
        return;
    }
    QTextEdit::keyPressEvent(e);
}

void TextBox::inputMethodEvent(QInputMethodEvent* e) {
    const QString commit = ToBoxText(e->commitString());
    if (commit != e->commitString()) e->setCommitString(commit, e->replacementStart(), e->replacementLength());
    QTextEdit::inputMethodEvent(e);
}

// Plain text only, as a Windows text box copies.
QMimeData* TextBox::createMimeDataFromSelection() const {
    auto* data = new QMimeData;
    data->setText(textCursor().selectedText().replace(QChar::ParagraphSeparator, u'\n'));
    return data;
}

void TextBox::insertFromMimeData(const QMimeData* source) {
    if (!source->hasText()) return;
    insertPlainText(ToBoxText(source->text()));
    ensureCursorVisible();
}

void TextBox::mouseReleaseEvent(QMouseEvent* e) {
    QTextEdit::mouseReleaseEvent(e);
    if (e->button() == Qt::LeftButton) emit Click();
}

}  // namespace platform

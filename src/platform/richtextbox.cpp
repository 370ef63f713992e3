#include "platform/richtextbox.h"

#include <QApplication>

#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <cmath>

#include "files/ansi.h"
#include "files/textfile.h"
#include "platform/controls.h"
#include "platform/crlf_positions.h"
#include "platform/dialogs.h"
#include "platform/events.h"
#include "platform/text_layout.h"
#include "rtf/reader.h"
#include "rtf/writer.h"

namespace platform {
namespace {

const QString kRtfMime = QStringLiteral("text/rtf");
const QString kRtfMimeAlt = QStringLiteral("application/rtf");

// One byte per UTF-16 unit, so that lengths agree with positions.
std::string toAnsi(const QString& text) {
    std::string out;
    out.reserve(static_cast<size_t>(text.size()));
    for (const QChar c : text) {
        const int b = c.isSurrogate() ? -1 : ansi::fromUnicode(c.unicode());
        out.push_back(b < 0 ? '?' : static_cast<char>(b));
    }
    return out;
}

rtf::Align alignmentOf(int alignment) {
    return alignment == 1 ? rtf::Align::Right : alignment == 2 ? rtf::Align::Center : rtf::Align::Left;
}

// The changes of the SetSel... properties, each of one property.
QTextCharFormat faceChange(const std::string& face) {
    QTextCharFormat f;
    f.setFontFamilies(QStringList{ansi::toQString(face)});
    return f;
}

QTextCharFormat sizeChange(double points) {
    QTextCharFormat f;
    f.setFontPointSize(rtf::clampHalfPoints(std::llround(points * 2)) / 2.0);
    return f;
}

QTextCharFormat colorChange(std::uint32_t bgr) {
    QTextCharFormat f;
    const QColor c = ColorFromBgr(bgr & 0xFFFFFFu);
    if ((c.rgb() & 0xFFFFFFu) == 0) {
        f.setForeground(QBrush());  // black: the default colour again
    } else {
        f.setForeground(c);
    }
    return f;
}

QTextCharFormat boldChange(bool on) {
    QTextCharFormat f;
    f.setFontWeight(on ? QFont::Bold : QFont::Normal);
    return f;
}

QTextCharFormat italicChange(bool on) {
    QTextCharFormat f;
    f.setFontItalic(on);
    return f;
}

QTextCharFormat underlineChange(bool on) {
    QTextCharFormat f;
    f.setFontUnderline(on);
    return f;
}

// Paragraph separators of a text document become CR LF.
QString withCrLf(QString text) {
    return text.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
}

}  // namespace

RichTextBox::RichTextBox(QWidget* parent)
    : QTextEdit(parent), layout_(new TextLayout(document(), TextLayout::Sections::Long)) {
    setFont(MakeFont(QStringLiteral("Arial"), 12));
    document()->setDefaultFont(font());
    connect(document(), &QTextDocument::contentsChange, this, &RichTextBox::contentChanged);
    connect(this, &QTextEdit::selectionChanged, this, [this] {
        if (!caretInSections().isEmpty()) viewport()->update();
    });
    for (auto moved : {&QTextEdit::cursorPositionChanged, &QTextEdit::selectionChanged})
        connect(this, moved, this, [this] {
            if (!placingCaret_ && !updating_) caretPlaced_ = false;
        });
}

QRectF RichTextBox::caretInSections() const {
    return layout_->SectionCaretRect(textCursor().position());
}

// Qt's caret code cannot see the lines of a paragraph laid out in sections
// (a very long one): where the caret stands in one, Qt scrolls to the
// paragraph's top to show it, and draws the caret again there. Around
// anything of Qt's that may move or show the caret, the view stays where it
// was, the box scrolls to the caret itself, and draws where the caret was
// and is.
template <class Change>
void RichTextBox::showingCaret(Change&& change) {
    if (!placingCaret_) caretPlaced_ = false;
    QScrollBar* bar = verticalScrollBar();
    const int view = bar->value();
    const bool wasInSections = !caretInSections().isEmpty();
    change();
    const QRectF r = caretInSections();
    if (r.isEmpty()) {
        if (wasInSections) viewport()->update();
        return;
    }
    // The scroll range must reach the caret laid out just now.
    layout_->TellSize();
    bar->setValue(view);
    scrollToCaret(r);
    viewport()->update();
}

void RichTextBox::scrollToCaret(const QRectF& caret) {
    QScrollBar* bar = verticalScrollBar();
    const int top = static_cast<int>(std::floor(caret.top()));
    const int bottom = static_cast<int>(std::ceil(caret.bottom()));
    if (top < bar->value()) {
        bar->setValue(top);
    } else if (bottom > bar->value() + viewport()->height()) {
        bar->setValue(bottom - viewport()->height());
    }
}

void RichTextBox::contentChanged() {
    ++revision_;
    text_.reset();
    rtf_.reset();
    if (updating_ || !shownValid_) return;
    // The model no longer says what the document holds; it goes at once (a
    // long document's model takes megabytes).
    shownValid_ = false;
    shown_ = rtf::Document{};
}

const std::string& RichTextBox::Text() const {
    if (!text_) text_ = toAnsi(TextW());
    return *text_;
}

QString RichTextBox::TextW() const { return withCrLf(document()->toRawText()); }

void RichTextBox::SetText(const std::string& text) {
    QTextCursor first(document());
    const rtf::CharFormat format = rtf::fromQt(first.charFormat(), rtf::defaultFormat(*document()));
    rtf::Document model = rtf::plainTextModel(ansi::toQString(text), format);
    const rtf::Align align = rtf::alignOf(document()->firstBlock().blockFormat());
    for (rtf::Paragraph& p : model.paragraphs) p.align = align;
    replaceContent(std::move(model));
}

// The model needs no walk through the document while it is known.
const std::string& RichTextBox::writtenRtf() const {
    if (!rtf_) rtf_ = shownValid_ ? rtf::write(shown_) : rtf::write(*document());
    return *rtf_;
}

std::string RichTextBox::TextRTF() const {
    const std::string& rtf = writtenRtf();
    std::string out;
    out.reserve(rtf.size() + 1);
    out.append(rtf);
    out.push_back('\0');
    return out;
}

rtf::Document RichTextBox::modelOf(const std::string& rtf, std::optional<int> alignment, rtf::FinalPar finalPar) const {
    const rtf::CharFormat defaults = rtf::defaultFormat(*document());
    rtf::Document model = rtf::looksLikeRtf(rtf) ? rtf::read(rtf, defaults, nullptr, finalPar)
                                                 : rtf::plainTextModel(ansi::toQString(rtf), defaults);
    if (alignment) {
        for (rtf::Paragraph& p : model.paragraphs) p.align = alignmentOf(*alignment);
    }
    return model;
}

void RichTextBox::SetTextRTF(const std::string& rtf, std::optional<int> alignment) {
    replaceContent(modelOf(rtf, alignment, finalPar_));
}

void RichTextBox::SetTextRTF(const std::string& rtf, std::optional<int> alignment, int selStart, int selLength,
                             std::optional<rtf::FinalPar> finalPar) {
    replaceContent(modelOf(rtf, alignment, finalPar.value_or(finalPar_)), Selection{selStart, selLength});
}

void RichTextBox::replaceContent(rtf::Document model, std::optional<Selection> then) {
    QTextDocument* doc = document();
    rtf::normalize(model, rtf::defaultFormat(*doc));
    doc->setUndoRedoEnabled(false);
    {
        const ScopedFlag updating(updating_);
        if (!shownValid_ || !rtf::updateContent(*doc, shown_, model)) rtf::setContent(*doc, model);
    }
    doc->setUndoRedoEnabled(true);
    if (keepsModel_) {
        shown_ = std::move(model);
        shownValid_ = true;
    } else {
        model = rtf::Document{};
    }
    if (then && keepsCaretAt(*then)) return;
    {
        const ScopedFlag placing(placingCaret_);
        showingCaret([&] { setTextCursor(QTextCursor(doc)); });
    }
    caretPlaced_ = true;
    if (then) {
        SetSelStart(then->start);
        SetSelLength(then->length);
    }
}

// Qt's caret code reads a changed paragraph whole again (its layout's items,
// about 2.5 ms for 200,000 characters) to place a caret in it, where it finds
// no line when the paragraph is laid out in sections. Where Qt's caret
// already has the new selection (a change inside it moved its end along) and
// the selection lies in such a paragraph, the caret stays, and the view
// scrolls as the steps would have scrolled it: to the caret at the start (by
// Qt's rule where the first paragraph is not in sections), then to the
// selection's start and to its end, by the box's own rule.
bool RichTextBox::keepsCaretAt(const Selection& selection) {
    if (!caretPlaced_ || hasFocus()) return false;
    const QTextDocument& doc = *document();
    const int anchor = ToDocPosition(doc, selection.start, false);
    const int end = ToDocPosition(doc, FromDocPosition(doc, anchor) + std::max(selection.length, 0), true);
    const QTextCursor shown = textCursor();
    if (shown.anchor() != anchor || shown.position() != end) return false;
    QScrollBar* bar = verticalScrollBar();
    const QRectF atStart = layout_->SectionCaretRect(0);
    const QRect qtAtStart = atStart.isEmpty() ? cursorRect(QTextCursor(document())).translated(0, bar->value()) : QRect();
    const QRectF steps[] = {atStart, layout_->SectionCaretRect(anchor), layout_->SectionCaretRect(end)};
    if (steps[1].isEmpty() || steps[2].isEmpty()) return false;
    if (atStart.isEmpty()) {
        if (qtAtStart.top() < bar->value()) {
            bar->setValue(qtAtStart.top());
        } else if (qtAtStart.top() + qtAtStart.height() > bar->value() + viewport()->height()) {
            bar->setValue(qtAtStart.top() + qtAtStart.height() - viewport()->height());
        }
    }
    layout_->TellSize();
    for (const QRectF& r : steps)
        if (!r.isEmpty()) scrollToCaret(r);
    viewport()->update();
    return true;
}

int RichTextBox::SelStart() const { return CrLfSelStart(textCursor()); }

int RichTextBox::SelLength() const { return CrLfSelLength(textCursor()); }

void RichTextBox::SetSelStart(int start) {
    {
        const ScopedFlag placing(placingCaret_);
        showingCaret([&] { SetCrLfSelStart(*this, start); });
    }
    caretPlaced_ = true;
}

void RichTextBox::SetSelLength(int length) {
    {
        const ScopedFlag placing(placingCaret_);
        showingCaret([&] { SetCrLfSelLength(*this, length); });
    }
    caretPlaced_ = true;
}

rtf::CharFormat RichTextBox::selectionFormat() const {
    QTextCursor c = textCursor();
    if (c.hasSelection()) {
        // The format before the position: the first selected character's.
        c.setPosition(c.selectionStart() + 1);
    }
    return rtf::fromQt(c.charFormat(), rtf::defaultFormat(*document()));
}

void RichTextBox::SetSelText(const std::string& text) {
    QTextCursor c = textCursor();
    // insertText ends a paragraph at CR LF, a lone CR or a lone LF, and the new
    // paragraphs take the paragraph format of the one they split.
    c.insertText(ansi::toQString(text), rtf::toQt(selectionFormat()));
    showingCaret([&] { setTextCursor(c); });
}

void RichTextBox::applyToSelection(const QTextCharFormat& change) {
    caretPlaced_ = false;  // the caret may now carry a format of its own
    QTextCursor c = textCursor();
    if (c.hasSelection()) {
        c.mergeCharFormat(change);
        // An empty paragraph inside the selection shows its mark's format.
        // Qt keeps that format on the paragraph break before the paragraph,
        // which the selection holds for every paragraph but one it begins
        // with: only that one is changed apart (one change for the whole
        // text, not one per empty paragraph, each laid out on its own).
        const QTextBlock first = document()->findBlock(c.selectionStart());
        if (first.length() == 1 && first.position() == c.selectionStart()) {
            QTextCursor m(first);
            m.mergeBlockCharFormat(change);
        }
    } else {
        mergeCurrentCharFormat(change);
        if (c.block().length() == 1) c.mergeBlockCharFormat(change);
    }
}

void RichTextBox::SetSelFontName(const std::string& face) { applyToSelection(faceChange(face)); }

void RichTextBox::SetSelFontSize(double points) { applyToSelection(sizeChange(points)); }

void RichTextBox::SetSelColor(std::uint32_t bgr) { applyToSelection(colorChange(bgr)); }

void RichTextBox::SetSelBold(bool on) { applyToSelection(boldChange(on)); }

void RichTextBox::SetSelItalic(bool on) { applyToSelection(italicChange(on)); }

void RichTextBox::SetSelUnderline(bool on) { applyToSelection(underlineChange(on)); }

void RichTextBox::SetSelPlainFont(const std::string& face, double points) {
    // Merged in the order of the single changes, the properties stand in the
    // formats as those changes leave them.
    QTextCharFormat f = faceChange(face);
    for (const QTextCharFormat& next : {sizeChange(points), colorChange(0), boldChange(false), italicChange(false),
                                        underlineChange(false)})
        f.merge(next);
    applyToSelection(f);
}

void RichTextBox::SetSelAlignment(int alignment) {
    const rtf::Align a = alignmentOf(alignment);
    QTextCursor c = textCursor();
    const ScopedFlag updating(updating_);
    c.mergeBlockFormat(rtf::toQt(a));
    if (!shownValid_) return;
    const int last = document()->findBlock(c.selectionEnd()).blockNumber();
    for (int i = document()->findBlock(c.selectionStart()).blockNumber(); i <= last; ++i)
        shown_.paragraphs[static_cast<size_t>(i)].align = a;
}

bool RichTextBox::LoadFile(const std::string& name, const filegroup::ReadBound& bound) {
    // Its lines are no measure: paragraphs are.
    const auto bytes = textfile::readAll(name, {bound.bytes, SIZE_MAX, bound.reads});
    if (!bytes || !textfile::worked("Cannot read",
                                    filegroup::WithinLines(name, rtf::ParagraphCount(*bytes), bound, "paragraphs")))
        return false;
    SetTextRTF(*bytes);
    return true;
}

bool RichTextBox::SaveFile(const std::string& name) const { return textfile::writeAtomic(name, writtenRtf()); }

void RichTextBox::SetFontName(const std::string& face) {
    QFont f = font();
    f.setFamily(ansi::toQString(face));
    setFont(f);
    document()->setDefaultFont(f);
    // Text whose RTF names no font now reads in another face.
    shownValid_ = false;
    rtf_.reset();
}

void RichTextBox::SetWidth(double twips) { resize(dlg::TwipsToPixelsX(twips), height()); }
void RichTextBox::SetHeight(double twips) { resize(width(), dlg::TwipsToPixelsY(twips)); }

void RichTextBox::SetFocus() { setFocus(Qt::OtherFocusReason); }

void RichTextBox::Copy() { copy(); }
void RichTextBox::Cut() {
    showingCaret([this] { cut(); });
}
void RichTextBox::Paste() {
    showingCaret([this] { paste(); });
}
void RichTextBox::SelectAll() { selectAll(); }

void RichTextBox::Delete() {
    QTextCursor c = textCursor();
    c.deleteChar();  // the selection, or the character (or paragraph mark) after the caret
    showingCaret([&] { setTextCursor(c); });
}

void RichTextBox::SetKeepsModel(bool keep) {
    keepsModel_ = keep;
    if (keep) return;
    shownValid_ = false;
    shown_ = rtf::Document{};
}

void RichTextBox::SetZeroMargins() {
    document()->setDocumentMargin(0);
    setViewportMargins(0, 0, 0, 0);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void RichTextBox::SetHideSelection(bool hide) {
    QPalette p = palette();
    const QPalette defaults = QApplication::palette(this);
    p.setColor(QPalette::Inactive, QPalette::Highlight,
               hide ? p.color(QPalette::Inactive, QPalette::Base) : defaults.color(QPalette::Inactive, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText,
               hide ? p.color(QPalette::Inactive, QPalette::Text)
                    : defaults.color(QPalette::Inactive, QPalette::HighlightedText));
    setPalette(p);
}

void RichTextBox::mousePressEvent(QMouseEvent* e) {
    showingCaret([&] { QTextEdit::mousePressEvent(e); });
}

void RichTextBox::mouseMoveEvent(QMouseEvent* e) {
    showingCaret([&] { QTextEdit::mouseMoveEvent(e); });
}

void RichTextBox::mouseReleaseEvent(QMouseEvent* e) {
    showingCaret([&] { QTextEdit::mouseReleaseEvent(e); });
    if (e->button() != Qt::LeftButton) return;
    // The release that ends a double-click is no click of its own.
    if (dblClickRelease_) {
        dblClickRelease_ = false;
        return;
    }
    emit Click();
}

void RichTextBox::mouseDoubleClickEvent(QMouseEvent* e) {
    showingCaret([&] { QTextEdit::mouseDoubleClickEvent(e); });
    if (e->button() != Qt::LeftButton) return;
    dblClickRelease_ = true;
    emit DblClick();
}

void RichTextBox::keyPressEvent(QKeyEvent* e) {
    if (moveInSections(e) || insertParagraph(e)) return;
    showingCaret([&] { QTextEdit::keyPressEvent(e); });
}

// Return and Enter put a paragraph mark where the caret stands (in place of
// the selection), the new paragraph in the formats of the caret. Qt's own,
// in an empty paragraph with a format of its own (any paragraph read from
// RTF), would only take that format away, and the text typed next would lose
// its face. Shift+Enter does the same: Qt's line separator would be text the
// CR LF counting cannot see.
bool RichTextBox::insertParagraph(QKeyEvent* e) {
    const Qt::KeyboardModifiers mods = e->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    if ((e->key() != Qt::Key_Return && e->key() != Qt::Key_Enter) || mods != Qt::NoModifier || isReadOnly())
        return false;
    QTextCursor c = textCursor();
    c.insertBlock(c.blockFormat(), c.charFormat());
    showingCaret([&] { setTextCursor(c); });
    e->accept();
    return true;
}

// The caret comes and goes with the focus.
void RichTextBox::focusInEvent(QFocusEvent* e) {
    QTextEdit::focusInEvent(e);
    if (!caretInSections().isEmpty()) viewport()->update();
}

void RichTextBox::focusOutEvent(QFocusEvent* e) {
    QTextEdit::focusOutEvent(e);
    if (!caretInSections().isEmpty()) viewport()->update();
}

QVariant RichTextBox::inputMethodQuery(Qt::InputMethodQuery query) const {
    if (query == Qt::ImCursorRectangle) {
        const QRectF r = caretInSections();
        if (!r.isEmpty())
            return r.translated(viewport()->pos() - QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value()));
    }
    return QTextEdit::inputMethodQuery(query);
}

void RichTextBox::inputMethodEvent(QInputMethodEvent* e) {
    showingCaret([&] { QTextEdit::inputMethodEvent(e); });
}

// Up, Down, Home, End, Page Up and Page Down (with Shift: selecting) inside
// a paragraph laid out in sections, whose lines Qt's caret code cannot see.
bool RichTextBox::moveInSections(QKeyEvent* e) {
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    if (mods != Qt::NoModifier && mods != Qt::ShiftModifier) return false;
    QTextCursor c = textCursor();
    // Up and down keep to the place across where the first of them started.
    const bool vertical = e->key() == Qt::Key_Up || e->key() == Qt::Key_Down || e->key() == Qt::Key_PageUp ||
                          e->key() == Qt::Key_PageDown;
    if (!vertical || c.position() != verticalAt_) verticalX_ = -1;
    int to = -1;
    switch (e->key()) {
    case Qt::Key_Up: to = layout_->SectionMove(c.position(), QTextCursor::Up, verticalX_); break;
    case Qt::Key_Down: to = layout_->SectionMove(c.position(), QTextCursor::Down, verticalX_); break;
    case Qt::Key_Home: to = layout_->SectionMove(c.position(), QTextCursor::StartOfLine); break;
    case Qt::Key_End: to = layout_->SectionMove(c.position(), QTextCursor::EndOfLine); break;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        // As Qt pages: the caret a page up or down, the view with it.
        const bool down = e->key() == Qt::Key_PageDown;
        to = layout_->SectionPageMove(c.position(), down ? viewport()->height() : -viewport()->height(), verticalX_);
        if (to >= 0 && to != c.position())
            verticalScrollBar()->triggerAction(down ? QAbstractSlider::SliderPageStepAdd
                                                    : QAbstractSlider::SliderPageStepSub);
        break;
    }
    default: return false;
    }
    if (to < 0) return false;
    if (vertical) {
        if (verticalX_ < 0) verticalX_ = layout_->CaretX(c.position());
        verticalAt_ = to;
    }
    c.setPosition(to, mods == Qt::ShiftModifier ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor);
    showingCaret([&] { setTextCursor(c); });
    e->accept();
    return true;
}

QMimeData* RichTextBox::createMimeDataFromSelection() const {
    const QTextCursor c = textCursor();
    auto* data = new QMimeData;
    const std::string rtf = rtf::write(rtf::toModel(*document(), c.selectionStart(), c.selectionEnd()));
    const QByteArray bytes(rtf.data(), static_cast<qsizetype>(rtf.size()));
    data->setData(kRtfMime, bytes);
    data->setData(kRtfMimeAlt, bytes);
    QString text = c.selectedText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    data->setText(text);
    return data;
}

bool RichTextBox::canInsertFromMimeData(const QMimeData* source) const {
    return source->hasFormat(kRtfMime) || source->hasFormat(kRtfMimeAlt) || source->hasText();
}

void RichTextBox::insertFromMimeData(const QMimeData* source) {
    QTextCursor c = textCursor();
    const QString mime = source->hasFormat(kRtfMime) ? kRtfMime : kRtfMimeAlt;
    const QByteArray bytes = source->data(mime);
    const std::string_view rtf(bytes.constData(), static_cast<size_t>(bytes.size()));
    if (rtf::looksLikeRtf(rtf)) {
        rtf::insert(c, rtf::read(rtf, selectionFormat()));
    } else if (source->hasText()) {
        QString text = source->text();
        text.replace(QChar::LineSeparator, u'\n');
        c.insertText(text, rtf::toQt(selectionFormat()));
    } else {
        return;
    }
    showingCaret([&] {
        setTextCursor(c);
        ensureCursorVisible();
    });
}

}  // namespace platform

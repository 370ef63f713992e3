#include "platform/crlf_positions.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

namespace platform {

int CrLfLength(const QTextDocument& doc) { return doc.characterCount() - 1 + doc.blockCount() - 1; }

int FromDocPosition(const QTextDocument& doc, int docPos) { return docPos + doc.findBlock(docPos).blockNumber(); }

// The block that holds a CR LF position is the last one whose first
// character lies at or before it: block k starts at position() + k.
int ToDocPosition(const QTextDocument& doc, int pos, bool roundUp) {
    pos = std::clamp(pos, 0, CrLfLength(doc));
    int lo = 0, hi = doc.blockCount() - 1;
    while (lo < hi) {
        const int mid = lo + (hi - lo + 1) / 2;
        if (doc.findBlockByNumber(mid).position() + mid <= pos) {
            lo = mid;
        } else {
            hi = mid - 1;
        }
    }
    const QTextBlock b = doc.findBlockByNumber(lo);
    const int offset = pos - (b.position() + lo);
    const int textLen = b.length() - 1;
    if (offset <= textLen) return b.position() + offset;
    return roundUp ? b.position() + b.length() : b.position() + textLen;  // between CR and LF
}

int CrLfSelStart(const QTextCursor& c) { return FromDocPosition(*c.document(), c.selectionStart()); }

int CrLfSelLength(const QTextCursor& c) {
    return FromDocPosition(*c.document(), c.selectionEnd()) - FromDocPosition(*c.document(), c.selectionStart());
}

void SetCrLfSelStart(QTextCursor& c, int start) { c.setPosition(ToDocPosition(*c.document(), start, false)); }

void SetCrLfSelLength(QTextCursor& c, int length) {
    const QTextDocument& doc = *c.document();
    const int start = c.selectionStart();
    const int end = ToDocPosition(doc, FromDocPosition(doc, start) + std::max(length, 0), true);
    c.setPosition(start);
    c.setPosition(end, QTextCursor::KeepAnchor);
}

}  // namespace platform

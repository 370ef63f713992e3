#pragma once
// What a benchmark in a shown window waits for: the events a command caused
// processed, and the text control laid out to its end.
#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

inline void SettleShown(QTextEdit* box) {
    QCoreApplication::processEvents();
    QTextDocument* doc = box->document();
    doc->documentLayout()->blockBoundingRect(doc->lastBlock());
    QCoreApplication::processEvents();
}

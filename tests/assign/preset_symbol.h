#pragma once
// What a cell box shows for a preset's cell string.
#include <QString>
#include <string>

#include "rtf/codepage.h"

// The character a cell string stands for in the set's character set; an
// empty cell shows nothing.
inline QString PresetSymbol(const std::string& cell, int charset) {
    if (cell.empty()) return QString();
    if (cell.starts_with("\\u")) return QString(QChar(static_cast<char16_t>(std::stoi(cell.substr(2)))));
    const int byte = std::stoi(cell.substr(2), nullptr, 16);
    return QString(QChar(codepage::byteToUnicode(codepage::forCharset(charset), static_cast<unsigned char>(byte))));
}

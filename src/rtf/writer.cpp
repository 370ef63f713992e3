#include "rtf/writer.h"

#include <QTextDocument>
#include <cstdint>
#include <map>
#include <utility>

#include "rtf/codepage.h"

namespace rtf {
namespace {

// The formats in the order they are written: each run, and the paragraph
// mark of an empty paragraph.
template <class F>
void forEachWrittenFormat(const Document& doc, F&& f) {
    for (const Paragraph& p : doc.paragraphs) {
        if (p.runs.empty()) {
            f(p.mark);
        } else {
            for (const Run& r : p.runs) f(r.format);
        }
    }
}

class Writer {
public:
    explicit Writer(const Document& doc) : doc_(doc) {
        forEachWrittenFormat(doc, [this](const CharFormat& f) {
            fonts_.try_emplace({f.face, f.charset}, static_cast<int>(fonts_.size()));
            if (f.rgb != 0) colors_.try_emplace(f.rgb, static_cast<int>(colors_.size()) + 1);
        });
    }

    std::string run() {
        out_.reserve(256);
        header();
        out_ += "\\uc1\\pard";
        Align align = Align::Left;
        bool first = true;
        for (const Paragraph& p : doc_.paragraphs) {
            if (p.align != align) {
                word(p.align == Align::Right ? "qr" : p.align == Align::Center ? "qc" : "ql");
                align = p.align;
            }
            if (p.runs.empty()) {
                formatChange(p.mark, first);
                first = false;
            }
            for (const Run& r : p.runs) {
                formatChange(r.format, first);
                first = false;
                characters(r.text, codepage::forCharset(r.format.charset));
            }
            out_ += "\\par\r\n";
            delimit_ = false;
        }
        out_ += "}\r\n";
        return std::move(out_);
    }

private:
    void header() {
        out_ += "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl";
        std::vector<const std::pair<QString, int>*> byNumber(fonts_.size());
        for (const auto& [key, number] : fonts_) byNumber[static_cast<size_t>(number)] = &key;
        for (size_t n = 0; n < byNumber.size(); ++n) {
            out_ += "{\\f" + std::to_string(n) + "\\fnil\\fcharset" + std::to_string(byNumber[n]->second) + ' ';
            delimit_ = false;
            characters(byNumber[n]->first, codepage::forCharset(byNumber[n]->second), true);
            out_ += ";}";
        }
        out_ += '}';
        if (!colors_.empty()) {
            std::vector<std::uint32_t> byNumber2(colors_.size());
            for (const auto& [rgb, number] : colors_) byNumber2[static_cast<size_t>(number - 1)] = rgb;
            out_ += "{\\colortbl ;";
            for (std::uint32_t rgb : byNumber2) {
                out_ += "\\red" + std::to_string((rgb >> 16) & 0xFF) + "\\green" + std::to_string((rgb >> 8) & 0xFF) +
                        "\\blue" + std::to_string(rgb & 0xFF) + ';';
            }
            out_ += '}';
        }
        out_ += "\r\n";
    }

    void word(std::string_view name) {
        out_ += '\\';
        out_ += name;
        delimit_ = true;
    }

    void word(std::string_view name, long long param) {
        word(name);
        out_ += std::to_string(param);
    }

    // All of the first format; afterwards only what differs from the last.
    void formatChange(const CharFormat& f, bool all) {
        if (all ? f.bold : f.bold != cur_.bold) word(f.bold ? "b" : "b0");
        if (all ? f.italic : f.italic != cur_.italic) word(f.italic ? "i" : "i0");
        if (all ? f.underline : f.underline != cur_.underline) word(f.underline ? "ul" : "ulnone");
        if (all ? f.rgb != 0 : f.rgb != cur_.rgb) word("cf", f.rgb == 0 ? 0 : colors_.at(f.rgb));
        const int font = fonts_.at({f.face, f.charset});
        if (all || font != curFont_) word("f", font);
        if (all || f.halfPoints != cur_.halfPoints) word("fs", f.halfPoints);
        cur_ = f;
        curFont_ = font;
    }

    void plain(char c) {
        if (delimit_) out_ += ' ';
        delimit_ = false;
        out_ += c;
    }

    void hexEscape(int byte) {
        static const char digits[] = "0123456789abcdef";
        out_ += "\\'";
        out_ += digits[(byte >> 4) & 0xF];
        out_ += digits[byte & 0xF];
        delimit_ = false;
    }

    void characters(const QString& text, int cp, bool fontName = false) {
        for (const QChar qc : text) {
            const char16_t u = qc.unicode();
            if (u == '\\' || u == '{' || u == '}' || (fontName && u == ';')) {
                hexEscape(u);
            } else if ((u >= 0x20 && u < 0x7F) || u == '\t') {
                plain(static_cast<char>(u));
            } else {
                const int b = qc.isSurrogate() ? -1 : codepage::unicodeToByte(cp, u);
                if (b >= 0 && !codepage::isLeadByte(cp, static_cast<unsigned char>(b))) {
                    hexEscape(b);
                } else {
                    out_ += "\\u" + std::to_string(static_cast<std::int16_t>(u)) + '?';
                    delimit_ = false;
                }
            }
        }
    }

    const Document& doc_;
    std::map<std::pair<QString, int>, int> fonts_;
    std::map<std::uint32_t, int> colors_;
    std::string out_;
    bool delimit_ = false;  // the last thing written is a control word that a letter or digit would lengthen
    CharFormat cur_;
    int curFont_ = 0;
};

}  // namespace

std::string write(const Document& doc) { return Writer(doc).run(); }

std::string write(const QTextDocument& doc) { return write(toModel(doc)); }

}  // namespace rtf

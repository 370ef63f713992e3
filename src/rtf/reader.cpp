#include "rtf/reader.h"

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <unordered_map>
#include <vector>

#include "rtf/codepage.h"

namespace rtf {
namespace {

enum class Dest { Body, FontTable, ColorTable, Skip };

// The format scope of one group.
struct GroupState {
    Dest dest = Dest::Body;
    int font = -1;  // font number; -1: the default font (\deff)
    int halfPoints = 24;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int color = 0;  // index into the colour table
    Align align = Align::Left;
    int uc = 1;  // fallback characters after \uN
};

struct FontEntry {
    QString face;
    int charset = -1;  // -1: none given
};

enum class Word {
    Unknown, Par, Pard, AlignLeft, AlignRight, AlignCenter, Plain, Bold, Italic, Underline,
    UnderlineNone, Font, FontSize, Color, Unicode, UnicodeSkip, DefaultFont, AnsiCodePage,
    FontCharset, Red, Green, Blue, FontTable, ColorTable, SkipDestination, Character,
};

struct WordInfo {
    Word word = Word::Unknown;
    char16_t ch = 0;  // for Word::Character
};

const WordInfo& lookup(std::string_view name) {
    static const std::unordered_map<std::string_view, WordInfo> words = [] {
        std::unordered_map<std::string_view, WordInfo> m{
            {"par", {Word::Par}},       {"line", {Word::Par}},        {"pard", {Word::Pard}},
            {"ql", {Word::AlignLeft}},  {"qj", {Word::AlignLeft}},    {"qr", {Word::AlignRight}},
            {"qc", {Word::AlignCenter}}, {"plain", {Word::Plain}},    {"b", {Word::Bold}},
            {"i", {Word::Italic}},      {"ul", {Word::Underline}},    {"ulnone", {Word::UnderlineNone}},
            {"f", {Word::Font}},        {"fs", {Word::FontSize}},     {"cf", {Word::Color}},
            {"u", {Word::Unicode}},     {"uc", {Word::UnicodeSkip}},  {"deff", {Word::DefaultFont}},
            {"ansicpg", {Word::AnsiCodePage}}, {"fcharset", {Word::FontCharset}},
            {"red", {Word::Red}},       {"green", {Word::Green}},     {"blue", {Word::Blue}},
            {"fonttbl", {Word::FontTable}}, {"colortbl", {Word::ColorTable}},
            {"tab", {Word::Character, u'\t'}},       {"emdash", {Word::Character, u'\u2014'}},
            {"endash", {Word::Character, u'\u2013'}}, {"lquote", {Word::Character, u'\u2018'}},
            {"rquote", {Word::Character, u'\u2019'}}, {"ldblquote", {Word::Character, u'\u201C'}},
            {"rdblquote", {Word::Character, u'\u201D'}}, {"bullet", {Word::Character, u'\u2022'}},
            {"emspace", {Word::Character, u'\u2003'}}, {"enspace", {Word::Character, u'\u2002'}},
        };
        // Destinations whose text is never shown, even where "\*" is missing.
        for (std::string_view d :
             {"stylesheet", "info", "pict", "header", "headerl", "headerr", "headerf", "footer", "footerl",
              "footerr", "footerf", "footnote", "object", "listtable", "listoverridetable", "revtbl",
              "rsidtbl", "xmlnstbl", "filetbl", "themedata", "colorschememapping", "latentstyles",
              "datastore", "generator", "fldinst", "nonshppict", "bkmkstart", "bkmkend", "annotation",
              "atnid", "atnauthor", "private", "userprops", "docvar", "mmathPr"})
            m.emplace(d, WordInfo{Word::SkipDestination});
        return m;
    }();
    static const WordInfo unknown;
    // The words of every run of text first, without hashing.
    static const WordInfo unicodeWord{Word::Unicode}, parWord{Word::Par}, fontWord{Word::Font}, sizeWord{Word::FontSize};
    if (name == "u") return unicodeWord;
    if (name == "par") return parWord;
    if (name == "f") return fontWord;
    if (name == "fs") return sizeWord;
    const auto it = words.find(name);
    return it == words.end() ? unknown : it->second;
}

// The charset whose code page is `cp`, for \ansicpg. A document's text is
// never in the symbol set: that is a font's alone.
std::optional<int> charsetOfCodePage(int cp) {
    if (cp == codepage::kSymbol) return std::nullopt;
    for (const codepage::Charset& c : codepage::charsets())
        if (c.codePage == cp) return c.number;
    return std::nullopt;
}

// Turns bytes of one code page into characters; a lead byte of a double-byte
// page waits for the byte after it.
class ByteDecoder {
public:
    void setCodePage(int cp) {
        if (cp == cp_) return;
        cp_ = cp;
        lead_ = -1;
        doubleByte_ = codepage::isDoubleByte(cp);
        auto it = tables_.find(cp);
        if (it == tables_.end()) {
            std::array<char16_t, 256> t{};
            for (int b = 0; b < 256; ++b) t[static_cast<size_t>(b)] = codepage::byteToUnicode(cp, static_cast<unsigned char>(b));
            it = tables_.emplace(cp, t).first;
        }
        table_ = &it->second;
    }

    // The character this byte completes, or nothing while a lead byte waits.
    // A raw ASCII byte stands for itself unless it completes a pair.
    std::optional<char16_t> feed(unsigned char b, bool raw) {
        if (lead_ >= 0) {
            const auto key = static_cast<size_t>(lead_ << 8 | b);
            lead_ = -1;
            std::vector<char16_t>& pairs = pairs_[cp_];
            if (pairs.empty()) pairs.resize(0x10000);
            if (pairs[key] == 0) {
                const char pair[2] = {static_cast<char>(key >> 8), static_cast<char>(b)};
                const QString s = codepage::decode(cp_, std::string_view(pair, 2));
                pairs[key] = s.size() == 1 && s[0].unicode() != 0 ? s[0].unicode() : char16_t{0xFFFD};
            }
            return pairs[key];
        }
        if (doubleByte_ && codepage::isLeadByte(cp_, b)) {
            lead_ = b;
            return std::nullopt;
        }
        if (raw && b < 0x80) return static_cast<char16_t>(b);
        return (*table_)[b];
    }

    bool pending() const { return lead_ >= 0; }

    // A lead byte with no partner.
    bool dropPending() {
        const bool had = lead_ >= 0;
        lead_ = -1;
        return had;
    }

private:
    int cp_ = -1;
    bool doubleByte_ = false;
    int lead_ = -1;
    const std::array<char16_t, 256>* table_ = nullptr;
    std::map<int, std::array<char16_t, 256>> tables_;
    // Decoded pairs of the double-byte pages (0: not yet decoded); iconv is
    // slow to open for every character.
    std::map<int, std::vector<char16_t>> pairs_;
};

class DocumentBuilder : public TokenListener {
public:
    DocumentBuilder(const CharFormat& defaults, std::vector<TokenError>* errors, FinalPar finalPar)
        : defaults_(defaults), errors_(errors), finalPar_(finalPar), ansiCharset_(defaults.charset) {}

    Document take() {
        if (!done_) {
            if (active()) endBytes();
            finish();
        }
        Document d;
        d.paragraphs = std::move(paragraphs_);
        return d;
    }

    void groupOpen() override {
        if (done_) return;
        endBytes();
        skip_ = 0;
        ++depth_;
        if (depth_ == 1) {
            GroupState root;
            root.halfPoints = defaults_.halfPoints;
            stack_.push_back(root);
        } else if (depth_ <= kMaxGroupDepth) {
            stack_.push_back(stack_.back());
        }
    }

    void groupClose() override {
        if (done_ || depth_ == 0) return;
        endBytes();
        skip_ = 0;
        if (st().dest == Dest::FontTable && depth_ <= fontEntryDepth_) finishFontEntry();
        if (depth_ == 1) {
            finish();
            return;
        }
        if (depth_ <= kMaxGroupDepth) stack_.pop_back();
        --depth_;
        dirty_ = true;
    }

    void controlWord(std::string_view name, bool hasParam, std::int32_t param) override {
        if (!active()) return;
        endBytes();
        if (skip_ > 0) {
            --skip_;
            return;
        }
        const Dest dest = st().dest;
        if (dest == Dest::Skip) return;
        const WordInfo& w = lookup(name);
        switch (w.word) {
        case Word::Unicode: unicode(hasParam, param); return;
        case Word::UnicodeSkip: st().uc = std::max(0, param); return;
        case Word::Unknown: return;
        default: break;
        }
        // The format of what follows may change (a paragraph mark or a
        // character word leaves it as it is).
        if (w.word != Word::Par && w.word != Word::Character) dirty_ = true;
        switch (w.word) {
        case Word::FontTable: st().dest = Dest::FontTable; return;
        case Word::ColorTable: st().dest = Dest::ColorTable; return;
        case Word::SkipDestination: st().dest = Dest::Skip; return;
        default: break;
        }
        if (dest == Dest::FontTable) {
            fontTableWord(w.word, hasParam ? param : 0);
        } else if (dest == Dest::ColorTable) {
            colorTableWord(w.word, param);
        } else {
            bodyWord(w, hasParam, param);
        }
    }

    void controlSymbol(char symbol) override {
        if (!active()) return;
        endBytes();
        if (skip_ > 0) {
            --skip_;
            return;
        }
        switch (symbol) {
        case '*': st().dest = Dest::Skip; break;
        case '\\':
        case '{':
        case '}': emitText(static_cast<char16_t>(symbol)); break;
        case '~': emitText(u'\u00A0'); break;
        case '_': emitText(u'\u2011'); break;
        case '\t': emitText(u'\t'); break;
        case '\r':
        case '\n':
            if (st().dest == Dest::Body) paragraphBreak();
            break;
        default: break;  // "\-", "\:", "\|" and the unknown ones
        }
    }

    void hexByte(unsigned char byte) override {
        if (!active()) return;
        if (skip_ > 0) {
            endBytes();
            --skip_;
            return;
        }
        if (st().dest == Dest::Body || st().dest == Dest::FontTable) feedByte(byte, false);
    }

    void text(std::string_view bytes) override {
        if (!active()) return;
        if (skip_ > 0) {
            endBytes();
            const size_t n = std::min<size_t>(skip_, bytes.size());
            skip_ -= n;
            bytes.remove_prefix(n);
        }
        switch (st().dest) {
        case Dest::Skip: return;
        case Dest::ColorTable:
            for (char c : bytes)
                if (c == ';') finishColor();
            return;
        case Dest::FontTable:
            for (char c : bytes) feedByte(static_cast<unsigned char>(c), true);
            return;
        case Dest::Body:
            while (!bytes.empty()) {
                // Printable ASCII stands for itself in every code page, unless
                // it completes a double-byte character.
                size_t n = 0;
                if (!decoder_.pending()) {
                    while (n < bytes.size() && static_cast<unsigned char>(bytes[n]) >= 0x20 &&
                           static_cast<unsigned char>(bytes[n]) < 0x80)
                        ++n;
                }
                if (n > 0) {
                    emitAscii(bytes.substr(0, n));
                    bytes.remove_prefix(n);
                } else {
                    feedByte(static_cast<unsigned char>(bytes[0]), true);
                    bytes.remove_prefix(1);
                }
            }
            return;
        }
    }

    void binary(std::string_view) override {}

    void error(TokenError e, std::size_t) override {
        if (errors_ && errors_->size() < 100) errors_->push_back(e);
    }

private:
    bool active() const { return depth_ > 0 && !done_; }
    GroupState& st() { return stack_.back(); }

    // The format of text at this point, worked out again after any change.
    const CharFormat& format() {
        if (!dirty_) return format_;
        dirty_ = false;
        runCurrent_ = false;
        const GroupState& s = st();
        const FontEntry* font = findFont(s.font >= 0 ? s.font : deff_);
        if (!font) font = findFont(deff_);
        format_.face = font && !font->face.isEmpty() ? font->face : defaults_.face;
        format_.charset = font && font->charset >= 0 ? font->charset : ansiCharset_;
        format_.halfPoints = s.halfPoints;
        format_.bold = s.bold;
        format_.italic = s.italic;
        format_.underline = s.underline;
        format_.rgb = s.color >= 0 && static_cast<size_t>(s.color) < colors_.size() ? colors_[static_cast<size_t>(s.color)] : 0;
        return format_;
    }

    const FontEntry* findFont(int number) const {
        const auto it = fonts_.find(number);
        return it == fonts_.end() ? nullptr : &it->second;
    }

    void bodyWord(const WordInfo& w, bool hasParam, std::int32_t param) {
        GroupState& s = st();
        const bool on = !hasParam || param != 0;
        switch (w.word) {
        case Word::Par: paragraphBreak(); break;
        case Word::Pard: s.align = Align::Left; break;
        case Word::AlignLeft: s.align = Align::Left; break;
        case Word::AlignRight: s.align = Align::Right; break;
        case Word::AlignCenter: s.align = Align::Center; break;
        case Word::Plain:
            s.font = -1;
            s.halfPoints = defaults_.halfPoints;
            s.bold = s.italic = s.underline = false;
            s.color = 0;
            break;
        case Word::Bold: s.bold = on; break;
        case Word::Italic: s.italic = on; break;
        case Word::Underline: s.underline = on; break;
        case Word::UnderlineNone: s.underline = false; break;
        case Word::Font: s.font = hasParam ? param : 0; break;
        case Word::FontSize: s.halfPoints = hasParam && param > 0 ? clampHalfPoints(param) : defaults_.halfPoints; break;
        case Word::Color: s.color = std::max(0, param); break;
        case Word::DefaultFont: deff_ = param; break;
        case Word::AnsiCodePage:
            if (auto c = charsetOfCodePage(param)) ansiCharset_ = *c;
            break;
        case Word::Character: emitText(w.ch); break;
        default: break;
        }
    }

    void fontTableWord(Word w, std::int32_t param) {
        if (w == Word::Font) {
            finishFontEntry();
            fontEntry_ = param;
            fontEntryDepth_ = depth_;
            fontName_.clear();
            fontCharset_ = -1;
        } else if (w == Word::FontCharset && fontEntry_) {
            fontCharset_ = param;
        }
    }

    void finishFontEntry() {
        endBytes();
        if (!fontEntry_) return;
        fonts_[*fontEntry_] = FontEntry{fontName_.trimmed(), fontCharset_};
        fontEntry_.reset();
        fontEntryDepth_ = 0;
        dirty_ = true;
    }

    void colorTableWord(Word w, std::int32_t param) {
        const auto v = static_cast<std::uint32_t>(std::clamp(param, 0, 255));
        switch (w) {
        case Word::Red: rgb_ = (rgb_ & 0x00FFFFu) | (v << 16); break;
        case Word::Green: rgb_ = (rgb_ & 0xFF00FFu) | (v << 8); break;
        case Word::Blue: rgb_ = (rgb_ & 0xFFFF00u) | v; break;
        default: return;
        }
    }

    void finishColor() {
        colors_.push_back(rgb_);
        rgb_ = 0;
        dirty_ = true;
    }

    void unicode(bool hasParam, std::int32_t param) {
        if (!hasParam) return;
        const std::int64_t v = param < 0 ? std::int64_t{param} + 65536 : param;
        // Out of range: the fallback text is what there is to show.
        if (v < 0 || v > 0xFFFF) return;
        emitText(static_cast<char16_t>(v));
        skip_ = static_cast<std::uint32_t>(st().uc);
    }

    void feedByte(unsigned char b, bool raw) {
        const bool inFontTable = st().dest == Dest::FontTable;
        if (inFontTable && raw && b == ';') {
            finishFontEntry();
            return;
        }
        if (raw && b < 0x20 && b != '\t') return;
        const int charset = !inFontTable ? format().charset : fontCharset_ >= 0 ? fontCharset_ : ansiCharset_;
        decoder_.setCodePage(codepage::forCharset(charset));
        if (const auto ch = decoder_.feed(b, raw)) emitText(*ch);
    }

    // A lead byte whose partner never came shows as the replacement character.
    void endBytes() {
        if (decoder_.dropPending()) emitText(u'\uFFFD');
    }

    // What emitText does for each of these characters (printable ASCII, in
    // the body), at once.
    void emitAscii(std::string_view chars) {
        const CharFormat& f = format();
        while (pendingBreak_ && !chars.empty() && chars.front() == ' ') {
            emitText(u' ');
            chars.remove_prefix(1);
        }
        if (chars.empty()) return;
        runOf(f).append(QLatin1StringView(chars.data(), static_cast<qsizetype>(chars.size())));
    }

    // The text of the run that characters in `f`, the current format, go on:
    // in the paragraph a pending "\par" opens, the last run when it is in `f`.
    QString& runOf(const CharFormat& f) {
        openPendingParagraph();
        Paragraph& p = paragraphs_.back();
        if (!runCurrent_) {
            if (p.runs.empty() || !(p.runs.back().format == f)) p.runs.push_back(Run{QString(), f});
            runCurrent_ = true;
        }
        lastTextAlign_ = st().align;
        return p.runs.back().text;
    }

    void emitText(char16_t ch) {
        switch (st().dest) {
        case Dest::FontTable:
            if (fontEntry_) fontName_.append(QChar(ch));
            return;
        case Dest::Body: break;
        default: return;
        }
        switch (ch) {
        case 0:
        case u'\r':
        case u'\n': return;  // as raw line breaks are
        case u'\u2028':
        case u'\u2029': paragraphBreak(); return;
        case u'\uFDD0':
        case u'\uFDD1': ch = u'\uFFFD'; break;  // the text document's frame marks
        default: break;
        }
        const CharFormat& f = format();
        if (pendingBreak_ && ch == u' ') {
            // Blanks after a "\par" open no paragraph unless more text follows.
            if (pendingBlanks_.empty() || !(pendingBlanks_.back().format == f)) pendingBlanks_.push_back(Run{QString(), f});
            pendingBlanks_.back().text.append(QChar(ch));
            return;
        }
        runOf(f).append(QChar(ch));
    }

    void paragraphBreak() {
        openPendingParagraph();
        Paragraph& p = paragraphs_.back();
        p.align = st().align;
        p.mark = format();
        pendingBreak_ = true;
    }

    void openPendingParagraph() {
        if (!pendingBreak_) return;
        paragraphs_.emplace_back();
        paragraphs_.back().runs = std::move(pendingBlanks_);
        pendingBlanks_.clear();
        pendingBreak_ = false;
        runCurrent_ = false;
    }

    // The end of the document: a "\par" still pending was the final mark,
    // or opens the last, empty paragraph.
    void finish() {
        done_ = true;
        if (pendingBreak_) {
            if (finalPar_ == FinalPar::EndsLast) return;
            openPendingParagraph();
            lastTextAlign_ = st().align;  // of blanks that followed the mark
        }
        Paragraph& p = paragraphs_.back();
        if (!p.runs.empty()) {
            p.align = lastTextAlign_;
            p.mark = p.runs.back().format;
        } else if (!stack_.empty()) {
            p.align = st().align;
            p.mark = format();
        } else {
            p.mark = defaults_;
        }
    }

    const CharFormat defaults_;
    std::vector<TokenError>* errors_;
    const FinalPar finalPar_;

    std::vector<GroupState> stack_;
    int depth_ = 0;
    bool done_ = false;
    std::uint32_t skip_ = 0;  // fallback characters still to skip after \uN

    std::map<int, FontEntry> fonts_;
    int deff_ = 0;
    int ansiCharset_;
    std::optional<int> fontEntry_;
    int fontEntryDepth_ = 0;
    QString fontName_;
    int fontCharset_ = -1;

    std::vector<std::uint32_t> colors_;
    std::uint32_t rgb_ = 0;

    CharFormat format_;
    bool dirty_ = true;
    bool runCurrent_ = false;  // the last run of the last paragraph is in format_
    ByteDecoder decoder_;

    std::vector<Paragraph> paragraphs_{Paragraph{}};
    bool pendingBreak_ = false;  // a "\par" was read; its paragraph opens with the next text
    std::vector<Run> pendingBlanks_;
    Align lastTextAlign_ = Align::Left;
};

}  // namespace

Document read(std::string_view rtf, const CharFormat& defaults, std::vector<TokenError>* errors, FinalPar finalPar) {
    DocumentBuilder builder(defaults, errors, finalPar);
    tokenize(rtf, builder);
    return builder.take();
}

bool looksLikeRtf(std::string_view text) {
    const size_t start = text.find_first_not_of(" \t\r\n");
    return start != std::string_view::npos && text.substr(start, 5) == "{\\rtf";
}

namespace {

class ParagraphMarks : public TokenListener {
public:
    std::size_t count = 0;
    void controlWord(std::string_view name, bool, std::int32_t) override {
        if (lookup(name).word == Word::Par) ++count;
    }
    void groupOpen() override {}
    void groupClose() override {}
    void controlSymbol(char) override {}
    void hexByte(unsigned char) override {}
    void text(std::string_view) override {}
    void binary(std::string_view) override {}
    void error(TokenError, std::size_t) override {}
};

}  // namespace

std::size_t ParagraphCount(std::string_view text) {
    if (looksLikeRtf(text)) {
        ParagraphMarks marks;
        tokenize(text, marks);
        return marks.count + 1;
    }
    std::size_t count = 1;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        if (text[i] == '\r' || text[i] == '\n') ++count;
    }
    return count;
}

Document plainTextModel(const QString& text, const CharFormat& format) {
    Document d;
    QString line;
    auto endLine = [&] {
        Paragraph& p = d.paragraphs.back();
        p.mark = format;
        if (!line.isEmpty()) p.runs.push_back(Run{line, format});
        line.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n' || c == QChar::ParagraphSeparator || c == QChar::LineSeparator) {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            endLine();
            d.paragraphs.emplace_back();
        } else {
            line.append(c);
        }
    }
    endLine();
    return d;
}

}  // namespace rtf

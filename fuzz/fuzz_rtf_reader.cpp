// Feeds arbitrary bytes to the RTF reader. Besides never crashing, hanging or
// growing without bound, the reader and writer must agree: what the writer
// makes of a read document reads back to the same RTF, directly and through
// a QTextDocument. Read as the Windows control shows it, a final "\par" adds
// one paragraph at the most, holding blanks at the most.
#include <QGuiApplication>
#include <QTextDocument>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "rtf/document.h"
#include "rtf/reader.h"
#include "rtf/writer.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);  // fonts for the text document
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    rtf::CharFormat defaults;
    defaults.face = QStringLiteral("Arial");
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    const rtf::Document doc = rtf::read(input, defaults);
    if (doc.paragraphs.empty()) std::abort();
    const rtf::Document opened = rtf::read(input, defaults, nullptr, rtf::FinalPar::OpensEmpty);
    const size_t n = doc.paragraphs.size();
    if (opened.paragraphs.size() < n || opened.paragraphs.size() > n + 1 ||
        !std::equal(doc.paragraphs.begin(), doc.paragraphs.end(), opened.paragraphs.begin()))
        std::abort();
    if (opened.paragraphs.size() > n) {
        for (const rtf::Run& r : opened.paragraphs.back().runs)
            if (r.text.count(u' ') != r.text.size()) std::abort();
    }
    const std::string once = rtf::write(doc);
    if (rtf::write(rtf::read(once, defaults)) != once) std::abort();

    QTextDocument text;
    rtf::setContent(text, doc);
    if (rtf::write(text) != once) std::abort();
    return 0;
}

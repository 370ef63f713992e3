// The sets put Arabic, Hebrew, Cyrillic, Greek and kana into faces that a
// Linux machine does not have under those names ("Arial", "Times New Roman",
// "SimSun"). The installed fonts must still show every symbol, through the
// stand-in faces and Qt's font fallback, as a cell box shows it.
#include <gtest/gtest.h>

#include <QGlyphRun>
#include <QTextBlock>
#include <QTextLayout>

#include "assign/cells.h"
#include "assign/preset_symbol.h"
#include "assign/preset_tables.h"
#include "files/ansi.h"
#include "platform/richtextbox.h"

using namespace assign;

TEST(PresetFonts, EverySymbolOfEverySetHasAGlyphInTheSetsFace) {
    const char* names[] = {"Arab", "Arab ANSI", "Russ. ANSI", "Hebrew ANSI", "Hiragana", "Cyrillic", "Greek"};
    platform::RichTextBox box;
    box.resize(300, 60);
    for (PresetId id : kAllPresets) {
        const PresetRecord& p = Preset(id);
        const char* name = names[static_cast<int>(id)];
        box.SetFontName(p.face);
        for (int code = 64; code <= 255; ++code) {
            const std::string& cell = p.Cell(code);
            if (cell.empty()) continue;
            box.SetTextRTF(CellDocument(cell, p.face, p.charset, p.size));
            const QChar expected = PresetSymbol(cell, p.charset).at(0);
            ASSERT_EQ(box.TextW(), QString(expected)) << name << " " << code;

            // Shaped in the font the box's document gives the symbol.
            const QTextBlock block = box.document()->firstBlock();
            QTextLayout layout(block.text(), block.begin().fragment().charFormat().font());
            layout.beginLayout();
            layout.createLine();
            layout.endLayout();
            const QList<QGlyphRun> runs = layout.glyphRuns();
            int glyphs = 0;
            for (const QGlyphRun& run : runs) {
                for (quint32 glyph : run.glyphIndexes()) {
                    ++glyphs;
                    EXPECT_NE(glyph, 0u) << name << " " << code << " U+" << std::hex << static_cast<int>(expected.unicode())
                                         << " in " << run.rawFont().familyName().toStdString();
                }
            }
            EXPECT_GE(glyphs, 1) << name << " " << code;
        }
    }
}

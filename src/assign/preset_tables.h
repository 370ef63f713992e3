#pragma once
// The seven built-in symbol sets of the first assignment window: for each,
// the cell strings of codes 64..255, the symbol font and LOCK UNI.
#include <array>
#include <string>

namespace assign {

enum class PresetId { Arab, ArabAnsi, RussAnsi, Hebrew, Hiragana, Cyrillic, Greek };

inline constexpr std::array<PresetId, 7> kAllPresets{PresetId::Arab,     PresetId::ArabAnsi, PresetId::RussAnsi,
                                                      PresetId::Hebrew,   PresetId::Hiragana, PresetId::Cyrillic,
                                                      PresetId::Greek};

// One line per code 64..255 in the assignment file.
inline constexpr int kPresetCellLines = 192;

struct PresetRecord {
    // cells[code - 64]; "" where the set assigns nothing, always for the
    // codes 92, 123 and 125, which have no cell. An assigned cell is "\uN?"
    // or "\'hh" (a byte of the character set, lower-case hexadecimal).
    std::array<std::string, kPresetCellLines> cells;
    std::string face;
    int charset = 0;
    int size = 0;
    bool lockUni = false;

    const std::string& Cell(int code) const { return cells.at(static_cast<size_t>(code - 64)); }
};

const PresetRecord& Preset(PresetId id);

}  // namespace assign

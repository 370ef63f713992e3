#pragma once
// The "#" pass of the forward conversion: every stretch of code text quoted
// between two "#" marks becomes the RTF of its characters' cells.
//
// Stored texts rely on its quirks: the pairs are found on the unchanged code
// text, and each pair replaces every "#" & segment & "#" of the working text,
// so an identical group elsewhere (or one formed across two pairs) is replaced
// in the same step.
#include <array>
#include <string>
#include <string_view>

#include "convert/work_bound.h"

namespace convert {

using CellTable = std::array<std::string, 256>;

// Converts segments through one symbol table: the eleven steps in their order,
// each replacing one character code in the whole segment.
class SegmentConverter {
public:
    explicit SegmentConverter(const CellTable& cells);

    // A segment into `out`, with `scratch` as working space (both reused).
    void ConvertInto(std::string_view segment, std::string& out, std::string& scratch) const;

    // Whether the converter was built from this table.
    bool BuiltFrom(const CellTable& cells) const { return cells_ == cells; }

private:
    CellTable cells_;
    // One character taken through the steps before and after the hex letters.
    std::array<std::string, 256> before_;
    std::array<std::string, 256> after_;
    bool hexStepsAtOnce_;
};

// The hex-letter step for one letter of "a".."f": the letter stays where it is
// a hex digit of a byte escape (right after "\'", or after "\'" and one
// character), so "\'e4" and "\'aa" keep their letters; elsewhere it becomes
// `cell`.
std::string HexLetterStep(std::string_view text, char letter, std::string_view cell);

// A cell whose coding holds "#" groups can make each pair's replacement grow
// the text again; a replacement that would take the text, with the lists that
// describe it while the pass works, past `bound` throws RunawayExpansion
// (Runaway::Cells).
std::string SymbolPass(std::string_view text, const SegmentConverter& converter, const WorkBound& bound = {});
std::string SymbolPass(std::string_view text, const CellTable& cells);

}  // namespace convert

#pragma once
// The "#" pass of the forward conversion: every stretch of code text quoted
// between two "#" marks becomes the RTF of its characters' cells.
//
// Stored texts rely on its quirks: the pairs are found on the unchanged code
// text, and each pair replaces every "#" & segment & "#" of the working text,
// so an identical group elsewhere (or one formed across two pairs) is replaced
// in the same step.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "convert/work_bound.h"

namespace convert {

using CellTable = std::array<std::string, 256>;

// Steps that each replace one character code by its cell in the whole text.
// A step acts on every character alike, so what a character becomes is its
// code's expansion: the cell of the first step that replaces it, each
// character of the cell taken through the steps after that one. Expansions
// are kept as such references, which cost what the cells cost however long
// the expansions are, with their lengths; only short ones are kept spelt out.
class StepChain {
public:
    StepChain(const std::vector<int>& codes, const CellTable& cells, size_t spelt);

    // The length of what `text` becomes; SIZE_MAX when it would be more.
    size_t LengthOf(std::string_view text) const;
    // What `text` becomes, into `out`; `length` is its LengthOf.
    void MapInto(std::string_view text, size_t length, std::string& out) const;

private:
    // Bytes of pool_ (step < 0) or a step's expansion.
    struct Part {
        int step = -1;
        std::uint32_t at = 0, length = 0;
    };
    struct Step {
        size_t length = 0;
        std::uint32_t firstPart = 0, partCount = 0;
    };
    void appendPart(std::uint32_t first, const Part& part);
    char* expand(int step, char* at) const;

    std::vector<Step> steps_;
    std::vector<Part> parts_;
    std::string pool_;
    std::array<Part, 256> code_;  // what each code becomes
    std::array<size_t, 256> length_;
};

// Converts segments through one symbol table: the eleven steps in their order,
// each replacing one character code in the whole segment. Building it costs
// what the table costs, whatever the cells expand to.
class SegmentConverter {
public:
    // Expansions up to `spelt` bytes are kept spelt out (tests make it small).
    explicit SegmentConverter(const CellTable& cells, size_t spelt = 1024);

    // A segment into `out`, with `scratch` as working space (both reused). A
    // result longer than `limit`, or a text between the steps longer than
    // `stepLimit`, throws RunawayExpansion (Runaway::Cells) before it is built.
    void ConvertInto(std::string_view segment, std::string& out, std::string& scratch, size_t limit = SIZE_MAX,
                     size_t stepLimit = SIZE_MAX) const;

    // Whether the converter was built from this table.
    bool BuiltFrom(const CellTable& cells) const { return cells_ == cells; }

private:
    CellTable cells_;
    // The steps before and after the hex letters.
    StepChain before_, after_;
    bool hexStepsAtOnce_;
};

// The hex-letter step for one letter of "a".."f": the letter stays where it is
// a hex digit of a byte escape (right after "\'", or after "\'" and one
// character), so "\'e4" and "\'aa" keep their letters; elsewhere it becomes
// `cell`. A result longer than `limit` throws RunawayExpansion (Runaway::Cells)
// as it grows past it.
std::string HexLetterStep(std::string_view text, char letter, std::string_view cell, size_t limit = SIZE_MAX);

// A cell whose coding holds "#" groups can make each pair's replacement grow
// the text again; a replacement that would take the text, with the lists that
// describe it while the pass works, past `bound` throws RunawayExpansion
// (Runaway::Cells).
std::string SymbolPass(std::string_view text, const SegmentConverter& converter, const WorkBound& bound = {});
std::string SymbolPass(std::string_view text, const CellTable& cells);

}  // namespace convert

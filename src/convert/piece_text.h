#pragma once
// A text kept as a chain of pieces of other strings, for many replacements
// in a long text: a replacement costs what it puts in, not the length of the
// text. The pieces show bytes where they are: the strings they come from must
// stay unchanged while the text is in use.
//
// A character's place, once taken, can be looked up again after any number
// of replacements elsewhere: a piece that is cut keeps its head and leads to
// the piece that took its tail, and a piece taken out of the text is kept,
// marked, so that a place in it is known to have left the text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace convert {

class PieceText {
    struct Piece {
        const char* data;
        std::uint32_t length;
        std::int32_t prev;  // -1: taken out of the text
        std::int32_t next;
        std::int32_t tail;  // the piece that took this one's tail when it was cut, or -1
    };

public:
    // A character: its piece and where in the piece. Piece 0 is the end of
    // the text, and stepping back from it the last character.
    struct Place {
        std::int32_t piece = 0;
        std::uint32_t offset = 0;
        friend auto operator<=>(Place, Place) = default;
    };

    // Pieces are at most this long when made, so that a place is found again
    // within as many steps.
    static constexpr std::uint32_t kPieceLength = 32;

    void Reset(std::string_view text);

    size_t Size() const { return size_; }
    // The memory the pieces take, and what each further piece takes.
    size_t Bookkeeping() const { return pieces_.size() * kPieceBytes; }
    static constexpr size_t kPieceBytes = sizeof(Piece);

    // Where a character whose place was taken earlier stands now; piece 0
    // when it has left the text. A character of the text Reset was given is
    // found at once, one put in later within as many steps as its piece was
    // cut before it.
    Place Resolve(Place taken) const;
    // The same for the character at `pos` of the text Reset was given.
    Place FirstPlace(size_t pos) const;
    char At(Place place) const { return pieces_[index(place.piece)].data[place.offset]; }
    // One character on (piece 0 after the last), or back (false at the first).
    void Next(Place& place) const;
    bool Prev(Place& place) const;
    bool StartsWith(Place place, std::string_view s) const;

    // Where a stretch of bytes lies: from a place on, within its piece.
    struct Span {
        Place at;
        size_t length;
    };
    // Up to `before` bytes before `at` and up to `after` from it on, into
    // `bytes`, and where they lie into `spans`; returns how many lie before.
    size_t Around(Place at, size_t before, size_t after, std::string& bytes, std::vector<Span>& spans) const;
    // The place of byte `k` of what Around gave.
    static Place PlaceIn(const std::vector<Span>& spans, size_t k);

    // Replaces the `length` characters from the current place `at` by
    // `with`, whose bytes must stay where they are too. Returns the place of
    // the first character put in, or when `with` is empty of the one after it.
    Place Replace(Place at, size_t length, std::string_view with);

    void AppendTo(std::string& out) const;

private:
    static size_t index(std::int32_t piece) { return static_cast<size_t>(piece); }
    size_t inFirst(const Piece& piece) const;
    std::int32_t add(const char* data, size_t length, std::int32_t after);
    // Cuts `piece` before its character `at` (0 < at < length); returns the tail.
    std::int32_t cut(std::int32_t piece, std::uint32_t at);

    std::vector<Piece> pieces_;  // pieces_[0] leads to the first and from the last
    size_t size_ = 0;
    // The text Reset was given, and for each of its bytes the piece that
    // holds it now (or held it when it left the text): its places are found
    // again at once.
    std::string_view first_;
    std::vector<std::int32_t> pieceOf_;
};

}  // namespace convert

#include "convert/piece_text.h"

#include <algorithm>

namespace convert {

void PieceText::Reset(std::string_view text) {
    pieces_.clear();
    pieces_.push_back({nullptr, 0, 0, 0, -1});
    pieceOf_.resize(text.size());
    std::int32_t last = 0;
    for (size_t at = 0; at < text.size(); at += kPieceLength) {
        const size_t length = std::min<size_t>(kPieceLength, text.size() - at);
        last = add(text.data() + at, length, last);
        std::fill_n(pieceOf_.begin() + static_cast<std::ptrdiff_t>(at), length, last);
    }
    size_ = text.size();
    first_ = text;
}

// Where the piece's bytes stand in the text Reset was given, or npos.
size_t PieceText::inFirst(const Piece& piece) const {
    const auto at = reinterpret_cast<std::uintptr_t>(piece.data);
    const auto begin = reinterpret_cast<std::uintptr_t>(first_.data());
    return at >= begin && at - begin < first_.size() ? at - begin : std::string_view::npos;
}

// Linked in after `after`.
std::int32_t PieceText::add(const char* data, size_t length, std::int32_t after) {
    const auto piece = static_cast<std::int32_t>(pieces_.size());
    const std::int32_t next = pieces_[index(after)].next;
    pieces_.push_back({data, static_cast<std::uint32_t>(length), after, next, -1});
    pieces_[index(after)].next = piece;
    pieces_[index(next)].prev = piece;
    return piece;
}

std::int32_t PieceText::cut(std::int32_t piece, std::uint32_t at) {
    const Piece whole = pieces_[index(piece)];
    const std::int32_t tail = add(whole.data + at, whole.length - at, piece);
    const size_t from = inFirst(whole);
    if (from != std::string_view::npos)
        std::fill_n(pieceOf_.begin() + static_cast<std::ptrdiff_t>(from + at), whole.length - at, tail);
    pieces_[index(tail)].tail = whole.tail;
    pieces_[index(piece)].length = at;
    pieces_[index(piece)].tail = tail;
    return tail;
}

PieceText::Place PieceText::Resolve(Place taken) const {
    const size_t from = inFirst(pieces_[index(taken.piece)]);
    if (from != std::string_view::npos) return FirstPlace(from + taken.offset);
    std::int32_t piece = taken.piece;
    std::uint32_t offset = taken.offset;
    while (offset >= pieces_[index(piece)].length) {
        offset -= pieces_[index(piece)].length;
        piece = pieces_[index(piece)].tail;
        if (piece < 0) return {};
    }
    if (pieces_[index(piece)].prev < 0) return {};
    return {piece, offset};
}

PieceText::Place PieceText::FirstPlace(size_t pos) const {
    const std::int32_t now = pieceOf_[pos];
    if (pieces_[index(now)].prev < 0) return {};
    return {now, static_cast<std::uint32_t>(pos - inFirst(pieces_[index(now)]))};
}

void PieceText::Next(Place& place) const {
    if (++place.offset < pieces_[index(place.piece)].length) return;
    place = {pieces_[index(place.piece)].next, 0};
}

bool PieceText::Prev(Place& place) const {
    if (place.offset > 0) {
        --place.offset;
        return true;
    }
    const std::int32_t before = pieces_[index(place.piece)].prev;
    if (before == 0) return false;
    place = {before, pieces_[index(before)].length - 1};
    return true;
}

bool PieceText::StartsWith(Place place, std::string_view s) const {
    for (char c : s) {
        if (place.piece == 0 || At(place) != c) return false;
        Next(place);
    }
    return true;
}

size_t PieceText::Around(Place at, size_t before, size_t after, std::string& bytes, std::vector<Span>& spans) const {
    spans.clear();
    size_t got = 0;
    for (std::int32_t p = at.piece, end = static_cast<std::int32_t>(at.offset);;) {
        const size_t take = std::min(static_cast<size_t>(end), before - got);
        if (take > 0) spans.push_back({{p, static_cast<std::uint32_t>(static_cast<size_t>(end) - take)}, take});
        got += take;
        p = pieces_[index(p)].prev;
        if (got == before || p == 0) break;
        end = static_cast<std::int32_t>(pieces_[index(p)].length);
    }
    std::reverse(spans.begin(), spans.end());
    size_t ahead = 0;
    for (Place p = at; ahead < after && p.piece != 0; p = {pieces_[index(p.piece)].next, 0}) {
        const size_t take = std::min<size_t>(pieces_[index(p.piece)].length - p.offset, after - ahead);
        spans.push_back({p, take});
        ahead += take;
    }
    bytes.clear();
    for (const Span& span : spans) bytes.append(pieces_[index(span.at.piece)].data + span.at.offset, span.length);
    return got;
}

PieceText::Place PieceText::PlaceIn(const std::vector<Span>& spans, size_t k) {
    for (const Span& span : spans) {
        if (k < span.length) return {span.at.piece, span.at.offset + static_cast<std::uint32_t>(k)};
        k -= span.length;
    }
    return {};
}

PieceText::Place PieceText::Replace(Place at, size_t length, std::string_view with) {
    const std::int32_t first = at.offset > 0 ? cut(at.piece, at.offset) : at.piece;
    const std::int32_t before = pieces_[index(first)].prev;
    std::int32_t last = first;
    size_t rest = length;
    for (; rest > pieces_[index(last)].length; last = pieces_[index(last)].next) rest -= pieces_[index(last)].length;
    if (rest < pieces_[index(last)].length) cut(last, static_cast<std::uint32_t>(rest));
    const std::int32_t after = pieces_[index(last)].next;
    // Out of the text; the pieces stay for the places that were taken in them.
    for (std::int32_t p = first;; p = pieces_[index(p)].next) {
        pieces_[index(p)].prev = -1;
        if (p == last) break;
    }
    pieces_[index(before)].next = after;
    pieces_[index(after)].prev = before;
    std::int32_t put = before;
    for (size_t k = 0; k < with.size(); k += kPieceLength)
        put = add(with.data() + k, std::min<size_t>(kPieceLength, with.size() - k), put);
    size_ = size_ - length + with.size();
    return {pieces_[index(before)].next, 0};
}

void PieceText::AppendTo(std::string& out) const {
    out.reserve(out.size() + size_);
    for (std::int32_t p = pieces_[0].next; p != 0; p = pieces_[index(p)].next)
        out.append(pieces_[index(p)].data, pieces_[index(p)].length);
}

}  // namespace convert

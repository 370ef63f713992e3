#include "app/helpdoc.h"

namespace app {
namespace {

// Colour table indexes: 1 red (emphasis), 2 navy (body), 4 green (headings).
const char kEnvelope[] =
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss\\fprq2\\fcharset0 Verdana;}{\\f1\\fswiss\\fcharset0 Verdana;}}"
    "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue128;\\red0\\green0\\blue0;\\red0\\green128\\blue0;}"
    "{\\*\\generator Msftedit 5.41.15.1507;}\\viewkind4\\uc1\\pard\\cf1\\lang1031\\f0\\fs20 ";

std::string red(const std::string& words) { return "\\cf1 " + words + "\\cf2 "; }

std::string section(const std::string& heading, const std::string& body) {
    return "\\par\\par\\cf4 " + heading + "\\cf2 : " + body;
}

}  // namespace

std::string HelpDocument() {
    std::string doc = kEnvelope;
    doc += std::string(48, '-') + "\\par";

    doc += "\\cf4 GETTING STARTED\\cf2 : Runemill makes it easy to write symbolic texts with an ordinary "
           "keyboard. There are just two things to know.";

    doc += section(
        "(1) ##",
        "The symbol mode. Any Unicode character, or any symbol of any installed font, can be assigned to each "
        "ANSI character from " + red("@") + " (64) to " + red("\\'ff") + " (255), except " + red("\\\\") + ", " +
        red("\\{") + " and " + red("\\}") +
        ". To write the symbols, type their ANSI counterparts in the upper window and quote them in ##, for "
        "example " + red("#abcd#") +
        ". The lower window shows the assigned symbols (Greek letters, say) without the # marks, and you can "
        "turn them back into the code of the upper window at any time. Characters outside the quotes appear "
        "unchanged. The button " + red("Assign characters") +
        " leads you to further instructions and to the assignment template. Presets (Cyrillic, Greek, Arabic, "
        "Hebrew, Japanese) fill the whole table at once, and custom sets keep tables of your own. Choose a font "
        "that holds your symbols, or install your system's support for Asian languages.");

    doc += section(
        "(2) **",
        "The abbreviation mode. Any sequence of characters can stand for any sequence of symbols: an "
        "abbreviation for its meaning. " + red("Abb list") + " opens the list, whose entries are simple lines "
        "of the form " + red("ABB=MEANING") + "; you can also load a prepared list database. Typing " +
        red("*ABB*") + " in the upper window gives the meaning in the lower window. For example, with the "
        "entry " + red("ty=Truly yours") + ", typing " + red("*ty* sincerely") + " or " +
        red("*ty sincerely*") + " gives " + red("Truly yours sincerely") +
        ". When you reconvert the lower window, the meanings of your list come back into the upper window as "
        "abbreviations quoted in **. Both modes can be combined in one text, and personal lists can serve as "
        "two-way dictionaries. List databases, such as one of Chinese character definitions (translations) "
        "as abbreviations, are loaded and changed like any other list.");

    doc += section("IN ADDITION",
                   "The other functions are easy to learn: try the buttons and follow what the message boxes "
                   "tell you.");
    doc += "}";
    return doc;
}

}  // namespace app

#pragma once
// The one shape in which the rich-text control writes its RTF, which the
// program cuts at fixed places:
//
//   {\rtf1\ansi\ansicpg1252\deff0{\fonttbl{\f0\fnil\fcharset0 Arial;}}CR LF
//   \uc1\pard[\qr][\b][\i][\ul][\cfN]\fN\fsM text\par CR LF
//   ...
//   }CR LF
//
// Fonts are numbered from 0 in the order of first use, one entry per face and
// character set; a colour table follows only when a colour other than black
// is used. The first run's format ends with its font and size, so the first
// size word stands right before the text; later runs and paragraphs write only
// what changes. A blank follows a control word only where plain text comes
// next. "\", "{" and "}" are written "\'5c", "\'7b", "\'7d"; a character that
// the run's character set holds as one byte is written "\'hh", any other
// "\uN?" per UTF-16 unit. Every paragraph ends in "\par" CR LF, and lines are
// never wrapped.
//
// Plain constants only: the code that cuts the control's RTF includes this
// without the writer or any toolkit header.
#include <string_view>

namespace rtf {

// The last ten characters of every TextRTF of the control: the final "\par",
// the closing brace and the NUL the Windows control's property carries.
// Whoever cuts the body out of a TextRTF drops exactly these.
inline constexpr std::string_view kTextRtfTail{"\\par\r\n}\r\n\0", 10};

}  // namespace rtf

#pragma once

namespace orvo {

// The character set of the 8-bit text the reader produces and the writer declares.
enum class XmlEncoding { Utf8, ShiftJis, SingleByte /* ISO-8859-1 */ };

// The component's switches. They are handed to each reader and writer rather than kept
// process-wide, so that two documents never see each other's choice.
struct XmlSettings {
    XmlEncoding encoding = XmlEncoding::Utf8;
    bool guessUtf16 = true;   // the loader checks whether a file is 16-bit text
    bool formatOutput = true; // the writer may indent; a caller can still ask for one line
};

} // namespace orvo

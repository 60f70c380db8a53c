#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orv {

// The byte-level half of the frame parser: finding the newest complete frame in the received
// text, checking it, and cutting its three fields. Frames are 8-bit text; positions in the
// comments are 1-based like the sensor's documentation.

// Received text is kept up to this many bytes, newest first, so endless line noise without a
// frame in it cannot grow memory. A frame is at most 40 bytes, so this never loses the newest.
inline constexpr std::size_t kRxBufferLimit = 4096;

// `RxBuffer`: text received but not consumed yet.
class ReceiveBuffer {
public:
    // Appends `chunk`, then cuts out the newest complete frame: from the last "@T" in front of
    // the end mark up to and including the end mark's CR. The end mark is the last CR LF pair,
    // or the last CR when there is no pair or no "@T" in front of the pair. Everything up to the
    // CR is consumed, older frames included; the text after it stays. Returns false (the text
    // stays) when there is no CR with an "@T" in front of it.
    [[nodiscard]] bool takeNewestFrame(std::string_view chunk, std::string& frame);

    [[nodiscard]] const std::string& text() const { return text_; }
    void clear() { text_.clear(); }

private:
    std::string text_;
};

// Frames of 22 bytes and of more than 40 are refused; up to 21 are short, 23..40 long.
[[nodiscard]] bool frameLengthAccepted(std::size_t length);

// Whether the two characters in front of the CR are the frame's checksum as hex digits (either
// case). Short frames sum from the "T", long frames from the "@". Characters that are not two
// hex digits never match: such a frame is damaged whatever its sum.
[[nodiscard]] bool frameChecksumMatches(std::string_view frame);

struct FrameFields {
    std::string temperature; // field 1
    std::string humidity;    // field 2
    std::string serial;      // field 3, empty in the H layout
};

// Cuts the three field texts out of a frame. With "H;" at position 7 or later it is the H
// layout (temperature 6 characters from "T;"+2, humidity 5 from "H;"+2, 3 each for an error
// code "A.."); otherwise the F layout (temperature 7 from "T;"+2, humidity 6 from "F;"+2 with
// "F;" searched from position 14, serial number 8 from position 29). A marker that is missing
// counts as position 0; cuts running past the end are shorter or empty.
void cutFrameFields(std::string_view frame, FrameFields& fields);

} // namespace orv

#include "support/SegmentList.h"

#include <cstdio>

namespace tessoran_test {

std::vector<TaggedText> segmentsOf(const ostrel2::tessoran::DecodeResult& result) {
    std::vector<TaggedText> segments;
    for (const ostrel2::tessoran::Segment& segment : result.segments) {
        segments.push_back({segment.tag, segment.text});
    }
    return segments;
}

std::ostream& operator<<(std::ostream& out, const TaggedText& segment) {
    out << segment.tag << '"';
    for (const char character : segment.text) {
        const auto byte = static_cast<unsigned char>(character);
        if (byte >= 0x20 && byte < 0x7F && byte != '\\' && byte != '"') {
            out << character;
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out << escaped;
        }
    }
    return out << '"';
}

}  // namespace tessoran_test

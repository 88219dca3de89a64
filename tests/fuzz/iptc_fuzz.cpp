// Reads arbitrary bytes as the payload of an APP13 segment, writes the held
// datasets back and reads them again. Beyond surviving any input, a payload
// once written must come back unchanged from a second read and write: a
// keyword save repeated on the same file changes nothing more. The texts of
// the datasets read go to and from UTF-8 by the character set the payload
// declares without a loss. A block made to declare UTF-8 says so once
// written, and comes back unchanged too.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "metadata/img_data.h"
#include "metadata/iptc.h"
#include "platform/core/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    metadata::TimgData owner;
    metadata::TIPTCdata iptc(owner);
    iptc.ParseSegment(std::string_view(reinterpret_cast<const char*>(data), size));
    // A window gets UTF-8 text, and the data it shows come back from it.
    for (int i = 0; i < iptc.GetCount(); ++i) {
        const std::string& held = iptc.GetEntry(i).display;
        const std::string text = iptc.TextOf(held);
        if (!platform::IsValidUtf8(text)) std::abort();
        const bool shown_as_read = !iptc.DeclaresUtf8() || platform::IsValidUtf8(held);
        if (shown_as_read && iptc.DataOf(text) != held) std::abort();
    }
    const std::string written = iptc.BuildSegment();
    iptc.ParseSegment(written);
    if (iptc.BuildSegment() != written) std::abort();
    iptc.DeclareUtf8();
    const std::string utf8 = iptc.BuildSegment();
    iptc.ParseSegment(utf8);
    if (!iptc.DeclaresUtf8() || iptc.BuildSegment() != utf8) std::abort();
    return 0;
}

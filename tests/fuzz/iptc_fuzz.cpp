// Reads arbitrary bytes as the payload of an APP13 segment, writes the held
// datasets back and reads them again. Beyond surviving any input, a payload
// once written must come back unchanged from a second read and write: a
// keyword save repeated on the same file changes nothing more.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "metadata/img_data.h"
#include "metadata/iptc.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    metadata::TimgData owner;
    metadata::TIPTCdata iptc(owner);
    iptc.ParseSegment(std::string_view(reinterpret_cast<const char*>(data), size));
    const std::string written = iptc.BuildSegment();
    iptc.ParseSegment(written);
    if (iptc.BuildSegment() != written) std::abort();
    return 0;
}

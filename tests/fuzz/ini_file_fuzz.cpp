// Reads arbitrary bytes as a settings file. Beyond surviving any input: the
// content written back reads back the same, a value written on one line reads
// back as written, and an erased section is gone.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/settings/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    platform::IniFile ini("fuzz.ini", text);
    const std::string written = ini.Text();
    if (platform::IniFile("fuzz.ini", written).Text() != written) std::abort();

    const std::string_view value = text.substr(0, 64);
    ini.WriteString("FormOptions", "EditDossier", value);
    const platform::IniFile again("fuzz.ini", ini.Text());
    if (value.find_first_of("\r\n") == std::string_view::npos &&
        again.ReadString("formoptions", "EDITDOSSIER", "") != value) {
        std::abort();
    }
    (void)again.ReadInteger("FormOptions", "EditDossier", 0);

    ini.EraseSection("FormOptions");
    if (ini.SectionExists("FormOptions")) std::abort();
    return 0;
}

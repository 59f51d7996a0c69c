// Zip archives from outside (resource archives of plug-in bundles): any bytes must list and read
// without crashing, reading past an entry or reporting a short read as success.
#include "korvane/fm/path.h"
#include "korvane/fm/zip_reader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

using namespace kvKorvaneV10_0_3;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path =
        (std::filesystem::temp_directory_path() / "korvane_zip_fuzz_input.zip").string();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const FM::KCStPath archive(path.c_str());
    FM::KCStZipFileIterator entries(archive);
    const FM::KCStFileReadFromZip reader(archive);
    if (!entries.IsValid() || !reader.IsValid()) {
        return 0;
    }
    KCFixedString<255> name;
    for (int i = 0; i < 64 && entries.GetNextItemFromZip(name); ++i) {
        unsigned int compressed = 0;
        unsigned int uncompressed = 0;
        const bool sized = reader.GetEntrySize(name, compressed, uncompressed) == eNoErr;
        std::string text;
        if (sized && uncompressed <= (1U << 20) && reader.ReadToStdString(name, text) == eNoErr &&
            text.size() != uncompressed) {
            std::abort();  // success must mean the whole entry
        }
    }
    return 0;
}

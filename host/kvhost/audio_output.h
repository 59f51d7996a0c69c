// kvhost's audio output: the file format from the name, and the file written under a temporary
// name that only a finished write renames into place.
#pragma once

#include "host/kvhost/kvhost.h"

#include <sndfile.h>

#include <filesystem>
#include <optional>

namespace KorvaneHost::kvhost {

// The libsndfile format for the output's extension (wav, flac, aiff/aif, ogg); nothing for any
// other.
std::optional<int> OutputFormat(const std::filesystem::path& out);

// The output file under its temporary name in the target's folder; removed unless committed.
class PendingOutput {
public:
    PendingOutput() = default;
    ~PendingOutput() { Abandon(); }
    PendingOutput(const PendingOutput&) = delete;
    PendingOutput& operator=(const PendingOutput&) = delete;

    Status Create(const std::filesystem::path& target, int format, int channels, int rate);
    Status Write(const float* interleaved, sf_count_t frames);
    // Closes the file and renames it to the target.
    Status Commit();
    void Abandon();

private:
    std::filesystem::path m_target;
    std::filesystem::path m_temp;
    SNDFILE* m_file = nullptr;
};

}  // namespace KorvaneHost::kvhost

// kvhost's audio output.
#include "host/kvhost/audio_output.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <system_error>

namespace KorvaneHost::kvhost {

namespace fs = std::filesystem;

std::optional<int> OutputFormat(const fs::path& out) {
    std::string ext = out.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == ".wav") {
        return SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    }
    if (ext == ".flac") {
        return SF_FORMAT_FLAC | SF_FORMAT_PCM_24;
    }
    if (ext == ".aiff" || ext == ".aif") {
        return SF_FORMAT_AIFF | SF_FORMAT_FLOAT;
    }
    if (ext == ".ogg") {
        return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    }
    return std::nullopt;
}

Status PendingOutput::Create(const fs::path& target, int format, int channels, int rate) {
    m_target = target;
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    m_temp = folder /
             ("." + target.filename().string() + ".kvhost-" + std::to_string(::getpid()) + ".tmp");
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    if (sf_format_check(&info) == 0) {
        return Error{target.string(), "this format cannot hold " + std::to_string(channels) +
                                          " channels at " + std::to_string(rate) + " Hz"};
    }
    m_file = sf_open(m_temp.c_str(), SFM_WRITE, &info);
    if (m_file == nullptr) {
        return Error{target.string(), std::string("cannot write: ") + sf_strerror(nullptr),
                     kExitFailure};
    }
    sf_command(m_file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    // A float file's peak chunk carries the time of writing, which would make two renders of
    // the same input differ; without it the output is reproducible byte for byte.
    sf_command(m_file, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
    return std::nullopt;
}

Status PendingOutput::Write(const float* interleaved, sf_count_t frames) {
    if (sf_writef_float(m_file, interleaved, frames) != frames) {
        return Error{m_target.string(), std::string("cannot write: ") + sf_strerror(m_file),
                     kExitFailure};
    }
    return std::nullopt;
}

Status PendingOutput::Commit() {
    const int closed = sf_close(m_file);
    m_file = nullptr;
    std::error_code ec;
    if (closed != 0) {
        fs::remove(m_temp, ec);
        return Error{m_target.string(), "cannot finish writing", kExitFailure};
    }
    fs::rename(m_temp, m_target, ec);
    if (ec) {
        fs::remove(m_temp, ec);
        return Error{m_target.string(), "cannot rename into place: " + ec.message(), kExitFailure};
    }
    m_temp.clear();
    return std::nullopt;
}

void PendingOutput::Abandon() {
    if (m_file != nullptr) {
        sf_close(m_file);
        m_file = nullptr;
    }
    if (!m_temp.empty()) {
        std::error_code ec;
        fs::remove(m_temp, ec);
        m_temp.clear();
    }
}

}  // namespace KorvaneHost::kvhost

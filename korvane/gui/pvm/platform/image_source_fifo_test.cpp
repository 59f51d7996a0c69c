// Image files from a folder meet a pipe: only the platform layer may make one.
#include "korvane/gui/pvm/image_source.h"

#include "korvane/gui/pvm/pvm_test_support.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::PluginViewManager {
namespace {

// A 1 x 1 opaque PNG.
std::vector<unsigned char> OnePixel() {
    const std::string png = testing::EncodePNG(1, 1, {10, 20, 30, 255});
    return {png.begin(), png.end()};
}

// A folder's images: a pipe named like an image is skipped without blocking, and missing names
// are remembered only up to a bound, so a file that appears later is found.
TEST(ImageSource, FolderSkipsPipesAndForgetsMissingNamesPastItsBound) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("korvane_images_" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::string fifo = (folder / "PNG_pipe.png").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    KCPNGImageSource images(folder.string());
    auto pending =
        std::async(std::launch::async, [&images] { return images.GetImage(0, "pipe") == nullptr; });
    if (pending.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
        ADD_FAILURE() << "opening a pipe blocked";
        // Let the blocked reader go: a writer that opens and closes gives it end of file.
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) {
            ::close(fd);
        }
    }
    EXPECT_TRUE(pending.get());

    EXPECT_EQ(images.GetImage(0, "late"), nullptr);
    for (std::size_t i = 0; i < KCPNGImageSource::kMaxMissing; ++i) {
        EXPECT_EQ(images.GetImage(static_cast<int>(1000 + i), ""), nullptr);
    }
    const auto png = OnePixel();
    std::ofstream(folder / "PNG_late.png", std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    EXPECT_NE(images.GetImage(0, "late"), nullptr) << "the missing name was forgotten";
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::PluginViewManager

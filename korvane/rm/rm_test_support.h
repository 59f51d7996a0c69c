// Helpers the resource tests share: a bundle built in a temporary folder, zip archives written
// with libzip, and a manager set up for the length of a test.
#pragma once

#include "korvane/fm/fm_test_support.h"
#include "korvane/rm/resource_manager.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <string>
#include <utility>
#include <vector>

namespace kvKorvaneV10_0_3::RM::testing {

using FM::testing::TempFolder;

// Writes an archive of (entry name, bytes); the buffers must outlive zip_close.
// `store` keeps the bytes uncompressed, so a test can find and damage them in the file.
inline void WriteZip(const std::string& path,
                     const std::vector<std::pair<std::string, std::string>>& entries,
                     bool store = false) {
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(archive, nullptr);
    for (const auto& [name, bytes] : entries) {
        zip_source_t* source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
        ASSERT_NE(source, nullptr);
        const zip_int64_t index = zip_file_add(archive, name.c_str(), source, 0);
        ASSERT_GE(index, 0);
        if (store) {
            ASSERT_EQ(zip_set_file_compression(archive, index, ZIP_CM_STORE, 0), 0);
        }
    }
    ASSERT_EQ(zip_close(archive), 0);
}

// The manager exists for the test and is disposed after it, whatever it left open.
class RMTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(Init(0x200, "KorvaneLib"), eNoErr); }
    void TearDown() override { EXPECT_EQ(Dispose(), eNoErr); }

    // "<tmp>/<name>.bundle" with its resources folder; returns the bundle path.
    std::string MakeBundle(const std::string& name = "Test") {
        const std::string bundle = name + ".bundle";
        tmp.Write(bundle + "/Contents/Resources/.keep", "");
        return tmp.Path(bundle);
    }
    std::string Res(const std::string& bundle, const std::string& relative) {
        return bundle + "/Contents/Resources/" + relative;
    }
    static void WriteFile(const std::string& path, const std::string& bytes) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }
    // The bytes of a key, or the error as text so failures read well.
    static std::string Read(KTResContainerType* container, const KCResKey& key) {
        Utils::KCStMemObj bytes;
        const KTErr err = GetRawResourceData(container, key, bytes);
        if (err != eNoErr) {
            return "error " + std::to_string(err);
        }
        return {static_cast<const char*>(bytes.ptr), bytes.size};
    }

    TempFolder tmp;
};

}  // namespace kvKorvaneV10_0_3::RM::testing

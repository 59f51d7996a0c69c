// Tests of zip reading from archives the test builds with libzip: lookups by full or leaf
// name, skipped folder entries, empty entries, and truncated, corrupt or missing
// archives, each with its own code and never a crash.
#include "korvane/fm/zip_reader.h"

#include "korvane/fm/fm_test_support.h"
#include "korvane/fm/path.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace kvKorvaneV10_0_3::FM {
namespace {

using testing::ReadAll;
using testing::TempFolder;

// Writes an archive with the given entries; a name ending in "/" becomes a folder entry.
void MakeArchive(const std::string& path,
                 const std::vector<std::pair<std::string, std::string>>& entries) {
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(archive, nullptr) << error;
    for (const auto& [name, bytes] : entries) {
        if (!name.empty() && name.back() == '/') {
            ASSERT_GE(zip_dir_add(archive, name.c_str(), 0), 0);
            continue;
        }
        zip_source_t* source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
        ASSERT_NE(source, nullptr);
        ASSERT_GE(zip_file_add(archive, name.c_str(), source, 0), 0);
    }
    ASSERT_EQ(zip_close(archive), 0);  // copies the buffers, which must live until here
}

TEST(Zip, ReadsEntriesByFullOrLeafNameAndListsOnlyFiles) {
    TempFolder tmp;
    const std::string big(5000, 'k');
    const std::string path = tmp.Path("skin.zip");
    MakeArchive(path, {{"images/", ""},
                       {"images/x.png", "PNGDATA"},
                       {"top.txt", big},
                       {"empty.txt", ""},
                       {"images/deeper/", ""}});
    const KCStPath archivePath(path.c_str());

    KCStFileReadFromZip zip(archivePath);
    ASSERT_TRUE(zip.IsValid()) << zip.ErrorName();
    std::string text;
    EXPECT_EQ(zip.ReadToStdString("x.png", text), eNoErr);  // the folder part is ignored
    EXPECT_EQ(text, "PNGDATA");
    text.clear();
    EXPECT_EQ(zip.ReadToStdString("images/x.png", text), eNoErr);
    EXPECT_EQ(text, "PNGDATA");
    Utils::KCStMemObj bytes;
    EXPECT_EQ(zip.ReadToKCStMemObj("top.txt", bytes), eNoErr);
    EXPECT_EQ(std::string(static_cast<char*>(bytes.ptr), bytes.size), big);
    unsigned int compressed = 0;
    unsigned int uncompressed = 0;
    EXPECT_EQ(zip.GetEntrySize("top.txt", compressed, uncompressed), eNoErr);
    EXPECT_EQ(uncompressed, 5000U);
    EXPECT_LT(compressed, uncompressed);
    EXPECT_EQ(zip.ReadToStdString("empty.txt", text), eNoErr);
    EXPECT_EQ(text, "");
    EXPECT_EQ(zip.ReadToStdString("nothere", text), eFMReadFailed);
    EXPECT_EQ(zip.ReadToStdString("", text), eFMReadFailed);
    EXPECT_EQ(zip.GetEntrySize("nothere", compressed, uncompressed), eFMFileNotFound);

    KCStZipFileIterator it(archivePath);
    ASSERT_TRUE(it.IsValid());
    std::vector<std::string> names;
    for (KCFixedString<255> name; it.GetNextItemFromZip(name);) {
        names.emplace_back(name.c_str());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"images/x.png", "top.txt", "empty.txt"}));
    KCFixedString<255> after;
    EXPECT_FALSE(it.GetNextItemFromZip(after));
}

TEST(Zip, BrokenArchivesGiveTheirCodes) {
    TempFolder tmp;
    const std::string good = tmp.Path("good.zip");
    const std::string payload(20000, 'a');
    MakeArchive(good, {{"data.bin", payload}});
    const std::string whole = ReadAll(good);

    const std::string truncated = tmp.Write("truncated.zip", whole.substr(0, whole.size() / 2));
    KCStFileReadFromZip cut{KCStPath(truncated.c_str())};
    EXPECT_FALSE(cut.IsValid());
    EXPECT_EQ(cut.GetError(), eInvalidFileFormatProblem);
    std::string text;
    EXPECT_EQ(cut.ReadToStdString("data.bin", text), eInvalidFileFormatProblem);
    KCStZipFileIterator cutList{KCStPath(truncated.c_str())};
    KCFixedString<255> name;
    EXPECT_FALSE(cutList.GetNextItemFromZip(name));

    // Damaged compressed data behind an intact directory: the read fails, nothing is returned.
    std::string damaged = whole;
    const std::size_t dataStart = 30 + std::string("data.bin").size();
    for (std::size_t k = dataStart + 2; k < dataStart + 12 && k < damaged.size(); ++k) {
        damaged[k] = static_cast<char>(damaged[k] ^ 0x5A);
    }
    const std::string corrupt = tmp.Write("corrupt.zip", damaged);
    KCStFileReadFromZip bad{KCStPath(corrupt.c_str())};
    ASSERT_TRUE(bad.IsValid());
    text = "untouched";
    EXPECT_EQ(bad.ReadToStdString("data.bin", text), eFMReadFailed);
    EXPECT_EQ(text, "untouched");
    Utils::KCStMemObj bytes;
    EXPECT_EQ(bad.ReadToKCStMemObj("data.bin", bytes), eFMReadFailed);
    EXPECT_TRUE(bytes.Empty());

    EXPECT_EQ(
        KCStFileReadFromZip(KCStPath(tmp.Write("text.zip", "not an archive").c_str())).GetError(),
        eInvalidFileFormatProblem);
    EXPECT_EQ(KCStFileReadFromZip(KCStPath(tmp.Path("missing.zip").c_str())).GetError(),
              eFMFileNotFound);
    EXPECT_EQ(KCStFileReadFromZip(KCStPath(tmp.Path().c_str())).GetError(), eFMIsAFolder);
    EXPECT_EQ(KCStFileReadFromZip(KCStPath("relative.zip")).GetError(), eFMIncompletePath);
    EXPECT_EQ(KCStZipFileIterator(KCStPath()).GetError(), eFMIllegalPathRef);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::FM

namespace kvKorvaneV10_0_3::FM {
namespace {

// Stored (uncompressed) data has no inflate step to fail: only the CRC shows the damage, and
// libzip checks it only when a read reaches the end of the entry.
TEST(Zip, DamagedStoredEntryIsNotReadAsGood) {
    testing::TempFolder tmp;
    const std::string path = tmp.Path("stored.zip");
    const std::string payload = "STORED-PAYLOAD-STORED-PAYLOAD";
    {
        int error = 0;
        zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        ASSERT_NE(archive, nullptr);
        zip_source_t* source = zip_source_buffer(archive, payload.data(), payload.size(), 0);
        const zip_int64_t index = zip_file_add(archive, "a", source, 0);
        ASSERT_GE(index, 0);
        ASSERT_EQ(zip_set_file_compression(archive, index, ZIP_CM_STORE, 0), 0);
        ASSERT_EQ(zip_close(archive), 0);
    }
    {
        std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
        const std::string all((std::istreambuf_iterator<char>(f)), {});
        const auto at = all.find(payload);
        ASSERT_NE(at, std::string::npos);
        f.seekp(static_cast<std::streamoff>(at + 3));
        f << "x";
    }
    const KCStFileReadFromZip zip(KCStPath(path.c_str()));
    ASSERT_TRUE(zip.IsValid());
    std::string out = "untouched";
    EXPECT_EQ(zip.ReadToStdString("a", out), eFMReadFailed);
    EXPECT_EQ(out, "untouched");
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::FM

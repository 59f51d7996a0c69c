// Tests of zip archives as other tools write them: false sizes in the directory, entry names
// with folders, back slashes, dot segments or duplicate leaves, and multi-disk end records. The
// archives are built with libzip and then patched byte by byte where a tool would differ.
#include "korvane/fm/fm_test_support.h"
#include "korvane/fm/path.h"
#include "korvane/fm/zip_reader.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace kvKorvaneV10_0_3::FM {
namespace {

using testing::ReadAll;
using testing::TempFolder;

constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::size_t kCentralUncompressedAt = 24;
constexpr std::size_t kEndDiskNumberAt = 4;

std::string WriteArchive(const TempFolder& tmp, const std::string& file,
                         const std::vector<std::pair<std::string, std::string>>& entries) {
    std::string path = tmp.Path(file);
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    EXPECT_NE(archive, nullptr) << error;
    if (archive == nullptr) {
        return path;
    }
    for (const auto& [name, bytes] : entries) {
        zip_source_t* source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
        EXPECT_GE(zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8), 0) << name;
    }
    EXPECT_EQ(zip_close(archive), 0);
    return path;
}

std::size_t FindSignature(const std::string& bytes, std::uint32_t signature) {
    const std::string le{
        static_cast<char>(signature & 0xFF), static_cast<char>((signature >> 8) & 0xFF),
        static_cast<char>((signature >> 16) & 0xFF), static_cast<char>((signature >> 24) & 0xFF)};
    return bytes.rfind(le);
}

void PutLittleEndian(std::string& bytes, std::size_t at, std::uint32_t value, int width) {
    for (int k = 0; k < width; ++k) {
        bytes[at + static_cast<std::size_t>(k)] = static_cast<char>((value >> (8 * k)) & 0xFF);
    }
}

// The archive with the directory's uncompressed size of its only entry replaced.
std::string WithStatedSize(const TempFolder& tmp, const std::string& good, std::uint32_t size) {
    std::string bytes = ReadAll(good);
    const std::size_t central = FindSignature(bytes, kCentralSignature);
    EXPECT_NE(central, std::string::npos);
    PutLittleEndian(bytes, central + kCentralUncompressedAt, size, 4);
    return tmp.Write("sized-" + std::to_string(size) + ".zip", bytes);
}

TEST(ZipFromOtherTools, FalseStatedSizesFailCleanly) {
    TempFolder tmp;
    std::string payload;
    for (int i = 0; payload.size() < 51200; ++i) {
        payload += "line " + std::to_string(i) + " of a member that deflates well\n";
    }
    payload.resize(51200);
    const std::string good = WriteArchive(tmp, "good.zip", {{"member.txt", payload}});

    // Nearly 4 GiB stated for 51,200 bytes: refused on the stated size, nothing inflated.
    const KCStFileReadFromZip huge{KCStPath(WithStatedSize(tmp, good, 0xFFFFFFFEU).c_str())};
    ASSERT_TRUE(huge.IsValid()) << huge.ErrorName();
    std::string text = "untouched";
    EXPECT_EQ(huge.ReadToStdString("member.txt", text), eFMFileSizeTooBig);
    EXPECT_EQ(text, "untouched");
    Utils::KCStMemObj bytes;
    EXPECT_EQ(huge.ReadToKCStMemObj("member.txt", bytes), eFMFileSizeTooBig);
    EXPECT_TRUE(bytes.Empty());

    // Under the cap but more than the data holds, or less: the read stops at the stream's end
    // or at the first byte past the stated size.
    for (const std::uint32_t stated : {kZipEntryMaxBytes, 51201U, 51199U}) {
        const KCStFileReadFromZip zip{KCStPath(WithStatedSize(tmp, good, stated).c_str())};
        ASSERT_TRUE(zip.IsValid()) << stated;
        EXPECT_EQ(zip.ReadToStdString("member.txt", text), eFMReadFailed) << stated;
        EXPECT_EQ(text, "untouched");
        EXPECT_EQ(zip.ReadToKCStMemObj("member.txt", bytes), eFMReadFailed) << stated;
        EXPECT_TRUE(bytes.Empty());
    }
}

TEST(ZipFromOtherTools, EveryListedNameReadsItsOwnEntry) {
    TempFolder tmp;
    const std::string longFolder(290, 'f');
    const std::string path = WriteArchive(tmp, "names.zip",
                                          {{"..", "dots"},
                                           {"sub/..", "sub-dots"},
                                           {"./here.txt", "dot"},
                                           {R"(dir\..\..\win.txt)", "escape"},
                                           {"/abs.txt", "absolute"},
                                           {"C:/drive.txt", "drive"},
                                           {"win\\back.txt", "back"},
                                           {longFolder + "/long.txt", "long"},
                                           {"d1/dup.txt", "first"},
                                           {"d2/dup.txt", "second"},
                                           {"top.txt", "top"}});

    std::vector<std::string> listed;
    KCStZipFileIterator it{KCStPath(path.c_str())};
    ASSERT_TRUE(it.IsValid());
    for (KCFixedString<255> name; it.GetNextItemFromZip(name);) {
        listed.emplace_back(name.c_str());
    }
    EXPECT_EQ(listed,
              (std::vector<std::string>{"win/back.txt", "d1/dup.txt", "d2/dup.txt", "top.txt"}));

    const KCStFileReadFromZip zip{KCStPath(path.c_str())};
    ASSERT_TRUE(zip.IsValid());
    std::string text;
    for (const auto& [name, expected] : std::vector<std::pair<std::string, std::string>>{
             {"win/back.txt", "back"},
             {"d1/dup.txt", "first"},
             {"d2/dup.txt", "second"},
             {"top.txt", "top"},
             {"win\\back.txt", "back"},  // a lookup name is normalised like entry names
             {"dup.txt", "first"},       // a leaf finds the first entry with that leaf
             {"back.txt", "back"},
             {"long.txt", "long"}}) {
        EXPECT_EQ(zip.ReadToStdString(name.c_str(), text), eNoErr) << name;
        EXPECT_EQ(text, expected) << name;
    }
    for (const char* refused : {"..", "sub/..", "win.txt", "here.txt", "./here.txt", "abs.txt",
                                "/abs.txt", "drive.txt", "d3/dup.txt"}) {
        EXPECT_EQ(zip.ReadToStdString(refused, text), eFMReadFailed) << refused;
        unsigned int compressed = 0;
        unsigned int uncompressed = 0;
        EXPECT_EQ(zip.GetEntrySize(refused, compressed, uncompressed), eFMFileNotFound) << refused;
    }
}

// Two entries under one full name: only the first can be named, so only it is listed.
TEST(ZipFromOtherTools, ADuplicateFullNameIsListedOnce) {
    TempFolder tmp;
    std::string bytes = ReadAll(
        WriteArchive(tmp, "pair.zip", {{"dir/same.txt", "first"}, {"dir/samX.txt", "second"}}));
    for (auto at = bytes.find("samX.txt"); at != std::string::npos; at = bytes.find("samX.txt")) {
        bytes[at + 3] = 'e';
    }
    const std::string twice = tmp.Write("twice.zip", bytes);
    std::vector<std::string> listed;
    KCStZipFileIterator it{KCStPath(twice.c_str())};
    ASSERT_TRUE(it.IsValid()) << it.ErrorName();
    for (KCFixedString<255> name; it.GetNextItemFromZip(name);) {
        listed.emplace_back(name.c_str());
    }
    EXPECT_EQ(listed, std::vector<std::string>{"dir/same.txt"});
    const KCStFileReadFromZip zip{KCStPath(twice.c_str())};
    std::string text;
    EXPECT_EQ(zip.ReadToStdString("dir/same.txt", text), eNoErr);
    EXPECT_EQ(text, "first");
}

TEST(ZipFromOtherTools, MultiDiskEndRecordIsAFormatError) {
    TempFolder tmp;
    std::string bytes =
        ReadAll(WriteArchive(tmp, "one-disk.zip", {{"a.txt", "part of a spanned set"}}));
    const std::size_t end = FindSignature(bytes, kEndSignature);
    ASSERT_NE(end, std::string::npos);
    PutLittleEndian(bytes, end + kEndDiskNumberAt, 1, 2);
    const std::string spanned = tmp.Write("spanned.zip", bytes);
    EXPECT_EQ(KCStFileReadFromZip(KCStPath(spanned.c_str())).GetError(), eInvalidFileFormatProblem);
    EXPECT_EQ(KCStZipFileIterator(KCStPath(spanned.c_str())).GetError(), eInvalidFileFormatProblem);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::FM

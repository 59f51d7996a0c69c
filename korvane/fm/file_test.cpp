// Tests of open files and whole-file operations: create flags, the permissions and the
// appending write, cursors, sizes, copying onto itself, moves that would replace, deletion,
// folder creation and the atomic whole-file write.
#include "korvane/fm/file.h"

#include "korvane/core/testing/special_files.h"
#include "korvane/core/testing/unprivileged_run.h"
#include "korvane/fm/file_io.h"
#include "korvane/fm/fm_test_support.h"
#include "korvane/fm/path.h"
#include "korvane/fm/path_ref.h"
#include "korvane/fm/platform/scoped_umask.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::FM {
namespace {

using testing::ReadAll;
using testing::TempFolder;

Utils::KCStMemObj Bytes(const std::string& s) {
    return {s.data(), static_cast<unsigned int>(s.size())};
}

TEST(File, CreateNewMakesTheFoldersAndReadsBackWhatWasWritten) {
    TempFolder tmp;
    const KCStPath path(tmp.Path("new/deeper/take.txt").c_str());
    KCStFileCreate file(path, eCreateNew, eReadWritePerm);
    ASSERT_TRUE(file.IsValid()) << file.ErrorName();  // the folders were made too
    EXPECT_EQ(file.WriteFromString("hello world"), eNoErr);
    EXPECT_EQ(file.SetCursor(0, eFromStart), eNoErr);
    std::string text;
    EXPECT_EQ(file.ReadToStdString(text), eNoErr);
    EXPECT_EQ(text, "hello world");
    EXPECT_EQ(file.GetFileSize(), 11);
}

TEST(File, CreateNewRefusesAnExistingFile) {
    TempFolder tmp;
    const KCStPath path(tmp.Write("take.txt", "hello world").c_str());
    EXPECT_EQ(KCStFileCreate(path, eCreateNew, eWritePerm).GetError(), eFMFileAllreadyExists);
}

TEST(File, AWriteHandleAppendsAndCannotRead) {
    TempFolder tmp;
    const KCStPath path(tmp.Write("take.txt", "hello world").c_str());
    {
        KCStFileWrite append(path);
        ASSERT_TRUE(append.IsValid());
        EXPECT_EQ(append.GetCursor(), 11);  // writing appends
        EXPECT_EQ(append.WriteFromString(KCFixedString<15>("!")), eNoErr);
        EXPECT_EQ(append.WriteFromString(std::string("?")), eNoErr);
        std::uint64_t done = 0;
        char c = 0;
        EXPECT_EQ(ReadFromFile(append.GetFileRef(), &c, 1, done), eFMPermissionErr);
    }
    EXPECT_EQ(ReadAll(path.GetPathString().c_str()), "hello world!?");
}

TEST(File, AReadNearTheEndIsShortAndThenReportsTheEnd) {
    TempFolder tmp;
    const KCStPath path(tmp.Write("take.txt", "hello world!?").c_str());
    KCStFileRead reader(path);
    ASSERT_TRUE(reader.IsValid());
    char buffer[5] = {};
    std::uint64_t done = 0;
    EXPECT_EQ(reader.SetCursor(-2, eFromEnd), eNoErr);
    EXPECT_EQ(reader.Read(buffer, sizeof buffer, done), eNoErr);  // short at the end
    EXPECT_EQ(done, 2U);
    EXPECT_EQ(reader.Read(buffer, sizeof buffer, done), eFMEndOfFile);
    EXPECT_EQ(done, 0U);
}

TEST(File, SetCursorRefusesANegativeOffsetAndAnUnknownOrigin) {
    TempFolder tmp;
    KCStFileRead reader(KCStPath(tmp.Write("take.txt", "hello world!?").c_str()));
    ASSERT_TRUE(reader.IsValid());
    EXPECT_EQ(reader.SetCursor(-1, eFromStart), eFMWrongParameters);
    EXPECT_EQ(reader.SetCursor(0, 3), eFMWrongParameters);
}

TEST(File, TruncatingWithAReadOnlyHandleEmptiesTheFileButCannotWrite) {
    TempFolder tmp;
    const KCStPath path(tmp.Write("take.txt", "hello world!?").c_str());
    KCStFileCreate truncated(path, eCreateTruncate, eReadPerm);
    ASSERT_TRUE(truncated.IsValid());
    EXPECT_EQ(truncated.GetFileSize(), 0);
    EXPECT_EQ(truncated.WriteFromString("x"), eFMPermissionErr);
    EXPECT_EQ(truncated.SetFileSize(4), eFMPermissionErr);
}

TEST(File, SetFileSizeExtendsWithZeros) {
    TempFolder tmp;
    const KCStPath path(tmp.Write("take.txt", "").c_str());
    EXPECT_EQ(KCStFileCreate(path, eOpenOrCreate, eWritePerm).SetFileSize(4), eNoErr);
    EXPECT_EQ(ReadAll(path.GetPathString().c_str()), std::string(4, '\0'));
}

TEST(File, OpeningAMissingFileAFolderOrARelativePathFails) {
    TempFolder tmp;
    EXPECT_EQ(KCStFileRead(KCStPath(tmp.Path("missing").c_str())).GetError(), eFMFileNotFound);
    EXPECT_EQ(KCStFileRead(KCStPath(tmp.Path().c_str())).GetError(), eFMIsAFolder);
    EXPECT_EQ(KCStFileRead(KCStPath("relative")).GetError(), eFMIncompletePath);
}

TEST(File, AHandleThatFailedToOpenRefusesCursorCalls) {
    TempFolder tmp;
    KCStFileRead bad(KCStPath(tmp.Path("missing").c_str()));
    EXPECT_FALSE(bad.IsValid());
    EXPECT_EQ(bad.GetCursor(), -1);
    EXPECT_EQ(bad.SetCursor(0, eFromStart), eFMIllegalOpenFileRef);
}

TEST(File, FlatHandlesRefuseInvalidInput) {
    TempFolder tmp;
    KCStPath path(tmp.Write("a.bin", "abc").c_str());
    KTOpenFileType* file = nullptr;
    EXPECT_EQ(OpenFile(path.GetPathRef(), static_cast<KEPermitions>(7), file), eFMPermissionErr);
    EXPECT_FALSE(IsValidOpenFileRef(file));
    EXPECT_EQ(CreateAFile(path.GetPathRef(), static_cast<KECreateFlags>(5), eReadPerm, file),
              eFMWrongParameters);
    EXPECT_EQ(OpenFile(nullptr, eReadPerm, file), eMemNullPointer);

    KTOpenFileType* invalid = GetInvalidOpenFileRef();
    EXPECT_FALSE(IsValidOpenFileRef(invalid));
    EXPECT_FALSE(IsValidOpenFileRef(nullptr));
    EXPECT_EQ(SetFileCursor(invalid, 0, 0), eFMIllegalOpenFileRef);
    std::int64_t value = 0;
    std::uint64_t done = 0;
    EXPECT_EQ(GetFileCursor(invalid, value), eFMIllegalOpenFileRef);
    EXPECT_EQ(ReadFromFile(invalid, &value, 1, done), eFMIllegalOpenFileRef);
    EXPECT_EQ(CloseFile(invalid), eNoErr);

    ASSERT_EQ(OpenFile(path.GetPathRef(), eReadPerm, file), eNoErr);
    EXPECT_EQ(SetFileCursor(file, 0, 3), eFMWrongParameters);
    EXPECT_EQ(SetFileCursor(file, 2, eFromStart), eNoErr);
    Utils::KCStMemObj whole;
    EXPECT_EQ(ReadTheWholeFile(file, whole), eNoErr);  // from the start, whatever the cursor
    EXPECT_EQ(std::string(static_cast<char*>(whole.ptr), whole.size), "abc");
    EXPECT_EQ(GetFileCursor(file, value), eNoErr);
    EXPECT_EQ(value, 2);
    EXPECT_EQ(CloseFile(file), eNoErr);
    EXPECT_FALSE(IsValidOpenFileRef(file));

    EXPECT_EQ(GetFileSizeFromPathRef(KCStPath(tmp.Path().c_str()).GetPathRef(), value),
              eFMIsAFolder);
    EXPECT_EQ(GetFileSizeFromPathRef(KCStPath(tmp.Path("none").c_str()).GetPathRef(), value),
              eFMFileNotFound);
}

TEST(File, DuplicateCreatesOrTruncatesAsAsked) {
    TempFolder tmp;
    const KCStPath src(tmp.Write("src.txt", "payload").c_str());
    const KCStPath dst(tmp.Path("copy.txt").c_str());
    EXPECT_EQ(DuplicateFile(src.GetPathRef(), dst.GetPathRef(), eCreateNew), eNoErr);
    EXPECT_EQ(ReadAll(dst.GetPathString().c_str()), "payload");
    EXPECT_EQ(DuplicateFile(src.GetPathRef(), dst.GetPathRef(), eCreateNew), eFMFileAllreadyExists);
    tmp.Write("src.txt", "v2");
    EXPECT_EQ(DuplicateFile(src.GetPathRef(), dst.GetPathRef(), eCreateTruncate), eNoErr);
    EXPECT_EQ(ReadAll(dst.GetPathString().c_str()), "v2");
}

TEST(File, DuplicatingOntoItselfByNameOrLinkKeepsTheFile) {
    TempFolder tmp;
    const KCStPath src(tmp.Write("src.txt", "v2").c_str());
    EXPECT_EQ(DuplicateFile(src.GetPathRef(), src.GetPathRef(), eCreateTruncate), eFMSamePath);
    std::filesystem::create_symlink(src.GetPathString().c_str(), tmp.Path("alias"));
    EXPECT_EQ(DuplicateFile(src.GetPathRef(), KCStPath(tmp.Path("alias").c_str()).GetPathRef(),
                            eCreateTruncate),
              eFMSamePath);
    EXPECT_EQ(ReadAll(src.GetPathString().c_str()), "v2");
}

TEST(File, AMoveNeverReplacesTheDestination) {
    TempFolder tmp;
    const KCStPath src(tmp.Write("src.txt", "v2").c_str());
    const KCStPath dst(tmp.Write("copy.txt", "v2").c_str());
    EXPECT_EQ(MoveFileSystemObject(src.GetPathRef(), dst.GetPathRef()), eFMFileAllreadyExists);
    const KCStPath moved(tmp.Path("moved.txt").c_str());
    EXPECT_EQ(MoveFileSystemObject(src.GetPathRef(), moved.GetPathRef()), eNoErr);
    EXPECT_FALSE(src.IsExist());
    EXPECT_TRUE(moved.IsFile());
    EXPECT_EQ(MoveFileSystemObject(src.GetPathRef(), dst.GetPathRef()), eFMFileNotFound);
}

TEST(File, CreateFolderMakesEveryLevelAndRefusesAFileInTheWay) {
    TempFolder tmp;
    const KCStPath file(tmp.Write("moved.txt", "v2").c_str());
    const KCStPath folder(tmp.Path("a/b/c").c_str());
    EXPECT_EQ(CreateFolder(folder.GetPathRef()), eNoErr);
    EXPECT_TRUE(folder.IsFolder());
    EXPECT_EQ(CreateFolder(folder.GetPathRef()), eNoErr);  // already there
    EXPECT_EQ(CreateFolder(file.GetPathRef()), eFMIsNotAFolder);
    EXPECT_EQ(CreateFolder(KCStPath(file, "sub").GetPathRef()), eFMIsNotAFolder);
    EXPECT_EQ(CreateFolder(nullptr), eMemNullPointer);
}

TEST(File, OnlyARecursiveDeleteRemovesAFullFolder) {
    TempFolder tmp;
    tmp.Write("a/b/c/file", "x");
    const KCStPath top(tmp.Path("a").c_str());
    EXPECT_EQ(DeleteFileSystemObject(top.GetPathRef()), eFMFileNotEmpty);
    EXPECT_EQ(DeleteFileSystemObjectRecursively(top.GetPathRef()), eNoErr);
    EXPECT_FALSE(top.IsExist());
    EXPECT_EQ(DeleteFileSystemObject(top.GetPathRef()), eFMFileNotFound);
    EXPECT_EQ(DeleteFileSystemObjectRecursively(KCStPath("/").GetPathRef()), eFMWrongParameters);
}

TEST(File, SetFileTypeInfoSucceedsOnAFile) {
    TempFolder tmp;
    const KCStPath file(tmp.Write("moved.txt", "v2").c_str());
    EXPECT_EQ(SetFileTypeInfo(file.GetPathRef(), 1, 2), eNoErr);
}

TEST(File, AnAbandonedAtomicWriteKeepsTheOldFile) {
    TempFolder tmp;
    const KCStPath path(tmp.Path("bank.bin").c_str());
    const std::string old(100, 'o');
    ASSERT_EQ(WriteFileAtomically(path.GetPathRef(), old.data(), old.size()), eNoErr);
    const std::string big(2 * kAtomicWritePiece + 10, 'n');
    std::vector<std::uint64_t> seen;
    const auto stopAfter = [&](std::size_t calls) {
        return [&seen, calls](std::uint64_t written, std::uint64_t total) {
            EXPECT_EQ(total, 2 * kAtomicWritePiece + 10);
            seen.push_back(written);
            return seen.size() <= calls;
        };
    };
    for (std::size_t calls = 0; calls < 4; ++calls) {
        seen.clear();
        EXPECT_EQ(WriteFileAtomically(path.GetPathRef(), big.data(), big.size(), stopAfter(calls)),
                  eFMWriteFailed);
        Utils::KCStMemObj back;
        ASSERT_EQ(ReadFileToKCStMemObj(path.GetPathRef(), back), eNoErr);
        EXPECT_EQ(back.size, old.size()) << "stopped at call " << calls;
    }
    EXPECT_EQ(seen, (std::vector<std::uint64_t>{0, kAtomicWritePiece, 2 * kAtomicWritePiece,
                                                2 * kAtomicWritePiece + 10}))
        << "before each piece and once before the rename";
    std::size_t entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(tmp.Path())) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 1U) << "the temporary file is removed";
    EXPECT_EQ(WriteFileAtomically(path.GetPathRef(), nullptr, 3), eMemNullPointer);
    EXPECT_EQ(WriteFileAtomically(path.GetPathRef(), big.data(), big.size(), stopAfter(9)), eNoErr);
    EXPECT_EQ(path.GetFileSize(), static_cast<std::int64_t>(big.size()));
}

TEST(File, WholeFileWriteAndTemporaryFiles) {
    TempFolder tmp;
    const KCStPath path(tmp.Path("prefs/user.yaml").c_str());
    EXPECT_EQ(WriteFileFromKCStMemObj(path.GetPathRef(), Bytes("first version, longer")), eNoErr);
    EXPECT_EQ(WriteFileFromKCStMemObj(path.GetPathRef(), Bytes("second")), eNoErr);
    Utils::KCStMemObj back;
    EXPECT_EQ(ReadFileToKCStMemObj(path.GetPathRef(), back), eNoErr);
    EXPECT_EQ(back, Bytes("second"));
    // No temporary file is left behind next to the target.
    std::size_t entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(tmp.Path("prefs"))) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 1U);
    EXPECT_EQ(WriteFileFromKCStMemObj(KCStPath(tmp.Path().c_str()).GetPathRef(), back),
              eFMIsAFolder);

    KTPathType* tempPath = nullptr;
    KTOpenFileType* tempFile = nullptr;
    ASSERT_EQ(CreateTempFile(path.GetPathRef(), tempPath, tempFile), eNoErr);
    KCStPath temp;
    temp.TakeOver(tempPath);
    EXPECT_EQ(temp.GetParentDirectory(), path.GetParentDirectory());
    std::uint64_t done = 0;
    EXPECT_EQ(WriteToFile(tempFile, "xy", 2, done), eNoErr);
    EXPECT_EQ(CloseFile(tempFile), eNoErr);
    EXPECT_EQ(temp.GetFileSize(), 2);
    KTPathType* other = nullptr;
    ASSERT_EQ(CreateTempFile(nullptr, other, tempFile), eNoErr);
    KCStPath inTemp;
    inTemp.TakeOver(other);
    EXPECT_NE(inTemp, temp);
    EXPECT_EQ(CloseFile(tempFile), eNoErr);
    EXPECT_EQ(DeleteFileSystemObject(inTemp.GetPathRef()), eNoErr);
}

TEST(File, AtomicWritesRespectTheFileTheyReplace) {
    namespace fs = std::filesystem;
    TempFolder tmp;
    const auto write = [](const std::string& at, const std::string& bytes) {
        return WriteFileAtomically(KCStPath(at.c_str()).GetPathRef(), bytes.data(), bytes.size());
    };

    // A read-only file is refused, even though the folder would allow the rename.
    const std::string locked = tmp.Write("locked.bin", "old");
    fs::permissions(locked, fs::perms::owner_read | fs::perms::group_read);
    EXPECT_EQ(write(locked, "new"), eFMPermissionErr);
    EXPECT_EQ(ReadAll(locked), "old");
    EXPECT_EQ(fs::status(locked).permissions(), fs::perms::owner_read | fs::perms::group_read);

    // The replaced file's mode is kept; a new file gets the umask's.
    const std::string kept = tmp.Write("kept.bin", "old");
    fs::permissions(kept, fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
    ASSERT_EQ(write(kept, "new"), eNoErr);
    EXPECT_EQ(fs::status(kept).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
    {
        const platform::ScopedUmask mask(0007);
        ASSERT_EQ(write(tmp.Path("fresh.bin"), "x"), eNoErr);
    }
    EXPECT_EQ(fs::status(tmp.Path("fresh.bin")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                  fs::perms::group_write);

    // Through a link the target is replaced and the link stays a link, also a relative one in
    // another folder; a dangling link creates its target.
    const std::string real = tmp.Write("real.bin", "old");
    fs::create_directories(tmp.Path("sub"));
    fs::create_symlink("../real.bin", tmp.Path("sub/link.bin"));
    ASSERT_EQ(write(tmp.Path("sub/link.bin"), "via link"), eNoErr);
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(tmp.Path("sub/link.bin"))));
    EXPECT_EQ(ReadAll(real), "via link");
    fs::create_symlink(tmp.Path("later.bin"), tmp.Path("dangling.bin"));
    ASSERT_EQ(write(tmp.Path("dangling.bin"), "made"), eNoErr);
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(tmp.Path("dangling.bin"))));
    EXPECT_EQ(ReadAll(tmp.Path("later.bin")), "made");
    fs::create_symlink(tmp.Path("loop.bin"), tmp.Path("loop.bin"));
    EXPECT_NE(write(tmp.Path("loop.bin"), "x"), eNoErr);

    // A hook that throws abandons the write like one that says no, leaving nothing behind.
    const std::string thrown = tmp.Write("sub/thrown.bin", "old");
    const std::string bytes(10, 'n');
    EXPECT_EQ(WriteFileAtomically(KCStPath(thrown.c_str()).GetPathRef(), bytes.data(), bytes.size(),
                                  [](std::uint64_t, std::uint64_t) -> bool { throw 42; }),
              eFMWriteFailed);
    EXPECT_EQ(ReadAll(thrown), "old");
    std::size_t entries = 0;
    for (const auto& e : fs::directory_iterator(tmp.Path("sub"))) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 2U) << "the link and the file, no temporary file";
}

TEST(File, ReadingOnlyInsideAFolder) {
    TempFolder tmp;
    tmp.Write("in/a.bin", "abc");
    tmp.Write("out.bin", "secret");
    std::filesystem::create_symlink(tmp.Path("out.bin"), tmp.Path("in/link.bin"));
    std::filesystem::create_symlink(tmp.Path("in"), tmp.Path("alias"));
    const KCStPath in(tmp.Path("in").c_str());
    Utils::KCStMemObj out = Bytes("kept");
    EXPECT_EQ(ReadFileInsideFolder(in.GetPathRef(), "a.bin", 3, out), eNoErr);
    EXPECT_EQ(out, Bytes("abc"));
    out = Bytes("kept");
    EXPECT_EQ(ReadFileInsideFolder(in.GetPathRef(), "a.bin", 2, out), eFMFileSizeTooBig);
    EXPECT_EQ(ReadFileInsideFolder(in.GetPathRef(), "link.bin", 100, out), eFMPermissionErr);
    EXPECT_EQ(ReadFileInsideFolder(in.GetPathRef(), "../out.bin", 100, out), eFMPermissionErr);
    EXPECT_EQ(ReadFileInsideFolder(in.GetPathRef(), tmp.Path("in/a.bin").c_str(), 100, out),
              eFMPermissionErr);
    EXPECT_EQ(ReadFileInsideFolder(in.GetPathRef(), ".", 100, out), eFMPermissionErr);
    EXPECT_EQ(out, Bytes("kept")) << "untouched when refused";
    const KCStPath alias(tmp.Path("alias").c_str());
    EXPECT_EQ(ReadFileInsideFolder(alias.GetPathRef(), "a.bin", 3, out), eNoErr)
        << "a folder reached through a link";
}

TEST(File, ReadingWhatMustBeARegularFile) {
    TempFolder tmp;
    tmp.Write("a.bin", "abc");
    tmp.Write("empty.bin", "");
    std::filesystem::create_symlink(tmp.Path("a.bin"), tmp.Path("link.bin"));
    std::filesystem::create_directories(tmp.Path("folder"));
    ASSERT_TRUE(test_support::MakeFifo(tmp.Path("fifo").c_str()));
    const auto read = [&tmp](const char* name, Utils::KCStMemObj& out) {
        return ReadRegularFileToKCStMemObj(KCStPath(tmp.Path(name).c_str()).GetPathRef(), out);
    };
    Utils::KCStMemObj out = Bytes("kept");
    EXPECT_EQ(read("a.bin", out), eNoErr);
    EXPECT_EQ(out, Bytes("abc"));
    EXPECT_EQ(read("link.bin", out), eNoErr) << "links are followed";
    EXPECT_EQ(out, Bytes("abc"));
    EXPECT_EQ(read("empty.bin", out), eNoErr);
    EXPECT_EQ(out.size, 0U);
    out = Bytes("kept");
    EXPECT_NE(read("missing.bin", out), eNoErr);
    EXPECT_NE(read("folder", out), eNoErr);
    EXPECT_NE(read("fifo", out), eNoErr) << "refused without waiting for a writer";
    EXPECT_EQ(out, Bytes("kept")) << "untouched when refused";
}

// As root (CI) the check runs as "nobody", whom the permission bits stop.
TEST(File, PermissionDeniedOpensFail) {
    TempFolder tmp;
    const std::string locked = tmp.Write("locked", "x");
    std::filesystem::permissions(locked, std::filesystem::perms::owner_read);
    testing::LetOthersThrough(tmp);
    const auto outcome = test_support::RunUnprivileged([&] {
        std::string failures = testing::VisibleButUnreadable(locked, false);
        if (const KTErr err = KCStFileWrite(KCStPath(locked.c_str())).GetError();
            err != eFMPermissionErr) {
            failures += "opening to write gave " + std::string(KTErrName(err)) + "; ";
        }
        if (KCStPath(locked.c_str()).IsWritable()) {
            failures += "IsWritable is true; ";
        }
        return failures;
    });
    ASSERT_TRUE(outcome.ran) << outcome.failures;
    EXPECT_EQ(outcome.failures, "");
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::FM

#include "image/bmp_file.h"
#include "tests/support/dib_builder.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> Zeros(std::size_t n) {
    return std::vector<std::uint8_t>(n, 0);
}

DibFields F(std::int32_t w, std::int32_t h, std::uint16_t bits, std::uint32_t compression = 0,
            std::uint32_t sizeImage = 0, std::uint32_t headerSize = 40) {
    return {headerSize, w, h, 1, bits, compression, sizeImage, 0};
}

// The written bytes, or nothing when the writer refused.
std::vector<std::uint8_t> Write(DibHandle& dib) {
    std::vector<std::uint8_t> bytes;
    bool ok = DibWriteFile(dib, [&](const std::uint8_t* p, std::size_t n) {
        bytes.insert(bytes.end(), p, p + n);
        return true;
    });
    EXPECT_EQ(ok, !bytes.empty());
    return bytes;
}

// The file header and the image size the writer fills in.
TEST(DibWriteFile, Sizes) {
    struct Row {
        const char* name;
        DibFields fields;
        std::size_t bytes;
        std::uint32_t imageSize, fileSize, pixelOffset;
    };
    const Row rows[] = {
        // Rows of (8 x 3 + 31) / 32 x 4 = 4 bytes: image 8, DIB 40 + 1024 + 8 = 1072.
        {"8 bits", F(3, 2, 8), 1024 + 8, 8, 14 + 1072, 14 + 40 + 1024},
        {"true colour", F(3, 2, 24), 24, 24, 14 + 40 + 24, 54},
        {"bit-field masks are kept", F(2, 1, 16, 3), 12 + 4, 4, 14 + 40 + 12 + 4, 14 + 40 + 12},
        {"run-length size 0", F(3, 2, 8, 1, 0), 1024, 0, 14 + 40 + 1024, 14 + 40 + 1024},
        {"run-length size 6", F(3, 2, 8, 1, 6), 1024 + 6, 6, 14 + 40 + 1024 + 6, 14 + 40 + 1024},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        DibHandle dib = MakeDib(r.fields, Zeros(r.bytes));
        std::vector<std::uint8_t> file = Write(dib);
        ASSERT_EQ(file.size(), r.fileSize);
        EXPECT_EQ(ReadU16(file.data()), 0x4D42);
        EXPECT_EQ(ReadU32(file.data() + 2), r.fileSize);
        EXPECT_EQ(ReadU32(file.data() + 6), 0u); // both reserved words
        EXPECT_EQ(ReadU32(file.data() + 10), r.pixelOffset);
        EXPECT_EQ(ReadU32(dib.data() + dibfield::SizeImage), r.imageSize);
        EXPECT_EQ(ReadU32(file.data() + 14 + dibfield::SizeImage), r.imageSize);
    }
}

TEST(DibWriteFile, RefusesWithoutWritingOrReadingPastTheBlock) {
    DibHandle core = MakeDib(F(3, 2, 4, 0, 0, 12), Zeros(48 + 8));
    DibHandle rleTooLong = MakeDib(F(3, 2, 8, 1, 0x7FFFFFFF), Zeros(1024 + 6));
    DibHandle rowsShort = MakeDib(F(3, 2, 24), Zeros(23));
    DibHandle null;
    for (DibHandle* dib : {&core, &rleTooLong, &rowsShort, &null})
        EXPECT_TRUE(Write(*dib).empty());
}

TEST(DibWriteFile, FailingSinkFails) {
    DibHandle dib = MakeDib(F(3, 2, 24), Zeros(24));
    int calls = 0;
    EXPECT_FALSE(DibWriteFile(dib, [&](const std::uint8_t*, std::size_t) { return ++calls < 2; }));
}

TEST(DibReadMemory, RefusesWhatIsNotAWholeBitmap) {
    DibHandle dib = MakeDib(F(3, 2, 24), Zeros(24));
    std::vector<std::uint8_t> file = Write(dib);
    BmpReadResult good = DibReadMemory(file.data(), file.size());
    EXPECT_EQ(good.error, BmpError::None);

    EXPECT_EQ(DibReadMemory(file.data(), 13).error, BmpError::NotBitmap);
    BmpReadResult cut = DibReadMemory(file.data(), file.size() - 1);
    EXPECT_EQ(cut.error, BmpError::Invalid);
    EXPECT_EQ(cut.status, DibStatus::Truncated);
    EXPECT_FALSE(cut.dib);
    file[1] = 'A';
    EXPECT_EQ(DibReadMemory(file.data(), file.size()).error, BmpError::NotBitmap);
    EXPECT_EQ(DibReadFile("/nonexistent/picture.bmp").error, BmpError::FileError);
}

TEST(DibReadMemory, SkipsUnusedBytesBeforePixels) {
    // 2 x 1 at 8 bits with two colours; the file leaves 5 unused bytes before the row.
    DibFields f = F(2, 1, 8);
    f.clrUsed = 2;
    DibHandle dib = MakeDib(f, Zeros(8 + 4));
    std::vector<std::uint8_t> file = Write(dib);
    file.insert(file.begin() + 14 + 48, 5, 9);
    file[14 + 48 + 5] = 1;
    WriteU32(file.data() + 10, 14 + 48 + 5);
    BmpReadResult r = DibReadMemory(file.data(), file.size());
    ASSERT_EQ(r.error, BmpError::None);
    EXPECT_EQ(r.dib.size(), 48u + 4);
    EXPECT_EQ(DibGetBits(r.dib.data())[0], 1);
}

// The block holds what the header describes and nothing of what follows it in the file.
TEST(DibReadMemory, TakesOnlyThePictureItsHeaderDescribes) {
    const struct {
        const char* name;
        DibFields fields;
        std::size_t pictureBytes; // after the header: table and rows, or the run-length bytes
    } rows[] = {
        {"true colour, two 12-byte rows", F(3, 2, 24), 24},
        {"core header, 16 entries of 3 bytes and two 4-byte rows", F(3, 2, 4, 0, 0, 12), 48 + 8},
        {"run-length, the image-size bytes after 256 entries", F(3, 2, 8, 1, 6), 1024 + 6},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        std::vector<std::uint8_t> rest(r.pictureBytes);
        for (std::size_t i = 0; i < rest.size(); ++i)
            rest[i] = static_cast<std::uint8_t>(i * 7);
        const std::vector<std::uint8_t> header = HeaderBytes(r.fields);
        std::vector<std::uint8_t> file = {'B', 'M'};
        file.resize(14);
        file.insert(file.end(), header.begin(), header.end());
        file.insert(file.end(), rest.begin(), rest.end());
        const std::size_t picture = file.size() - 14;
        file.resize(file.size() + 4096, 0xEE); // whatever follows the picture

        BmpReadResult read = DibReadMemory(file.data(), file.size());
        ASSERT_EQ(read.error, BmpError::None) << DibStatusText(read.status);
        ASSERT_EQ(read.dib.size(), picture);
        EXPECT_EQ(std::memcmp(read.dib.data(), file.data() + 14, picture), 0);
        // One byte fewer than the picture is cut short.
        read = DibReadMemory(file.data(), 14 + picture - 1);
        EXPECT_EQ(read.status, DibStatus::Truncated);
    }
}

class DibSaveFileTest : public testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("xkorvo-save-" + std::to_string(::getpid()) + "-" +
                 testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
        m_path = m_dir / "picture.bmp";
        std::ofstream(m_path) << "old contents";
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string Contents() {
        std::ifstream in(m_path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    std::size_t FilesInDir() {
        return std::distance(fs::directory_iterator(m_dir), fs::directory_iterator());
    }

    fs::path m_dir, m_path;
};

TEST_F(DibSaveFileTest, UnwritablePictureLeavesFileAlone) {
    DibHandle core = MakeDib(F(3, 2, 4, 0, 0, 12), Zeros(48 + 8));
    EXPECT_EQ(DibSaveFile(core, m_path.string()), SaveResult::NotWritable);
    EXPECT_EQ(Contents(), "old contents");
    EXPECT_EQ(DibSaveFile(core, (m_dir / "no" / "x.bmp").string()), SaveResult::NotWritable);
}

TEST_F(DibSaveFileTest, ReadOnlyFileIsNotReplaced) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "the superuser may write every file";
    fs::permissions(m_path, fs::perms::owner_read);
    DibHandle dib = MakeDib(F(3, 2, 24), Zeros(24));
    EXPECT_EQ(DibSaveFile(dib, m_path.string()), SaveResult::FileError);
    EXPECT_EQ(Contents(), "old contents");
}

TEST_F(DibSaveFileTest, FailedWriteKeepsOldFileAndSaveKeepsPermissions) {
    fs::permissions(m_path, fs::perms::owner_read | fs::perms::owner_write);
    DibHandle dib = MakeDib(F(3, 2, 8), Zeros(1024 + 8));
    // Files may grow to 100 bytes only, so writing the 1086-byte bitmap fails part way.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const SaveResult failed = DibSaveFile(dib, m_path.string());
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(failed, SaveResult::FileError);
    EXPECT_EQ(Contents(), "old contents");
    EXPECT_EQ(FilesInDir(), 1u); // no temporary file left behind
    EXPECT_EQ(DibSaveFile(dib, (m_dir / "no" / "x.bmp").string()), SaveResult::FileError);

    ASSERT_EQ(DibSaveFile(dib, m_path.string()), SaveResult::Ok);
    BmpReadResult back = DibReadFile(m_path.string());
    ASSERT_EQ(back.error, BmpError::None);
    EXPECT_EQ(back.dib.size(), dib.size());
    EXPECT_EQ(std::memcmp(back.dib.data(), dib.data(), dib.size()), 0);
    EXPECT_EQ(fs::status(m_path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(FilesInDir(), 1u);
}

// Only regular files are replaced. A symbolic link leads to the file that is written, or
// created when the link dangles, and stays a link.
TEST_F(DibSaveFileTest, ReplacesOnlyRegularFilesAndWritesThroughLinks) {
    DibHandle dib = MakeDib(F(3, 2, 24), Zeros(24));
    const fs::path fifo = m_dir / "fifo", folder = m_dir / "folder", devNull = m_dir / "null";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // A pipe first: a save that replaced it must not get as far as the link to a device.
    ASSERT_EQ(DibSaveFile(dib, fifo.string()), SaveResult::NotAFile);
    EXPECT_TRUE(fs::is_fifo(fifo));
    fs::create_directory(folder);
    EXPECT_EQ(DibSaveFile(dib, folder.string()), SaveResult::NotAFile);
    EXPECT_TRUE(fs::is_directory(folder));
    fs::create_symlink("/dev/null", devNull);
    EXPECT_EQ(DibSaveFile(dib, devNull.string()), SaveResult::NotAFile);
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    EXPECT_TRUE(fs::is_symlink(devNull));

    const fs::path link = m_dir / "link.bmp", dangling = m_dir / "dangling.bmp";
    fs::create_symlink("picture.bmp", link);
    fs::create_directory(m_dir / "sub");
    fs::create_symlink("sub/../sub/new.bmp", dangling);
    for (const fs::path& path : {link, dangling}) {
        SCOPED_TRACE(path.string());
        ASSERT_EQ(DibSaveFile(dib, path.string()), SaveResult::Ok);
        EXPECT_TRUE(fs::is_symlink(path));
        EXPECT_EQ(DibReadFile(path.string()).error, BmpError::None);
    }
    EXPECT_TRUE(fs::is_regular_file(m_dir / "sub" / "new.bmp"));

    const fs::path nowhere = m_dir / "nowhere.bmp", loop = m_dir / "loop.bmp";
    fs::create_symlink("missing/x.bmp", nowhere);
    fs::create_symlink("loop.bmp", loop);
    std::error_code why;
    EXPECT_EQ(DibSaveFile(dib, nowhere.string(), &why), SaveResult::FileError);
    EXPECT_EQ(why, std::errc::no_such_file_or_directory);
    EXPECT_EQ(DibSaveFile(dib, loop.string(), &why), SaveResult::FileError);
    EXPECT_EQ(why, std::errc::too_many_symbolic_link_levels);
    EXPECT_EQ(FilesInDir(), 9u); // no temporary file left behind
}

} // namespace

#include "image/bmp_file.h"
#include "tests/image/dib_builder.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

std::vector<std::uint8_t> Zeros(std::size_t n) {
    return std::vector<std::uint8_t>(n, 0);
}

struct Written {
    bool ok = false;
    std::vector<std::uint8_t> bytes;
};

Written Write(DibHandle& dib) {
    Written w;
    w.ok = DibWriteFile(dib, [&](const std::uint8_t* p, std::size_t n) {
        w.bytes.insert(w.bytes.end(), p, p + n);
        return true;
    });
    return w;
}

DibFields Fields(std::int32_t w, std::int32_t h, std::uint16_t bits) {
    DibFields f;
    f.width = w;
    f.height = h;
    f.bits = bits;
    return f;
}

// File header bytes followed by the DIB bytes, with the pixel offset given.
std::vector<std::uint8_t> FileBytes(const std::vector<std::uint8_t>& dib,
                                    std::uint32_t pixelOffset) {
    std::vector<std::uint8_t> file(14);
    file[0] = 'B';
    file[1] = 'M';
    WriteU32(file.data() + 2, static_cast<std::uint32_t>(14 + dib.size()));
    WriteU32(file.data() + 10, pixelOffset);
    file.insert(file.end(), dib.begin(), dib.end());
    return file;
}

TEST(DibWriteFile, EightBitThreeByTwoHeaderArithmetic) {
    DibHandle dib = MakeDib(Fields(3, 2, 8), Zeros(1024 + 8));
    Written w = Write(dib);
    ASSERT_TRUE(w.ok);
    // Rows of (8*3+31)/32*4 = 4 bytes: image 8, DIB 40+1024+8 = 1072, file 1086, pixels at 1078.
    ASSERT_EQ(w.bytes.size(), 1086u);
    EXPECT_EQ(w.bytes[0], 'B');
    EXPECT_EQ(w.bytes[1], 'M');
    EXPECT_EQ(ReadU32(w.bytes.data() + 2), 1086u);
    EXPECT_EQ(ReadU32(w.bytes.data() + 6), 0u); // both reserved words
    EXPECT_EQ(ReadU32(w.bytes.data() + 10), 1078u);
    EXPECT_EQ(ReadU32(dib.data() + dibfield::SizeImage), 8u);
    EXPECT_EQ(ReadU32(w.bytes.data() + 14 + dibfield::SizeImage), 8u);
}

TEST(DibWriteFile, TrueColourPixelsFollowHeader) {
    DibHandle dib = MakeDib(Fields(3, 2, 24), Zeros(24));
    Written w = Write(dib);
    ASSERT_TRUE(w.ok);
    EXPECT_EQ(ReadU32(w.bytes.data() + 10), 54u);
    EXPECT_EQ(w.bytes.size(), 14u + 40 + 24);
}

TEST(DibWriteFile, BitFieldMasksAreWrittenBeforePixels) {
    DibFields f = Fields(2, 1, 16);
    f.compression = kCompressionBitfields;
    std::vector<std::uint8_t> rest = Zeros(12 + 4);
    WriteU32(rest.data(), 0xF800);
    WriteU32(rest.data() + 4, 0x07E0);
    WriteU32(rest.data() + 8, 0x001F);
    DibHandle dib = MakeDib(f, rest);
    Written w = Write(dib);
    ASSERT_TRUE(w.ok);
    EXPECT_EQ(ReadU32(w.bytes.data() + 10), 14u + 40 + 12);
    EXPECT_EQ(w.bytes.size(), 14u + 40 + 12 + 4);
    EXPECT_EQ(ReadU32(w.bytes.data() + 14 + 40), 0xF800u);
}

TEST(DibWriteFile, CoreHeaderIsNotWritten) {
    DibFields f = Fields(3, 2, 4);
    f.headerSize = 12;
    DibHandle dib = MakeDib(f, Zeros(48 + 8));
    Written w = Write(dib);
    EXPECT_FALSE(w.ok);
    EXPECT_TRUE(w.bytes.empty());
}

TEST(DibWriteFile, RunLengthKeepsImageSize) {
    DibFields f = Fields(3, 2, 8);
    f.compression = kCompressionRle8;
    f.sizeImage = 0;
    DibHandle empty = MakeDib(f, Zeros(1024));
    Written w = Write(empty);
    ASSERT_TRUE(w.ok);
    EXPECT_EQ(w.bytes.size(), 14u + 40 + 1024); // header and colour table only

    f.sizeImage = 6;
    DibHandle six = MakeDib(f, Zeros(1024 + 6));
    w = Write(six);
    ASSERT_TRUE(w.ok);
    EXPECT_EQ(w.bytes.size(), 14u + 40 + 1024 + 6);
    EXPECT_EQ(ReadU32(six.data() + dibfield::SizeImage), 6u);
}

TEST(DibWriteFile, NeverReadsPastTheBlock) {
    DibFields f = Fields(3, 2, 8);
    f.compression = kCompressionRle8;
    f.sizeImage = 0x7FFFFFFF;
    DibHandle rle = MakeDib(f, Zeros(1024 + 6));
    EXPECT_FALSE(Write(rle).ok);
    DibHandle rows = MakeDib(Fields(3, 2, 24), Zeros(23));
    EXPECT_FALSE(Write(rows).ok);
    DibHandle null;
    EXPECT_FALSE(Write(null).ok);
}

TEST(DibWriteFile, FailingSinkFails) {
    DibHandle dib = MakeDib(Fields(3, 2, 24), Zeros(24));
    int calls = 0;
    EXPECT_FALSE(DibWriteFile(dib, [&](const std::uint8_t*, std::size_t) { return ++calls < 2; }));
    EXPECT_FALSE(DibWriteFile(dib, [](const std::uint8_t*, std::size_t) { return false; }));
}

TEST(DibReadMemory, RefusesWhatIsNoBitmap) {
    std::vector<std::uint8_t> shortFile = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(DibReadMemory(shortFile.data(), shortFile.size()).error, BmpError::NotBitmap);
    DibHandle dib = MakeDib(Fields(1, 1, 24), Zeros(4));
    std::vector<std::uint8_t> file =
        FileBytes(std::vector<std::uint8_t>(dib.data(), dib.data() + dib.size()), 54);
    file[1] = 'A';
    EXPECT_EQ(DibReadMemory(file.data(), file.size()).error, BmpError::NotBitmap);
    EXPECT_EQ(DibReadMemory(nullptr, 0).error, BmpError::NotBitmap);
}

TEST(DibReadMemory, RefusesBodyShorterThanPicture) {
    DibHandle dib = MakeDib(Fields(3, 2, 24), Zeros(24));
    std::vector<std::uint8_t> file =
        FileBytes(std::vector<std::uint8_t>(dib.data(), dib.data() + dib.size()), 54);
    file.pop_back();
    BmpReadResult r = DibReadMemory(file.data(), file.size());
    EXPECT_EQ(r.error, BmpError::Invalid);
    EXPECT_EQ(r.status, DibStatus::Truncated);
    EXPECT_FALSE(r.dib);
}

TEST(DibReadMemory, ClosesGapBeforePixels) {
    // 2 x 1 at 8 bits with two colours; the file leaves 5 unused bytes before the row.
    DibFields f = Fields(2, 1, 8);
    f.clrUsed = 2;
    std::vector<std::uint8_t> dib = Concat(HeaderBytes(f), TableBytes({0x112233, 0x445566}));
    const std::uint32_t offset = static_cast<std::uint32_t>(14 + dib.size() + 5);
    dib = Concat(dib, {9, 9, 9, 9, 9, 1, 0, 0, 0});
    std::vector<std::uint8_t> file = FileBytes(dib, offset);
    BmpReadResult r = DibReadMemory(file.data(), file.size());
    ASSERT_EQ(r.error, BmpError::None);
    EXPECT_EQ(r.dib.size(), 40u + 8 + 4);
    const std::uint8_t* bits = DibGetBits(r.dib.data());
    EXPECT_EQ(bits[0], 1);
    EXPECT_EQ(bits[1], 0);
}

TEST(DibReadFile, MissingFileIsFileError) {
    EXPECT_EQ(DibReadFile("/nonexistent/picture.bmp").error, BmpError::FileError);
}

class DibSaveFileTest : public testing::Test {
protected:
    void SetUp() override {
        m_dir = std::filesystem::temp_directory_path() /
                ("xkorvo-save-" + std::to_string(::getpid()) + "-" +
                 testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::vector<std::uint8_t> Contents(const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    std::size_t FilesInDir() {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(m_dir),
                                                      std::filesystem::directory_iterator()));
    }
    void WriteOld(const std::filesystem::path& p) {
        std::ofstream(p, std::ios::binary) << "old contents";
    }

    std::filesystem::path m_dir;
};

TEST_F(DibSaveFileTest, SavedFileReadsBack) {
    DibHandle dib = MakeDib(Fields(3, 2, 8), Concat(TableBytes(std::vector<std::uint32_t>(256, 7)),
                                                    {1, 2, 3, 0, 4, 5, 6, 0}));
    const auto path = m_dir / "out.bmp";
    ASSERT_EQ(DibSaveFile(dib, path.string()), SaveResult::Ok);
    EXPECT_EQ(Contents(path).size(), 1086u);
    BmpReadResult r = DibReadFile(path.string());
    ASSERT_EQ(r.error, BmpError::None);
    EXPECT_EQ(r.dib.size(), dib.size());
    EXPECT_EQ(std::memcmp(r.dib.data(), dib.data(), dib.size()), 0);
    EXPECT_EQ(FilesInDir(), 1u);
}

TEST_F(DibSaveFileTest, UnwritablePictureLeavesFileAlone) {
    DibFields f = Fields(3, 2, 4);
    f.headerSize = 12;
    DibHandle core = MakeDib(f, Zeros(48 + 8));
    const auto path = m_dir / "old.bmp";
    WriteOld(path);
    EXPECT_EQ(DibSaveFile(core, path.string()), SaveResult::NotWritable);
    DibHandle null;
    EXPECT_EQ(DibSaveFile(null, path.string()), SaveResult::NotWritable);
    EXPECT_EQ(Contents(path).size(), 12u);
}

TEST_F(DibSaveFileTest, FailedWriteKeepsOldFile) {
    const auto path = m_dir / "old.bmp";
    WriteOld(path);
    std::filesystem::permissions(path, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::owner_write);
    // Files may grow to 100 bytes only, so writing the 1086-byte bitmap fails part way.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    DibHandle dib = MakeDib(Fields(3, 2, 8), Zeros(1024 + 8));
    const SaveResult result = DibSaveFile(dib, path.string());
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(result, SaveResult::FileError);
    const auto old = Contents(path);
    EXPECT_EQ(std::string(old.begin(), old.end()), "old contents");
    EXPECT_EQ(FilesInDir(), 1u); // no temporary file left behind

    // Saved again without the limit, the file keeps its owner-only permissions.
    ASSERT_EQ(DibSaveFile(dib, path.string()), SaveResult::Ok);
    EXPECT_EQ(Contents(path).size(), 1086u);
    EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST_F(DibSaveFileTest, MissingFolderIsFileError) {
    DibHandle dib = MakeDib(Fields(3, 2, 24), Zeros(24));
    EXPECT_EQ(DibSaveFile(dib, (m_dir / "no" / "out.bmp").string()), SaveResult::FileError);
}

} // namespace

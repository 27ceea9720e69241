// Compressed inputs: gzip (one member and several), zstd (several frames, a skippable frame
// first) and plain files whose first bytes look like a compressed file's read back as the
// original text, across many blocks; a file cut short, corrupt data or garbage after a member
// is an error naming the file, never a shorter input; a pipe is read without seeking.
#include <gtest/gtest.h>

#include <unistd.h>
#include <zlib.h>
#include <zstd.h>

#include <random>
#include <string>
#include <thread>

#include "dialogue/compressed.h"
#include "support.h"

using namespace tessar;
using test_support::ScratchFolder;

namespace {

std::string gzip_member(const std::string& text) {
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, 6, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string out(deflateBound(&z, text.size()) + 32, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = static_cast<uInt>(text.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// With its checksum, as the zstd program writes it.
std::string zstd_frame(const std::string& text) {
    ZSTD_CCtx* z = ZSTD_createCCtx();
    ZSTD_CCtx_setParameter(z, ZSTD_c_checksumFlag, 1);
    std::string out(ZSTD_compressBound(text.size()), '\0');
    const size_t n = ZSTD_compress2(z, out.data(), out.size(), text.data(), text.size());
    ZSTD_freeCCtx(z);
    EXPECT_FALSE(ZSTD_isError(n));
    out.resize(n);
    return out;
}

// A FASTA text of `n` random sequences: big enough to span many blocks of the reader.
std::string fasta(size_t n) {
    std::mt19937 rng(5);
    std::string text;
    for (size_t i = 0; i < n; ++i) {
        text += ">seq" + std::to_string(i) + "\n";
        for (int j = 0; j < 120; ++j) text += "ACDEFGHIKLMNPQRSTVWY"[rng() % 20];
        text += "\n";
    }
    return text;
}

// Every line of the file `path`, read through the decompressing stream, joined again.
std::string read_back(const std::string& path) {
    File in = open_for_reading(path);
    EXPECT_TRUE(in);
    std::string text, line;
    while (read_line(in.get(), line)) text += line + "\n";
    return text;
}

// The message reading the file `path` whole stops with ("" when it is read to its end).
std::string read_error(const std::string& path) {
    try {
        read_back(path);
    } catch (const FatalError& e) {
        return e.message;
    }
    return "";
}

}  // namespace

TEST(CompressedInput, EveryCodingReadsBackAsTheOriginalText) {
    ScratchFolder dir;
    const std::string text = fasta(20000);  // about 2.6 MB
    const size_t half = text.size() / 2 + 7;  // the members split a line
    const std::string skippable("\x50\x2a\x4d\x18\x04\x00\x00\x00" "abcd", 12);
    const struct {
        const char* name;
        std::string bytes;
        InputCoding coding;
    } cases[] = {
        {"one.gz", gzip_member(text), InputCoding::Gzip},
        {"members.gz", gzip_member(text.substr(0, half)) + gzip_member("") + gzip_member(text.substr(half)),
         InputCoding::Gzip},
        {"frames.zst", zstd_frame(text.substr(0, half)) + zstd_frame(text.substr(half)), InputCoding::Zstd},
        {"skippable.zst", skippable + zstd_frame(text), InputCoding::Zstd},
        {"plain.txt", text, InputCoding::Plain},
        // first bytes that only begin like a compressed file's
        {"looks.txt", "\x1f" "x\n" + text, InputCoding::Plain},
        {"paren.txt", "(\xb5/\n" + text, InputCoding::Plain},
        {"short.txt", "P", InputCoding::Plain},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir / c.name;
        test_support::write_file(path, c.bytes);
        File in = open_for_reading(path);
        EXPECT_EQ(input_coding(in.get()), c.coding);
        const std::string expected = c.coding == InputCoding::Plain ? c.bytes : text;
        EXPECT_EQ(read_back(path), expected + (expected.ends_with('\n') ? "" : "\n"));
    }
}

TEST(CompressedInput, CutShortOrCorruptDataIsAnErrorNamingTheFile) {
    ScratchFolder dir;
    const std::string text = fasta(3000);
    const std::string gz = gzip_member(text), zst = zstd_frame(text);
    std::string flipped = zst;
    flipped[flipped.size() / 2] ^= 0x5a;
    std::string bad_crc = gz;
    bad_crc[bad_crc.size() - 6] ^= 1;
    const struct {
        const char* name;
        std::string bytes;
        const char* says;
    } cases[] = {
        {"cut.gz", gz.substr(0, gz.size() / 2), "the gzip data is truncated"},
        {"no-trailer.gz", gz.substr(0, gz.size() - 4), "the gzip data is truncated"},
        {"magic-only.gz", "\x1f\x8b", "the gzip data is truncated"},
        {"crc.gz", bad_crc, "the gzip data is corrupt"},
        {"garbage-after.gz", gz + "trailing text\n", "the gzip data is corrupt"},
        {"cut.zst", zst.substr(0, zst.size() - 3), "the zstd data is truncated"},
        {"flipped.zst", flipped, "the zstd data is corrupt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir / c.name;
        test_support::write_file(path, c.bytes);
        const std::string message = read_error(path);
        EXPECT_TRUE(message.starts_with("Err: " + path + ": " + c.says)) << message;
        EXPECT_TRUE(message.ends_with("\n"));
    }
}

TEST(CompressedInput, APipeIsReadWithoutSeekingAndAnOutputOnTheFileIsSeen) {
    const std::string text = fasta(5000);
    const std::string bytes = zstd_frame(text);
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    std::thread writer([&] {
        for (size_t at = 0; at < bytes.size(); at += 1000)  // in small writes
            EXPECT_GT(write(fds[1], bytes.data() + at, std::min<size_t>(1000, bytes.size() - at)), 0);
        close(fds[1]);
    });
    File in = open_decompressed(File(fdopen(fds[0], "r")), "standard input");
    std::string read, line;
    while (read_line(in.get(), line)) read += line + "\n";
    writer.join();
    EXPECT_EQ(read, text);

    // a decompressing stream still names its file: an output there would empty it under its reader
    ScratchFolder dir;
    const std::string path = dir / "in.gz";
    test_support::write_file(path, gzip_member(text));
    File file = open_for_reading(path);
    EXPECT_TRUE(names_file_in_use(path, {file.get()}));
    EXPECT_FALSE(names_file_in_use(dir / "other", {file.get()}));
}

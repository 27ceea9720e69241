#include "dialogue/compressed.h"

#include <zlib.h>
#include <zstd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace tessar {

namespace {

constexpr size_t kBlockSize = size_t{1} << 17;  // compressed bytes read at a time

// Which coding the first bytes announce; `n` of them could be read (fewer in a short file).
InputCoding coding_of(const unsigned char* b, size_t n) {
    if (n >= 2 && b[0] == 0x1f && b[1] == 0x8b) return InputCoding::Gzip;
    // a zstd frame, or a skippable frame (which parallel zstd writes first)
    if (n >= 4 && b[0] == 0x28 && b[1] == 0xb5 && b[2] == 0x2f && b[3] == 0xfd) return InputCoding::Zstd;
    if (n >= 4 && (b[0] & 0xf0) == 0x50 && b[1] == 0x2a && b[2] == 0x4d && b[3] == 0x18) return InputCoding::Zstd;
    return InputCoding::Plain;
}

// Whether a file beginning with `first` may be compressed: only then are more bytes looked at.
bool may_be_compressed(int first) { return first == 0x1f || first == 0x28 || (first & 0xf0) == 0x50; }

const char* coding_name(InputCoding coding) { return coding == InputCoding::Gzip ? "gzip" : "zstd"; }

// One decompressing stream: the compressed file, its unread bytes, and the decoder's state.
struct Decoder {
    InputCoding coding = InputCoding::Plain;
    File raw;
    std::string name;
    std::FILE* stream = nullptr;  // the stream the readers read
    std::vector<char> block = std::vector<char>(kBlockSize);
    size_t at = 0, end = 0;  // the unread bytes of `block`
    bool raw_ended = false;
    z_stream gzip{};
    bool gzip_ready = false;
    bool in_member = false;  // a gzip member or zstd frame is begun and not ended
    bool output_filled = false;  // the last decoding filled its whole output
    ZSTD_DCtx* zstd = nullptr;
    std::string fault;

    ~Decoder() {
        if (gzip_ready) inflateEnd(&gzip);
        ZSTD_freeDCtx(zstd);
    }

    // Reads the next block of the compressed file; false at its end (or on a read error, which
    // is a fault of its own).
    bool refill() {
        at = 0;
        end = raw_ended ? 0 : std::fread(block.data(), 1, block.size(), raw.get());
        if (end == 0) {
            raw_ended = true;
            if (std::ferror(raw.get()))
                fault = format("Err: %s: cannot read: %s\n", name.c_str(), std::strerror(errno));
        }
        return end > 0;
    }

    void truncated() {
        fault = format("Err: %s: the %s data is truncated (the file ends inside it)\n", name.c_str(),
                       coding_name(coding));
    }
    void corrupt(const char* why) {
        fault = format("Err: %s: the %s data is corrupt (%s)\n", name.c_str(), coding_name(coding), why);
    }

    // Up to `size` decompressed bytes into `out`: how many (0 at the end of the data), or -1
    // with `fault` set.
    ssize_t read(char* out, size_t size) {
        while (fault.empty()) {
            // a decoder that filled the last output may hold more without new input
            if (at < end || (in_member && output_filled)) {
                const size_t before = at;
                const bool was_in_member = in_member;
                const size_t made = coding == InputCoding::Plain ? read_plain(out, size)
                                    : coding == InputCoding::Gzip ? read_gzip(out, size)
                                                                  : read_zstd(out, size);
                output_filled = made == size;
                if (!fault.empty()) break;
                if (made > 0) return static_cast<ssize_t>(made);
                if (at < end) {
                    if (at == before && in_member == was_in_member) corrupt("the decoder stopped");
                    continue;
                }
            }
            if (!refill()) {
                if (!fault.empty()) break;
                if (in_member) {
                    truncated();
                    break;
                }
                return 0;
            }
        }
        errno = EIO;
        return -1;
    }

    size_t read_plain(char* out, size_t size) {
        const size_t n = std::min(size, end - at);
        std::memcpy(out, block.data() + at, n);
        at += n;
        return n;
    }

    size_t read_gzip(char* out, size_t size) {
        if (!gzip_ready) {
            if (inflateInit2(&gzip, 16 + MAX_WBITS) != Z_OK) {
                corrupt("out of memory");
                return 0;
            }
            gzip_ready = true;
        }
        gzip.next_in = reinterpret_cast<Bytef*>(block.data() + at);
        gzip.avail_in = static_cast<uInt>(end - at);
        gzip.next_out = reinterpret_cast<Bytef*>(out);
        gzip.avail_out = static_cast<uInt>(std::min<size_t>(size, UINT32_MAX));
        in_member = true;
        const int got = inflate(&gzip, Z_NO_FLUSH);
        at = end - gzip.avail_in;
        const size_t made = static_cast<size_t>(reinterpret_cast<char*>(gzip.next_out) - out);
        if (got == Z_STREAM_END) {
            // the member ends; whatever follows must be the next one
            in_member = false;
            inflateReset(&gzip);
        } else if (got != Z_OK && got != Z_BUF_ERROR) {
            corrupt(gzip.msg ? gzip.msg : "not gzip data");
        }
        return made;
    }

    size_t read_zstd(char* out, size_t size) {
        if (!zstd && !(zstd = ZSTD_createDCtx())) {
            corrupt("out of memory");
            return 0;
        }
        ZSTD_inBuffer in{block.data() + at, end - at, 0};
        ZSTD_outBuffer to{out, size, 0};
        const size_t got = ZSTD_decompressStream(zstd, &to, &in);
        at += in.pos;
        if (ZSTD_isError(got)) {
            corrupt(ZSTD_getErrorName(got));
            return 0;
        }
        in_member = got != 0;  // 0: a frame ended and every byte of it is out
        return to.pos;
    }
};

// The decompressing streams open now, for read_fault and input_descriptor.
struct Open {
    std::mutex mutex;
    std::unordered_map<std::FILE*, Decoder*> decoders;
};

Open& open_streams() {
    static Open open;
    return open;
}

Decoder* decoder_of(std::FILE* in) {
    Open& open = open_streams();
    std::lock_guard lock(open.mutex);
    const auto found = open.decoders.find(in);
    return found == open.decoders.end() ? nullptr : found->second;
}

ssize_t cookie_read(void* cookie, char* out, size_t size) { return static_cast<Decoder*>(cookie)->read(out, size); }

int cookie_close(void* cookie) {
    auto* decoder = static_cast<Decoder*>(cookie);
    {
        Open& open = open_streams();
        std::lock_guard lock(open.mutex);
        open.decoders.erase(decoder->stream);
    }
    delete decoder;
    return 0;
}

}  // namespace

File open_decompressed(File raw, const std::string& name) {
    if (!raw) return raw;
    const int first = std::getc(raw.get());
    if (first == EOF || !may_be_compressed(first)) {
        if (first != EOF) std::ungetc(first, raw.get());
        return raw;
    }
    auto decoder = std::make_unique<Decoder>();
    decoder->block[0] = static_cast<char>(first);
    decoder->end = 1 + std::fread(decoder->block.data() + 1, 1, 3, raw.get());
    decoder->coding = coding_of(reinterpret_cast<const unsigned char*>(decoder->block.data()), decoder->end);
    decoder->raw = std::move(raw);
    decoder->name = name;
    cookie_io_functions_t functions{};
    functions.read = cookie_read;
    functions.close = cookie_close;
    std::FILE* stream = fopencookie(decoder.get(), "r", functions);
    if (!stream) return File();
    std::setvbuf(stream, nullptr, _IOFBF, kBlockSize);
    decoder->stream = stream;
    {
        Open& open = open_streams();
        std::lock_guard lock(open.mutex);
        open.decoders[stream] = decoder.release();
    }
    return File(stream);
}

InputCoding input_coding(std::FILE* in) {
    const Decoder* d = decoder_of(in);
    return d ? d->coding : InputCoding::Plain;
}

std::string read_fault(std::FILE* in) {
    const Decoder* d = decoder_of(in);
    return d ? d->fault : "";
}

void check_read(std::FILE* in) {
    if (!std::ferror(in)) return;
    std::string why = read_fault(in);
    if (!why.empty()) fatal(std::move(why));
}

int input_descriptor(std::FILE* in) {
    if (!in) return -1;
    const Decoder* d = decoder_of(in);
    return d ? fileno(d->raw.get()) : fileno(in);
}

}  // namespace tessar
